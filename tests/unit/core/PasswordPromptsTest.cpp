#include "proj/core/PasswordPrompts.h"

#include <gtest/gtest.h>

#include "common/Hash.h"
#include "common/IniFile.h"
#include "platform/fake/MemoryRegistryStore.h"
#include "support/TempDir.h"
#include "unit/common/RecordingLogSink.h"
#include "support/Disk.h"

namespace brivak::core {
namespace {

TEST(PasswordPromptsTest, InstructionCompletesTheSentence) {
  EXPECT_EQ(EnterPasswordTo("change Options"), "Enter password to change Options");
  EXPECT_EQ(AuthorizeTraceLine(123456, "Exit Brivak"), "123456Authorize: Exit Brivak");
}

struct AuthorizeCase {
  const char* name;
  bool multiUser;
  int level;
  int modalResult;
  int granted;
  bool logBadPasswords;
  bool expectGranted;
  std::vector<std::string> console;
  std::vector<std::string> debug;
  std::string eventLog;
  std::string securityEvent;
};

class PasswordPromptsAuthorizeTest : public ::testing::TestWithParam<AuthorizeCase> {};

TEST_P(PasswordPromptsAuthorizeTest, Outcome) {
  const AuthorizeCase& c = GetParam();
  const AuthorizeReport r =
      DecideAuthorize(c.multiUser, "view Logs", c.level, c.modalResult, c.granted, c.logBadPasswords);
  EXPECT_EQ(r.granted, c.expectGranted);
  EXPECT_EQ(r.consoleLines, c.console);
  EXPECT_EQ(r.debugLines, c.debug);
  EXPECT_EQ(r.eventLogLine, c.eventLog);
  EXPECT_EQ(r.securityEvent, c.securityEvent);
}

INSTANTIATE_TEST_SUITE_P(
    Table, PasswordPromptsAuthorizeTest,
    ::testing::Values(
        AuthorizeCase{"SingleOkGrantsAdmin", false, 2, kModalOk, 0, true, true, {}, {}, "", ""},
        AuthorizeCase{"SingleCancel", false, 1, kModalCancel, 0, true, false, {},
                      {"Modal Result: cancel"}, "", ""},
        AuthorizeCase{"MultiAdminForAdmin", true, 2, kModalOk, 2, false, true, {"Admin"}, {}, "", ""},
        AuthorizeCase{"MultiUnlockForUnlock", true, 1, kModalOk, 1, false, true, {"Unlock"}, {}, "", ""},
        AuthorizeCase{"MultiUnlockForAdmin", true, 2, kModalOk, 1, false, false, {"Unlock"}, {}, "",
                      "You don't have the proper credentials to view Logs"},
        AuthorizeCase{"MultiCancel", true, 1, kModalCancel, 0, true, false, {"Modal Result: Cancel"}, {},
                      "", ""},
        AuthorizeCase{"MultiFailedLogged", true, 1, kModalNo, -1, true, false, {}, {},
                      "view Logs: BAD USER/PASSWORD", "Bad User/Password in Authorize routine (view Logs)"},
        AuthorizeCase{"MultiFailedNotLogged", true, 1, kModalNo, -1, false, false, {}, {}, "",
                      "Bad User/Password in Authorize routine (view Logs)"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(PasswordPromptsTest, OkButtonRules) {
  EXPECT_FALSE(UnlockOkEnabled(""));
  EXPECT_TRUE(UnlockOkEnabled("x"));
  EXPECT_FALSE(UserUnlockOkEnabled("", "pw"));
  EXPECT_FALSE(UserUnlockOkEnabled("bob", ""));
  EXPECT_TRUE(UserUnlockOkEnabled("bob", "pw"));

  EXPECT_FALSE(FirstTimeOkEnabled("ab", "ab"));
  EXPECT_FALSE(FirstTimeOkEnabled("abc", "abd"));
  EXPECT_FALSE(FirstTimeOkEnabled("abc", ""));
  EXPECT_TRUE(FirstTimeOkEnabled("abc", "abc"));
  EXPECT_TRUE(FirstTimeOkEnabled("\xC3\xA9t\xC3\xA9", "\xC3\xA9t\xC3\xA9"));  // "été": 3 characters
  EXPECT_FALSE(FirstTimeEnterMovesOn("ab"));
  EXPECT_TRUE(FirstTimeEnterMovesOn("abc"));
}

TEST(PasswordPromptsTest, OnlyUnlockAndAdminAreGranted) {
  EXPECT_EQ(UserUnlockGrant(2), 2);
  EXPECT_EQ(UserUnlockGrant(1), 1);
  EXPECT_EQ(UserUnlockGrant(0), -1);  // account disabled
  EXPECT_EQ(UserUnlockGrant(-1), -1);
  EXPECT_EQ(UserUnlockGrant(-2), -1);
}

TEST(PasswordPromptsTest, UserUnlockWidthHasAFloor) {
  EXPECT_EQ(UserUnlockWidth(100), 332);
  EXPECT_EQ(UserUnlockWidth(400), 425);
}

TEST(PasswordPromptsTest, ThreeAsWithinOnePeriodFillInAdministrator) {
  AdministratorShortcut s;
  EXPECT_FALSE(s.KeyTyped(U'a'));
  EXPECT_FALSE(s.KeyTyped(U'b'));
  EXPECT_FALSE(s.KeyTyped(U'A'));
  EXPECT_TRUE(s.KeyTyped(U'a'));
  s.Tick();
  EXPECT_EQ(s.numAs(), 0);
  EXPECT_FALSE(s.KeyTyped(U'a'));
  EXPECT_FALSE(s.KeyTyped(U'a'));
  s.Tick();
  EXPECT_FALSE(s.KeyTyped(U'a'));
}

TEST(PasswordPromptsTest, ChangePasswordVerdicts) {
  const std::string stored = Hash("secret");
  EXPECT_EQ(DecideChangePassword("wrong", "new1", "new1", stored), ChangePasswordVerdict::kWrongOld);
  EXPECT_EQ(DecideChangePassword("secret", "new1", "new2", stored), ChangePasswordVerdict::kMismatch);
  EXPECT_EQ(DecideChangePassword("secret", "new1", "new1", stored), ChangePasswordVerdict::kAccept);
  // A never-set hash matches no old password.
  EXPECT_EQ(DecideChangePassword("", "new1", "new1", ""), ChangePasswordVerdict::kWrongOld);
}

struct EditOkCase {
  const char* name;
  EditUserFields fields;
  bool ok;
};

class PasswordPromptsEditOkTest : public ::testing::TestWithParam<EditOkCase> {};

TEST_P(PasswordPromptsEditOkTest, OkEnabled) {
  EXPECT_EQ(EditUserOkEnabled(GetParam().fields), GetParam().ok);
}

INSTANTIATE_TEST_SUITE_P(
    Table, PasswordPromptsEditOkTest,
    ::testing::Values(
        EditOkCase{"AddComplete", {true, "bob", "abc", "abd", false, true}, true},  // mismatch: OK says
        EditOkCase{"AddShortPassword", {true, "bob", "ab", "ab", false, true}, false},
        EditOkCase{"AddShortConfirm", {true, "bob", "abc", "ab", false, true}, false},
        EditOkCase{"AddNoName", {true, "", "abc", "abc", false, true}, false},
        EditOkCase{"EditUntouched", {false, "bob", "(click to change)", "", true, false}, true},
        EditOkCase{"EditNoName", {false, "", "(click to change)", "", true, false}, false},
        EditOkCase{"EditEqual", {false, "bob", "abc", "abc", false, true}, true},
        EditOkCase{"EditDiffer", {false, "bob", "abc", "abd", false, true}, false},
        EditOkCase{"EditEmptied", {false, "bob", "", "", false, true}, false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(PasswordPromptsTest, AddModeMismatchIsReportedAtOk) {
  EXPECT_TRUE(EditUserPasswordsMismatch({true, "bob", "abc", "abd", false, true}));
  EXPECT_FALSE(EditUserPasswordsMismatch({true, "bob", "abc", "abc", false, true}));
}

TEST(PasswordPromptsTest, EnterStepsThroughTheEditUserDialog) {
  using F = EditUserFocus;
  const EditUserFields typed{false, "bob", "abc", "", false, true};
  const EditUserFields untouched{false, "bob", "(click to change)", "", true, false};
  const EditUserFields noName{true, "", "", "", false, true};
  // One Enter on the user name reaches the confirmation box when the password is typed.
  EXPECT_EQ(EditUserEnter(F::kUserName, typed), F::kConfirm);
  EXPECT_EQ(EditUserEnter(F::kUserName, untouched), F::kPassword);
  EXPECT_EQ(EditUserEnter(F::kUserName, noName), F::kUserName);
  EXPECT_EQ(EditUserEnter(F::kPassword, typed), F::kConfirm);
  EXPECT_EQ(EditUserEnter(F::kPassword, untouched), F::kPassword);
  EXPECT_EQ(EditUserEnter(F::kConfirm, typed), F::kAccess);  // not on to OK in the same Enter
  EXPECT_EQ(EditUserEnter(F::kAccess, typed), F::kOk);
  EXPECT_EQ(EditUserEnter(F::kAccess, untouched), F::kAccess);
}

class PasswordPromptsStoreTest : public ::testing::Test {
 protected:
  test::TempDir dir;
  platform::MemoryRegistryStore registry;
  test::RecordingLogSink log;
  TBrivakSettings settings{
      SettingsContext{registry, brivak::test::Disk(), log, dir.Folder(), dir.Folder(), "127.0.0.1", "/sys"}};

  std::string IniHash() {
    return IniFile(brivak::test::Disk(), settings.SettingsFile())
        .Load()
        .ReadString("Security", "passwordHash", "<none>");
  }
  std::string RegistryHash() {
    return registry.Snapshot().ReadString("Brivak 3.0\\Security", "passwordHash", "<none>");
  }
};

TEST_F(PasswordPromptsStoreTest, IniFormGetsTheHashInIniMode) {
  StorePasswordHash(settings, Hash("newpass"), true);
  EXPECT_EQ(settings.Security.passwordHash, Hash("newpass"));
  EXPECT_EQ(IniHash(), Hash("newpass"));
  EXPECT_EQ(RegistryHash(), "<none>");
}

TEST_F(PasswordPromptsStoreTest, RegistryFormGetsTheHashOtherwise) {
  StorePasswordHash(settings, Hash("newpass"), false);
  EXPECT_EQ(RegistryHash(), Hash("newpass"));
  EXPECT_EQ(IniHash(), "<none>");
}

TEST_F(PasswordPromptsStoreTest, AFailedSaveKeepsTheOldPassword) {
  settings.Security.passwordHash = Hash("old");
  registry.FailNextWrite();
  EXPECT_THROW(StorePasswordHash(settings, Hash("newpass"), false), std::runtime_error);
  EXPECT_EQ(settings.Security.passwordHash, Hash("old"));
}

TEST_F(PasswordPromptsStoreTest, AdministratorIsWrittenWithLevelTwo) {
  UserList users(brivak::test::Disk(), dir / "userlist.dat");
  EXPECT_EQ(WriteAdministrator(users, "master"), Hash("master"));
  const IniDocument doc = users.Load();
  EXPECT_EQ(doc.ReadString("administrator", "Password", ""), Hash("master"));
  EXPECT_EQ(UserList::ReadLevel(doc, "administrator"), 2);
}

}  // namespace
}  // namespace brivak::core
