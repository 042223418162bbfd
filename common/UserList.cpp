#include "common/UserList.h"

#include <algorithm>
#include <utility>

#include "common/Hash.h"

namespace brivak {
namespace {

constexpr std::string_view kPasswordKey = "Password";
constexpr std::string_view kPermissionsKey = "Permissions";
constexpr std::string_view kDefaultUser = "administrator";

bool EqualNoCase(std::string_view a, std::string_view b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    const auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; };
    return lower(x) == lower(y);
  });
}

void WriteUser(IniDocument& doc, std::string_view name, std::string_view hash, int level) {
  doc.Write(name, kPasswordKey, hash);
  doc.WriteInteger(name, kPermissionsKey, level);
}

}  // namespace

void IntToPermissions(int level, std::string& text) {
  switch (level) {
    case kLevelNone: text = "None"; break;
    case kLevelUnlock: text = "Unlock"; break;
    case kLevelAdmin: text = "Admin"; break;
    case kLevelBadPassword: text = "[bad password]"; break;
    case kLevelUserNotFound: text = "[user not found]"; break;
    default: break;
  }
}

std::string IntToPermissions(int level) {
  std::string text;
  IntToPermissions(level, text);
  return text;
}

int PermissionsToInt(std::string_view name) {
  if (name == "Unlock") return kLevelUnlock;
  if (name == "Admin") return kLevelAdmin;
  return kLevelNone;
}

std::string PermissionsDialogText(int level) {
  switch (level) {
    case kLevelNone: return "Account Disabled";
    case kLevelUnlock: return "Unlock Brivak";
    case kLevelAdmin: return "Configure Brivak (Admin)";
    default: return "";
  }
}

bool HasOneAdmin(const std::vector<UserRow>& rows) {
  return std::any_of(rows.begin(), rows.end(),
                     [](const UserRow& r) { return r.permissionName == "Admin"; });
}

// ---- UserList ------------------------------------------------------------------------------------

UserList::UserList(platform::FileSystem& files, std::string path)
    : files_(files),
      file_(files, std::move(path), IniFile::Options{.privateFile = true, .processLock = false}) {}

int UserList::ReadLevel(const IniDocument& doc, std::string_view user) {
  // A level outside 0..2 (hand-edited file) must not pass for a stronger one, nor for one of the
  // failure results: it reads as disabled, like any other malformed value.
  const int level = doc.ReadInteger(user, kPermissionsKey, kLevelNone);
  return (level >= kLevelNone && level <= kLevelAdmin) ? level : kLevelNone;
}

void UserList::AddUser(std::string_view name, std::string_view password, int level) {
  const std::string hash = Hash(password);
  file_.Modify([&](IniDocument& doc) {
    doc.EraseSection(name);
    WriteUser(doc, name, hash, level);
  });
}

void UserList::EditUser(std::string_view oldName, std::string_view newName,
                        const std::optional<std::string>& newPassword, int level) {
  const std::optional<std::string> newHash =
      newPassword ? std::optional<std::string>(Hash(*newPassword)) : std::nullopt;
  file_.Modify([&](IniDocument& doc) {
    const std::string hash = newHash ? *newHash : doc.ReadString(oldName, kPasswordKey, "");
    // Erasing the old section before writing the new one keeps a user whose name changes only in
    // case (the two names are one section), and the section takes the new spelling.
    doc.EraseSection(oldName);
    if (!EqualNoCase(oldName, newName)) doc.EraseSection(newName);
    WriteUser(doc, newName, hash, level);
  });
}

std::vector<UserRow> UserList::LoadUserList(LogSink& log) const {
  std::vector<UserRow> rows;
  log.Debug("LoadUserList");
  log.Debug("LUL:secs.create");
  log.Debug("LUL:ul.read");
  const IniDocument doc = file_.Load();
  const std::vector<std::string> sections = doc.SectionNames();
  log.Debug("LUL:secs.count = " + std::to_string(sections.size()));
  for (const std::string& section : sections) {
    log.Debug("LUL:read user secs[i]");
    std::string hash = doc.ReadString(section, kPasswordKey, "");
    const int level = ReadLevel(doc, section);
    log.Debug("LUL:itemadd");
    rows.push_back(UserRow{section, std::move(hash), IntToPermissions(level)});
  }
  log.Debug("LUL:secs.free");
  log.Debug("LUL:end secs.free");
  return rows;
}

void UserList::SaveUserList(const std::vector<UserRow>& rows) {
  file_.Modify([&](IniDocument& doc) {
    doc = IniDocument();
    for (const UserRow& row : rows) WriteUser(doc, row.name, row.hash, PermissionsToInt(row.permissionName));
  });
}

// ---- Authentication ------------------------------------------------------------------------------

bool Authenticate(std::string_view password, std::string_view passwordHash) {
  return !passwordHash.empty() && Hash(password) == passwordHash;
}

int Authenticate(const UserList& users, std::string_view user, std::string_view password,
                 LogSink& log, AuthLogging logging) {
  log.Debug("unMain.Authenticate");
  if (user.empty() && password.empty()) {
    log.Debug("auth_badpass");
    return kLevelBadPassword;
  }
  const std::string name(user.empty() ? kDefaultUser : user);

  // One read of the file: the section, hash and level come from the same version of it.
  const IniDocument doc = users.Load();
  if (!doc.SectionExists(name)) {
    log.Debug("auth_usernotfound");
    log.LastMem("-2");
    // The missing space before "not" is the wording log readers already match.
    if (logging.logBadPasswords) log.WriteLog("Username " + name + "not found!");
    return kLevelUserNotFound;
  }
  const std::string stored = doc.ReadString(name, kPasswordKey, "nohash");
  const int level = UserList::ReadLevel(doc, name);

  if (Hash(password) != stored) {
    log.Debug("auth_badpass (wrong password)");
    if (logging.logBadPasswords) {
      log.WriteLog("Authentication failed: User " + name + " had a bad password");
    }
    return kLevelBadPassword;
  }
  log.Debug("authenticating...authenticated");
  if (logging.logUserWhoUnlocked) {
    log.WriteLog("User " + name + " authenticated with " + IntToPermissions(level) + " access");
  }
  return level;
}

}  // namespace brivak
