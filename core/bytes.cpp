// Byte buffer operations: no character stepping, zero bytes allowed.
#include <algorithm>
#include <cstring>

#include "core/text.h"

namespace dorvane {

std::int32_t bytes_length(const Bytes& bytes) { return static_cast<std::int32_t>(bytes.size()); }

Bytes bytes_left(const Bytes& bytes, std::int32_t n) {
  const std::size_t take = std::min(static_cast<std::size_t>(std::max(n, 0)), bytes.size());
  return Bytes(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(take));
}

Bytes blank_bytes(std::int32_t n) { return n <= 0 ? Bytes() : Bytes(static_cast<std::size_t>(n)); }

Bytes concat_bytes(std::initializer_list<std::span<const std::uint8_t>> parts) {
  std::size_t total = 0;
  for (const auto& part : parts) total += part.size();
  Bytes out;
  out.reserve(total);
  for (const auto& part : parts) out.insert(out.end(), part.begin(), part.end());
  return out;
}

bool compare_bytes(const Bytes& a, const Bytes& b) { return a == b; }

Bytes replace_bytes(const Bytes& bytes, const Bytes& find, const Bytes& replacement,
                    std::optional<std::int32_t> start, std::optional<std::int32_t> count) {
  const std::size_t s = start ? static_cast<std::size_t>(std::max(*start - 1, 0)) : 0;
  std::int64_t left = count ? std::max(*count, 0) : -1;
  if (bytes.empty() || find.empty() || s >= bytes.size() || left == 0) return bytes;

  Bytes out;
  out.reserve(bytes.size());
  const std::uint8_t* const base = bytes.data();
  const std::size_t size = bytes.size();
  std::size_t cursor = s;
  out.insert(out.end(), base, base + s);
  while (left != 0 && size - cursor >= find.size()) {
    const void* hit = memmem(base + cursor, size - cursor, find.data(), find.size());
    if (hit == nullptr) break;
    const auto m = static_cast<std::size_t>(static_cast<const std::uint8_t*>(hit) - base);
    out.insert(out.end(), base + cursor, base + m);
    out.insert(out.end(), replacement.begin(), replacement.end());
    cursor = m + find.size();
    if (left > 0) --left;
  }
  out.insert(out.end(), base + cursor, base + size);
  return out;
}

}  // namespace dorvane
