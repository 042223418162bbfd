// What the password prompts and account dialogs accept and refuse, their texts, and the lines they
// write. Plain decisions without a user interface: the dialogs in proj/ui ask these functions.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "common/UserList.h"
#include "proj/core/BrivakSettings.h"

namespace brivak::core {

// Dialog results as the callers see them.
inline constexpr int kModalOk = 1;
inline constexpr int kModalCancel = 2;
inline constexpr int kModalNo = 7;  // TfrmUserUnlock after a failed login

namespace prompt_text {
inline constexpr std::string_view kUnlockCaption = "Unlock Brivak";
inline constexpr std::string_view kFirstTimeCaption = "Brivak Master Password";
inline constexpr std::string_view kChangePasswordCaption = "Change Brivak Password";
inline constexpr std::string_view kAddUserCaption = "Add User";
inline constexpr std::string_view kEditUserCaption = "Edit User";
inline constexpr std::string_view kEditUserHeader = "Edit User";
inline constexpr std::string_view kErrorTitle = "Error";
inline constexpr std::string_view kIncorrectPassword = "Incorrect password..";
inline constexpr std::string_view kUserNameLabel = "&Username:";
inline constexpr std::string_view kUserNameHint = "Double-click to use 'administrator'";
inline constexpr std::string_view kAdministrator = "administrator";
inline constexpr std::string_view kFirstTimeText =
    "This is the first time using Brivak. Please enter a master password to use for configuring "
    "Brivak.  Do not forget it!\r\n\r\nIn single-user mode, this administrative password alone "
    "will unlock and administer Brivak.\r\n\r\nIn multi-user mode, this password will be "
    "associated with the username 'administrator'";
inline constexpr std::string_view kPasswordsDoNotMatch =
    "Your passwords do not match. Please reenter the password you wish to use.";
inline constexpr std::string_view kChangePasswordText =
    "Enter your old password once and your new password twice.";
inline constexpr std::string_view kOldPasswordIncorrect = "Your old password is incorrect.";
inline constexpr std::string_view kNewConfirmMismatch =
    "New and Confirm fields do not match. Please reenter your new password.";
inline constexpr std::string_view kPasswordChanged = "Password successfully changed.";
inline constexpr std::string_view kPasswordChangedTitle = "Password Changed";
inline constexpr std::string_view kEditUserText =
    "Enter Username, Password, and confirm password.\r\nThen choose what access level to give the "
    "user.";
inline constexpr std::string_view kClickToChange = "(click to change)";
inline constexpr std::string_view kEditUserMismatch = "Password and Confirm Password must match.";
inline constexpr std::string_view kEditUserMismatchTitle = "Passwords do not match";
}  // namespace prompt_text

// "Enter password to " + activity: the prompts' instruction label.
std::string EnterPasswordTo(std::string_view activity);

// --- Authorize -----------------------------------------------------------------------------------

// The lines of one Authorize outcome, in the order they are written.
struct AuthorizeReport {
  bool granted = false;
  std::vector<std::string> consoleLines;  // mem
  std::vector<std::string> debugLines;    // Debug
  std::string eventLogLine;               // WriteLog; empty for none
  std::string securityEvent;              // SecurityEvent; empty for none
};

// The debug line in front of the prompt: the tick count in decimal, then "Authorize: " + activity.
std::string AuthorizeTraceLine(std::int64_t tickCount, std::string_view activity);

// Turns the prompt's result into Authorize's answer. Multi-user: `modalResult` and
// `accessLevelGranted` of TfrmUserUnlock; OK grants when the level granted reaches `level`.
// Single-user: OK of TfrmUnlock grants every level.
AuthorizeReport DecideAuthorize(bool multiUser, std::string_view activity, int level,
                                int modalResult, int accessLevelGranted, bool logBadPasswords);

// --- TfrmUnlock / TfrmUserUnlock ------------------------------------------------------------------

bool UnlockOkEnabled(std::string_view password);
bool UserUnlockOkEnabled(std::string_view user, std::string_view password);
// `AccessLevelGranted` after OK: the result of the multi-user Authenticate when it is 1 or 2,
// else -1 (a disabled account counts as a wrong password).
int UserUnlockGrant(int authenticateResult);
// The user-unlock prompt's width: the instruction label's right edge + 25, at least 332.
int UserUnlockWidth(int labelRight);

// `numAs`: three "a"/"A" keys within one timer period (1250 ms) fill in "administrator".
class AdministratorShortcut {
 public:
  static constexpr int kPeriodMs = 1250;
  // A key typed into the user-name box; true when the box is to become "administrator".
  bool KeyTyped(char32_t key);
  // The timer's tick: the count starts again.
  void Tick() { numAs_ = 0; }
  int numAs() const { return numAs_; }

 private:
  int numAs_ = 0;
};

// --- TfrmFirstTime --------------------------------------------------------------------------------

inline constexpr std::size_t kMinMasterPasswordLength = 3;

// Character counts, as the user sees them (UTF-8 code points).
std::size_t TextLength(std::string_view utf8);

bool FirstTimeOkEnabled(std::string_view password, std::string_view confirm);
// Enter released in the password box moves on to the confirmation box.
bool FirstTimeEnterMovesOn(std::string_view password);

// --- TfrmChangePassword ---------------------------------------------------------------------------

enum class ChangePasswordVerdict {
  kWrongOld,  // message kOldPasswordIncorrect; clear all three boxes; focus Old
  kMismatch,  // message kNewConfirmMismatch; clear New and Confirm; focus New
  kAccept,    // store the hash of the new password; message kPasswordChanged; close
};
ChangePasswordVerdict DecideChangePassword(std::string_view oldPassword, std::string_view newPassword,
                                           std::string_view confirm, std::string_view passwordHash);

// --- storing the master password ------------------------------------------------------------------

// Sets Security.passwordHash and saves the settings to one form: SaveINI when `iniForm`, else Save,
// with the preset list read from Messages.awayMessages. Throws std::runtime_error when the form
// cannot be written.
void StorePasswordHash(TBrivakSettings& settings, const std::string& hash, bool iniForm);

// The first-time dialog's writes after OK, except the settings save: the user "administrator"
// with the hash and level 2 into the user list. Returns the hash.
std::string WriteAdministrator(UserList& users, std::string_view password);

// --- TfrmEditUser ---------------------------------------------------------------------------------

inline constexpr std::size_t kMinUserLength = 1;      // minUserLength
inline constexpr std::size_t kMinPasswordLength = 3;  // minPasswordLength

struct EditUserFields {
  bool addMode = true;
  std::string userName;
  std::string password;
  std::string confirm;
  bool showsClickToChange = false;  // the password box still shows "(click to change)"
  bool confirmEnabled = true;
};

// Add mode: a user name and two passwords of the minimum lengths. Edit mode: a user name and either
// the untouched password box or two equal passwords of the minimum length (an emptied box would
// otherwise store a password no prompt accepts).
bool EditUserOkEnabled(const EditUserFields& fields);
// Add mode: OK with differing passwords shows kEditUserMismatch and stays open.
bool EditUserPasswordsMismatch(const EditUserFields& fields);

enum class EditUserFocus { kUserName, kPassword, kConfirm, kAccess, kOk, kOther };
// Enter in the dialog: the four focus steps, each against the focus left by the step before.
EditUserFocus EditUserEnter(EditUserFocus focus, const EditUserFields& fields);

}  // namespace brivak::core
