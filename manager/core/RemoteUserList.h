// The "Users" tab's data: fetching a locker's user list ("getuserlist"), and editing the list shown,
// which is either the manager's own list (the master copy, "userlist.dat", the same file its login
// checks) or the copy fetched from a locker. The copy is kept in memory only: no temporary file
// holds password hashes, and the manager has no command that writes a list back to a locker.
//
// Rules: the master copy never loses its last Admin (no delete, demotion or other edit leaves it
// without one); a failed fetch is an error, never an empty list shown or kept as if real.
// Threading: not thread-safe; one owner thread.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/IniFile.h"
#include "common/UserList.h"
#include "manager/core/FetchResult.h"
#include "manager/core/HttpLookup.h"

namespace brivak::manager {

inline constexpr std::size_t kMinUserNameLength = 2;
inline constexpr std::size_t kMinPasswordLength = 3;

// The reply to "getuserlist" read whole: the list between "<userlist>" and "</userlist>". Fails
// with "Connection timed out requesting user list." or "Exception getting user list. Response
// from host was: " + the reply text (failure, error status, or a reply without the tag pair,
// such as a refusal).
FetchResult<IniDocument> ParseUserListReply(const HttpLookupResult& result);

// An entry of "Editing List for Computer:": ComputerName + "(" + RemoteIP + ")".
std::string UserListComputerEntry(std::string_view computerName, std::string_view remoteIP);
// The host of such an entry: the text between its last "(" and the ")" after it (a computer name
// holding parentheses does not disturb it). Empty when there is none.
std::string HostOfUserListEntry(std::string_view entry);

// Where the master copy lives. The file store writes atomically with mode 0600.
class UserListStore {
 public:
  virtual ~UserListStore() = default;
  virtual IniDocument Load() const = 0;
  // Throws std::runtime_error when the list cannot be written (the old one is then kept).
  virtual void Save(const IniDocument& list) = 0;
};

class FileUserListStore : public UserListStore {
 public:
  explicit FileUserListStore(std::string path);
  IniDocument Load() const override;
  void Save(const IniDocument& list) override;

 private:
  mutable IniFile file_;
};

struct EditOutcome {
  bool ok = true;
  std::string error;  // when !ok; nothing was changed
};

class UserListEditor {
 public:
  enum class View { None, Master, Computer };

  // `master` must outlive the editor.
  explicit UserListEditor(UserListStore& master);

  // `LoadUserList`: shows the master copy.
  void ShowMaster();
  // Shows the copy fetched from `host`. A failed fetch leaves the view as it was and returns its
  // error.
  EditOutcome ShowFetched(std::string_view host, const FetchResult<IniDocument>& fetched);

  View CurrentView() const { return view_; }
  const std::string& ComputerHost() const { return host_; }
  // One row per section of the shown list, in file order: name, the Password value (empty when
  // missing) and the name of its level ("None", "Unlock", "Admin"; missing or malformed reads as
  // None). Empty while nothing is shown.
  std::vector<UserRow> Rows() const;
  // The shown copy of a locker's list (only while CurrentView() is Computer).
  const IniDocument& ComputerCopy() const { return copy_; }

  // "Add": the user gets the hash of `password` and `level`; an existing user of that name (any
  // case) is replaced. Names need 2 characters, passwords 3, levels 0 to 2.
  EditOutcome Add(std::string_view name, std::string_view password, int level);
  // "Edit": without a new password the user keeps the stored hash, also when renamed; a rename
  // removes the old name (a rename that only changes the case keeps the user and its place).
  EditOutcome Edit(std::string_view oldName, std::string_view newName,
                   const std::optional<std::string>& newPassword, int level);
  // "Delete": removes the user from the list shown.
  EditOutcome Delete(std::string_view name);

 private:
  template <typename Change>
  EditOutcome ChangeShownList(Change change);

  UserListStore& master_;
  View view_ = View::None;
  std::string host_;
  IniDocument copy_;
};

}  // namespace brivak::manager
