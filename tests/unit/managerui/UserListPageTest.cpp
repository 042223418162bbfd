// The "Users" tab: the master copy keeps its last Admin, and a failed fetch is shown as an error,
// never as an empty list.
#include <QComboBox>
#include <QLabel>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "common/UserList.h"
#include "manager/core/RemoteUserList.h"
#include "manager/ui/UserListPage.h"

namespace brivak::manager {
namespace {

class MemoryUserListStore : public UserListStore {
 public:
  IniDocument Load() const override { return list; }
  void Save(const IniDocument& changed) override {
    ++saves;
    list = changed;
  }
  IniDocument list;
  int saves = 0;
};

IniDocument ListOf(const std::vector<std::pair<std::string, int>>& users) {
  IniDocument doc;
  for (const auto& [name, level] : users) {
    doc.Write(name, "Password", "hash-" + name);
    doc.WriteInteger(name, "Permissions", level);
  }
  return doc;
}

QStringList Names(const QTreeWidget& view) {
  QStringList names;
  for (int i = 0; i < view.topLevelItemCount(); ++i) names << view.topLevelItem(i)->text(0);
  return names;
}

class UserListPageTest : public ::testing::Test {
 protected:
  UserListPageTest() {
    store_.list = ListOf({{"admin", kLevelAdmin}, {"bob", kLevelUnlock}});
  }

  UserListPage& Page() {
    if (!page_) {
      page_.emplace(editor_, [this](const std::string& host, std::function<void(FetchResult<IniDocument>)> done) {
        hosts_.push_back(host);
        pending_ = std::move(done);
      });
    }
    return *page_;
  }

  MemoryUserListStore store_;
  UserListEditor editor_{store_};
  std::vector<std::string> hosts_;
  std::function<void(FetchResult<IniDocument>)> pending_;
  std::optional<UserListPage> page_;
};

TEST_F(UserListPageTest, ShowsTheMasterCopyWithHashAndLevel) {
  UserListPage& page = Page();
  ASSERT_EQ(Names(*page.usersLv()), (QStringList{"admin", "bob"}));
  EXPECT_EQ(page.usersLv()->topLevelItem(0)->text(1), "hash-admin");
  EXPECT_EQ(page.usersLv()->topLevelItem(0)->text(2), "Admin");
  EXPECT_EQ(page.usersLv()->topLevelItem(1)->text(2), "Unlock");
}

TEST_F(UserListPageTest, RefusesToDeleteTheLastAdmin) {
  UserListPage& page = Page();
  EXPECT_FALSE(page.DeleteUser("admin"));
  EXPECT_EQ(store_.saves, 0);
  EXPECT_TRUE(store_.list.SectionExists("admin"));
  EXPECT_EQ(Names(*page.usersLv()), (QStringList{"admin", "bob"}));
  EXPECT_FALSE(page.lblUserListStatus()->text().isEmpty());
  EXPECT_TRUE(page.lblUserListStatus()->text().contains("Admin"));

  // Demoting the last Admin is refused the same way; another user can go.
  EXPECT_FALSE(page.EditUser("admin", "admin", std::nullopt, kLevelUnlock));
  EXPECT_EQ(store_.list.ReadInteger("admin", "Permissions", -1), kLevelAdmin);
  EXPECT_TRUE(page.DeleteUser("bob"));
  EXPECT_EQ(Names(*page.usersLv()), QStringList{"admin"});
  EXPECT_EQ(store_.saves, 1);
}

TEST_F(UserListPageTest, AWrittenListIsShownAfterAnAdd) {
  UserListPage& page = Page();
  ASSERT_TRUE(page.AddUser("carol", "secret", kLevelAdmin));
  EXPECT_EQ(Names(*page.usersLv()), (QStringList{"admin", "bob", "carol"}));
  EXPECT_TRUE(page.DeleteUser("admin"));  // carol is an Admin now
  EXPECT_FALSE(page.AddUser("x", "secret", kLevelAdmin));  // a one-letter name is refused
  EXPECT_EQ(Names(*page.usersLv()), (QStringList{"bob", "carol"}));
}

TEST_F(UserListPageTest, AFailedFetchShowsAnErrorAndKeepsTheListShown) {
  UserListPage& page = Page();
  page.RequestComputerList("127.0.0.7");
  ASSERT_EQ(hosts_, std::vector<std::string>{"127.0.0.7"});
  ASSERT_TRUE(pending_);
  pending_(FetchResult<IniDocument>::Fail("Connection timed out requesting user list."));

  EXPECT_EQ(editor_.CurrentView(), UserListEditor::View::Master);
  EXPECT_EQ(Names(*page.usersLv()), (QStringList{"admin", "bob"}));  // not an empty list
  EXPECT_TRUE(page.lblUserListStatus()->text().contains("Connection timed out requesting user list."));
  EXPECT_TRUE(page.lblUserListStatus()->text().contains("127.0.0.7"));
  EXPECT_TRUE(page.lblShownList()->text().contains("own user list"));
}

TEST_F(UserListPageTest, AFetchedListIsShownAsTheComputersCopy) {
  UserListPage& page = Page();
  page.RequestComputerList("127.0.0.7");
  pending_(FetchResult<IniDocument>::Ok(ListOf({{"kiosk", kLevelUnlock}})));
  EXPECT_EQ(editor_.CurrentView(), UserListEditor::View::Computer);
  EXPECT_EQ(Names(*page.usersLv()), QStringList{"kiosk"});
  EXPECT_TRUE(page.lblShownList()->text().contains("127.0.0.7"));
  // Edits of the copy stay in memory: the master copy is not written.
  EXPECT_TRUE(page.DeleteUser("kiosk"));
  EXPECT_EQ(store_.saves, 0);
  EXPECT_TRUE(Names(*page.usersLv()).isEmpty());
}

TEST_F(UserListPageTest, ALateReplyForAnEarlierRequestIsIgnored) {
  UserListPage& page = Page();
  page.RequestComputerList("127.0.0.7");
  auto first = std::move(pending_);
  page.RequestComputerList("127.0.0.8");
  first(FetchResult<IniDocument>::Ok(ListOf({{"stale", kLevelAdmin}})));
  EXPECT_EQ(editor_.CurrentView(), UserListEditor::View::Master);
  pending_(FetchResult<IniDocument>::Ok(ListOf({{"fresh", kLevelAdmin}})));
  EXPECT_EQ(Names(*page.usersLv()), QStringList{"fresh"});
}

TEST_F(UserListPageTest, TheComputerBoxListsTheInventoryAndItsHostIsFetched) {
  UserListPage& page = Page();
  TComputerList inventory;
  inventory.ResponseToLV("<computername>PC (lab)</computername><internalip>127.0.0.5</internalip>");
  page.PopulateUserListComputers(inventory);
  ASSERT_EQ(page.cboUserListComputer()->count(), 1);
  EXPECT_EQ(page.cboUserListComputer()->itemText(0), "PC (lab)(127.0.0.5)");
  emit page.cboUserListComputer()->activated(0);
  EXPECT_EQ(hosts_, std::vector<std::string>{"127.0.0.5"});
}

}  // namespace
}  // namespace brivak::manager
