#include "proj/core/ScreenSavers.h"

#include <gtest/gtest.h>

namespace brivak::core {
namespace {

TEST(ScreenSavers, DisplayNameRules) {
  struct Case {
    const char* file;
    const char* label;
    const char* name;
  };
  for (const Case& c : {
           Case{"mystify", "Mystify Screen Saver", "Mystify "},  // the leftover blank stays
           Case{"deco", "Deco", "Deco"},
           Case{"ripples", "", "ripples"},  // no XML label: the file name
           Case{"x", "Bubbles Screensaver", "Bubbles "},
           Case{"x", "Direct3D Flowers", "3D Flowers"},
           Case{"x", "3D Direct3D Pipes", "3D Pipes"},  // Direct3D first, then "3D 3D"
           Case{"x", "screen saver", "screen saver"},   // case-sensitive
           Case{"scrnsave.scr", "", "Blank Screen"},
           Case{"scrnsave.scr", "Something", "Blank Screen"},
           Case{"SCRNSAVE.SCR", "", "SCRNSAVE.SCR"},
       }) {
    EXPECT_EQ(SaverDisplayName(c.file, c.label), c.name) << c.file << " / " << c.label;
  }
}

TEST(ScreenSavers, LabelComesFromTheScreensaverElement) {
  EXPECT_EQ(XmlSaverLabel("<?xml version=\"1.0\"?>\n<screensaver name=\"deco\" _label=\"Deco\">\n<command/>"), "Deco");
  EXPECT_EQ(XmlSaverLabel("<screensaver _label='Fuzzy &amp; Flakes' name=\"f\">"), "Fuzzy & Flakes");
  EXPECT_EQ(XmlSaverLabel("<screensaver name=\"x\">\n<option _label=\"Speed\"/>"), "");
  EXPECT_EQ(XmlSaverLabel(""), "");
}

TEST(ScreenSavers, HelpersOfTheHackPackageAreNoSavers) {
  EXPECT_TRUE(IsHackFileName("galaxy"));
  EXPECT_FALSE(IsHackFileName("xscreensaver-getimage"));
  EXPECT_FALSE(IsHackFileName("xscreensaver-text"));
  EXPECT_FALSE(IsHackFileName(".hidden"));
  EXPECT_TRUE(IsBlankSaver("/usr/lib/xscreensaver/scrnsave.scr"));
  EXPECT_FALSE(IsBlankSaver("/usr/libexec/xscreensaver/deco"));
}

TEST(ScreenSavers, ListFileAddsAndNeverRemoves) {
  const std::string first = AddToScreenSaverList("", {{"Blank Screen", "/s/scrnsave.scr"}, {"Deco", "/h/deco"}});
  EXPECT_EQ(first, "[ScreenSavers]\r\nBlank Screen=/s/scrnsave.scr\r\nDeco=/h/deco\r\n");
  const std::string second = AddToScreenSaverList(first + "Mine=/home/u/mine\r\n", {{"Deco", "/h2/deco"}});
  EXPECT_EQ(second, "[ScreenSavers]\r\nBlank Screen=/s/scrnsave.scr\r\nDeco=/h2/deco\r\nMine=/home/u/mine\r\n");
}

TEST(ScreenSavers, MenuEntriesInFileOrderAndTheFirstPathOfANameWins) {
  const auto entries = ScreenSaversIntoMenu("[ScreenSavers]\r\nBlank Screen=/s/scrnsave.scr\r\nDeco=/h/deco\r\n"
                                            "Deco=/other/deco\r\n\r\n");
  ASSERT_EQ(entries.size(), 3u);
  EXPECT_EQ(entries[0].caption, "Blank Screen");
  EXPECT_EQ(entries[0].name, "screensv0");
  EXPECT_EQ(entries[1].path, "/h/deco");
  EXPECT_EQ(entries[2].path, "/h/deco");
  EXPECT_EQ(entries[2].name, "screensv2");
  EXPECT_TRUE(ScreenSaversIntoMenu("").empty());
}

TEST(ScreenSavers, IdleSaverRule) {
  struct Case {
    const char* name;
    IdleSaverInput in;
    bool met, start, proc, focus, remember;
  };
  for (const Case& c : {
           Case{"NotIdleEnough", {179999, 180, false, false, false, false}, false, false, false, false, false},
           Case{"FirstCheckRecordsTheMouse", {180000, 180, false, true, false, false}, true, false, false, false, false},
           Case{"StillMouseStarts", {181000, 180, false, false, false, false}, true, true, false, false, false},
           Case{"SaverUpSkips", {500000, 180, true, false, false, false}, false, false, false, false, false},
           Case{"NegativeDelayAlwaysReached", {0, -1, false, false, false, false}, true, true, false, false, false},
           Case{"ProcessRunningIsRemembered", {200000, 180, false, false, true, false}, true, false, true, false, true},
           Case{"GoneSaverGivesTheFocusBack", {0, 180, false, false, false, true}, false, false, false, true, false},
           Case{"StillRunningKeepsWaiting", {200000, 180, false, true, true, true}, true, false, true, false, true},
       }) {
    const IdleSaverStep step = IdleSaverRule(c.in);
    EXPECT_EQ(step.thresholdMet, c.met) << c.name;
    EXPECT_EQ(step.startSaver, c.start) << c.name;
    EXPECT_EQ(step.procRunning, c.proc) << c.name;
    EXPECT_EQ(step.focusBox, c.focus) << c.name;
    EXPECT_EQ(step.wasRunningLastTick, c.remember) << c.name;
  }
  EXPECT_EQ(SaverLaunchedLine(2), "Screensaver launched after 2 seconds of idle");
}

}  // namespace
}  // namespace brivak::core

#include "proj/core/SaverPreview.h"

namespace brivak::core {
namespace {

TEST(SaverPreview, WindowIdOfTheSecondParameter) {
  EXPECT_EQ(PreviewWindowId({"/p", "12345"}), 12345u);
  EXPECT_EQ(PreviewWindowId({"/p", "0x1a00003"}), 0x1a00003u);
  EXPECT_EQ(PreviewWindowId({"/p", "0"}), 0u);
  EXPECT_EQ(PreviewWindowId({"/p"}), 0u);
  EXPECT_EQ(PreviewWindowId({"/p", "0xzz"}), 0u);
  // Non-digits are not checked: each character counts with its code minus that of '0'.
  EXPECT_EQ(PreviewWindowId({"/p", "1:"}), 1u * 10 + 10);
}

}  // namespace
}  // namespace brivak::core
