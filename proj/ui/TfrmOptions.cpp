#include "proj/ui/TfrmOptions.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFontComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QStackedWidget>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <stdexcept>

#include "common/Stools.h"
#include "proj/core/SlfValues.h"
#include "proj/ui/PasswordDialogs.h"
#include "proj/ui/SlfStyle.h"

namespace brivak::ui {

using core::TBrivakSettings;

namespace {

QString Q(const std::string& text) { return QString::fromStdString(text); }
std::string S(const QString& text) { return text.toStdString(); }

constexpr const char* kDefaultBarColor = "$00303030";
constexpr const char* kDefaultStatusFont = ",Tahoma,8,,clLime,1,";

// Tree entries and the notebook page each one shows.
const std::pair<const char*, int> kTree[] = {
    {"General", 0},        {"Security", 2},     {"Accounts", 3},      {"Layouts", 1},     {"Network", 11},
    {"Away Message", 4},   {"ScreenSavers", 5}, {"Logging", 6},       {"Notes", 9},       {"BrivakBar", 12},
    {"Remote Notify", 13}, {"Advanced", 10},    {"Deployment", 7},    {"Location", 14},
};
constexpr int kPageCount = 15;

QLabel* Note(const QString& text, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  label->setWordWrap(true);
  return label;
}

QVBoxLayout* PageLayout(QWidget* page, const QString& heading) {
  auto* layout = new QVBoxLayout(page);
  auto* title = new QLabel(heading, page);
  QFont font = title->font();
  font.setBold(true);
  font.setPointSizeF(font.pointSizeF() * 1.2);
  title->setFont(font);
  layout->addWidget(title);
  return layout;
}

QPushButton* Button(const QString& text, QWidget* parent, const char* name) {
  auto* button = new QPushButton(text, parent);
  button->setObjectName(QString::fromUtf8(name));
  button->setAutoDefault(false);
  return button;
}

QColor ColorOf(const QString& text, bool& readable) {
  const auto color = core::ParseSlfColor(S(text));
  readable = color.has_value();
  return color ? SlfQColor(*color) : QColor();
}

void PaintButton(QPushButton* button, const QColor& color) {
  button->setStyleSheet(QStringLiteral("background-color: %1;").arg(color.name()));
}

std::string ColorText(const QColor& color) {
  return core::SlfColorText((static_cast<core::SlfColor>(color.blue()) << 16) |
                            (static_cast<core::SlfColor>(color.green()) << 8) | static_cast<core::SlfColor>(color.red()));
}

}  // namespace

#define BRIVAK_BOOL(record, name) +[](TBrivakSettings& s) -> bool& { return s.record.name; }
#define BRIVAK_TEXT(record, name) +[](TBrivakSettings& s) -> std::string& { return s.record.name; }

OptionsQuestions StandardOptionsQuestions() {
  OptionsQuestions q;
  q.message = [](QWidget* over, const QString& title, const QString& text) {
    QMessageBox::warning(over, title, text);
  };
  q.confirm = [](QWidget* over, const QString& title, const QString& text) {
    return QMessageBox::warning(over, title, text, QMessageBox::Ok | QMessageBox::Cancel) == QMessageBox::Ok;
  };
  q.input = [](QWidget* over, const QString& title, const QString& prompt,
               const QString& initial) -> std::optional<QString> {
    bool ok = false;
    const QString text = QInputDialog::getText(over, title, prompt, QLineEdit::Normal, initial, &ok);
    if (!ok) return std::nullopt;
    return text;
  };
  return q;
}

TfrmOptions::TfrmOptions(OptionsPorts ports, QWidget* parent, OptionsQuestions questions)
    : QDialog(parent), ports_(std::move(ports)), questions_(std::move(questions)), draft_(ports_.settings) {
  setObjectName(QStringLiteral("frmOptions"));
  setWindowTitle(QStringLiteral("Options"));
  presets_ = core::SplitAwayMessages(draft_.Messages.awayMessages);

  auto* outer = new QVBoxLayout(this);
  auto* band = new QLabel(QStringLiteral("Brivak Options"), this);
  band->setObjectName(QStringLiteral("lblHeading"));
  band->setStyleSheet(QStringLiteral("background: #203060; color: white; font-weight: bold; padding: 8px;"));
  outer->addWidget(band);

  auto* middle = new QHBoxLayout;
  tv_ = new QTreeWidget(this);
  tv_->setObjectName(QStringLiteral("tv"));
  tv_->setHeaderHidden(true);
  tv_->setRootIsDecorated(false);
  tv_->setFixedWidth(150);
  for (const auto& [text, page] : kTree) {
    auto* item = new QTreeWidgetItem(tv_, QStringList{QString::fromUtf8(text)});
    item->setData(0, Qt::UserRole, page);
  }
  middle->addWidget(tv_);
  nb_ = new QStackedWidget(this);
  nb_->setObjectName(QStringLiteral("nb"));
  pages_.assign(kPageCount, nullptr);
  pages_[0] = BuildGeneral();
  pages_[1] = BuildLayouts();
  pages_[2] = BuildSecurity();
  pages_[3] = BuildAccounts();
  pages_[4] = BuildAwayMessage();
  pages_[5] = BuildScreenSavers();
  pages_[6] = BuildLogging();
  pages_[7] = BuildDeployment();
  pages_[8] = new QWidget(this);  // no tree entry shows page 8
  pages_[9] = BuildNotes();
  pages_[10] = BuildAdvanced();
  pages_[11] = BuildNetwork();
  pages_[12] = BuildBrivakBar();
  pages_[13] = BuildRemoteNotify();
  pages_[14] = BuildLocation();
  for (QWidget* page : pages_) nb_->addWidget(page);
  middle->addWidget(nb_, 1);
  outer->addLayout(middle, 1);

  auto* bottom = new QHBoxLayout;
  btnOK_ = Button(QStringLiteral("OK"), this, "btnOK");
  btnOK_->setDefault(true);
  btnCancel_ = Button(QStringLiteral("Cancel"), this, "btnCancel");
  lblHelp_ = new QLabel(QStringLiteral("<a href=\"help\" style=\"color:blue\">Help</a>"), this);
  lblHelp_->setObjectName(QStringLiteral("lblHelp"));
  lblMyIP_ = new QLabel(Q(ports_.theLocalIP), this);
  lblMyIP_->setObjectName(QStringLiteral("lblMyIP"));
  lblMyHostname_ = new QLabel(Q(ports_.theLocalHost), this);
  lblMyHostname_->setObjectName(QStringLiteral("lblMyHostname"));
  for (QLabel* label : {lblMyIP_, lblMyHostname_}) label->setStyleSheet(QStringLiteral("color: grey;"));
  bottom->addWidget(btnOK_);
  bottom->addWidget(btnCancel_);
  bottom->addWidget(lblHelp_);
  bottom->addStretch(1);
  bottom->addWidget(lblMyIP_);
  bottom->addWidget(lblMyHostname_);
  outer->addLayout(bottom);

  connect(btnOK_, &QPushButton::clicked, this, &TfrmOptions::btnOKClick);
  connect(btnCancel_, &QPushButton::clicked, this, &QDialog::reject);
  connect(lblHelp_, &QLabel::linkActivated, this, [this] {
    if (ports_.open) ports_.open(ports_.appPath + "htmlhelp/brivakoptions.html");
  });
  connect(tv_, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) {
    if (item) ShowPage(item->data(0, Qt::UserRole).toInt());
  });
  connect(nb_, &QStackedWidget::currentChanged, this, [this](int page) {
    ports_.log.Debug("OP.PageChanged");
    if (page == 3) LoadUserList();
    if (page == 4 && cboPresetMsgs_->count() > 0) {
      cboPresetMsgs_->setCurrentIndex(0);
      cboPresetMsgsChange();
    }
    if (page == 5) SelectDefaultSaver();
  });

  // Characters beyond one byte are refused in every box of the dialog.
  for (QLineEdit* edit : findChildren<QLineEdit*>()) edit->installEventFilter(this);
  for (QPlainTextEdit* edit : findChildren<QPlainTextEdit*>()) edit->installEventFilter(this);

  PopulateScreenSavers();
  PopulateAwayMessages();
  LoadUserList();
  nb_->setCurrentIndex(1);  // the Layouts page, no tree entry selected
  resize(820, 600);
  ports_.log.Debug("options:end FormCreate");
}

TfrmOptions::~TfrmOptions() = default;

QCheckBox* TfrmOptions::Check(QWidget* parent, const char* name, const char* caption,
                              bool& (*field)(TBrivakSettings&)) {
  auto* box = new QCheckBox(QString::fromUtf8(caption), parent);
  box->setObjectName(QString::fromUtf8(name));
  checks_.push_back({box, field});
  return box;
}

QSpinBox* TfrmOptions::Spin(QWidget* parent, const char* name, int min, int max, int step,
                            std::function<int(const TBrivakSettings&)> get,
                            std::function<void(TBrivakSettings&, int)> set) {
  auto* spin = new QSpinBox(parent);
  spin->setObjectName(QString::fromUtf8(name));
  spin->setRange(min, max);
  spin->setSingleStep(step);
  spin->setCorrectionMode(QAbstractSpinBox::CorrectToNearestValue);  // typed values come back into range
  spins_.push_back({spin, std::move(get), std::move(set)});
  return spin;
}

void TfrmOptions::FilterKeys(QWidget* editor, const QString& allowed) { keyFilters_.emplace_back(editor, allowed); }

// ---- Pages ---------------------------------------------------------------------------------------

QWidget* TfrmOptions::BuildGeneral() {
  auto* page = new QWidget(this);
  auto* layout = PageLayout(page, QStringLiteral("General"));
  auto* hotkey = new QGroupBox(QStringLiteral("Brivak Launch Hot&key:"), page);
  auto* row = new QHBoxLayout(hotkey);
  row->addWidget(Check(hotkey, "chkCtrl", "C&trl", BRIVAK_BOOL(General, hkCtrl)));
  row->addWidget(Check(hotkey, "chkAlt", "&Alt", BRIVAK_BOOL(General, hkAlt)));
  row->addWidget(Check(hotkey, "chkShift", "Shi&ft", BRIVAK_BOOL(General, hkShift)));
  row->addWidget(Check(hotkey, "chkWindows", "&Windows", BRIVAK_BOOL(General, hkWin)));
  row->addWidget(new QLabel(QStringLiteral("&Key:"), hotkey));
  cboKey_ = new QComboBox(hotkey);
  cboKey_->setObjectName(QStringLiteral("cboKey"));
  for (char c = 'A'; c <= 'Z'; ++c) cboKey_->addItem(QString(QChar(c)));
  row->addWidget(cboKey_);
  row->addStretch(1);
  layout->addWidget(hotkey);
  lblHotkey_ = new QLabel(page);
  lblHotkey_->setObjectName(QStringLiteral("lblHotkey"));
  layout->addWidget(lblHotkey_);

  auto* grid = new QGridLayout;
  grid->addWidget(new QLabel(QStringLiteral("Check for Updates: "), page), 0, 0);
  cboUpdates_ = new QComboBox(page);
  cboUpdates_->setObjectName(QStringLiteral("cboUpdates"));
  cboUpdates_->addItems({QStringLiteral("Disabled"), QStringLiteral("Notify me of new releases"),
                         QStringLiteral("Notify me of new releases and beta versions")});
  grid->addWidget(cboUpdates_, 0, 1);
  chkCheckForUpdates_ = Check(page, "chkCheckForUpdates", "Check for updates", BRIVAK_BOOL(General, CheckForUpdates));
  chkBetaVersions_ = Check(page, "chkBetaVersions", "Beta versions", BRIVAK_BOOL(General, WantsBetas));
  chkCheckForUpdates_->hide();
  chkBetaVersions_->hide();
  grid->addWidget(new QLabel(QStringLiteral("Startu&p Mode: "), page), 1, 0);
  cboStartupMode_ = new QComboBox(page);
  cboStartupMode_->setObjectName(QStringLiteral("cboStartupMode"));
  cboStartupMode_->addItems({QStringLiteral("Do Not Run Brivak on Windows Startup"),
                             QStringLiteral("Run on Windows Startup (Normal)"),
                             QStringLiteral("Run on Windows Startup (Before Explorer)"),
                             QStringLiteral("Run on Windows Startup (Task Scheduler)"), QStringLiteral("Reserved")});
  grid->addWidget(cboStartupMode_, 1, 1);
  grid->setColumnStretch(2, 1);
  layout->addLayout(grid);
  connect(cboUpdates_, &QComboBox::activated, this, &TfrmOptions::UpdatesChosen);

  auto* idle = new QGroupBox(QStringLiteral("Lock on Idle:"), page);
  auto* idleRow = new QHBoxLayout(idle);
  idleRow->addWidget(Check(idle, "chkIdleLock", "Enable automatic lockdown after", BRIVAK_BOOL(Security, idleLock)));
  idleRow->addWidget(Spin(idle, "spinLockTime", 10, 86400, 60, [](const TBrivakSettings& s) { return s.Security.lockTime; },
                          [](TBrivakSettings& s, int v) { s.Security.lockTime = v; }));
  idleRow->addWidget(new QLabel(QStringLiteral("seconds of no mouse or keyboard activity"), idle));
  idleRow->addStretch(1);
  layout->addWidget(idle);
  layout->addWidget(Check(page, "chkHideStartupConsole", "Do not show startup status console",
                          BRIVAK_BOOL(General, HideStartupConsole)));
  layout->addStretch(1);
  return page;
}

QWidget* TfrmOptions::BuildSecurity() {
  auto* page = new QWidget(this);
  auto* layout = PageLayout(page, QStringLiteral("Security"));
  auto* row = new QHBoxLayout;
  row->addWidget(new QLabel(QStringLiteral("Unlock method:"), page));
  cboUnlockMechanism_ = new QComboBox(page);
  cboUnlockMechanism_->setObjectName(QStringLiteral("cboUnlockMechanism"));
  cboUnlockMechanism_->addItems({QStringLiteral("Password"), QStringLiteral("Username & Password"),
                                 QStringLiteral("Keypad"), QStringLiteral("USB Drive / KeyFile")});
  row->addWidget(cboUnlockMechanism_);
  row->addStretch(1);
  layout->addLayout(row);

  pgUnlockMech_ = new QStackedWidget(page);
  pgUnlockMech_->setObjectName(QStringLiteral("pgUnlockMech"));
  auto subPage = [&](const QString& title, const QString& text) {
    auto* box = new QGroupBox(title, pgUnlockMech_);
    auto* v = new QVBoxLayout(box);
    v->addWidget(Note(text, box));
    pgUnlockMech_->addWidget(box);
    return v;
  };
  auto* password = subPage(QStringLiteral("Password Unlocking"), QStringLiteral("A single master password will unlock Brivak."));
  auto* change = new QLabel(QStringLiteral("<a href=\"x\">Change Brivak Password</a>"), page);
  change->setObjectName(QStringLiteral("lblChangePassword"));
  connect(change, &QLabel::linkActivated, this, [this] {
    if (ports_.changePassword) ports_.changePassword(this);
  });
  password->addWidget(change);
  auto* users = subPage(QStringLiteral("Username and Password Authentication"),
                        QStringLiteral("A valid username and password unlocks Brivak."));
  auto* manage = new QLabel(QStringLiteral("<a href=\"x\">Manage accounts...</a>"), page);
  manage->setObjectName(QStringLiteral("lblManageAccounts"));
  connect(manage, &QLabel::linkActivated, this, [this] { ShowPage(3); });
  users->addWidget(manage);
  subPage(QStringLiteral("Keypad"), QStringLiteral("Correct sequence on a Numeric Keypad unlocks Brivak."));
  auto* usb = subPage(QStringLiteral("USB Drive / KeyFile"),
                      QStringLiteral("Insertion of portable media unlocks Brivak.\nThis option is on. See "
                                     "Deployment section for more details."));
  auto* wizard = Button(QStringLiteral("Start Brivak Export Wizard"), page, "btnExportWizard");
  wizard->setEnabled(false);  // the export belongs to the deployment work
  usb->addWidget(wizard);
  layout->addWidget(pgUnlockMech_);
  connect(cboUnlockMechanism_, &QComboBox::activated, this, &TfrmOptions::UnlockMethodChosen);

  layout->addWidget(Check(page, "chkPreventAutoPlay", "Prevent CD/USB Auto Play", BRIVAK_BOOL(Security, PreventAutoPlay)));
  layout->addWidget(Check(page, "chkAutoHide", "Hide non-Brivak and Popup windows", BRIVAK_BOOL(Security, autoHide)));
  auto* task = new QHBoxLayout;
  task->addWidget(Check(page, "chkStopTaskMgr", "Stop Task Manager", BRIVAK_BOOL(Security, StopTaskMgr)));
  task->addWidget(new QLabel(QStringLiteral("scan for it every "), page));
  task->addWidget(Spin(page, "spinTaskMgrScanTime", 0, 3000, 100,
                       [](const TBrivakSettings& s) { return static_cast<int>(std::min<uint32_t>(s.Security.TaskMgrScanTime, 3000)); },
                       [](TBrivakSettings& s, int v) { s.Security.TaskMgrScanTime = static_cast<uint32_t>(v); }));
  task->addWidget(new QLabel(QStringLiteral("ms"), page));
  task->addStretch(1);
  layout->addLayout(task);
  layout->addWidget(Check(page, "chkRequirePasswordToExit", "Require Password to Exit Brivak",
                          BRIVAK_BOOL(Security, RequirePasswordToExit)));
  layout->addWidget(Check(page, "chkUseWinLockStartup", "Use Windows Lock on Startup", BRIVAK_BOOL(Security, UseWinLockStartup)));
  layout->addWidget(Check(page, "chkOnlyAdminCanUnlockMaster", "Only Admin can unlock Master IP",
                          BRIVAK_BOOL(Security, OnlyAdminCanUnlockMaster)));
  layout->addStretch(1);
  return page;
}

QWidget* TfrmOptions::BuildAccounts() {
  auto* page = new QWidget(this);
  auto* layout = PageLayout(page, QStringLiteral("Accounts"));
  auto* group = new QGroupBox(QStringLiteral("Accounts && Multi User Access"), page);
  auto* v = new QVBoxLayout(group);
  chkMultiUser_ = Check(group, "chkMultiUser", "Enable &Multi-User mode (require both username and password)",
                        BRIVAK_BOOL(Security, MultiUser));
  v->addWidget(chkMultiUser_);
  auto* row = new QHBoxLayout;
  usersLV_ = new QTreeWidget(group);
  usersLV_->setObjectName(QStringLiteral("usersLV"));
  usersLV_->setHeaderLabels({QStringLiteral("Username"), QStringLiteral("Password"), QStringLiteral("Permissions")});
  usersLV_->setRootIsDecorated(false);
  usersLV_->setMinimumHeight(120);
  row->addWidget(usersLV_, 1);
  auto* buttons = new QVBoxLayout;
  btnAddUser_ = Button(QStringLiteral("&Add User"), group, "btnAddUser");
  btnEditUser_ = Button(QStringLiteral("&Edit User"), group, "btnEditUser");
  btnDeleteUser_ = Button(QStringLiteral("&Delete User"), group, "btnDeleteUser");
  for (QPushButton* b : {btnAddUser_, btnEditUser_, btnDeleteUser_}) buttons->addWidget(b);
  buttons->addStretch(1);
  row->addLayout(buttons);
  v->addLayout(row);
  grpUserRights_ = new QGroupBox(QStringLiteral("User (Unlock) permissions"), group);
  auto* grid = new QGridLayout(grpUserRights_);
  const struct {
    const char* name;
    const char* caption;
    bool& (*field)(TBrivakSettings&);
  } rights[] = {
      {"chkUserChangeLayout", "Change &Layout", BRIVAK_BOOL(Security, UserChangeLayout)},
      {"chkUserStandby", "&Standby/Hibernate", BRIVAK_BOOL(Security, UserStandby)},
      {"chkUserViewMessages", "&View Messages", BRIVAK_BOOL(Security, UserViewMessages)},
      {"chkUserViewLogs", "View &Logs", BRIVAK_BOOL(Security, UserViewLogs)},
      {"chkUserChangeSS", "Change &Screensavers", BRIVAK_BOOL(Security, UserChangeSS)},
      {"chkUserChangePassword", "Change &Password", BRIVAK_BOOL(Security, UserChangePass)},
      {"chkUserSuspendNetwork", "Suspend Network", BRIVAK_BOOL(Security, UserSuspendNetwork)},
      {"chkUserChangeConsole", "Change MiniBrowser/Console", BRIVAK_BOOL(Security, UserChangeConsole)},
      {"chkUserAccessHelp", "Access Help File", BRIVAK_BOOL(Security, UserAccessHelp)},
      {"chkUserExitBrivak", "Exit Brivak", BRIVAK_BOOL(Security, UserExitBrivak)},
  };
  int i = 0;
  for (const auto& r : rights) {
    grid->addWidget(Check(grpUserRights_, r.name, r.caption, r.field), i / 2, i % 2);
    ++i;
  }
  v->addWidget(grpUserRights_);
  layout->addWidget(group);
  layout->addStretch(1);

  connect(chkMultiUser_, &QCheckBox::clicked, this, &TfrmOptions::MultiUserRule);
  connect(usersLV_, &QTreeWidget::itemSelectionChanged, this, &TfrmOptions::MultiUserRule);
  connect(usersLV_, &QTreeWidget::itemDoubleClicked, this, &TfrmOptions::btnEditUserClick);
  connect(btnAddUser_, &QPushButton::clicked, this, &TfrmOptions::btnAddUserClick);
  connect(btnEditUser_, &QPushButton::clicked, this, &TfrmOptions::btnEditUserClick);
  connect(btnDeleteUser_, &QPushButton::clicked, this, &TfrmOptions::btnDeleteUserClick);
  return page;
}

QWidget* TfrmOptions::BuildNetwork() {
  auto* page = new QWidget(this);
  auto* layout = PageLayout(page, QStringLiteral("Network"));
  layout->addWidget(Check(page, "chkSuspendNetwork", "Suspend Network/Internet Access while locked",
                          BRIVAK_BOOL(Security, suspendNetwork)));
  auto* server = new QGroupBox(QStringLiteral("Brivak HTTP Server"), page);
  auto* v = new QVBoxLayout(server);
  chkAllowRemote_ = Check(server, "chkAllowRemoteHTTPunlocking",
                          "Accept HTTP commands (lock/unlock) from remote Addresses", BRIVAK_BOOL(Security, AllowRemoteUnlocking));
  v->addWidget(chkAllowRemote_);
  v->addWidget(new QLabel(QStringLiteral("Allow remote requests from:"), server));
  memAllowedRemoteIPs_ = new QPlainTextEdit(server);
  memAllowedRemoteIPs_->setObjectName(QStringLiteral("memAllowedRemoteIPs"));
  memAllowedRemoteIPs_->setMaximumHeight(90);
  texts_.push_back({nullptr, memAllowedRemoteIPs_, BRIVAK_TEXT(Security, AllowedRemoteIPs)});
  FilterKeys(memAllowedRemoteIPs_, QStringLiteral("0123456789.*\r\n\b"));
  v->addWidget(memAllowedRemoteIPs_);
  v->addWidget(Note(QStringLiteral("Enter a partial or whole IP address/hostname, one per line.\nThe remote "
                                   "address will need to provide authentication."),
                    server));
  auto* status = Button(QStringLiteral("View Server Status"), server, "btnServerStatus");
  connect(status, &QPushButton::clicked, this, &TfrmOptions::ShowServerStatus);
  v->addWidget(status, 0, Qt::AlignLeft);
  layout->addWidget(server);
  auto* reporting = new QGroupBox(QStringLiteral("Brivak Manager Reporting"), page);
  auto* r = new QVBoxLayout(reporting);
  r->addWidget(Check(reporting, "chkReportSecurityEvents", "Report Security Events", BRIVAK_BOOL(Security, ReportSecurityEvents)));
  r->addWidget(Check(reporting, "chkReportPowerEvents", "Report Power Events", BRIVAK_BOOL(Security, ReportPowerEvents)));
  layout->addWidget(reporting);
  layout->addStretch(1);
  connect(chkAllowRemote_, &QCheckBox::clicked, this,
          [this] { memAllowedRemoteIPs_->setEnabled(chkAllowRemote_->isChecked()); });
  return page;
}

QWidget* TfrmOptions::BuildLogging() {
  auto* page = new QWidget(this);
  auto* layout = PageLayout(page, QStringLiteral("Logging"));
  layout->addWidget(Check(page, "chkLogBadPassword", "Bad Password Attempts", BRIVAK_BOOL(Logging, LogBadPasswords)));
  layout->addWidget(Check(page, "chkLogCDinsertion", "CD or USB insertion", BRIVAK_BOOL(Logging, LogCDinsertion)));
  layout->addWidget(Check(page, "chkLogBrivakStart", "Brivak Start", BRIVAK_BOOL(Logging, LogBrivakStart)));
  layout->addWidget(Check(page, "chkLogBrivakExit", "Brivak Exit", BRIVAK_BOOL(Logging, LogBrivakExit)));
  layout->addWidget(Check(page, "chkLogUnlockUsername", "Record Username of who unlocked Brivak",
                          BRIVAK_BOOL(Logging, LogUserWhoUnlocked)));
  layout->addWidget(Check(page, "chkLogLockUnlock", "Log Brivak Lock/Unlock", BRIVAK_BOOL(Logging, LogLockUnlock)));
  layout->addStretch(1);
  return page;
}

QWidget* TfrmOptions::BuildNotes() {
  auto* page = new QWidget(this);
  auto* layout = PageLayout(page, QStringLiteral("Notes"));
  layout->addWidget(Check(page, "chkAllowNotes", "Let Visitors Leave me a Note", BRIVAK_BOOL(Messages, allowNotes)));
  auto* grid = new QGridLayout;
  grid->addWidget(new QLabel(QStringLiteral("Ask visitor to leave a..."), page), 0, 0);
  grid->addWidget(new QLabel(QStringLiteral("REQUIRE visitor to leave a..."), page), 0, 1);
  QCheckBox* ask[] = {Check(page, "chkAskName", "Name", BRIVAK_BOOL(Messages, askName)),
                      Check(page, "chkAskSubject", "Subject", BRIVAK_BOOL(Messages, askSubject)),
                      Check(page, "chkAskEmail", "Email Address", BRIVAK_BOOL(Messages, askEmail))};
  QCheckBox* req[] = {Check(page, "chkReqName", "Name", BRIVAK_BOOL(Messages, reqName)),
                      Check(page, "chkReqSubject", "Subject", BRIVAK_BOOL(Messages, reqSubject)),
                      Check(page, "chkReqEmail", "Email Address", BRIVAK_BOOL(Messages, reqEmail))};
  for (int i = 0; i < 3; ++i) {
    grid->addWidget(ask[i], i + 1, 0);
    grid->addWidget(req[i], i + 1, 1);
    QCheckBox* a = ask[i];
    QCheckBox* q = req[i];
    connect(q, &QCheckBox::clicked, this, [a, q] {
      if (q->isChecked()) a->setChecked(true);
    });
    connect(a, &QCheckBox::clicked, this, [a, q] {
      if (!a->isChecked()) q->setChecked(false);
    });
  }
  grid->setColumnStretch(2, 1);
  layout->addLayout(grid);
  chkEmailNotes_ = Check(page, "chkEmailNotes", "Send a copy of all messages to my email", BRIVAK_BOOL(Messages, emailNotes));
  layout->addWidget(chkEmailNotes_);
  edNotesEmail_ = new QLineEdit(page);
  edNotesEmail_->setObjectName(QStringLiteral("edNotesEmail"));
  texts_.push_back({edNotesEmail_, nullptr, BRIVAK_TEXT(Messages, emailNotesAddress)});
  layout->addWidget(edNotesEmail_);
  layout->addStretch(1);
  connect(chkEmailNotes_, &QCheckBox::clicked, this, [this] {
    edNotesEmail_->setEnabled(chkEmailNotes_->isChecked());
    if (chkEmailNotes_->isChecked()) edNotesEmail_->setFocus();
  });
  connect(edNotesEmail_, &QLineEdit::editingFinished, this, [this] {
    const std::string text = S(edNotesEmail_->text());
    if (!text.empty() && !ValidEmail(text)) {
      questions_.message(this, QStringLiteral("Brivak"), QStringLiteral("Please enter a valid email address"));
      edNotesEmail_->setFocus();
    }
  });
  return page;
}

QWidget* TfrmOptions::BuildBrivakBar() {
  auto* page = new QWidget(this);
  auto* layout = PageLayout(page, QStringLiteral("BrivakBar"));
  auto* grid = new QGridLayout;
  grid->addWidget(new QLabel(QStringLiteral("Background color:"), page), 0, 0);
  tbBrivakBarColor_ = Button(QStringLiteral("    "), page, "tbBrivakBarColor");
  tbBrivakBarColor_->setFixedWidth(60);
  grid->addWidget(tbBrivakBarColor_, 0, 1);
  grid->addWidget(new QLabel(QStringLiteral("Console &font:"), page), 1, 0);
  auto* fontRow = new QHBoxLayout;
  cboBrivakBarFont_ = new QFontComboBox(page);
  cboBrivakBarFont_->setObjectName(QStringLiteral("cboBrivakBarFont"));
  fontRow->addWidget(cboBrivakBarFont_, 1);
  cboBrivakBarFontSize_ = new QComboBox(page);
  cboBrivakBarFontSize_->setObjectName(QStringLiteral("cboBrivakBarFontSize"));
  cboBrivakBarFontSize_->setEditable(true);
  cboBrivakBarFontSize_->addItems({"7", "8", "9", "10", "12", "14", "16", "18", "20"});
  FilterKeys(cboBrivakBarFontSize_->lineEdit(), QStringLiteral("0123456789\b"));
  fontRow->addWidget(cboBrivakBarFontSize_);
  tbBrivakBarFontColor_ = Button(QStringLiteral("    "), page, "tbBrivakBarFontColor");
  tbBrivakBarFontColor_->setFixedWidth(40);
  fontRow->addWidget(tbBrivakBarFontColor_);
  tbBrivakBarFontBold_ = new QToolButton(page);
  tbBrivakBarFontBold_->setObjectName(QStringLiteral("tbBrivakBarFontBold"));
  tbBrivakBarFontBold_->setText(QStringLiteral("B"));
  tbBrivakBarFontBold_->setCheckable(true);
  fontRow->addWidget(tbBrivakBarFontBold_);
  grid->addLayout(fontRow, 1, 1);
  grid->setColumnStretch(1, 1);
  layout->addLayout(grid);
  layout->addWidget(Check(page, "chkHideBrivakBar", "Minimize the BrivakBar on startup", BRIVAK_BOOL(General, HideBrivakBar)));
  layout->addWidget(Note(QStringLiteral("restore with Windows key or triple right-click"), page));
  layout->addWidget(Check(page, "chkHideOnMinimize", "Always hide instead of minimizing",
                          BRIVAK_BOOL(General, HideBrivakBarOnMinimize)));
  layout->addWidget(Note(QStringLiteral("restore with double-click"), page));
  layout->addWidget(Check(page, "chkDefaultToConsole", "Show status console instead of Minibrowser by default",
                          BRIVAK_BOOL(General, defaultToMemo)));
  layout->addWidget(Check(page, "chkShowSysInfoPanel", "Show System Info Panel", BRIVAK_BOOL(General, showSysInfoPanel)));
  layout->addStretch(1);

  connect(tbBrivakBarColor_, &QPushButton::clicked, this, [this] {
    bool readable = false;
    const QColor color = QColorDialog::getColor(ColorOf(barColorText_, readable), this);
    if (!color.isValid()) return;
    barColorText_ = Q(ColorText(color));
    PaintButton(tbBrivakBarColor_, color);
  });
  connect(tbBrivakBarFontColor_, &QPushButton::clicked, this, [this] {
    bool readable = false;
    const QColor color = QColorDialog::getColor(ColorOf(fontColorText_, readable), this);
    if (!color.isValid()) return;
    fontColorText_ = Q(ColorText(color));
    PaintButton(tbBrivakBarFontColor_, color);
  });
  connect(cboBrivakBarFontSize_, &QComboBox::currentTextChanged, this, [this](const QString& text) {
    bool ok = false;
    const int size = text.toInt(&ok);
    if (!ok || size <= 0) return;  // an empty or unreadable size keeps the font as it is
    QFont font = cboBrivakBarFont_->font();
    font.setPointSize(size);
    cboBrivakBarFont_->setFont(font);
  });
  return page;
}

QWidget* TfrmOptions::BuildRemoteNotify() {
  auto* page = new QWidget(this);
  auto* layout = PageLayout(page, QStringLiteral("Remote Notify"));
  auto* group = new QGroupBox(QStringLiteral("Email SMTP Server"), page);
  auto* grid = new QGridLayout(group);
  const char* labels[] = {"Server:", "Port:", "User name:", "Password:"};
  for (int i = 0; i < 4; ++i) {
    grid->addWidget(new QLabel(QString::fromUtf8(labels[i]), group), i, 0);
    grid->addWidget(new QLineEdit(group), i, 1);
  }
  group->setEnabled(false);
  layout->addWidget(group);
  layout->addWidget(Note(QStringLiteral("Remote notification options are disabled in this Release Candidate.\n\n"
                                        "The feature may be moved to the 3.1 release schedule."),
                         page));
  layout->addStretch(1);
  return page;
}

QWidget* TfrmOptions::BuildAdvanced() {
  auto* page = new QWidget(this);
  auto* layout = PageLayout(page, QStringLiteral("Advanced"));
  layout->addWidget(Check(page, "chkHideBrowserScrollbars", "Hide Scrollbars in HTML mode", BRIVAK_BOOL(Advanced, noBrowserScrollBars)));
  layout->addWidget(Check(page, "chkHideBrowserBorder", "Hide Border in HTML mode", BRIVAK_BOOL(Advanced, noBrowserBorder)));
  layout->addWidget(Check(page, "chkHideBrowserSelection", "Prevent User from selecting items in HTML mode",
                          BRIVAK_BOOL(Advanced, noBrowserSelect)));
  layout->addWidget(Check(page, "chkAlwaysUseCodeEditor", "Always use Code Editor when modifying layouts",
                          BRIVAK_BOOL(General, alwaysUseCodeEditor)));
  layout->addWidget(Check(page, "chkMinimizeWindowsBeforeLock", "Minimize All Windows before Locking",
                          BRIVAK_BOOL(Security, MinimizeWindowsBeforeLock)));
  layout->addWidget(Check(page, "chkMuteNavigationSounds", "Mute Navigation Sounds", BRIVAK_BOOL(Advanced, disableNavSounds)));
  layout->addWidget(Check(page, "chkScreenSaverExit", "ScreenSaver Mode: A simple mouse wiggle will unlock Brivak",
                          BRIVAK_BOOL(Advanced, screenSaverExit)));
  layout->addWidget(Check(page, "chkUSBprompt", "Prompt to make Brivak disc on USB insertion", BRIVAK_BOOL(Security, USBprompt)));
  layout->addStretch(1);
  return page;
}

QWidget* TfrmOptions::BuildDeployment() {
  auto* page = new QWidget(this);
  auto* layout = PageLayout(page, QStringLiteral("Deployment"));
  auto* row = new QHBoxLayout;
  row->addWidget(new QLabel(QStringLiteral("Master IP:"), page));
  edtMasterIP2_ = new QLineEdit(page);
  edtMasterIP2_->setObjectName(QStringLiteral("edtMasterIP2"));
  FilterKeys(edtMasterIP2_, QStringLiteral("0123456789.*\r\n\b"));
  texts_.push_back({edtMasterIP2_, nullptr, BRIVAK_TEXT(Security, masterIP)});
  row->addWidget(edtMasterIP2_, 1);
  layout->addLayout(row);
  // Leaving the box stores the address (in the dialog's copy: Cancel forgets it).
  connect(edtMasterIP2_, &QLineEdit::editingFinished, this,
          [this] { draft_.Security.masterIP = S(edtMasterIP2_->text()); });
  layout->addStretch(1);
  return page;
}

QWidget* TfrmOptions::BuildLocation() {
  auto* page = new QWidget(this);
  auto* layout = PageLayout(page, QStringLiteral("Location"));
  auto* grid = new QGridLayout;
  const struct {
    const char* name;
    const char* caption;
    std::string& (*field)(TBrivakSettings&);
  } boxes[] = {{"edtLatitude", "Latitude", BRIVAK_TEXT(General, Latitude)},
               {"edtLongitude", "Longitude", BRIVAK_TEXT(General, Longitude)},
               {"edtCity", "City", BRIVAK_TEXT(General, city)},
               {"edtState", "State", BRIVAK_TEXT(General, state)}};
  int i = 0;
  for (const auto& b : boxes) {
    grid->addWidget(new QLabel(QString::fromUtf8(b.caption), page), i, 0);
    auto* edit = new QLineEdit(page);
    edit->setObjectName(QString::fromUtf8(b.name));
    texts_.push_back({edit, nullptr, b.field});
    grid->addWidget(edit, i, 1);
    ++i;
  }
  layout->addLayout(grid);
  layout->addStretch(1);
  return page;
}

// ---- Navigation ----------------------------------------------------------------------------------

void TfrmOptions::ShowPage(int page) {
  for (int i = 0; i < tv_->topLevelItemCount(); ++i) {
    QTreeWidgetItem* item = tv_->topLevelItem(i);
    if (item->data(0, Qt::UserRole).toInt() == page && tv_->currentItem() != item) {
      tv_->setCurrentItem(item);
      return;  // the tree's change shows the page
    }
  }
  nb_->setCurrentIndex(page);
}

int TfrmOptions::CurrentPage() const { return nb_->currentIndex(); }
QWidget* TfrmOptions::Page(int page) const { return pages_.at(static_cast<std::size_t>(page)); }

std::vector<std::pair<QString, int>> TfrmOptions::TreeEntries() const {
  std::vector<std::pair<QString, int>> entries;
  for (int i = 0; i < tv_->topLevelItemCount(); ++i) {
    entries.emplace_back(tv_->topLevelItem(i)->text(0), tv_->topLevelItem(i)->data(0, Qt::UserRole).toInt());
  }
  return entries;
}

// ---- Settings and controls -----------------------------------------------------------------------

int TfrmOptions::ReadIndex(QComboBox* box, int value, int fallback, const char* key) {
  if (value >= 0 && value < box->count()) return value;
  ports_.log.Mem(std::string("Options: the stored ") + key + " (" + std::to_string(value) +
                 ") cannot be shown; the dialog shows the default.");
  return fallback;
}

void TfrmOptions::SettingsToControls() {
  auto& log = ports_.log;
  log.Debug("OP.settingsToControls");
  for (auto& c : checks_) c.box->setChecked(c.field(draft_));
  for (auto& s : spins_) s.box->setValue(s.get(draft_));
  for (auto& t : texts_) {
    const QString text = Q(t.field(draft_));
    if (t.line) t.line->setText(text);
    if (t.memo) t.memo->setPlainText(QString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
  }

  cboKey_->setCurrentIndex(ReadIndex(cboKey_, draft_.General.hkHotKeyIndex, 18, "hkHotKeyIndex"));
  cboStartupMode_->setCurrentIndex(ReadIndex(cboStartupMode_, draft_.General.StartupMode, 1, "StartupMode"));
  const int unlock = ReadIndex(cboUnlockMechanism_, draft_.Security.unlockMode, 0, "unlockMode");
  cboUnlockMechanism_->setCurrentIndex(unlock);
  pgUnlockMech_->setCurrentIndex(unlock);
  cboUpdates_->setCurrentIndex(!draft_.General.CheckForUpdates ? 0 : draft_.General.WantsBetas ? 2 : 1);
  UpdateHotKey();

  memAllowedRemoteIPs_->setEnabled(chkAllowRemote_->isChecked());
  edNotesEmail_->setEnabled(chkEmailNotes_->isChecked());

  // The bar: colours and font as stored; what cannot be read opens with the default.
  barColorText_ = Q(draft_.BrivakBar.color);
  bool readable = false;
  QColor barColor = ColorOf(barColorText_, readable);
  if (!readable) {
    log.Mem("Options: the stored BrivakBar color \"" + draft_.BrivakBar.color + "\" cannot be read; the default is shown.");
    barColorText_ = QString::fromUtf8(kDefaultBarColor);
    barColor = ColorOf(barColorText_, readable);
  }
  PaintButton(tbBrivakBarColor_, barColor);
  FontSpec font;
  try {
    SetFontFromID(font, draft_.BrivakBar.statusFont);
  } catch (const std::exception&) {
    log.Mem("Options: the stored statusFont \"" + draft_.BrivakBar.statusFont + "\" cannot be read; the default is shown.");
    SetFontFromID(font, kDefaultStatusFont);
  }
  fontColorText_ = Q(font.color);
  QColor fontColor = ColorOf(fontColorText_, readable);
  if (!readable) {
    log.Mem("Options: the stored font colour \"" + font.color + "\" cannot be read; the default is shown.");
    fontColorText_ = QStringLiteral("clLime");
    fontColor = ColorOf(fontColorText_, readable);
  }
  PaintButton(tbBrivakBarFontColor_, fontColor);
  cboBrivakBarFont_->setCurrentFont(QFont(Q(font.name)));
  cboBrivakBarFontSize_->setCurrentText(QString::number(font.size));
  cboBrivakBarFont_->setStyleSheet(QStringLiteral("QFontComboBox { background: %1; color: %2; }")
                                       .arg(barColor.name(), fontColor.name()));
  tbBrivakBarFontBold_->setChecked(false);

  log.Debug("OP.settingsToControls.LayoutMode");
  const bool html = draft_.General.LayoutMode != 0;
  (html ? radLayoutHTML_ : radLayoutNormal_)->setChecked(true);
  log.Debug("OP.SelectLayoutFile");
  ListLayoutKind(html);
  log.Debug("OP.settingsToControls.SelectLayoutFile end");
  log.Debug("OP.settingsToControls.ReadSSinfo");
  MultiUserRule();
}

void TfrmOptions::ControlsToSettings() {
  ports_.log.Debug("OP.ControlsToSettings");
  for (auto& c : checks_) c.field(draft_) = c.box->isChecked();
  for (auto& s : spins_) {
    s.box->interpretText();
    s.set(draft_, s.box->value());
  }
  for (auto& t : texts_) {
    if (t.line) t.field(draft_) = S(t.line->text());
    if (t.memo) t.field(draft_) = S(t.memo->toPlainText().replace(QStringLiteral("\n"), QStringLiteral("\r\n")));
  }
  draft_.General.hkHotKeyIndex = cboKey_->currentIndex();
  draft_.General.StartupMode = cboStartupMode_->currentIndex();
  draft_.Security.unlockMode = cboUnlockMechanism_->currentIndex();
  draft_.General.LayoutMode = radLayoutNormal_->isChecked() ? 0 : 1;
  if (QTreeWidgetItem* saver = sslv_->currentItem(); saver && saver->isSelected()) {
    draft_.ScreenSavers.defaultSaver = S(saver->text(1));
  }
  draft_.Messages.awayMessages = core::AwayMessagesText(presets_);

  // The font: name "Tahoma", the size box's number, the font colour, bold when the toggle is down.
  FontSpec font;
  try {
    SetFontFromID(font, draft_.BrivakBar.statusFont);
  } catch (const std::exception&) {
    SetFontFromID(font, kDefaultStatusFont);
  }
  font.name = "Tahoma";
  bool ok = false;
  const int size = cboBrivakBarFontSize_->currentText().toInt(&ok);
  if (ok && size > 0) font.size = size;
  font.bold = tbBrivakBarFontBold_->isChecked();
  font.italic = font.underline = font.strikeout = false;
  font.color = S(fontColorText_);
  draft_.BrivakBar.statusFont = GetFontID(font);
  draft_.BrivakBar.color = S(barColorText_);
}

void TfrmOptions::UpdateHotKey() {
  std::string text;
  if (findChild<QCheckBox*>(QStringLiteral("chkCtrl"))->isChecked()) text += "Ctrl + ";
  if (findChild<QCheckBox*>(QStringLiteral("chkAlt"))->isChecked()) text += "Alt + ";
  if (findChild<QCheckBox*>(QStringLiteral("chkShift"))->isChecked()) text += "Shift + ";
  if (findChild<QCheckBox*>(QStringLiteral("chkWindows"))->isChecked()) text += "Win + ";
  lblHotkey_->setText(Q(text) + cboKey_->currentText());
}

void TfrmOptions::UpdatesChosen(int index) {
  chkCheckForUpdates_->setChecked(index >= 1);
  chkBetaVersions_->setChecked(index == 2);
}

void TfrmOptions::UnlockMethodChosen(int index) {
  pgUnlockMech_->setCurrentIndex(index);
  if (index == 0) chkMultiUser_->setChecked(false);
  if (index == 1) chkMultiUser_->setChecked(true);
  MultiUserRule();
}

void TfrmOptions::MultiUserRule() {
  const bool multi = chkMultiUser_->isChecked();
  const bool row = usersLV_->currentItem() != nullptr && usersLV_->currentItem()->isSelected();
  usersLV_->setEnabled(multi);
  grpUserRights_->setEnabled(multi);
  btnAddUser_->setEnabled(multi);
  btnEditUser_->setEnabled(multi && row);
  btnDeleteUser_->setEnabled(multi && row);
}

void TfrmOptions::btnOKClick() {
  ControlsToSettings();
  // Validation first: nothing is applied or saved while it refuses.
  if (draft_.Security.MultiUser && !HasOneAdmin(ports_.users.LoadUserList(ports_.log))) {
    questions_.message(this, QStringLiteral("No User Accounts"),
                       QStringLiteral("In order to use multi-user mode, you must have at least 1 Admin account.\r\n\r\n"
                                      "Please add one user account by clicking the Add User button."));
    ShowPage(3);
    btnAddUser_->setFocus();
    return;
  }
  const std::string error = ports_.apply ? ports_.apply(draft_) : std::string();
  if (!error.empty()) {
    questions_.message(this, QStringLiteral("Brivak"), QStringLiteral("The settings could not be saved: ") + Q(error));
    return;
  }
  accept();
}

// ---- Accounts ------------------------------------------------------------------------------------

void TfrmOptions::LoadUserList() {
  users_ = ports_.users.LoadUserList(ports_.log);
  usersLV_->clear();
  for (const UserRow& user : users_) {
    new QTreeWidgetItem(usersLV_, QStringList{Q(user.name), QStringLiteral("********"), Q(user.permissionName)});
  }
  MultiUserRule();
}

void TfrmOptions::btnAddUserClick() {
  EditUserRequest request{true, "Add User", "", kLevelNone};
  if (auto result = RunEditUserDialog(this, request)) ApplyEditUser(ports_.users, request, *result);
  LoadUserList();
  usersLV_->setFocus();
}

void TfrmOptions::btnEditUserClick() {
  const int row = usersLV_->currentItem() ? usersLV_->indexOfTopLevelItem(usersLV_->currentItem()) : -1;
  if (row < 0 || row >= static_cast<int>(users_.size())) return;
  const UserRow& user = users_[static_cast<std::size_t>(row)];
  EditUserRequest request{false, "Edit User", user.name, PermissionsToInt(user.permissionName)};
  if (auto result = RunEditUserDialog(this, request)) ApplyEditUser(ports_.users, request, *result);
  LoadUserList();
  usersLV_->setFocus();
}

void TfrmOptions::btnDeleteUserClick() {
  const int row = usersLV_->currentItem() ? usersLV_->indexOfTopLevelItem(usersLV_->currentItem()) : -1;
  if (row < 0 || row >= static_cast<int>(users_.size())) return;
  std::vector<UserRow> rows = users_;
  rows.erase(rows.begin() + row);
  ports_.users.SaveUserList(rows);
  LoadUserList();
  usersLV_->setFocus();
}

// ---- Server status -------------------------------------------------------------------------------

void TfrmOptions::ShowServerStatus() {
  QDialog status(this);
  status.setWindowTitle(QStringLiteral("Server Status"));
  auto* layout = new QVBoxLayout(&status);
  auto* group = new QGroupBox(QStringLiteral("Brivak 3.0"), &status);
  auto* v = new QVBoxLayout(group);
  v->addWidget(new QLabel(QStringLiteral("Recent commands:"), group));
  auto* text = new QPlainTextEdit(group);
  text->setReadOnly(true);
  text->setObjectName(QStringLiteral("memServerStatus"));
  QStringList lines;
  if (ports_.recentCommands) {
    for (const std::string& line : ports_.recentCommands()) lines << Q(line);
  }
  text->setPlainText(lines.join(QStringLiteral("\n")));
  v->addWidget(text);
  layout->addWidget(group);
  auto* ok = Button(QStringLiteral("OK"), &status, "btnStatusOK");
  connect(ok, &QPushButton::clicked, &status, &QDialog::accept);
  layout->addWidget(ok, 0, Qt::AlignRight);
  status.resize(560, 360);
  status.exec();
}

// ---- Keys ----------------------------------------------------------------------------------------

bool TfrmOptions::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress) {
    auto* key = static_cast<QKeyEvent*>(event);
    const QString text = key->text();
    for (QChar c : text) {
      if (c.unicode() > 255) return true;  // refused everywhere
    }
    for (const auto& [editor, allowed] : keyFilters_) {
      if (editor != watched || text.isEmpty()) continue;
      if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter || key->key() == Qt::Key_Backspace) break;
      if (!text.at(0).isPrint()) break;  // navigation and control keys pass
      if (!allowed.contains(text.at(0))) return true;
    }
  }
  return QDialog::eventFilter(watched, event);
}

void TfrmOptions::keyReleaseEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_F1) {
    ports_.log.Mem("options HELP");
    return;
  }
  QDialog::keyReleaseEvent(event);
}

#undef BRIVAK_BOOL
#undef BRIVAK_TEXT

}  // namespace brivak::ui
