// Conversions between texts and numbers, and the full-width to half-width mapping.
#include <charconv>
#include <clocale>
#include <cmath>
#include <cstdlib>
#include <locale.h>

#include "core/text.h"
#include "core/text_scan.h"

namespace dorvane {
namespace {

// The one byte a full-width character becomes, or 0 when it stays as it is.
char half_width_of(unsigned char lead, unsigned char trail) {
  if (lead == 0xA3 && trail >= 0xA1 && trail <= 0xFE) return static_cast<char>(trail - 0x80);
  if (lead == 0xA1) {
    if (trail == 0xA1) return ' ';
    if (trail == 0xAB) return '~';
    if (trail == 0xEE || trail == 0xEF) return '*';
  }
  return 0;
}

// Reads a text as to_half_width would turn it, one character at a time, without
// copying it; a character that stays double-byte reads as its lead byte.
class HalfWidthReader {
 public:
  explicit HalfWidthReader(std::string_view text) : text_(text) {}

  char peek() const {
    if (pos_ >= text_.size()) return '\0';
    const auto lead = static_cast<unsigned char>(text_[pos_]);
    if (lead < 0x80 || pos_ + 1 >= text_.size()) return text_[pos_];
    const char half = half_width_of(lead, static_cast<unsigned char>(text_[pos_ + 1]));
    return half != 0 ? half : text_[pos_];
  }
  void next() {
    if (pos_ < text_.size()) pos_ += text_scan::is_lead(text_[pos_]) ? 2 : 1;
  }
  std::size_t pos() const { return pos_; }
  void rewind(std::size_t pos) { pos_ = pos; }

 private:
  std::string_view text_;
  std::size_t pos_ = 0;
};

bool is_digit(char c) { return c >= '0' && c <= '9'; }

void skip_white_space(HalfWidthReader& in) {
  for (char c = in.peek(); c == ' ' || (c >= '\t' && c <= '\r'); c = in.peek()) in.next();
}

// Appends the digits at the reader to `out`; returns how many there were.
std::size_t take_digits(HalfWidthReader& in, std::string& out) {
  std::size_t n = 0;
  for (; is_digit(in.peek()); ++n, in.next()) out.push_back(in.peek());
  return n;
}

}  // namespace

Text to_half_width(std::string_view text) {
  Text out;
  out.reserve(text.size());
  for (std::size_t pos = 0; pos < text.size();) {
    const auto lead = static_cast<unsigned char>(text[pos]);
    if (lead < 0x80 || pos + 1 >= text.size()) {
      out.push_back(text[pos++]);
      continue;
    }
    const char half = half_width_of(lead, static_cast<unsigned char>(text[pos + 1]));
    if (half != 0) {
      out.push_back(half);
    } else {
      out.append(text.substr(pos, 2));
    }
    pos += 2;
  }
  return out;
}

double to_number(std::string_view text) {
  HalfWidthReader in(text);
  skip_white_space(in);
  std::string number;
  if (in.peek() == '+' || in.peek() == '-') {
    number.push_back(in.peek());
    in.next();
  }
  std::size_t digits = take_digits(in, number);
  if (in.peek() == '.') {
    number.push_back('.');
    in.next();
    digits += take_digits(in, number);
  }
  if (digits == 0) return 0;
  if (in.peek() == 'e' || in.peek() == 'E') {
    const std::size_t mark = in.pos();
    const std::size_t kept = number.size();
    number.push_back('e');
    in.next();
    if (in.peek() == '+' || in.peek() == '-') {
      number.push_back(in.peek());
      in.next();
    }
    if (take_digits(in, number) == 0) {  // an "e" without digits is not part of the number
      number.resize(kept);
      in.rewind(mark);
    }
  }
  // The program's locale may use another decimal point; numbers are always read with ".".
  static const locale_t c_locale = newlocale(LC_NUMERIC_MASK, "C", static_cast<locale_t>(0));
  return strtod_l(number.c_str(), nullptr, c_locale);
}

std::int32_t to_int(std::string_view text) {
  HalfWidthReader in(text);
  skip_white_space(in);
  bool negative = false;
  if (in.peek() == '+' || in.peek() == '-') {
    negative = in.peek() == '-';
    in.next();
  }
  std::uint32_t value = 0;  // wraps around beyond the 32-bit range
  for (char c = in.peek(); is_digit(c); in.next(), c = in.peek()) {
    value = value * 10u + static_cast<std::uint32_t>(c - '0');
  }
  if (negative) value = 0u - value;
  return static_cast<std::int32_t>(value);
}

Text to_text(std::int32_t value) {
  char buffer[16];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  return Text(buffer, result.ptr);
}

Text to_text(double value) {
  // "%.13g" without the locale's decimal point, and with at least three exponent digits.
  char buffer[40];
  const auto result =
      std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 13);
  Text out(buffer, result.ptr);
  const std::size_t e = out.find('e');
  if (e != Text::npos) {
    const std::size_t digits = out.size() - (e + 2);
    if (digits < 3) out.insert(e + 2, 3 - digits, '0');
  }
  return out;
}

Text to_text(const Bytes& bytes) {
  std::size_t n = 0;
  while (n < bytes.size() && bytes[n] != 0) ++n;
  return Text(reinterpret_cast<const char*>(bytes.data()), n);
}

std::int32_t truncate_to_int(double x) {
  // Outside [-2^63, 2^63) there is no 64-bit result to cut; NaN fails both tests.
  if (!(x >= -9223372036854775808.0 && x < 9223372036854775808.0)) return 0;
  const auto wide = static_cast<std::int64_t>(x);
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(static_cast<std::uint64_t>(wide)));
}

Bytes text_to_bytes(std::string_view text) { return Bytes(text.begin(), text.end()); }

}  // namespace dorvane
