// Cutting, blanks, case folding, joining and comparing texts.
#include <gtest/gtest.h>

#include <string>

#include "core/text.h"

namespace dorvane {
namespace {

const std::string kIdeographicSpace = "\xA1\xA1";
const std::string kShang = "\x81\x41";  // '丄': its trail byte is 'A'

TEST(TextCut, ByExactByteCounts) {
  struct Case {
    Text got, want;
  } cases[] = {
      {text_left("中文", 1), "\xD6"},  // a count may split a character
      {text_left("abc", 0), ""},
      {text_left("abc", -2), ""},
      {text_left("abc", 10), "abc"},
      {text_right("abc", 1), "c"},
      {text_right("abc", 10), "abc"},
      {text_right("abc", 0), ""},
      {text_mid("abcde", 2, 3), "bcd"},
      {text_mid("abcde", 4, 10), "de"},
      {text_mid("abcde", 5, 1), "e"},
      {text_mid("abcde", 6, 1), ""},
      {text_mid("abcde", 0, 2), ""},
      {text_mid("abcde", 2, 0), ""},
  };
  for (const Case& c : cases) EXPECT_EQ(c.got, c.want);
  EXPECT_EQ(text_length("中文"), 4);
  EXPECT_EQ(text_length(""), 0);
}

TEST(Blanks, TrimAndStrip) {
  struct Case {
    std::string text, trimmed, stripped;
  } cases[] = {
      {" \t a \t ", "\t a \t", "\ta\t"},  // tabs are not blanks
      {kIdeographicSpace + "文" + kIdeographicSpace, "文", "文"},
      {"a b" + kIdeographicSpace + "c", "a b" + kIdeographicSpace + "c", "abc"},
      {"   ", "", ""},
      {"", "", ""},
      {" a \x81", "a ", "a"},  // a lone lead byte at the end goes, blanks before it stay
      {" \xA1", "", ""},
      {"\xA1 a", "\xA1 a", "\xA1 a"},  // A1 20 is one character, not a blank
      {"a\r\n", "a\r\n", "a\r\n"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(trim_text(c.text), c.trimmed) << c.text;
    EXPECT_EQ(strip_spaces(c.text), c.stripped) << c.text;
  }
}

TEST(ToLower, FoldsOnlyAsciiLettersOutsideDoubleByteCharacters) {
  EXPECT_EQ(to_lower("ABC" + kShang), "abc" + kShang);
  EXPECT_EQ(to_lower("Http://X.Y/[Z]"), "http://x.y/[z]");
  EXPECT_EQ(to_lower("AB\x81"), "ab\x81");  // a lone lead byte is kept
}

TEST(TextMisc, CharBlankConcatCompare) {
  EXPECT_EQ(char_from_code(0), "");
  EXPECT_EQ(char_from_code(65), "A");
  EXPECT_EQ(char_from_code(0x141), "A");  // the low byte
  EXPECT_EQ(char_from_code(256), "");     // a zero byte never enters a text
  EXPECT_EQ(blank_text(0), "");
  EXPECT_EQ(blank_text(-1), "");
  EXPECT_EQ(blank_text(3), "   ");
  EXPECT_EQ(concat_text({}), "");
  EXPECT_EQ(concat_text({"a", "", "中", "b"}), "a中b");

  struct Case {
    std::string a, b;
    int want;
  } cases[] = {
      {"", "", 0},      {"a", "a", 0},   {"a", "b", -1},   {"b", "a", 1},
      {"ab", "a", 1},   {"a", "ab", -1}, {"a", "A", 1},    {"\x80", "a", 1},  // bytes are unsigned
      {"中", "中", 0},
  };
  for (const Case& c : cases) EXPECT_EQ(compare_text(c.a, c.b), c.want) << c.a << " / " << c.b;
}

TEST(ToHalfWidth, Table) {
  struct Case {
    std::string text, want;
  } cases[] = {
      {"\xA3\xA1\xA3\xB1\xA3\xC1\xA3\xFE", "!1A~"},
      {kIdeographicSpace + "\xA1\xAB\xA1\xEE\xA1\xEF", " ~**"},
      {"中a\xA3\xA0", "中a\xA3\xA0"},  // outside the table: unchanged
      {"x\xA3", "x\xA3"},
      {"", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(to_half_width(c.text), c.want) << c.text;
}

}  // namespace
}  // namespace dorvane
