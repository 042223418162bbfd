#include <gtest/gtest.h>

#include <string>

#include "common/Hash.h"
#include "manager/core/Login.h"
#include "support/TempDir.h"
#include "support/Disk.h"

namespace brivak::manager {
namespace {

class ManagerLoginTest : public ::testing::Test {
 protected:
  ManagerLoginTest() {
    users_.AddUser("administrator", "adminpw", kLevelAdmin);
    users_.AddUser("unlocker", "unlockpw", kLevelUnlock);
    users_.AddUser("disabled", "offpw", kLevelNone);
    IniFile file(brivak::test::Disk(), users_.Path());
    file.Modify([](IniDocument& doc) {
      doc.Write("nohash", "Permissions", "2");  // no Password value
      doc.Write("oddlevel", "Password", Hash("oddpw"));
      doc.Write("oddlevel", "Permissions", "7");  // out of range: reads as None
      doc.Write("upper", "Password", "4A");       // never a lower-case Hash
      doc.Write("upper", "Permissions", "2");
    });
  }

  test::TempDir dir_;
  UserList users_{brivak::test::Disk(), dir_.File("userlist.dat")};
};

struct LoginCase {
  const char* user;
  const char* password;
  int level;
  bool accepted;
};

TEST_F(ManagerLoginTest, LevelsAndAcceptanceTable) {
  const LoginCase cases[] = {
      {"administrator", "adminpw", kLevelAdmin, true},
      {"ADMINISTRATOR", "adminpw", kLevelAdmin, true},  // sections match without regard to case
      {"unlocker", "unlockpw", kLevelUnlock, true},
      {"disabled", "offpw", kLevelNone, false},
      {"administrator", "ADMINPW", kLevelBadPassword, false},  // the password is case-sensitive
      {"administrator", "", kLevelBadPassword, false},
      {"", "adminpw", kLevelBadPassword, false},
      {"", "", kLevelBadPassword, false},
      {"nobody", "adminpw", kLevelUserNotFound, false},
      {"nohash", "nohash", kLevelBadPassword, false},
      {"nohash", "x", kLevelBadPassword, false},
      {"oddlevel", "oddpw", kLevelNone, false},
      {"upper", "x", kLevelBadPassword, false},
  };
  for (const LoginCase& c : cases) {
    EXPECT_EQ(AuthenticateUser(users_, c.user, c.password), c.level) << c.user << "/" << c.password;
    ManagerLogin login(users_);
    const LoginOutcome outcome = login.Submit(c.user, c.password);
    EXPECT_EQ(outcome, c.accepted ? LoginOutcome::Accepted : LoginOutcome::Refused) << c.user;
    EXPECT_EQ(login.Level(), c.level);
    EXPECT_EQ(login.Message(),
              c.accepted ? "" : "You don't have the proper credentials to run this application.");
    EXPECT_EQ(login.aUsername(), c.accepted ? c.user : "");
    EXPECT_EQ(login.aPassword(), c.accepted ? c.password : "");
  }
}

TEST_F(ManagerLoginTest, OneAttemptOnly) {
  ManagerLogin login(users_);
  EXPECT_EQ(login.Submit("administrator", "wrong"), LoginOutcome::Refused);
  // A later right password does not turn a refusal into a login: the program ends.
  EXPECT_EQ(login.Submit("administrator", "adminpw"), LoginOutcome::Refused);
  EXPECT_EQ(login.Attempts(), 1);
  EXPECT_EQ(login.aUsername(), "");
  EXPECT_EQ(login.Cancel(), LoginOutcome::Refused);
}

TEST_F(ManagerLoginTest, CancelEndsWithoutMessage) {
  ManagerLogin login(users_);
  EXPECT_EQ(login.Cancel(), LoginOutcome::Cancelled);
  EXPECT_EQ(login.Message(), "");
  EXPECT_EQ(login.Submit("administrator", "adminpw"), LoginOutcome::Cancelled);
  EXPECT_EQ(login.Attempts(), 0);
}

TEST_F(ManagerLoginTest, AcceptedLoginIsFinal) {
  ManagerLogin login(users_);
  ASSERT_EQ(login.Submit("unlocker", "unlockpw"), LoginOutcome::Accepted);
  EXPECT_EQ(login.Cancel(), LoginOutcome::Accepted);
  EXPECT_EQ(login.Submit("administrator", "adminpw"), LoginOutcome::Accepted);
  EXPECT_EQ(login.aUsername(), "unlocker");
}

TEST(ManagerLoginFileTest, MissingUserListRefusesEveryone) {
  test::TempDir dir;
  const UserList users(brivak::test::Disk(), dir.File("userlist.dat"));
  ManagerLogin login(users);
  EXPECT_EQ(login.Submit("administrator", "admin"), LoginOutcome::Refused);
  EXPECT_EQ(login.Level(), kLevelUserNotFound);
}

TEST(ManagerLoginFileTest, OkNeedsBothBoxes) {
  EXPECT_TRUE(LoginOkEnabled("a", "b"));
  EXPECT_FALSE(LoginOkEnabled("", "b"));
  EXPECT_FALSE(LoginOkEnabled("a", ""));
  EXPECT_FALSE(LoginOkEnabled("", ""));
  EXPECT_FALSE(LoginLevelAccepted(kLevelNone));
  EXPECT_TRUE(LoginLevelAccepted(kLevelUnlock));
  EXPECT_TRUE(LoginLevelAccepted(kLevelAdmin));
  EXPECT_FALSE(LoginLevelAccepted(3));
  EXPECT_EQ(kLoginDefaultUser, "administrator");
}

}  // namespace
}  // namespace brivak::manager
