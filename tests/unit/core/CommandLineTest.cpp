#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "proj/core/CommandLine.h"

namespace brivak::core {
namespace {

using Args = std::vector<std::string>;
using Flag = bool StartOptions::*;

const std::vector<std::pair<std::string, Flag>> kAllFlags = {
    {"noprompt", &StartOptions::noprompt},
    {"runoncekey", &StartOptions::runoncekey},
    {"runkey", &StartOptions::runkey},
    {"runTray", &StartOptions::runTray},
    {"killOnClose", &StartOptions::killOnClose},
    {"SAVE_DEBUG", &StartOptions::SAVE_DEBUG},
    {"SHOW_DEBUG", &StartOptions::SHOW_DEBUG},
    {"secure_parameter", &StartOptions::secure_parameter},
    {"halt", &StartOptions::halt},
};

// Names of the flags that are set.
std::set<std::string> SetFlags(const StartOptions& options) {
  std::set<std::string> names;
  for (const auto& [name, flag] : kAllFlags) {
    if (options.*flag) names.insert(name);
  }
  return names;
}

StartOptions Parse(const Args& args, std::set<std::string> existing = {}) {
  return CheckParameters(args, [existing](const std::string& path) { return existing.count(path) > 0; });
}

TEST(CommandLineNormalise, LowerCaseAndOnlyALeadingSlashBecomesADash) {
  EXPECT_EQ(NormaliseParameters({"/TRAY", "-NoPrompt", "/home/Robert/x.html", "a/b"}),
            "-tray-noprompt-home/robert/x.htmla/b");
  EXPECT_EQ(JoinParameters({"/TRAY", "-NoPrompt", "/home/Robert/x.html"}),
            "/TRAY-NoPrompt/home/Robert/x.html");
  EXPECT_EQ(NormaliseParameters({}), "");
  EXPECT_EQ(NormaliseParameters({"", "/"}), "-");
}

TEST(CommandLineFlags, EachSwitchSetsItsFlagOnly) {
  struct Case {
    Args args;
    std::set<std::string> expected;
  };
  const std::vector<Case> cases = {
      {{}, {}},
      {{"-noprompt"}, {"noprompt"}},
      {{"-ro"}, {"runoncekey"}},
      {{"-runkey"}, {"runkey"}},
      {{"-runtray"}, {"runTray"}},
      {{"-tray"}, {"runTray"}},
      {{"-killonclose"}, {"killOnClose"}},
      {{"-savedebug"}, {"SAVE_DEBUG"}},
      {{"-showdebug"}, {"SHOW_DEBUG"}},
      {{"-secure"}, {"secure_parameter"}},
      {{"-halt"}, {"halt"}},
      {{"/tray"}, {"runTray"}},                           // slash instead of dash
      {{"-TRAY", "/NOPROMPT"}, {"runTray", "noprompt"}},  // capitals
      {{"/ro"}, {"runoncekey"}},
      {{"/R"}, {}},  // "-r" is no switch
      {{"/r"}, {}},
      {{"/p", "12345"}, {}},
      {{"-noprompt-tray"}, {"noprompt", "runTray"}},  // two switches in one parameter
      {{"C:\\My-Robot\\x"}, {"runoncekey"}},          // "-ro" inside a longer word counts
      {{"-runkey", "-showdebug", "-secure"}, {"runkey", "SHOW_DEBUG", "secure_parameter"}},
  };
  for (const auto& c : cases) {
    const StartOptions options = Parse(c.args);
    EXPECT_EQ(SetFlags(options), c.expected) << NormaliseParameters(c.args);
    EXPECT_EQ(options.paramstring, NormaliseParameters(c.args));
  }
}

TEST(CommandLineFlags, HaltAsksForADebugLine) {
  EXPECT_EQ(Parse({"/HALT"}).debugLines, Args{"received halt message"});
  EXPECT_TRUE(Parse({"-tray"}).debugLines.empty());
}

TEST(CommandLineGoto, ExistingFileIsTakenWithItsCase) {
  const StartOptions options =
      Parse({"-goto", "/home/Robert/Layouts/X.html"}, {"/home/Robert/Layouts/X.html"});
  ASSERT_TRUE(options.LayOutToLoad.has_value());
  EXPECT_EQ(*options.LayOutToLoad, "/home/Robert/Layouts/X.html");
  EXPECT_FALSE(options.runoncekey);  // "/robert" inside the path is no "-ro"
  EXPECT_TRUE(options.consoleLines.empty());
}

TEST(CommandLineGoto, ValueGluedToTheSwitchAndSlashSwitch) {
  const StartOptions glued = Parse({"-goto/srv/a.slf"}, {"/srv/a.slf"});
  EXPECT_EQ(glued.LayOutToLoad, std::optional<std::string>("/srv/a.slf"));
  const StartOptions slashed = Parse({"/GOTO", "/srv/a.slf"}, {"/srv/a.slf"});
  EXPECT_EQ(slashed.LayOutToLoad, std::optional<std::string>("/srv/a.slf"));
}

TEST(CommandLineGoto, AddressAcceptedWithoutAFile) {
  const StartOptions options = Parse({"-tray", "-goto", "http://Example.com/Page.html"});
  EXPECT_EQ(options.LayOutToLoad, std::optional<std::string>("http://Example.com/Page.html"));
  EXPECT_TRUE(options.runTray);
  EXPECT_TRUE(options.consoleLines.empty());
}

TEST(CommandLineGoto, FollowingParametersAreGluedAndTheFileIsNotFound) {
  const StartOptions options = Parse({"-goto", "/srv/a.slf", "-tray"}, {"/srv/a.slf"});
  EXPECT_FALSE(options.LayOutToLoad.has_value());
  EXPECT_EQ(options.consoleLines, Args{"Error: Specified URL not found"});
  EXPECT_TRUE(options.runTray);
}

TEST(CommandLineGoto, MissingFileOrEmptyValueReportsOnTheConsole) {
  for (const Args& args : {Args{"-goto", "/nowhere.slf"}, Args{"-goto"}}) {
    const StartOptions options = Parse(args);
    EXPECT_FALSE(options.LayOutToLoad.has_value());
    EXPECT_EQ(options.consoleLines, Args{"Error: Specified URL not found"});
  }
  EXPECT_TRUE(Parse({"-tray"}).consoleLines.empty());  // no "-goto", no line
}

TEST(CommandLineGoto, ValueIsCutAt365CharactersAfterTheFirstGoto) {
  const std::string longPath = "/" + std::string(400, 'x');
  std::string seen;
  const StartOptions options =
      CheckParameters({"-goto", longPath, "-goto", "/other"}, [&](const std::string& path) {
        seen = path;
        return true;
      });
  EXPECT_EQ(seen, longPath.substr(0, 365));
  EXPECT_EQ(options.LayOutToLoad, std::optional<std::string>(longPath.substr(0, 365)));
}

TEST(CommandLineRunFor, FourCharactersAsAWholeInteger) {
  struct Case {
    Args args;
    int minutes;
  };
  const std::vector<Case> cases = {
      {{"-runfor", "5"}, 5},           // last parameters
      {{"-runfor", "5", "-tray"}, 0},  // "5-tr" is no number
      {{"-runfor", "0005", "-tray"}, 5},
      {{"-runfor5"}, 5},
      {{"/RUNFOR", "120"}, 120},
      {{"-runfor", "9999"}, 9999},
      {{"-runfor", "12345"}, 1234},  // only four characters are read
      {{"-runfor", " 5"}, 0},        // no blanks
      {{"-runfor", "+5"}, 5},
      {{"-runfor", "-5"}, 0},  // negative: never
      {{"-runfor"}, 0},
      {{"-tray"}, 0},
  };
  for (const auto& c : cases) EXPECT_EQ(Parse(c.args).runForMinutes, c.minutes) << JoinParameters(c.args);
}

}  // namespace
}  // namespace brivak::core
