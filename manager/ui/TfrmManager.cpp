#include "manager/ui/TfrmManager.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QScrollArea>
#include <QRegularExpressionValidator>
#include <QSpinBox>
#include <QSplitter>
#include <QStatusBar>
#include <QStyle>
#include <QSystemTrayIcon>
#include <QTabWidget>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

#include <filesystem>
#include <stdexcept>

#include "manager/app/FolderUserListCopies.h"
#include "manager/core/ComputerState.h"
#include "manager/core/ManagerSettings.h"
#include "manager/ui/ComputerListView.h"
#include "manager/ui/LogPanelWidget.h"
#include "manager/ui/LogViewerPage.h"
#include "manager/ui/OptionsPage.h"
#include "manager/ui/QtText.h"
#include "manager/ui/QtUiPost.h"
#include "manager/ui/TfrmAbout.h"
#include "manager/ui/TfrmLeaveMessage.h"
#include "manager/ui/TfrmShutdown.h"
#include "manager/ui/UserListPage.h"

namespace brivak::manager {

namespace {

constexpr int kLogPanelLargeHeight = 80;
constexpr int kLogPanelScanHeight = 160;
constexpr int kLogFlushMs = 50;
constexpr int kThreadsTick = 1000;
constexpr int kPlanLinesShown = 256;  // `memNetScan` lists at most this many addresses

// The master copy as the Users tab edits it: read from the manager's own list, written through
// the controller (which refuses a list without an Admin).
class ServiceUserListStore : public UserListStore {
 public:
  ServiceUserListStore(const UserList& users, app::ManagerService& service) : users_(users), service_(service) {}
  IniDocument Load() const override { return users_.Load(); }
  void Save(const IniDocument& list) override {
    const EditOutcome outcome = service_.PutUserList(list);
    if (!outcome.ok) throw std::runtime_error(outcome.error);
  }

 private:
  const UserList& users_;
  app::ManagerService& service_;
};

QWidget* Scrolling(QWidget* page, QWidget* parent) {
  auto* area = new QScrollArea(parent);
  area->setWidget(page);
  area->setWidgetResizable(true);
  area->setFrameShape(QFrame::NoFrame);
  return area;
}

QPushButton* Button(const QString& caption, QWidget* parent, const char* name) {
  auto* button = new QPushButton(caption, parent);
  button->setObjectName(name);
  return button;
}

}  // namespace

TfrmManager::TfrmManager(TfrmManagerDeps deps, const ServiceFactory& makeService, QWidget* parent)
    : QMainWindow(parent), deps_(std::move(deps)) {
  setWindowTitle(kManagerCaption);
  service_ = makeService(Observers(), QtUiPost(this));
  if (!service_) throw std::runtime_error("The manager's controller could not be made.");
  masterStore_ = std::make_unique<ServiceUserListStore>(deps_.users, *service_);
  if (deps_.userListCopiesDir.empty()) {
    userListCopies_ = std::make_unique<MemoryUserListCopies>();
  } else {
    userListCopies_ = std::make_unique<app::FolderUserListCopies>(deps_.users.Files(), deps_.userListCopiesDir);
  }
  userEditor_ = std::make_unique<UserListEditor>(*masterStore_, *userListCopies_);

  lv_ = new ComputerListView(this);
  lv_->setObjectName("lv");
  lv_->SetInventory(&inventory_);

  options_ = new OptionsPage(this);
  usersPage_ = new UserListPage(
      *userEditor_,
      [this](const std::string& host, std::function<void(FetchResult<IniDocument>)> done) {
        if (service_) service_->GetUserList(host, std::move(done));
      },
      this);
  logViewer_ = new LogViewerPage(
      [this](const std::string& host, const CalendarDate& date, std::function<void(FetchResult<std::vector<int>>)> done) {
        if (service_) service_->GetLogList(host, date, std::move(done));
      },
      [this](const std::string& host, const CalendarDate& date, std::function<void(FetchResult<std::string>)> done) {
        if (service_) service_->GetLog(host, date, std::move(done));
      },
      this);

  tabs_ = new QTabWidget(this);
  tabs_->addTab(BuildNetworkTab(), tr("Network"));
  tabs_->addTab(BuildComputerTab(), tr("Computer"));
  // The taller pages scroll, so the computer list keeps the larger part of the window.
  optionsTab_ = Scrolling(options_, this);
  logViewerTab_ = Scrolling(logViewer_, this);
  tabs_->addTab(optionsTab_, tr("Options"));
  tabs_->addTab(logViewerTab_, tr("Log Viewer"));
  tabs_->addTab(usersPage_, tr("Users"));
  tabs_->addTab(BuildRollOutTab(), tr("Roll-Out"));

  // Above the list: the summary line and the filter box.
  auto* listPane = new QWidget(this);
  auto* listLayout = new QVBoxLayout(listPane);
  listLayout->setContentsMargins(4, 4, 4, 0);
  auto* glance = new QHBoxLayout;
  lblSummary_ = new QLabel(listPane);
  lblSummary_->setObjectName("lblSummary");
  edFilter_ = new QLineEdit(listPane);
  edFilter_->setObjectName("edFilter");
  edFilter_->setPlaceholderText(tr("Filter by name, address or user"));
  edFilter_->setClearButtonEnabled(true);
  edFilter_->setMinimumWidth(260);
  lblSummary_->setText(ToQ(SummaryLine(StateCounts{})));
  glance->addWidget(lblSummary_, 1);
  glance->addWidget(edFilter_);
  listLayout->addLayout(glance);
  listLayout->addWidget(lv_, 1);
  connect(edFilter_, &QLineEdit::textChanged, this, [this](const QString& text) { lv_->SetFilter(FromQ(text)); });

  auto* splitter = new QSplitter(Qt::Vertical, this);
  splitter->addWidget(listPane);
  splitter->addWidget(tabs_);
  splitter->setStretchFactor(0, 3);
  splitter->setStretchFactor(1, 2);
  splitter->setSizes({380, 250});  // the list gets the larger part
  auto* central = new QWidget(this);
  auto* centralLayout = new QVBoxLayout(central);
  centralLayout->setContentsMargins(0, 0, 0, 0);
  centralLayout->addWidget(splitter, 1);
  centralLayout->addWidget(BuildLogPanel());
  setCentralWidget(central);
  statusBar()->setObjectName("stat");

  tray_ = new QSystemTrayIcon(style()->standardIcon(QStyle::SP_ComputerIcon), this);
  tray_->setToolTip(kTrayHint);
  connect(tray_, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
    if (reason != QSystemTrayIcon::DoubleClick && reason != QSystemTrayIcon::Trigger) return;
    tray_->hide();
    showNormal();
    activateWindow();
  });

  timer1_ = new QTimer(this);
  timer1_->setInterval(kThreadsTick);
  connect(timer1_, &QTimer::timeout, this, [this] {
    if (!service_) return;
    label7_->setText(QStringLiteral("Threads: %1").arg(service_->LookupsInFlight()));
    // A range walk takes minutes: how far it got and about how long the rest takes.
    if (service_->RangeScanRunning() || btnStopScan_->isEnabled()) {
      const WalkProgress progress = service_->RangeScanProgress();
      lblScanProgress_->setText(ToQ(WalkProgressText(progress)));
      btnStopScan_->setEnabled(progress.running);
    }
  });

  BuildMenus();
  ConnectSignals();
  OnSelectionChanged();
  resize(1180, 760);
}

TfrmManager::~TfrmManager() { StopService(); }

StartResult TfrmManager::Start() {
  options_->SetLocalIP(service_->LocalIP());
  const StartResult started = service_->Start();
  LoadSettingsIntoControls();
  tabs_->setCurrentIndex(0);
  timer1_->start();
  if (!started) statusBar()->showMessage(ToQ(started.error));
  return started;
}

app::ManagerObservers TfrmManager::Observers() {
  app::ManagerObservers observers;
  observers.inventoryChanged = [this] { OnInventoryChanged(); };
  observers.computerUpdated = [this](const TComputer& record) { OnComputerUpdated(record); };
  observers.logChanged = [this](const app::LogChange& change) { OnLogChanged(change); };
  observers.eventReceived = [this](const std::string& line) { statusBar()->showMessage(ToQ(line)); };
  observers.commandResult = [this](const app::CommandReport& report) { OnCommandResult(report); };
  observers.commandFinished = [this](std::uint64_t id, const OutcomeCounts& counts) { OnCommandFinished(id, counts); };
  observers.discoveryFinished = [this](bool) {
    btnScanNetwork_->setEnabled(true);
    OnInventoryChanged();
    if (closeWhenIdle_) QTimer::singleShot(0, this, [this] { close(); });
  };
  observers.rangeScanFinished = [this] {
    button1_->setEnabled(true);
    btnStopScan_->setEnabled(false);
    if (service_) lblScanProgress_->setText(ToQ(WalkProgressText(service_->RangeScanProgress())));
  };
  observers.webServerChanged = [this](std::uint16_t port, const std::string& error) {
    statusBar()->showMessage(port != 0 ? tr("Web server listening on port %1").arg(port)
                                       : (error.empty() ? tr("Web server stopped") : ToQ(error)));
  };
  return observers;
}

void TfrmManager::BuildMenus() {
  auto* refreshNow = menuBar()->addAction(tr("Refresh Now"));
  connect(refreshNow, &QAction::triggered, this, [this] { StartDiscovery(); });

  computerMenu_ = menuBar()->addMenu(tr("Computer"));
  cmenu_ = new QMenu(this);
  auto* refreshAll = cmenu_->addAction(tr("Refresh"));  // always enabled
  connect(refreshAll, &QAction::triggered, this, [this] { StartDiscovery(); });

  auto add = [this](QMenu* menu, const QString& caption, auto handler) {
    QAction* action = menu->addAction(caption);
    connect(action, &QAction::triggered, this, handler);
    selectionActions_.push_back(action);
    return action;
  };
  auto requery = [this] {
    if (const TComputer* c = lv_->SelectedComputer()) service_->Requery(c->RemoteIP);
  };
  auto viewLogs = [this] { tabs_->setCurrentWidget(logViewerTab_); };
  QAction* computerRefresh = computerMenu_->addAction(tr("Refresh"));  // always enabled
  connect(computerRefresh, &QAction::triggered, this, requery);
  for (QMenu* menu : {computerMenu_, cmenu_}) {
    if (menu == cmenu_) add(menu, tr("Refresh this computer"), requery);
    add(menu, tr("Remote Desktop"), [this] { RemoteDesktopSelected(RemoteDesktopMode::FullScreen); });
    add(menu, tr("Remote Console"), [this] { RemoteDesktopSelected(RemoteDesktopMode::Console); });
    menu->addSeparator();
    add(menu, tr("Lock Computer"), [this] { LockOrUnlockSelected(); });
    add(menu, tr("Leave Message..."), [this] { ShowMessageDialog(); });
    add(menu, tr("Shut down..."), [this] { ShowShutdownDialog(); });
    add(menu, tr("Stand By"), [this] { SendToSelected(StandbyCommand()); });
    menu->addSeparator();
    add(menu, tr("View Log Files..."), viewLogs);
    add(menu, menu == cmenu_ ? tr("Wake Up") : tr("Wake-Up"), [this] { WakeUpSelected(); });
  }
  auto enableForSelection = [this] {
    const bool selected = lv_->SelectedComputer() != nullptr;
    for (QAction* action : selectionActions_) action->setEnabled(selected);
  };
  connect(computerMenu_, &QMenu::aboutToShow, this, enableForSelection);
  connect(cmenu_, &QMenu::aboutToShow, this, enableForSelection);
  connect(lv_, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& at) { cmenu_->popup(lv_->viewport()->mapToGlobal(at)); });

  auto* users = menuBar()->addAction(tr("Users"));
  connect(users, &QAction::triggered, this, [this] {
    service_->AddToLog("show users and allow them to edit them.");
    tabs_->setCurrentWidget(usersPage_);
  });
  auto* optionsItem = menuBar()->addAction(tr("Options"));
  connect(optionsItem, &QAction::triggered, this, [this] { tabs_->setCurrentWidget(optionsTab_); });
  auto* launch = menuBar()->addAction(tr("Launch Brivak"));
  connect(launch, &QAction::triggered, this, [this] { LaunchBrivak(); });
  QMenu* help = menuBar()->addMenu(tr("Help"));
  connect(help->addAction(tr("Contents")), &QAction::triggered, this, [this] {
    const QString page = ToQ(deps_.programDir + "htmlhelp/brivakmanager.html");
    if (QFileInfo::exists(page)) QDesktopServices::openUrl(QUrl::fromLocalFile(page));
  });
  connect(help->addAction(tr("About")), &QAction::triggered, this, [this] {
    TfrmAbout about(this);
    about.exec();
  });

  QToolBar* toolbar = addToolBar(tr("Commands"));
  toolbar->setObjectName("toolbar");
  toolbar->setMovable(false);
  connect(toolbar->addAction(tr("Refresh Now")), &QAction::triggered, this, [this] { StartDiscovery(); });
  toolbar->addSeparator();
  auto tool = [&](const QString& caption, auto handler) {
    QAction* action = toolbar->addAction(caption);
    connect(action, &QAction::triggered, this, handler);
    selectionActions_.push_back(action);
  };
  tool(tr("Lock"), [this] { SendToSelected(LockCommand()); });
  tool(tr("Unlock"), [this] { SendToSelected(UnlockCommand()); });
  tool(tr("Message..."), [this] { ShowMessageDialog(); });
  tool(tr("Shutdown..."), [this] { ShowShutdownDialog(); });
  tool(tr("Wake-Up"), [this] { WakeUpSelected(); });
  tool(tr("Remote Desktop"), [this] { RemoteDesktopSelected(RemoteDesktopMode::FullScreen); });
}

QWidget* TfrmManager::BuildNetworkTab() {
  auto* page = new QWidget(this);
  auto* autoBox = new QGroupBox(tr("Auto Network Scan"), page);
  btnScanNetwork_ = Button(tr("Scan Network"), autoBox, "btnScanNetwork");
  auto* autoLayout = new QVBoxLayout(autoBox);
  autoLayout->addWidget(btnScanNetwork_);
  autoLayout->addStretch();

  auto* manualBox = new QGroupBox(tr("Manual Network Scan"), page);
  manualBox_ = manualBox;
  manualBox->installEventFilter(this);
  edStartIP_ = new QLineEdit(manualBox);
  edEndIP_ = new QLineEdit(manualBox);
  edStartIP_->setObjectName("edStartIP");
  edEndIP_->setObjectName("edEndIP");
  // The address boxes take digits, '.' and '*' only.
  for (QLineEdit* box : {edStartIP_, edEndIP_}) {
    box->setValidator(new QRegularExpressionValidator(QRegularExpression("[0-9.*]{0,15}"), box));
  }
  spinTimeout_ = new QSpinBox(manualBox);
  spinTimeout_->setRange(10, 15000);
  spinTimeout_->setSingleStep(200);
  button1_ = Button(tr("Start Scan"), manualBox, "Button1");
  auto* manualLayout = new QFormLayout(manualBox);
  manualLayout->addRow(tr("Start IP:"), edStartIP_);
  manualLayout->addRow(tr("End IP:"), edEndIP_);
  manualLayout->addRow(tr("Timeout (ms) :"), spinTimeout_);
  btnStopScan_ = Button(tr("Stop Scan"), manualBox, "btnStopScan");
  btnStopScan_->setEnabled(false);
  auto* scanButtons = new QHBoxLayout;
  scanButtons->addWidget(button1_);
  scanButtons->addWidget(btnStopScan_);
  manualLayout->addRow(scanButtons);

  auto* results = new QGroupBox(tr("Results"), page);
  label7_ = new QLabel(tr("Threads: 0"), results);
  label7_->setObjectName("Label7");
  memNetScan_ = new QPlainTextEdit(results);
  memNetScan_->setObjectName("memNetScan");
  memNetScan_->setReadOnly(true);
  auto* resultsLayout = new QVBoxLayout(results);
  resultsLayout->addWidget(label7_);
  lblScanProgress_ = new QLabel(results);
  lblScanProgress_->setObjectName("lblScanProgress");
  lblScanProgress_->setWordWrap(true);
  resultsLayout->addWidget(lblScanProgress_);
  resultsLayout->addWidget(memNetScan_);

  auto* layout = new QHBoxLayout(page);
  layout->addWidget(autoBox);
  layout->addWidget(manualBox);
  layout->addWidget(results, 1);
  connect(btnScanNetwork_, &QPushButton::clicked, this, [this] { StartDiscovery(); });
  connect(button1_, &QPushButton::clicked, this, [this] { StartRangeScan(); });
  connect(btnStopScan_, &QPushButton::clicked, this, [this] {
    service_->StopRangeScan();
    lblScanProgress_->setText(ToQ(WalkProgressText(service_->RangeScanProgress())));
    btnStopScan_->setEnabled(false);
    button1_->setEnabled(true);
  });
  return page;
}

QWidget* TfrmManager::BuildComputerTab() {
  auto* page = new QWidget(this);
  auto* info = new QGroupBox(tr("Basic Info"), page);
  lblCompIP_ = new QLabel(info);
  lblCompName_ = new QLabel(info);
  lblLockStatus_ = new QLabel(info);
  lblIdleStatus_ = new QLabel(info);
  lblWindowsUser_ = new QLabel(info);
  lblBrivakUser_ = new QLabel(info);
  imgLockStatus_ = new QLabel(info);
  imgRD_ = new QLabel(info);
  lblCompName_->setObjectName("lblCompName");
  lblLockStatus_->setObjectName("lblLockStatus");
  auto* lnkRefresh = Button(tr("Refresh"), info, "lnkRefresh");
  lnkRefresh->setFlat(true);
  auto* infoLayout = new QFormLayout(info);
  infoLayout->addRow(tr("IP Address:"), lblCompIP_);
  infoLayout->addRow(tr("Computer:"), lblCompName_);
  infoLayout->addRow(imgLockStatus_, lblLockStatus_);
  infoLayout->addRow(lblIdleStatus_);
  infoLayout->addRow(lblWindowsUser_);
  infoLayout->addRow(lblBrivakUser_);
  infoLayout->addRow(imgRD_, lnkRefresh);

  auto* commands = new QGroupBox(tr("Commands"), page);
  tbLock_ = Button(tr("Lock"), commands, "tbLock");
  auto* tbMessage = Button(tr("Leave Message"), commands, "tbMessage");
  auto* tbLogs = Button(tr("View Log Files"), commands, "tbLogs");
  auto* tbShutdown = Button(tr("Shutdown"), commands, "tbShutdown");
  auto* tbStandby = Button(tr("Standby"), commands, "tbStandby");
  auto* tbHibernate = Button(tr("Hibernate"), commands, "tbHibernate");
  auto* tbViewUpdateScript = Button(tr("View Update Script"), commands, "tbViewUpdateScript");
  auto* tbPushUpdate = Button(tr("Run Update Script"), commands, "tbPushUpdate");
  auto* tbHalt = Button(tr("Halt Brivak"), commands, "tbHalt");
  auto* commandLayout = new QGridLayout(commands);
  const std::vector<QPushButton*> buttons = {tbLock_,     tbMessage,          tbLogs,       tbShutdown, tbStandby,
                                             tbHibernate, tbViewUpdateScript, tbPushUpdate, tbHalt};
  for (std::size_t i = 0; i < buttons.size(); ++i) {
    commandLayout->addWidget(buttons[i], static_cast<int>(i / 3), static_cast<int>(i % 3));
  }

  auto* layoutBox = new QGroupBox(tr("Current Layout"), page);
  cboLayouts_ = new QComboBox(layoutBox);
  cboLayouts_->setObjectName("cboLayouts");
  auto* tbChangeToSelected = Button(tr("Change to selected"), layoutBox, "tbChangeToSelected");
  auto* tbChangeAndLockNow = Button(tr("Change and lock now"), layoutBox, "tbChangeAndLockNow");
  auto* layoutLayout = new QVBoxLayout(layoutBox);
  layoutLayout->addWidget(cboLayouts_);
  layoutLayout->addWidget(tbChangeToSelected);
  layoutLayout->addWidget(tbChangeAndLockNow);
  layoutLayout->addStretch();

  auto* layout = new QHBoxLayout(page);
  layout->addWidget(info, 1);
  layout->addWidget(commands, 1);
  layout->addWidget(layoutBox);

  selectionControls_ = {tbLock_,      tbMessage,  tbLogs,  tbShutdown,         tbStandby,          tbHibernate,
                        tbViewUpdateScript, tbPushUpdate, tbHalt, lnkRefresh, tbChangeToSelected, tbChangeAndLockNow,
                        cboLayouts_};
  connect(tbLock_, &QPushButton::clicked, this, [this] { LockOrUnlockSelected(); });
  connect(tbMessage, &QPushButton::clicked, this, [this] { ShowMessageDialog(); });
  connect(tbLogs, &QPushButton::clicked, this, [this] { SendToSelected(ReadLogCommand()); });
  connect(tbShutdown, &QPushButton::clicked, this, [this] { ShowShutdownDialog(); });
  connect(tbStandby, &QPushButton::clicked, this, [this] { SendToSelected(StandbyCommand()); });
  connect(tbHibernate, &QPushButton::clicked, this, [this] { SendToSelected(HibernateCommand()); });
  connect(tbViewUpdateScript, &QPushButton::clicked, this, [this] { SendToSelected(ViewUpdateScriptCommand()); });
  connect(tbPushUpdate, &QPushButton::clicked, this,
          [this] { SendToSelected(RunUpdateScriptCommand(service_->Settings().hideupdate)); });
  connect(tbHalt, &QPushButton::clicked, this, [this] { Halt(); });
  connect(lnkRefresh, &QPushButton::clicked, this, [this] {
    if (const TComputer* c = lv_->SelectedComputer()) service_->Requery(c->RemoteIP);
  });
  connect(tbChangeToSelected, &QPushButton::clicked, this, [this] { ChangeLayout(false); });
  connect(tbChangeAndLockNow, &QPushButton::clicked, this, [this] { ChangeLayout(true); });
  return page;
}

QWidget* TfrmManager::BuildRollOutTab() {
  auto* page = new QWidget(this);
  auto* all = Button(tr("Run update script on all computers"), page, "tbUpdateAllComputers");
  auto* selected = Button(tr("Run update script on selected computers"), page, "tbUpdateSelectedComputers");
  auto* sleep = Button(tr("Put all Computers to Sleep"), page, "ToolbarButton972");
  auto* review = Button(tr("Review program files and layouts"), page, "tbReviewFiles");
  auto* layout = new QVBoxLayout(page);
  for (QPushButton* button : {all, selected, sleep, review}) layout->addWidget(button, 0, Qt::AlignLeft);
  layout->addStretch();
  connect(all, &QPushButton::clicked, this,
          [this] { SendToAll(RunUpdateScriptCommand(service_->Settings().hideupdate), true); });
  connect(selected, &QPushButton::clicked, this, [this] {
    for (ComputerId id : lv_->SelectedIds()) {
      if (const TComputer* c = inventory_.Find(id)) service_->AddToLog("Telling " + c->ComputerName + " to update...");
    }
    SendToSelected(RunUpdateScriptCommand(service_->Settings().hideupdate));
  });
  connect(sleep, &QPushButton::clicked, this, [this] { SendToAll(StandbyCommand(), false); });
  connect(review, &QPushButton::clicked, this, [this] { ReviewFiles(); });
  return page;
}

QWidget* TfrmManager::BuildLogPanel() {
  panStatus_ = new QWidget(this);
  panStatus_->setObjectName("panStatus");
  memo1_ = new LogPanelWidget(panStatus_);
  tbMinStatus_ = new QToolButton(panStatus_);
  tbMinStatus_->setArrowType(Qt::DownArrow);
  tbMinStatus_->setToolTip(tr("Minimize"));
  auto* close = new QToolButton(panStatus_);
  close->setText(QStringLiteral("X"));
  auto* header = new QVBoxLayout;
  header->addWidget(tbMinStatus_);
  header->addWidget(close);
  header->addStretch();
  auto* layout = new QHBoxLayout(panStatus_);
  layout->setContentsMargins(2, 2, 2, 2);
  layout->addWidget(memo1_, 1);
  layout->addLayout(header);
  connect(tbMinStatus_, &QToolButton::clicked, this, [this] {
    if (logPanelLarge_) {
      SetLogPanelHeight(tbMinStatus_->sizeHint().height() + 4);
      tbMinStatus_->setToolTip(tr("Maximize"));
      tbMinStatus_->setArrowType(Qt::UpArrow);
    } else {
      SetLogPanelHeight(kLogPanelLargeHeight);
      tbMinStatus_->setToolTip(tr("Minimize"));
      tbMinStatus_->setArrowType(Qt::DownArrow);
    }
  });
  connect(close, &QToolButton::clicked, panStatus_, &QWidget::hide);
  connect(memo1_, &LogPanelWidget::clearRequested, this, [this] {
    if (service_) service_->ClearLog();
  });
  SetLogPanelHeight(kLogPanelLargeHeight);
  return panStatus_;
}

void TfrmManager::SetLogPanelHeight(int height) {
  logPanelLarge_ = height >= kLogPanelLargeHeight;
  panStatus_->setFixedHeight(height);
  panStatus_->show();
}

void TfrmManager::ConnectSignals() {
  connect(lv_, &ComputerListView::selectionChangedByRecord, this, [this] { OnSelectionChanged(); });
  connect(lv_, &ComputerListView::rowActivated, this, [this] { tabs_->setCurrentIndex(1); });
  connect(lv_, &ComputerListView::columnClicked, this, [this](int column) {
    const int lastCol = service_->SortByColumn(column);
    lv_->ShowSortKey(lastCol);
    OnInventoryChanged();
  });
  connect(options_, &OptionsPage::autoRefreshChanged, this,
          [this](bool on, int ms) { service_->SetAutoRefresh(on, ms); });
  connect(options_, &OptionsPage::saveAndApply, this, [this] { SaveAndApply(); });
  connect(usersPage_, &UserListPage::logLine, this, [this](const QString& line) { service_->AddToLog(FromQ(line)); });
  connect(logViewer_, &LogViewerPage::logLine, this, [this](const QString& line) { service_->AddToLog(FromQ(line)); });
}

void TfrmManager::LoadSettingsIntoControls() {
  const TmanagerSettings settings = service_->Settings();
  options_->Load(settings);
  edStartIP_->setText(ToQ(settings.startip));
  edEndIP_->setText(ToQ(settings.endip));
  spinTimeout_->setValue(settings.scantimeout);
}

void TfrmManager::OnInventoryChanged() {
  if (!service_) return;
  inventory_ = service_->Inventory();
  lv_->InventoryChanged();
  usersPage_->PopulateUserListComputers(inventory_);
  ShowSelectedInfo();
  QueueInventoryShown();
}

void TfrmManager::OnComputerUpdated(const TComputer& record) {
  // One reply, one row: the other rows, the selection and the user-list box stay as they are.
  const int row = inventory_.IndexOf(record.id);
  if (row < 0) {
    lv_->Model()->BeginAppend();
    inventory_.Put(record);
    lv_->Model()->EndAppend();
    usersPage_->AddComputerEntry(record);
  } else {
    const bool moved = inventory_.Row(row)->RemoteIP != record.RemoteIP;
    inventory_.Put(record);
    lv_->Model()->RowChanged(row);
    if (moved) usersPage_->PopulateUserListComputers(inventory_);
  }
  const TComputer* selected = lv_->SelectedComputer();
  if (selected != nullptr && selected->id == record.id) ShowSelectedInfo();
  QueueInventoryShown();
}

void TfrmManager::QueueInventoryShown() {
  if (inventoryShownQueued_) return;
  // Coalesced: a burst of replies counts the states and writes the shown list once, after it.
  inventoryShownQueued_ = true;
  QTimer::singleShot(0, this, [this] {
    inventoryShownQueued_ = false;
    lblSummary_->setText(ToQ(SummaryLine(CountStates(inventory_))));
    if (inventoryShown_) inventoryShown_(inventory_);
  });
}

void TfrmManager::OnLogChanged(const app::LogChange& change) {
  // Thousands of lockers write thousands of lines: they are gathered and laid out together, at
  // most every 50 ms, so the UI thread never lays out the log once per line.
  if (change.kind == app::LogChange::Kind::Cleared) pendingLog_.clear();
  pendingLog_.push_back(change);
  if (logFlushQueued_) return;
  logFlushQueued_ = true;
  QTimer::singleShot(kLogFlushMs, this, [this] { FlushLog(); });
}

void TfrmManager::FlushLog() {
  logFlushQueued_ = false;
  std::string block;  // whole lines, joined by "\n"
  bool haveBlock = false;
  auto flushBlock = [&] {
    if (haveBlock) memo1_->AddLine(block);
    block.clear();
    haveBlock = false;
  };
  for (const app::LogChange& change : pendingLog_) {
    switch (change.kind) {
      case app::LogChange::Kind::Cleared:
        flushBlock();
        memo1_->ClearLog();
        break;
      case app::LogChange::Kind::Line:
        if (haveBlock) block += '\n';
        block += change.text;
        haveBlock = true;
        break;
      case app::LogChange::Kind::Append:
        if (haveBlock) {
          block += change.text;
        } else {
          memo1_->AppendToLastLine(change.text);
        }
        break;
    }
  }
  flushBlock();
  pendingLog_.clear();
}

void TfrmManager::OnCommandResult(const app::CommandReport& report) {
  const std::string who = report.target.computerName.empty() ? report.target.address
                                                             : report.target.computerName + " (" + report.target.address + ")";
  statusBar()->showMessage(ToQ(report.command + " " + who + ": " + OutcomeLine(report.outcome)));
  if (report.outcome.refusal == Refusal::None) return;
  // The row shows the refusal until that locker's next status reply replaces its record.
  for (int row = 0; row < inventory_.Count(); ++row) {
    const TComputer* c = inventory_.Row(row);
    if (c->RemoteIP != report.target.address) continue;
    TComputer marked = *c;
    marked.StateIndex = kStateIndexRefused;
    inventory_.Put(marked);
    lv_->Model()->RowChanged(row);
  }
  QueueInventoryShown();
}

void TfrmManager::OnCommandFinished(std::uint64_t requestId, const OutcomeCounts& counts) {
  const auto found = pendingCommands_.find(requestId);
  if (found == pendingCommands_.end()) return;
  const PendingCommand pending = found->second;
  pendingCommands_.erase(found);
  // A single computer keeps its own line (with the locker's text); a group gets the counts.
  if (pending.computers == 1) return;
  statusBar()->showMessage(tr("%1 sent to %2 computer(s): %3")
                               .arg(ToQ(pending.command))
                               .arg(pending.computers)
                               .arg(ToQ(CountsText(counts))));
}

void TfrmManager::OnSelectionChanged() {
  const TComputer* selected = lv_->SelectedComputer();
  const bool any = selected != nullptr;
  for (QWidget* control : selectionControls_) control->setEnabled(any);
  ShowSelectedInfo();
  const ComputerId id = any ? selected->id : kNoComputer;
  if (id == shownComputer_) return;
  shownComputer_ = id;
  ++layoutGeneration_;  // a layout list still coming belongs to the previous computer
  layoutLines_.clear();
  cboLayouts_->clear();
  usersPage_->PopulateUserListComputers(inventory_);
  logViewer_->SetHost(any ? selected->RemoteIP : std::string());
  if (!any) return;
  const std::uint64_t generation = layoutGeneration_;
  QPointer<TfrmManager> self(this);
  service_->GetLayoutList(selected->RemoteIP, [self, generation](std::vector<std::string> lines) {
    if (self) self->ShowLayouts(generation, lines);
  });
}

void TfrmManager::ShowSelectedInfo() {
  const TComputer* c = lv_->SelectedComputer();
  if (c == nullptr) {
    for (QLabel* label : {lblCompIP_, lblCompName_, lblLockStatus_, lblIdleStatus_, lblWindowsUser_, lblBrivakUser_}) {
      label->setText(QStringLiteral("n/a"));
    }
    imgLockStatus_->clear();
    imgRD_->clear();
    tbLock_->setText(tr("Lock"));
    return;
  }
  lblCompIP_->setText(ToQ(c->RemoteIP));
  lblCompName_->setText(ToQ(c->ComputerName));
  lblLockStatus_->setText(ToQ("Computer has been locked for " + SecondsText(c->LockTime)));
  lblIdleStatus_->setText(ToQ("Computer has been idle for " + SecondsText(c->IdleTime)));
  lblWindowsUser_->setText(ToQ(c->CurrentUser + " logged in to Windows"));
  lblBrivakUser_->setText(tr("Last Brivak User: "));
  const bool locked = c->StatusStr == "Locked";
  tbLock_->setText(locked ? tr("Unlock") : tr("Lock"));
  const int iconSize = style()->pixelMetric(QStyle::PM_SmallIconSize);
  imgLockStatus_->setPixmap(
      style()->standardIcon(locked ? QStyle::SP_DialogNoButton : QStyle::SP_DialogYesButton).pixmap(iconSize));
  if (c->RDP == "-1") {
    imgRD_->setPixmap(style()->standardIcon(QStyle::SP_DesktopIcon).pixmap(iconSize));
  } else {
    imgRD_->clear();
  }
}

void TfrmManager::ShowLayouts(std::uint64_t generation, const std::vector<std::string>& lines) {
  if (generation != layoutGeneration_) return;
  layoutLines_ = lines;
  service_->AddToLog("Layouts returned: " + std::to_string(lines.size()));
  const std::vector<std::string> names = LayoutNames(lines);
  cboLayouts_->clear();
  for (const std::string& name : names) cboLayouts_->addItem(ToQ(name));
  const TComputer* c = lv_->SelectedComputer();
  cboLayouts_->setCurrentIndex(c != nullptr ? CurrentLayoutIndex(names, c->LayoutFile) : -1);
}

void TfrmManager::ChangeLayout(bool lockNow) {
  const TComputer* c = lv_->SelectedComputer();
  if (c == nullptr) return;
  if (lockNow) service_->AddToLog("ChangeAndLockNow ...");
  for (const std::string& line : LayoutLinesMatching(layoutLines_, FromQ(cboLayouts_->currentText()))) {
    const std::uint64_t id = service_->SendCommand(std::vector<ComputerId>{c->id}, LayoutCommand(line, lockNow));
    pendingCommands_[id] = {lockNow ? "lock" : "changelayout", 1};
  }
}

void TfrmManager::SendToSelected(const CommandCall& call) {
  const std::vector<ComputerId> ids = lv_->SelectedIds();
  if (ids.empty()) return;
  const std::uint64_t id = service_->SendCommand(ids, call);
  pendingCommands_[id] = {call.command, ids.size()};
}

void TfrmManager::SendToAll(const CommandCall& call, bool tellUpdate) {
  std::vector<ComputerId> ids;
  for (const TComputer& c : inventory_.Items()) {
    if (tellUpdate) service_->AddToLog("Telling " + c.ComputerName + " to update...");
    ids.push_back(c.id);
  }
  if (ids.empty()) return;
  const std::uint64_t id = service_->SendCommand(ids, call);
  pendingCommands_[id] = {call.command, ids.size()};
}

void TfrmManager::LockOrUnlockSelected() {
  // The button reads "Unlock" while the selected locker reports "Locked".
  const TComputer* c = lv_->SelectedComputer();
  if (c == nullptr) return;
  SendToSelected(c->StatusStr == "Locked" ? UnlockCommand() : LockCommand());
}

void TfrmManager::WakeUpSelected() {
  const TComputer* c = lv_->SelectedComputer();
  if (c == nullptr) return;
  statusBar()->showMessage(ToQ(service_->WakeOnLan(c->MACaddress)));
}

void TfrmManager::RemoteDesktopSelected(RemoteDesktopMode mode) {
  const TComputer* c = lv_->SelectedComputer();
  if (c == nullptr) return;
  const app::RemoteDesktopResult result = service_->RemoteDesktop(c->RemoteIP, mode);
  if (result.started) return;
  statusBar()->showMessage(ToQ(result.message));
  QMessageBox::warning(this, tr("Remote Desktop"), ToQ(result.message));
}

void TfrmManager::ShowShutdownDialog() {
  if (lv_->SelectedComputer() == nullptr) return;
  TfrmShutdown dialog(this);
  if (dialog.exec() == QDialog::Accepted) SendToSelected(ShutdownCommand(dialog.Options()));
}

void TfrmManager::ShowMessageDialog() {
  if (lv_->SelectedComputer() == nullptr) return;
  TfrmLeaveMessage dialog(this);
  if (dialog.exec() != QDialog::Accepted) return;
  if (const std::optional<CommandCall> call = dialog.Command()) {
    service_->ClearLog();
    SendToSelected(*call);
  }
}

void TfrmManager::Halt() {
  if (lv_->SelectedComputer() == nullptr) return;
  const QString text = QStringLiteral(
      "This will forcibly terminate Brivak, in case of emergency only. The Windows taskbar may vanish \r\n"
      "on the remote computer. To restore it, relaunch Brivak on the remote computer, or reboot the system.\r\n"
      "\r\nProceed?");
  if (QMessageBox::warning(this, tr("Warning"), text, QMessageBox::Ok | QMessageBox::Cancel) == QMessageBox::Ok) {
    SendToSelected(HaltCommand());
  }
}

void TfrmManager::StartDiscovery() {
  switch (service_->StartDiscovery()) {
    case Discovery::StartResult::Started:
      btnScanNetwork_->setEnabled(false);  // until the discovery ends
      break;
    case Discovery::StartResult::AlreadyRunning:
      statusBar()->showMessage(tr("A discovery is already running."));
      break;
    case Discovery::StartResult::SendFailed:
      statusBar()->showMessage(tr("The discovery broadcast could not be sent."));
      break;
  }
}

void TfrmManager::StartRangeScan() {
  TmanagerSettings settings = service_->Settings();
  settings.scantimeout = spinTimeout_->value();
  service_->ApplySettings(settings);
  const RangeWalk::StartResult result = service_->StartRangeScan(FromQ(edStartIP_->text()), FromQ(edEndIP_->text()));
  if (!result.started) {
    QMessageBox::critical(this, tr("Network Scan"), ToQ(result.error));
    QLineEdit* box = result.error.rfind("Ending", 0) == 0 ? edEndIP_ : edStartIP_;
    box->selectAll();
    box->setFocus();
    return;
  }
  button1_->setEnabled(false);  // until the walk ends
  btnStopScan_->setEnabled(service_->RangeScanRunning());
  QStringList plan;
  const int shown = std::min<int>(static_cast<int>(result.planLines.size()), kPlanLinesShown + 3);
  for (int i = 0; i < shown; ++i) plan << ToQ(result.planLines[static_cast<std::size_t>(i)]);
  if (static_cast<int>(result.planLines.size()) > shown) {
    plan << tr("... and %1 more").arg(static_cast<int>(result.planLines.size()) - shown);
  }
  memNetScan_->setPlainText(plan.join('\n'));
}

void TfrmManager::SaveAndApply() {
  TmanagerSettings settings = options_->Collect(service_->Settings());
  settings.startip = FromQ(edStartIP_->text());
  settings.endip = FromQ(edEndIP_->text());
  settings.scantimeout = spinTimeout_->value();
  if (!service_->SaveAndApply(settings, options_->WebServerPortText())) {
    statusBar()->showMessage(tr("The settings could not be saved (see the log)."));
  }
  LoadSettingsIntoControls();
  tabs_->setCurrentIndex(0);
}

void TfrmManager::LaunchBrivak() {
  const std::string path = LockerLocation(deps_.registry);
  std::error_code ignored;
  if (path.empty() || !std::filesystem::is_regular_file(path, ignored)) return;
  deps_.processes.Start({path}, std::filesystem::path(path).parent_path().string());
}

void TfrmManager::ReviewFiles() {
  const std::string path = LockerLocation(deps_.registry);
  if (path.empty()) return;
  const QString folder = ToQ(std::filesystem::path(path).parent_path().string());
  if (QDir(folder).exists()) QDesktopServices::openUrl(QUrl::fromLocalFile(folder));
}

bool TfrmManager::eventFilter(QObject* watched, QEvent* event) {
  if (watched == manualBox_ && event->type() == QEvent::MouseButtonPress) SetLogPanelHeight(kLogPanelScanHeight);
  return QMainWindow::eventFilter(watched, event);
}

int TfrmManager::LogPanelHeight() const { return panStatus_->maximumHeight(); }  // the fixed height

void TfrmManager::CloseWhenIdle() {
  closeWhenIdle_ = true;
  close();
}

void TfrmManager::closeEvent(QCloseEvent* event) {
  if (service_ && !service_->Stopped() && service_->DiscoveryRunning()) {
    event->ignore();
    statusBar()->showMessage(tr("A network discovery is running: the window can be closed when it has ended."));
    return;
  }
  // The controller cancels its discovery, lookups, commands and web requests; nothing waits for a
  // locker. The settings (and the sort key) are saved first.
  if (service_ && !service_->Stopped()) service_->SaveSettings();
  StopService();
  tray_->hide();
  event->accept();
}

void TfrmManager::changeEvent(QEvent* event) {
  QMainWindow::changeEvent(event);
  if (event->type() != QEvent::WindowStateChange || !isMinimized() || !service_) return;
  // Without a notification area there is no icon to come back through: the window only minimises.
  if (!service_->Settings().trayminimize || !QSystemTrayIcon::isSystemTrayAvailable()) return;
  // Minimising hides the window into the tray; a double-click on the icon brings it back.
  QTimer::singleShot(0, this, [this] {
    hide();
    tray_->show();
  });
}

void TfrmManager::StopService() {
  timer1_->stop();
  if (service_) service_->Stop();
}

}  // namespace brivak::manager
