// Code page 936 <-> Unicode through iconv, with one set of descriptors per thread.
#include "core/codepage.h"

#include <errno.h>
#include <iconv.h>

#include <algorithm>
#include <bit>
#include <cstring>

namespace dorvane {
namespace {

using BadLength = std::size_t (*)(std::string_view rest);

bool in_range(unsigned char c, unsigned char low, unsigned char high) {
  return c >= low && c <= high;
}

// How many input bytes a sequence iconv refused takes up, so that it can be
// replaced as a whole.
std::size_t bad_cp936_length(std::string_view rest) {
  const auto lead = static_cast<unsigned char>(rest[0]);
  if (rest.size() >= 2 && in_range(lead, 0x81, 0xFE)) {
    const auto trail = static_cast<unsigned char>(rest[1]);
    if (in_range(trail, 0x40, 0xFE) && trail != 0x7F) return 2;
  }
  return 1;
}

std::size_t bad_utf16_length(std::string_view rest) {
  if (rest.size() >= 4) {
    const auto high = static_cast<unsigned char>(rest[1]);
    const auto next = static_cast<unsigned char>(rest[3]);
    if (in_range(high, 0xD8, 0xDB) && in_range(next, 0xDC, 0xDF)) return 4;
  }
  return rest.size() >= 2 ? 2 : rest.size();
}

std::size_t bad_utf8_length(std::string_view rest) {
  const auto lead = static_cast<unsigned char>(rest[0]);
  std::size_t n = 0;
  if (in_range(lead, 0xC2, 0xDF)) {
    n = 2;
  } else if (in_range(lead, 0xE0, 0xEF)) {
    n = 3;
  } else if (in_range(lead, 0xF0, 0xF4)) {
    n = 4;
  } else {
    return 1;
  }
  if (rest.size() < n) return 1;
  for (std::size_t i = 1; i < n; ++i) {
    if ((static_cast<unsigned char>(rest[i]) & 0xC0) != 0x80) return 1;
  }
  return n;  // well formed, only missing from the target code page
}

enum Direction { kCp936ToUtf16, kUtf16ToCp936, kCp936ToUtf8, kUtf8ToCp936, kDirections };

struct Descriptors {
  iconv_t cd[kDirections];
  Descriptors() {
    cd[kCp936ToUtf16] = iconv_open("UTF-16LE", "CP936");
    cd[kUtf16ToCp936] = iconv_open("CP936", "UTF-16LE");
    cd[kCp936ToUtf8] = iconv_open("UTF-8", "CP936");
    cd[kUtf8ToCp936] = iconv_open("CP936", "UTF-8");
  }
  ~Descriptors() {
    for (iconv_t d : cd) {
      if (d != reinterpret_cast<iconv_t>(-1)) iconv_close(d);
    }
  }
  Descriptors(const Descriptors&) = delete;
  Descriptors& operator=(const Descriptors&) = delete;
};

iconv_t descriptor(Direction direction) {
  thread_local Descriptors descriptors;
  return descriptors.cd[direction];
}

// Converts `in` whole; each sequence iconv refuses (malformed, or a character the
// target lacks) becomes `replacement`.
std::string convert(Direction direction, std::string_view in, BadLength bad_length,
                    std::string_view replacement) {
  std::string out;
  if (in.empty()) return out;
  const iconv_t cd = descriptor(direction);
  if (cd == reinterpret_cast<iconv_t>(-1)) return out;
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  out.resize(in.size() * 2 + 16);
  char* src = const_cast<char*>(in.data());
  std::size_t src_left = in.size();
  std::size_t used = 0;
  while (src_left > 0) {
    char* dst = out.data() + used;
    std::size_t dst_left = out.size() - used;
    const std::size_t result = iconv(cd, &src, &src_left, &dst, &dst_left);
    used = out.size() - dst_left;
    if (result != static_cast<std::size_t>(-1)) break;
    if (errno == E2BIG) {
      out.resize(out.size() * 2);
    } else if (errno == EILSEQ || errno == EINVAL) {
      // An incomplete sequence can only be at the end: it is replaced as one.
      const std::size_t skip =
          errno == EINVAL ? src_left : std::max<std::size_t>(bad_length({src, src_left}), 1);
      src += skip;
      src_left -= skip;
      if (out.size() - used < replacement.size()) out.resize(out.size() * 2 + replacement.size());
      used += replacement.copy(out.data() + used, replacement.size());
      iconv(cd, nullptr, nullptr, nullptr, nullptr);
    } else {
      break;
    }
  }
  out.resize(used);
  return out;
}

constexpr std::string_view kUtf16Replacement("\xFD\xFF", 2);  // U+FFFD, little endian
constexpr std::string_view kUtf8Replacement = "\xEF\xBF\xBD";

}  // namespace

static_assert(std::endian::native == std::endian::little, "UTF-16LE is copied as char16_t");

std::u16string cp936_to_utf16(std::string_view text) {
  const std::string bytes = convert(kCp936ToUtf16, text, bad_cp936_length, kUtf16Replacement);
  std::u16string out(bytes.size() / 2, u'\0');
  std::memcpy(out.data(), bytes.data(), out.size() * 2);
  return out;
}

Text utf16_to_cp936(std::u16string_view text) {
  const std::string_view bytes(reinterpret_cast<const char*>(text.data()), text.size() * 2);
  return convert(kUtf16ToCp936, bytes, bad_utf16_length, "?");
}

std::string cp936_to_utf8(std::string_view text) {
  return convert(kCp936ToUtf8, text, bad_cp936_length, kUtf8Replacement);
}

Text utf8_to_cp936(std::string_view text) {
  return convert(kUtf8ToCp936, text, bad_utf8_length, "?");
}

}  // namespace dorvane
