// Code page 936 to and from UTF-8 and UTF-16, including what the code page lacks
// and malformed input.
#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <thread>

#include "core/codepage.h"

namespace dorvane {
namespace {

std::string utf8(std::u8string_view s) { return std::string(s.begin(), s.end()); }

TEST(Codepage, Cp936ToUnicode) {
  struct Case {
    std::string cp936;
    std::u8string want8;
    std::u16string want16;
  } cases[] = {
      {"", u8"", u""},
      {"a\xD6\xD0\xCE\xC4", u8"a中文", u"a中文"},
      {"\xA1\xA1", u8"\u3000", u"\u3000"},
      {"\xD5\x5Cu", u8"誠u", u"誠u"},
      {"ab\x81", u8"ab\uFFFD", u"ab\uFFFD"},      // a lone lead byte at the end
      {"\x81\x20x", u8"\uFFFD x", u"\uFFFD x"},   // a lead byte without a valid trail byte
      {"\xFF" "a", u8"\uFFFD" "a", u"\uFFFD" "a"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(cp936_to_utf8(c.cp936), utf8(c.want8)) << c.cp936;
    EXPECT_TRUE(cp936_to_utf16(c.cp936) == c.want16) << c.cp936;
  }
}

TEST(Codepage, UnicodeToCp936) {
  struct Case {
    std::u8string text;
    std::string want;
  } cases[] = {
      {u8"", ""},
      {u8"a中文", "a\xD6\xD0\xCE\xC4"},
      {u8"\u00DF", "?"},                  // sharp s: not in code page 936
      {u8"x\U0001F600y", "x?y"},          // outside the BMP: one "?"
      {u8"下载完毕", "下载完毕"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(utf8_to_cp936(utf8(c.text)), c.want);
  }
  struct Malformed {
    std::string text, want;
  } malformed[] = {
      {"a\xFF" "b", "a?b"},
      {"a\xE4\xB8", "a?"},       // cut short at the end
      {"\xC0\xAF" "b", "??b"},   // overlong
  };
  for (const Malformed& c : malformed) EXPECT_EQ(utf8_to_cp936(c.text), c.want) << c.text;
  EXPECT_EQ(utf16_to_cp936(u"a\u00DF\U0001F600中"), "a??中");
  EXPECT_EQ(utf16_to_cp936(std::u16string{u'a', char16_t{0xD800}, u'b'}), "a?b");  // lone surrogate
}

TEST(Codepage, LongTextsRoundTripOnEveryThread) {
  std::string text;
  for (int i = 0; i < 50000; ++i) text += "a中\xA1\xA1";
  auto round_trip = [&] { return utf8_to_cp936(cp936_to_utf8(text)) == text &&
                                 utf16_to_cp936(cp936_to_utf16(text)) == text; };
  bool other_thread = false;
  std::thread worker([&] { other_thread = round_trip(); });
  worker.join();
  EXPECT_TRUE(round_trip());
  EXPECT_TRUE(other_thread);
}

}  // namespace
}  // namespace dorvane
