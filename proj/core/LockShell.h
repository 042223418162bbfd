// What the lock session asks of the lock screen window and of the desktop, and what the window
// reports back. The desktop shell (a toolkit window) implements LockShell; the lock session
// (LockSession.h) implements LockEvents. Both run on the main thread only.
//
// Modal calls (RunFirstTimeDialog, Authorize, MessageBox, RunChangePasswordDialog) may pump events
// while they are open; the session guards itself against re-entry.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "proj/core/AwayMessages.h"
#include "proj/core/BrivakSettings.h"
#include "proj/core/KeyDecisions.h"
#include "proj/core/LockMenu.h"
#include "proj/core/VisitorMessages.h"

namespace brivak::core {

enum class MessageIcon { Information, Warning, Stop };

// What the away-message picker ("Away Message") starts with.
struct AwayPickerRequest {
  std::string current;         // the away message now: the text box starts with it
  std::string defaultMessage;  // DefaultAwayMessage
  std::vector<AwayPreset> presets;
  std::int32_t seconds = 10;   // secsBeforeDefaultMsg
  bool countdown = true;       // false: "Change Away Message", which waits for the user
};

// One text of the system-information panel of the bottom bar; a missing value leaves it as it is.
struct SystemPanelTexts {
  std::optional<std::string> cpu, ram, ramHint, battery, clock, idle;
  std::optional<int> cpuGauge, ramGauge, batteryGauge;
  std::optional<std::uint32_t> batteryColor;  // 0x00BBGGRR
};

// What the lock screen window reports to the session. Set with LockShell::SetEvents.
class LockEvents {
 public:
  virtual ~LockEvents() = default;
  // An OK button of the unlock box, or Enter in its password edit.
  virtual void OnUnlockOk(const std::string& user, const std::string& password) = 0;
  // The "Change Password" button of the unlock box.
  virtual void OnChangePassword() = 0;
  // The "Leave a Message" button of the unlock box.
  virtual void OnLeaveMessage() = 0;
  // The lock-screen menu's "Unlock Brivak".
  virtual void UnlockBrivak() = 0;
  // The lock-screen menu's "Unlock & Exit".
  virtual void UnlockAndExit() = 0;
  // Any attempt to close the window (window manager, Alt+F4): true when the window may close;
  // otherwise the session has run "Unlock & Exit" and the window stays.
  virtual bool OnCloseQuery() = 0;
  // A key press while the window holds the keyboard; the window carries out the decision
  // (drop the key, open the menu, hide the bar). The session acts on unlockAndExit itself.
  virtual KeyDecision OnLockKey(const KeyEvent& event) = 0;
  // The window's one-second timer, running while the window exists (the re-lock countdown).
  virtual void OnLockTimer() = 0;
  // The status timer (`brivakTimer`), once a second from StartStatusTimer to StopStatusTimer.
  virtual void OnStatusTick() = 0;
  // An item of the lock-screen menu or a hidden command key (only those whose feature exists).
  virtual void OnMenuCommand(LockMenuCommand command) = 0;
  // A press or release of the right mouse button anywhere on the lock screen.
  virtual void OnRightButton() = 0;
  // The pointer moved over the lock screen to (x, y), global coordinates.
  virtual void OnPointerMoved(int x, int y) = 0;
  // A click on the message-count label ("View Messages").
  virtual void OnMessageCountClicked() = 0;
  // A click on the idle label of the system-information panel.
  virtual void OnIdleLabelClicked() = 0;
  // The bar's console toggle.
  virtual void OnConsoleToggle() = 0;
  // The bar's network button: suspends the network, or restores it when suspended.
  virtual void OnNetworkButton() = 0;
};

class LockShell {
 public:
  virtual ~LockShell() = default;

  // Where the window sends its events; null detaches (before the session goes away).
  virtual void SetEvents(LockEvents* events) = 0;

  // --- Prompts (modal) ---
  // The first-time password dialog; true when a master password is stored in the settings after it.
  virtual bool RunFirstTimeDialog() = 0;
  // The password prompt for `activity` ("unlock Brivak", "unlock && exit Brivak", ...); true when the
  // level granted is at least `level`. Always prompts: the unlocked-in-place rule is the session's.
  virtual bool Authorize(const std::string& activity, int level) = 0;
  // A message box with an OK button.
  virtual void MessageBox(const std::string& text, const std::string& caption, MessageIcon icon) = 0;
  // A question box with OK and Cancel above the lock screen, modal; true on OK.
  virtual bool Confirm(const std::string& text, const std::string& caption, MessageIcon icon) = 0;
  // The change-password dialog; true when it changed the settings (the session saves them).
  virtual bool RunChangePasswordDialog() = 0;
  // The options dialog and the log viewer above the lock, with the keyboard (the caller has
  // authorised them). The options dialog applies and saves its settings itself on OK.
  virtual void RunOptionsDialog() = 0;
  virtual void RunLogViewer() = 0;

  // --- Window and layout ---
  // Shows the lock screen window on the primary monitor (before the layout is applied).
  virtual void ShowLockScreen() = 0;
  // Loads the SLF file at `path` and applies it (faulty sections reported and skipped, never
  // without an unlock box); `awayMessage` fills the away-message label.
  virtual void ApplySlfLayout(const std::string& path, const std::string& awayMessage) = 0;
  // Frees exactly the controls ApplySlfLayout created. Harmless when there are none.
  virtual void FreeCreatedControls() = 0;
  // Covers every monitor: the lock screen on the primary one, black covers on the others; reuses
  // or releases the covers of an earlier call. Kept up to date while the lock exists.
  virtual void FillScreen() = 0;
  // Releases every cover and stops following monitor changes. Harmless when there are none.
  virtual void ReleaseCovers() = 0;

  // --- Input ---
  // `lock`: takes the keyboard and pointer grabs on the lock screen, retrying on its own while
  // another client holds one; false when they are not held yet (the window reports it once on the
  // console and in the log).
  virtual bool TakeInputGrabs() = 0;
  // `unlock`: gives up both grabs and stops retrying. Harmless when nothing is held.
  virtual void ReleaseInputGrabs() = 0;

  // --- Unlock box and looks ---
  // `FocusBox`: the password edit, then the user-name edit, each if visible (the user name wins).
  virtual void FocusBox() = 0;
  virtual void ClearPassword() = 0;
  // Clears the user-name and the password edit.
  virtual void ClearBoth() = 0;
  // Shows `text` ("299 seconds") in the countdown label, making it visible.
  virtual void ShowCountdown(const std::string& text) = 0;
  virtual void HideCountdown() = 0;
  // The locked / unlocked-in-place look of the lock-screen menu button.
  virtual void SetLockedLook(bool locked) = 0;
  // Brings the lock screen (and its covers) to the front and gives it the focus.
  virtual void BringToFront() = 0;
  // Hides the window for good; the owner destroys it afterwards. No event is sent after this.
  virtual void CloseWindow() = 0;

  // --- Visitor notes and the away message ---
  // The note form "Leave a Secure Note" (modal): the entry when a note passed the checks and was
  // left, nullopt on cancel.
  virtual std::optional<NoteEntry> RunNoteForm(const MessageSettings& settings) = 0;
  // The message reader "Messages" (modal), opened on the first message.
  virtual void ShowMessages(const TMessageList& messages) = 0;
  // The message-count label.
  virtual void SetMessageCount(std::size_t count) = 0;
  // The away-message picker (modal); returns the away message chosen.
  virtual std::string RunAwayPicker(const AwayPickerRequest& request) = 0;
  // The away-message label.
  virtual void SetAwayMessage(const std::string& text) = 0;

  // --- Bottom bar and timers ---
  // Starts / stops the status timer (OnStatusTick).
  virtual void StartStatusTimer() = 0;
  virtual void StopStatusTimer() = 0;
  // Shows or hides the system-information panel of the bar.
  virtual void ShowSystemPanel(bool visible) = 0;
  virtual void UpdateSystemPanel(const SystemPanelTexts& texts) = 0;
  // Switches the bar's notebook between the mini-browser and the console page.
  virtual void SwitchConsolePage() = 0;
  // The network button's state: whether a suspension of this lock is in force (and the button
  // restores), and whether the button can do anything at all (no network suspension: disabled).
  virtual void ShowNetworkState(bool available, bool suspended) = 0;
  // The menu timer: shows the bar; the menu opens when its button is up, else it closes.
  virtual void RunMenuTimer() = 0;
  // The help viewer on the program's help pages.
  virtual void ShowHelp() = 0;
  // An information dialog of the menu ("About...", "Readme.txt"): a read-only text.
  virtual void ShowText(const std::string& caption, const std::string& text) = 0;
  // Opens a file or web address with the desktop's default program; false when it cannot.
  virtual bool OpenDocument(const std::string& pathOrUrl) = 0;
  // The pointer's position now, global coordinates.
  virtual std::pair<int, int> CursorPosition() = 0;
};

}  // namespace brivak::core
