// Byte buffers and text lists. Positions outside a list are fatal (fatal_error_test).
#include <gtest/gtest.h>

#include <optional>

#include "core/text.h"

namespace dorvane {
namespace {

using std::nullopt;

TEST(Bytes, CutJoinCompare) {
  const Bytes three{1, 2, 3};
  EXPECT_EQ(bytes_left(three, 100), three);
  EXPECT_EQ(bytes_left(three, 2), (Bytes{1, 2}));
  EXPECT_TRUE(bytes_left(three, -1).empty());
  EXPECT_TRUE(blank_bytes(0).empty());
  EXPECT_EQ(blank_bytes(3), (Bytes{0, 0, 0}));
  EXPECT_EQ(bytes_length(three), 3);
  EXPECT_EQ(concat_bytes({three, Bytes{}, Bytes{0}}), (Bytes{1, 2, 3, 0}));
  EXPECT_TRUE(concat_bytes({Bytes{}, Bytes{}}).empty());
  EXPECT_TRUE(compare_bytes({}, {}));
  EXPECT_TRUE(compare_bytes(three, Bytes{1, 2, 3}));
  EXPECT_FALSE(compare_bytes(three, Bytes{1, 2}));
  EXPECT_FALSE(compare_bytes(three, Bytes{1, 2, 4}));
  EXPECT_EQ(text_to_bytes("a中"), (Bytes{0x61, 0xD6, 0xD0}));
  EXPECT_TRUE(text_to_bytes("").empty());
}

TEST(Bytes, Replace) {
  struct Case {
    Bytes bytes, find, replacement;
    std::optional<std::int32_t> start, count;
    Bytes want;
  } cases[] = {
      {{0x0D, 0x0D, 0x41}, {0x0D}, {}, nullopt, 1, {0x0D, 0x41}},
      {{0x0D, 0x0D, 0x41}, {0x0D}, {}, nullopt, nullopt, {0x41}},
      {{0x0D, 0x0D, 0x41}, {0x0D}, {}, nullopt, -1, {0x0D, 0x0D, 0x41}},
      {{0x0D, 0x0D, 0x41}, {0x0D}, {}, 2, nullopt, {0x0D, 0x41}},
      {{0xD5, 0x5C, 0x00}, {0x5C, 0x00}, {9}, nullopt, nullopt, {0xD5, 9}},  // no character stepping
      {{1, 1, 1, 1}, {1, 1}, {2}, nullopt, nullopt, {2, 2}},
      {{1, 2}, {}, {3}, nullopt, nullopt, {1, 2}},
      {{}, {1}, {3}, nullopt, nullopt, {}},
      {{1, 2}, {1}, {7, 8}, 3, nullopt, {1, 2}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(replace_bytes(c.bytes, c.find, c.replacement, c.start, c.count), c.want);
  }
}

TEST(TextList, AppendCountItemFind) {
  TextList list;
  EXPECT_EQ(list_count(list), 0);
  EXPECT_EQ(list_find(list, ""), -1);
  list_append(list, "a");
  list_append(list, "");
  list_append(list, "中");
  list_append(list, "a");
  EXPECT_EQ(list_count(list), 4);
  EXPECT_EQ(list_item(list, 1), "a");
  EXPECT_EQ(list_item(list, 4), "a");
  EXPECT_EQ(list_find(list, "a"), 1);
  EXPECT_EQ(list_find(list, ""), 2);  // the empty text is an element like any other
  EXPECT_EQ(list_find(list, "中"), 3);
  EXPECT_EQ(list_find(list, "A"), -1);
}

}  // namespace
}  // namespace dorvane
