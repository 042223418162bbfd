#include <gtest/gtest.h>

#include <filesystem>
#include <stdexcept>
#include <string>

#include "LogTestSupport.h"
#include "proj/core/RemoteFiles.h"
#include "support/ParamNames.h"

namespace brivak::core {
namespace {

namespace fs = std::filesystem;
using logtest::WriteFile;

class RemoteFilesTest : public ::testing::Test {
 protected:
  std::string AppData() const { return dir_.Folder(); }
  std::string Logs() const { return dir_.Folder() + "Logs/"; }
  void Touch(const std::string& path, const std::string& content = "x") {
    fs::create_directories(fs::path(path).parent_path());
    WriteFile(path, content);
  }
  brivak::test::TempDir dir_;
};

TEST_F(RemoteFilesTest, LinesAreEndedByCrLf) {
  const std::string path = AppData() + "f.txt";
  const std::vector<std::pair<std::string, std::string>> table = {{"", ""},
                                                                  {"a", "a\r\n"},
                                                                  {"a\r\nb", "a\r\nb\r\n"},
                                                                  {"a\nb\n", "a\r\nb\r\n"},
                                                                  {"a\rb\r\n\r\nc", "a\r\nb\r\n\r\nc\r\n"},
                                                                  {"\n", "\r\n"}};
  for (const auto& [content, expected] : table) {
    WriteFile(path, content);
    EXPECT_EQ(ReadLinesCrLf(path), expected);
    EXPECT_EQ(FileToString(path), expected);
  }
  EXPECT_EQ(ReadLinesCrLf(AppData() + "none.txt"), std::nullopt);
  EXPECT_EQ(FileToString(AppData() + "none.txt"), "file not found");
  EXPECT_THROW(ReadLinesCrLf(dir_.Folder()), std::runtime_error);  // a folder cannot be read
}

struct DateCase {
  const char* text;
  int year, month, day;  // year 0: not a date
};

class RemoteShortDateTest : public ::testing::TestWithParam<DateCase> {};

TEST_P(RemoteShortDateTest, ParsesStrictly) {
  const DateCase& c = GetParam();
  const auto parsed = ParseShortDate(c.text);
  if (c.year == 0) {
    EXPECT_EQ(parsed, std::nullopt) << c.text;
    return;
  }
  ASSERT_TRUE(parsed.has_value()) << c.text;
  EXPECT_EQ(parsed->year, c.year);
  EXPECT_EQ(parsed->month, c.month);
  EXPECT_EQ(parsed->day, c.day);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RemoteShortDateTest,
    ::testing::Values(
        DateCase{"12/9/2026", 2026, 12, 9}, DateCase{"1/1/2027", 2027, 1, 1},
        DateCase{"01/09/2026", 2026, 1, 9}, DateCase{"2/29/2028", 2028, 2, 29},
        DateCase{"2/29/2000", 2000, 2, 29}, DateCase{"12/31/9999", 9999, 12, 31},
        DateCase{"2/29/2027", 0, 0, 0}, DateCase{"2/29/1900", 0, 0, 0}, DateCase{"4/31/2026", 0, 0, 0},
        DateCase{"13/1/2026", 0, 0, 0}, DateCase{"0/1/2026", 0, 0, 0}, DateCase{"1/0/2026", 0, 0, 0},
        DateCase{"1/1/26", 0, 0, 0}, DateCase{"1/1/02026", 0, 0, 0}, DateCase{"001/1/2026", 0, 0, 0},
        DateCase{"1/1/2026 ", 0, 0, 0}, DateCase{" 1/1/2026", 0, 0, 0}, DateCase{"1-1-2026", 0, 0, 0},
        DateCase{"1/1/0000", 0, 0, 0}, DateCase{"", 0, 0, 0}, DateCase{"../../etc/passwd", 0, 0, 0},
        DateCase{"1/1/2026/..", 0, 0, 0}, DateCase{"+1/1/2026", 0, 0, 0}),
    brivak::test::NamedBy<DateCase>([](const DateCase& c) { return std::string(c.text); }));

TEST_F(RemoteFilesTest, MonthInfoListsDaysWithLogs) {
  Touch(Logs() + "Feb-01-28.txt");
  Touch(Logs() + "Feb-29-28.txt");  // leap day of 2028
  Touch(Logs() + "Mar-01-28.txt");  // another month
  EXPECT_EQ(LogsGetMonthInfo("2/15/2028", Logs()), "<loglist>1,29,</loglist>");

  Touch(Logs() + "Apr-30-27.txt");
  Touch(Logs() + "May-31-27.txt");
  Touch(Logs() + "Apr-05-27.txt");
  EXPECT_EQ(LogsGetMonthInfo("4/1/2027", Logs()), "<loglist>5,30,</loglist>");
  EXPECT_EQ(LogsGetMonthInfo("5/31/2027", Logs()), "<loglist>31,</loglist>");
  EXPECT_EQ(LogsGetMonthInfo("6/1/2027", Logs()), "<loglist></loglist>");
  EXPECT_EQ(LogsGetMonthInfo("6/1/2027", AppData() + "nofolder"), "<loglist></loglist>");
}

TEST_F(RemoteFilesTest, MonthInfoRejectsBadDates) {
  try {
    LogsGetMonthInfo("2/30/2028", Logs());
    FAIL() << "no exception";
  } catch (const std::runtime_error& e) {
    EXPECT_STREQ(e.what(), "'2/30/2028' is not a valid date");
  }
}

TEST_F(RemoteFilesTest, DaysInMonth) {
  EXPECT_EQ(DaysInMonth(2028, 2), 29);
  EXPECT_EQ(DaysInMonth(2027, 2), 28);
  EXPECT_EQ(DaysInMonth(2100, 2), 28);
  EXPECT_EQ(DaysInMonth(2000, 2), 29);
  EXPECT_EQ(DaysInMonth(2027, 4), 30);
  EXPECT_EQ(DaysInMonth(2027, 12), 31);
}

TEST_F(RemoteFilesTest, LayoutListInItsOrder) {
  const std::string slf = AppData() + "layouts/slf/";
  const std::string html = AppData() + "layouts/html/";
  EXPECT_EQ(LayoutList(AppData()), "");  // no folders
  Touch(slf + "simple.slf");
  Touch(slf + "Big.SLF");
  Touch(slf + "notes.txt");
  Touch(html + "blue.html");
  Touch(html + "a.htm");
  Touch(html + "index.php");
  Touch(html + "x.htmlx");  // two characters beyond "htm"
  Touch(html + "style.css");
  fs::create_directories(html + "dir.html");
  EXPECT_EQ(LayoutList(AppData()), slf + "Big.SLF\r\n" + slf + "simple.slf\r\n" + html + "a.htm\r\n" + html +
                                       "blue.html\r\n" + html + "index.php\r\n");
}

TEST_F(RemoteFilesTest, LayoutPathIsConfinedToTheLayoutFolders) {
  const std::string slf = AppData() + "layouts/slf/";
  const std::string html = AppData() + "layouts/html/";
  Touch(slf + "simple.slf");
  Touch(html + "sub/blue.html");
  Touch(AppData() + "userlist.dat");
  Touch(AppData() + "layouts/other.slf");
  fs::create_directories(AppData() + "layouts/slf-evil");
  Touch(AppData() + "layouts/slf-evil/x.slf");
  fs::create_symlink(AppData() + "userlist.dat", slf + "link.slf");
  fs::create_symlink(slf + "simple.slf", html + "inside-link.html");

  const std::string canonicalSimple = fs::weakly_canonical(slf + "simple.slf").string();
  EXPECT_EQ(ConfineLayoutPath(slf + "simple.slf", AppData()), canonicalSimple);
  EXPECT_EQ(ConfineLayoutPath(html + "sub/blue.html", AppData()),
            fs::weakly_canonical(html + "sub/blue.html").string());
  EXPECT_EQ(ConfineLayoutPath(slf + "./simple.slf", AppData()), canonicalSimple);
  EXPECT_EQ(ConfineLayoutPath(html + "inside-link.html", AppData()), canonicalSimple);

  for (const std::string& bad :
       {slf + "../../userlist.dat", slf + "../slf/simple.slf", AppData() + "userlist.dat",
        AppData() + "layouts/other.slf", AppData() + "layouts/slf-evil/x.slf", slf + "link.slf",
        slf + "missing.slf", slf, html + "sub", std::string("layouts/slf/simple.slf"), std::string(""),
        std::string("/etc/passwd")}) {
    EXPECT_EQ(ConfineLayoutPath(bad, AppData()), std::nullopt) << bad;
  }
}

}  // namespace
}  // namespace brivak::core
