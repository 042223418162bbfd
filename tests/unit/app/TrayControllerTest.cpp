#include "proj/app/EventLoop.h"
#include "proj/app/TrayController.h"

#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "common/Hash.h"
#include "platform/fake/FakeClock.h"
#include "platform/fake/FakePaths.h"
#include "platform/fake/FakeSystemInfo.h"
#include "platform/fake/MemoryRegistryStore.h"
#include "platform/fake/RecordingHotkeyRegistrar.h"
#include "platform/fake/RecordingLockWatchdog.h"
#include "platform/fake/RecordingPowerActions.h"
#include "platform/fake/RecordingProcesses.h"
#include "platform/fake/ScriptedMediaWatch.h"
#include "platform/fake/ScriptedPowerEvents.h"
#include "platform/fake/SettableIdleSource.h"
#include "proj/core/InstanceProtocol.h"
#include "proj/net/HttpProbe.h"
#include "support/Files.h"
#include "support/TempDir.h"
#include "unit/core/LockTestFakes.h"
#include "support/Disk.h"

namespace brivak::app {
namespace {

using namespace std::chrono_literals;

// A UDP socket on 127.0.0.1 that stands for the master station's event port.
class EventReceiver {
 public:
  EventReceiver() : fd_(socket(AF_INET, SOCK_DGRAM, 0)) {
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    socklen_t len = sizeof addr;
    getsockname(fd_, reinterpret_cast<sockaddr*>(&addr), &len);
    port_ = ntohs(addr.sin_port);
    timeval timeout{5, 0};
    setsockopt(fd_, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
  }
  ~EventReceiver() { close(fd_); }
  std::uint16_t Port() const { return port_; }
  // The next datagram, or "" when none came within the receive time-out.
  std::string Receive() {
    char buffer[2048];
    const auto n = recv(fd_, buffer, sizeof buffer, 0);
    return n > 0 ? std::string(buffer, static_cast<std::size_t>(n)) : std::string();
  }

 private:
  int fd_;
  std::uint16_t port_ = 0;
};

// Lock screens that record what the lock asks of them, all into one journal.
class RecordingLockScreens : public LockScreenFactory {
 public:
  std::unique_ptr<core::LockShell> Create(TrayController& controller) override {
    ++created;
    auto shell = std::make_unique<core::test::RecordingLockShell>(journal);
    shell->settings = &controller.Settings();
    shell->firstTimeHash = firstTimeHash;
    last = shell.get();
    return shell;
  }
  bool Has(const std::string& entry) const { return std::find(journal.begin(), journal.end(), entry) != journal.end(); }

  core::test::Journal journal;
  core::test::RecordingLockShell* last = nullptr;  // valid while its lock exists
  std::string firstTimeHash;
  int created = 0;
};

// The test's loop: everything runs on the plain event loop, except timers of a minute or more,
// which are held for the test to fire.
class HoldingLoop : public MainLoop {
 public:
  explicit HoldingLoop(EventLoop& inner) : inner_(inner) {}
  void Post(Task task) override { inner_.Post(std::move(task)); }
  void PostAfter(std::chrono::milliseconds delay, Task task) override {
    if (delay >= 1min) {
      held.emplace_back(delay, std::move(task));
    } else {
      inner_.PostAfter(delay, std::move(task));
    }
  }
  void Quit() override {
    quitRequested = true;
    inner_.Quit();
  }
  void ProcessPending() override { inner_.ProcessPending(); }
  // Fires the oldest held timer (on the loop, as a timer would).
  bool FireHeld() {
    if (held.empty()) return false;
    Task task = std::move(held.front().second);
    held.erase(held.begin());
    inner_.Post(std::move(task));
    return true;
  }

  std::vector<std::pair<std::chrono::milliseconds, Task>> held;
  bool quitRequested = false;  // main thread only

 private:
  EventLoop& inner_;
};

class TrayControllerTest : public ::testing::Test {
 protected:
  TrayControllerTest() {
    paths_.executableDir = dir_.File("bin/");
    paths_.dataRoot = dir_.File("data");
    paths_.configRoot = dir_.File("config");
    paths_.runtimeDir = dir_.File("run");
    paths_.executablePath = dir_.File("bin/brivak3");
    registry_.Modify([](IniDocument& doc) {
      doc.Write("Brivak 3.0\\Security", "passwordHash", Hash("secret"));
      doc.Write("Brivak 3.0\\Security", "MasterIP", "127.0.0.1");
    });
  }
  ~TrayControllerTest() override { tray_.reset(); }

  void Start(const std::vector<std::string>& args) {
    tray_ = std::make_unique<TrayController>(
        TrayPorts{paths_, system_, clock_, registry_, processes_, diagnostics_, holdingLoop_,
                  RemotePorts{0, 0, events_.Port()}, screens_, hotkeys_, brivak::test::Disk(), &idle_,
                  &media_, &power_, &watchdog_, nullptr, &powerActions_});
    tray_->FormCreate(args);
    ASSERT_FALSE(tray_->ExitOnClick()) << diagnostics_.TrayConsole().Text();
  }

  std::vector<std::string> LogTexts() const { return ::brivak::test::DayLogTexts(dir_.File("data/Brivak 3.0/Logs/Dec-09-26.txt")); }
  bool LogHas(const std::string& text) const {
    const auto texts = LogTexts();
    return std::find(texts.begin(), texts.end(), text) != texts.end();
  }

  bool Wait(const std::function<bool()>& done) { return loop_.RunUntil(done, 10s); }

  brivak::test::TempDir dir_;
  platform::FakePaths paths_;
  platform::FakeSystemInfo system_;
  platform::FakeClock clock_;
  platform::MemoryRegistryStore registry_;
  platform::RecordingProcesses processes_;
  core::Diagnostics diagnostics_{clock_, brivak::test::Disk(), dir_.File("data/Brivak 3.0/")};
  EventLoop loop_;
  HoldingLoop holdingLoop_{loop_};
  EventReceiver events_;
  RecordingLockScreens screens_;
  platform::RecordingHotkeyRegistrar hotkeys_;
  platform::SettableIdleSource idle_;
  platform::ScriptedMediaWatch media_{{"/", "/media/tester/OLD"}};
  platform::ScriptedPowerEvents power_;
  platform::RecordingLockWatchdog watchdog_;
  platform::RecordingPowerActions powerActions_;
  std::unique_ptr<TrayController> tray_;
};

TEST_F(TrayControllerTest, StartsInTheTrayAndAnswersItsOwnCommandPort) {
  Start({"-tray"});
  ASSERT_NE(tray_->HttpPort(), 0);
  const auto reply =
      net::HttpProbe("127.0.0.1", tray_->HttpPort(), "/query?s_username=&s_password=secret", 5s);
  ASSERT_TRUE(reply.has_value());
  EXPECT_NE(reply->body.find("<status>Unlocked</status>"), std::string::npos) << reply->body;
  EXPECT_NE(reply->body.find("<masterip>127.0.0.1</masterip>"), std::string::npos);
  EXPECT_FALSE(tray_->CurrentlyLocked());
  EXPECT_NE(diagnostics_.TrayConsole().Text().find("Connectivity established"), std::string::npos);
}

// The manager's "Launch Brivak" reads the program's location: written at every start, in both
// stores; the end of a lock writes the log-on entry of StartupMode.
TEST_F(TrayControllerTest, TheProgramLocationIsWrittenAtStartAndTheEntryAtTheEndOfALock) {
  const auto location = [&] { return registry_.Snapshot().ReadString("Brivak 3.0\\General", "sAppLocation", ""); };
  std::filesystem::create_directories(dir_.File("bin"));
  ::brivak::test::WriteAll(dir_.File("bin/settings.ini"), "[General]\r\nStartupMode=1\r\n");
  Start({"-tray"});
  EXPECT_EQ(location(), dir_.File("bin/brivak3")) << "INI mode too";
  const std::string entry = dir_.File("config/autostart/brivak3.desktop");
  EXPECT_FALSE(std::filesystem::exists(entry)) << "INI mode writes no start-up entry";
  tray_.reset();

  std::filesystem::remove(dir_.File("bin/settings.ini"));
  registry_.Modify([](IniDocument& doc) { doc.Write("Brivak 3.0\\General", "sAppLocation", "/old/brivak3"); });
  Start({"-tray"});
  EXPECT_EQ(location(), dir_.File("bin/brivak3"));
  tray_->RequestLockLaunch();
  ASSERT_TRUE(Wait([&] { return tray_->Session() && tray_->Session()->Ready(); }));
  ASSERT_TRUE(tray_->RequestCommand({"shutdown", "", {}}));
  ASSERT_TRUE(Wait([&] { return !tray_->LockScreenExists(); }));
  const std::string text = ::brivak::test::ReadAll(entry);
  EXPECT_NE(text.find("Exec=\"" + dir_.File("bin/brivak3") + "\" -runkey"), std::string::npos) << text;
}

TEST_F(TrayControllerTest, LockRunsASessionAndEndsThroughTheCommandQueue) {
  Start({"-tray"});
  tray_->RequestLockLaunch();
  ASSERT_TRUE(Wait([&] { return tray_->Session() && tray_->Session()->Ready(); }));
  EXPECT_TRUE(tray_->CurrentlyLocked() && tray_->LockScreenExists());
  EXPECT_TRUE(LogHas("Brivak Started with command line parameters: -tray"));
  EXPECT_TRUE(LogHas("Brivak 3.1 started by tester (Default)"));
  const int writesBefore = registry_.WriteCount();

  ASSERT_TRUE(tray_->RequestCommand({"shutdown", "", {}}));
  ASSERT_TRUE(Wait([&] { return !tray_->CurrentlyLocked() && !tray_->LockScreenExists(); }));
  EXPECT_TRUE(LogHas("Brivak Shutdown"));
  EXPECT_GT(registry_.WriteCount(), writesBefore) << "the end of a lock saves the settings";

  EXPECT_TRUE(screens_.Has("shell:ReleaseCovers"));
  EXPECT_TRUE(screens_.Has("shell:CloseWindow"));
  // The session goes after CloseMainForm returned.
  ASSERT_TRUE(Wait([&] { return tray_->Session() == nullptr; }));

  // Nothing is posted into a lock that no longer exists.
  EXPECT_FALSE(tray_->RequestCommand({"shutdown", "", {}}));
  const auto texts = LogTexts();
  EXPECT_EQ(std::count(texts.begin(), texts.end(), "Brivak Shutdown"), 1);
}

TEST_F(TrayControllerTest, RefusedUnlockWhileLockedSendsTheSecurityEvent) {
  Start({"-tray"});
  tray_->RequestLockLaunch();
  ASSERT_TRUE(Wait([&] { return tray_->CurrentlyLocked(); }));
  const auto reply = net::HttpProbe("127.0.0.1", tray_->HttpPort(), "/unlock?s_username=bob&s_password=wrong", 5s);
  ASSERT_TRUE(reply.has_value());
  EXPECT_EQ(reply->reason, "cant Shutdown, not authenticated");
  // The handler posts "badpass"; the main loop turns it into the event.
  ASSERT_TRUE(Wait([&] { return screens_.Has("shell:MessageBox Incorrect username/password. |Brivak"); }));
  EXPECT_EQ(events_.Receive(), "/se:Incorrect username/password entered for user: bob");
  EXPECT_TRUE(tray_->CurrentlyLocked());
}

TEST_F(TrayControllerTest, StartWithoutTrayLocksAtOnce) {
  Start({});
  ASSERT_TRUE(Wait([&] { return tray_->CurrentlyLocked(); }));
  EXPECT_TRUE(LogHas("Brivak 3.1 started by tester (Default)"));
}

TEST_F(TrayControllerTest, HotkeyIsRegisteredAndLocksWithItsStartMethod) {
  Start({"-tray"});
  // Ctrl+Alt+S by default: keysym "s", ControlMask | Mod1Mask.
  ASSERT_EQ(hotkeys_.Registered().count(0), 1u);
  EXPECT_EQ(hotkeys_.Registered().at(0).keysym, 0x73u);
  EXPECT_EQ(hotkeys_.Registered().at(0).modifiers, 4u | 8u);
  EXPECT_EQ(tray_->BalloonText(), "Double click or press Ctrl + Alt + S to lock.");
  hotkeys_.Press(0x73, 4 | 8);
  EXPECT_EQ(hotkeys_.Pump(), 1);
  ASSERT_TRUE(Wait([&] { return tray_->Session() && tray_->Session()->Ready(); }));
  EXPECT_TRUE(LogHas("Brivak 3.1 started by tester (Hotkey)"));
}

TEST_F(TrayControllerTest, HotkeyIndexOutsideTheAlphabetRegistersNothing) {
  registry_.Modify([](IniDocument& doc) { doc.Write("Brivak 3.0\\General", "hkHotKeyIndex", "26"); });
  Start({"-tray"});
  EXPECT_TRUE(hotkeys_.Registered().empty());
}

TEST_F(TrayControllerTest, LaunchWhileALockExistsOnlyBringsItToTheFront) {
  Start({"-tray"});
  tray_->LaunchFromTray();
  ASSERT_TRUE(Wait([&] { return tray_->Session() && tray_->Session()->Ready(); }));
  EXPECT_TRUE(LogHas("Brivak 3.1 started by tester (System Tray)"));
  const auto fronts = std::count(screens_.journal.begin(), screens_.journal.end(), "shell:BringToFront");
  tray_->StartLockLaunch("Hotkey");
  ASSERT_TRUE(Wait([&] {
    return std::count(screens_.journal.begin(), screens_.journal.end(), "shell:BringToFront") > fronts;
  }));
  EXPECT_EQ(screens_.created, 1);
  EXPECT_FALSE(LogHas("Brivak 3.1 started by tester (Hotkey)"));
}

TEST_F(TrayControllerTest, CommandsWaitWhileAPromptIsOpen) {
  Start({"-tray"});
  tray_->RequestLockLaunch();
  ASSERT_TRUE(Wait([&] { return tray_->Session() && tray_->Session()->Ready(); }));
  auto* shell = screens_.last;
  bool shutdownWaited = false;
  // While the "Unlock & Exit" prompt is open, a "shutdown" arrives and the loop runs.
  shell->duringPrompt = [&] {
    ASSERT_TRUE(tray_->RequestCommand({"shutdown", "", {}}));
    loop_.ProcessPending();
    shutdownWaited = tray_->LockScreenExists();
  };
  shell->events->UnlockAndExit();
  EXPECT_TRUE(shutdownWaited);
  // After the prompt closed the waiting command ends the lock.
  ASSERT_TRUE(Wait([&] { return !tray_->LockScreenExists(); }));
  EXPECT_FALSE(tray_->CurrentlyLocked());
}

TEST_F(TrayControllerTest, NoPasswordAndNoneGivenMeansNoLock) {
  registry_.Modify([](IniDocument& doc) { doc.Write("Brivak 3.0\\Security", "passwordHash", ""); });
  Start({"-tray"});
  tray_->RequestLockLaunch();
  ASSERT_TRUE(Wait([&] { return screens_.Has("shell:RunFirstTimeDialog"); }));
  ASSERT_TRUE(Wait([&] { return tray_->Session() == nullptr; }));
  EXPECT_FALSE(tray_->LockScreenExists());
  EXPECT_FALSE(tray_->CurrentlyLocked());
  EXPECT_FALSE(screens_.Has("shell:ShowLockScreen"));
}

TEST_F(TrayControllerTest, PasswordChangeInIniModeIsSavedToTheIniForm) {
  std::filesystem::create_directories(dir_.File("bin"));
  brivak::test::WriteAll(dir_.File("bin/settings.ini"),
                          "[Security]\r\npasswordHash=" + Hash("secret") + "\r\nMasterIP=127.0.0.1\r\n");
  Start({"-tray"});
  ASSERT_TRUE(tray_->Values().INI_MODE);
  tray_->RequestLockLaunch();
  ASSERT_TRUE(Wait([&] { return tray_->Session() && tray_->Session()->Ready(); }));
  const int registryWrites = registry_.WriteCount();
  screens_.last->changePasswordHash = Hash("changed");
  screens_.last->events->OnChangePassword();
  EXPECT_NE(brivak::test::ReadAll(dir_.File("bin/settings.ini")).find(Hash("changed")), std::string::npos);
  EXPECT_EQ(registry_.WriteCount(), registryWrites);
}

}  // namespace
}  // namespace brivak::app

namespace brivak::app {
namespace {

TEST_F(TrayControllerTest, RunForEndsTheProgramThroughTheNextLockOnly) {
  Start({"-tray", "-runfor", "5"});
  ASSERT_EQ(holdingLoop_.held.size(), 1u);
  EXPECT_EQ(holdingLoop_.held.front().first, 5min);

  // In the tray a tick does nothing, and the timer keeps running.
  ASSERT_TRUE(holdingLoop_.FireHeld());
  ASSERT_TRUE(Wait([&] { return holdingLoop_.held.size() == 1; }));
  loop_.ProcessPending();
  EXPECT_FALSE(tray_->LockScreenExists());
  EXPECT_FALSE(holdingLoop_.quitRequested);

  // With a lock running, the next tick ends the lock and then the program.
  tray_->RequestLockLaunch();
  ASSERT_TRUE(Wait([&] { return tray_->Session() && tray_->Session()->Ready(); }));
  ASSERT_TRUE(holdingLoop_.FireHeld());
  EXPECT_TRUE(Wait([&] { return !tray_->LockScreenExists(); }));
  EXPECT_TRUE(LogHas("Brivak Shutdown"));
  EXPECT_TRUE(Wait([&] { return holdingLoop_.quitRequested; })) << "the program ends after the lock";
}

TEST_F(TrayControllerTest, WithoutRunForNoTimedTerminationIsArmed) {
  Start({"-tray", "-runfor", "-tray"});  // the four characters after the switch are no number
  EXPECT_TRUE(holdingLoop_.held.empty());
}

}  // namespace
}  // namespace brivak::app

namespace brivak::app {
namespace {

TEST_F(TrayControllerTest, IdleLockNamesItsTriggerFocusesTheBoxAndPausesWhileLocked) {
  registry_.Modify([](IniDocument& doc) { doc.Write("Brivak 3.0\\Security", "lockTime", "0"); });
  Start({"-tray"});
  EXPECT_TRUE(tray_->IdleSupervision().Enabled());
  ASSERT_TRUE(Wait([&] { return tray_->Session() && tray_->Session()->Ready(); }));
  EXPECT_TRUE(LogHas("Brivak 3.1 started by tester (Idle Timeout)"));
  EXPECT_FALSE(tray_->IdleSupervision().Enabled()) << "no idle supervision while a lock exists";
  ASSERT_TRUE(Wait([&] { return diagnostics_.TrayConsole().Text().find("setfocus") != std::string::npos; }))
      << "the idle lock posts \"focus\"";
  ASSERT_TRUE(tray_->RequestCommand({"shutdown", "", {}}));
  ASSERT_TRUE(Wait([&] { return !tray_->LockScreenExists(); }));
  // Back in the tray the supervision runs again; lockTime 0 locks on its first tick.
  ASSERT_TRUE(Wait([&] { return tray_->IdleSupervision().Enabled(); }));
  ASSERT_TRUE(Wait([&] { return tray_->Session() && tray_->Session()->Ready(); }));
  EXPECT_EQ(screens_.created, 2);
}

TEST_F(TrayControllerTest, QueryReportsTheSessionIdleTime) {
  Start({"-tray"});
  idle_.Set(42999);
  const auto reply = net::HttpProbe("127.0.0.1", tray_->HttpPort(), "/query?s_username=&s_password=secret", 5s);
  ASSERT_TRUE(reply.has_value());
  EXPECT_NE(reply->body.find("<idletime>42</idletime>"), std::string::npos) << reply->body;
}

TEST_F(TrayControllerTest, PowerEventsAreReportedAndTheLockScreenLogsSuspendAndResume) {
  Start({"-tray"});
  power_.Send(platform::PowerEvent::Suspending);
  EXPECT_EQ(events_.Receive(), "/pe:System is suspending...");
  EXPECT_FALSE(LogHas("Power Suspended")) << "only the lock screen writes the power lines";
  EXPECT_NE(diagnostics_.TrayConsole().Text().find("System is suspending..."), std::string::npos);

  tray_->RequestLockLaunch();
  ASSERT_TRUE(Wait([&] { return tray_->Session() && tray_->Session()->Ready(); }));
  power_.Send(platform::PowerEvent::Suspending);
  EXPECT_EQ(events_.Receive(), "/pe:System is suspending...");
  power_.Send(platform::PowerEvent::Resumed);
  EXPECT_EQ(events_.Receive(), "/pe:System is resuming operations after suspending...");
  EXPECT_TRUE(LogHas("Power Suspended"));
  EXPECT_TRUE(LogHas("Power Resumed"));
  power_.Send(platform::PowerEvent::BatteryLow);
  EXPECT_EQ(events_.Receive(), "/pe:Battery is low.");
  power_.Send(platform::PowerEvent::PowerSourceChanged);
  EXPECT_EQ(events_.Receive(), "/pe:");
}

TEST_F(TrayControllerTest, PowerReportsFollowReportPowerEvents) {
  registry_.Modify([](IniDocument& doc) {
    doc.Write("Brivak 3.0\\Security", "reportPowerEvents", "0");
    doc.Write("Brivak 3.0\\Security", "reportSecurityEvents", "1");
  });
  Start({"-tray"});
  power_.Send(platform::PowerEvent::Suspending);
  EXPECT_NE(diagnostics_.TrayConsole().Text().find("System is suspending..."), std::string::npos);
  // The next datagram is a later security event: no power report went before it.
  tray_->SecurityEvent("after the power event");
  EXPECT_EQ(events_.Receive(), "/se:after the power event");
}

TEST_F(TrayControllerTest, RemovableVolumesAreWatchedFromTheStart) {
  Start({"-tray"});
  EXPECT_EQ(tray_->RemovableVolumes(), std::vector<std::string>{"/media/tester/OLD"});
  media_.Mount("/media/tester/NEW");  // unprepared, unlocked: nothing happens
  ASSERT_TRUE(Wait([&] { return tray_->RemovableVolumes().size() == 2; }));
  media_.Unmount("/media/tester/NEW");
  ASSERT_TRUE(Wait([&] { return LogHas("USB Removed:  ()"); }));
  EXPECT_FALSE(tray_->LockScreenExists());
}

TEST_F(TrayControllerTest, ALockIsKnownToTheWatchdogAndOnDiskUntilItsNormalEnd) {
  const std::string state = dir_.File("data/Brivak 3.0/lock.state");
  Start({"-tray"});
  EXPECT_EQ(watchdog_.Calls(), (std::vector<std::string>{"attach"}));
  EXPECT_FALSE(std::filesystem::exists(state));
  tray_->RequestLockLaunch();
  ASSERT_TRUE(Wait([&] { return tray_->Session() && tray_->Session()->Ready(); }));
  EXPECT_EQ(watchdog_.Calls(), (std::vector<std::string>{"attach", "lock", "held"}));
  EXPECT_EQ(brivak::test::ReadAll(state), "locked\n");
  // The watchdog held the input (it answered "released"): the lock screen takes the grabs again.
  EXPECT_EQ(std::count(screens_.journal.begin(), screens_.journal.end(), "shell:TakeInputGrabs"), 2);

  ASSERT_TRUE(tray_->RequestCommand({"shutdown", "", {}}));
  ASSERT_TRUE(Wait([&] { return !tray_->LockScreenExists(); }));
  EXPECT_EQ(watchdog_.Calls(), (std::vector<std::string>{"attach", "lock", "held", "unlock"}));
  EXPECT_FALSE(std::filesystem::exists(state));
}

TEST_F(TrayControllerTest, AStartThatFindsTheLockedStateLocksAgainWhateverTheCommandLine) {
  std::filesystem::create_directories(dir_.File("data/Brivak 3.0"));
  brivak::test::WriteAll(dir_.File("data/Brivak 3.0/lock.state"), "locked\n");
  watchdog_.SetAnswers(false);  // no watchdog: the lock is taken up all the same
  Start({"-tray"});
  EXPECT_NE(diagnostics_.TrayConsole().Text().find(kNoWatchdogLine), std::string::npos);
  ASSERT_TRUE(Wait([&] { return tray_->Session() && tray_->Session()->Ready(); }));
  EXPECT_TRUE(LogHas(kLockedAgainLine));
  EXPECT_TRUE(LogHas(std::string("Brivak 3.1 started by tester (") + kLockedAgainMethod + ")"));
  EXPECT_EQ(std::count(screens_.journal.begin(), screens_.journal.end(), "shell:TakeInputGrabs"), 1);
}

TEST_F(TrayControllerTest, AStopRequestWhileLockedIsAHandOverThatKeepsTheLockedState) {
  Start({"-tray"});
  tray_->RequestLockLaunch();
  ASSERT_TRUE(Wait([&] { return tray_->Session() && tray_->Session()->Ready(); }));
  tray_->OnInstanceMessage(core::kStopMessage);
  EXPECT_TRUE(holdingLoop_.quitRequested);
  EXPECT_EQ(watchdog_.Calls().back(), "handover");
  EXPECT_TRUE(LogHas(kHandOverLine));
  EXPECT_FALSE(LogHas("Brivak Shutdown")) << "the lock is not ended: the next start takes it up";
  EXPECT_EQ(brivak::test::ReadAll(dir_.File("data/Brivak 3.0/lock.state")), "locked\n");
}

TEST_F(TrayControllerTest, AStopRequestInTheTrayIsNoHandOver) {
  Start({"-tray"});
  tray_->OnInstanceMessage(core::kStopMessage);
  EXPECT_TRUE(holdingLoop_.quitRequested);
  EXPECT_EQ(watchdog_.Calls(), (std::vector<std::string>{"attach"}));
}

TEST_F(TrayControllerTest, StandbyFromTheTrayLocksCoversAndOnlyThenAsksThePowerService) {
  Start({"-tray"});
  std::vector<platform::PowerOutcome> outcomes;
  tray_->SystemStandby([&](platform::PowerOutcome outcome) { outcomes.push_back(outcome); });
  EXPECT_TRUE(powerActions_.Calls().empty()) << "not before the lock covers the monitors";
  ASSERT_TRUE(Wait([&] { return !outcomes.empty(); }));
  EXPECT_TRUE(outcomes.front().accepted);
  EXPECT_EQ(powerActions_.Calls(), std::vector<std::string>{"suspend"});
  EXPECT_TRUE(tray_->CurrentlyLocked());
  const auto texts = LogTexts();
  const auto started = std::find_if(texts.begin(), texts.end(),
                                    [](const std::string& t) { return t.starts_with("Brivak 3.1 started by "); });
  const auto going = std::find(texts.begin(), texts.end(), "System going into Stand By");
  ASSERT_NE(going, texts.end());
  EXPECT_LT(started, going) << "locked first";
  EXPECT_TRUE(screens_.Has("shell:FillScreen"));
}

TEST_F(TrayControllerTest, AHibernateTheServiceRefusesIsLoggedAndReportedAsAFailure) {
  Start({"-tray"});
  powerActions_.SetOutcome({false, "org.freedesktop.login1.NotSupported: no"});
  std::vector<platform::PowerOutcome> outcomes;
  tray_->SystemHibernate([&](platform::PowerOutcome outcome) { outcomes.push_back(outcome); });
  ASSERT_TRUE(Wait([&] { return !outcomes.empty(); }));
  EXPECT_FALSE(outcomes.front().accepted);
  EXPECT_EQ(powerActions_.Calls(), std::vector<std::string>{"hibernate"});
  EXPECT_TRUE(LogHas("System going into Hibernate"));
  EXPECT_TRUE(LogHas("Hibernate failed: org.freedesktop.login1.NotSupported: no"));
  EXPECT_TRUE(tray_->CurrentlyLocked()) << "the lock stays";
}

}  // namespace
}  // namespace brivak::app
