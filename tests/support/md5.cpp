// A small MD5 (RFC 1321) so tests need no crypto library.
#include "tests/support/md5.h"

#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>

#include "tests/support/temp_dir.h"

namespace dorvane::testing {

namespace {

constexpr std::array<int, 64> kShift = {7, 12, 17, 22, 7, 12, 17, 22, 7, 12, 17, 22, 7, 12, 17, 22,
                                        5, 9,  14, 20, 5, 9,  14, 20, 5, 9,  14, 20, 5, 9,  14, 20,
                                        4, 11, 16, 23, 4, 11, 16, 23, 4, 11, 16, 23, 4, 11, 16, 23,
                                        6, 10, 15, 21, 6, 10, 15, 21, 6, 10, 15, 21, 6, 10, 15, 21};

std::uint32_t rotate_left(std::uint32_t x, int n) {
  return (x << n) | (x >> (32 - n));
}

const std::array<std::uint32_t, 64>& sine_table() {
  static const std::array<std::uint32_t, 64> table = [] {
    std::array<std::uint32_t, 64> t{};
    for (int i = 0; i < 64; ++i) {
      t[i] = static_cast<std::uint32_t>(std::floor(std::fabs(std::sin(i + 1.0)) * 4294967296.0));
    }
    return t;
  }();
  return table;
}

void process_block(std::array<std::uint32_t, 4>& state, const unsigned char* block) {
  std::uint32_t m[16];
  for (int i = 0; i < 16; ++i) {
    m[i] = std::uint32_t{block[i * 4]} | std::uint32_t{block[i * 4 + 1]} << 8 |
           std::uint32_t{block[i * 4 + 2]} << 16 | std::uint32_t{block[i * 4 + 3]} << 24;
  }
  auto [a, b, c, d] = state;
  for (int i = 0; i < 64; ++i) {
    std::uint32_t f;
    int g;
    if (i < 16) {
      f = (b & c) | (~b & d);
      g = i;
    } else if (i < 32) {
      f = (d & b) | (~d & c);
      g = (5 * i + 1) % 16;
    } else if (i < 48) {
      f = b ^ c ^ d;
      g = (3 * i + 5) % 16;
    } else {
      f = c ^ (b | ~d);
      g = (7 * i) % 16;
    }
    std::uint32_t next = b + rotate_left(a + f + sine_table()[i] + m[g], kShift[i]);
    a = d;
    d = c;
    c = b;
    b = next;
  }
  state[0] += a;
  state[1] += b;
  state[2] += c;
  state[3] += d;
}

}  // namespace

std::string md5_hex(std::string_view bytes) {
  std::array<std::uint32_t, 4> state = {0x67452301, 0xefcdab89, 0x98badcfe, 0x10325476};
  std::size_t whole = bytes.size() / 64 * 64;
  for (std::size_t i = 0; i < whole; i += 64) {
    process_block(state, reinterpret_cast<const unsigned char*>(bytes.data() + i));
  }
  // The tail, a 0x80 byte, zeros up to 56 mod 64, then the bit length, little-endian.
  std::string tail(bytes.substr(whole));
  tail += static_cast<char>(0x80);
  while (tail.size() % 64 != 56) tail += '\0';
  std::uint64_t bits = static_cast<std::uint64_t>(bytes.size()) * 8;
  for (int i = 0; i < 8; ++i) tail += static_cast<char>((bits >> (8 * i)) & 0xff);
  for (std::size_t i = 0; i < tail.size(); i += 64) {
    process_block(state, reinterpret_cast<const unsigned char*>(tail.data() + i));
  }
  std::string hex;
  for (std::uint32_t word : state) {
    for (int i = 0; i < 4; ++i) {
      char digits[3];
      std::snprintf(digits, sizeof digits, "%02x", (word >> (8 * i)) & 0xff);
      hex += digits;
    }
  }
  return hex;
}

std::string md5_file(const std::string& path) {
  if (file_size(path) < 0) return {};
  return md5_hex(read_file(path));
}

}  // namespace dorvane::testing
