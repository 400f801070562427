// Cutting, joining, comparing and case folding texts.
#include <algorithm>

#include "core/text.h"
#include "core/text_scan.h"

namespace dorvane {

std::int32_t text_length(std::string_view text) { return static_cast<std::int32_t>(text.size()); }

Text text_left(std::string_view text, std::int32_t n) {
  if (n <= 0) return {};
  return Text(text.substr(0, static_cast<std::size_t>(n)));
}

Text text_right(std::string_view text, std::int32_t n) {
  if (n <= 0) return {};
  const std::size_t take = std::min(static_cast<std::size_t>(n), text.size());
  return Text(text.substr(text.size() - take));
}

Text text_mid(std::string_view text, std::int32_t start, std::int32_t n) {
  if (start < 1 || static_cast<std::size_t>(start) > text.size() || n <= 0) return {};
  return Text(text.substr(static_cast<std::size_t>(start) - 1, static_cast<std::size_t>(n)));
}

Text to_lower(std::string_view text) {
  Text out(text);
  for (std::size_t pos = 0; pos < out.size(); ++pos) {
    if (text_scan::is_lead(out[pos])) {
      ++pos;  // the trail byte stays as it is, even when it is a letter
    } else {
      out[pos] = text_scan::fold(out[pos]);
    }
  }
  return out;
}

Text char_from_code(std::int32_t code) {
  const char c = static_cast<char>(code & 0xFF);
  if (c == '\0') return {};  // a text holds no zero byte
  return Text(1, c);
}

Text blank_text(std::int32_t n) {
  if (n < 1) return {};
  return Text(static_cast<std::size_t>(n), ' ');
}

Text concat_text(std::initializer_list<std::string_view> parts) {
  std::size_t total = 0;
  for (std::string_view part : parts) total += part.size();
  Text out;
  out.reserve(total);
  for (std::string_view part : parts) out.append(part);
  return out;
}

int compare_text(std::string_view a, std::string_view b) {
  // char_traits<char> compares as unsigned bytes, shorter first at a common prefix.
  const int c = a.compare(b);
  return (c > 0) - (c < 0);
}

}  // namespace dorvane
