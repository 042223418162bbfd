#include "proj/app/UsbTriggers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/fake/ScriptedMediaWatch.h"
#include "support/Files.h"
#include "support/TempDir.h"
#include "unit/common/RecordingLogSink.h"

namespace brivak::app {
namespace {

// Runs every posted task at once, on the caller's thread.
class InlineLoop : public MainLoop {
 public:
  void Post(Task task) override { task(); }
  void PostAfter(std::chrono::milliseconds, Task task) override { task(); }
  void Quit() override {}
  void ProcessPending() override {}
};

class UsbTriggersTest : public ::testing::Test {
 protected:
  UsbHost Host() {
    return UsbHost{
        .usbPrompt = [this] { return usbPrompt; },
        .logCdInsertion = [this] { return logCd; },
        .currentlyLocked = [this] { return locked; },
        .lockLaunch = [this] { effects.emplace_back("lock launch"); },
        .confirm =
            [this](const std::string& text, const std::string& caption) {
              effects.push_back("confirm " + caption + "|" + text);
              return confirmAnswer;
            },
        .authorize =
            [this](const std::string& activity, int level) {
              effects.push_back("authorize " + activity + " " + std::to_string(level));
              return authorizeAnswer;
            },
        .message = [this](const std::string& text) { effects.push_back("message " + text); },
        .securityEvent = [this](const std::string& text) { effects.push_back("security " + text); },
    };
  }
  // A volume in the test's folder, prepared with `driveFile` unless it is empty.
  std::string Volume(const std::string& name, const std::string& driveFile) {
    const std::string point = dir.File(name);
    std::filesystem::create_directories(point);
    if (!driveFile.empty()) {
      std::filesystem::create_directories(point + "/Brivak2Go");
      brivak::test::WriteAll(point + "/Brivak2Go/settings.ini", driveFile);
    }
    return point;
  }
  bool Has(const std::string& effect) const {
    return std::find(effects.begin(), effects.end(), effect) != effects.end();
  }
  bool Logged(const std::string& channel, const std::string& text) const {
    const auto texts = log.Channel(channel);
    return std::find(texts.begin(), texts.end(), text) != texts.end();
  }

  brivak::test::TempDir dir;
  brivak::test::RecordingLogSink log;
  platform::ScriptedMediaWatch watch{{"/", "/home", "/media/u/OLD"}};
  InlineLoop loop;
  bool usbPrompt = false, logCd = true, locked = false, confirmAnswer = false, authorizeAnswer = false;
  std::vector<std::string> effects;
  UsbTriggers usb{watch, loop, log, Host()};
};

TEST_F(UsbTriggersTest, PreparedDriveLocksWhenUnlockedAndDoesNothingWhileLocked) {
  const std::string stick = Volume("stick", "[USB]\r\nlockOnInsert=1\r\n");
  usb.UsbIN(stick);
  EXPECT_EQ(effects, std::vector<std::string>{"lock launch"});
  EXPECT_TRUE(Logged("log", "Locked by USB Drive insertion"));
  EXPECT_TRUE(Logged("mem", "Brivak USB drive found."));

  effects.clear();
  log.Clear();
  locked = true;
  usb.UsbIN(stick);
  EXPECT_TRUE(effects.empty());
  EXPECT_TRUE(log.Channel("log").empty());
  EXPECT_TRUE(Logged("debug", ":currently locked"));
}

TEST_F(UsbTriggersTest, UnlockOnInsertUnlocksNothing) {
  const std::string stick = Volume("key", "[USB]\nunlockOnInsert=1\nusername=admin\npassword=secret\n");
  locked = true;
  usbPrompt = true;
  usb.UsbIN(stick);
  EXPECT_TRUE(effects.empty()) << "no prompt, no lock, no unlock";
  EXPECT_TRUE(Logged("debug", ":unlock on insert = true"));
  EXPECT_TRUE(log.Channel("log").empty());
}

TEST_F(UsbTriggersTest, UnpreparedDriveAsksOnlyWhileLockedWithUsbPrompt) {
  const std::string plain = Volume("plain", "");
  usbPrompt = true;
  usb.UsbIN(plain);  // unlocked: nothing, whatever USBprompt says
  EXPECT_TRUE(effects.empty());

  locked = true;
  usbPrompt = false;
  usb.UsbIN(plain);
  EXPECT_TRUE(effects.empty());

  usbPrompt = true;
  usb.UsbIN(plain);  // Cancel: the lock stays as it is
  EXPECT_EQ(effects, std::vector<std::string>{std::string("confirm Removable Media detected|") + core::kUsbPromptText});
}

TEST_F(UsbTriggersTest, OkNeedsTheAdministratorAndARefusalIsASecurityEvent) {
  const std::string plain = Volume("plain", "");
  locked = usbPrompt = confirmAnswer = true;
  usb.UsbIN(plain);
  ASSERT_EQ(effects.size(), 3u);
  EXPECT_EQ(effects[1], "authorize export to removable media 2");
  EXPECT_EQ(effects[2], "security Bad Password to export to removable media");
  EXPECT_TRUE(Logged("debug", ":OK clicked to dialog box"));

  effects.clear();
  authorizeAnswer = true;
  usb.UsbIN(plain);
  ASSERT_EQ(effects.size(), 3u);
  EXPECT_EQ(effects[2], std::string("message ") + core::kExportNotInThisBuild);
}

TEST_F(UsbTriggersTest, WatcherChangesOfRemovableVolumesReachTheHandlers) {
  usb.Start();
  ASSERT_TRUE(watch.Started());
  // Volumes mounted before the start are known and are no insertions.
  EXPECT_EQ(usb.RemovableVolumes(), std::vector<std::string>{"/media/u/OLD"});
  EXPECT_TRUE(log.Calls().empty());

  watch.Mount("/run/user/1000/doc");  // not a removable volume
  watch.Unmount("/home");
  EXPECT_TRUE(log.Calls().empty());

  watch.Mount("/media/u/NEW");
  EXPECT_TRUE(Logged("debug", ":devicearrival"));
  EXPECT_TRUE(Logged("debug", "EH! Drive Letter /media/u/NEW assigned to device."));
  EXPECT_TRUE(effects.empty()) << "an unprepared volume while unlocked does nothing";
  EXPECT_EQ(usb.RemovableVolumes(), (std::vector<std::string>{"/media/u/OLD", "/media/u/NEW"}));

  watch.Unmount("/media/u/NEW");
  watch.Unmount("/media/u/OLD");
  const auto lines = log.Channel("log");
  EXPECT_EQ(std::count(lines.begin(), lines.end(), "USB Removed:  ()"), 2) << "one line per removal";

  logCd = false;
  watch.Mount("/mnt/x");
  watch.Unmount("/mnt/x");
  EXPECT_EQ(log.Channel("log").size(), 2u);
}

}  // namespace
}  // namespace brivak::app
