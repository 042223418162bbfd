// Entry of brivak3: decides what this process is (stop requester, forwarder to the running instance,
// or the instance), then runs the instance's start-up and message loop.
#include <pthread.h>
#include <signal.h>

#include <filesystem>
#include <iostream>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "platform/linux/LinuxClock.h"
#include "platform/linux/LinuxInstanceChannel.h"
#include "platform/linux/LinuxInstanceLock.h"
#include "platform/linux/LinuxPaths.h"
#include "platform/linux/LinuxProcesses.h"
#include "platform/linux/LinuxRegistryStore.h"
#include "platform/linux/LinuxSystemInfo.h"
#include "proj/app/EventLoop.h"
#include "proj/app/TrayController.h"
#include "proj/core/Diagnostics.h"
#include "proj/core/EntryRole.h"

namespace {

using namespace brivak;

// Termination signals end the instance the way the end of the desktop session does. They are
// taken by one thread with sigwait, so no code runs inside a signal handler.
class SignalWatch {
 public:
  explicit SignalWatch(app::EventLoop& loop, app::TrayController& tray) {
    thread_ = std::thread([&loop, &tray] {
      sigset_t set = Watched();
      for (;;) {
        int sig = 0;
        if (sigwait(&set, &sig) != 0 || sig == SIGUSR1) return;
        loop.Post([&tray] { tray.OnEndSession(); });
      }
    });
  }
  ~SignalWatch() {
    pthread_kill(thread_.native_handle(), SIGUSR1);
    thread_.join();
  }
  // Blocks the watched signals in the calling thread and the threads it starts afterwards.
  static void BlockInThisThread() {
    sigset_t set = Watched();
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
    signal(SIGPIPE, SIG_IGN);
  }

 private:
  static sigset_t Watched() {
    sigset_t set;
    sigemptyset(&set);
    for (int sig : {SIGINT, SIGTERM, SIGHUP, SIGUSR1}) sigaddset(&set, sig);
    return set;
  }
  std::thread thread_;
};

}  // namespace

int main(int argc, char** argv) {
  SignalWatch::BlockInThisThread();
  const std::vector<std::string> args(argv + 1, argv + argc);

  platform::LinuxPaths paths;
  platform::LinuxClock clock;
  platform::LinuxSystemInfo system;
  platform::LinuxProcesses processes;

  std::string appData;
  std::string configRoot;
  try {
    appData = app::AppDataFolder(paths);
    configRoot = paths.ConfigRoot();
  } catch (const std::exception& e) {
    std::cerr << "brivak3: " << e.what() << "\n";
    return 1;
  }

  core::Diagnostics diagnostics(clock, appData);
  diagnostics.SetEcho(&std::cout);

  // The instance lock and its socket live in the runtime folder, else in the data folder.
  std::string lockDir = paths.RuntimeDir();
  if (lockDir.empty()) {
    lockDir = appData.substr(0, appData.size() - 1);
    std::error_code ec;
    std::filesystem::create_directories(lockDir, ec);
  }
  platform::LinuxInstanceLock lock(lockDir + "/brivak3.lock");
  platform::LinuxInstanceChannel channel(lockDir + "/brivak3.sock");
  platform::LinuxRegistryStore registry(configRoot + "/brivak/registry.ini");

  app::EventLoop loop;
  app::TrayController tray({paths, system, clock, registry, processes, diagnostics, loop, app::RemotePorts{}});
  bool started = false;

  core::EntryPorts ports{
      .WL = [&](std::string_view text) { diagnostics.WL(text); },
      .lock = lock,
      .channel = channel,
      .previewWindowExists = [] { return false; },
      .runPreview = [] { return false; },  // no screen-saver preview painter on this platform yet
      .createInstance =
          [&] {
            channel.Listen([&](const platform::InstanceMessage& message) {
              loop.Post([&tray, message] { tray.OnInstanceMessage(message); });
            });
            try {
              tray.FormCreate(args);
              started = true;
            } catch (const std::exception& e) {
              diagnostics.Mem(std::string("EX: ") + e.what());
            }
          },
  };
  const core::EntryResult entry = core::RunEntry(args, ports);
  if (!entry.continueAsInstance) return entry.exitCode;
  if (!started) {
    channel.StopListening();
    return 1;
  }

  {
    SignalWatch signals(loop, tray);
    loop.Run();
  }
  channel.StopListening();
  return 0;
}
