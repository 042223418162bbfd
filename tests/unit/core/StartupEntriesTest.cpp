#include "proj/core/StartupEntries.h"

#include <gtest/gtest.h>

namespace brivak::core {
namespace {

TEST(StartupEntries, ExecArgumentsAreQuotedByTheDesktopEntryRules) {
  struct Case {
    const char* path;
    const char* exec;
  };
  const Case cases[] = {
      {"/usr/bin/brivak3", R"("/usr/bin/brivak3")"},
      {"/opt/My Apps/brivak3", R"("/opt/My Apps/brivak3")"},
      // '"', '`' and '$' get one backslash; the string-value escape then doubles every backslash.
      {R"(/opt/a"b/brivak3)", R"("/opt/a\\"b/brivak3")"},
      {"/opt/a`b$c/brivak3", R"("/opt/a\\`b\\$c/brivak3")"},
      // A literal backslash ends up as four.
      {R"(/opt/a\b/brivak3)", R"("/opt/a\\\\b/brivak3")"},
      // '%' starts a field code: doubled.
      {"/opt/100%/brivak3", R"("/opt/100%%/brivak3")"},
      {"/opt/a\nb", R"("/opt/a\nb")"},
  };
  for (const auto& c : cases) EXPECT_EQ(DesktopEntryQuote(c.path), c.exec) << c.path;
}

TEST(StartupEntries, TheAutostartEntryStartsTheProgramWithRunkeyAndCanBeHidden) {
  const std::string shown = AutostartEntryText("/opt/My Apps/brivak3", false);
  EXPECT_TRUE(shown.starts_with("[Desktop Entry]\n"));
  EXPECT_NE(shown.find("\nType=Application\n"), std::string::npos);
  EXPECT_NE(shown.find("\nExec=\"/opt/My Apps/brivak3\" -runkey\n"), std::string::npos);
  EXPECT_EQ(shown.find("Hidden="), std::string::npos);
  const std::string hidden = AutostartEntryText("/opt/My Apps/brivak3", true);
  EXPECT_NE(hidden.find("\nHidden=true\n"), std::string::npos);
  EXPECT_NE(hidden.find("\nExec=\"/opt/My Apps/brivak3\" -runkey\n"), std::string::npos);
}

TEST(StartupEntries, TheUserUnitQuotesItsCommandForSystemd) {
  EXPECT_EQ(SystemdQuote("/opt/My Apps/brivak3"), R"("/opt/My Apps/brivak3")");
  EXPECT_EQ(SystemdQuote(R"(/opt/a"b\c%d$e)"), R"("/opt/a\"b\\c%%d$$e")");
  const std::string unit = UserUnitText("/opt/My Apps/brivak3");
  EXPECT_NE(unit.find("\nExecStart=\"/opt/My Apps/brivak3\" -runkey\n"), std::string::npos);
  EXPECT_NE(unit.find("\n[Install]\nWantedBy=graphical-session.target\n"), std::string::npos);
  EXPECT_NE(unit.find("\nPartOf=graphical-session.target\n"), std::string::npos);
}

TEST(StartupEntries, EachModeSaysWhatItDoes) {
  struct Case {
    int mode;
    StartupEntryKind kind;
    const char* words;
  };
  for (const auto& c : {Case{0, StartupEntryKind::kHiddenEntry, "hidden"},
                        Case{1, StartupEntryKind::kAutostart, "autostart entry"},
                        Case{2, StartupEntryKind::kNone, "no start-up entry"},
                        Case{3, StartupEntryKind::kUserUnit, "brivak3.service"},
                        Case{4, StartupEntryKind::kNone, "no start-up entry"},
                        Case{-7, StartupEntryKind::kNone, "no start-up entry"}}) {
    EXPECT_EQ(StartupEntryFor(c.mode), c.kind) << c.mode;
    const std::string text = StartupModeDescription(c.mode);
    EXPECT_TRUE(text.starts_with("StartupMode " + std::to_string(c.mode) + ":")) << text;
    EXPECT_NE(text.find(c.words), std::string::npos) << text;
  }
}

}  // namespace
}  // namespace brivak::core
