// find_text, find_text_last, replace_text and split_text: the documented cases, a
// comparison with a plain character-by-character scan on random double-byte
// texts, and a 10 MB text full of trail bytes that look like the pattern.
#include <gtest/gtest.h>

#include <optional>
#include <random>
#include <string>

#include "core/text.h"

namespace dorvane {
namespace {

using std::nullopt;
using Opt = std::optional<std::int32_t>;

// '誠' is D5 5C: its trail byte is a backslash. '丄' is 81 41: its trail byte is 'A'.
const std::string kCheng = "\xD5\x5C";
const std::string kShang = "\x81\x41";

TEST(FindText, Cases) {
  struct Case {
    std::string text, pattern;
    Opt start;
    bool ignore_case;
    std::int32_t want;
  } cases[] = {
      {kCheng + "u", "\\u", nullopt, false, -1},  // no match on a trail byte
      {kCheng + "u\\u", "\\u", nullopt, false, 4},
      {kCheng + "u", "\\u", 2, false, 2},  // a start on a trail byte is taken literally
      {kShang, "a", nullopt, true, -1},
      {"x" + kShang + "A", "a", nullopt, true, 4},
      {"abc", "", nullopt, false, 1},
      {"", "", nullopt, false, -1},
      {"abc", "", 3, false, 1},  // an empty pattern is found at 1, not at start
      {"abc", "", 4, false, -1},
      {"abc", "c", 4, false, -1},
      {"abcabc", "c", 4, false, 6},
      {"abcabc", "a", 0, false, 1},
      {"abcabc", "a", -7, false, 1},
      {"ABC", "b", nullopt, true, 2},
      {"ABC", "b", nullopt, false, -1},
      {"abc", "abcd", nullopt, false, -1},
      {"ab\x81", "\x81", nullopt, false, 3},  // a lone lead byte at the end still compares
      {"\x81" "a", "a", nullopt, false, -1},   // ...but a lead byte swallows the next one
  };
  for (const Case& c : cases) {
    EXPECT_EQ(find_text(c.text, c.pattern, c.start, c.ignore_case), c.want)
        << c.text << " / " << c.pattern;
  }
}

TEST(FindTextLast, Cases) {
  struct Case {
    std::string text, pattern;
    Opt start;
    std::int32_t want;
  } cases[] = {
      {"a.b.c", ".", nullopt, 4}, {"a.b.c", ".", 4, 2},  {"a.b.c", ".", 1, -1},
      {"a.b.c", ".", 5, 4},       {"a.b.c", ".", 99, 4}, {"a.b.c", "", nullopt, 1},
      {"a.b.c", "", 1, -1},       {"", "", nullopt, -1}, {"aaa", "aa", nullopt, 2},  // overlapping
      {"\\u" + kCheng + "u", "\\u", nullopt, 1},
      {"a.b", "a.b", 3, -1},  // must end before start
      {"a.b", "a.b", 4, 1},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(find_text_last(c.text, c.pattern, c.start), c.want) << c.text << " / " << c.pattern;
  }
}

TEST(ReplaceText, Cases) {
  struct Case {
    std::string text, find, replacement;
    Opt start, count;
    bool case_sensitive;
    std::string want;
  } cases[] = {
      {"aAa", "a", "b", nullopt, nullopt, true, "bAb"},
      {"aAa", "a", "b", nullopt, nullopt, false, "bbb"},
      {"aAa", "a", "b", nullopt, 1, true, "bAa"},
      {"aAa", "a", "b", nullopt, 0, true, "aAa"},
      {"aAa", "a", "b", nullopt, -1, true, "aAa"},
      {"aAa", "", "b", nullopt, nullopt, true, "aAa"},
      {"", "a", "b", nullopt, nullopt, true, ""},
      {"aaa", "a", "b", 2, nullopt, true, "abb"},
      {"aaa", "a", "b", 4, nullopt, true, "aaa"},
      {"aaaa", "aa", "a", nullopt, nullopt, true, "aa"},  // no overlap, no rescan
      {"ab", "a", "aa", nullopt, nullopt, true, "aab"},
      {kCheng + "u\\u", "\\u", "X", nullopt, nullopt, true, kCheng + "uX"},
      {kShang + "a", "A", "-", nullopt, nullopt, false, kShang + "-"},
      {"ab\x81", "b", "", nullopt, nullopt, true, "a"},      // a lone lead byte the scan reaches goes
      {"ab\x81", "x", "", nullopt, nullopt, true, "ab"},
      {"ab\x81", "bx", "", nullopt, nullopt, true, "ab\x81"},  // the scan stops before it
      {"ab\x81", "a", "", nullopt, 1, true, "b\x81"},        // the rest after the count is copied
  };
  for (const Case& c : cases) {
    EXPECT_EQ(replace_text(c.text, c.find, c.replacement, c.start, c.count, c.case_sensitive),
              c.want)
        << c.text << " / " << c.find;
  }
}

TEST(SplitText, Cases) {
  struct Case {
    std::string text, separator;
    Opt max_pieces;
    TextList want;
  } cases[] = {
      {"a,,b", ",", nullopt, {"a", "", "b"}},
      {",a,", ",", nullopt, {"", "a"}},
      {"", ",", nullopt, {}},
      {"abc", "", nullopt, {"abc"}},
      {"abc", ",", nullopt, {"abc"}},
      {"a,b,c", ",", 2, {"a", "b"}},
      {"a,b", ",", 5, {"a", "b"}},
      {"a,b", ",", 0, {}},
      {"a,b", ",", -3, {}},
      {"h: 1\r\nx: 2\r\n", "\r\n", nullopt, {"h: 1", "x: 2"}},
      {"a" + kCheng + "\\b", "\\", nullopt, {"a" + kCheng, "b"}},
      {"a,b\x81", ",", nullopt, {"a", "b\x81"}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(split_text(c.text, c.separator, c.max_pieces), c.want) << c.text;
  }
}

// The scans written out one character at a time, as plainly as possible.
std::size_t next_char(const std::string& t, std::size_t c) {
  if (static_cast<unsigned char>(t[c]) < 0x80) return c + 1;
  return c + 1 < t.size() ? c + 2 : std::string::npos;
}

bool same(const std::string& t, std::size_t at, const std::string& p, bool fold) {
  for (std::size_t i = 0; i < p.size(); ++i) {
    char a = t[at + i], b = p[i];
    if (fold) {
      if (a >= 'A' && a <= 'Z') a += 32;
      if (b >= 'A' && b <= 'Z') b += 32;
    }
    if (a != b) return false;
  }
  return true;
}

std::int32_t plain_find(const std::string& t, const std::string& p, Opt start, bool fold) {
  const std::size_t s = start ? std::max(*start - 1, 0) : 0;
  if (s >= t.size()) return -1;
  if (p.empty()) return 1;
  for (std::size_t c = s; c != std::string::npos && t.size() - c >= p.size(); c = next_char(t, c)) {
    if (same(t, c, p, fold)) return static_cast<std::int32_t>(c + 1);
  }
  return -1;
}

std::int32_t plain_find_last(const std::string& t, const std::string& p, Opt start) {
  std::size_t w = t.size();
  if (start) w = *start <= 1 ? 0 : std::min<std::size_t>(*start - 1, t.size());
  if (p.empty()) return w > 0 ? 1 : -1;
  std::int32_t last = -1;
  for (std::size_t c = 0; c != std::string::npos && c + p.size() <= w; c = next_char(t, c)) {
    if (same(t, c, p, false)) last = static_cast<std::int32_t>(c + 1);
  }
  return last;
}

std::string plain_replace(const std::string& t, const std::string& f, const std::string& r,
                          Opt start, Opt count, bool exact) {
  const std::size_t s = start ? std::max(*start - 1, 0) : 0;
  std::int32_t left = count ? std::max(*count, 0) : -1;
  if (t.empty() || f.empty() || s >= t.size() || left == 0) return t;
  std::string out = t.substr(0, s);
  std::size_t c = s;
  while (t.size() - c >= f.size()) {
    if (same(t, c, f, !exact)) {
      out += r;
      c += f.size();
      if (left > 0 && --left == 0) break;
      continue;
    }
    const std::size_t n = next_char(t, c);
    if (n == std::string::npos) return out;
    out += t.substr(c, n - c);
    c = n;
  }
  return out + t.substr(c);
}

TextList plain_split(const std::string& t, const std::string& sep) {
  TextList out;
  if (t.empty()) return out;
  if (sep.empty()) return {t};
  std::size_t piece = 0, c = 0;
  while (c != std::string::npos && t.size() - c >= sep.size()) {
    if (same(t, c, sep, false)) {
      out.push_back(t.substr(piece, c - piece));
      c = piece = c + sep.size();
    } else {
      c = next_char(t, c);
    }
  }
  if (piece < t.size()) out.push_back(t.substr(piece));
  return out;
}

TEST(TextScans, AgreeWithPlainScanOnRandomDoubleByteTexts) {
  // Bytes chosen to make trail bytes look like pattern bytes.
  const std::string alphabet = "aAu\\, \xD5\xA1\x81";
  std::mt19937 random(936);
  auto pick = [&](std::size_t max_length) {
    std::string s(random() % (max_length + 1), ' ');
    for (char& c : s) c = alphabet[random() % alphabet.size()];
    return s;
  };
  for (int i = 0; i < 20000; ++i) {
    const std::string text = pick(14), pattern = pick(3), other = pick(2);
    const Opt start = random() % 3 == 0 ? nullopt : Opt(static_cast<int>(random() % 18) - 2);
    const Opt count = random() % 2 == 0 ? nullopt : Opt(static_cast<int>(random() % 4) - 1);
    const bool flag = random() % 2 == 0;
    SCOPED_TRACE(::testing::Message() << '"' << text << "\" \"" << pattern << "\" start "
                                      << start.value_or(99) << " count " << count.value_or(99));
    ASSERT_EQ(find_text(text, pattern, start, flag), plain_find(text, pattern, start, flag));
    ASSERT_EQ(find_text_last(text, pattern, start), plain_find_last(text, pattern, start));
    ASSERT_EQ(replace_text(text, pattern, other, start, count, flag),
              plain_replace(text, pattern, other, start, count, flag));
    ASSERT_EQ(split_text(text, pattern), plain_split(text, pattern));
  }
}

TEST(TextScans, TenMegabytesOfLookAlikeTrailBytes) {
  // Each unit holds a false "\u" on the trail byte of '誠' and a true one later.
  const std::string unit = kCheng + "uab\\u,";
  const std::int32_t units = 10 * 1024 * 1024 / static_cast<std::int32_t>(unit.size());
  std::string text, replaced;
  for (std::int32_t i = 0; i < units; ++i) {
    text += unit;
    replaced += kCheng + "uabX,";
  }
  const auto size = static_cast<std::int32_t>(unit.size());

  EXPECT_EQ(find_text(text, "\\u"), 6);
  EXPECT_EQ(find_text(text, "\\u", 7), size + 6);
  EXPECT_EQ(find_text(text, "\\ua"), -1);  // a false candidate in every unit
  EXPECT_EQ(find_text(text, "\\Ua", nullopt, true), -1);
  EXPECT_EQ(find_text_last(text, "\\u"), (units - 1) * size + 6);
  EXPECT_EQ(replace_text(text, "\\u", "X"), replaced);
  EXPECT_EQ(replace_text(text, "\\U", "X", nullopt, nullopt, false), replaced);
  const TextList pieces = split_text(text, ",");
  ASSERT_EQ(list_count(pieces), units);
  EXPECT_EQ(pieces.front(), kCheng + "uab\\u");
  EXPECT_EQ(pieces.back(), kCheng + "uab\\u");
}

}  // namespace
}  // namespace dorvane
