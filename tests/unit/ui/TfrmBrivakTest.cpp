#include "proj/ui/TfrmBrivak.h"

#include <QAction>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QMenu>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "common/Hash.h"
#include "platform/fake/FakeClock.h"
#include "platform/fake/FakePaths.h"
#include "platform/fake/FakeSystemInfo.h"
#include "platform/fake/MemoryRegistryStore.h"
#include "platform/fake/RecordingHotkeyRegistrar.h"
#include "platform/fake/RecordingProcesses.h"
#include "proj/ui/QtMainLoop.h"
#include "support/TempDir.h"
#include "support/Disk.h"

namespace brivak::ui {
namespace {

bool PumpUntil(const std::function<bool()>& done, int timeoutMs = 10000) {
  QDeadlineTimer deadline(timeoutMs);
  while (!done()) {
    if (deadline.hasExpired()) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
  }
  return true;
}

// These tests stay in the tray: no lock screen is ever asked for.
class NoLockScreens : public app::LockScreenFactory {
 public:
  std::unique_ptr<core::LockShell> Create(app::TrayController&) override {
    ++asked;
    return nullptr;
  }
  int asked = 0;
};

class TfrmBrivakTest : public ::testing::Test {
 protected:
  TfrmBrivakTest() {
    paths.executableDir = dir.File("bin/");
    paths.dataRoot = dir.File("data");
    paths.configRoot = dir.File("config");
    paths.runtimeDir = dir.File("run");
    registry.Modify([](IniDocument& doc) { doc.Write("Brivak 3.0\\Security", "passwordHash", Hash("secret")); });
    tray = std::make_unique<app::TrayController>(app::TrayPorts{paths, system, clock, registry, processes,
                                                                diagnostics, loop, app::RemotePorts{0, 0, 0},
                                                                screens, hotkeys, brivak::test::Disk()});
    administration = std::make_unique<AdministrationWindows>(AdministrationPorts{
        *tray, processes, {},
        [this](QWidget*, const QString& title, const QString& text) {
          messages.push_back(title.toStdString() + "|" + text.toStdString());
        },
        {}, {}, dir.File("path-a") + ":" + dir.File("path-b")});
  }
  ~TfrmBrivakTest() override {
    window.reset();
    administration.reset();
    tray.reset();
  }

  void Start(bool trayAvailable) {
    window = std::make_unique<TfrmBrivak>(
        TrayWindowPorts{*tray, diagnostics, processes, {}, [trayAvailable] { return trayAvailable; },
                        [this](const std::string& path) {
                          opened.push_back(path);
                          return true;
                        },
                        *administration});
    tray->FormCreate({"-tray"});
    window->AfterFormCreate();
  }

  std::vector<std::string> Items(const QMenu& menu) const {
    std::vector<std::string> items;
    for (QAction* action : menu.actions()) {
      items.push_back(action->isSeparator() ? "-" : action->text().toStdString() + (action->isEnabled() ? "" : " (off)"));
    }
    return items;
  }

  test::TempDir dir;
  platform::FakePaths paths;
  platform::FakeSystemInfo system;
  platform::FakeClock clock;
  platform::MemoryRegistryStore registry;
  platform::RecordingProcesses processes;
  core::Diagnostics diagnostics{clock, brivak::test::Disk(), dir.File("data/Brivak 3.0/")};
  QtMainLoop loop;
  NoLockScreens screens;
  platform::RecordingHotkeyRegistrar hotkeys;
  std::unique_ptr<app::TrayController> tray;
  std::vector<std::string> messages;
  std::unique_ptr<AdministrationWindows> administration;
  std::unique_ptr<TfrmBrivak> window;
  std::vector<std::string> opened;
};

TEST_F(TfrmBrivakTest, TheMenuIsInOrderAndWhatThisBuildLacksIsDisabled) {
  Start(false);
  EXPECT_EQ(Items(window->TrayMenu()),
            (std::vector<std::string>{"Launch Brivak", "Options", "-", "Brivak Manager",
                                      "Run Update Script (off)", "-", "Logs", "-", "Computer", "-",
                                      "Quality Control", "Help", "-", "Exit Brivak"}));
  EXPECT_EQ(window->TrayMenu().defaultAction()->text(), QStringLiteral("Launch Brivak"));
  EXPECT_EQ(Items(*window->FindAction(QStringLiteral("Quality Control"))->menu()),
            (std::vector<std::string>{"Show Console", "Show Debug Info", "Turn on Security"}));
  EXPECT_EQ(Items(*window->FindAction(QStringLiteral("Logs"))->menu()),
            (std::vector<std::string>{"Open Logs Folder", "Open Today's Log", "Log Manager"}));
  // The data folder exists after the start-up.
  EXPECT_TRUE(window->FindAction(QStringLiteral("Brivak App Data Folder"))->isEnabled());
  EXPECT_TRUE(window->FindAction(QStringLiteral("Uninstall Brivak"))->isEnabled());
  EXPECT_TRUE(window->FindAction(QStringLiteral("About Brivak..."))->isEnabled());
  window->FindAction(QStringLiteral("Brivak App Data Folder"))->trigger();
  EXPECT_EQ(opened, (std::vector<std::string>{tray->Values().appData}));
}

void MakeProgram(const std::string& path) {
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  std::ofstream(path) << "#!/bin/sh\n";
  std::filesystem::permissions(path, std::filesystem::perms::owner_all);
}

TEST_F(TfrmBrivakTest, BrivakManagerStartsFromTheProgramFolderElseThePathElseSaysWhereItLooked) {
  Start(false);
  QAction* manager = window->FindAction(QStringLiteral("Brivak Manager"));
  manager->trigger();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_NE(messages[0].find(tray->Values().appPath), std::string::npos) << messages[0];
  EXPECT_NE(messages[0].find(dir.File("path-a") + ":" + dir.File("path-b")), std::string::npos) << messages[0];
  EXPECT_TRUE(processes.Calls().empty());

  MakeProgram(dir.File("path-b/brivakmanager"));
  manager->trigger();
  ASSERT_EQ(processes.Calls().size(), 1u);
  EXPECT_EQ(processes.Calls()[0].argv, (std::vector<std::string>{dir.File("path-b/brivakmanager")}));
  MakeProgram(tray->Values().appPath + "brivakmanager");
  manager->trigger();
  ASSERT_EQ(processes.Calls().size(), 2u);
  EXPECT_EQ(processes.Calls()[1].argv, (std::vector<std::string>{tray->Values().appPath + "brivakmanager"}));
}

TEST_F(TfrmBrivakTest, AboutShowsTheVersionAndUninstallSaysHowToRemoveThePackage) {
  Start(false);
  window->FindAction(QStringLiteral("About Brivak..."))->trigger();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_NE(messages[0].find("Version " + tray->Values().fullVersionString), std::string::npos) << messages[0];
  EXPECT_NE(messages[0].find("Built with Qt"), std::string::npos) << messages[0];
  window->FindAction(QStringLiteral("Uninstall Brivak"))->trigger();
  ASSERT_EQ(messages.size(), 2u);
  EXPECT_NE(messages[1].find("sudo apt remove brivak"), std::string::npos) << messages[1];
  // An uninstaller in the program folder is run instead.
  MakeProgram(tray->Values().appPath + "uninstall");
  window->FindAction(QStringLiteral("Uninstall Brivak"))->trigger();
  EXPECT_EQ(messages.size(), 2u);
  ASSERT_EQ(processes.Calls().size(), 1u);
  EXPECT_EQ(processes.Calls()[0].argv, (std::vector<std::string>{tray->Values().appPath + "uninstall"}));
}

TEST_F(TfrmBrivakTest, WithoutATrayTheConsoleSaysSoAndTheProgramGoesOn) {
  Start(false);
  EXPECT_EQ(window->TrayIcon(), nullptr);
  EXPECT_NE(diagnostics.TrayConsole().Text().find("No system tray on this desktop"), std::string::npos);
}

TEST_F(TfrmBrivakTest, ShowDebugInfoIsBoundToTheSwitch) {
  Start(false);
  QAction* debug = window->FindAction(QStringLiteral("Show Debug Info"));
  ASSERT_TRUE(debug->isCheckable());
  debug->setChecked(true);
  EXPECT_TRUE(diagnostics.TrayConsole().SHOW_DEBUG.load());
  diagnostics.TrayConsole().SHOW_DEBUG = false;
  emit window->FindAction(QStringLiteral("Quality Control"))->menu()->aboutToShow();
  EXPECT_FALSE(debug->isChecked());
}

TEST_F(TfrmBrivakTest, TheBalloonFollowsTheReturnToTheTrayWithTheHotkeyText) {
  Start(false);
  std::vector<std::pair<QString, QString>> shown;
  QObject::connect(window.get(), &TfrmBrivak::balloonShown,
                   [&](const QString& title, const QString& text) { shown.emplace_back(title, text); });
  ASSERT_TRUE(PumpUntil([&] { return !shown.empty(); }));
  EXPECT_EQ(shown[0].first, QStringLiteral("Brivak 3.1"));
  EXPECT_EQ(shown[0].second, QStringLiteral("Double click or press Ctrl + Alt + S to lock."));
  EXPECT_EQ(screens.asked, 0);
}

TEST_F(TfrmBrivakTest, TheConsoleWindowFollowsTheTrayConsole) {
  Start(false);
  diagnostics.Mem("a line from the program");
  ASSERT_TRUE(PumpUntil([&] { return window->Console().Text().contains(QStringLiteral("a line from the program")); }));
  EXPECT_TRUE(window->Console().Text().contains(QStringLiteral("Connectivity established")));
}

}  // namespace
}  // namespace brivak::ui
