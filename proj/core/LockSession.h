// One lock, from the creation of the lock screen to the end of ShutDown: its start-up, the two
// sub-states (locked, unlocked in place with the re-lock countdown), the unlock box, "Unlock &
// Exit" and the dispatcher of the command queue. The logic of the lock screen form; the window
// itself is a LockShell.
//
// Threads: main thread only. Commands from other threads go through the host's queue and reach
// Dispatch on the main thread.
//
// Lifetime: the owner creates the session, calls FormCreate and (when it returns true) Startup,
// hands it commands once Ready(), and destroys it after the host's CloseMainForm has returned
// (never from inside a call of the session). Every change Startup makes to the desktop is undone
// by ShutDown, in reverse order; ShutDown runs once.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "common/UserList.h"
#include "platform/Clock.h"
#include "platform/SystemInfo.h"
#include "proj/core/BrivakSettings.h"
#include "proj/core/CommandQueue.h"
#include "proj/core/Diagnostics.h"
#include "proj/core/KeyDecisions.h"
#include "proj/core/LaterSteps.h"
#include "proj/core/LockShell.h"
#include "proj/core/NetworkSuspension.h"
#include "proj/core/RelockCountdown.h"
#include "proj/core/RightClickGesture.h"
#include "proj/core/VisitorMessages.h"

namespace brivak::core {

// What the session asks of the program around it (the tray controller). Main thread.
class LockHost {
 public:
  virtual ~LockHost() = default;
  // Posts a command word into the command queue (it comes back through Dispatch).
  virtual void PostCommand(LockCommand command) = 0;
  // `SecurityEvent`: logged and reported to the master station as the settings say.
  virtual void SecurityEvent(std::string_view text) = 0;
  // Saves the settings in the program's store: the INI form in INI mode, else the registry form.
  virtual void SaveSettings() = 0;
  // The lock is ending: the program is no longer locked (CurrentlyLocked false).
  virtual void LockEnding() = 0;
  // `CloseMainForm`: the last call of a lock (also when FormCreate refuses). The host closes the
  // window and destroys the session afterwards, never from inside this call.
  virtual void CloseMainForm() = 0;
  // The whole program ends after this lock ("terminate", killOnClose, the RunOnce restart).
  virtual void TerminateApp() = 0;
  // `SystemStandby` / `SystemHibernate` (the lock is locked already); the outcome goes to the
  // event log. `MonitorOff`: the monitors' power off (DPMS).
  virtual void SystemStandby() = 0;
  virtual void SystemHibernate() = 0;
  virtual void MonitorOff() = 0;
  // `WriteStartupData` at the end of a lock outside INI mode: the program's location and the
  // log-on entry of StartupMode. Throws std::exception when they cannot be written.
  virtual void WriteStartupData() = 0;
};

// The program-wide values a lock reads; copied at construction.
struct LockSessionValues {
  std::string startMethod = "Default";  // "Hotkey", "System Tray", ...
  std::string paramstring;              // the command line as one text
  std::string WinUsername;
  bool isAdmin = false;
  bool secure = false;
  bool INI_MODE = false;
  bool killOnClose = false;
  bool runoncekey = false;
  bool noprompt = false;
  std::string appData;  // "<data root>/Brivak 3.0/": the SLF fallback layout lives below it
  std::string appPath;  // the program folder, ending in "/": help, readme and the layout guide
};

// The references must outlive the session.
struct LockSessionPorts {
  LockShell& shell;
  TBrivakSettings& settings;
  const UserList& users;
  Diagnostics& diagnostics;
  const platform::Clock& clock;
  LaterSteps& later;
  LockHost& host;
  // The facts of the system-information panel (processor, memory, battery); null shows only the
  // clock and the idle time.
  const platform::SystemInfo* system = nullptr;
  // The network suspension (`suspendNetwork`); null: none in this build.
  NetworkSuspension* network = nullptr;
};

// The SLF layout used when the configured one cannot be shown, relative to appData.
inline constexpr const char* kFallbackSlfLayout = "layouts/slf/simple.ini";

class LockSession final : public LockEvents {
 public:
  // Attaches itself to the shell's events.
  LockSession(LockSessionPorts ports, LockSessionValues values);
  // Detaches from the shell.
  ~LockSession() override;
  LockSession(const LockSession&) = delete;
  LockSession& operator=(const LockSession&) = delete;

  // Form creation: without a stored master password, the first-time dialog; when still none is
  // stored, no lock starts: the host's CloseMainForm is called and the result is false.
  bool FormCreate();
  // The start of the lock (hardening, layout, covers); Ready() afterwards.
  void Startup();
  // Ends the lock: every change of Startup undone in reverse, then the host's CloseMainForm. Runs
  // once: a later call, or one made while it runs (by an event a dialog inside it pumps), does
  // nothing.
  void ShutDown();
  // One command of the queue. The owner hands commands only while AcceptsCommands() and keeps them
  // queued otherwise; a command given at another time is ignored (debug line).
  void Dispatch(const LockCommand& command);
  // Startup has finished, no prompt of the session is open and ShutDown has not started.
  bool AcceptsCommands() const { return brivakReady_ && !promptOpen_ && !ended_; }

  // "Unlock Brivak" in place: Authorize("unlock Brivak", 2), then the 300-second countdown.
  void UnlockBrivak() override;
  // Locks again (countdown end, power actions): "Brivak Locked" in the event log.
  void LockBrivak();
  // "Unlock & Exit" (menu, Alt+F4, Alt+F1, close query). While locked: the authorisation, then
  // "shutdown" is posted (refused: FocusBox). Unlocked in place: ShutDown at once. At most one
  // prompt at a time: a call while one is open does nothing.
  void UnlockAndExit() override;
  // The password guard: passes at once while unlocked in place, else the shell's prompt.
  bool Authorize(const std::string& activity, int level);
  // A question box (OK, Cancel) of the lock screen; commands wait while it is open. False (Cancel)
  // when another prompt is open or the lock is ending.
  bool Confirm(const std::string& text, const std::string& caption, MessageIcon icon);
  void FocusBox() { ports_.shell.FocusBox(); }

  // LockEvents.
  void OnUnlockOk(const std::string& user, const std::string& password) override;
  void OnChangePassword() override;
  void OnLeaveMessage() override;
  bool OnCloseQuery() override;
  KeyDecision OnLockKey(const KeyEvent& event) override;
  void OnLockTimer() override;
  void OnStatusTick() override;
  void OnMenuCommand(LockMenuCommand command) override;
  void OnRightButton() override;
  void OnPointerMoved(int x, int y) override;
  void OnMessageCountClicked() override;
  void OnIdleLabelClicked() override;
  void OnConsoleToggle() override;
  void OnNetworkButton() override;

  // Visitor notes. `LeaveAMessage`: the note form; true when a note was left.
  bool LeaveAMessage();
  // "View Messages": Authorize("read messages", 2) while locked, then the reader.
  void ViewMessages();
  // "Change Away Message": Authorize("change away message", 1), the picker without its countdown,
  // then the layout is refreshed.
  void ChangeAwayMessage();
  // `RefreshLayout`: the layout applied anew (F5, a changed layout file).
  void RefreshLayout();
  // The network part of `BrivakSettingsApply`: suspends once per lock when `suspendNetwork` is on.
  void SuspendNetworkIfAsked();
  // Suspends or restores the network and shows the state on the bar; a suspension's restore joins
  // the journal once per lock.
  void ToggleNetwork(bool restore);
  const TMessageList& Messages() const { return tml_; }

  // State.
  bool BrivakLocked() const { return brivakLocked_; }
  bool Ready() const { return brivakReady_; }
  bool ShuttingDown() const { return shuttingdown_; }
  // ShutDown has started (or FormCreate refused): the session waits for its destruction.
  bool Ended() const { return ended_; }
  bool AllowClose() const { return allowClose_; }
  bool TerminateApp() const { return terminateApp_; }
  bool PromptOpen() const { return promptOpen_; }
  const RelockCountdown& Countdown() const { return countdown_; }
  const std::string& AwayMessage() const { return awayMessage_; }
  // Names of the changes Startup made that ShutDown has not undone yet, oldest first.
  std::vector<std::string> PendingUndo() const;

 private:
  // Records a change of Startup and how ShutDown undoes it.
  void Changed(std::string name, std::function<void()> undo);
  // `BrivakSettingsApply` for the layout; the first call registers the layout's undo.
  void ApplyLayout(bool first);
  void SaveSettings();
  void PromptForAwayMessage();
  void AddRemoteMessage(const RemoteMessage& message);
  // A modal call of the shell: commands wait and other prompts stay closed while it runs.
  template <typename F>
  auto Modal(F&& call);
  void ScanLayoutFile();
  void RefreshSystemPanel();

  LockSessionPorts ports_;
  LockSessionValues values_;
  RelockCountdown countdown_;
  std::vector<std::pair<std::string, std::function<void()>>> undo_;
  std::string awayMessage_;
  TMessageList tml_;  // the visitor notes of this lock; freed at its end
  RightClickGesture rightClicks_;
  std::pair<int, int> lastMousePoint_{0, 0};  // `LastMousePoint`
  bool movementShutdownPosted_ = false;
  std::int64_t lastInputMs_ = 0;  // the lock screen's last keyboard or pointer input (app idle time)
  std::string layoutPath_;          // the layout file applied, for the scan for changes
  std::optional<std::int64_t> layoutStamp_;  // `LayoutLastModified`
  std::int64_t startMs_ = 0;
  bool networkUndo_ = false;  // the network's undo is in the journal
  bool brivakLocked_ = false;
  bool brivakReady_ = false;
  bool shuttingdown_ = false;
  bool ended_ = false;
  bool allowClose_ = false;
  bool terminateApp_ = false;
  bool promptOpen_ = false;
};

}  // namespace brivak::core
