// The "Users" tab's data: fetching a locker's user list ("getuserlist"), and editing the list shown,
// which is either the manager's own list (the master copy, "userlist.dat", the same file its login
// checks) or a copy fetched from a locker. Every fetch makes a copy of its own (the window keeps
// each in an owner-only file of the manager's folder), so edits to a copy outlive the next fetch;
// the manager has no command that writes a list back to a locker.
//
// Rules: the master copy never loses its last Admin (no delete, demotion or other edit leaves it
// without one); a failed fetch is an error, never an empty list shown or kept as if real; an edit
// goes to the list it was started on (its Target), also when another list is shown by then; Delete
// removes the user from that list only, never from another one.
// Threading: not thread-safe; one owner thread.
#pragma once

#include <memory>
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
  // `files` must outlive this object.
  FileUserListStore(platform::FileSystem& files, std::string path);
  IniDocument Load() const override;
  void Save(const IniDocument& list) override;

 private:
  mutable IniFile file_;
};

// An in-memory list (tests, and copies when no folder is given).
class MemoryUserListStore : public UserListStore {
 public:
  IniDocument Load() const override { return list_; }
  void Save(const IniDocument& list) override { list_ = list; }

 private:
  IniDocument list_;
};

// Where fetched copies are kept: a new store for each fetch.
class UserListCopies {
 public:
  virtual ~UserListCopies() = default;
  // An empty store for a copy fetched from `host`. Throws std::runtime_error when none can be made.
  virtual std::unique_ptr<UserListStore> NewCopy(std::string_view host) = 0;
};

class MemoryUserListCopies : public UserListCopies {
 public:
  std::unique_ptr<UserListStore> NewCopy(std::string_view) override { return std::make_unique<MemoryUserListStore>(); }
};

struct EditOutcome {
  bool ok = true;
  std::string error;  // when !ok; nothing was changed
};

class UserListEditor {
 public:
  enum class View { None, Master, Computer };
  // A list the editor can change: the master copy, or the copy of one fetch.
  struct Target {
    View view = View::None;
    std::size_t copy = 0;  // which fetch, when view is Computer
    bool operator==(const Target&) const = default;
  };

  // `master` (and `copies`) must outlive the editor. Without `copies` they are kept in memory.
  explicit UserListEditor(UserListStore& master);
  UserListEditor(UserListStore& master, UserListCopies& copies);

  // `LoadUserList`: shows the master copy.
  void ShowMaster();
  // Shows the copy fetched from `host`. A failed fetch leaves the view as it was and returns its
  // error.
  EditOutcome ShowFetched(std::string_view host, const FetchResult<IniDocument>& fetched);

  View CurrentView() const { return shown_.view; }
  // The list shown now: what an edit started now is made on.
  Target CurrentTarget() const { return shown_; }
  const std::string& ComputerHost() const;
  // One row per section of the shown list, in file order: name, the Password value (empty when
  // missing) and the name of its level ("None", "Unlock", "Admin"; missing or malformed reads as
  // None). Empty while nothing is shown.
  std::vector<UserRow> Rows() const;
  // The shown copy of a locker's list (empty unless CurrentView() is Computer).
  IniDocument ComputerCopy() const;

  // "Add": the user gets the hash of `password` and `level`; an existing user of that name (any
  // case) is replaced. Names need 2 characters, passwords 3, levels 0 to 2.
  EditOutcome Add(std::string_view name, std::string_view password, int level);
  // "Edit": without a new password the user keeps the stored hash, also when renamed; a rename
  // removes the old name (a rename that only changes the case keeps the user and its place).
  EditOutcome Edit(std::string_view oldName, std::string_view newName,
                   const std::optional<std::string>& newPassword, int level);
  // "Delete": removes the user from the list shown.
  EditOutcome Delete(std::string_view name);
  // The same edits on the list `target` names (an edit dialog opened before a fetch completed).
  EditOutcome Add(const Target& target, std::string_view name, std::string_view password, int level);
  EditOutcome Edit(const Target& target, std::string_view oldName, std::string_view newName,
                   const std::optional<std::string>& newPassword, int level);
  EditOutcome Delete(const Target& target, std::string_view name);

 private:
  struct Copy {
    std::string host;
    std::unique_ptr<UserListStore> store;
  };
  template <typename Change>
  EditOutcome ChangeList(const Target& target, Change change);

  UserListStore& master_;
  MemoryUserListCopies memoryCopies_;
  UserListCopies& copies_;
  std::vector<Copy> fetched_;  // one per successful fetch, in order
  Target shown_;
};

}  // namespace brivak::manager
