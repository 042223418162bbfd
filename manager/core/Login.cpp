#include "manager/core/Login.h"

#include "common/Hash.h"

namespace brivak::manager {

int AuthenticateUser(const UserList& users, std::string_view user, std::string_view password) {
  if (user.empty() || password.empty()) return kLevelBadPassword;
  const IniDocument doc = users.Load();  // one read: hash and level from the same version
  if (!doc.SectionExists(user)) return kLevelUserNotFound;
  const std::optional<std::string> stored = doc.Read(user, "Password");
  if (!stored || Hash(password) != *stored) return kLevelBadPassword;
  return UserList::ReadLevel(doc, user);
}

bool LoginOkEnabled(std::string_view user, std::string_view password) {
  return !user.empty() && !password.empty();
}

bool LoginLevelAccepted(int level) {
  return level == kLevelUnlock || level == kLevelAdmin;
}

ManagerLogin::ManagerLogin(const UserList& users) : users_(users) {}

LoginOutcome ManagerLogin::Submit(std::string_view user, std::string_view password) {
  if (outcome_ != LoginOutcome::Pending || attempts_ >= kLoginAttempts) return outcome_;
  ++attempts_;
  level_ = AuthenticateUser(users_, user, password);
  if (LoginLevelAccepted(level_)) {
    aUsername_ = std::string(user);
    aPassword_ = std::string(password);
    outcome_ = LoginOutcome::Accepted;
  } else {
    outcome_ = LoginOutcome::Refused;
  }
  return outcome_;
}

LoginOutcome ManagerLogin::Cancel() {
  if (outcome_ == LoginOutcome::Pending) outcome_ = LoginOutcome::Cancelled;
  return outcome_;
}

std::string_view ManagerLogin::Message() const {
  return outcome_ == LoginOutcome::Refused ? kLoginRefusedText : std::string_view();
}

}  // namespace brivak::manager
