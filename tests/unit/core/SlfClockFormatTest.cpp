#include "proj/core/SlfClockFormat.h"

#include <gtest/gtest.h>

#include <string>

#include "LogTestSupport.h"

namespace brivak::core {
namespace {

using logtest::At;

TEST(SlfClockFormat, TokensOfTheClockLabels) {
  const platform::LocalTime afternoon = At(2026, 3, 7, 14, 5, 9, 6);  // Saturday
  const platform::LocalTime morning = At(2009, 12, 25, 0, 30, 0, 5);  // Friday, 00:30
  struct Case {
    std::string pattern;
    platform::LocalTime time;
    std::string text;
  };
  const Case cases[] = {
      {std::string(kSlfDefaultClockFormat), afternoon, "2:05:09 pm"},
      {std::string(kSlfDefaultClockFormat), morning, "12:30:00 am"},
      {"hh:nn:ss", afternoon, "14:05:09"},
      {"h:n:s", afternoon, "14:5:9"},
      {"hh:nn AM/PM", afternoon, "02:05 PM"},
      {"h a/p", morning, "12 a"},
      {"h Am/Pm", afternoon, "2 Pm"},
      {"d/m/yy", afternoon, "7/3/26"},
      {"dd.mm.yyyy", afternoon, "07.03.2026"},
      {"ddd, mmm d", afternoon, "Sat, Mar 7"},
      {"dddd mmmm", morning, "Friday December"},
      {"hh:mm", afternoon, "14:05"},  // m after an hour is the minute
      {"HH:NN", afternoon, "14:05"},
      {"\"Time:\" h 'h'", afternoon, "Time: 14 h"},
      {"[h]!", afternoon, "[14]!"},
      {"", afternoon, ""},
  };
  for (const Case& c : cases) EXPECT_EQ(FormatSlfClock(c.pattern, c.time), c.text) << c.pattern;
}

TEST(SlfClockFormat, NonsenseClockValuesGiveNoNames) {
  const platform::LocalTime broken = At(2026, 13, 1, 1, 2, 3, 9);
  EXPECT_EQ(FormatSlfClock("mmm|dddd|", broken), "||");
}

}  // namespace
}  // namespace brivak::core
