// The chunk arithmetic and the judgement of range replies, case by case.
#include "download/transfer_range.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>

namespace dorvane {
namespace {

TEST(TransferRange, RequestValues) {
  struct Case {
    std::int32_t next_start;
    std::int32_t chunk_bytes;
    const char* expected;
  } const cases[] = {
      {0, 20480, "bytes=0-20479"},
      {20480, 20480, "bytes=20480-40959"},
      {40960, 20480, "bytes=40960-61439"},
      {12345, 20480, "bytes=12345-32824"},
      {30000, 20480, "bytes=30000-50479"},
      {0, 261120, "bytes=0-261119"},
      // The end is reckoned in floating point, so it does not wrap at 32 bits.
      {INT_MAX, 4096, "bytes=2147483647-2147487742"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(range_request_value(c.next_start, c.chunk_bytes), c.expected) << c.next_start;
  }
}

TEST(TransferRange, ParsesContentRange) {
  struct Case {
    const char* value;
    bool valid;
    ContentRange expected;
  } const cases[] = {
      {"bytes 0-20479/50000", true, {true, 0, 20479, true, 50000}},
      {"bytes 40960-49999/50000", true, {true, 40960, 49999, true, 50000}},
      {"  Bytes 5-5/6 ", true, {true, 5, 5, true, 6}},
      {"bytes 0-20479/*", true, {true, 0, 20479, false, 0}},
      {"bytes */50000", true, {false, 0, 0, true, 50000}},
      {"bytes */0", true, {false, 0, 0, true, 0}},
      {"bytes */*", false, {}},
      {"bytes 0-20479", false, {}},
      {"bytes 20479-0/50000", false, {}},  // last before first
      {"bytes 0-50000/50000", false, {}},  // last beyond the end
      {"bytes -5-10/50000", false, {}},
      {"bytes 0-9/50000x", false, {}},
      {"bytes=0-9/50000", false, {}},
      {"items 0-9/50000", false, {}},
      {"bytes 0-9/4294967296", false, {}},  // beyond 32 bits
      {"", false, {}},
  };
  for (const Case& c : cases) {
    const std::optional<ContentRange> got = parse_content_range(c.value);
    ASSERT_EQ(got.has_value(), c.valid) << c.value;
    if (!got) continue;
    EXPECT_EQ(got->has_range, c.expected.has_range) << c.value;
    EXPECT_EQ(got->first, c.expected.first) << c.value;
    EXPECT_EQ(got->last, c.expected.last) << c.value;
    EXPECT_EQ(got->has_length, c.expected.has_length) << c.value;
    EXPECT_EQ(got->length, c.expected.length) << c.value;
  }
}

TEST(TransferRange, JudgesReplies) {
  const std::string complete = "下载完毕";
  const std::string unknown = "文件长度未知！";
  const std::string wrong = "服务器返回的数据范围不正确！";
  const std::string larger = "本地文件比服务器上的文件大！";
  struct Case {
    const char* name;
    std::int32_t status;
    const char* content_range;
    std::size_t body;
    TransferCounters before;  // next_start, position, total, percent
    bool append;
    bool report;
    std::string outcome;  // empty: go on
    TransferCounters after;
  };
  // clang-format off
  const Case cases[] = {
      // A 50000-byte file in 20 KB chunks.
      {"first", 206, "bytes 0-20479/50000", 20480, {0, 0, 0, 0},
       true, true, "", {20480, 20480, 50000, 40}},
      {"second", 206, "bytes 20480-40959/50000", 20480, {20480, 20480, 50000, 40},
       true, true, "", {40960, 40960, 50000, 81}},
      {"last", 206, "bytes 40960-49999/50000", 9040, {40960, 40960, 50000, 81},
       true, true, complete, {50000, 50000, 50000, 100}},
      {"resumed", 206, "bytes 30000-49999/50000", 20000, {30000, 30000, 0, 0},
       true, true, complete, {50000, 50000, 50000, 100}},
      {"more than asked", 206, "bytes 0-49999/50000", 50000, {0, 0, 0, 0},
       true, true, complete, {50000, 50000, 50000, 100}},
      // A complete local file: the counters move as the server's */N says (percent 0).
      {"416 complete", 416, "bytes */50000", 0, {50000, 50000, 0, 0},
       false, true, complete, {1, 1, 50000, 0}},
      {"416 empty remote", 416, "bytes */0", 0, {0, 0, 0, 0},
       false, true, complete, {1, 0, 0, 0}},
      {"416 local larger", 416, "bytes */50000", 0, {60000, 60000, 0, 0},
       false, true, larger, {1, 1, 50000, 0}},
      {"416 mid-file", 416, "bytes */50000", 0, {20480, 20480, 50000, 40},
       false, true, wrong, {1, 1, 50000, 0}},
      {"416 no range", 416, "", 0, {0, 0, 0, 0},
       false, true, unknown, {0, 0, 0, 0}},
      {"416 length unknown", 416, "bytes 0-9/*", 0, {0, 0, 0, 0},
       false, true, unknown, {0, 0, 0, 0}},
      // Never complete, never appended without a known length.
      {"no range", 206, "", 20480, {0, 0, 0, 0},
       false, true, unknown, {0, 0, 0, 0}},
      {"no range resumed", 206, "", 20480, {20480, 20480, 50000, 40},
       false, true, unknown, {20480, 20480, 50000, 40}},
      {"length *", 206, "bytes 0-20479/*", 20480, {0, 0, 0, 0},
       false, true, unknown, {0, 0, 0, 0}},
      // Replies that cannot be placed at the end of the file.
      {"same range again", 206, "bytes 0-20479/50000", 20480, {20480, 20480, 50000, 40},
       false, false, wrong, {20480, 20480, 50000, 40}},
      {"starts later", 206, "bytes 40960-49999/50000", 9040, {20480, 20480, 50000, 40},
       false, false, wrong, {20480, 20480, 50000, 40}},
      {"short body", 206, "bytes 0-20479/50000", 20000, {0, 0, 0, 0},
       false, false, wrong, {0, 0, 0, 0}},
      {"long body", 206, "bytes 0-20479/50000", 20481, {0, 0, 0, 0},
       false, false, wrong, {0, 0, 0, 0}},
      {"empty body", 206, "bytes 0-20479/50000", 0, {0, 0, 0, 0},
       false, false, wrong, {0, 0, 0, 0}},
      {"length changed", 206, "bytes 20480-40959/60000", 20480, {20480, 20480, 50000, 40},
       false, false, wrong, {20480, 20480, 50000, 40}},
      {"no first-last", 206, "bytes */50000", 0, {0, 0, 0, 0},
       false, false, wrong, {0, 0, 0, 0}},
      {"malformed", 206, "bytes 0-20479", 20480, {0, 0, 0, 0},
       false, false, wrong, {0, 0, 0, 0}},
  };
  // clang-format on
  for (const Case& c : cases) {
    const RangeReplyJudgement j = judge_range_reply(c.status, c.content_range, c.body, c.before);
    EXPECT_EQ(j.append, c.append) << c.name;
    EXPECT_EQ(j.report, c.report) << c.name;
    EXPECT_EQ(std::string(j.outcome.value_or("")), c.outcome) << c.name;
    EXPECT_EQ(j.after.next_start, c.after.next_start) << c.name;
    EXPECT_EQ(j.after.position, c.after.position) << c.name;
    EXPECT_EQ(j.after.total, c.after.total) << c.name;
    EXPECT_EQ(j.after.percent, c.after.percent) << c.name;
  }
}

TEST(TransferRange, ProgressFigures) {
  struct Percent {
    std::int32_t position, total, expected;
  } const percents[] = {
      {20480, 50000, 40}, {40960, 50000, 81}, {50000, 50000, 100}, {1, 50000, 0}, {7, 0, 0},
  };
  for (const Percent& p : percents) {
    EXPECT_EQ(percent_done(p.position, p.total), p.expected) << p.position << "/" << p.total;
  }

  struct Speed {
    std::int32_t chunk_bytes, elapsed, expected;
  } const speeds[] = {
      {20480, 20, 1000}, {20480, 1, 20000}, {10240, 3, 3333}, {20480, 0, 0}, {4096, 5000, 0},
  };
  for (const Speed& s : speeds) {
    EXPECT_EQ(speed_kb_per_s(s.chunk_bytes, s.elapsed), s.expected) << s.elapsed;
  }

  EXPECT_EQ(elapsed_ms(1000, 1250), 250);
  EXPECT_EQ(elapsed_ms(INT_MAX - 5, INT_MIN + 4), 10);  // across the counter's wrap
}

}  // namespace
}  // namespace dorvane
