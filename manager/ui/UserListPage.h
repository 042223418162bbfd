// The "Users" tab: the manager's own user list (the master copy) or the copy fetched from a
// locker, shown in `usersLv` and edited through the core UserListEditor, which keeps the master
// copy's last Admin and never takes a failed fetch for an empty list. Refusals and failed fetches
// are shown in the tab's status line (`lblUserListStatus`) and the view keeps what it showed.
// Thread-safety: user-interface thread only; the fetch callback must be called on this thread.
#pragma once

#include <QWidget>

#include <functional>
#include <optional>
#include <string>

#include "common/IniFile.h"
#include "manager/core/Computer.h"
#include "manager/core/FetchResult.h"
#include "manager/core/RemoteUserList.h"

class QComboBox;
class QLabel;
class QPushButton;
class QTreeWidget;

namespace brivak::manager {

class UserListPage : public QWidget {
  Q_OBJECT

 public:
  // Asks a locker for its list; `done` runs later on the user-interface thread.
  using FetchUserList =
      std::function<void(const std::string& host, std::function<void(FetchResult<IniDocument>)> done)>;

  // `editor` must outlive the page. The page starts on the master copy.
  UserListPage(UserListEditor& editor, FetchUserList fetch, QWidget* parent = nullptr);

  // `PopulateUserListComputers`: one entry per record, ComputerName + "(" + RemoteIP + ")".
  void PopulateUserListComputers(const TComputerList& inventory);
  // One record joined the inventory: its entry is added at the end.
  void AddComputerEntry(const TComputer& computer);

  // "Refresh" (`LoadUserList`): shows the master copy.
  void LoadUserList();
  // Choosing a computer: fetches its list; the view changes only when the fetch succeeds.
  void RequestComputerList(const std::string& host);
  // The fetch's result for `host` (a late result for an older request is ignored).
  void ShowFetched(const std::string& host, const FetchResult<IniDocument>& fetched);

  // The edits behind "Add", "Edit" and "Delete" (the buttons gather their values in TfrmEditUser).
  // False when refused; the reason is then in the status line.
  bool AddUser(const std::string& name, const std::string& password, int level);
  bool EditUser(const std::string& oldName, const std::string& newName,
                const std::optional<std::string>& newPassword, int level);
  bool DeleteUser(const std::string& name);
  // The name in the selected row, "" when none.
  std::string SelectedUser() const;

  QTreeWidget* usersLv() const { return usersLv_; }
  QComboBox* cboUserListComputer() const { return cboUserListComputer_; }
  QLabel* lblUserListStatus() const { return lblStatus_; }
  QLabel* lblShownList() const { return lblShownList_; }
  QPushButton* tbUserDelete() const { return tbUserDelete_; }

 signals:
  // A line for the log panel.
  void logLine(const QString& text);

 private:
  void ShowRows();
  void ShowStatus(const QString& text, bool error);
  bool Report(const EditOutcome& outcome, const QString& done);
  void AddClicked();
  void EditClicked();

  UserListEditor& editor_;
  FetchUserList fetch_;
  std::string pendingHost_;  // the fetch whose result is awaited
  QComboBox* cboUserListComputer_;
  QTreeWidget* usersLv_;
  QLabel* lblShownList_;
  QLabel* lblStatus_;
  QPushButton* tbUserAdd_;
  QPushButton* tbUserEdit_;
  QPushButton* tbUserDelete_;
  QPushButton* tbUserRefresh_;
};

}  // namespace brivak::manager
