// Numbers read from texts and printed as texts.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "core/text.h"

namespace dorvane {
namespace {

TEST(ToNumber, ReadsTheLeadingDecimalNumber) {
  struct Case {
    std::string text;
    double want;
  } cases[] = {
      {"\xA3\xB1\xA3\xB2\xA3\xAE\xA3\xB5", 12.5},  // full-width "12.5"
      {"1e3", 1000},
      {"10239/123456", 10239},
      {" 123", 123},
      {"", 0},
      {"abc", 0},
      {"\t\r\n-2.5x", -2.5},
      {"\xA1\xA1+7", 7},  // the ideographic space becomes a space first
      {"1e", 1},
      {"1e+", 1},
      {"2E-2", 0.02},
      {".5", 0.5},
      {"5.", 5},
      {"-", 0},
      {"0x10", 0},
      {"inf", 0},
      {"nan", 0},
  };
  for (const Case& c : cases) EXPECT_DOUBLE_EQ(to_number(c.text), c.want) << c.text;
  EXPECT_EQ(to_number("1e999"), std::numeric_limits<double>::infinity());
}

TEST(ToInt, ReadsTheLeadingDecimalInteger) {
  struct Case {
    std::string text;
    std::int32_t want;
  } cases[] = {
      {"8080", 8080},       {"80a", 80},         {" -5", -5},         {"", 0},
      {"+12", 12},          {"3.9", 3},          {"x1", 0},           {"\xA3\xB8\xA3\xB0", 80},
      {"2147483647", 2147483647},                {"2147483648", -2147483647 - 1},  // wraps
      {"4294967297", 1},
  };
  for (const Case& c : cases) EXPECT_EQ(to_int(c.text), c.want) << c.text;
}

TEST(ToText, NumbersAndBytes) {
  struct Case {
    Text got, want;
  } cases[] = {
      {to_text(0), "0"},
      {to_text(-1), "-1"},
      {to_text(std::int32_t{-2147483647 - 1}), "-2147483648"},
      {to_text(0.1), "0.1"},
      {to_text(20479.0), "20479"},
      {to_text(10239.5), "10239.5"},
      {to_text(-1.0), "-1"},
      {to_text(1e15), "1e+015"},
      {to_text(1e13), "1e+013"},
      {to_text(9999999999999.0), "9999999999999"},
      {to_text(0.0001), "0.0001"},
      {to_text(0.00001), "1e-005"},
      {to_text(1.5e200), "1.5e+200"},
      {to_text(2.0 / 3.0), "0.6666666666667"},
      {to_text(Bytes{0x61, 0x62, 0x00, 0x63}), "ab"},
      {to_text(Bytes{0x61, 0x62}), "ab"},
      {to_text(Bytes{}), ""},
  };
  for (const Case& c : cases) EXPECT_EQ(c.got, c.want);
}

TEST(TruncateToInt, TowardZeroLowThirtyTwoBits) {
  const double inf = std::numeric_limits<double>::infinity();
  struct Case {
    double x;
    std::int32_t want;
  } cases[] = {
      {99.99, 99},  {-0.5, 0},      {2.9, 2},   {-2.9, -2},
      {inf, 0},     {-inf, 0},      {NAN, 0},   {3000000000.0, -1294967296},
      {4294967296.0 + 5, 5},        {-4294967296.0 - 5, -5},
      {9.3e18, 0},  {-9.3e18, 0},   // beyond the 64-bit range
      {-9223372036854775808.0, 0},  // -2^63 is in range; its low 32 bits are 0
  };
  for (const Case& c : cases) EXPECT_EQ(truncate_to_int(c.x), c.want) << c.x;
  const double zero = 0;
  EXPECT_EQ(truncate_to_int(1 / zero), 0);
}

}  // namespace
}  // namespace dorvane
