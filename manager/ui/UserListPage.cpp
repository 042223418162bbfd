#include "manager/ui/UserListPage.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "common/UserList.h"
#include "manager/ui/QtText.h"
#include "manager/ui/TfrmEditUser.h"

namespace brivak::manager {

UserListPage::UserListPage(UserListEditor& editor, FetchUserList fetch, QWidget* parent)
    : QWidget(parent),
      editor_(editor),
      fetch_(std::move(fetch)),
      cboUserListComputer_(new QComboBox(this)),
      usersLv_(new QTreeWidget(this)),
      lblShownList_(new QLabel(this)),
      lblStatus_(new QLabel(this)),
      tbUserAdd_(new QPushButton(tr("Add"), this)),
      tbUserEdit_(new QPushButton(tr("Edit"), this)),
      tbUserDelete_(new QPushButton(tr("Delete"), this)),
      tbUserRefresh_(new QPushButton(tr("Refresh"), this)) {
  cboUserListComputer_->setObjectName("cboUserListComputer");
  usersLv_->setObjectName("usersLv");
  lblStatus_->setObjectName("lblUserListStatus");
  lblStatus_->setWordWrap(true);
  usersLv_->setHeaderLabels({tr("User"), tr("Password Hash"), tr("Permission Level")});
  usersLv_->setRootIsDecorated(false);
  usersLv_->setSelectionBehavior(QAbstractItemView::SelectRows);
  usersLv_->setSelectionMode(QAbstractItemView::SingleSelection);

  auto* chooser = new QHBoxLayout;
  chooser->addWidget(new QLabel(tr("Editing List for Computer:"), this));
  chooser->addWidget(cboUserListComputer_, 1);
  auto* buttons = new QHBoxLayout;
  for (QPushButton* button : {tbUserAdd_, tbUserEdit_, tbUserDelete_, tbUserRefresh_}) buttons->addWidget(button);
  buttons->addStretch();
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(chooser);
  layout->addWidget(lblShownList_);
  layout->addWidget(usersLv_, 1);
  layout->addLayout(buttons);
  layout->addWidget(lblStatus_);

  connect(cboUserListComputer_, &QComboBox::activated, this, [this](int index) {
    const std::string host = HostOfUserListEntry(FromQ(cboUserListComputer_->itemText(index)));
    if (!host.empty()) RequestComputerList(host);
  });
  connect(tbUserAdd_, &QPushButton::clicked, this, [this] { AddClicked(); });
  connect(tbUserEdit_, &QPushButton::clicked, this, [this] { EditClicked(); });
  connect(tbUserDelete_, &QPushButton::clicked, this, [this] {
    const std::string name = SelectedUser();
    if (!name.empty()) DeleteUser(name);
  });
  connect(tbUserRefresh_, &QPushButton::clicked, this, [this] { LoadUserList(); });
  connect(usersLv_, &QTreeWidget::itemDoubleClicked, this, [this] { EditClicked(); });

  editor_.ShowMaster();
  ShowRows();
}

void UserListPage::PopulateUserListComputers(const TComputerList& inventory) {
  const QString current = cboUserListComputer_->currentText();
  cboUserListComputer_->clear();
  for (const TComputer& computer : inventory.Items()) {
    cboUserListComputer_->addItem(ToQ(UserListComputerEntry(computer.ComputerName, computer.RemoteIP)));
  }
  const int again = cboUserListComputer_->findText(current);
  cboUserListComputer_->setCurrentIndex(again);
}

void UserListPage::AddComputerEntry(const TComputer& computer) {
  cboUserListComputer_->addItem(ToQ(UserListComputerEntry(computer.ComputerName, computer.RemoteIP)));
}

void UserListPage::LoadUserList() {
  pendingHost_.clear();
  editor_.ShowMaster();
  ShowRows();
  emit logLine(QStringLiteral(":LoadUserList : %1 users found").arg(usersLv_->topLevelItemCount()));
  ShowStatus({}, false);
}

void UserListPage::RequestComputerList(const std::string& host) {
  pendingHost_ = host;
  emit logLine(ToQ("Requesting user list from " + host + "..."));
  ShowStatus(ToQ("Requesting user list from " + host + "..."), false);
  if (!fetch_) {
    ShowFetched(host, FetchResult<IniDocument>::Fail("No way to reach " + host + "."));
    return;
  }
  QPointer<UserListPage> self(this);
  fetch_(host, [self, host](FetchResult<IniDocument> fetched) {
    if (self) self->ShowFetched(host, fetched);
  });
}

void UserListPage::ShowFetched(const std::string& host, const FetchResult<IniDocument>& fetched) {
  if (host != pendingHost_) return;  // the user asked for another list meanwhile
  pendingHost_.clear();
  const EditOutcome outcome = editor_.ShowFetched(host, fetched);
  if (!outcome.ok) {
    // The view keeps the list it showed: a failed fetch is not an empty list.
    ShowStatus(ToQ("Could not fetch the user list of " + host + ": " + outcome.error), true);
    emit logLine(ToQ(outcome.error));
    return;
  }
  ShowRows();
  ShowStatus(ToQ("User list of " + host + " fetched."), false);
}

bool UserListPage::AddUser(const std::string& name, const std::string& password, int level) {
  const bool ok = Report(editor_.Add(name, password, level), ToQ("User " + name + " saved."));
  ShowRows();
  return ok;
}

bool UserListPage::EditUser(const std::string& oldName, const std::string& newName,
                            const std::optional<std::string>& newPassword, int level) {
  const bool ok = Report(editor_.Edit(oldName, newName, newPassword, level), ToQ("User " + newName + " saved."));
  ShowRows();
  return ok;
}

bool UserListPage::DeleteUser(const std::string& name) {
  const bool ok = Report(editor_.Delete(name), ToQ("User " + name + " deleted."));
  ShowRows();
  return ok;
}

std::string UserListPage::SelectedUser() const {
  const QTreeWidgetItem* item = usersLv_->currentItem();
  if (item == nullptr || !item->isSelected()) return {};
  return FromQ(item->text(0));
}

void UserListPage::ShowRows() {
  const QString selected = ToQ(SelectedUser());
  usersLv_->clear();
  for (const UserRow& row : editor_.Rows()) {
    auto* item = new QTreeWidgetItem(usersLv_, {ToQ(row.name), ToQ(row.hash), ToQ(row.permissionName)});
    if (item->text(0) == selected) {
      usersLv_->setCurrentItem(item);
      item->setSelected(true);
    }
  }
  switch (editor_.CurrentView()) {
    case UserListEditor::View::Master:
      lblShownList_->setText(tr("The manager's own user list (userlist.dat)"));
      break;
    case UserListEditor::View::Computer:
      lblShownList_->setText(ToQ("Copy of the user list of " + editor_.ComputerHost() +
                                 " (kept in this manager's folder; it is not sent back)"));
      break;
    case UserListEditor::View::None:
      lblShownList_->setText(tr("No user list shown"));
      break;
  }
}

void UserListPage::ShowStatus(const QString& text, bool error) {
  lblStatus_->setText(text);
  lblStatus_->setStyleSheet(error ? QStringLiteral("color: #b00000;") : QString());
}

bool UserListPage::Report(const EditOutcome& outcome, const QString& done) {
  if (!outcome.ok) {
    ShowStatus(ToQ(outcome.error), true);
    emit logLine(ToQ(outcome.error));
    return false;
  }
  ShowStatus(done, false);
  return true;
}

void UserListPage::AddClicked() {
  // The dialog pumps events: a fetch may complete meanwhile; the edit stays on this list.
  const UserListEditor::Target target = editor_.CurrentTarget();
  TfrmEditUser dialog(true, this);
  if (dialog.exec() == QDialog::Accepted) {
    Report(editor_.Add(target, dialog.UserName(), dialog.NewPassword().value_or(std::string()), dialog.Level()),
           ToQ("User " + dialog.UserName() + " saved."));
    ShowRows();
  }
  usersLv_->setFocus();
}

void UserListPage::EditClicked() {
  const std::string name = SelectedUser();
  if (name.empty()) return;
  const QTreeWidgetItem* item = usersLv_->currentItem();
  const UserListEditor::Target target = editor_.CurrentTarget();
  TfrmEditUser dialog(false, this);
  dialog.SetUser(name, PermissionsToInt(FromQ(item->text(2))));
  if (dialog.exec() == QDialog::Accepted) {
    Report(editor_.Edit(target, name, dialog.UserName(), dialog.NewPassword(), dialog.Level()),
           ToQ("User " + dialog.UserName() + " saved."));
    ShowRows();
  }
  usersLv_->setFocus();
}

}  // namespace brivak::manager
