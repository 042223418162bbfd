#include "proj/core/LockSession.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>

#include "proj/core/LogFormat.h"
#include "proj/core/SlfClockFormat.h"
#include "proj/core/SystemPanel.h"
#include "proj/core/RemoteEvents.h"
#include "common/Stools.h"

namespace brivak::core {

namespace {

bool FileExists(const std::string& path) {
  std::error_code ec;
  return !path.empty() && std::filesystem::is_regular_file(path, ec);
}

// The layout file's modification stamp; nullopt when it cannot be read.
std::optional<std::int64_t> ModificationStamp(const std::string& path) {
  std::error_code ec;
  const auto stamp = std::filesystem::last_write_time(path, ec);
  if (ec) return std::nullopt;
  return static_cast<std::int64_t>(stamp.time_since_epoch().count());
}

const char* TrueFalse(bool value) { return value ? "True" : "False"; }

// The product's web page ("Visit Brivak homepage").
constexpr const char* kHomepage = "https://brivak.example.org/";

bool ReadTextFile(const std::string& path, std::string& text) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::ostringstream out;
  out << in.rdbuf();
  text = out.str();
  return true;
}

// The clock row of the system-information panel.
std::string FormatPanelClock(const platform::LocalTime& now) { return FormatSlfClock("h:nn:ss am/pm", now); }

}  // namespace

template <typename F>
auto LockSession::Modal(F&& call) {
  promptOpen_ = true;
  struct Reset {
    bool& flag;
    ~Reset() { flag = false; }
  } reset{promptOpen_};
  return call();
}

LockSession::LockSession(LockSessionPorts ports, LockSessionValues values)
    : ports_(ports), values_(std::move(values)), rightClicks_(ports.clock) {
  ports_.shell.SetEvents(this);
}

LockSession::~LockSession() { ports_.shell.SetEvents(nullptr); }

bool LockSession::FormCreate() {
  auto& log = ports_.diagnostics;
  if (!ports_.settings.Security.passwordHash.empty()) return true;
  log.Mem("No password defined.");
  promptOpen_ = true;
  ports_.shell.RunFirstTimeDialog();
  promptOpen_ = false;
  if (!ports_.settings.Security.passwordHash.empty()) {
    SaveSettings();  // the new master password goes to the program's store at once
    return true;
  }
  // No password, no lock: a lock nobody could end.
  allowClose_ = true;
  ended_ = true;
  ports_.host.LockEnding();
  ports_.shell.CloseWindow();
  ports_.host.CloseMainForm();
  return false;
}

void LockSession::Changed(std::string name, std::function<void()> undo) {
  undo_.emplace_back(std::move(name), std::move(undo));
}

std::vector<std::string> LockSession::PendingUndo() const {
  std::vector<std::string> names;
  for (const auto& entry : undo_) names.push_back(entry.first);
  return names;
}

void LockSession::Startup() {
  auto& log = ports_.diagnostics;
  auto& later = ports_.later;
  auto& shell = ports_.shell;
  const auto& settings = ports_.settings;
  const bool admin = values_.isAdmin;

  log.Debug("unMain.Startup;");
  log.Mem(admin ? "Brivak running with Admin privleges." : "Brivak does not have Admin privleges.");
  terminateApp_ = false;
  brivakReady_ = false;
  allowClose_ = false;
  startMs_ = ports_.clock.MonotonicMs();
  shell.ShowLockScreen();

  log.Debug("Creating Process Mapper...");
  later.CreateProcessMapper();
  Changed("process mapper", [this] {
    ports_.diagnostics.Mem("Closing Processes...");
    ports_.later.CloseProcessMapper();
    ports_.diagnostics.LastMem("Done.");
  });

  log.WriteLog("Brivak Started with command line parameters: " + values_.paramstring);
  log.Mem("Current User: " + values_.WinUsername + (admin ? " (Administrator)" : ""));
  log.Mem("Setting variables...");
  log.Debug("Initializing messages...");
  tml_ = TMessageList{};
  rightClicks_.Reset();
  lastMousePoint_ = shell.CursorPosition();
  movementShutdownPosted_ = false;
  lastInputMs_ = startMs_;
  log.Mem("Registering layouts...");
  later.RegisterLayouts();

  // Applying the settings gives an empty away message the default; the picker comes once the
  // screens are covered and the input held.
  if (awayMessage_.empty()) awayMessage_ = settings.Messages.DefaultAwayMessage;

  log.Mem("Applying settings...");
  ApplyLayout(true);
  ports_.shell.ShowNetworkState(ports_.network != nullptr, false);
  SuspendNetworkIfAsked();
  later.StartPlugins();
  Changed("plug-ins", [this] {
    ports_.diagnostics.Mem("Unloading plugins...");
    ports_.later.UnloadPlugins();
    ports_.diagnostics.LastMem("Done.");
  });

  if (settings.Security.MinimizeWindowsBeforeLock) later.MinimizeWindows();

  // No taskbar to hide on this desktop: the covers lie above every panel while the lock lasts.
  log.Mem("Hiding Taskbar...");
  log.Debug("Taskbar: the covers hide every panel of the desktop; nothing to hide or show.");
  log.LastMem("Done.");

  log.Mem(admin ? "Setting new AutoRun parameters..." : "Skipping set of AutoRun parameters (Not Admin)");
  later.SetAutoRun(admin);
  log.LastMem("Done.");
  Changed("autorun", [this, admin] {
    ports_.diagnostics.Mem("Restoring AutoRun setting...");
    ports_.later.RestoreAutoRun(admin);
    ports_.diagnostics.Mem("Done.");
  });

  later.DisableBalloonTips();
  Changed("balloon tips", [this] {
    ports_.diagnostics.Debug("SHUTDOWN: EnableBaloonTips..");
    ports_.later.EnableBalloonTips();
  });

  if (values_.secure) {
    if (admin) {
      later.DisableTaskManager();
      Changed("task manager", [this] {
        ports_.diagnostics.Debug("SHUTDOWN: EnableTaskManager..");
        ports_.later.EnableTaskManager();
      });
    } else {
      log.Mem("Skipping: DisableTaskManager (not admin)");
    }
  }

  // `lock`: the keyboard and pointer grabs.
  shell.TakeInputGrabs();
  Changed("input grabs", [this] {
    ports_.diagnostics.Debug("SHUTDOWN: Unlock...");
    ports_.shell.ReleaseInputGrabs();
  });
  brivakLocked_ = true;
  shell.SetLockedLook(true);

  if (settings.Logging.LogBrivakStart) {
    log.WriteLog("Brivak 3.1 started by " + values_.WinUsername + " (" + values_.startMethod + ")");
  }
  if (values_.secure) log.Mem("Applying window positions...");
  log.Mem("Setting foreground window...");
  shell.BringToFront();

  shell.ShowSystemPanel(settings.General.showSysInfoPanel);
  shell.StartStatusTimer();
  Changed("status timer", [this] { ports_.shell.StopStatusTimer(); });
  // The pointer is held by the grabs taken above.
  log.Mem("Setting mouse hook...");
  log.LastMem("Done");

  brivakReady_ = true;
  log.Mem("Double-click this gray area to hide Brivak taskbar");
  log.Mem("Hit F11 to edit the current layout source code");
  log.Mem("Hit F10 to modify Weather Maps");
  log.Mem("Hit the Windows key or F5 to bring up the Brivak menu");
  log.Debug("Brivak Ready:  Startup was " + std::to_string(ports_.clock.MonotonicMs() - startMs_) + " ms");
  if (settings.Security.UseWinLockStartup) later.LockWorkStation();

  log.Mem("Drawing the screen...");
  shell.FillScreen();
  Changed("covers", [this] {
    ports_.diagnostics.Debug("SHUTDOWN: Freeing Blackout Pages");
    ports_.shell.ReleaseCovers();
  });
  // Nothing of the desktop shows and no other window gets input while the picker waits.
  PromptForAwayMessage();
  shell.FocusBox();
  log.Debug("End of unMain.Startup.");
}

void LockSession::PromptForAwayMessage() {
  const auto& messages = ports_.settings.Messages;
  if (!messages.promptForAwayMsg || values_.noprompt) {
    awayMessage_ = messages.DefaultAwayMessage;
    return;
  }
  ports_.diagnostics.Mem("Prompting for Away Message..");
  AwayPickerRequest request{awayMessage_, messages.DefaultAwayMessage,
                            ParseAwayPresets(SplitAwayMessages(messages.awayMessages)),
                            messages.secsBeforeDefaultMsg, true};
  awayMessage_ = Modal([&] { return ports_.shell.RunAwayPicker(request); });
  if (ended_) return;
  ports_.shell.SetAwayMessage(awayMessage_);
  // An HTML layout shows the message through its tag: the page is made anew.
  if (ports_.settings.General.LayoutMode != 0) ports_.later.ReloadHtmlLayout();
}

// `BrivakSettingsApply` as far as this build carries it: an SLF layout is applied by the shell; an
// HTML layout goes to the later steps, and when they cannot show it the SLF fallback is used, so
// the lock always has an unlock box.
void LockSession::ApplyLayout(bool first) {
  auto& log = ports_.diagnostics;
  const auto& general = ports_.settings.General;
  const std::string fallback = values_.appData + kFallbackSlfLayout;
  std::string path = general.LayoutFile;
  if (general.LayoutMode != 0) {
    if (ports_.later.ApplyHtmlLayout(path)) {
      layoutPath_ = path;
      if (!first) return;
      Changed("layout", [this] {
        ports_.diagnostics.Debug("SHUTDOWN: Deleting temporary files...");
        ports_.later.DeleteTemporaryFiles();
      });
      return;
    }
    log.Mem("Reverting to simple.ini");
    path = fallback;
  } else if (!FileExists(path)) {
    log.Mem("*** Layout file not found: " + path);
    log.Mem("Reverting to simple.ini");
    path = fallback;
  }
  ports_.shell.ApplySlfLayout(path, awayMessage_);
  ports_.shell.SetMessageCount(tml_.Count());
  layoutPath_ = path;
  if (!first) return;
  Changed("layout", [this] {
    ports_.diagnostics.Debug("SHUTDOWN: Freeing Created Controls");
    ports_.shell.FreeCreatedControls();
  });
}

void LockSession::ShutDown() {
  if (ended_) return;  // runs once; also a call from an event pumped inside it
  ended_ = true;
  shuttingdown_ = true;
  auto& log = ports_.diagnostics;
  const auto& settings = ports_.settings;

  log.Debug("Shutdown! Params: " + values_.paramstring);
  countdown_.Stop();
  log.TrayConsole().savedebugdump();

  if (settings.Logging.LogBrivakExit) {
    log.Debug("******* Brivak Shutdown ***********");
    log.WriteLog("Brivak Shutdown");
    log.WriteLog("");
    log.Debug("&");
  }
  ports_.host.LockEnding();

  // Visitor notes of this lock, shown while the screen is still covered; the end waits for the
  // reader to close.
  if (!tml_.Empty()) {
    log.Debug("SHUTDOWN: Show Messages");
    Modal([this] { ports_.shell.ShowMessages(tml_); });
  }

  // Every change of Startup, undone last to first.
  while (!undo_.empty()) {
    auto undo = std::move(undo_.back().second);
    undo_.pop_back();
    undo();
  }

  if (values_.INI_MODE) {
    log.Debug("Not writing INI settings to registry.");
  } else {
    log.Mem("Writing Startup Data...");
    try {
      ports_.host.WriteStartupData();
      log.LastMem("Done.");
    } catch (const std::exception&) {
      log.LastMem("Exception while writing Startup Data!");
    }
  }

  log.Mem("Freeing resources...");
  allowClose_ = true;
  log.Debug("Freeing MsgList");
  tml_ = TMessageList{};
  log.Debug("SHUTDOWN: frmMain.CloseMainForm;");
  log.TrayConsole().savedebugdump();
  SaveSettings();

  if (values_.runoncekey) {
    log.Debug("run restartBrivakt3.exe and terminate");
    log.Debug("The restart program has no meaning on this system: not started; the program ends.");
    terminateApp_ = true;
  }
  if (values_.killOnClose) terminateApp_ = true;
  if (terminateApp_) ports_.host.TerminateApp();

  shuttingdown_ = false;
  log.TrayConsole().savedebugdump();
  ports_.shell.CloseWindow();
  ports_.host.CloseMainForm();
}

void LockSession::Dispatch(const LockCommand& command) {
  auto& log = ports_.diagnostics;
  if (!AcceptsCommands()) {
    log.Debug("NextCommand ignored (lock not ready): " + command.word);
    return;
  }
  const std::string& word = command.word;
  log.Debug("NextCommand: " + word);
  if (word == "leavemessage") LeaveAMessage();
  if (word == "remotemessage") AddRemoteMessage(command.message);
  if (word == "options") {
    if (Authorize("change Options", kLevelAdmin)) {
      ports_.shell.RunOptionsDialog();
    } else {
      ports_.host.SecurityEvent(security_event::kBadPasswordOptions);
    }
    FocusBox();
  }
  if (word == "readmessages") ViewMessages();
  if (word == "changeawaymessage") ChangeAwayMessage();
  if (word == "logs") {
    const int level = ports_.settings.Security.UserViewLogs ? kLevelUnlock : kLevelAdmin;
    if (Authorize("view Logs", level)) {
      ports_.shell.RunLogViewer();
    } else {
      ports_.host.SecurityEvent(security_event::kBadPasswordViewLogs);
    }
  }
  if (word == "focus") {
    log.Mem("setfocus");
    ports_.shell.BringToFront();
    FocusBox();
  }
  if (word == "shutdown") ShutDown();
  if (word == "terminate") {
    terminateApp_ = true;
    ShutDown();
    return;
  }
  if (word == "badpass" && !ended_) {
    ports_.shell.MessageBox("Incorrect username/password. ", "Brivak", MessageIcon::Stop);
    ports_.host.SecurityEvent(security_event::IncorrectUsernamePasswordFor(command.user));
    if (ports_.settings.General.LayoutMode != 0) ports_.later.ReloadHtmlLayout();
  }
}

bool LockSession::Authorize(const std::string& activity, int level) {
  // Only a lock that finished its start and was unlocked in place lets every request pass.
  if (brivakReady_ && !brivakLocked_) return true;
  if (promptOpen_ || ended_) return false;  // one prompt at a time
  promptOpen_ = true;
  const bool granted = ports_.shell.Authorize(activity, level);
  promptOpen_ = false;
  return granted;
}

bool LockSession::Confirm(const std::string& text, const std::string& caption, MessageIcon icon) {
  if (promptOpen_ || ended_) return false;
  promptOpen_ = true;
  const bool ok = ports_.shell.Confirm(text, caption, icon);
  promptOpen_ = false;
  return ok;
}

void LockSession::UnlockBrivak() {
  if (ended_ || !brivakReady_) return;
  if (!Authorize("unlock Brivak", kLevelAdmin)) return;
  if (ended_) return;
  brivakLocked_ = false;
  ports_.shell.SetLockedLook(false);
  ports_.diagnostics.WriteLog("Brivak Unlocked");
  const bool wasRunning = countdown_.Running();
  countdown_.Start();  // a second start leaves a running count where it stands
  if (!wasRunning) ports_.shell.ShowCountdown(countdown_.Label());
  ports_.diagnostics.Mem("Brivak Unlocked.");
}

void LockSession::LockBrivak() {
  if (ended_) return;
  ports_.shell.SetLockedLook(true);
  brivakLocked_ = true;
  ports_.diagnostics.WriteLog("Brivak Locked");
  countdown_.Stop();
  ports_.shell.HideCountdown();
}

void LockSession::OnLockTimer() {
  if (ended_) return;
  switch (countdown_.Tick()) {
    case RelockCountdown::TickResult::Idle:
      return;
    case RelockCountdown::TickResult::Counting:
      ports_.shell.ShowCountdown(countdown_.Label());
      return;
    case RelockCountdown::TickResult::Relock:
      LockBrivak();
      ports_.diagnostics.Mem("Brivak Locked.");
      return;
  }
}

void LockSession::UnlockAndExit() {
  if (ended_ || promptOpen_) return;
  // A lock still starting counts as locked: nothing ends it without a password.
  if (brivakLocked_ || !brivakReady_) {
    ports_.diagnostics.WriteLog("Request to Unlock & Exit");
    if (Authorize("unlock && exit Brivak", kLevelUnlock)) {
      ports_.host.PostCommand(LockCommand{"shutdown", {}, {}});
    } else if (!ended_) {
      FocusBox();
    }
  } else {
    ShutDown();
  }
}

bool LockSession::OnCloseQuery() {
  auto& log = ports_.diagnostics;
  const bool answer = allowClose_;
  log.Debug(std::string("Close Query...AllowClose=") + TrueFalse(answer));
  log.Debug(answer ? "TRUE" : "FALSE");
  if (!answer) UnlockAndExit();
  return answer;
}

KeyDecision LockSession::OnLockKey(const KeyEvent& event) {
  lastInputMs_ = ports_.clock.MonotonicMs();
  const KeyDecision decision = DecideLockKey(event, ports_.settings.General.HideBrivakBar);
  if (decision.drop) ports_.diagnostics.Mem(kSystemKeysInterceptedLine);
  if (decision.unlockAndExit) UnlockAndExit();
  return decision;
}

void LockSession::OnUnlockOk(const std::string& user, const std::string& password) {
  if (ended_) return;
  auto& log = ports_.diagnostics;
  const auto& security = ports_.settings.Security;
  const auto& logging = ports_.settings.Logging;
  log.Debug("tbExitOK clicked, unlock requested");
  if (!security.MultiUser) {
    if (Authenticate(password, security.passwordHash)) {
      ports_.host.PostCommand(LockCommand{"shutdown", {}, {}});
      return;
    }
    ports_.host.SecurityEvent(security_event::kIncorrectPasswordEntered);
    if (logging.LogBadPasswords) log.WriteLog("Bad Password entered to exit Brivak: " + password);
    ports_.shell.ClearPassword();
    ports_.shell.FocusBox();
    return;
  }
  const int level = Authenticate(ports_.users, user, password, log,
                                 AuthLogging{logging.LogBadPasswords, logging.LogUserWhoUnlocked});
  if (level >= kLevelUnlock) {
    if (logging.LogUserWhoUnlocked) log.WriteLog("User " + user + " unlocked Brivak to exit.");
    ports_.host.PostCommand(LockCommand{"shutdown", {}, {}});
    return;
  }
  log.Mem("Bad password entered while unlocking (multiuser)");
  ports_.host.SecurityEvent(security_event::kIncorrectPasswordEntered);
  if (logging.LogBadPasswords) {
    log.WriteLog("Bad Username/Password entered to exit Brivak: " + user + "/" + password);
  }
  ports_.shell.ClearBoth();
  ports_.shell.FocusBox();
}

void LockSession::OnChangePassword() {
  if (ended_ || promptOpen_) return;
  promptOpen_ = true;
  const bool changed = ports_.shell.RunChangePasswordDialog();
  promptOpen_ = false;
  if (changed) SaveSettings();
}

void LockSession::OnLeaveMessage() {
  if (ended_) return;
  ports_.diagnostics.Debug("LeaveMessage Request by BTN");
  LeaveAMessage();
}

// --- Visitor notes ---

bool LockSession::LeaveAMessage() {
  if (ended_ || promptOpen_) return false;
  auto& log = ports_.diagnostics;
  log.Debug("LeaveAMessage");
  const MessageSettings settings = ports_.settings.Messages;
  const std::optional<NoteEntry> entry = Modal([&] { return ports_.shell.RunNoteForm(settings); });
  if (ended_) return false;
  ports_.shell.FocusBox();  // the unlock box takes the keys again
  if (!entry) return false;
  tml_.NewMessage(ports_.clock.Local(), entry->from, entry->subject, entry->message);
  ports_.shell.SetMessageCount(tml_.Count());
  log.WriteLog("Note left by: " + tml_.Newest().Data().From);
  return true;
}

void LockSession::AddRemoteMessage(const RemoteMessage& message) {
  tml_.NewMessage(ports_.clock.Local(), message.from, message.subject, RemoteNoteBody(message));
  ports_.shell.SetMessageCount(tml_.Count());
  ports_.diagnostics.Mem("You received a message from remote address.");
}

void LockSession::ViewMessages() {
  if (ended_) return;
  if (brivakLocked_ && !Authorize("read messages", kLevelAdmin)) return;
  if (ended_) return;
  if (tml_.Empty()) {
    ports_.shell.MessageBox("You have no messages.", "Brivak", MessageIcon::Warning);
    return;
  }
  if (promptOpen_) return;
  Modal([this] { ports_.shell.ShowMessages(tml_); });
  if (!ended_) ports_.shell.FocusBox();
}

void LockSession::ChangeAwayMessage() {
  if (ended_ || promptOpen_) return;
  if (!Authorize("change away message", kLevelUnlock) || ended_) return;
  const auto& messages = ports_.settings.Messages;
  AwayPickerRequest request{awayMessage_, messages.DefaultAwayMessage,
                            ParseAwayPresets(SplitAwayMessages(messages.awayMessages)),
                            messages.secsBeforeDefaultMsg, false};
  awayMessage_ = Modal([&] { return ports_.shell.RunAwayPicker(request); });
  if (ended_) return;
  ports_.shell.SetAwayMessage(awayMessage_);
  RefreshLayout();
  FocusBox();
}

void LockSession::SuspendNetworkIfAsked() {
  NetworkSuspension* network = ports_.network;
  if (!network || !ports_.settings.Security.suspendNetwork || network->NetworkWasTurnedOff()) return;
  ToggleNetwork(false);
}

void LockSession::ToggleNetwork(bool restore) {
  NetworkSuspension* network = ports_.network;
  network->ToggleNetwork(restore);
  ports_.shell.ShowNetworkState(true, network->NetworkWasTurnedOff());
  if (restore || networkUndo_) return;
  networkUndo_ = true;
  Changed("network", [this] {
    NetworkSuspension* net = ports_.network;
    if (!net || !net->NetworkWasTurnedOff()) return;
    ports_.diagnostics.Mem("Restoring Network...");
    net->ToggleNetwork(true);
    ports_.diagnostics.LastMem("Done.");
  });
}

// The level is 1 with `UserSuspendNetwork`, else 2 (unlocked in place, Authorize asks nothing).
void LockSession::OnNetworkButton() {
  NetworkSuspension* network = ports_.network;
  if (ended_ || !network) return;
  const bool restore = network->NetworkWasTurnedOff();
  const int level = ports_.settings.Security.UserSuspendNetwork ? kLevelUnlock : kLevelAdmin;
  if (!Authorize(restore ? "resume network access" : "suspend network access", level)) return;
  if (ended_) return;
  ToggleNetwork(restore);
}

void LockSession::RefreshLayout() {
  if (ended_) return;
  ports_.diagnostics.Debug("Refresh Layout");
  SuspendNetworkIfAsked();
  if (ports_.settings.General.LayoutMode != 0) {
    ports_.later.ReloadHtmlLayout();
    return;
  }
  ApplyLayout(false);
}

// --- Bar, menu, timers and gestures ---

void LockSession::OnStatusTick() {
  if (ended_) return;
  if (ports_.settings.General.showSysInfoPanel) RefreshSystemPanel();
  ScanLayoutFile();
}

void LockSession::RefreshSystemPanel() {
  const std::int64_t idleMs = ports_.clock.MonotonicMs() - lastInputMs_;
  if (ports_.system == nullptr) {
    SystemPanelTexts texts;
    texts.idle = "Idle " + SecondsToTimeStr(std::max<std::int64_t>(0, idleMs) / 1000);
    texts.clock = FormatPanelClock(ports_.clock.Local());
    ports_.shell.UpdateSystemPanel(texts);
    return;
  }
  const platform::SystemInfo& system = *ports_.system;
  ports_.shell.UpdateSystemPanel(SystemPanelRows(platform::CpuLoadPercent(system), system.Memory(),
                                                 system.Battery(), ports_.clock.Local(), idleMs));
}

void LockSession::ScanLayoutFile() {
  if (!ports_.settings.Advanced.ScanForLayoutFileChanges || layoutPath_.empty()) return;
  const std::optional<std::int64_t> stamp = ModificationStamp(layoutPath_);
  if (!stamp) return;
  if (!layoutStamp_) {
    layoutStamp_ = stamp;  // the first tick only records the stamp
    return;
  }
  if (*stamp == *layoutStamp_) return;
  auto& log = ports_.diagnostics;
  log.Debug(std::to_string(*stamp) + " vs " + std::to_string(*layoutStamp_));
  layoutStamp_ = stamp;
  log.Mem("Refreshing layout...");
  RefreshLayout();
  log.LastMem("Done.");
}

void LockSession::OnMenuCommand(LockMenuCommand command) {
  if (ended_ || !CommandAvailable(command)) return;
  auto& log = ports_.diagnostics;
  switch (command) {
    case LockMenuCommand::ChangeAwayMessage:
      ChangeAwayMessage();
      return;
    case LockMenuCommand::ViewMessages:
      ViewMessages();
      return;
    case LockMenuCommand::HelpManual:
      ports_.shell.ShowHelp();
      return;
    case LockMenuCommand::MonitorOff:
      log.WriteLog("Monitor turned off");
      ports_.host.MonitorOff();
      return;
    case LockMenuCommand::Standby:
    case LockMenuCommand::Hibernate: {
      // Locked again first, so that the machine wakes locked; the prompt passes at once while
      // unlocked in place.
      const bool standby = command == LockMenuCommand::Standby;
      const int level = ports_.settings.Security.UserStandby ? kLevelUnlock : kLevelAdmin;
      if (!Authorize(standby ? "put system in Standby" : "Hibernate system", level) || ended_) return;
      LockBrivak();
      if (standby) {
        ports_.host.SystemStandby();
      } else {
        ports_.host.SystemHibernate();
      }
      return;
    }
    case LockMenuCommand::LayoutGuide:
      if (!ports_.shell.OpenDocument(values_.appPath + "doc/Brivak Layout Formats.htm")) {
        log.Mem("Cannot open " + values_.appPath + "doc/Brivak Layout Formats.htm");
      }
      return;
    case LockMenuCommand::Readme: {
      const std::string path = values_.appPath + "readme.txt";
      std::string text;
      if (!ReadTextFile(path, text)) text = "The file " + path + " does not exist.";
      ports_.shell.ShowText("Readme.txt", text);
      return;
    }
    case LockMenuCommand::Homepage:
      if (Authorize("launch an external browser window", kLevelAdmin) && !ended_) {
        ports_.shell.OpenDocument(kHomepage);
      }
      return;
    case LockMenuCommand::About:
      ports_.shell.ShowText("About Brivak", "Brivak 3.1\r\nThe workstation locker.");
      return;
    case LockMenuCommand::UnlockBrivak:
      UnlockBrivak();
      return;
    case LockMenuCommand::UnlockAndExit:
      UnlockAndExit();
      return;
    case LockMenuCommand::Options:
      Dispatch(LockCommand{"options", {}, {}});
      return;
    case LockMenuCommand::Logs:
      Dispatch(LockCommand{"logs", {}, {}});
      return;
    case LockMenuCommand::RefreshLayout:
      log.Debug("F5 Refresh");
      RefreshLayout();
      return;
    default:
      // Commands of features this build does not carry never get here (CommandAvailable).
      return;
  }
}

void LockSession::OnRightButton() {
  if (ended_) return;
  lastInputMs_ = ports_.clock.MonotonicMs();
  if (rightClicks_.RegisterRightClick()) ports_.shell.RunMenuTimer();
}

void LockSession::OnPointerMoved(int x, int y) {
  if (ended_) return;
  lastInputMs_ = ports_.clock.MonotonicMs();
  if (!ports_.settings.Advanced.screenSaverExit || movementShutdownPosted_) return;
  if (std::make_pair(x, y) == lastMousePoint_) return;
  movementShutdownPosted_ = true;
  ports_.diagnostics.Mem("Mouse movement detected, shutting down.");
  ports_.host.PostCommand(LockCommand{"shutdown", {}, {}});
}

void LockSession::OnMessageCountClicked() { ViewMessages(); }

void LockSession::OnConsoleToggle() {
  if (ended_) return;
  if (!ports_.settings.Security.UserChangeConsole && brivakLocked_) {
    if (!Authorize("change console mode", kLevelAdmin)) {
      if (!ended_) ports_.host.SecurityEvent("Bad credentials to change console mode.");
      return;
    }
    if (ended_) return;
  }
  ports_.shell.SwitchConsolePage();
}

// The idle label ends the lock only as the unlock box would: with the password (or at once while
// unlocked in place). It used to end the lock without one.
void LockSession::OnIdleLabelClicked() { UnlockAndExit(); }

void LockSession::SaveSettings() { ports_.host.SaveSettings(); }

}  // namespace brivak::core
