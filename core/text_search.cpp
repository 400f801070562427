// Searching texts by characters: find_text and find_text_last.
#include <algorithm>
#include <cstring>

#include "core/text.h"
#include "core/text_scan.h"

namespace dorvane {
namespace text_scan {

bool equal_folded(const char* a, const char* b, std::size_t n) {
  for (std::size_t i = 0; i < n; ++i) {
    if (fold(a[i]) != fold(b[i])) return false;
  }
  return true;
}

std::size_t find_on_boundary(std::string_view text, std::string_view pattern, CharWalker& walker,
                             std::size_t end, bool ignore_case) {
  const std::size_t p = pattern.size();
  if (ignore_case) {
    const char first = fold(pattern[0]);
    for (;;) {
      const std::size_t pos = walker.pos();
      if (walker.ended() || pos > end || end - pos < p) return kNone;
      if (fold(text[pos]) == first && equal_folded(text.data() + pos, pattern.data(), p)) {
        return pos;
      }
      if (!walker.step()) return kNone;
    }
  }
  // Jump to candidates with memmem and keep only those on a boundary; the walker
  // never goes back, so the whole search stays linear.
  for (;;) {
    const std::size_t from = walker.pos();
    if (walker.ended() || from > end || end - from < p) return kNone;
    const void* hit = memmem(text.data() + from, end - from, pattern.data(), p);
    if (hit == nullptr) return kNone;
    const std::size_t m = static_cast<std::size_t>(static_cast<const char*>(hit) - text.data());
    if (walker.reach(m)) return m;
  }
}

}  // namespace text_scan

std::int32_t find_text(std::string_view text, std::string_view pattern,
                       std::optional<std::int32_t> start, bool ignore_case) {
  const std::size_t s = start ? static_cast<std::size_t>(std::max(*start - 1, 0)) : 0;
  if (s >= text.size()) return -1;
  if (pattern.empty()) return 1;
  text_scan::CharWalker walker(text, s);
  const std::size_t m =
      text_scan::find_on_boundary(text, pattern, walker, text.size(), ignore_case);
  return m == text_scan::kNone ? -1 : static_cast<std::int32_t>(m + 1);
}

std::int32_t find_text_last(std::string_view text, std::string_view pattern,
                            std::optional<std::int32_t> start, bool ignore_case) {
  const auto length = static_cast<std::int64_t>(text.size());
  std::int64_t w = length;
  if (start) {
    if (*start <= 1) {
      w = 0;
    } else if (static_cast<std::int64_t>(*start) - 1 <= length) {
      w = *start - 1;
    }
  }
  if (pattern.empty()) return w > 0 ? 1 : -1;
  // Matches may overlap: after each one the walker moves on by one character.
  const auto end = static_cast<std::size_t>(w);
  text_scan::CharWalker walker(text, 0);
  std::int32_t last = -1;
  for (;;) {
    const std::size_t m = text_scan::find_on_boundary(text, pattern, walker, end, ignore_case);
    if (m == text_scan::kNone) return last;
    last = static_cast<std::int32_t>(m + 1);
    if (!walker.step()) return last;
  }
}

}  // namespace dorvane
