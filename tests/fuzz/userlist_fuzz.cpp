// libFuzzer target for the user list, read where it comes from outside: as the locker's
// "userlist.dat" (loaded for the options dialog and checked by Authenticate), and as the reply of a
// locker's "getuserlist" in the manager (shown for editing). A user whose stored level is not 0..2
// never passes for a stronger one, and authentication never returns a level the list does not hold.
#include <string>

#include "common/LogSink.h"
#include "common/UserList.h"
#include "manager/core/RemoteUserList.h"
#include "platform/fake/MemoryFileSystem.h"
#include "FuzzSupport.h"

using namespace brivak;
using fuzz::Check;

namespace {

class NullLog : public LogSink {
 public:
  void WriteLog(std::string_view) override {}
  void Mem(std::string_view) override {}
  void LastMem(std::string_view) override {}
  void Debug(std::string_view) override {}
};

class MemoryStore : public manager::UserListStore {
 public:
  IniDocument Load() const override { return doc; }
  void Save(const IniDocument& list) override { doc = list; }
  IniDocument doc;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text = fuzz::AsText(data, size);
  static platform::MemoryFileSystem files;
  files.Put("/data/userlist.dat", text, 0600);
  NullLog log;
  const UserList users(files, "/data/userlist.dat");
  const std::vector<UserRow> rows = users.LoadUserList(log);
  const IniDocument doc = users.Load();
  for (const UserRow& row : rows) {
    Check(row.permissionName == "None" || row.permissionName == "Unlock" || row.permissionName == "Admin");
    const int level = UserList::ReadLevel(doc, row.name);
    Check(level >= kLevelNone && level <= kLevelAdmin);
    // The stored hash as a password never matches (hashes are of passwords, not of themselves)
    // unless the file says so; either way the result is a level the list holds or a refusal.
    const int result = Authenticate(users, row.name, row.hash, log, AuthLogging{true, true});
    Check(result == level || result == kLevelBadPassword || (row.name.empty() && result == kLevelUserNotFound));
  }

  manager::HttpLookupResult reply;
  reply.outcome = manager::HttpLookupResult::Outcome::Ok;
  reply.status = 200;
  reply.body = std::string(text);
  const auto fetched = manager::ParseUserListReply(reply);
  MemoryStore master;
  manager::UserListEditor editor(master);
  const manager::EditOutcome shown = editor.ShowFetched("127.0.0.2", fetched);
  if (shown.ok) {
    for (const UserRow& row : editor.Rows()) {
      Check(row.permissionName == "None" || row.permissionName == "Unlock" || row.permissionName == "Admin");
    }
  }
  return 0;
}
