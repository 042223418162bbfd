// The password prompts and account dialogs of the locker: Authorize with its two prompts
// (TfrmUnlock, TfrmUserUnlock), the first-time dialog (TfrmFirstTime), the password change
// (TfrmChangePassword) and the user-list entry dialog (TfrmEditUser).
//
// Every dialog is a modal QDialog. The Run*/Authorize functions create the dialog, exec() it and
// release it; tests construct the dialog classes (declared in PasswordDialogWidgets.h) and drive
// them without exec(). The dialogs never grab the keyboard: the lock screen takes its grabs again
// after a dialog closes. What each dialog accepts or refuses is decided in
// proj/core/PasswordPrompts.h.
//
// Threads: user-interface thread only.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "common/LogSink.h"
#include "common/UserList.h"
#include "proj/core/BrivakSettings.h"
#include "proj/core/RemoteEvents.h"

class QWidget;

namespace brivak::ui {

// What the prompts and dialogs need from the program. The references must outlive every call that
// receives the context.
struct PasswordContext {
  // Read: Security.passwordHash, Security.MultiUser, the logging switches and the event-report
  // settings. Written only through storePasswordHash (below).
  core::TBrivakSettings& settings;
  // The program's one user-list accessor ("userlist.dat").
  UserList& users;
  // Console (Mem), debug trace (Debug) and event log (WriteLog).
  LogSink& log;
  // SecurityEvent for refused and failed attempts.
  core::EventReporter& events;
  // True when the settings live in the INI form (settings.ini), false for the registry form.
  bool iniMode = false;
  // The tick count written in front of "Authorize: " (milliseconds); optional, 0 when empty.
  std::function<std::int64_t()> tickCount;
  // Stores a new master password hash and saves the settings to the form given (true: INI form,
  // false: registry form). Leave empty to have the dialogs set settings.Security.passwordHash and
  // call SaveINI/Save themselves (with the preset list from Messages.awayMessages); an owner whose
  // settings are also read by other threads supplies a function that does this under its lock.
  // May throw std::runtime_error when the store cannot be written; the dialogs report it.
  std::function<void(const std::string& hash, bool iniForm)> storePasswordHash;
  // The first-time dialog's "E&xit": asks the program to terminate (its ordinary close sequence).
  std::function<void()> requestExit;
};

// The guard in front of protected actions. `activity` completes "Enter password to " + activity;
// `level` is the permission level the action needs (1 Unlock, 2 Admin). Opens TfrmUserUnlock in
// multi-user mode, else TfrmUnlock, and returns true when the level granted is at least `level`.
// Writes the console, debug, event-log and security-event lines of each outcome. The "already
// unlocked in place" pass belongs to the lock session and is decided by the caller before this.
bool Authorize(QWidget* parent, PasswordContext& context, const std::string& activity, int level);

// The first-time dialog: asks for the master password, stores its hash, writes the user
// "administrator" (level 2, same hash) into the user list and saves the settings to the form in
// use. Returns true when a master password is stored afterwards (also when one already was).
bool RunFirstTimeDialog(QWidget* parent, PasswordContext& context);

// The change of the master password (both modes). The new hash is saved to the form in use: the
// INI form in INI mode, else the registry form. Returns true when the password was changed.
bool RunChangePasswordDialog(QWidget* parent, PasswordContext& context);

// One entry of the user list, as the options dialog's add/edit operation needs it.
struct EditUserRequest {
  bool addMode = true;          // `AddMode`
  std::string caption;          // "Add User" or "Edit User"
  std::string userName;         // edit mode: the selected user's name
  int level = kLevelNone;       // edit mode: the selected user's level (0, 1, 2)
};

struct EditUserResult {
  std::string userName;
  // The entered password; empty optional when the box still shows "(click to change)" (edit mode:
  // keep the stored hash).
  std::optional<std::string> password;
  int level = kLevelNone;
};

// TfrmEditUser. Returns the entry on OK, nothing on Cancel. Does not touch the user list.
std::optional<EditUserResult> RunEditUserDialog(QWidget* parent, const EditUserRequest& request);

// Applies an OK result of TfrmEditUser to the user list: add mode writes a new user (replacing one
// of that name), edit mode replaces `request.userName` by the result (keeping the hash when no
// password was entered).
void ApplyEditUser(UserList& users, const EditUserRequest& request, const EditUserResult& result);

}  // namespace brivak::ui
