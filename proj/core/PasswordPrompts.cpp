#include "proj/core/PasswordPrompts.h"

#include <algorithm>

#include "common/Hash.h"
#include "proj/core/RemoteEvents.h"

namespace brivak::core {

std::string EnterPasswordTo(std::string_view activity) {
  return "Enter password to " + std::string(activity);
}

std::string AuthorizeTraceLine(std::int64_t tickCount, std::string_view activity) {
  return std::to_string(tickCount) + "Authorize: " + std::string(activity);
}

AuthorizeReport DecideAuthorize(bool multiUser, std::string_view activity, int level,
                                int modalResult, int accessLevelGranted, bool logBadPasswords) {
  AuthorizeReport report;
  if (!multiUser) {
    if (modalResult == kModalOk) {
      report.granted = true;
    } else {
      report.debugLines.push_back("Modal Result: cancel");
    }
    return report;
  }
  if (modalResult == kModalOk) {
    std::string name;
    IntToPermissions(accessLevelGranted, name);
    report.consoleLines.push_back(name);
    if (accessLevelGranted < level) {
      report.securityEvent = security_event::NoCredentialsTo(activity);
    } else {
      report.granted = true;
    }
  } else if (modalResult == kModalCancel) {
    report.consoleLines.push_back("Modal Result: Cancel");
  } else {
    if (logBadPasswords) report.eventLogLine = std::string(activity) + ": BAD USER/PASSWORD";
    report.securityEvent = security_event::BadUserPasswordInAuthorize(activity);
  }
  return report;
}

bool UnlockOkEnabled(std::string_view password) { return !password.empty(); }

bool UserUnlockOkEnabled(std::string_view user, std::string_view password) {
  return !user.empty() && !password.empty();
}

int UserUnlockGrant(int authenticateResult) {
  return authenticateResult == kLevelUnlock || authenticateResult == kLevelAdmin
             ? authenticateResult
             : kLevelBadPassword;
}

int UserUnlockWidth(int labelRight) { return std::max(labelRight + 25, 332); }

bool AdministratorShortcut::KeyTyped(char32_t key) {
  if (key != U'a' && key != U'A') return false;
  ++numAs_;
  return numAs_ >= 3;
}

std::size_t TextLength(std::string_view utf8) {
  // Continuation bytes (10xxxxxx) do not start a character.
  return static_cast<std::size_t>(std::count_if(utf8.begin(), utf8.end(), [](char c) {
    return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  }));
}

bool FirstTimeOkEnabled(std::string_view password, std::string_view confirm) {
  return TextLength(password) >= kMinMasterPasswordLength &&
         TextLength(confirm) >= kMinMasterPasswordLength && password == confirm;
}

bool FirstTimeEnterMovesOn(std::string_view password) { return TextLength(password) > 2; }

ChangePasswordVerdict DecideChangePassword(std::string_view oldPassword, std::string_view newPassword,
                                           std::string_view confirm, std::string_view passwordHash) {
  if (!Authenticate(oldPassword, passwordHash)) return ChangePasswordVerdict::kWrongOld;
  if (newPassword != confirm) return ChangePasswordVerdict::kMismatch;
  return ChangePasswordVerdict::kAccept;
}

void StorePasswordHash(TBrivakSettings& settings, const std::string& hash, bool iniForm) {
  const std::string previous = settings.Security.passwordHash;
  settings.Security.passwordHash = hash;
  const auto presets = SplitAwayMessages(settings.Messages.awayMessages);
  try {
    if (iniForm) {
      settings.SaveINI(presets, false);
    } else {
      settings.Save(presets, false);
    }
  } catch (...) {
    // An unsaved password must not stay in force: the next start would not know it.
    settings.Security.passwordHash = previous;
    throw;
  }
}

std::string WriteAdministrator(UserList& users, std::string_view password) {
  users.AddUser(prompt_text::kAdministrator, password, kLevelAdmin);
  return Hash(password);
}

namespace {

bool PasswordEntered(const EditUserFields& f) {
  return !f.showsClickToChange && TextLength(f.password) >= kMinPasswordLength;
}

}  // namespace

bool EditUserOkEnabled(const EditUserFields& f) {
  if (TextLength(f.userName) < kMinUserLength) return false;
  if (f.addMode) {
    return TextLength(f.password) >= kMinPasswordLength &&
           TextLength(f.confirm) >= kMinPasswordLength;
  }
  if (f.showsClickToChange) return true;
  return f.password == f.confirm && TextLength(f.password) >= kMinPasswordLength;
}

bool EditUserPasswordsMismatch(const EditUserFields& f) {
  return f.addMode && f.password != f.confirm;
}

EditUserFocus EditUserEnter(EditUserFocus focus, const EditUserFields& f) {
  if (focus == EditUserFocus::kAccess && PasswordEntered(f)) focus = EditUserFocus::kOk;
  if (focus == EditUserFocus::kConfirm && PasswordEntered(f)) focus = EditUserFocus::kAccess;
  if (focus == EditUserFocus::kUserName && TextLength(f.userName) >= kMinUserLength) {
    focus = EditUserFocus::kPassword;  // the password box is always enabled in this dialog
  }
  if (focus == EditUserFocus::kPassword && PasswordEntered(f) && f.confirmEnabled) {
    focus = EditUserFocus::kConfirm;
  }
  return focus;
}

}  // namespace brivak::core
