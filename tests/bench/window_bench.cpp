// Times the manager's window over a discovery of simulated lockers (tests/bench/sim_serve.py must
// already serve them on 127.0.0.0/8): from Start to the moment every locker is listed and the
// discovery has ended, while a heartbeat timer on the UI thread records the longest gap between
// two of its ticks (the time the UI thread could not react).
// Usage: window_bench --count 5000 [--udptimeout 500] [--timeout 120]
#include <QApplication>
#include <QTimer>

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "common/UserList.h"
#include "manager/app/ManagerService.h"
#include "manager/core/ManagerSettings.h"
#include "manager/ui/TfrmManager.h"
#include "platform/fake/MemoryRegistryStore.h"
#include "platform/fake/RecordingProcesses.h"
#include "platform/linux/LinuxClock.h"
#include "platform/linux/LinuxFileSystem.h"

using namespace brivak;
using namespace brivak::manager;
using Clock = std::chrono::steady_clock;

int main(int argc, char** argv) {
  int count = 1000;
  int udptimeout = 500;
  int timeoutSeconds = 120;
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string flag = argv[i];
    const int value = std::atoi(argv[i + 1]);
    if (flag == "--count") count = value;
    if (flag == "--udptimeout") udptimeout = value;
    if (flag == "--timeout") timeoutSeconds = value;
  }
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);

  const std::filesystem::path dir = std::filesystem::temp_directory_path() /
                                    ("brivak-window-bench-" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  platform::LinuxFileSystem files;
  UserList users(files, (dir / "userlist.dat").string());
  users.AddUser("admin", "bench-pass", kLevelAdmin);
  platform::MemoryRegistryStore registry;
  TmanagerSettings s;
  s.broadcastip = "127.255.255.255";
  s.wolip = "127.0.0.1";
  s.startip = "127.0.0.1";
  s.endip = "127.0.0.1";
  s.autorefresh = false;
  s.udptimeout = udptimeout;
  SaveSettings(registry, StoredManagerSettings{s, -1});
  platform::RecordingProcesses processes;
  platform::LinuxClock clock;

  app::ManagerServiceOptions options;
  options.credentials = {"admin", "bench-pass"};
  options.theLocalIP = "127.0.0.1";
  options.programDir = dir.string() + "/";
  options.listenForEvents = false;
  options.discoverOnStart = true;

  int code = 0;
  {
    TfrmManager window(TfrmManagerDeps{registry, processes, users, options.programDir},
                       [&](app::ManagerObservers observers, app::UiPost post) {
                         return std::make_unique<app::ManagerService>(
                             app::ManagerServiceDeps{clock, registry, processes, users, std::move(post), {}},
                             options, std::move(observers));
                       });
    window.show();

    // The heartbeat: a 5 ms timer; the longest time between two ticks is the longest gap.
    Clock::time_point last = Clock::now();
    std::chrono::microseconds longest{0};
    QTimer heartbeat;
    heartbeat.setInterval(5);
    heartbeat.setTimerType(Qt::PreciseTimer);
    QObject::connect(&heartbeat, &QTimer::timeout, [&] {
      const Clock::time_point now = Clock::now();
      longest = std::max(longest, std::chrono::duration_cast<std::chrono::microseconds>(now - last));
      last = now;
    });
    heartbeat.start();

    const Clock::time_point start = Clock::now();
    double listedAt = -1;
    double finishedAt = -1;
    QTimer watch;
    watch.setInterval(5);
    QObject::connect(&watch, &QTimer::timeout, [&] {
      const double t = std::chrono::duration<double>(Clock::now() - start).count();
      if (listedAt < 0 && window.Inventory().Count() >= count) listedAt = t;
      if (listedAt >= 0 && !window.Service().DiscoveryRunning()) {
        finishedAt = t;
        QApplication::quit();
      }
      if (t > timeoutSeconds) QApplication::quit();
    });
    last = Clock::now();
    if (!window.Start()) {
      std::fprintf(stderr, "window_bench: the manager did not start\n");
      return 1;
    }
    watch.start();
    QApplication::exec();
    heartbeat.stop();
    if (finishedAt < 0) {
      std::fprintf(stderr, "window_bench: %d of %d lockers listed in %d s\n", window.Inventory().Count(), count,
                   timeoutSeconds);
      code = 1;
    }
    std::printf("%8d %15.3f %13.3f %16.1f\n", count, listedAt, finishedAt,
                static_cast<double>(longest.count()) / 1000.0);
    std::fflush(stdout);
    window.close();
  }
  std::filesystem::remove_all(dir);
  return code;
}
