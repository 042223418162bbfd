// Every store that writes files, under every fault a disk has: the old file stays whole, the
// failure is reported (an exception with the path and the reason, which the program's top-level
// handler writes to the console as "EX: ..."), and success is never reported. Runs on the
// in-memory file system, which injects the faults.
#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <string>
#include <tuple>
#include <vector>

#include "common/UserList.h"
#include "platform/fake/FakeClock.h"
#include "platform/fake/MemoryFileSystem.h"
#include "platform/fake/MemoryRegistryStore.h"
#include "platform/linux/LinuxRegistryStore.h"
#include "proj/core/BrivakSettings.h"
#include "proj/core/DayLog.h"
#include "unit/common/RecordingLogSink.h"

namespace brivak::core {
namespace {

using platform::MemoryFileSystem;

constexpr const char* kAppPath = "/opt/brivak/";
constexpr const char* kAppData = "/home/u/.local/share/Brivak 3.0/";

// One writer: the file it keeps, what the file holds before, and the write that must fail.
struct Writer {
  std::string name;
  std::string path;
  std::string oldContent;
  std::function<void(MemoryFileSystem&)> write;  // throws std::runtime_error on failure
};

struct Fault {
  std::string name;
  std::function<void(MemoryFileSystem&)> inject;
  std::string reason;
};

void SaveIniSettings(MemoryFileSystem& fs) {
  platform::MemoryRegistryStore registry;
  test::RecordingLogSink log;
  TBrivakSettings settings(SettingsContext{registry, fs, log, kAppPath, kAppData, "127.0.0.1", "/usr/lib"});
  settings.LoadINI();
  settings.Security.passwordHash = "new-hash";
  settings.SaveINI({"Lunch=Gone to lunch"}, false);
}

void SaveRegistrySettings(MemoryFileSystem& fs) {
  platform::LinuxRegistryStore registry(fs, "/home/u/.config/brivak/registry.ini");
  test::RecordingLogSink log;
  TBrivakSettings settings(SettingsContext{registry, fs, log, kAppPath, kAppData, "127.0.0.1", "/usr/lib"});
  settings.Load();
  settings.Security.passwordHash = "new-hash";
  settings.Save({"Lunch=Gone to lunch"}, false);
}

void AddUser(MemoryFileSystem& fs) {
  UserList users(fs, std::string(kAppData) + "userlist.dat");
  users.AddUser("visitor", "pw", kLevelUnlock);
}

void SaveUserList(MemoryFileSystem& fs) {
  UserList users(fs, std::string(kAppData) + "userlist.dat");
  users.SaveUserList({{"admin", "h1", "Admin"}, {"visitor", "h2", "Unlock"}});
}

void WriteDayLogLine(MemoryFileSystem& fs) {
  platform::FakeClock clock;  // 2026-12-09
  DayLog log(clock, fs, std::string(kAppData) + "Logs/");
  log.WriteLog("Brivak Locked by hotkey");
}

const std::string kOldIni = "[Security]\r\npasswordHash=old-hash\r\n";
const std::string kOldUsers = "[admin]\r\nPassword=old\r\nPermissions=2\r\n";
const std::string kOldDay =
    "-- Brivak3 log file -- created 12/9/2026 9:00:00 AM\r\n\r\n\r\n[9:00:00 AM] earlier\r\n";

class FileFault : public ::testing::TestWithParam<std::tuple<Writer, Fault>> {};

TEST_P(FileFault, KeepsTheOldFileAndReportsTheFailure) {
  const auto& [writer, fault] = GetParam();
  MemoryFileSystem fs;
  fs.Put(writer.path, writer.oldContent, 0600);
  fault.inject(fs);
  try {
    writer.write(fs);
    FAIL() << "the write was reported as done";
  } catch (const std::runtime_error& e) {
    const std::string what = e.what();
    EXPECT_NE(what.find(writer.path), std::string::npos) << what;
    EXPECT_NE(what.find(fault.reason), std::string::npos) << what;
  }
  EXPECT_EQ(fs.FaultsStruck(), 1);
  const std::string now = fs.ReadFile(writer.path).value_or("<missing>");
  if (writer.name == "DayLogLine") {
    // An append cannot be taken back: what was in the file before is still there, untouched.
    EXPECT_TRUE(now.starts_with(writer.oldContent)) << now;
  } else {
    EXPECT_EQ(now, writer.oldContent);
    EXPECT_EQ(fs.ListFolder(platform::FolderOf(writer.path)).size(), 1u) << "no temporary file is left";
  }
}

const Writer kWriters[] = {
    {"IniSettings", std::string(kAppPath) + "settings.ini", kOldIni, SaveIniSettings},
    {"RegistrySettings", "/home/u/.config/brivak/registry.ini", kOldIni, SaveRegistrySettings},
    {"AddUser", std::string(kAppData) + "userlist.dat", kOldUsers, AddUser},
    {"SaveUserList", std::string(kAppData) + "userlist.dat", kOldUsers, SaveUserList},
    {"DayLogLine", std::string(kAppData) + "Logs/Dec-09-26.txt", kOldDay, WriteDayLogLine},
};

const Fault kFaults[] = {
    {"FullDisk", [](MemoryFileSystem& fs) { fs.SetSpaceLeft(0); }, "No space left on device"},
    {"ReadOnlyFolder", [](MemoryFileSystem& fs) { fs.SetReadOnly("/"); }, "Read-only file system"},
    {"FailedRename", [](MemoryFileSystem& fs) { fs.FailRenames(); }, "cannot replace"},
    {"ShortWrite", [](MemoryFileSystem& fs) { fs.ShortWrites(5); }, "Input/output error"},
};

// Every writer with every fault that can strike it (the day log appends and never renames).
std::vector<std::tuple<Writer, Fault>> Cases() {
  std::vector<std::tuple<Writer, Fault>> cases;
  for (const Writer& writer : kWriters) {
    for (const Fault& fault : kFaults) {
      if (writer.name == "DayLogLine" && fault.name == "FailedRename") continue;
      cases.emplace_back(writer, fault);
    }
  }
  return cases;
}

INSTANTIATE_TEST_SUITE_P(Stores, FileFault, ::testing::ValuesIn(Cases()),
                         [](const ::testing::TestParamInfo<std::tuple<Writer, Fault>>& info) {
                           return std::get<0>(info.param).name + "_" + std::get<1>(info.param).name;
                         });

// The same writes succeed on a sound disk, and keep the file private.
class FileWriter : public ::testing::TestWithParam<Writer> {};

TEST_P(FileWriter, WritesOnASoundDisk) {
  const Writer& writer = GetParam();
  MemoryFileSystem fs;
  fs.Put(writer.path, writer.oldContent, 0600);
  EXPECT_NO_THROW(writer.write(fs));
  const std::string now = fs.ReadFile(writer.path).value_or("");
  EXPECT_NE(now, writer.oldContent);
  EXPECT_TRUE(now.find("new-hash") != std::string::npos || now.find("visitor") != std::string::npos ||
              now.find("Brivak Locked by hotkey") != std::string::npos)
      << now;
  EXPECT_EQ(fs.Mode(writer.path), 0600u);
}

INSTANTIATE_TEST_SUITE_P(Stores, FileWriter, ::testing::ValuesIn(kWriters),
                         [](const ::testing::TestParamInfo<Writer>& info) { return info.param.name; });

}  // namespace
}  // namespace brivak::core
