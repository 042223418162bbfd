#include "manager/ui/ManagerWindowMain.h"

#include <QApplication>
#include <QMessageBox>
#include <QSocketNotifier>

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <exception>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <string>

#include "common/UserList.h"
#include "manager/app/HeadlessLogin.h"
#include "manager/app/ManagerService.h"
#include "manager/app/RegistryOverlay.h"
#include "manager/app/ServiceOptions.h"
#include "manager/core/Login.h"
#include "manager/core/ManagerSettings.h"
#include "manager/ui/QtText.h"
#include "manager/ui/TfrmManager.h"
#include "manager/ui/TfrmUserUnlock.h"
#include "platform/linux/LinuxClock.h"
#include "platform/linux/LinuxFileSystem.h"
#include "platform/linux/LinuxPaths.h"
#include "platform/linux/LinuxProcesses.h"
#include "platform/linux/LinuxRegistryStore.h"
#include "platform/linux/LinuxSystemInfo.h"

namespace brivak::manager {

namespace {

int gStopPipe = -1;

// SIGTERM and SIGINT close the window as its close button does (settings saved, controller
// stopped); the handler only writes a byte that the UI thread reads.
void OnStopSignal(int) {
  const char byte = 1;
  [[maybe_unused]] const ssize_t written = ::write(gStopPipe, &byte, 1);
}

// The list as the window shows it, one line per computer (name, address, status, user, separated
// by tabs), written as one replacement so a reader never sees half a list.
void WriteStatusFile(const std::string& path, const TComputerList& inventory) {
  const std::string temp = path + ".tmp";
  {
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    for (const TComputer& c : inventory.Items()) {
      out << c.ComputerName << '\t' << c.RemoteIP << '\t' << c.StatusStr << '\t' << c.CurrentUser << '\n';
    }
    if (!out) return;
  }
  std::error_code ignored;
  std::filesystem::rename(temp, path, ignored);
}

}  // namespace

int RunWindow(const app::ManagerCommandLine& commandLine, int argc, char** argv) {
  QApplication application(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Brivak Manager"));
  QApplication::setQuitOnLastWindowClosed(true);

  platform::LinuxPaths paths;
  const std::string programDir = paths.ExecutableDir();
  platform::LinuxFileSystem files;
  const UserList users(files, commandLine.userList.value_or(programDir + "userlist.dat"));

  // The login: the dialog, or a file only its owner can read (unattended starts and tests).
  ManagerLogin login(users);
  if (commandLine.loginFile) {
    const app::LoginRead read = app::ReadLoginFile(*commandLine.loginFile);
    if (!read.pair) {
      std::cerr << "brivakmanager: " << read.error << std::endl;
      return 1;
    }
    login.Submit(read.pair->user, read.pair->password);
  } else {
    TfrmUserUnlock dialog(login);
    dialog.exec();
  }
  if (login.Outcome() != LoginOutcome::Accepted) {
    if (login.Outcome() == LoginOutcome::Cancelled || login.Outcome() == LoginOutcome::Pending) return 0;
    if (commandLine.loginFile) {
      std::cerr << login.Message() << std::endl;
    } else {
      QMessageBox::critical(nullptr, ToQ(kLoginCaption), ToQ(login.Message()));
    }
    return 1;
  }

  std::string configRoot;
  std::string userListCopies;  // a file per fetched user list, owner-only
  try {
    configRoot = paths.ConfigRoot();
    userListCopies = paths.DataRoot() + "/brivak/manager/userlists";
  } catch (const std::exception& e) {
    std::cerr << "brivakmanager: " << e.what() << std::endl;
    return 1;
  }
  platform::LinuxRegistryStore stored(files, configRoot + "/brivak/registry.ini");
  app::RegistryOverlay registry(stored, std::string(kManagerSettingsSection), commandLine.settings);
  platform::LinuxClock clock;
  platform::LinuxProcesses processes;
  platform::LinuxSystemInfo system;

  app::ManagerServiceOptions options = app::MakeServiceOptions(commandLine, login, system, programDir);

  int code = 0;
  {
    TfrmManager window(
        TfrmManagerDeps{registry, processes, users, programDir, userListCopies},
        [&](app::ManagerObservers observers, app::UiPost post) {
          return std::make_unique<app::ManagerService>(
              app::ManagerServiceDeps{clock, registry, processes, users, std::move(post), {}}, options,
              std::move(observers));
        });
    if (commandLine.statusFile) {
      WriteStatusFile(*commandLine.statusFile, TComputerList());
      window.SetInventoryShown(
          [path = *commandLine.statusFile](const TComputerList& shown) { WriteStatusFile(path, shown); });
    }
    window.show();
    const StartResult started = window.Start();
    if (!started) {
      std::cerr << "brivakmanager: " << started.error << std::endl;
      QMessageBox::critical(&window, ToQ(kLoginCaption), ToQ(started.error));
      return 1;
    }
    int stopPipe[2] = {-1, -1};
    std::unique_ptr<QSocketNotifier> stopNotifier;
    if (::pipe2(stopPipe, O_CLOEXEC | O_NONBLOCK) == 0) {
      gStopPipe = stopPipe[1];
      struct sigaction action {};
      action.sa_handler = OnStopSignal;
      sigemptyset(&action.sa_mask);
      ::sigaction(SIGTERM, &action, nullptr);
      ::sigaction(SIGINT, &action, nullptr);
      stopNotifier = std::make_unique<QSocketNotifier>(stopPipe[0], QSocketNotifier::Read);
      QObject::connect(stopNotifier.get(), &QSocketNotifier::activated, &window, [&window, fd = stopPipe[0]] {
        char drained[16];
        while (::read(fd, drained, sizeof drained) > 0) {
        }
        window.CloseWhenIdle();
      });
    }
    code = QApplication::exec();
    if (stopNotifier) {
      ::signal(SIGTERM, SIG_DFL);
      ::signal(SIGINT, SIG_DFL);
      stopNotifier.reset();
      ::close(stopPipe[0]);
      ::close(stopPipe[1]);
    }
  }  // the window stops its controller before anything it uses goes away
  return code;
}

}  // namespace brivak::manager
