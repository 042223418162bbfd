// The live texts of SLF clock and uptime labels. Pure functions, safe on any thread.
#pragma once

#include <string>
#include <string_view>

#include "platform/Clock.h"

namespace brivak::core {

// The default pattern of clock labels.
inline constexpr std::string_view kSlfDefaultClockFormat = "h:nn:ss am/pm";

// Formats `time` with a date-time pattern. Tokens, letter case ignored: h/hh hour (the 12-hour
// clock when an am/pm or a/p marker follows anywhere in the pattern), n/nn minute, s/ss second,
// d/dd day, ddd/dddd short/long weekday name, m/mm month number (minutes when it follows an hour
// token, as hand-written "hh:mm" patterns expect), mmm/mmmm short/long month name, yy/yyyy year,
// "am/pm" and "a/p" markers written in the letter case of the pattern. Text in double or single
// quotes is copied without the quotes; every other character is copied.
std::string FormatSlfClock(std::string_view pattern, const platform::LocalTime& time);

}  // namespace brivak::core
