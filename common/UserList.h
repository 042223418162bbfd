// Permission levels, the user-list file and authentication, shared by the locker and the manager.
//
// File format ("userlist.dat", INI): one section per user, named by the user name (matched without
// regard to case), with the keys Password (the Hash of the password) and Permissions (0, 1 or 2).
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/IniFile.h"
#include "common/LogSink.h"

namespace brivak {

// Stored permission levels, and the two results that only authentication returns.
inline constexpr int kLevelNone = 0;           // password checked, grants nothing
inline constexpr int kLevelUnlock = 1;
inline constexpr int kLevelAdmin = 2;
inline constexpr int kLevelBadPassword = -1;
inline constexpr int kLevelUserNotFound = -2;

// Sets `text` to the name of a level ("None", "Unlock", "Admin", "[bad password]",
// "[user not found]"); leaves it unchanged for any other number.
void IntToPermissions(int level, std::string& text);
// The name of a level, or "" for any other number.
std::string IntToPermissions(int level);
// "None", "Unlock", "Admin" (exact case) to 0, 1, 2; any other text reads as 0 (disabled).
int PermissionsToInt(std::string_view name);
// The user dialog's wording of a stored level ("Account Disabled", ...); "" for other numbers.
std::string PermissionsDialogText(int level);

// One row of the options dialog's user table.
struct UserRow {
  std::string name;
  std::string hash;
  std::string permissionName;  // "None", "Unlock" or "Admin"
  bool operator==(const UserRow&) const = default;
};

// True when some row has the permission name "Admin".
bool HasOneAdmin(const std::vector<UserRow>& rows);

// The user-list file. The file is created, owner-only, on the first write. Thread-safe: every
// operation reads the file anew under the IniFile's lock, and changes are single atomic writes;
// the object holds no other state. A change that cannot be written throws std::runtime_error (with
// the path and the reason) and leaves the old file whole.
class UserList {
 public:
  // `files` must outlive this object.
  UserList(platform::FileSystem& files, std::string path);

  const std::string& Path() const { return file_.Path(); }
  // The file system the list is kept on (for other views of the same file).
  platform::FileSystem& Files() const { return files_; }
  // The file's content now (empty when missing).
  IniDocument Load() const { return file_.Load(); }

  // Writes the user with the hash of `password`; an existing user of that name (any case) is
  // replaced, and the new spelling is kept.
  void AddUser(std::string_view name, std::string_view password, int level);
  // Replaces user `oldName` by `newName`. Without a new password the stored hash is kept. A rename
  // that only changes the case keeps the user under the new spelling.
  void EditUser(std::string_view oldName, std::string_view newName,
                const std::optional<std::string>& newPassword, int level);

  // All users in file order, with the trace lines of the options dialog's loader.
  std::vector<UserRow> LoadUserList(LogSink& log) const;
  // Replaces the whole list by `rows`, in one atomic write.
  void SaveUserList(const std::vector<UserRow>& rows);

  // The stored level of a user in a loaded user list: Permissions, where a missing, malformed or
  // out-of-range value reads as 0.
  static int ReadLevel(const IniDocument& doc, std::string_view user);

 private:
  platform::FileSystem& files_;
  IniFile file_;
};

// Which authentication results go to the day log ([Logging] LogBadPasswords, LogUserWhoUnlocked).
struct AuthLogging {
  bool logBadPasswords = false;
  bool logUserWhoUnlocked = false;
};

// Single-user check: true when the hash of `password` equals `passwordHash`. An empty stored hash
// (never set) matches no password. Writes no log lines.
bool Authenticate(std::string_view password, std::string_view passwordHash);

// Multi-user check: the user's level 0, 1 or 2, or kLevelBadPassword / kLevelUserNotFound. An empty
// user name means "administrator". Writes the trace and the gated event lines of the check.
int Authenticate(const UserList& users, std::string_view user, std::string_view password,
                 LogSink& log, AuthLogging logging);

}  // namespace brivak
