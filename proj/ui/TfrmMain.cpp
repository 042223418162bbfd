#include "proj/ui/TfrmMain.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPalette>
#include <QScreen>
#include <QSocketNotifier>
#include <QToolButton>

#include "proj/core/SlfLayout.h"
#include "proj/ui/SlfPanel.h"

namespace brivak::ui {

namespace {

// The Qt key of an event as the key decision knows it.
core::LockKey ToLockKey(int key) {
  switch (key) {
    case Qt::Key_Escape: return core::LockKey::Escape;
    case Qt::Key_Tab:
    case Qt::Key_Backtab: return core::LockKey::Tab;
    case Qt::Key_F1: return core::LockKey::F1;
    case Qt::Key_F4: return core::LockKey::F4;
    case Qt::Key_Super_L:
    case Qt::Key_Meta: return core::LockKey::LeftWin;
    case Qt::Key_Super_R: return core::LockKey::RightWin;
    default: return core::LockKey::Other;
  }
}

QMessageBox::Icon ToQtIcon(core::MessageIcon icon) {
  switch (icon) {
    case core::MessageIcon::Information: return QMessageBox::Information;
    case core::MessageIcon::Warning: return QMessageBox::Warning;
    case core::MessageIcon::Stop: return QMessageBox::Critical;
  }
  return QMessageBox::NoIcon;
}

}  // namespace

TfrmMain::TfrmMain(LockWindowPorts ports)
    : QWidget(nullptr, LockWindowFlags()), ports_(std::move(ports)), covers_(ports_.log), grabs_(ports_.guard, ports_.log) {
  setObjectName(QStringLiteral("frmMain"));
  setWindowTitle(QStringLiteral("Brivak 3.1"));
  setAttribute(Qt::WA_DeleteOnClose, false);
  setAutoFillBackground(true);
  QPalette black = palette();
  black.setColor(QPalette::Window, Qt::black);
  setPalette(black);

  panel_ = new SlfPanel(this, &ports_.log);
  panel_->setObjectName(QStringLiteral("panMain"));
  connect(panel_, &SlfPanel::okClicked, this, [this](const QString& user, const QString& password) {
    if (events_) events_->OnUnlockOk(user.toStdString(), password.toStdString());
  });
  connect(panel_, &SlfPanel::changePasswordClicked, this, [this] {
    if (events_) events_->OnChangePassword();
  });
  connect(panel_, &SlfPanel::leaveMessageClicked, this, [this] {
    if (events_) events_->OnLeaveMessage();
  });

  lblTimeToLock_ = new QLabel(this);
  lblTimeToLock_->setObjectName(QStringLiteral("lblTimeToLock"));
  lblTimeToLock_->setStyleSheet(QStringLiteral("color: #ffffff; background: transparent;"));
  lblTimeToLock_->hide();

  // The lock-screen menu: what this build carries is enabled, the rest is shown disabled.
  menu_ = new QMenu(this);
  menu_->setObjectName(QStringLiteral("lockMenu"));
  QAction* unlock = menu_->addAction(QStringLiteral("Unlock Brivak"));
  unlock->setObjectName(QStringLiteral("mnuUnlock"));
  connect(unlock, &QAction::triggered, this, [this] {
    if (events_) events_->UnlockBrivak();
  });
  QAction* unlockExit = menu_->addAction(QStringLiteral("Unlock && Exit"));
  unlockExit->setObjectName(QStringLiteral("mnuUnlockExit"));
  connect(unlockExit, &QAction::triggered, this, [this] {
    if (events_) events_->UnlockAndExit();
  });
  menu_->addSeparator();
  for (const char* later : {"Options", "Brivak Logs", "View Messages", "Leave a Message", "Change Away Message",
                            "Layouts", "Screen Savers", "Stand By", "Hibernate", "Suspend Network"}) {
    menu_->addAction(QString::fromUtf8(later))->setEnabled(false);
  }

  menuButton_ = new QToolButton(this);
  menuButton_->setObjectName(QStringLiteral("menuButton"));
  menuButton_->setText(QStringLiteral("Brivak 3.1"));
  menuButton_->setFocusPolicy(Qt::NoFocus);
  menuButton_->setStyleSheet(QStringLiteral("color: #c0c0c0; background: #202020; border: 1px solid #404040;"));
  connect(menuButton_, &QToolButton::clicked, this, &TfrmMain::OpenMenu);

  lockTimer_.setInterval(1000);
  connect(&lockTimer_, &QTimer::timeout, this, &TfrmMain::OnTick);

  // Keys reach the focused edit first: look at them before any widget of this window does.
  qApp->installEventFilter(this);
  if (ports_.front && ports_.front->EventFd() >= 0) {
    frontNotifier_ = std::make_unique<QSocketNotifier>(ports_.front->EventFd(), QSocketNotifier::Read);
    connect(frontNotifier_.get(), &QSocketNotifier::activated, this, [this] { ports_.front->Pump(); });
  }
  WatchScreens();
  LayoutChrome();
}

TfrmMain::~TfrmMain() {
  qApp->removeEventFilter(this);
  if (ports_.front) ports_.front->Stop();
  frontNotifier_.reset();
  events_ = nullptr;
  grabs_.Stop();
  covers_.ReleaseAll();
}

void TfrmMain::SetEvents(core::LockEvents* events) { events_ = events; }

// --- Prompts ---

void TfrmMain::AfterModal() {
  grabs_.Retake();
  if (isVisible()) {
    raise();
    covers_.RaiseAll();
  }
}

bool TfrmMain::RunFirstTimeDialog() {
  const bool stored = ui::RunFirstTimeDialog(isVisible() ? this : nullptr, ports_.passwords);
  AfterModal();
  return stored;
}

bool TfrmMain::Authorize(const std::string& activity, int level) {
  const bool granted = ui::Authorize(this, ports_.passwords, activity, level);
  AfterModal();
  return granted;
}

// Not modal: a locked, unattended screen must not stack one nested event loop per message (each
// refused remote unlock brings one), nor hold back the commands that follow (a good unlock) until
// someone clicks OK. A new message replaces the one still shown. Its closing takes the grabs again
// (GrabKeeper watches our dialogs).
void TfrmMain::MessageBox(const std::string& text, const std::string& caption, core::MessageIcon icon) {
  if (messageBox_) messageBox_->close();
  auto* box = new QMessageBox(ToQtIcon(icon), QString::fromStdString(caption), QString::fromStdString(text),
                              QMessageBox::Ok, this);
  box->setAttribute(Qt::WA_DeleteOnClose);
  box->setWindowModality(Qt::NonModal);
  messageBox_ = box;
  box->show();
  box->raise();
  box->activateWindow();
}

// Modal, as its answer decides what follows; the grabs come back once it closes.
bool TfrmMain::Confirm(const std::string& text, const std::string& caption, core::MessageIcon icon) {
  QMessageBox box(ToQtIcon(icon), QString::fromStdString(caption), QString::fromStdString(text),
                  QMessageBox::Ok | QMessageBox::Cancel, this);
  box.setWindowFlag(Qt::WindowStaysOnTopHint, true);
  const bool ok = box.exec() == QMessageBox::Ok;
  AfterModal();
  return ok;
}

bool TfrmMain::RunChangePasswordDialog() {
  const bool changed = ui::RunChangePasswordDialog(this, ports_.passwords);
  AfterModal();
  return changed;
}

// Both open as children of this window, so that they show above the lock and get the keyboard
// through its grab; no other program can reach the input meanwhile.
void TfrmMain::RunOptionsDialog() {
  if (ports_.optionsDialog) ports_.optionsDialog(this);
  AfterModal();
}

void TfrmMain::RunLogViewer() {
  if (ports_.logViewer) ports_.logViewer(this);
  AfterModal();
}

// --- Window and layout ---

std::vector<core::MonitorInfo> TfrmMain::Monitors() const {
  return ports_.monitors ? ports_.monitors() : QtMonitors();
}

void TfrmMain::ShowLockScreen() {
  const core::CoveragePlan plan = core::PlanCoverage(Monitors());
  const core::ScreenRect& r = plan.lockScreen;
  if (r.width > 0 && r.height > 0) setGeometry(r.left, r.top, r.width, r.height);
  startMs_ = ports_.clock.MonotonicMs();
  show();
  raise();
  activateWindow();
  lockTimer_.start();
  // From now on a window of another program shown above the lock is answered at once.
  if (ports_.front) ports_.front->Start();
}

void TfrmMain::ApplySlfLayout(const std::string& path, const std::string& awayMessage) {
  core::SlfLoadOptions options;
  options.dataFolder = ports_.dataFolder;
  options.awayMessage = awayMessage;
  const core::SlfLayout layout = core::LoadSlfLayoutFile(path, options);
  for (const core::SlfProblem& problem : layout.problems) {
    ports_.log.Mem("Layout " + path + " [" + problem.section + "]: " + problem.message);
  }
  panel_->Apply(layout);
  LayoutChrome();
}

void TfrmMain::FreeCreatedControls() { panel_->FreeCreated(); }

void TfrmMain::FillScreen() {
  followScreens_ = true;
  covers_.FillScreen(*this, Monitors());
  raise();
  LayoutChrome();
}

void TfrmMain::ReleaseCovers() {
  followScreens_ = false;
  covers_.ReleaseAll();
}

void TfrmMain::WatchScreens() {
  auto watch = [this](QScreen* screen) {
    connect(screen, &QScreen::geometryChanged, this, &TfrmMain::ScreensChanged);
  };
  for (QScreen* screen : QGuiApplication::screens()) watch(screen);
  connect(qApp, &QGuiApplication::screenAdded, this, [this, watch](QScreen* screen) {
    watch(screen);
    ScreensChanged();
  });
  connect(qApp, &QGuiApplication::screenRemoved, this, &TfrmMain::ScreensChanged);
  connect(qApp, &QGuiApplication::primaryScreenChanged, this, &TfrmMain::ScreensChanged);
}

// Several signals arrive for one change: cover once, on the next turn of the loop.
void TfrmMain::ScreensChanged() {
  if (!followScreens_ || screenChangePending_) return;
  screenChangePending_ = true;
  QMetaObject::invokeMethod(
      this,
      [this] {
        screenChangePending_ = false;
        if (followScreens_ && !closing_) FillScreen();
      },
      Qt::QueuedConnection);
}

// --- Input ---

bool TfrmMain::TakeInputGrabs() {
  grabs_.Start(static_cast<platform::NativeWindow>(winId()));
  return grabs_.State().AllHeld();
}

void TfrmMain::ReleaseInputGrabs() { grabs_.Stop(); }

// --- Unlock box and looks ---

void TfrmMain::FocusBox() {
  if (isVisible()) activateWindow();
  panel_->FocusBox();
}

void TfrmMain::ClearPassword() { panel_->ClearPassword(); }

void TfrmMain::ClearBoth() { panel_->ClearBoth(); }

void TfrmMain::ShowCountdown(const std::string& text) {
  lblTimeToLock_->setText(QString::fromStdString(text));
  lblTimeToLock_->adjustSize();
  LayoutChrome();
  lblTimeToLock_->show();
  lblTimeToLock_->raise();
}

void TfrmMain::HideCountdown() { lblTimeToLock_->hide(); }

void TfrmMain::SetLockedLook(bool locked) {
  locked_ = locked;
  menuButton_->setText(locked ? QStringLiteral("Brivak 3.1") : QStringLiteral("Brivak 3.1 (unlocked)"));
  menuButton_->adjustSize();
  LayoutChrome();
}

void TfrmMain::BringToFront() {
  show();
  raise();
  covers_.RaiseAll();
  FocusBox();
}

void TfrmMain::CloseWindow() {
  closing_ = true;
  events_ = nullptr;
  if (ports_.front) ports_.front->Stop();
  lockTimer_.stop();
  followScreens_ = false;
  grabs_.Stop();
  covers_.ReleaseAll();
  menu_->hide();
  if (messageBox_) messageBox_->close();
  hide();
}

void TfrmMain::OpenMenu() {
  if (closing_) return;
  menu_->popup(mapToGlobal(menuButton_->geometry().topLeft()));
}

bool TfrmMain::HandleLockKey(const core::KeyEvent& event) {
  if (!events_ || closing_) return false;
  const core::KeyDecision decision = events_->OnLockKey(event);
  if (decision.openMenu) {
    QMetaObject::invokeMethod(this, &TfrmMain::OpenMenu, Qt::QueuedConnection);
    return true;
  }
  // The session opens "Unlock & Exit" itself; the key goes no further.
  return decision.drop || decision.unlockAndExit;
}

// --- Events ---

void TfrmMain::closeEvent(QCloseEvent* event) {
  if (closing_ || !events_ || events_->OnCloseQuery()) {
    event->accept();
    return;
  }
  event->ignore();
}

bool TfrmMain::eventFilter(QObject* watched, QEvent* event) {
  const QEvent::Type type = event->type();
  if ((type != QEvent::KeyPress && type != QEvent::KeyRelease) || !watched->isWidgetType()) {
    return QWidget::eventFilter(watched, event);
  }
  auto* widget = static_cast<QWidget*>(watched);
  if (widget->window() != this) return QWidget::eventFilter(watched, event);
  auto* key = static_cast<QKeyEvent*>(event);
  if (key->key() == Qt::Key_F1) f1Held_ = type == QEvent::KeyPress;
  if (type == QEvent::KeyRelease) return QWidget::eventFilter(watched, event);
  if (key->key() == Qt::Key_F5 && key->modifiers() == Qt::NoModifier) {
    OpenMenu();
    return true;
  }
  core::KeyEvent lockKey;
  lockKey.key = ToLockKey(key->key());
  lockKey.down = true;
  lockKey.altHeld = key->modifiers().testFlag(Qt::AltModifier);
  lockKey.ctrlHeld = key->modifiers().testFlag(Qt::ControlModifier);
  lockKey.f1Held = f1Held_;
  if (HandleLockKey(lockKey)) return true;
  return QWidget::eventFilter(watched, event);
}

void TfrmMain::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  LayoutChrome();
}

void TfrmMain::LayoutChrome() {
  panel_->setGeometry(rect());
  menuButton_->adjustSize();
  menuButton_->move(4, height() - menuButton_->height() - 4);
  menuButton_->raise();
  lblTimeToLock_->adjustSize();
  lblTimeToLock_->move(width() - lblTimeToLock_->width() - 8, height() - lblTimeToLock_->height() - 8);
}

void TfrmMain::OnTick() {
  if (closing_) return;
  if (events_) events_->OnLockTimer();
  if (closing_) return;  // the tick may have ended the lock
  const std::int64_t now = ports_.clock.MonotonicMs();
  const std::int64_t systemUp =
      ports_.systemUptimeSeconds ? ports_.systemUptimeSeconds() : now / 1000;
  panel_->Tick(ports_.clock.Local(), (now - startMs_) / 1000, systemUp);
}

}  // namespace brivak::ui
