#include "core/clock.h"

#include <gtest/gtest.h>
#include <time.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <optional>
#include <string>

namespace dorvane {
namespace {

constexpr double kDay = 86400;
constexpr double k2015_01_26 = 42030;  // days since 1899-12-30

double at_time(double day, int hour, int minute, int second) {
  return day + (hour * 3600 + minute * 60 + second) / kDay;
}

TEST(Clock, DatetimeToTextShortensTheTimeAndClamps) {
  struct Case {
    double datetime;
    Text text;
  };
  const Case cases[] = {
      {at_time(k2015_01_26, 14, 5, 9), "2015年1月26日14时5分9秒"},
      {at_time(k2015_01_26, 14, 5, 0), "2015年1月26日14时5分"},
      {at_time(k2015_01_26, 14, 0, 0), "2015年1月26日14时"},
      {at_time(k2015_01_26, 0, 0, 0), "2015年1月26日"},
      {at_time(k2015_01_26, 0, 0, 7), "2015年1月26日0时0分7秒"},
      {at_time(k2015_01_26, 23, 59, 59) + 0.4 / kDay, "2015年1月26日23时59分59秒"},
      {k2015_01_26 + 1 - 0.4 / kDay, "2015年1月27日"},  // rounds up to the next midnight
      {42429, "2016年2月29日"},
      {0, "1899年12月30日"},
      {-1.25, "1899年12月29日6时"},  // before the epoch the fraction still runs forward
      {-0.25, "1899年12月30日6时"},
      {2958465, "9999年12月31日"},
      {2958465.75, "9999年12月31日"},  // later than the last day: clamped to its midnight
      {1e12, "9999年12月31日"},
      {-657434, "100年1月1日"},
      {-657433.5, "100年1月2日12时"},
      {-1e12, "100年1月1日"},
      {std::numeric_limits<double>::infinity(), "9999年12月31日"},
      {std::numeric_limits<double>::quiet_NaN(), "1899年12月30日"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.datetime);
    EXPECT_EQ(datetime_to_text(c.datetime), c.text);
  }
}

TEST(Clock, MakeDatetimeCountsDaysFromTheEpoch) {
  struct Case {
    int year, month, day, hour, minute, second;
    double datetime;
  };
  const Case cases[] = {
      {2015, 1, 26, 14, 5, 9, at_time(k2015_01_26, 14, 5, 9)},
      {1970, 1, 1, 0, 0, 0, 25569},
      {1900, 3, 1, 0, 0, 0, 61},
      {1899, 12, 30, 0, 0, 0, 0},
      {1899, 12, 29, 6, 0, 0, -1.25},
      {100, 1, 1, 0, 0, 0, -657434},
      {9999, 12, 31, 0, 0, 0, 2958465},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.datetime);
    EXPECT_NEAR(make_datetime(c.year, c.month, c.day, c.hour, c.minute, c.second), c.datetime,
                1e-9);
  }
}

TEST(Clock, UptimeWrapsLikeASigned32BitCounter) {
  struct Case {
    std::uint64_t milliseconds;
    std::int32_t counter;
  };
  const Case cases[] = {
      {0, 0},           {2147483647, 2147483647}, {2147483648, -2147483647 - 1},
      {4294967295, -1}, {4294967296, 0},          {4294967296 + 1234, 1234},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.milliseconds);
    EXPECT_EQ(wrap_uptime_ms(c.milliseconds), c.counter);
  }

  const auto monotonic_ms = [] {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<std::uint32_t>(static_cast<std::uint64_t>(t.tv_sec) * 1000 +
                                      static_cast<std::uint64_t>(t.tv_nsec) / 1000000);
  };
  const std::uint32_t before = monotonic_ms();
  const auto uptime = static_cast<std::uint32_t>(uptime_ms());
  const std::uint32_t after = monotonic_ms();
  EXPECT_LE(uptime - before, after - before);  // in between, modulo 2^32
}

class ScopedTimeZone {
 public:
  explicit ScopedTimeZone(const char* zone) {
    if (const char* old = std::getenv("TZ")) old_ = old;
    setenv("TZ", zone, 1);
    tzset();
  }
  ~ScopedTimeZone() {
    if (old_) {
      setenv("TZ", old_->c_str(), 1);
    } else {
      unsetenv("TZ");
    }
    tzset();
  }

 private:
  std::optional<std::string> old_;
};

TEST(Clock, NowIsLocalTimeInWholeSeconds) {
  struct Case {
    const char* zone;
    long offset_seconds;  // local time minus UTC
  };
  const Case cases[] = {{"UTC0", 0}, {"CST-8", 8 * 3600}, {"EST5", -5 * 3600}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.zone);
    ScopedTimeZone zone(c.zone);
    const time_t before = time(nullptr);
    const double value = now();
    const time_t after = time(nullptr);
    const double seconds = (value - 25569) * kDay;  // since 1970-01-01 00:00 local
    EXPECT_NEAR(seconds, std::round(seconds), 1e-3);
    EXPECT_GE(std::llround(seconds) - c.offset_seconds, before);
    EXPECT_LE(std::llround(seconds) - c.offset_seconds, after);
  }
}

}  // namespace
}  // namespace dorvane
