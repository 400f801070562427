// Replacing, splitting and removing blanks, all stepping by characters.
#include <algorithm>

#include "core/text.h"
#include "core/text_scan.h"

namespace dorvane {
namespace {

using text_scan::CharWalker;
using text_scan::is_lead;

// Length of the blank at `pos`: 1 for a space, 2 for the ideographic space, else 0.
std::size_t blank_at(std::string_view text, std::size_t pos) {
  if (text[pos] == ' ') return 1;
  if (text[pos] == '\xA1' && pos + 1 < text.size() && text[pos + 1] == '\xA1') return 2;
  return 0;
}

}  // namespace

Text replace_text(std::string_view text, std::string_view find, std::string_view replacement,
                  std::optional<std::int32_t> start, std::optional<std::int32_t> count,
                  bool case_sensitive) {
  const std::size_t s = start ? static_cast<std::size_t>(std::max(*start - 1, 0)) : 0;
  // A negative count replaces nothing, as a count of 0 does.
  std::int64_t left = count ? std::max(*count, 0) : -1;
  if (text.empty() || find.empty() || s >= text.size() || left == 0) return Text(text);

  Text out;
  out.reserve(text.size());
  out.append(text.substr(0, s));
  std::size_t cursor = s;
  CharWalker walker(text, s);
  for (;;) {
    const std::size_t m =
        text_scan::find_on_boundary(text, find, walker, text.size(), !case_sensitive);
    if (m == text_scan::kNone) break;
    out.append(text.substr(cursor, m - cursor));
    out.append(replacement);
    cursor = m + find.size();
    walker.jump(cursor);
    if (left > 0 && --left == 0) {
      out.append(text.substr(cursor));
      return out;
    }
  }
  // The scan drops a lead byte with nothing after it when it steps onto it, which
  // only happens while a one-byte find still fits there.
  const std::size_t last = text.size() - 1;
  const bool drop_last = find.size() == 1 && cursor <= last && is_lead(text[last]) &&
                         CharWalker(text, cursor).reach(last);
  out.append(text.substr(cursor, text.size() - cursor - (drop_last ? 1 : 0)));
  return out;
}

TextList split_text(std::string_view text, std::string_view separator,
                    std::optional<std::int32_t> max_pieces) {
  std::int64_t left = max_pieces ? std::max(*max_pieces, 0) : -1;
  TextList list;
  if (text.empty() || left == 0) return list;
  if (separator.empty()) {
    list.emplace_back(text);
    return list;
  }
  std::size_t piece = 0;
  CharWalker walker(text, 0);
  for (;;) {
    const std::size_t m =
        text_scan::find_on_boundary(text, separator, walker, text.size(), false);
    if (m == text_scan::kNone) break;
    list.emplace_back(text.substr(piece, m - piece));
    piece = m + separator.size();
    walker.jump(piece);
    if (left > 0 && --left == 0) return list;
  }
  if (piece < text.size()) list.emplace_back(text.substr(piece));
  return list;
}

Text trim_text(std::string_view text) {
  std::size_t pos = 0;
  while (pos < text.size()) {
    const std::size_t blank = blank_at(text, pos);
    if (blank == 0) break;
    pos += blank;
  }
  const std::size_t begin = pos;
  std::size_t content_end = begin;  // just past the last character that is not a blank
  while (pos < text.size()) {
    const std::size_t blank = blank_at(text, pos);
    if (blank != 0) {
      pos += blank;
    } else if (is_lead(text[pos]) && pos + 1 == text.size()) {
      content_end = pos;  // a lone lead byte at the end goes; the blanks before it stay
      break;
    } else {
      pos += is_lead(text[pos]) ? 2 : 1;
      content_end = pos;
    }
  }
  return Text(text.substr(begin, content_end - begin));
}

Text strip_spaces(std::string_view text) {
  Text out;
  out.reserve(text.size());
  std::size_t pos = 0;
  while (pos < text.size()) {
    const std::size_t blank = blank_at(text, pos);
    if (blank != 0) {
      pos += blank;
    } else if (!is_lead(text[pos])) {
      out.push_back(text[pos++]);
    } else if (pos + 1 < text.size()) {
      out.append(text.substr(pos, 2));
      pos += 2;
    } else {
      break;  // a lone lead byte at the end is left out
    }
  }
  return out;
}

}  // namespace dorvane
