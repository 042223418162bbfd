#include "manager/core/RemoteUserList.h"

#include <stdexcept>

#include "common/Hash.h"

namespace brivak::manager {

namespace {

constexpr std::string_view kOpenTag = "<userlist>";
constexpr std::string_view kCloseTag = "</userlist>";

bool EqualsIgnoreCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

std::size_t CountAdmins(const IniDocument& list) {
  std::size_t admins = 0;
  for (const std::string& name : list.SectionNames()) {
    if (UserList::ReadLevel(list, name) == kLevelAdmin) ++admins;
  }
  return admins;
}

// The list with every section named `oldName` (any case) spelled `newName`, in place.
IniDocument RenameSection(const IniDocument& list, std::string_view oldName, std::string_view newName) {
  std::string text;
  for (const IniDocument::Section& section : list.Sections()) {
    text += "[" + (EqualsIgnoreCase(section.name, oldName) ? std::string(newName) : section.name) + "]\r\n";
    for (const IniDocument::Entry& entry : section.entries) text += entry.key + "=" + entry.value + "\r\n";
  }
  return IniDocument::Parse(text);
}

EditOutcome Refuse(std::string error) { return EditOutcome{false, std::move(error)}; }

std::optional<std::string> CheckEntry(std::string_view name, const std::string* password, int level) {
  if (name.size() < kMinUserNameLength) return "A user name needs at least 2 characters.";
  if (name.find_first_of("[]=\r\n") != std::string_view::npos || name.front() == ' ' || name.back() == ' ') {
    return "A user name cannot hold \"[\", \"]\", \"=\", line breaks or outer blanks.";
  }
  if (password && password->size() < kMinPasswordLength) return "A password needs at least 3 characters.";
  if (level < kLevelNone || level > kLevelAdmin) return "Unknown permission level.";
  return std::nullopt;
}

void WriteUser(IniDocument& list, std::string_view name, std::string_view hash, int level) {
  list.Write(name, "Password", hash);
  list.WriteInteger(name, "Permissions", level);
}

}  // namespace

FetchResult<IniDocument> ParseUserListReply(const HttpLookupResult& result) {
  if (result.outcome == HttpLookupResult::Outcome::ConnectTimeout) {
    return FetchResult<IniDocument>::Fail("Connection timed out requesting user list.");
  }
  const std::string failure = "Exception getting user list. Response from host was: " + result.body;
  if (result.outcome != HttpLookupResult::Outcome::Ok || result.status != 200) {
    return FetchResult<IniDocument>::Fail(failure);
  }
  const std::size_t open = result.body.find(kOpenTag);
  if (open == std::string::npos) return FetchResult<IniDocument>::Fail(failure);
  const std::size_t start = open + kOpenTag.size();
  const std::size_t close = result.body.find(kCloseTag, start);
  if (close == std::string::npos) return FetchResult<IniDocument>::Fail(failure);  // cut short
  return FetchResult<IniDocument>::Ok(IniDocument::Parse(std::string_view(result.body).substr(start, close - start)));
}

std::string UserListComputerEntry(std::string_view computerName, std::string_view remoteIP) {
  return std::string(computerName) + "(" + std::string(remoteIP) + ")";
}

std::string HostOfUserListEntry(std::string_view entry) {
  const std::size_t open = entry.rfind('(');
  if (open == std::string_view::npos) return {};
  const std::size_t close = entry.find(')', open);
  if (close == std::string_view::npos) return {};
  return std::string(entry.substr(open + 1, close - open - 1));
}

FileUserListStore::FileUserListStore(platform::FileSystem& files, std::string path)
    : file_(files, std::move(path), IniFile::Options{.privateFile = true, .processLock = true}) {}

IniDocument FileUserListStore::Load() const { return file_.Load(); }

void FileUserListStore::Save(const IniDocument& list) {
  file_.Modify([&list](IniDocument& doc) { doc = list; });
}

UserListEditor::UserListEditor(UserListStore& master) : master_(master), copies_(memoryCopies_) {}

UserListEditor::UserListEditor(UserListStore& master, UserListCopies& copies) : master_(master), copies_(copies) {}

void UserListEditor::ShowMaster() { shown_ = Target{View::Master, 0}; }

const std::string& UserListEditor::ComputerHost() const {
  static const std::string kNone;
  return shown_.view == View::Computer ? fetched_[shown_.copy].host : kNone;
}

IniDocument UserListEditor::ComputerCopy() const {
  return shown_.view == View::Computer ? fetched_[shown_.copy].store->Load() : IniDocument();
}

EditOutcome UserListEditor::ShowFetched(std::string_view host, const FetchResult<IniDocument>& fetched) {
  if (!fetched) return Refuse(fetched.error());
  Copy copy{std::string(host), nullptr};
  try {
    copy.store = copies_.NewCopy(host);
    copy.store->Save(fetched.value());
  } catch (const std::runtime_error& e) {
    return Refuse(std::string("The fetched list could not be kept: ") + e.what());
  }
  fetched_.push_back(std::move(copy));
  shown_ = Target{View::Computer, fetched_.size() - 1};
  return {};
}

std::vector<UserRow> UserListEditor::Rows() const {
  std::vector<UserRow> rows;
  if (shown_.view == View::None) return rows;
  const IniDocument list = shown_.view == View::Master ? master_.Load() : fetched_[shown_.copy].store->Load();
  for (const std::string& name : list.SectionNames()) {
    rows.push_back(UserRow{name, list.ReadString(name, "Password", ""),
                           IntToPermissions(UserList::ReadLevel(list, name))});
  }
  return rows;
}

template <typename Change>
EditOutcome UserListEditor::ChangeList(const Target& target, Change change) {
  if (target.view == View::None) return Refuse("No user list is shown.");
  if (target.view == View::Computer && target.copy >= fetched_.size()) return Refuse("No such user list.");
  const bool master = target.view == View::Master;
  UserListStore& store = master ? master_ : *fetched_[target.copy].store;
  // The list is read anew: another manager or the login may have changed the master file.
  IniDocument list = store.Load();
  const std::size_t adminsBefore = CountAdmins(list);
  if (std::optional<std::string> refused = change(list)) return Refuse(std::move(*refused));
  if (master && adminsBefore > 0 && CountAdmins(list) == 0) {
    return Refuse("The manager's own user list must keep at least one Admin.");
  }
  try {
    store.Save(list);
  } catch (const std::runtime_error& e) {
    return Refuse(e.what());
  }
  return {};
}

EditOutcome UserListEditor::Add(std::string_view name, std::string_view password, int level) {
  return Add(shown_, name, password, level);
}
EditOutcome UserListEditor::Edit(std::string_view oldName, std::string_view newName,
                                 const std::optional<std::string>& newPassword, int level) {
  return Edit(shown_, oldName, newName, newPassword, level);
}
EditOutcome UserListEditor::Delete(std::string_view name) { return Delete(shown_, name); }

EditOutcome UserListEditor::Add(const Target& target, std::string_view name, std::string_view password, int level) {
  const std::string typed(password);
  if (std::optional<std::string> bad = CheckEntry(name, &typed, level)) return Refuse(std::move(*bad));
  return ChangeList(target, [&](IniDocument& list) -> std::optional<std::string> {
    if (list.SectionExists(name)) list = RenameSection(list, name, name);  // the new spelling wins
    WriteUser(list, name, Hash(password), level);
    return std::nullopt;
  });
}

EditOutcome UserListEditor::Edit(const Target& target, std::string_view oldName, std::string_view newName,
                                 const std::optional<std::string>& newPassword, int level) {
  if (std::optional<std::string> bad = CheckEntry(newName, newPassword ? &*newPassword : nullptr, level)) {
    return Refuse(std::move(*bad));
  }
  return ChangeList(target, [&](IniDocument& list) -> std::optional<std::string> {
    if (!list.SectionExists(oldName)) return "No user named " + std::string(oldName) + ".";
    const std::string hash = newPassword ? Hash(*newPassword) : list.ReadString(oldName, "Password", "");
    if (EqualsIgnoreCase(oldName, newName)) {
      // Same user (names match without regard to case): erasing the old name would erase it.
      list = RenameSection(list, oldName, newName);
    } else {
      list.EraseSection(oldName);
      if (list.SectionExists(newName)) list = RenameSection(list, newName, newName);
    }
    WriteUser(list, newName, hash, level);
    return std::nullopt;
  });
}

EditOutcome UserListEditor::Delete(const Target& target, std::string_view name) {
  return ChangeList(target, [&](IniDocument& list) -> std::optional<std::string> {
    if (!list.SectionExists(name)) return "No user named " + std::string(name) + ".";
    list.EraseSection(name);
    return std::nullopt;
  });
}

}  // namespace brivak::manager
