#include "common/UserList.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "common/Hash.h"
#include "unit/common/RecordingLogSink.h"
#include "support/Files.h"
#include "support/TempDir.h"
#include "support/Disk.h"

namespace brivak {
namespace {

using test::RecordingLogSink;
using test::TempDir;
using test::ReadAll;
using test::WriteAll;

std::string Upper(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::toupper(c); });
  return s;
}

// ---- Level names ---------------------------------------------------------------------------------

TEST(PermissionsTest, NamesOfTheFiveLevels) {
  const std::vector<std::pair<int, std::string>> names = {
      {0, "None"}, {1, "Unlock"}, {2, "Admin"}, {-1, "[bad password]"}, {-2, "[user not found]"}};
  for (const auto& [level, name] : names) {
    std::string text = "before";
    IntToPermissions(level, text);
    EXPECT_EQ(text, name);
    EXPECT_EQ(IntToPermissions(level), name);
  }
}

TEST(PermissionsTest, UnknownLevelLeavesTextUnchanged) {
  for (const int level : {5, 3, -3, 100}) {
    std::string text = "kept";
    IntToPermissions(level, text);
    EXPECT_EQ(text, "kept") << level;
    EXPECT_EQ(IntToPermissions(level), "") << level;
  }
}

TEST(PermissionsTest, NamesToLevels) {
  EXPECT_EQ(PermissionsToInt("None"), kLevelNone);
  EXPECT_EQ(PermissionsToInt("Unlock"), kLevelUnlock);
  EXPECT_EQ(PermissionsToInt("Admin"), kLevelAdmin);
  EXPECT_EQ(PermissionsToInt("admin"), kLevelNone);  // exact case only; anything else is disabled
  EXPECT_EQ(PermissionsToInt(""), kLevelNone);
}

TEST(PermissionsTest, DialogWording) {
  EXPECT_EQ(PermissionsDialogText(0), "Account Disabled");
  EXPECT_EQ(PermissionsDialogText(1), "Unlock Brivak");
  EXPECT_EQ(PermissionsDialogText(2), "Configure Brivak (Admin)");
  EXPECT_EQ(PermissionsDialogText(-1), "");
}

TEST(PermissionsTest, HasOneAdmin) {
  EXPECT_FALSE(HasOneAdmin({}));
  EXPECT_FALSE(HasOneAdmin({{"a", "h", "Unlock"}, {"b", "h", "None"}, {"c", "h", "admin"}}));
  EXPECT_TRUE(HasOneAdmin({{"a", "h", "Unlock"}, {"b", "h", "Admin"}}));
}

// ---- Single-user check ---------------------------------------------------------------------------

TEST(SingleUserAuthenticateTest, ComparesHashes) {
  EXPECT_TRUE(Authenticate("secret", Hash("secret")));
  EXPECT_FALSE(Authenticate("Secret", Hash("secret")));
  EXPECT_FALSE(Authenticate("secret", Upper(Hash("secret"))));  // exact text comparison
  EXPECT_TRUE(Authenticate("", Hash("")));                       // the empty password has a hash
}

TEST(SingleUserAuthenticateTest, EmptyStoredHashMatchesNothing) {
  EXPECT_FALSE(Authenticate("", ""));
  EXPECT_FALSE(Authenticate("anything", ""));
}

// ---- Multi-user check ----------------------------------------------------------------------------

// The users every authentication case runs against.
std::string SampleUserList() {
  return "[administrator]\r\nPassword=" + Hash("adminpw") + "\r\nPermissions=2\r\n"
         "[Alice]\r\nPassword=" + Hash("alicepw") + "\r\nPermissions=1\r\n"
         "[zero]\r\nPassword=" + Hash("zeropw") + "\r\nPermissions=0\r\n"
         "[nopass]\r\nPermissions=1\r\n"
         "[nolevel]\r\nPassword=" + Hash("nolevelpw") + "\r\n"
         "[weird]\r\nPassword=" + Hash("weirdpw") + "\r\nPermissions=7\r\n"
         "[negative]\r\nPassword=" + Hash("negativepw") + "\r\nPermissions=-2\r\n"
         "[junk]\r\nPassword=" + Hash("junkpw") + "\r\nPermissions=abc\r\n"
         "[upper]\r\nPassword=" + Upper(Hash("upperpw")) + "\r\nPermissions=2\r\n";
}

struct AuthCase {
  const char* name;
  const char* user;
  const char* password;
  int result;
  std::vector<std::string> calls;  // every call but the gated event line
  const char* badPasswordLine;     // written when logBadPasswords; "" for none
  const char* unlockedLine;        // written when logUserWhoUnlocked; "" for none
};

const std::string kStart = "debug:unMain.Authenticate";
const std::string kOk = "debug:authenticating...authenticated";
const std::string kWrong = "debug:auth_badpass (wrong password)";
const std::string kNotFound = "debug:auth_usernotfound";

const AuthCase kAuthCases[] = {
    {"Admin", "administrator", "adminpw", 2, {kStart, kOk}, "",
     "User administrator authenticated with Admin access"},
    {"EmptyUserIsAdministrator", "", "adminpw", 2, {kStart, kOk}, "",
     "User administrator authenticated with Admin access"},
    {"UserNameAnyCase", "ALICE", "alicepw", 1, {kStart, kOk}, "",
     "User ALICE authenticated with Unlock access"},
    {"LevelZeroAuthenticates", "zero", "zeropw", 0, {kStart, kOk}, "",
     "User zero authenticated with None access"},
    {"WrongPassword", "alice", "wrong", -1, {kStart, kWrong},
     "Authentication failed: User alice had a bad password", ""},
    {"PasswordCaseMatters", "Alice", "ALICEPW", -1, {kStart, kWrong},
     "Authentication failed: User Alice had a bad password", ""},
    {"EmptyUserWrongPassword", "", "wrong", -1, {kStart, kWrong},
     "Authentication failed: User administrator had a bad password", ""},
    {"UnknownUser", "bob", "x", -2, {kStart, kNotFound, "lastmem:-2"}, "Username bobnot found!", ""},
    {"UnknownUserEmptyPassword", "bob", "", -2, {kStart, kNotFound, "lastmem:-2"},
     "Username bobnot found!", ""},
    {"EmptyUserAndPassword", "", "", -1, {kStart, "debug:auth_badpass"}, "", ""},
    {"MissingPasswordNeverMatches", "nopass", "nohash", -1, {kStart, kWrong},
     "Authentication failed: User nopass had a bad password", ""},
    {"MissingPasswordEmptyInput", "nopass", "", -1, {kStart, kWrong},
     "Authentication failed: User nopass had a bad password", ""},
    {"MissingLevelIsZero", "nolevel", "nolevelpw", 0, {kStart, kOk}, "",
     "User nolevel authenticated with None access"},
    {"OutOfRangeLevelIsZero", "weird", "weirdpw", 0, {kStart, kOk}, "",
     "User weird authenticated with None access"},
    {"NegativeLevelIsZero", "negative", "negativepw", 0, {kStart, kOk}, "",
     "User negative authenticated with None access"},
    {"MalformedLevelIsZero", "junk", "junkpw", 0, {kStart, kOk}, "",
     "User junk authenticated with None access"},
    {"StoredHashComparedExactly", "upper", "upperpw", -1, {kStart, kWrong},
     "Authentication failed: User upper had a bad password", ""},
};

struct AuthParam {
  AuthCase c;
  AuthLogging logging;
};

std::vector<AuthParam> AuthParams() {
  std::vector<AuthParam> params;
  for (const AuthCase& c : kAuthCases) {
    for (const bool bad : {false, true}) {
      for (const bool who : {false, true}) params.push_back({c, AuthLogging{bad, who}});
    }
  }
  return params;
}

class MultiUserAuthenticateTest : public ::testing::TestWithParam<AuthParam> {
 protected:
  TempDir dir_;
  RecordingLogSink log_;
};

TEST_P(MultiUserAuthenticateTest, ResultAndLines) {
  const AuthParam& p = GetParam();
  UserList users(brivak::test::Disk(), dir_.File("userlist.dat"));
  WriteAll(users.Path(), SampleUserList());

  EXPECT_EQ(Authenticate(users, p.c.user, p.c.password, log_, p.logging), p.c.result);

  std::vector<std::string> expected = p.c.calls;
  if (p.logging.logBadPasswords && *p.c.badPasswordLine != '\0') {
    expected.push_back(std::string("log:") + p.c.badPasswordLine);
  }
  if (p.logging.logUserWhoUnlocked && *p.c.unlockedLine != '\0') {
    expected.push_back(std::string("log:") + p.c.unlockedLine);
  }
  EXPECT_EQ(log_.Calls(), expected);
}

INSTANTIATE_TEST_SUITE_P(Matrix, MultiUserAuthenticateTest, ::testing::ValuesIn(AuthParams()),
                         [](const auto& p) {
                           return std::string(p.param.c.name) +
                                  (p.param.logging.logBadPasswords ? "_LogBad" : "") +
                                  (p.param.logging.logUserWhoUnlocked ? "_LogWho" : "");
                         });

TEST(MultiUserAuthenticateEdgeTest, MissingFileFindsNobodyAndCreatesNothing) {
  TempDir dir;
  RecordingLogSink log;
  UserList users(brivak::test::Disk(), dir.File("userlist.dat"));
  const AuthLogging all{true, true};
  EXPECT_EQ(Authenticate(users, "", "adminpw", log, all), kLevelUserNotFound);
  EXPECT_EQ(Authenticate(users, "anyone", "", log, all), kLevelUserNotFound);
  EXPECT_EQ(log.Channel("log"),
            (std::vector<std::string>{"Username administratornot found!", "Username anyonenot found!"}));
  log.Clear();
  // Empty name and password fail before the file is consulted, so the empty list gives -1 here.
  EXPECT_EQ(Authenticate(users, "", "", log, all), kLevelBadPassword);
  EXPECT_EQ(log.Calls(), (std::vector<std::string>{kStart, "debug:auth_badpass"}));
  EXPECT_FALSE(IniFile(brivak::test::Disk(), users.Path()).Exists());
}

TEST(MultiUserAuthenticateEdgeTest, SeesChangesWithoutReopening) {
  TempDir dir;
  RecordingLogSink log;
  UserList users(brivak::test::Disk(), dir.File("userlist.dat"));
  EXPECT_EQ(Authenticate(users, "carol", "pw", log, {}), kLevelUserNotFound);
  UserList other(brivak::test::Disk(), users.Path());  // e.g. the options dialog's accessor
  other.AddUser("Carol", "pw", kLevelUnlock);
  EXPECT_EQ(Authenticate(users, "carol", "pw", log, {}), kLevelUnlock);
}

// ---- Maintenance ---------------------------------------------------------------------------------

class UserListTest : public ::testing::Test {
 protected:
  int Auth(std::string_view user, std::string_view password) {
    return Authenticate(users_, user, password, log_, {});
  }
  std::vector<std::string> Names() {
    std::vector<std::string> names;
    for (const UserRow& row : users_.LoadUserList(log_)) names.push_back(row.name);
    return names;
  }

  TempDir dir_;
  RecordingLogSink log_;
  UserList users_{brivak::test::Disk(), dir_.File("userlist.dat")};
};

TEST_F(UserListTest, FileCreatedOnFirstWriteOwnerOnly) {
  EXPECT_FALSE(IniFile(brivak::test::Disk(), users_.Path()).Exists());
  users_.AddUser("administrator", "pw", kLevelAdmin);
  struct stat st {};
  ASSERT_EQ(::stat(users_.Path().c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0600u);
  EXPECT_EQ(ReadAll(users_.Path()),
            "[administrator]\r\nPassword=" + Hash("pw") + "\r\nPermissions=2\r\n");
}

TEST_F(UserListTest, AddUserOverwritesExistingAnyCase) {
  users_.AddUser("dave", "old", kLevelAdmin);
  users_.AddUser("Eve", "e", kLevelUnlock);
  users_.AddUser("DAVE", "new", kLevelNone);
  const std::vector<UserRow> rows = users_.LoadUserList(log_);
  EXPECT_EQ(rows, (std::vector<UserRow>{{"Eve", Hash("e"), "Unlock"}, {"DAVE", Hash("new"), "None"}}));
  EXPECT_EQ(Auth("dave", "old"), kLevelBadPassword);
  EXPECT_EQ(Auth("dave", "new"), kLevelNone);
}

TEST_F(UserListTest, RenameKeepsHash) {
  users_.AddUser("frank", "pw", kLevelUnlock);
  users_.EditUser("frank", "george", std::nullopt, kLevelAdmin);
  EXPECT_EQ(Names(), (std::vector<std::string>{"george"}));
  EXPECT_EQ(Auth("frank", "pw"), kLevelUserNotFound);
  EXPECT_EQ(Auth("george", "pw"), kLevelAdmin);
}

TEST_F(UserListTest, CaseOnlyRenameKeepsUserWithNewSpelling) {
  users_.AddUser("admin", "pw", kLevelAdmin);
  users_.AddUser("other", "o", kLevelUnlock);
  users_.EditUser("admin", "Admin", std::nullopt, kLevelAdmin);
  const std::vector<std::string> names = Names();
  EXPECT_EQ(std::count(names.begin(), names.end(), "Admin"), 1);
  EXPECT_EQ(std::count(names.begin(), names.end(), "admin"), 0);
  EXPECT_EQ(names.size(), 2u);
  EXPECT_EQ(Auth("admin", "pw"), kLevelAdmin);
}

TEST_F(UserListTest, EditSameNameChangesPasswordAndLevel) {
  users_.AddUser("harry", "old", kLevelAdmin);
  users_.EditUser("harry", "harry", std::string("new"), kLevelUnlock);
  EXPECT_EQ(Auth("harry", "old"), kLevelBadPassword);
  EXPECT_EQ(Auth("harry", "new"), kLevelUnlock);
  users_.EditUser("harry", "harry", std::nullopt, kLevelNone);
  EXPECT_EQ(Auth("harry", "new"), kLevelNone);
  EXPECT_EQ(Names(), (std::vector<std::string>{"harry"}));
}

TEST_F(UserListTest, RenameWithNewPassword) {
  users_.AddUser("ivan", "old", kLevelUnlock);
  users_.EditUser("ivan", "jane", std::string(""), kLevelUnlock);
  EXPECT_EQ(Auth("jane", "old"), kLevelBadPassword);
  EXPECT_EQ(Auth("jane", ""), kLevelUnlock);  // an empty new password is a password like any other
}

TEST_F(UserListTest, RenameOntoExistingUserReplacesIt) {
  users_.AddUser("kim", "k", kLevelUnlock);
  users_.AddUser("lee", "l", kLevelAdmin);
  users_.EditUser("kim", "LEE", std::nullopt, kLevelUnlock);
  EXPECT_EQ(Names(), (std::vector<std::string>{"LEE"}));
  EXPECT_EQ(Auth("lee", "k"), kLevelUnlock);
}

TEST_F(UserListTest, LoadUserListRowsAndTrace) {
  WriteAll(users_.Path(), "[b]\nPassword=hb\nPermissions=2\n[a]\nPermissions=9\n[c]\nPassword=hc\n");
  EXPECT_EQ(users_.LoadUserList(log_),
            (std::vector<UserRow>{{"b", "hb", "Admin"}, {"a", "", "None"}, {"c", "hc", "None"}}));
  std::vector<std::string> expected = {"LoadUserList", "LUL:secs.create", "LUL:ul.read",
                                       "LUL:secs.count = 3"};
  for (int i = 0; i < 3; ++i) {
    expected.push_back("LUL:read user secs[i]");
    expected.push_back("LUL:itemadd");
  }
  expected.push_back("LUL:secs.free");
  expected.push_back("LUL:end secs.free");
  EXPECT_EQ(log_.Channel("debug"), expected);
  EXPECT_EQ(log_.Calls().size(), expected.size());
}

TEST_F(UserListTest, LoadUserListOfMissingFile) {
  EXPECT_TRUE(users_.LoadUserList(log_).empty());
  EXPECT_EQ(log_.Channel("debug"),
            (std::vector<std::string>{"LoadUserList", "LUL:secs.create", "LUL:ul.read",
                                      "LUL:secs.count = 0", "LUL:secs.free", "LUL:end secs.free"}));
}

TEST_F(UserListTest, SaveUserListReplacesEverything) {
  users_.AddUser("gone", "g", kLevelAdmin);
  const std::vector<UserRow> rows = {
      {"administrator", Hash("a"), "Admin"}, {"Mia", Hash("m"), "Unlock"}, {"ned", "nohash", "None"}};
  users_.SaveUserList(rows);
  EXPECT_EQ(users_.LoadUserList(log_), rows);
  EXPECT_EQ(Auth("gone", "g"), kLevelUserNotFound);
  EXPECT_EQ(Auth("mia", "m"), kLevelUnlock);
  struct stat st {};
  ASSERT_EQ(::stat(users_.Path().c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0600u);
}

TEST_F(UserListTest, SaveEmptyListLeavesNoUsers) {
  users_.AddUser("x", "x", kLevelAdmin);
  users_.SaveUserList({});
  EXPECT_TRUE(users_.LoadUserList(log_).empty());
  EXPECT_EQ(Auth("x", "x"), kLevelUserNotFound);
}

TEST_F(UserListTest, AuthenticateWhileAnotherThreadEdits) {
  users_.AddUser("administrator", "pw", kLevelAdmin);
  std::atomic<bool> wrong{false};
  std::thread editor([this] {
    for (int i = 0; i < 30; ++i) {
      users_.AddUser("user" + std::to_string(i), "p", kLevelUnlock);
      users_.EditUser("administrator", i % 2 ? "Administrator" : "administrator", std::nullopt,
                      kLevelAdmin);
    }
  });
  std::vector<std::thread> readers;
  for (int t = 0; t < 2; ++t) {
    readers.emplace_back([this, &wrong] {
      RecordingLogSink log;
      for (int i = 0; i < 30; ++i) {
        if (Authenticate(users_, "", "pw", log, {}) != kLevelAdmin) wrong = true;
      }
    });
  }
  editor.join();
  for (std::thread& r : readers) r.join();
  EXPECT_FALSE(wrong);
  EXPECT_EQ(Names().size(), 31u);
}

}  // namespace
}  // namespace brivak
