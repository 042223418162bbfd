// Entry of brivak3: decides what this process is (stop requester, forwarder to the running instance,
// or the instance), then runs the instance: the tray controller on Qt's event loop, the tray icon
// and console, the lock screen windows, the global hotkey and the input grabs on the X display.
#include <pthread.h>
#include <signal.h>

#include <QApplication>
#include <QGuiApplication>
#include <QSocketNotifier>

#include <cstdlib>
#include <exception>
#include <filesystem>
#include <iostream>
#include <memory>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "platform/linux/DBusNetworkSwitch.h"
#include "platform/linux/DBusPowerActions.h"
#include "platform/linux/DBusPowerEvents.h"
#include "platform/linux/LinuxClock.h"
#include "platform/linux/LinuxInstanceChannel.h"
#include "platform/linux/LinuxInstanceLock.h"
#include "platform/linux/LinuxLockWatchdog.h"
#include "platform/linux/LinuxPaths.h"
#include "platform/linux/LinuxProcesses.h"
#include "platform/linux/LinuxFileSystem.h"
#include "platform/linux/LinuxRegistryStore.h"
#include "platform/linux/LinuxSystemInfo.h"
#include "platform/linux/MountTable.h"
#include "platform/linux/X11Connection.h"
#include "platform/linux/X11FrontKeeper.h"
#include "platform/linux/X11HotkeyRegistrar.h"
#include "platform/linux/X11MonitorPower.h"
#include "platform/linux/X11IdleSource.h"
#include "platform/linux/X11SaverPreview.h"
#include "platform/linux/X11InputGuard.h"
#include "proj/app/TrayController.h"
#include "proj/core/Diagnostics.h"
#include "proj/core/EntryRole.h"
#include "proj/core/SaverPreview.h"
#include "proj/ui/AppInputFilter.h"
#include "proj/ui/AdministrationWindows.h"
#include "proj/ui/QtLockScreenFactory.h"
#include "proj/ui/QtMainLoop.h"
#include "proj/ui/SaverWindows.h"
#include "proj/ui/TfrmBrivak.h"

namespace {

using namespace brivak;

// Termination signals end the instance the way the end of the desktop session does. They are
// taken by one thread with sigwait, so no code runs inside a signal handler.
class SignalWatch {
 public:
  explicit SignalWatch(app::MainLoop& loop, app::TrayController& tray) {
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

// An exception that escapes an event handler is written to the console as "EX:" + its message and
// the program goes on (Qt's loop must never see it).
class BrivakApplication final : public QApplication {
 public:
  BrivakApplication(int& argc, char** argv, core::Diagnostics& diagnostics)
      : QApplication(argc, argv), diagnostics_(diagnostics) {}
  bool notify(QObject* receiver, QEvent* event) override {
    try {
      return QApplication::notify(receiver, event);
    } catch (const std::exception& e) {
      diagnostics_.Mem(std::string("EX: ") + e.what());
    } catch (...) {
      diagnostics_.Mem("EX: unknown exception");
    }
    return false;
  }

 private:
  core::Diagnostics& diagnostics_;
};

// Registers nothing: the desktop has no X connection for key grabs.
class NoHotkeys final : public platform::HotkeyRegistrar {
 public:
  void SetCallback(Callback) override {}
  bool Register(int, std::uint32_t, std::uint32_t) override { return false; }
  void Unregister(int) override {}
  void UnregisterAll() override {}
  bool IsRegistered(int) const override { return false; }
  int EventFd() const override { return -1; }
  int Pump() override { return 0; }
};

// The locker needs an X11 desktop: Qt's xcb platform (unless another one is asked for by name, as
// tests do) and a display that answers. Qt itself would end the process without a clear word.
bool DisplayAvailable(std::string& why) {
  const char* platformName = std::getenv("QT_QPA_PLATFORM");
  if (platformName != nullptr && *platformName != '\0' && std::string(platformName) != "xcb") return true;
  const char* display = std::getenv("DISPLAY");
  if (display == nullptr || *display == '\0') {
    why = "no X11 display (DISPLAY is not set)";
    return false;
  }
  if (!platform::OpenX11Display(display)) {
    why = std::string("cannot open the X11 display ") + display;
    return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  SignalWatch::BlockInThisThread();
  const std::vector<std::string> args(argv + 1, argv + argc);

  platform::LinuxPaths paths;
  platform::LinuxClock clock;
  platform::LinuxSystemInfo system;
  platform::LinuxProcesses processes;
  platform::LinuxMediaWatch media;

  std::string appData;
  std::string configRoot;
  try {
    appData = app::AppDataFolder(paths);
    configRoot = paths.ConfigRoot();
  } catch (const std::exception& e) {
    std::cerr << "brivak3: " << e.what() << "\n";
    return 1;
  }

  platform::LinuxFileSystem files;
  core::Diagnostics diagnostics(clock, files, appData);
  diagnostics.SetEcho(&std::cout);

  // The instance lock and its socket live in the runtime folder, else in the data folder.
  std::error_code ignored;
  std::string lockDir = paths.RuntimeDir();
  if (lockDir.empty()) {
    lockDir = appData.substr(0, appData.size() - 1);
    std::error_code ec;
    std::filesystem::create_directories(lockDir, ec);
  }
  platform::LinuxInstanceLock lock(lockDir + "/brivak3.lock");
  platform::LinuxInstanceChannel channel(lockDir + "/brivak3.sock");
  platform::LinuxRegistryStore registry(files, configRoot + "/brivak/registry.ini");
  // The watchdog beside the program starts this program again, with the same arguments.
  std::vector<std::string> lockerArgv{std::filesystem::read_symlink("/proc/self/exe", ignored).string()};
  lockerArgv.insert(lockerArgv.end(), args.begin(), args.end());
  platform::LinuxLockWatchdog watchdog(lockDir + "/brivak3-watchdog.sock", paths.ExecutableDir() + "brivak3-watchdog",
                                       lockerArgv);

  // The instance's parts, made only when this process is the instance (a stop requester or a
  // forwarder needs no display). Destroyed in reverse order below.
  int qtArgc = argc;
  if (std::getenv("QT_QPA_PLATFORM") == nullptr) qputenv("QT_QPA_PLATFORM", "xcb");
  std::unique_ptr<BrivakApplication> application;
  std::unique_ptr<ui::QtMainLoop> loop;
  std::unique_ptr<platform::HotkeyRegistrar> hotkeys;
  std::unique_ptr<platform::InputGuard> guard;
  std::unique_ptr<platform::FrontKeeper> front;
  std::unique_ptr<platform::X11IdleSource> idle;
  std::unique_ptr<ui::AppInputFilter> inputFilter;
  std::unique_ptr<platform::DBusPowerEvents> power;
  std::unique_ptr<ui::SaverWindows> savers;
  std::unique_ptr<platform::DBusPowerActions> powerActions;
  std::unique_ptr<platform::DBusNetworkSwitch> networkSwitch;
  std::unique_ptr<platform::MonitorPower> monitorPower;
  std::unique_ptr<ui::QtLockScreenFactory> lockScreens;
  std::unique_ptr<app::TrayController> tray;
  std::unique_ptr<ui::AdministrationWindows> administration;
  std::unique_ptr<ui::TfrmBrivak> trayWindow;
  std::unique_ptr<QSocketNotifier> hotkeyNotifier;
  bool started = false;
  bool noDisplay = false;

  core::EntryPorts ports{
      .WL = [&](std::string_view text) { diagnostics.WL(text); },
      .lock = lock,
      .channel = channel,
      // No launcher of ours paints previews on this platform, so none is ever up already.
      .previewWindowExists = [] { return false; },
      .runPreview = [&] { return platform::PaintSaverPreview(core::PreviewWindowId(args)); },
      .createInstance =
          [&] {
            std::string why;
            if (!DisplayAvailable(why)) {
              std::cerr << "brivak3: " << why << "; the locker needs an X11 desktop.\n";
              noDisplay = true;
              return;
            }
            application = std::make_unique<BrivakApplication>(qtArgc, argv, diagnostics);
            QApplication::setQuitOnLastWindowClosed(false);
            loop = std::make_unique<ui::QtMainLoop>();
            loop->SetErrorHandler([&](const std::string& message) { diagnostics.Mem("EX: " + message); });

            // The grabs go through Qt's own connection: grabbed keys must reach the lock screen.
            _XDisplay* qtDisplay = nullptr;
            if (auto* x11 = application->nativeInterface<QNativeInterface::QX11Application>()) {
              qtDisplay = x11->display();
            }
            guard = platform::X11InputGuard::Borrow(qtDisplay);
            hotkeys = qtDisplay ? platform::X11HotkeyRegistrar::Open() : nullptr;
            if (!hotkeys) hotkeys = std::make_unique<NoHotkeys>();
            if (hotkeys->EventFd() >= 0) {
              hotkeyNotifier = std::make_unique<QSocketNotifier>(hotkeys->EventFd(), QSocketNotifier::Read);
              QObject::connect(hotkeyNotifier.get(), &QSocketNotifier::activated, [&] { hotkeys->Pump(); });
            }
            xcb_connection_t* qtXcb = nullptr;
            if (auto* x11 = application->nativeInterface<QNativeInterface::QX11Application>()) {
              qtXcb = x11->connection();
            }
            front = platform::X11FrontKeeper::Open(qtDisplay, qtXcb);
            lockScreens = std::make_unique<ui::QtLockScreenFactory>(guard.get(), front.get());
            // The session's idle time; without an X display (offscreen tests) it reads 0.
            if (qtDisplay) idle = platform::X11IdleSource::Open();
            power = std::make_unique<platform::DBusPowerEvents>();
            savers = std::make_unique<ui::SaverWindows>(diagnostics);
            powerActions = std::make_unique<platform::DBusPowerActions>();
            networkSwitch = std::make_unique<platform::DBusNetworkSwitch>();
            if (qtDisplay) monitorPower = platform::X11MonitorPower::Open();  // the DISPLAY Qt uses
            tray = std::make_unique<app::TrayController>(app::TrayPorts{
                paths, system, clock, registry, processes, diagnostics, *loop, app::RemotePorts{}, *lockScreens,
                *hotkeys, files, idle.get(), &media, power.get(), &watchdog, savers.get(), powerActions.get(),
                networkSwitch.get(), monitorPower.get()});
            inputFilter = std::make_unique<ui::AppInputFilter>(tray->IdleDetector());
            application->installEventFilter(inputFilter.get());
            administration = std::make_unique<ui::AdministrationWindows>(ui::AdministrationPorts{
                *tray, processes, [&] { return lockScreens->Prompts(*tray).Context(); }, {}, {}, {}, {}});
            lockScreens->SetAdministration(administration.get());
            trayWindow = std::make_unique<ui::TfrmBrivak>(ui::TrayWindowPorts{
                *tray, diagnostics, processes, [&] { return lockScreens->Prompts(*tray).Context(); }, {}, {},
                *administration});

            channel.Listen([&](const platform::InstanceMessage& message) {
              loop->Post([&tray, message] { tray->OnInstanceMessage(message); });
            });
            try {
              tray->FormCreate(args);
              started = true;
            } catch (const std::exception& e) {
              diagnostics.Mem(std::string("EX: ") + e.what());
              return;
            }
            trayWindow->AfterFormCreate();
            hotkeys->Pump();  // registration round trips may have queued events already
          },
  };
  const core::EntryResult entry = core::RunEntry(args, ports);
  if (!entry.continueAsInstance) return entry.exitCode;
  int status = 0;
  if (started) {
    SignalWatch signalWatch(*loop, *tray);
    QApplication::exec();
  } else {
    status = 1;
  }
  channel.StopListening();
  hotkeyNotifier.reset();
  trayWindow.reset();
  if (application && inputFilter) application->removeEventFilter(inputFilter.get());
  inputFilter.reset();
  administration.reset();
  tray.reset();
  networkSwitch.reset();
  monitorPower.reset();
  powerActions.reset();
  power.reset();
  savers.reset();  // the servers and any lock screen go first
  lockScreens.reset();
  front.reset();
  guard.reset();
  idle.reset();
  hotkeys.reset();
  loop.reset();
  application.reset();
  return noDisplay ? 1 : status;
}
