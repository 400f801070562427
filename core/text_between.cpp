// Cutting a value out of a text by the markers around it.
#include "core/text.h"

namespace dorvane {
namespace {

// Markers write a double quote as this token, so that they can be written without one.
constexpr std::string_view kQuoteToken = "#引号";

}  // namespace

Text text_between(std::string_view text, std::string_view left_marker,
                  std::string_view right_marker, std::optional<std::int32_t> start,
                  bool ignore_case) {
  const Text left = replace_text(left_marker, kQuoteToken, "\"");
  const Text right = replace_text(right_marker, kQuoteToken, "\"");
  const std::int32_t p = find_text(text, left, start.value_or(0), ignore_case);
  if (p == -1) return {};
  const std::int32_t c = p + text_length(left);
  const std::int32_t q = find_text(text, right, c, ignore_case);
  if (q == -1) return {};
  return text_mid(text, c, q - c);
}

}  // namespace dorvane
