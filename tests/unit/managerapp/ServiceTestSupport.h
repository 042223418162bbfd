// Helpers for the controller's tests: a UI queue the test drains, a service on loopback with its
// settings in memory and a user list in a temporary folder.
#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>

#include "common/UserList.h"
#include "manager/app/ManagerService.h"
#include "platform/fake/MemoryRegistryStore.h"
#include "platform/fake/RecordingProcesses.h"
#include "platform/linux/LinuxClock.h"
#include "support/TempDir.h"
#include "support/Disk.h"

namespace brivak::manager::apptest {

using app::ManagerObservers;
using app::ManagerServiceOptions;

using namespace std::chrono_literals;

// Closures posted by the service; the test runs them on its own thread.
class UiQueue {
 public:
  void Post(std::function<void()> task) {
    std::lock_guard lock(mutex_);
    tasks_.push_back(std::move(task));
    changed_.notify_all();
  }
  // Runs posted closures until `done` holds or the deadline passes; returns `done()`.
  bool RunUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout = 10s) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
      if (done()) return true;
      std::function<void()> task;
      {
        std::unique_lock lock(mutex_);
        if (!changed_.wait_until(lock, deadline, [&] { return !tasks_.empty(); })) return done();
        task = std::move(tasks_.front());
        tasks_.pop_front();
      }
      task();
    }
  }
  // Runs whatever is queued now.
  void Drain() {
    for (;;) {
      std::function<void()> task;
      {
        std::lock_guard lock(mutex_);
        if (tasks_.empty()) return;
        task = std::move(tasks_.front());
        tasks_.pop_front();
      }
      task();
    }
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<std::function<void()>> tasks_;
};

struct ServiceFixture {
  explicit ServiceFixture(std::uint16_t lockerPort, ManagerObservers observers = {},
                          std::function<void(TmanagerSettings&)> adjust = {}, int statusPort = 8777) {
    users.AddUser("admin", "pw123", kLevelAdmin);
    TmanagerSettings s;
    s.broadcastip = "127.255.255.255";
    s.wolip = "127.0.0.1";
    s.startip = "127.0.0.1";
    s.endip = "127.0.0.1";
    s.autorefresh = false;
    s.httptimeout = 5000;
    s.scantimeout = 5000;
    s.udptimeout = 200;
    if (adjust) adjust(s);
    SaveSettings(registry, StoredManagerSettings{s, -1});
    ManagerServiceOptions options;
    options.credentials = {"admin", "pw123"};
    options.theLocalIP = "127.0.0.1";
    options.bindAddress = "127.0.0.1";
    options.eventPort = 0;
    options.lockerPort = lockerPort;
    options.statusPort = statusPort;
    options.readTimeout = 30s;  // far longer than any test waits: only Stop ends a held request
    options.discoverOnStart = false;
    service = std::make_unique<app::ManagerService>(
        app::ManagerServiceDeps{clock, registry, processes, users, [this](std::function<void()> t) { ui.Post(std::move(t)); },
                                [](std::string_view program) { return program == "xfreerdp"; }},
        options, std::move(observers));
  }

  test::TempDir dir;
  UserList users{brivak::test::Disk(), dir / "userlist.dat"};
  platform::LinuxClock clock;
  platform::MemoryRegistryStore registry;
  platform::RecordingProcesses processes;
  UiQueue ui;
  std::unique_ptr<app::ManagerService> service;
};

}  // namespace brivak::manager::apptest
