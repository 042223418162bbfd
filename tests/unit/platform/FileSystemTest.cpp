// The FileSystem contract, checked on both implementations (the Linux one in a scratch folder, the
// in-memory one under "/data"), and the faults the in-memory one injects.
#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/fake/MemoryFileSystem.h"
#include "platform/linux/LinuxFileSystem.h"
#include "support/TempDir.h"

namespace brivak::platform {
namespace {

// One implementation with a folder to work in.
struct Subject {
  std::string name;
  std::function<std::unique_ptr<FileSystem>()> make;
  bool usesTempDir;
};

class FileSystemContract : public ::testing::TestWithParam<Subject> {
 protected:
  void SetUp() override {
    fs_ = GetParam().make();
    root_ = GetParam().usesTempDir ? temp_.Path() : "/data";
    ASSERT_TRUE(fs_->CreateFolders(root_, 0700));
  }
  std::string At(const std::string& name) const { return root_ + "/" + name; }

  test::TempDir temp_;
  std::unique_ptr<FileSystem> fs_;
  std::string root_;
};

TEST_P(FileSystemContract, ReplaceCreatesThenReplacesKeepingTheMode) {
  const std::string path = At("settings.ini");
  EXPECT_FALSE(fs_->ReadFile(path));
  ASSERT_TRUE(fs_->ReplaceFile(path, "one", 0600));
  EXPECT_EQ(fs_->ReadFile(path), "one");
  EXPECT_EQ(fs_->Mode(path), 0600u);
  ASSERT_TRUE(fs_->ReplaceFile(path, "two", 0644));
  EXPECT_EQ(fs_->ReadFile(path), "two");
  EXPECT_EQ(fs_->Mode(path), 0600u) << "an existing file keeps its mode";
  EXPECT_EQ(fs_->ListFolder(root_), std::vector<std::string>{"settings.ini"}) << "no temporary file is left";
}

TEST_P(FileSystemContract, ReplaceIntoAMissingFolderFailsAndSaysWhere) {
  const FileResult result = fs_->ReplaceFile(At("missing/file.ini"), "x");
  EXPECT_FALSE(result);
  EXPECT_NE(result.error.find("missing/file.ini"), std::string::npos) << result.error;
}

TEST_P(FileSystemContract, AppendNeverCreatesAndAddsToTheEnd) {
  const std::string path = At("day.txt");
  EXPECT_EQ(fs_->AppendToExisting(path, "a\n").outcome, AppendOutcome::kNoFile);
  EXPECT_FALSE(fs_->IsFile(path));
  EXPECT_EQ(fs_->CreateExclusive(path, "header\n").outcome, CreateOutcome::kCreated);
  EXPECT_EQ(fs_->CreateExclusive(path, "other\n").outcome, CreateOutcome::kExisted);
  EXPECT_EQ(fs_->AppendToExisting(path, "a\n").outcome, AppendOutcome::kWritten);
  EXPECT_EQ(fs_->ReadFile(path), "header\na\n");
}

TEST_P(FileSystemContract, FoldersListsAndRemovals) {
  ASSERT_TRUE(fs_->CreateFolders(At("a/b/c")));
  EXPECT_TRUE(fs_->IsFolder(At("a/b/c")));
  EXPECT_TRUE(fs_->CreateFolders(At("a/b"))) << "an existing folder is success";
  ASSERT_TRUE(fs_->ReplaceFile(At("a/z.txt"), "z"));
  EXPECT_EQ(fs_->ListFolder(At("a")), (std::vector<std::string>{"b", "z.txt"}));
  EXPECT_TRUE(fs_->RemoveFile(At("a/z.txt")));
  EXPECT_TRUE(fs_->RemoveFile(At("a/z.txt"))) << "removing a missing file is success";
  EXPECT_FALSE(fs_->IsFile(At("a/z.txt")));
  ASSERT_TRUE(fs_->ReplaceFile(At("f"), "f"));
  EXPECT_FALSE(fs_->CreateFolders(At("f/g"))) << "a file in the way";
}

TEST_P(FileSystemContract, ConcurrentAppendsLeaveWholeLines) {
  const std::string path = At("day.txt");
  ASSERT_EQ(fs_->CreateExclusive(path, "").outcome, CreateOutcome::kCreated);
  constexpr int kThreads = 8;
  constexpr int kLines = 200;
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      const std::string line = "thread " + std::to_string(t) + std::string(100, 'x') + "\n";
      for (int i = 0; i < kLines; ++i) fs_->AppendToExisting(path, line);
    });
  }
  for (std::thread& th : threads) th.join();
  const std::string data = fs_->ReadFile(path).value_or("");
  int lines = 0;
  for (std::size_t start = 0; start < data.size();) {
    const std::size_t end = data.find('\n', start);
    ASSERT_NE(end, std::string::npos);
    const std::string line = data.substr(start, end - start);
    EXPECT_EQ(line.size(), 108u) << line;
    start = end + 1;
    ++lines;
  }
  EXPECT_EQ(lines, kThreads * kLines);
}

TEST_P(FileSystemContract, AnExclusiveLockExcludesAnother) {
  std::string error;
  auto first = fs_->Lock(At("store.lock"), true, 0600, error);
  ASSERT_TRUE(first) << error;
  std::atomic<bool> taken{false};
  std::thread other([&] {
    std::string otherError;
    auto second = fs_->Lock(At("store.lock"), true, 0600, otherError);
    taken = true;
  });
  // The other thread is blocked while we hold the lock; it proceeds once we release it.
  EXPECT_FALSE(taken.load());
  first.reset();
  other.join();
  EXPECT_TRUE(taken.load());
  EXPECT_FALSE(fs_->Lock(At("missing/store.lock"), true, 0600, error));
  EXPECT_FALSE(error.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Both, FileSystemContract,
    ::testing::Values(Subject{"Linux", [] { return std::make_unique<LinuxFileSystem>(); }, true},
                      Subject{"Memory", [] { return std::make_unique<MemoryFileSystem>(); }, false}),
    [](const ::testing::TestParamInfo<Subject>& info) { return info.param.name; });

// ---- Faults --------------------------------------------------------------------------------------

constexpr const char* kFile = "/data/registry.ini";

struct Fault {
  std::string name;
  std::function<void(MemoryFileSystem&)> inject;
  std::string reason;
};

class InjectedFault : public ::testing::TestWithParam<Fault> {
 protected:
  void SetUp() override {
    fs_.Put(kFile, "old content", 0600);
    fs_.Put("/data/day.txt", "line 1\n");
    GetParam().inject(fs_);
  }
  MemoryFileSystem fs_;
};

TEST_P(InjectedFault, AFailedReplaceKeepsTheOldFileWholeAndSaysWhy) {
  const FileResult result = fs_.ReplaceFile(kFile, "new content that is longer than the old one");
  ASSERT_FALSE(result);
  EXPECT_NE(result.error.find(kFile), std::string::npos) << result.error;
  EXPECT_NE(result.error.find(GetParam().reason), std::string::npos) << result.error;
  EXPECT_EQ(fs_.ReadFile(kFile), "old content");
  EXPECT_EQ(fs_.Mode(kFile), 0600u);
  EXPECT_EQ(fs_.ListFolder("/data"), (std::vector<std::string>{"day.txt", "registry.ini"}));
  EXPECT_EQ(fs_.FaultsStruck(), 1);
}

TEST_P(InjectedFault, ACreationThatFailsLeavesNoFile) {
  const CreateResult result = fs_.CreateExclusive("/data/new.txt", "header line\n");
  if (GetParam().name == "FailedRename") {
    EXPECT_EQ(result.outcome, CreateOutcome::kCreated) << "creation does not rename";
    return;
  }
  EXPECT_EQ(result.outcome, CreateOutcome::kFailed);
  EXPECT_NE(result.error.find(GetParam().reason), std::string::npos) << result.error;
  EXPECT_FALSE(fs_.IsFile("/data/new.txt"));
}

TEST_P(InjectedFault, AnAppendThatFailsIsReportedAndKeepsEarlierLines) {
  const AppendResult result = fs_.AppendToExisting("/data/day.txt", "line 2\n");
  if (GetParam().name == "FailedRename") {
    EXPECT_EQ(result.outcome, AppendOutcome::kWritten) << "appends do not rename";
    return;
  }
  EXPECT_EQ(result.outcome, AppendOutcome::kFailed);
  EXPECT_NE(result.error.find(GetParam().reason), std::string::npos) << result.error;
  EXPECT_TRUE(fs_.ReadFile("/data/day.txt").value_or("").starts_with("line 1\n"));
}

INSTANTIATE_TEST_SUITE_P(
    Memory, InjectedFault,
    ::testing::Values(Fault{"FullDisk", [](MemoryFileSystem& fs) { fs.SetSpaceLeft(3); }, "No space left on device"},
                      Fault{"ReadOnlyFolder", [](MemoryFileSystem& fs) { fs.SetReadOnly("/data"); },
                            "Read-only file system"},
                      Fault{"FailedRename", [](MemoryFileSystem& fs) { fs.FailRenames(); }, "cannot replace"},
                      Fault{"ShortWrite", [](MemoryFileSystem& fs) { fs.ShortWrites(4); }, "Input/output error"}),
    [](const ::testing::TestParamInfo<Fault>& info) { return info.param.name; });

TEST(MemoryFileSystem, FaultsPassAndTheDiskRecovers) {
  MemoryFileSystem fs;
  fs.Put(kFile, "old");
  fs.FailRenames(1);
  EXPECT_FALSE(fs.ReplaceFile(kFile, "new"));
  EXPECT_TRUE(fs.ReplaceFile(kFile, "new")) << "one failed rename, then renames work again";
  fs.SetSpaceLeft(10);
  EXPECT_TRUE(fs.ReplaceFile(kFile, "0123456789")) << "the old file's 3 bytes are free again";
  EXPECT_FALSE(fs.ReplaceFile(kFile, "0123456789")) << "the temporary file needs room beside the old one";
  EXPECT_EQ(fs.ReadFile(kFile), "0123456789");
  EXPECT_EQ(fs.AppendToExisting(kFile, "abc").outcome, AppendOutcome::kWritten);
  EXPECT_EQ(fs.AppendToExisting(kFile, "x").outcome, AppendOutcome::kFailed);
  fs.SetSpaceLeft(std::nullopt);
  EXPECT_EQ(fs.AppendToExisting(kFile, "x").outcome, AppendOutcome::kWritten);
  fs.SetReadOnly("/data");
  EXPECT_FALSE(fs.RemoveFile(kFile));
  fs.SetReadOnly("/data", false);
  EXPECT_TRUE(fs.RemoveFile(kFile));
}

}  // namespace
}  // namespace brivak::platform
