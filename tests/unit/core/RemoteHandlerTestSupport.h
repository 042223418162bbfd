// Fixture of the remote command handler tests: a user list in a fresh folder, a recording log,
// a fake clock, settings the test edits, and effects that record what the handler asks for.
#pragma once

#include <gtest/gtest.h>

#include <mutex>
#include <string>
#include <vector>

#include "LogTestSupport.h"
#include "common/Hash.h"
#include "common/UserList.h"
#include "platform/fake/FakeClock.h"
#include "proj/core/CommandQueue.h"
#include "proj/core/RemoteCommandHandler.h"
#include "unit/common/RecordingLogSink.h"
#include "support/Disk.h"

namespace brivak::core::remotetest {

// Records every action; the queue is a real CommandQueue. Thread-safe.
class FakeEffects : public RemoteEffects {
 public:
  void LaunchLock() override { Record("LaunchLock"); }
  void SetLayoutFile(const std::string& path) override { Record("SetLayoutFile:" + path); }
  bool PostCommand(LockCommand command) override {
    Record("Post:" + command.word);
    if (refusePosts) return false;
    return queue.Post(std::move(command));
  }
  bool LockScreenExists() override { return lockScreen; }
  bool CurrentlyLocked() override { return locked; }
  bool ShuttingDown() override { return shuttingDown; }
  bool StartUpdateScript(const std::string& path, bool hidden) override {
    Record("StartUpdateScript:" + path + (hidden ? ":hidden" : ":shown"));
    return scriptStarts;
  }
  PowerReply Standby() override {
    Record("Standby");
    return power;
  }
  PowerReply Hibernate() override {
    Record("Hibernate");
    return power;
  }
  void ShowBalloon(const std::string& title, const std::string& text, int seconds) override {
    Record("Balloon:" + title + "|" + text + "|" + std::to_string(seconds));
  }
  StatusFacts CurrentStatusFacts() override {
    Record("StatusFacts");
    return facts;
  }

  std::vector<std::string> Calls() const {
    std::lock_guard<std::mutex> guard(mutex_);
    return calls_;
  }

  bool lockScreen = false;
  bool locked = false;
  bool shuttingDown = false;
  bool scriptStarts = true;
  PowerReply power{true, {}};  // what Standby and Hibernate answer
  bool refusePosts = false;  // the lock can no longer take commands
  StatusFacts facts;
  CommandQueue queue;

 private:
  void Record(std::string call) {
    std::lock_guard<std::mutex> guard(mutex_);
    calls_.push_back(std::move(call));
  }
  mutable std::mutex mutex_;
  std::vector<std::string> calls_;
};

inline constexpr const char* kRemote = "127.0.2.3";  // in the allowed list below
inline constexpr const char* kAdminCreds = "s_username=admin&s_password=adminpw";
inline constexpr const char* kUnlockerCreds = "s_username=unlocker&s_password=unlockpw";

inline std::string PageBody(const std::string& text) {
  return "<HTML><BODY><B>200 " + text + "</B></BODY></HTML>\r\n";
}

class RemoteHandlerFixture : public ::testing::Test {
 protected:
  RemoteHandlerFixture() {
    users_.AddUser("admin", "adminpw", kLevelAdmin);
    users_.AddUser("unlocker", "unlockpw", kLevelUnlock);
    users_.AddUser("disabled", "offpw", kLevelNone);
    settings_.multiUser = true;
    settings_.passwordHash = Hash("masterpw");
    settings_.masterIP = "127.0.9.9";
    settings_.allowRemoteUnlocking = true;
    settings_.allowedRemoteIPs = "127.0.2.*\r\n127.0.3.*";
    settings_.theLocalIP = "127.0.2.50";
    settings_.layoutFile = AppData() + "layouts/html/bluegeneric.html";
  }

  std::string AppData() const { return dir_.Folder(); }
  std::string ScriptPath() const { return dir_.Folder() + "update.sh"; }

  HttpReply Get(const std::string& target, const std::string& ip = kRemote) {
    return handler_.Handle(HttpRequest{"GET", target, "", "", ip});
  }
  // `path` + "?" + the administrator's credentials + `extra` ("&date=..." and so on).
  HttpReply AdminGet(const std::string& path, const std::string& extra = "") {
    return Get(path + "?" + kAdminCreds + extra);
  }

  brivak::test::TempDir dir_;
  test::RecordingLogSink log_;
  platform::FakeClock clock_;
  UserList users_{brivak::test::Disk(), dir_.Folder() + "userlist.dat"};
  FakeEffects effects_;
  RemoteSettingsSnapshot settings_;
  RemoteHandlerConfig config_{AppData(), ScriptPath(), "00112233AABB", "(n/a)", "alice", "3.1.0.0"};
  RemoteCommandHandler handler_{config_, [this] { return settings_; }, users_, effects_, log_, clock_};
};

}  // namespace brivak::core::remotetest
