// The millisecond counter and the local date-time.
//
// A date-time value is a count of days since 30 December 1899 00:00 whose
// fraction is the time of day (the OLE automation date). Before that day the
// whole part counts back while the fraction still runs forward: -1.25 is
// 29 December 1899 06:00.
#pragma once

#include <cstdint>

#include "core/text.h"

namespace dorvane {

// Milliseconds since the system started, as a signed 32-bit count: after about
// 24.8 days it continues from -2147483648.
std::int32_t uptime_ms();
// How the counter shows a number of milliseconds: its low 32 bits, taken as signed.
std::int32_t wrap_uptime_ms(std::uint64_t milliseconds);

// The current local date and time in whole seconds.
double now();
// The date-time value of a calendar date and time (proleptic Gregorian calendar).
double make_datetime(int year, int month, int day, int hour, int minute, int second);

// "2015年1月26日14时5分9秒"; the time part is shortened when its trailing fields
// are zero ("14时5分", "14时") and left out at midnight. Values beyond
// 9999-12-31 00:00:00 or before 0100-01-01 are clamped to those days.
Text datetime_to_text(double datetime);

}  // namespace dorvane
