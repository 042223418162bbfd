#include "proj/core/LogFormat.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "LogTestSupport.h"
#include "support/ParamNames.h"

namespace brivak::core {
namespace {

using logtest::At;

TEST(LogFormatTest, MonthAbbreviationsAreEnglish) {
  const char* expected[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  for (int m = 1; m <= 12; ++m) EXPECT_EQ(MonthAbbrev(m), expected[m - 1]) << m;
  EXPECT_THROW(MonthAbbrev(0), std::out_of_range);
  EXPECT_THROW(MonthAbbrev(13), std::out_of_range);
}

struct DateCase {
  platform::LocalTime t;
  const char* fileName;
  const char* shortDate;
  const char* longTime;
};

class LogDateFormatTest : public ::testing::TestWithParam<DateCase> {};

TEST_P(LogDateFormatTest, FormatsLikeAnEnglishUsLocale) {
  const DateCase& c = GetParam();
  EXPECT_EQ(DayFileName(c.t), c.fileName);
  EXPECT_EQ(FormatShortDate(c.t), c.shortDate);
  EXPECT_EQ(FormatLongTime(c.t), c.longTime);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LogDateFormatTest,
    ::testing::Values(DateCase{At(2026, 12, 9, 10, 0, 0), "Dec-09-26.txt", "12/9/2026", "10:00:00 AM"},
                      DateCase{At(2027, 1, 1, 0, 0, 0), "Jan-01-27.txt", "1/1/2027", "12:00:00 AM"},
                      DateCase{At(2026, 12, 9, 23, 5, 1), "Dec-09-26.txt", "12/9/2026", "11:05:01 PM"},
                      DateCase{At(2026, 6, 15, 12, 0, 0), "Jun-15-26.txt", "6/15/2026", "12:00:00 PM"},
                      DateCase{At(2026, 6, 15, 0, 30, 5), "Jun-15-26.txt", "6/15/2026", "12:30:05 AM"},
                      DateCase{At(2026, 6, 15, 11, 59, 59), "Jun-15-26.txt", "6/15/2026", "11:59:59 AM"},
                      DateCase{At(2026, 6, 15, 13, 2, 3), "Jun-15-26.txt", "6/15/2026", "1:02:03 PM"},
                      DateCase{At(2000, 10, 31, 1, 0, 9), "Oct-31-00.txt", "10/31/2000", "1:00:09 AM"},
                      DateCase{At(2109, 5, 4, 12, 59, 0), "May-04-09.txt", "5/4/2109", "12:59:00 PM"}),
    brivak::test::NamedBy<DateCase>([](const DateCase& c) { return std::string(c.fileName); }));

TEST(LogFormatTest, HeaderAndStampedLine) {
  const platform::LocalTime t = At(2026, 12, 9, 10, 0, 0);
  EXPECT_EQ(DayFileHeader(t), "-- Brivak3 log file -- created 12/9/2026 10:00:00 AM");
  EXPECT_EQ(StampedLine(t, "Brivak Shutdown"), "[10:00:00 AM] Brivak Shutdown");
  EXPECT_EQ(StampedLine(t, ""), "[10:00:00 AM] ");
}

TEST(LogFormatTest, ControlCharactersBecomeSpaces) {
  struct Case {
    std::string in;
    std::string out;
  };
  const Case cases[] = {
      {"plain text", "plain text"},
      {"user\r\n[10:00:00 AM] forged", "user  [10:00:00 AM] forged"},
      {"tab\there", "tab here"},
      {std::string("nul\0byte", 8), "nul byte"},
      {"\x1b[31mred\x7f", " [31mred "},
      {"\x01\x1f ~", "   ~"},
      {"Gr\xc3\xb6\xc3\x9f" "e \xe2\x82\xac", "Gr\xc3\xb6\xc3\x9f" "e \xe2\x82\xac"},  // UTF-8 kept
  };
  for (const Case& c : cases) EXPECT_EQ(SanitizeLogText(c.in), c.out);
  EXPECT_EQ(StampedLine(At(2026, 1, 2, 3, 4, 5), "a\nb"), "[3:04:05 AM] a b");
}

}  // namespace
}  // namespace brivak::core
