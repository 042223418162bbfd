#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <thread>
#include <vector>

#include "support/Files.h"
#include "support/TempDir.h"
#include "platform/linux/LinuxRegistryStore.h"
#include "support/Disk.h"

namespace brivak::platform {
namespace {

using test::ReadAll;

using brivak::test::TempDir;

constexpr const char* kSection = "Brivak 3.0\\General";

unsigned ModeOf(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return 0xffff;
  return st.st_mode & 07777;
}

void Increment(RegistryStore& store) {
  store.Modify([](IniDocument& doc) {
    doc.WriteInteger(kSection, "counter", doc.ReadInteger(kSection, "counter", 0) + 1);
  });
}

TEST(LinuxRegistryStore, MissingFileReadsEmptyAndCreatesNothing) {
  TempDir temp;
  const LinuxRegistryStore store(brivak::test::Disk(), temp / "brivak/registry.ini");
  EXPECT_TRUE(store.Snapshot().Sections().empty());
  EXPECT_FALSE(std::filesystem::exists(temp / "brivak"));
}

TEST(LinuxRegistryStore, RoundTripCreatesPrivateFolderAndFile) {
  TempDir temp;
  const std::string folder = temp / "config/brivak";
  const std::string path = folder + "/registry.ini";
  LinuxRegistryStore writer(brivak::test::Disk(), path);
  writer.Modify([](IniDocument& doc) {
    doc.Write(kSection, "multiUser", "1");
    doc.Write("Software\\Morvane\\Brivak Manager\\settings", "Password",
              "5baa61e4c9b93f3f0682250b6cf8331b7ee68fd8");
  });

  const LinuxRegistryStore reader(brivak::test::Disk(), path);
  const IniDocument doc = reader.Snapshot();
  EXPECT_EQ(doc.ReadString(kSection, "multiUser", ""), "1");
  EXPECT_EQ(doc.ReadString("software\\morvane\\brivak manager\\SETTINGS", "password", ""),
            "5baa61e4c9b93f3f0682250b6cf8331b7ee68fd8");
  EXPECT_EQ(ModeOf(path), 0600u);
  EXPECT_EQ(ModeOf(folder), 0700u);
  EXPECT_EQ(ModeOf(temp / "config"), 0700u);
}

TEST(LinuxRegistryStore, FileOpenToOthersIsMadePrivateOnWrite) {
  TempDir temp;
  const std::string path = temp / "registry.ini";
  std::ofstream(path) << "[Brivak 3.0\\General]\r\nmultiUser=0\r\n";
  ASSERT_EQ(::chmod(path.c_str(), 0644), 0);
  LinuxRegistryStore store(brivak::test::Disk(), path);
  store.Modify([](IniDocument& doc) { doc.Write(kSection, "multiUser", "1"); });
  EXPECT_EQ(ModeOf(path), 0600u);
  EXPECT_EQ(store.Snapshot().ReadString(kSection, "multiUser", ""), "1");
}

TEST(LinuxRegistryStore, FailingChangeWritesNothing) {
  TempDir temp;
  const std::string path = temp / "registry.ini";
  LinuxRegistryStore store(brivak::test::Disk(), path);
  store.Modify([](IniDocument& doc) { doc.Write(kSection, "a", "1"); });
  const std::string before = ReadAll(path);
  EXPECT_THROW(store.Modify([](IniDocument& doc) {
    doc.Write(kSection, "a", "2");
    throw std::runtime_error("no");
  }),
               std::runtime_error);
  EXPECT_EQ(ReadAll(path), before);
}

TEST(LinuxRegistryStore, UnwritableFolderThrows) {
  TempDir temp;
  std::ofstream(temp / "notafolder") << "x";  // a file where the folder should be (works as root too)
  LinuxRegistryStore store(brivak::test::Disk(), temp / "notafolder/brivak/registry.ini");
  EXPECT_THROW(store.Modify([](IniDocument& doc) { doc.Write(kSection, "a", "1"); }), std::runtime_error);
  EXPECT_EQ(ReadAll(temp / "notafolder"), "x");
}

TEST(LinuxRegistryStore, ConcurrentModifyFromTwoStoresLosesNothing) {
  TempDir temp;
  const std::string path = temp / "registry.ini";
  LinuxRegistryStore first(brivak::test::Disk(), path);
  LinuxRegistryStore second(brivak::test::Disk(), path);
  constexpr int kThreads = 4;
  constexpr int kRounds = 40;
  std::vector<std::thread> threads;
  for (int i = 0; i < kThreads; ++i) {
    RegistryStore& store = i % 2 == 0 ? static_cast<RegistryStore&>(first) : second;
    threads.emplace_back([&store] {
      for (int r = 0; r < kRounds; ++r) Increment(store);
    });
  }
  for (std::thread& t : threads) t.join();
  EXPECT_EQ(first.Snapshot().ReadInteger(kSection, "counter", 0), kThreads * kRounds);
}

TEST(LinuxRegistryStore, AnotherProcessModifyingAtTheSameTimeLosesNothing) {
  TempDir temp;
  const std::string path = temp / "registry.ini";
  constexpr int kRounds = 60;
  int go[2];
  ASSERT_EQ(::pipe(go), 0);
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    ::close(go[1]);
    char start = 0;
    int status = ::read(go[0], &start, 1) == 1 ? 0 : 2;
    try {
      LinuxRegistryStore store(brivak::test::Disk(), path);
      for (int r = 0; r < kRounds; ++r) Increment(store);
    } catch (...) {
      status = 3;
    }
    ::_exit(status);
  }
  ::close(go[0]);
  LinuxRegistryStore store(brivak::test::Disk(), path);
  ASSERT_EQ(::write(go[1], "g", 1), 1);  // both start together
  ::close(go[1]);
  for (int r = 0; r < kRounds; ++r) Increment(store);
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
  EXPECT_EQ(store.Snapshot().ReadInteger(kSection, "counter", 0), 2 * kRounds);
}

}  // namespace
}  // namespace brivak::platform
