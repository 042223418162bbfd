// The manager's login: the user name and password checked against the manager's own
// "userlist.dat". The accepted pair is the manager's identity toward every locker. Window-free, so
// the dialog and the headless start share it.
//
// One attempt: a refused login ends the program (there is no other way in); a cancel ends it too.
#pragma once

#include <string>
#include <string_view>

#include "common/UserList.h"

namespace brivak::manager {

inline constexpr std::string_view kLoginCaption = "Brivak Manager";
inline constexpr std::string_view kLoginPrompt = "Enter your Brivak password to continue";
inline constexpr std::string_view kLoginDefaultUser = "administrator";
inline constexpr std::string_view kLoginRefusedText =
    "You don't have the proper credentials to run this application.";
inline constexpr int kLoginAttempts = 1;

// `AuthenticateUser`: kLevelBadPassword when the name or the password is empty; kLevelUserNotFound
// when the list has no section of that name (matched without regard to case); kLevelBadPassword
// when the Hash of the password differs from the stored Password (exact, case-sensitive; a missing
// value never matches); otherwise the stored level (missing or malformed: 0). Writes no log lines.
int AuthenticateUser(const UserList& users, std::string_view user, std::string_view password);

// "&OK" is enabled only while both boxes hold text.
bool LoginOkEnabled(std::string_view user, std::string_view password);

// True for the levels that may run the manager: Unlock and Admin.
bool LoginLevelAccepted(int level);

enum class LoginOutcome { Pending, Accepted, Refused, Cancelled };

// The login dialog's decisions. Not thread-safe; used on one thread.
class ManagerLogin {
 public:
  // `users` must outlive this object.
  explicit ManagerLogin(const UserList& users);

  // "&OK": authenticates once. Accepted keeps the pair (aUsername, aPassword); any other level
  // refuses. Calls after the outcome is decided change nothing and return the outcome.
  LoginOutcome Submit(std::string_view user, std::string_view password);
  // "&Cancel" or Esc (no effect once decided).
  LoginOutcome Cancel();

  LoginOutcome Outcome() const { return outcome_; }
  int Attempts() const { return attempts_; }
  int Level() const { return level_; }  // of the last attempt; kLevelNone before one
  // The message shown before the program ends: kLoginRefusedText after a refusal, else "".
  std::string_view Message() const;

  // The accepted credentials (empty unless Accepted).
  const std::string& aUsername() const { return aUsername_; }
  const std::string& aPassword() const { return aPassword_; }

 private:
  const UserList& users_;
  LoginOutcome outcome_ = LoginOutcome::Pending;
  int attempts_ = 0;
  int level_ = kLevelNone;
  std::string aUsername_;
  std::string aPassword_;
};

}  // namespace brivak::manager
