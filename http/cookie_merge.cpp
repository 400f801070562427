#include "http/cookie_merge.h"

namespace dorvane {

Text pair_name(std::string_view pair) {
  const std::int32_t equals = find_text(pair, "=");
  return trim_text(equals == -1 ? Text(pair) : text_left(pair, equals - 1));
}

bool list_has_name(const TextList& list, std::string_view name) {
  for (const Text& item : list) {
    if (pair_name(item) == name) return true;
  }
  return false;
}

Text join_unique(std::string_view text, std::string_view separator) {
  TextList seen;
  Text joined;
  for (const Text& piece : split_text(text, separator)) {
    if (list_find(seen, piece) != -1) continue;
    list_append(seen, piece);
    joined += piece;
    joined += separator;
  }
  return text_left(joined, text_length(joined) - text_length(separator));
}

Text merge_cookies(Text& cookies, Text& new_cookies) {
  cookies = strip_spaces(cookies);
  new_cookies = strip_spaces(new_cookies);

  // The merged list grows while the old pairs are checked against it, so a second
  // old pair of a name already taken over is skipped too.
  TextList merged = split_text(new_cookies, ";");
  for (const Text& old_pair : split_text(cookies, ";")) {
    if (!list_has_name(merged, pair_name(old_pair))) list_append(merged, old_pair);
  }

  Text joined;
  for (const Text& pair : merged) {
    if (text_right(pair, 8) == "=deleted") continue;
    joined += pair;
    joined += "; ";
  }
  cookies = join_unique(text_left(joined, text_length(joined) - 2), "; ");
  return cookies;
}

}  // namespace dorvane
