// Lists of texts addressed by 1-based position.
#include "core/fatal_error.h"
#include "core/text.h"

namespace dorvane {

std::int32_t list_count(const TextList& list) { return static_cast<std::int32_t>(list.size()); }

const Text& list_item(const TextList& list, std::int32_t position) {
  if (position < 1) fatal_error(kIndexBelowOneCode, kIndexBelowOneMessage);
  if (position > list_count(list)) fatal_error(kIndexAboveCountCode, kIndexAboveCountMessage);
  return list[static_cast<std::size_t>(position) - 1];
}

void list_append(TextList& list, std::string_view text) { list.emplace_back(text); }

std::int32_t list_find(const TextList& list, std::string_view text) {
  for (std::size_t i = 0; i < list.size(); ++i) {
    if (compare_text(list[i], text) == 0) return static_cast<std::int32_t>(i + 1);
  }
  return -1;
}

}  // namespace dorvane
