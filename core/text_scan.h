// Character-boundary scanning shared by the text searches, splits and replaces.
// Internal to the text layer.
#pragma once

#include <cstddef>
#include <string_view>

namespace dorvane::text_scan {

inline constexpr std::size_t kNone = std::string_view::npos;

inline bool is_lead(char c) { return static_cast<unsigned char>(c) >= 0x80; }

inline char fold(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }

// Equal byte runs of the same length, ASCII letters folded (trail bytes too).
bool equal_folded(const char* a, const char* b, std::size_t n);

// Walks the character boundaries of a text forward from a starting offset, which
// counts as a boundary whatever byte it holds. A lead byte with nothing after it
// ends the walk: no boundary lies beyond it.
class CharWalker {
 public:
  CharWalker(std::string_view text, std::size_t start) : text_(text), pos_(start) {}

  std::size_t pos() const { return pos_; }
  bool ended() const { return ended_; }

  // Steps one character; false when the walk has ended.
  bool step() {
    if (ended_ || pos_ >= text_.size()) {
      ended_ = true;
      return false;
    }
    if (!is_lead(text_[pos_])) {
      ++pos_;
    } else if (pos_ + 1 < text_.size()) {
      pos_ += 2;
    } else {
      ended_ = true;
      return false;
    }
    return true;
  }

  // Walks up to `offset` (never back); true when `offset` is a boundary.
  bool reach(std::size_t offset) {
    while (pos_ < offset && step()) {
    }
    return !ended_ && pos_ == offset;
  }

  // Puts the cursor at `offset` and takes it as a boundary, as a scan does after a match.
  void jump(std::size_t offset) { pos_ = offset; }

 private:
  std::string_view text_;
  std::size_t pos_;
  bool ended_ = false;
};

// The first boundary at or after the walker's cursor at which `pattern` (not empty)
// matches and ends at or before `end`, or kNone. The walker is left at the match.
std::size_t find_on_boundary(std::string_view text, std::string_view pattern, CharWalker& walker,
                             std::size_t end, bool ignore_case);

}  // namespace dorvane::text_scan
