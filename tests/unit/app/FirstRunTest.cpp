#include "proj/app/FirstRun.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "tests/support/Files.h"
#include "tests/support/TempDir.h"

namespace brivak::app {
namespace {

namespace fs = std::filesystem;

void Write(const std::string& path, const std::string& text) {
  fs::create_directories(fs::path(path).parent_path());
  std::ofstream(path) << text;
}

TEST(CopyShippedLayouts, CopiesTheWholeTreeOnceAndNeverOverwritesTheUsersCopy) {
  test::TempDir dir;
  const std::string appPath = dir.Folder() + "app/";
  const std::string appData = dir.Folder() + "data/Brivak 3.0/";
  Write(appPath + "layouts/slf/simple.ini", "[EXITPASSWORDBOX]\n");
  Write(appPath + "layouts/html/page.html", "<html></html>");

  const auto first = CopyShippedLayouts(appPath, appData);
  EXPECT_TRUE(first.copied);
  EXPECT_EQ(first.error, "");
  EXPECT_EQ(test::ReadAll(appData + "layouts/slf/simple.ini"), "[EXITPASSWORDBOX]\n");
  EXPECT_TRUE(fs::exists(appData + "layouts/html/page.html"));
  EXPECT_FALSE(fs::exists(appData + "layouts.partial"));

  // The user edits the copy; a later start leaves it alone.
  Write(appData + "layouts/slf/simple.ini", "edited");
  const auto second = CopyShippedLayouts(appPath, appData);
  EXPECT_FALSE(second.copied);
  EXPECT_EQ(test::ReadAll(appData + "layouts/slf/simple.ini"), "edited");
}

TEST(CopyShippedLayouts, NothingShippedMeansNothingCopied) {
  test::TempDir dir;
  const auto result = CopyShippedLayouts(dir.Folder() + "app/", dir.Folder() + "data/");
  EXPECT_FALSE(result.copied);
  EXPECT_EQ(result.error, "");
  EXPECT_FALSE(fs::exists(dir.Folder() + "data/layouts"));
}

TEST(CopyShippedLayouts, AFailedCopyIsReportedAndLeavesNoFolder) {
  test::TempDir dir;
  const std::string appPath = dir.Folder() + "app/";
  Write(appPath + "layouts/slf/simple.ini", "x");
  // The data folder is a file: nothing can be created below it.
  Write(dir.Folder() + "data", "not a folder");
  const auto result = CopyShippedLayouts(appPath, dir.Folder() + "data/");
  EXPECT_FALSE(result.copied);
  EXPECT_NE(result.error, "");
}

}  // namespace
}  // namespace brivak::app
