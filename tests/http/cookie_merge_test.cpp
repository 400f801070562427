#include "http/cookie_merge.h"

#include <gtest/gtest.h>

namespace dorvane {
namespace {

TEST(CookieMerge, MergesNewPairsIntoTheCallersText) {
  struct Case {
    const char* cookies;
    const char* new_cookies;
    const char* merged;
    const char* new_after;
  };
  const Case cases[] = {
      // The worked examples.
      {"", "", "", ""},
      {"a=1; b=2", "b=3", "b=3; a=1", "b=3"},
      {"a=1; b=2", "c=3; d=4", "c=3; d=4; a=1; b=2", "c=3;d=4"},
      {"a=1; b=2", "a=deleted", "b=2", "a=deleted"},
      {"a=1; a=2", "", "a=1", ""},
      {"", "a=1; a=1", "a=1", "a=1;a=1"},
      {"", "a=1; a=2", "a=1; a=2", "a=1;a=2"},
      {"a=x y", "", "a=xy", ""},
      // A bare word is its own name and stays unless a new pair carries it.
      {"flag; a=1", "b=2", "b=2; flag; a=1", "b=2"},
      {"flag; a=1", "flag=on", "flag=on; a=1", "flag=on"},
      // Names and the deletion word compare exactly.
      {"A=1", "a=2", "a=2; A=1", "a=2"},
      {"a=1", "a=Deleted", "a=Deleted", "a=Deleted"},
      {"", "a=b=deleted; c=1", "c=1", "a=b=deleted;c=1"},
      // An empty element between two ";" survives as an empty pair.
      {"a=1;;b=2", "", "a=1; ; b=2", ""},
      // Ideographic spaces go as well.
      {"a=1;\xA1\xA1"
       "b=2",
       "", "a=1; b=2", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "[" << c.cookies << "] + [" << c.new_cookies << "]");
    Text cookies = c.cookies;
    Text new_cookies = c.new_cookies;
    const Text result = merge_cookies(cookies, new_cookies);
    EXPECT_EQ(result, c.merged);
    EXPECT_EQ(cookies, c.merged);
    EXPECT_EQ(new_cookies, c.new_after);
  }
}

TEST(CookieMerge, PairNamesAndUniqueJoins) {
  EXPECT_EQ(pair_name(" a =1"), "a");
  EXPECT_EQ(pair_name("a=b=c"), "a");
  EXPECT_EQ(pair_name(" word "), "word");
  EXPECT_EQ(pair_name(""), "");

  const TextList list = {"x=1", " y =2", "z"};
  EXPECT_TRUE(list_has_name(list, "y"));
  EXPECT_TRUE(list_has_name(list, "z"));
  EXPECT_FALSE(list_has_name(list, "Y"));
  EXPECT_FALSE(list_has_name({}, ""));

  EXPECT_EQ(join_unique("", ","), "");
  EXPECT_EQ(join_unique("x,y,x", ","), "x,y");
  EXPECT_EQ(join_unique("a; b; a; c; b", "; "), "a; b; c");
  EXPECT_EQ(join_unique("a,,b,,a", ","), "a,,b");
}

}  // namespace
}  // namespace dorvane
