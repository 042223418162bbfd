#include "proj/core/LockSession.h"

#include <filesystem>
#include <system_error>

#include "proj/core/RemoteEvents.h"

namespace brivak::core {

namespace {

bool FileExists(const std::string& path) {
  std::error_code ec;
  return !path.empty() && std::filesystem::is_regular_file(path, ec);
}

const char* TrueFalse(bool value) { return value ? "True" : "False"; }

}  // namespace

LockSession::LockSession(LockSessionPorts ports, LockSessionValues values)
    : ports_(ports), values_(std::move(values)) {
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
  later.InitMessages();
  log.Mem("Registering layouts...");
  later.RegisterLayouts();

  // The away message is chosen before the layout is applied, so that the layout shows it.
  if (!settings.Messages.promptForAwayMsg || values_.noprompt) {
    awayMessage_ = settings.Messages.DefaultAwayMessage;
  } else {
    log.Mem("Prompting for Away Message..");
    promptOpen_ = true;
    awayMessage_ = later.PromptForAwayMessage(settings.Messages.DefaultAwayMessage);
    promptOpen_ = false;
  }

  log.Mem("Applying settings...");
  ApplyLayout();
  later.StartPlugins();
  Changed("plug-ins", [this] {
    ports_.diagnostics.Mem("Unloading plugins...");
    ports_.later.UnloadPlugins();
    ports_.diagnostics.LastMem("Done.");
  });

  if (settings.Security.MinimizeWindowsBeforeLock) later.MinimizeWindows();

  log.Mem("Hiding Taskbar...");
  later.HideTaskbar();
  log.LastMem("Done.");
  Changed("taskbar", [this] {
    ports_.diagnostics.Debug("SHUTDOWN: ShowTaskBar..");
    ports_.later.ShowTaskbar();
  });

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

  later.StartStatusBar();
  Changed("status bar", [this] { ports_.later.StopStatusBar(); });
  // The pointer is held by the grabs taken above.
  log.Mem("Setting mouse hook...");
  log.LastMem("Done");
  later.StartMiniBrowser();

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
  shell.FocusBox();
  log.Debug("End of unMain.Startup.");
}

// `BrivakSettingsApply` as far as this build carries it: an SLF layout is applied by the shell; an
// HTML layout goes to the later steps, and when they cannot show it the SLF fallback is used, so
// the lock always has an unlock box.
void LockSession::ApplyLayout() {
  auto& log = ports_.diagnostics;
  const auto& general = ports_.settings.General;
  const std::string fallback = values_.appData + kFallbackSlfLayout;
  std::string path = general.LayoutFile;
  if (general.LayoutMode != 0) {
    if (ports_.later.ApplyHtmlLayout(path)) {
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

  // Visitor notes of this lock, shown while the screen is still covered.
  if (ports_.later.HasMessages()) {
    log.Debug("SHUTDOWN: Show Messages");
    promptOpen_ = true;
    ports_.later.ShowMessagesAtEnd();
    promptOpen_ = false;
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
  log.Debug("SHUTDOWN: frmMain.CloseMainForm;");
  log.TrayConsole().savedebugdump();
  SaveSettings();

  if (values_.runoncekey) {
    log.Debug("run restartBrivakt3.exe and terminate");
    ports_.later.RunRestartProgram();
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
  if (word == "leavemessage") ports_.later.LeaveMessage();
  if (word == "remotemessage") {
    ports_.later.AddRemoteMessage(command.message);
    log.Mem("You received a message from remote address.");
  }
  if (word == "options") {
    if (Authorize("change Options", kLevelAdmin)) {
      ports_.shell.RunOptionsDialog();
    } else {
      ports_.host.SecurityEvent(security_event::kBadPasswordOptions);
    }
    FocusBox();
  }
  if (word == "readmessages" && Authorize("read messages", kLevelAdmin)) {
    if (!ports_.later.HasMessages()) {
      ports_.shell.MessageBox("You have no messages.", "Brivak", MessageIcon::Warning);
    } else {
      ports_.later.MessagesDialog();
    }
  }
  if (word == "changeawaymessage") ports_.later.ChangeAwayMessage();
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
  ports_.later.LeaveMessage();
}

void LockSession::SaveSettings() { ports_.host.SaveSettings(); }

}  // namespace brivak::core
