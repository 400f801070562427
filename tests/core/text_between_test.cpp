// Cutting values out of texts by the markers around them.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "core/text.h"

namespace dorvane {
namespace {

using std::nullopt;

TEST(TextBetween, Cases) {
  struct Case {
    std::string text, left, right;
    std::optional<std::int32_t> start;
    bool ignore_case;
    std::string want;
  } cases[] = {
      {"abc", "x", "c", nullopt, false, ""},  // left marker absent
      {"a[bc", "[", "]", nullopt, false, ""},  // right marker absent
      {"[x][y]", "[", "]", nullopt, false, "x"},
      {"a]b[c]", "[", "]", nullopt, false, "c"},
      {"a]b[c", "[", "]", nullopt, false, ""},
      {"[]", "[", "]", nullopt, false, ""},
      {"ab[", "[", "]", nullopt, false, ""},
      {"[x][y]", "[", "]", 3, false, "y"},
      {"[x][y]", "[", "]", 7, false, ""},
      {"[x][y]", "[", "]", 0, false, "x"},
      {"[x][y]", "[", "]", -4, false, "x"},
      {"NAME=x;", "name=", ";", nullopt, true, "x"},
      {"NAME=x;", "name=", ";", nullopt, false, ""},
      {"{\"a\": \"b\"}", "#引号a#引号: #引号", "#引号", nullopt, false, "b"},
      {"a#引号b#引号", "#", "#", nullopt, false, "引号b"},  // the searched text keeps its tokens
      {"a\"b\"", "#引号", "#引号", nullopt, false, "b"},
      {"[x]", "[", "", nullopt, false, ""},
      {"ab]cd]", "", "]", 4, false, "ab"},  // empty left marker: found at 1, not at start
      {"ab", "", "]", 3, false, ""},
      // A one-byte marker never matches the trail byte of a double-byte character.
      {"\xD5\x5C" "a\\b\\", "\\", "\\", nullopt, false, "b"},
      {"\x81\x41=\x81\x41=v;", "A=", ";", nullopt, true, ""},
      {"\"name\": \"文件.zip\", \"size\": \"2048\"", "\"name\": \"", "\", ", nullopt, false,
       "文件.zip"},
      {"\"name\": \"文件.zip\", \"size\": \"2048\"", "\"size\": \"", "\"", nullopt, false, "2048"},
      {"Set-Cookie: a=1; path=/", "Set-Cookie:", ";", nullopt, false, " a=1"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(text_between(c.text, c.left, c.right, c.start, c.ignore_case), c.want)
        << c.text << " / " << c.left << " / " << c.right;
  }
}

}  // namespace
}  // namespace dorvane
