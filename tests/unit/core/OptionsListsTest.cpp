#include "proj/core/OptionsLists.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/Disk.h"
#include "support/Files.h"
#include "support/TempDir.h"

namespace brivak::core {
namespace {

TEST(OptionsLists, LayoutsOfBothKindsAreListedWithTitlesAndTheirOwnPaths) {
  test::TempDir dir;
  const std::string slf = LayoutFolder(dir.Folder(), false);
  const std::string html = LayoutFolder(dir.Folder(), true);
  std::filesystem::create_directories(slf + "more");
  std::filesystem::create_directories(html);
  test::WriteAll(slf + "simple.ini", "[Layout]\r\nTitle=Simple\r\n");
  test::WriteAll(slf + "more/plain.slf", "[General]\r\n");
  test::WriteAll(slf + "notes.txt", "x");
  test::WriteAll(html + "blue.html", "<html><head><title>Blue</title></head></html>");
  test::WriteAll(html + "mixed.htm", "<HTML><Title>Mixed Case</TITLE></HTML>");
  test::WriteAll(html + "~blue.html", "<title>copy</title>");

  EXPECT_EQ(ListLayouts(slf, false), (std::vector<LayoutRow>{{"Untitled", "plain.slf", slf + "more/plain.slf"},
                                                            {"Simple", "simple.ini", slf + "simple.ini"}}));
  EXPECT_EQ(ListLayouts(html, true), (std::vector<LayoutRow>{{"Blue", "blue.html", html + "blue.html"},
                                                             {"Mixed Case", "mixed.htm", html + "mixed.htm"}}));
  EXPECT_TRUE(ListLayouts(dir.Folder() + "missing/", true).empty());
}

TEST(OptionsLists, TheCurrentLayoutIsSelectedWithoutRegardToCaseElseTheFirstRow) {
  const std::vector<LayoutRow> rows{{"A", "a.ini", "/d/a.ini"}, {"B", "b.ini", "/d/B.ini"}};
  EXPECT_EQ(LayoutRowToSelect(rows, "/d/b.INI"), 1u);
  EXPECT_EQ(LayoutRowToSelect(rows, "/d/gone.ini"), 0u);
  EXPECT_EQ(LayoutRowToSelect({}, "/d/a.ini"), std::nullopt);
}

TEST(OptionsLists, CopyNamesStayInTheLayoutFolder) {
  for (const char* name : {"copy.ini", "my layout.html"}) EXPECT_EQ(RefuseLayoutName(name), "") << name;
  for (const char* name : {"", "../evil.ini", "sub/x.ini", "..", "a\\b.ini"}) EXPECT_NE(RefuseLayoutName(name), "") << name;
}

TEST(OptionsLists, HtmlTitlesAreFoundInAnyCase) {
  EXPECT_EQ(HtmlTitle("<TITLE>Up</TITLE>"), "Up");
  EXPECT_EQ(HtmlTitle("<tItLe>Mixed</TiTlE> rest"), "Mixed");
  EXPECT_EQ(HtmlTitle("<title>Open"), "Open");
}

TEST(OptionsLists, ScreenSaversAreReadInFileOrderAndRemovedByName) {
  test::TempDir dir;
  const std::string file = dir.Folder() + "screensavers.dat";
  test::WriteAll(file, "[ScreenSavers]\r\nGLMatrix=/usr/lib/xscreensaver/glmatrix\r\nApollonian=/usr/lib/xscreensaver/apollonian\r\n");
  EXPECT_EQ(ReadScreenSavers(file), (std::vector<SaverRow>{{"GLMatrix", "/usr/lib/xscreensaver/glmatrix"},
                                                           {"Apollonian", "/usr/lib/xscreensaver/apollonian"}}));
  RemoveScreenSaver(brivak::test::Disk(), file, "GLMatrix");
  EXPECT_EQ(ReadScreenSavers(file), (std::vector<SaverRow>{{"Apollonian", "/usr/lib/xscreensaver/apollonian"}}));
  EXPECT_TRUE(ReadScreenSavers(dir.Folder() + "none.dat").empty());
}

TEST(OptionsLists, PresetsAreEditedByName) {
  std::vector<std::string> presets{"Lunch=Gone To Lunch", "Gone for day=I'm gone", "Meeting=In a meeting", "odd"};
  EXPECT_EQ(PresetName("odd"), "");
  EXPECT_EQ(PresetText(presets, "Meeting"), "In a meeting");
  SetPresetText(presets, "Lunch", "");
  EXPECT_EQ(presets.front(), "Gone for day=I'm gone");
  SetPresetText(presets, "Lunch", "Back at two");
  EXPECT_EQ(presets.back(), "Lunch=Back at two");
  SetPresetText(presets, "Meeting", "Board meeting");
  EXPECT_EQ(presets[1], "Meeting=Board meeting");
  std::vector<std::string> four{"a=1", "b=2", "c=3", "d=4"};
  EXPECT_EQ(AddPreset(four, ""), "myPreset4");
  EXPECT_EQ(four.back(), "myPreset4=enter message here");
  EXPECT_TRUE(PresetTextAcceptable("one line"));
  EXPECT_FALSE(PresetTextAcceptable("two\nlines"));
  EXPECT_FALSE(PresetTextAcceptable("two\rlines"));
}

}  // namespace
}  // namespace brivak::core
