#include "manager/core/RemoteUserList.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>

#include "common/Hash.h"
#include "unit/manager/LookupFakes.h"
#include "support/Disk.h"

namespace brivak::manager {
namespace {

class MemoryStore : public UserListStore {
 public:
  IniDocument Load() const override { return doc; }
  void Save(const IniDocument& list) override {
    if (failSave) throw std::runtime_error("disk full");
    doc = list;
    ++saves;
  }
  IniDocument doc;
  int saves = 0;
  bool failSave = false;
};

IniDocument List(std::string_view text) { return IniDocument::Parse(text); }

std::vector<std::string> Names(const std::vector<UserRow>& rows) {
  std::vector<std::string> names;
  for (const UserRow& row : rows) names.push_back(row.name);
  return names;
}

TEST(RemoteUserListTest, ReplyIsReadBetweenTheTags) {
  const FetchResult<IniDocument> r = ParseUserListReply(test::OkReply(
      "<HTML><BODY><B>200 <userlist>[ann]\r\nPassword=abc\r\nPermissions=2\r\n</userlist></B></BODY></HTML>\r\n"));
  ASSERT_TRUE(r);
  EXPECT_EQ(r.value().SectionNames(), std::vector<std::string>{"ann"});
  EXPECT_EQ(r.value().ReadString("ann", "Password", ""), "abc");
}

TEST(RemoteUserListTest, FailedFetchesAreErrorsNotEmptyLists) {
  struct Case {
    HttpLookupResult result;
    std::string error;
  };
  HttpLookupResult serverError = test::OkReply("Cannot open file");
  serverError.status = 500;
  const std::vector<Case> cases = {
      {test::FailedReply(HttpLookupResult::Outcome::ConnectTimeout), "Connection timed out requesting user list."},
      {test::FailedReply(HttpLookupResult::Outcome::Failed), "Exception getting user list. Response from host was: "},
      {test::OkReply("<HTML><BODY><B>200 cant fetch user list, not authenticated</B></BODY></HTML>\r\n"),
       "Exception getting user list. Response from host was: <HTML><BODY><B>200 cant fetch user list, not "
       "authenticated</B></BODY></HTML>\r\n"},
      {test::OkReply("<userlist>[ann]\r\nPassword=ab"), "Exception getting user list. Response from host was: "
                                                        "<userlist>[ann]\r\nPassword=ab"},
      {serverError, "Exception getting user list. Response from host was: Cannot open file"},
  };
  for (const Case& c : cases) {
    const FetchResult<IniDocument> r = ParseUserListReply(c.result);
    EXPECT_FALSE(r);
    EXPECT_EQ(r.error(), c.error);
  }
}

TEST(RemoteUserListTest, AFailedFetchLeavesTheViewAsItWas) {
  MemoryStore master;
  UserListEditor editor(master);
  ASSERT_TRUE(editor.ShowFetched("127.0.0.2", FetchResult<IniDocument>::Ok(List("[bob]\r\nPermissions=1\r\n"))).ok);
  const EditOutcome failed =
      editor.ShowFetched("127.0.0.3", ParseUserListReply(test::FailedReply(HttpLookupResult::Outcome::ConnectTimeout)));
  EXPECT_FALSE(failed.ok);
  EXPECT_EQ(failed.error, "Connection timed out requesting user list.");
  EXPECT_EQ(editor.ComputerHost(), "127.0.0.2");
  EXPECT_EQ(Names(editor.Rows()), std::vector<std::string>{"bob"});
}

TEST(RemoteUserListTest, ComputerEntriesAndTheirHost) {
  EXPECT_EQ(UserListComputerEntry("PC1", "127.0.0.2"), "PC1(127.0.0.2)");
  EXPECT_EQ(HostOfUserListEntry("PC1(127.0.0.2)"), "127.0.0.2");
  EXPECT_EQ(HostOfUserListEntry("Lab (west)(127.0.0.9)"), "127.0.0.9");
  EXPECT_EQ(HostOfUserListEntry("none"), "");
}

TEST(RemoteUserListTest, RowsShowHashAndLevelName) {
  MemoryStore master;
  master.doc = List("[ann]\r\nPassword=h1\r\nPermissions=2\r\n[bob]\r\nPermissions=x\r\n[cy]\r\nPassword=h3\r\nPermissions=1\r\n");
  UserListEditor editor(master);
  EXPECT_TRUE(editor.Rows().empty());  // nothing shown yet
  editor.ShowMaster();
  EXPECT_EQ(editor.Rows(), (std::vector<UserRow>{{"ann", "h1", "Admin"}, {"bob", "", "None"}, {"cy", "h3", "Unlock"}}));
}

TEST(RemoteUserListTest, TheLastAdminOfTheMastersListIsNeverRemoved) {
  MemoryStore master;
  master.doc = List("[ann]\r\nPassword=h1\r\nPermissions=2\r\n[bob]\r\nPassword=h2\r\nPermissions=1\r\n");
  UserListEditor editor(master);
  editor.ShowMaster();
  const EditOutcome del = editor.Delete("ANN");
  EXPECT_FALSE(del.ok);
  EXPECT_EQ(del.error, "The manager's own user list must keep at least one Admin.");
  EXPECT_FALSE(editor.Edit("ann", "ann", std::nullopt, kLevelUnlock).ok);  // demotion
  EXPECT_EQ(master.saves, 0);
  EXPECT_TRUE(master.doc.SectionExists("ann"));
  // With a second Admin the first may go.
  ASSERT_TRUE(editor.Edit("bob", "bob", std::nullopt, kLevelAdmin).ok);
  EXPECT_TRUE(editor.Delete("ann").ok);
  EXPECT_EQ(Names(editor.Rows()), std::vector<std::string>{"bob"});
  // Renaming the only Admin keeps an Admin.
  EXPECT_TRUE(editor.Edit("bob", "bobby", std::nullopt, kLevelAdmin).ok);
  EXPECT_EQ(UserList::ReadLevel(master.doc, "bobby"), kLevelAdmin);
}

TEST(RemoteUserListTest, AComputerCopyMayLoseItsAdminsButTheMasterIsUntouched) {
  MemoryStore master;
  master.doc = List("[ann]\r\nPassword=h1\r\nPermissions=2\r\n");
  UserListEditor editor(master);
  editor.ShowFetched("127.0.0.2", FetchResult<IniDocument>::Ok(List("[ann]\r\nPassword=r1\r\nPermissions=2\r\n")));
  EXPECT_TRUE(editor.Delete("ann").ok);
  EXPECT_TRUE(editor.Rows().empty());
  EXPECT_TRUE(master.doc.SectionExists("ann"));
  EXPECT_EQ(master.saves, 0);
}

// Delete erases from the list shown: looking at a locker's copy never costs the master a user.
TEST(RemoteUserListTest, DeleteRemovesTheUserFromTheListShownOnly) {
  MemoryStore master;
  master.doc = List("[ann]\r\nPassword=h1\r\nPermissions=2\r\n[bob]\r\nPassword=h2\r\nPermissions=1\r\n");
  UserListEditor editor(master);
  ASSERT_TRUE(editor.ShowFetched("127.0.0.2", FetchResult<IniDocument>::Ok(List("[bob]\r\nPermissions=1\r\n[cy]\r\n"))).ok);
  ASSERT_TRUE(editor.Delete("bob").ok);
  EXPECT_EQ(Names(editor.Rows()), std::vector<std::string>{"cy"});
  EXPECT_TRUE(master.doc.SectionExists("bob"));
  editor.ShowMaster();
  ASSERT_TRUE(editor.Delete("bob").ok);
  EXPECT_EQ(Names(editor.Rows()), std::vector<std::string>{"ann"});
}

// Each fetch is a copy of its own: the edits of the first copy are still there after the next.
class RecordingCopies : public UserListCopies {
 public:
  std::unique_ptr<UserListStore> NewCopy(std::string_view host) override {
    if (fail) throw std::runtime_error("no room");
    hosts.emplace_back(host);
    auto store = std::make_unique<MemoryStore>();
    stores.push_back(store.get());
    return store;
  }
  std::vector<std::string> hosts;
  std::vector<MemoryStore*> stores;
  bool fail = false;
};

TEST(RemoteUserListTest, EachFetchIsKeptAsACopyOfItsOwnAndItsEditsOutliveTheNextFetch) {
  MemoryStore master;
  RecordingCopies copies;
  UserListEditor editor(master, copies);
  ASSERT_TRUE(editor.ShowFetched("127.0.0.2", FetchResult<IniDocument>::Ok(List("[bob]\r\nPermissions=1\r\n"))).ok);
  ASSERT_TRUE(editor.Add("cy", "secret", kLevelUnlock).ok);
  ASSERT_TRUE(editor.ShowFetched("127.0.0.2", FetchResult<IniDocument>::Ok(List("[bob]\r\nPermissions=1\r\n"))).ok);
  ASSERT_EQ(copies.stores.size(), 2u);
  EXPECT_EQ(copies.hosts, (std::vector<std::string>{"127.0.0.2", "127.0.0.2"}));
  EXPECT_EQ(copies.stores[0]->doc.SectionNames(), (std::vector<std::string>{"bob", "cy"}));
  EXPECT_EQ(copies.stores[1]->doc.SectionNames(), std::vector<std::string>{"bob"});
  EXPECT_EQ(Names(editor.Rows()), std::vector<std::string>{"bob"});

  copies.fail = true;  // a copy that cannot be kept is not shown
  const EditOutcome failed =
      editor.ShowFetched("127.0.0.3", FetchResult<IniDocument>::Ok(List("[zed]\r\n")));
  EXPECT_FALSE(failed.ok);
  EXPECT_EQ(failed.error, "The fetched list could not be kept: no room");
  EXPECT_EQ(editor.ComputerHost(), "127.0.0.2");
}

// An edit started on one list (the dialog opened) goes to that list, whatever is shown when it ends.
TEST(RemoteUserListTest, AnEditGoesToTheListItWasStartedOnEvenWhenAFetchCameMeanwhile) {
  MemoryStore master;
  master.doc = List("[ann]\r\nPassword=h1\r\nPermissions=2\r\n");
  RecordingCopies copies;
  UserListEditor editor(master, copies);
  editor.ShowMaster();
  const UserListEditor::Target onMaster = editor.CurrentTarget();
  ASSERT_TRUE(editor.ShowFetched("127.0.0.2", FetchResult<IniDocument>::Ok(List("[bob]\r\n"))).ok);
  ASSERT_TRUE(editor.Add(onMaster, "dan", "secret", kLevelUnlock).ok);
  EXPECT_TRUE(master.doc.SectionExists("dan"));
  EXPECT_FALSE(copies.stores[0]->doc.SectionExists("dan"));

  const UserListEditor::Target onCopy = editor.CurrentTarget();
  ASSERT_TRUE(editor.ShowFetched("127.0.0.3", FetchResult<IniDocument>::Ok(List("[bob]\r\n"))).ok);
  ASSERT_TRUE(editor.Delete(onCopy, "bob").ok);
  EXPECT_FALSE(copies.stores[0]->doc.SectionExists("bob"));
  EXPECT_TRUE(copies.stores[1]->doc.SectionExists("bob"));
  EXPECT_EQ(Names(editor.Rows()), std::vector<std::string>{"bob"});  // the list shown is the latest
}

TEST(RemoteUserListTest, EditWithoutPasswordKeepsTheHashAlsoWhenRenamed) {
  MemoryStore master;
  master.doc = List("[ann]\r\nPassword=h1\r\nPermissions=2\r\n[bob]\r\nPassword=h2\r\nPermissions=1\r\n[cy]\r\nPassword=h3\r\nPermissions=0\r\n");
  UserListEditor editor(master);
  editor.ShowMaster();
  ASSERT_TRUE(editor.Edit("bob", "robert", std::nullopt, kLevelAdmin).ok);
  EXPECT_FALSE(master.doc.SectionExists("bob"));
  EXPECT_EQ(master.doc.ReadString("robert", "Password", ""), "h2");
  EXPECT_EQ(UserList::ReadLevel(master.doc, "robert"), kLevelAdmin);
  ASSERT_TRUE(editor.Edit("cy", "cy", std::string("newpass"), kLevelUnlock).ok);
  EXPECT_EQ(master.doc.ReadString("cy", "Password", ""), Hash("newpass"));
}

TEST(RemoteUserListTest, ARenameThatOnlyChangesCaseKeepsTheUserInPlace) {
  MemoryStore master;
  master.doc = List("[ann]\r\nPassword=h1\r\nPermissions=2\r\n[bob]\r\nPassword=h2\r\nPermissions=1\r\n[cy]\r\nPassword=h3\r\nPermissions=2\r\n");
  UserListEditor editor(master);
  editor.ShowMaster();
  ASSERT_TRUE(editor.Edit("bob", "Bob", std::nullopt, kLevelUnlock).ok);
  EXPECT_EQ(Names(editor.Rows()), (std::vector<std::string>{"ann", "Bob", "cy"}));
  EXPECT_EQ(master.doc.ReadString("Bob", "Password", ""), "h2");
}

TEST(RemoteUserListTest, AddReplacesAnExistingUser) {
  MemoryStore master;
  master.doc = List("[ann]\r\nPassword=h1\r\nPermissions=2\r\n[bob]\r\nPassword=h2\r\nPermissions=1\r\n");
  UserListEditor editor(master);
  editor.ShowMaster();
  ASSERT_TRUE(editor.Add("BOB", "secret", kLevelNone).ok);
  EXPECT_EQ(Names(editor.Rows()), (std::vector<std::string>{"ann", "BOB"}));
  EXPECT_EQ(master.doc.ReadString("bob", "Password", ""), Hash("secret"));
  EXPECT_EQ(UserList::ReadLevel(master.doc, "bob"), kLevelNone);
}

TEST(RemoteUserListTest, EntriesAreChecked) {
  MemoryStore master;
  UserListEditor editor(master);
  EXPECT_FALSE(editor.Add("ann", "secret", kLevelAdmin).ok);  // nothing shown
  editor.ShowMaster();
  EXPECT_FALSE(editor.Add("a", "secret", kLevelAdmin).ok);
  EXPECT_FALSE(editor.Add("ann", "ab", kLevelAdmin).ok);
  EXPECT_FALSE(editor.Add("ann", "secret", 3).ok);
  EXPECT_FALSE(editor.Add("a]nn", "secret", 2).ok);
  EXPECT_FALSE(editor.Edit("nobody", "nobody", std::nullopt, 1).ok);
  EXPECT_FALSE(editor.Delete("nobody").ok);
  EXPECT_EQ(master.saves, 0);
  EXPECT_TRUE(editor.Add("an", "abc", kLevelAdmin).ok);
}

TEST(RemoteUserListTest, AFailedSaveIsReported) {
  MemoryStore master;
  master.failSave = true;
  UserListEditor editor(master);
  editor.ShowMaster();
  const EditOutcome r = editor.Add("ann", "secret", kLevelAdmin);
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.error, "disk full");
}

TEST(RemoteUserListTest, FileStoreWritesAnOwnerOnlyFile) {
  char dirTemplate[] = "/tmp/m2userlistXXXXXX";
  ASSERT_NE(mkdtemp(dirTemplate), nullptr);
  const std::filesystem::path dir(dirTemplate);
  {
    FileUserListStore store(brivak::test::Disk(), (dir / "userlist.dat").string());
    UserListEditor editor(store);
    editor.ShowMaster();
    ASSERT_TRUE(editor.Add("ann", "secret", kLevelAdmin).ok);
    struct stat info {};
    ASSERT_EQ(stat((dir / "userlist.dat").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    EXPECT_EQ(store.Load().ReadString("ann", "Password", ""), Hash("secret"));
  }
  std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace brivak::manager
