#include "core/clock.h"

#include <time.h>

#include <cmath>
#include <string>

namespace dorvane {
namespace {

constexpr std::int64_t kUnixEpochDay = 25569;  // 1970-01-01 as a date-time value
constexpr double kLatest = 2958465;            // 9999-12-31 00:00:00
constexpr double kEarliest = -657434;          // 0100-01-01 00:00:00
constexpr std::int64_t kSecondsPerDay = 86400;

// Days since 1970-01-01 of a proleptic Gregorian date (H. Hinnant's algorithm).
std::int64_t days_from_civil(std::int64_t year, int month, int day) {
  year -= month <= 2;
  const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
  const std::int64_t year_of_era = year - era * 400;
  const std::int64_t day_of_year = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
  const std::int64_t day_of_era =
      year_of_era * 365 + year_of_era / 4 - year_of_era / 100 + day_of_year;
  return era * 146097 + day_of_era - 719468;
}

struct CivilDate {
  std::int64_t year;
  int month;
  int day;
};

CivilDate civil_from_days(std::int64_t days) {
  days += 719468;
  const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
  const std::int64_t day_of_era = days - era * 146097;
  const std::int64_t year_of_era =
      (day_of_era - day_of_era / 1460 + day_of_era / 36524 - day_of_era / 146096) / 365;
  const std::int64_t day_of_year =
      day_of_era - (365 * year_of_era + year_of_era / 4 - year_of_era / 100);
  const std::int64_t month_index = (5 * day_of_year + 2) / 153;
  const int day = static_cast<int>(day_of_year - (153 * month_index + 2) / 5 + 1);
  const int month = static_cast<int>(month_index < 10 ? month_index + 3 : month_index - 9);
  return {year_of_era + era * 400 + (month <= 2), month, day};
}

}  // namespace

std::int32_t wrap_uptime_ms(std::uint64_t milliseconds) {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(milliseconds));
}

std::int32_t uptime_ms() {
  timespec since_boot{};
  clock_gettime(CLOCK_MONOTONIC, &since_boot);
  return wrap_uptime_ms(static_cast<std::uint64_t>(since_boot.tv_sec) * 1000 +
                        static_cast<std::uint64_t>(since_boot.tv_nsec) / 1000000);
}

double make_datetime(int year, int month, int day, int hour, int minute, int second) {
  const double days = static_cast<double>(days_from_civil(year, month, day) + kUnixEpochDay);
  const double time_of_day = (hour * 3600.0 + minute * 60.0 + second) / kSecondsPerDay;
  // Before 1899-12-30 the fraction is added to the day's count away from zero.
  return days < 0 && time_of_day > 0 ? days - time_of_day : days + time_of_day;
}

double now() {
  const time_t seconds = time(nullptr);
  tm local{};
  localtime_r(&seconds, &local);
  return make_datetime(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                       local.tm_min, local.tm_sec);
}

Text datetime_to_text(double datetime) {
  if (std::isnan(datetime)) datetime = 0;  // no calendar day: show the epoch, not garbage
  if (datetime > kLatest) datetime = kLatest;
  if (datetime < kEarliest) datetime = kEarliest;

  const double whole = std::trunc(datetime);
  std::int64_t days = static_cast<std::int64_t>(whole);
  std::int64_t seconds = std::llround(std::fabs(datetime - whole) * kSecondsPerDay);
  if (seconds == kSecondsPerDay) {  // rounded up to the next midnight
    ++days;
    seconds = 0;
  }
  const CivilDate date = civil_from_days(days - kUnixEpochDay);
  const auto hour = seconds / 3600;
  const auto minute = seconds / 60 % 60;
  const auto second = seconds % 60;

  Text text = std::to_string(date.year) + "年" + std::to_string(date.month) + "月" +
              std::to_string(date.day) + "日";
  if (second != 0) {
    text +=
        std::to_string(hour) + "时" + std::to_string(minute) + "分" + std::to_string(second) + "秒";
  } else if (minute != 0) {
    text += std::to_string(hour) + "时" + std::to_string(minute) + "分";
  } else if (hour != 0) {
    text += std::to_string(hour) + "时";
  }
  return text;
}

}  // namespace dorvane
