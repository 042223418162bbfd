// What only the real file system shows: failures the kernel reports, and no temporary or private
// file left behind by them.
#include "platform/linux/LinuxFileSystem.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include "support/Files.h"
#include "support/TempDir.h"

namespace brivak::platform {
namespace {

using test::TempDir;

TEST(LinuxFileSystem, KernelFailuresAreReportedWithPathAndReason) {
  TempDir dir;
  LinuxFileSystem fs;
  std::filesystem::create_directories(dir / "folder");
  const AppendResult onFolder = fs.AppendToExisting(dir / "folder", "x");
  EXPECT_EQ(onFolder.outcome, AppendOutcome::kFailed);
  EXPECT_NE(onFolder.error.find(dir / "folder"), std::string::npos) << onFolder.error;
  const CreateResult missing = fs.CreateExclusive(dir / "missing/log.txt", "x");
  EXPECT_EQ(missing.outcome, CreateOutcome::kFailed);
  EXPECT_NE(missing.error.find(std::strerror(ENOENT)), std::string::npos) << missing.error;
  EXPECT_EQ(fs.ListFolder(dir.Path()), std::vector<std::string>{"folder"});
}

TEST(LinuxFileSystem, AFailedRenameRemovesTheTemporaryFileAndKeepsTheOldContent) {
  TempDir dir;
  LinuxFileSystem fs;
  // A folder in the file's place makes the final rename fail after the temporary file was written.
  const std::string path = dir / "a.ini";
  ASSERT_TRUE(std::filesystem::create_directory(path));
  test::WriteAll(path + "/inner", "old");
  const FileResult result = fs.ReplaceFile(path, "new");
  EXPECT_FALSE(result);
  EXPECT_NE(result.error.find("cannot replace"), std::string::npos) << result.error;
  EXPECT_EQ(fs.ListFolder(dir.Path()), std::vector<std::string>{"a.ini"});
  EXPECT_EQ(test::ReadAll(path + "/inner"), "old");
}

}  // namespace
}  // namespace brivak::platform
