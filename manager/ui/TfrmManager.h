// The manager's main window: the computer list `lv`, the tabs "Network", "Computer", "Options",
// "Log Viewer", "Users" and "Roll-Out", the log panel, the menus, the status line and the tray
// icon. It only shows and asks: every operation goes through the controller (ManagerService),
// whose observers reach the window as queued calls on its thread.
//
// Ownership: the window owns the controller (made by the factory it is given) and stops it when
// it closes or is destroyed, so closing while lookups, commands or web requests run neither
// crashes nor hangs. Thread-safety: user-interface thread only.
#pragma once

#include <QMainWindow>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "common/StartResult.h"
#include "common/UserList.h"
#include "manager/app/ManagerService.h"
#include "manager/core/Computer.h"
#include "manager/core/RemoteUserList.h"
#include "platform/Processes.h"
#include "platform/RegistryStore.h"

class QAction;
class QComboBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QSpinBox;
class QStatusBar;
class QSystemTrayIcon;
class QTabWidget;
class QTimer;
class QToolButton;

namespace brivak::manager {

class ComputerListView;
class LogPanelWidget;
class LogViewerPage;
class OptionsPage;
class UserListPage;

inline constexpr const char* kManagerCaption = "Brivak Manager v0.51 Beta";
inline constexpr const char* kTrayHint = "Brivak Manager";

struct TfrmManagerDeps {
  platform::RegistryStore& registry;   // the locker's program path ("Launch Brivak")
  platform::Processes& processes;      // starts the locker ("Launch Brivak")
  const UserList& users;               // the master copy shown on the "Users" tab
  std::string programDir;              // ends in "/": the help page
  // Where each fetched copy of a locker's user list is kept (a file per fetch); empty: in memory.
  std::string userListCopiesDir = {};
};

class TfrmManager : public QMainWindow {
  Q_OBJECT

 public:
  // Makes the controller with the window's observers and its UI-thread post function.
  using ServiceFactory =
      std::function<std::unique_ptr<app::ManagerService>(app::ManagerObservers, app::UiPost)>;

  TfrmManager(TfrmManagerDeps deps, const ServiceFactory& makeService, QWidget* parent = nullptr);
  ~TfrmManager() override;

  // Starts the controller (settings, listener, first discovery) and shows its settings.
  StartResult Start();
  app::ManagerService& Service() { return *service_; }

  // The window's copy of the inventory, as `lv` shows it.
  const TComputerList& Inventory() const { return inventory_; }
  ComputerListView* lv() const { return lv_; }
  LogPanelWidget* Memo1() const { return memo1_; }
  UserListPage* UsersPage() const { return usersPage_; }
  LogViewerPage* LogViewer() const { return logViewer_; }
  OptionsPage* Options() const { return options_; }
  QTabWidget* Tabs() const { return tabs_; }
  QPushButton* tbLock() const { return tbLock_; }
  QLabel* Label7() const { return label7_; }
  QLabel* Summary() const { return lblSummary_; }
  QLineEdit* FilterBox() const { return edFilter_; }

  // Called with the list as shown, after every change (the status file of unattended runs).
  void SetInventoryShown(std::function<void(const TComputerList&)> shown) { inventoryShown_ = std::move(shown); }

  // The actions behind buttons and menus, for the selected computers.
  void SendToSelected(const CommandCall& call);
  void LockOrUnlockSelected();
  void WakeUpSelected();
  void RemoteDesktopSelected(RemoteDesktopMode mode);
  void SaveAndApply();
  // A stop request from outside (SIGTERM): closes now, or as soon as a running discovery ends.
  void CloseWhenIdle();
  // The "Manual Network Scan" box (a click on it sets the log panel to 160 pixels).
  QWidget* ManualScanBox() const { return manualBox_; }
  int LogPanelHeight() const;

 protected:
  // Refused while a UDP discovery runs (`canCloseForm`), with a message in the status bar.
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  app::ManagerObservers Observers();
  void BuildMenus();
  QWidget* BuildNetworkTab();
  QWidget* BuildComputerTab();
  QWidget* BuildRollOutTab();
  QWidget* BuildLogPanel();
  void ConnectSignals();

  void OnInventoryChanged();
  void OnLogChanged(const app::LogChange& change);
  void OnCommandResult(const app::CommandReport& report);
  void FlushLog();
  void OnComputerUpdated(const TComputer& record);
  void QueueInventoryShown();
  void OnCommandFinished(std::uint64_t requestId, const OutcomeCounts& counts);
  void OnSelectionChanged();
  void ShowSelectedInfo();
  void LoadSettingsIntoControls();
  void StartDiscovery();
  void StartRangeScan();
  void SendToAll(const CommandCall& call, bool tellUpdate);
  void ShowLayouts(std::uint64_t generation, const std::vector<std::string>& lines);
  void ChangeLayout(bool lockNow);
  void ShowShutdownDialog();
  void ShowMessageDialog();
  void Halt();
  void LaunchBrivak();
  void ReviewFiles();
  void SetLogPanelHeight(int height);
  void StopService();

  TfrmManagerDeps deps_;
  std::unique_ptr<app::ManagerService> service_;
  std::unique_ptr<UserListStore> masterStore_;
  std::unique_ptr<UserListCopies> userListCopies_;
  std::unique_ptr<UserListEditor> userEditor_;
  TComputerList inventory_;
  std::function<void(const TComputerList&)> inventoryShown_;
  ComputerId shownComputer_ = kNoComputer;  // the record the Computer tab was filled for
  std::uint64_t layoutGeneration_ = 0;
  std::vector<std::string> layoutLines_;
  struct PendingCommand {
    std::string command;
    std::size_t computers = 0;
  };
  std::map<std::uint64_t, PendingCommand> pendingCommands_;

  ComputerListView* lv_ = nullptr;
  QTabWidget* tabs_ = nullptr;
  LogPanelWidget* memo1_ = nullptr;
  QWidget* panStatus_ = nullptr;
  QWidget* manualBox_ = nullptr;
  QPushButton* btnStopScan_ = nullptr;
  QLabel* lblSummary_ = nullptr;
  QLineEdit* edFilter_ = nullptr;
  QLabel* lblScanProgress_ = nullptr;
  bool closeWhenIdle_ = false;
  bool inventoryShownQueued_ = false;
  std::vector<app::LogChange> pendingLog_;  // log changes not yet shown (at most 50 ms old)
  bool logFlushQueued_ = false;
  QToolButton* tbMinStatus_ = nullptr;
  bool logPanelLarge_ = true;
  UserListPage* usersPage_ = nullptr;
  LogViewerPage* logViewer_ = nullptr;
  OptionsPage* options_ = nullptr;
  QWidget* optionsTab_ = nullptr;    // the scroll areas holding the two taller pages
  QWidget* logViewerTab_ = nullptr;
  // Network tab
  QLineEdit* edStartIP_ = nullptr;
  QLineEdit* edEndIP_ = nullptr;
  QSpinBox* spinTimeout_ = nullptr;
  QPushButton* button1_ = nullptr;
  QPushButton* btnScanNetwork_ = nullptr;
  QLabel* label7_ = nullptr;
  QPlainTextEdit* memNetScan_ = nullptr;
  // Computer tab
  QLabel* lblCompIP_ = nullptr;
  QLabel* lblCompName_ = nullptr;
  QLabel* lblLockStatus_ = nullptr;
  QLabel* lblIdleStatus_ = nullptr;
  QLabel* lblWindowsUser_ = nullptr;
  QLabel* lblBrivakUser_ = nullptr;
  QLabel* imgLockStatus_ = nullptr;
  QLabel* imgRD_ = nullptr;
  QPushButton* tbLock_ = nullptr;
  std::vector<QWidget*> selectionControls_;  // enabled exactly while a row is selected
  QComboBox* cboLayouts_ = nullptr;
  // Menus
  QMenu* computerMenu_ = nullptr;
  QMenu* cmenu_ = nullptr;
  std::vector<QAction*> selectionActions_;  // enabled exactly while a row is selected
  QSystemTrayIcon* tray_ = nullptr;
  QTimer* timer1_ = nullptr;
};

}  // namespace brivak::manager
