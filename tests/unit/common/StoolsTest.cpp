#include <gtest/gtest.h>

#include <climits>
#include <stdexcept>
#include <string>
#include <vector>

#include "common/Stools.h"

namespace brivak {
namespace {

struct ReplaceCase {
  std::string search, replacement, text, expected;
};

TEST(StoolsReplaceIt, CaseSensitiveLeftToRightWithoutOverlap) {
  const std::vector<ReplaceCase> cases = {
      {"a", "b", "banana", "bbnbnb"}, {"aa", "x", "aaaaa", "xxa"},  // no overlap, scanned left to right
      {"A", "x", "banana", "banana"},                               // case counts
      {"an", "", "banana", "ba"},     {"a", "aa", "aa", "aaaa"},    // the replacement is not scanned again
      {"", "x", "text", "text"},                                    // empty search: nothing to find
      {"abc", "x", "ab", "ab"},       {"C:\\app\\", "", "C:\\app\\layouts\\C:\\app\\x", "layouts\\x"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ReplaceIt(c.search, c.replacement, c.text), c.expected) << c.search << " in " << c.text;
  }
}

TEST(StoolsReplaceIt4, IgnoresAsciiCase) {
  const std::vector<ReplaceCase> cases = {
      {"%TIME%", "10:00", "now %time% or %Time%", "now 10:00 or 10:00"},
      {"ab", "-", "xAbyaBz", "x-y-z"},
      {"\xC3\xA9", "e", "caf\xC3\xA9", "cafe"},  // UTF-8 bytes compare as they are
      {"", "x", "abc", "abc"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ReplaceIt4(c.search, c.replacement, c.text), c.expected) << c.search << " in " << c.text;
  }
}

TEST(StoolsGetStuffBetween, Table) {
  struct Case {
    std::string text, start, end, expected;
  };
  const std::vector<Case> cases = {
      {"<a>x</a>", "<a>", "</a>", "x"},
      {"no marks here", "<a>", "</a>", "no marks here"},  // start mark missing: unchanged
      {"<a>open ended", "<a>", "</a>", "open ended"},     // no end mark: rest kept whole
      {"</a>before<a>x</a>", "<a>", "</a>", "x"},         // end mark searched after the start
      {"<a>1</a><a>2</a>", "<a>", "</a>", "1"},           // first of each
      {"abc", "", "c", "ab"},                             // empty start mark: from the beginning
      {"<a>x</a>", "<a>", "", "x</a>"},                   // empty end mark never matches
      {"", "<a>", "</a>", ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(GetStuffBetween(c.text, c.start, c.end), c.expected) << c.text;
  }
}

TEST(StoolsSplitDelimitedText, KeepsEmptyPiecesAndTheLastPiece) {
  struct Case {
    std::string text, delimiter;
    std::vector<std::string> expected;
  };
  const std::vector<Case> cases = {
      {"a,b,c", ",", {"a", "b", "c"}},
      {"a,,c", ",", {"a", "", "c"}},
      {"a,", ",", {"a", ""}},
      {",a", ",", {"", "a"}},
      {"", ",", {""}},
      {"a||b", "||", {"a", "b"}},
      {"abc", "", {"abc"}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(SplitDelimitedText(c.text, c.delimiter), c.expected) << c.text;
  }
}

TEST(StoolsFormatInt, GroupsThousandsWithComma) {
  const std::vector<std::pair<long long, std::string>> cases = {
      {0, "0"},
      {999, "999"},
      {1000, "1,000"},
      {12345, "12,345"},
      {999999, "999,999"},
      {1000000, "1,000,000"},
      {-1234, "-1,234"},
      {LLONG_MIN, "-9,223,372,036,854,775,808"},
  };
  for (const auto& [value, expected] : cases) EXPECT_EQ(FormatInt(value), expected) << value;
}

TEST(StoolsSecondsToTimeStr, UsesTheLargestNonZeroUnit) {
  const std::vector<std::pair<long long, std::string>> cases = {
      {0, "0 sec"},
      {59, "59 sec"},
      {60, "1 min 0 sec"},
      {3599, "59 min 59 sec"},
      {3600, "1 hrs 0 min 0 sec"},
      {3725, "1 hrs 2 min 5 sec"},
      {86399, "23 hrs 59 min 59 sec"},
      {86400, "1 days 0 hrs 0 min 0 sec"},
      {90000, "1 days 1 hrs 0 min 0 sec"},
      {86401, "1 days 0 hrs 0 min 1 sec"},
      {-5, "0 sec"},
  };
  for (const auto& [seconds, expected] : cases) EXPECT_EQ(SecondsToTimeStr(seconds), expected) << seconds;
}

TEST(StoolsBoolToStr, LowerCaseWords) {
  EXPECT_EQ(BoolToStr(true), "true");
  EXPECT_EQ(BoolToStr(false), "false");
}

TEST(StoolsValidEmail, Table) {
  const std::vector<std::pair<std::string, bool>> cases = {
      {"robert@example.com", true},
      {"first.last@mail.example.org", true},
      {"a-b@x-y.co", true},
      {"a@b--c.de", true},  // hyphens in a row inside a part
      {"a@b1.c2", true},
      {"\"john doe\"@example.com", true},
      {"\"a\\\"b\"@example.com", true},  // escaped quote inside a quoted string
      {"\"x\".y@example.com", true},
      {"j\xC3\xB6rg@example.com", true},  // UTF-8 bytes are atom characters
      {"robert@localhost", false},        // domain without a dot
      {"robert@example.com-", false},     // ends in "-"
      {"robert@example.com.", false},     // ends in "."
      {"a..b@example.com", false},        // two dots in a row in the local part
      {".a@example.com", false},
      {"a.@example.com", false},
      {"a@1example.com", false},  // a domain part starts with a letter
      {"a@example.-com", false},
      {"a@example..com", false},
      {"a b@example.com", false},
      {"a@b@example.com", false},
      {"a(b)@example.com", false},
      {"a\x7F@example.com", false},
      {"\"a\rb\"@example.com", false},  // CR inside quotes
      {"\"open@example.com", false},    // quote never closed
      {"@example.com", false},
      {"a@", false},
      {"", false},
  };
  for (const auto& [text, expected] : cases) EXPECT_EQ(ValidEmail(text), expected) << text;
}

TEST(StoolsHTTPEncode, Table) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"a b-1", "a+b-%31"},
      {"*-.@_AZaz", "*-.@_AZaz"},
      {"0189", "%30%31%38%39"},
      {"a&b=c/d?", "a%26b%3Dc%2Fd%3F"},
      {"%", "%25"},
      {"\xC3\xA9", "%C3%A9"},
      {std::string("\0\n", 2), "%00%0A"},
      {"", ""},
  };
  for (const auto& [text, expected] : cases) EXPECT_EQ(HTTPEncode(text), expected) << text;
}

TEST(StoolsLocalPathToURL, Table) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"/home/x", "file:///home/x"},
      {"/home/x/page one.html", "file:///home/x/page one.html"},
      {"C:\\Program Files\\Brivak\\a.html", "file:///C:/Program Files/Brivak/a.html"},
      {"\\\\server\\share", "file:////server/share"},
      {"rel/a.html", "file:///rel/a.html"},
  };
  for (const auto& [path, expected] : cases) EXPECT_EQ(LocalPathToURL(path), expected) << path;
}

TEST(StoolsNoPathOrExt, Table) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"C:\\Windows\\System32\\ssbez.scr", "ssbez"},
      {"/usr/lib/savers/ssbez.scr", "ssbez"},
      {"mixed/dir\\name.txt", "name"},
      {"ssbez.scr", "ssbez"},
      {"/dir/archive.tar.gz", "archive.ta"},  // always four characters off
      {"/dir/.scr", ""},
      {"/dir/ab", ""},
      {"/dir/", ""},
  };
  for (const auto& [path, expected] : cases) EXPECT_EQ(NoPathOrExt(path), expected) << path;
}

TEST(StoolsAppPaths, FactorOutAndInsert) {
  EXPECT_EQ(FactorOutAppPath("/opt/brivak/layouts/simple.ini", "/opt/brivak/"), "layouts/simple.ini");
  EXPECT_EQ(FactorOutAppPath("/opt/brivak/x/opt/brivak/y", "/opt/brivak/"), "xy");
  EXPECT_EQ(FactorOutAppPath("/OPT/BRIVAK/x", "/opt/brivak/"), "/OPT/BRIVAK/x");  // case-sensitive
  EXPECT_EQ(FactorOutAppPath("/a/b", ""), "/a/b");
  EXPECT_EQ(InsertAppData("Logs/x.txt", "/home/u/.local/share/Brivak 3.0/"),
            "/home/u/.local/share/Brivak 3.0/Logs/x.txt");
}

TEST(StoolsGetCommaText, FieldsOfAFontText) {
  const std::string font = ",Tahoma,8,,clLime,1,";
  const std::vector<std::pair<int, std::string>> cases = {
      {0, ""}, {1, "Tahoma"}, {2, "8"}, {3, ""}, {4, "clLime"}, {5, "1"}, {6, ""}, {7, ""}, {20, ""},
  };
  for (const auto& [n, expected] : cases) EXPECT_EQ(GetCommaText(font, n), expected) << n;
  EXPECT_EQ(GetCommaText(",Tahoma,8", 2), "8");  // no closing comma: the rest
  EXPECT_EQ(GetCommaText("a,b", 2), "");         // fewer commas than asked for
}

TEST(StoolsStrToInt, WholeDecimalOnly) {
  const std::vector<std::pair<std::string, int>> good = {
      {"0", 0},
      {"5", 5},
      {"0005", 5},
      {"+7", 7},
      {"-12", -12},
      {"2147483647", INT_MAX},
      {"-2147483648", INT_MIN},
  };
  for (const auto& [text, value] : good) EXPECT_EQ(StrToInt(text), value) << text;
  const std::vector<std::string> bad = {
      "",    " 5",   "5 ",  "5-tr", "+",          "-",           "--5",
      "+-5", "0x10", "$10", "1.0",  "2147483648", "-2147483649", "99999999999999999999"};
  for (const auto& text : bad) {
    EXPECT_THROW(StrToInt(text), std::invalid_argument) << text;
    EXPECT_EQ(StrToIntDef(text, -77), -77) << text;
  }
}

TEST(StoolsFontText, DefaultFontWritesTheDefaultText) {
  EXPECT_EQ(GetFontID(FontSpec{}), ",Tahoma,8,,clLime,1,");
}

TEST(StoolsFontText, RoundTripsEveryStyleCombination) {
  for (int bits = 0; bits < 16; ++bits) {
    FontSpec font{"Courier New", 12, (bits & 1) != 0, (bits & 2) != 0, (bits & 4) != 0, (bits & 8) != 0,
                  "$00303030",   0};
    FontSpec read;
    SetFontFromID(read, GetFontID(font));
    EXPECT_EQ(read, font) << GetFontID(font);
  }
  FontSpec all{"Arial", 10, true, true, true, true, "clRed", 1};
  EXPECT_EQ(GetFontID(all), ",Arial,10,bius,clRed,1,");
}

TEST(StoolsFontText, StyleLettersCountAnywhereAndClearOthers) {
  FontSpec font{"Old", 30, true, true, true, true, "clBlack", 2};
  SetFontFromID(font, ",Verdana,9,sxb,16777215,0,");
  EXPECT_EQ(font, (FontSpec{"Verdana", 9, true, false, false, true, "16777215", 0}));
}

TEST(StoolsFontText, MalformedNumbersThrowAndLeaveTheFont) {
  const std::vector<std::string> bad = {",Tahoma,big,,clLime,1,", ",Tahoma,8,,clLime,x,",
                                        ",Tahoma,,,clLime,1,", "", "Tahoma"};
  for (const auto& text : bad) {
    FontSpec font{"Keep", 11, false, true, false, false, "clBlue", 1};
    const FontSpec before = font;
    EXPECT_THROW(SetFontFromID(font, text), std::invalid_argument) << text;
    EXPECT_EQ(font, before) << text;
  }
}

}  // namespace
}  // namespace brivak

namespace brivak {
namespace {

TEST(StoolsSmall, HexDigitValueAndTrailingSlash) {
  EXPECT_EQ(HexDigitValue('0'), 0);
  EXPECT_EQ(HexDigitValue('9'), 9);
  EXPECT_EQ(HexDigitValue('a'), 10);
  EXPECT_EQ(HexDigitValue('F'), 15);
  for (char c : {'g', 'G', '/', ':', '@', ' ', '\0'}) EXPECT_EQ(HexDigitValue(c), -1) << int(c);
  EXPECT_EQ(WithTrailingSlash("/a/b"), "/a/b/");
  EXPECT_EQ(WithTrailingSlash("/a/b/"), "/a/b/");
  EXPECT_EQ(WithTrailingSlash(""), "");
}

}  // namespace
}  // namespace brivak
