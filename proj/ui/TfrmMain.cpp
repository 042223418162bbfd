#include "proj/ui/TfrmMain.h"

#include <QAction>
#include <QApplication>
#include <QCursor>
#include <QDesktopServices>
#include <QDialog>
#include <QDialogButtonBox>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QUrl>
#include <QVBoxLayout>
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
#include "proj/core/SlfValues.h"
#include "proj/ui/BrivakBar.h"
#include "proj/ui/HelpViewer.h"
#include "proj/ui/MessageDialogs.h"
#include "proj/ui/SlfPanel.h"
#include "proj/ui/SlfStyle.h"

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

// `pop1`: a menu with a vertical side caption along its left edge.
class SideCaptionMenu : public QMenu {
 public:
  static constexpr int kStrip = 22;
  SideCaptionMenu(const QString& caption, QWidget* parent) : QMenu(parent), caption_(caption) {
    setContentsMargins(kStrip, 0, 0, 0);
  }

 protected:
  void paintEvent(QPaintEvent* event) override {
    QMenu::paintEvent(event);
    QPainter p(this);
    p.fillRect(QRect(0, 0, kStrip, height()), QColor(0x10, 0x30, 0x70));
    p.setPen(Qt::white);
    QFont font = p.font();
    font.setBold(true);
    p.setFont(font);
    p.translate(kStrip - 6, height() - 6);
    p.rotate(-90);
    p.drawText(0, 0, caption_);
  }

 private:
  QString caption_;
};

QColor BarColor(const std::string& setting) {
  const auto color = core::ParseSlfColor(setting.empty() ? std::string("$00303030") : setting);
  return SlfQColor(color ? *color : 0x303030);
}

// The function key of a Qt key (1..12), or 0.
int FunctionKey(int key) { return key >= Qt::Key_F1 && key <= Qt::Key_F12 ? key - Qt::Key_F1 + 1 : 0; }

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

  connect(panel_, &SlfPanel::messageCountClicked, this, [this] {
    if (events_) events_->OnMessageCountClicked();
  });

  const auto& settings = ports_.passwords.settings;
  bar_ = new BrivakBar(this, BarColor(settings.BrivakBar.color));
  bar_->ShowConsolePage(settings.General.defaultToMemo);
  bar_->SetOptionsAvailable(core::CommandAvailable(core::LockMenuCommand::Options));
  bar_->onMenu = [this] {
    if (menu_->isVisible()) {
      menu_->hide();
    } else {
      OpenMenu();
    }
  };
  bar_->onMinimize = [this] {
    if (ports_.passwords.settings.General.HideBrivakBarOnMinimize) {
      bar_->hide();
    } else {
      bar_->ToggleCollapsed();
    }
  };
  bar_->onOptions = [this] {
    if (events_) events_->OnMenuCommand(core::LockMenuCommand::Options);
  };
  bar_->onConsoleToggle = [this] {
    if (events_) events_->OnConsoleToggle();
  };
  bar_->onNetwork = [this] {
    if (events_) events_->OnNetworkButton();
  };
  bar_->onHelp = [this] {
    if (events_) events_->OnMenuCommand(core::LockMenuCommand::HelpManual);
  };
  bar_->onIdleClicked = [this] {
    if (events_) events_->OnIdleLabelClicked();
  };
  BuildMenu();

  setMouseTracking(true);
  panel_->setMouseTracking(true);
  lockTimer_.setInterval(1000);
  connect(&lockTimer_, &QTimer::timeout, this, &TfrmMain::OnTick);
  brivakTimer_.setInterval(1000);
  connect(&brivakTimer_, &QTimer::timeout, this, &TfrmMain::OnStatusTimer);

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
  ShowLiveLabels();  // the clocks show the time at once, not after the first tick
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
  // The start of a lock, a lock again after being unlocked in place, unlocked in place.
  const bool again = locked && !locked_;
  locked_ = locked;
  bar_->SetMenuLook(!locked ? BrivakBar::MenuLook::Unlocked
                            : again ? BrivakBar::MenuLook::Relocked : BrivakBar::MenuLook::Start);
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
  brivakTimer_.stop();
  menu_->hide();
  if (messageBox_) messageBox_->close();
  hide();
}

void TfrmMain::BuildMenu() {
  auto* menu = new SideCaptionMenu(QString::fromUtf8(core::kLockMenuSideCaption), this);
  menu_ = menu;
  menu_->setObjectName(QStringLiteral("pop1"));
  connect(menu_, &QMenu::aboutToHide, this, [this] { bar_->MenuButton()->setChecked(false); });
  const auto add = [this](QMenu* into, const core::LockMenuItem& item, const auto& self) -> void {
    const QString caption = QString::fromStdString(item.caption);
    const bool available = core::LockFeatureAvailable(item.feature);
    if (!item.children.empty() || item.submenu) {
      QMenu* sub = into->addMenu(caption);
      sub->setEnabled(available);
      for (const core::LockMenuItem& child : item.children) self(sub, child, self);
      if (item.command == core::LockMenuCommand::ScreenSavers) FillScreenSaversMenu(sub);
      return;
    }
    QAction* action = into->addAction(caption);
    action->setEnabled(available);
    menuActions_.emplace_back(item.command, action);
    const core::LockMenuCommand command = item.command;
    connect(action, &QAction::triggered, this, [this, command] {
      if (events_) events_->OnMenuCommand(command);
    });
  };
  const auto& items = core::LockMenuItems();
  for (std::size_t i = 0; i < items.size(); ++i) {
    // Separators before "Options" and before "Unlock Brivak".
    if (items[i].command == core::LockMenuCommand::Options || items[i].command == core::LockMenuCommand::UnlockBrivak) {
      menu_->addSeparator();
    }
    add(menu_, items[i], add);
  }
}

// `ScreenSaversIntoMenu` and `screensaverClick`: one entry per line of screensavers.dat, read
// afresh whenever the submenu opens (the first lock's search writes the file after the window
// exists); the hint is the saver's path.
void TfrmMain::FillScreenSaversMenu(QMenu* sub) {
  sub->setObjectName(QStringLiteral("ScreenSavers1"));
  sub->setToolTipsVisible(true);
  connect(sub, &QMenu::aboutToShow, this, [this, sub] {
    sub->clear();
    if (!ports_.screenSavers) return;
    for (const core::SaverMenuEntry& entry : ports_.screenSavers()) {
      QAction* action = sub->addAction(QString::fromStdString(entry.caption));
      action->setObjectName(QString::fromStdString(entry.name));
      action->setToolTip(QString::fromStdString(entry.path));
      connect(action, &QAction::triggered, this, [this, path = entry.path] {
        if (ports_.runScreenSaver) ports_.runScreenSaver(path);
      });
    }
  });
}

QMenu* TfrmMain::ScreenSaversMenu() const {
  return menu_ ? menu_->findChild<QMenu*>(QStringLiteral("ScreenSavers1")) : nullptr;
}

QAction* TfrmMain::MenuAction(core::LockMenuCommand command) const {
  for (const auto& [c, action] : menuActions_) {
    if (c == command) return action;
  }
  return nullptr;
}

void TfrmMain::OpenMenu() {
  if (closing_) return;
  bar_->MenuButton()->setChecked(true);
  const QPoint at = bar_->mapToGlobal(bar_->MenuButton()->geometry().topLeft());
  menu_->popup(at - QPoint(0, menu_->sizeHint().height()));
}

// The menu timer's tick: the bar shows; the menu opens when its button is up, else it closes.
void TfrmMain::RunMenuTimer() {
  if (closing_) return;
  bar_->show();
  if (bar_->BarHeight() == BrivakBar::kCollapsedHeight) bar_->SetBarHeight(BrivakBar::kHeight);
  if (menu_->isVisible()) {
    menu_->hide();
    bar_->MenuButton()->setChecked(false);
  } else {
    OpenMenu();
  }
}

// --- Notes, away messages, help ---

int TfrmMain::RunDialog(QDialog& dialog) {
  dialog_ = &dialog;
  menu_->hide();
  const int result = dialog.exec();
  AfterModal();
  return result;
}

std::optional<core::NoteEntry> TfrmMain::RunNoteForm(const core::MessageSettings& settings) {
  TfrmLeaveMessage form(this, settings);
  RunDialog(form);
  return form.Entry();
}

void TfrmMain::ShowMessages(const core::TMessageList& messages) {
  TfrmMessages reader(this, messages);
  RunDialog(reader);
}

void TfrmMain::SetMessageCount(std::size_t count) { panel_->SetMessageCount(static_cast<int>(count)); }

std::string TfrmMain::RunAwayPicker(const core::AwayPickerRequest& request) {
  TfrmPickAwayMsg picker(this, request);
  RunDialog(picker);
  return picker.Chosen();
}

void TfrmMain::SetAwayMessage(const std::string& text) { panel_->SetAwayMessage(QString::fromStdString(text)); }

void TfrmMain::StartStatusTimer() {
  brivakTimer_.start();
  bar_->SetMenuReady(true);
  const auto& general = ports_.passwords.settings.General;
  if (general.HideBrivakBar) {
    if (general.HideBrivakBarOnMinimize) {
      bar_->hide();
    } else {
      bar_->SetBarHeight(BrivakBar::kCollapsedHeight);
    }
  }
  OnStatusTimer();
}

void TfrmMain::StopStatusTimer() { brivakTimer_.stop(); }

void TfrmMain::ShowSystemPanel(bool visible) { bar_->ShowSystemPanel(visible); }

void TfrmMain::UpdateSystemPanel(const core::SystemPanelTexts& texts) { bar_->UpdateSystemPanel(texts); }

void TfrmMain::SwitchConsolePage() { bar_->ShowConsolePage(!bar_->ConsolePageShown()); }

void TfrmMain::ShowNetworkState(bool available, bool suspended) { bar_->SetNetworkState(available, suspended); }

void TfrmMain::OnStatusTimer() {
  if (closing_) return;
  if (events_) events_->OnStatusTick();
  if (closing_) return;
  // The bar's console follows the tray console while it is shown.
  if (ports_.console != nullptr && bar_->ConsolePageShown() && bar_->isVisible()) {
    bar_->SetConsoleLines(ports_.console->Lines());
  }
}

void TfrmMain::ShowHelp() {
  HelpViewer help(this, QString::fromStdString(ports_.appPath + "htmlhelp/index.html"));
  RunDialog(help);
}

void TfrmMain::ShowText(const std::string& caption, const std::string& text) {
  QDialog dialog(this);
  dialog.setWindowTitle(QString::fromStdString(caption));
  dialog.setWindowFlag(Qt::WindowStaysOnTopHint, true);
  auto* view = new QPlainTextEdit(QString::fromStdString(text), &dialog);
  view->setReadOnly(true);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, &dialog);
  connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
  auto* layout = new QVBoxLayout(&dialog);
  layout->addWidget(view, 1);
  layout->addWidget(buttons);
  dialog.resize(480, 320);
  RunDialog(dialog);
}

bool TfrmMain::OpenDocument(const std::string& pathOrUrl) {
  const QString target = QString::fromStdString(pathOrUrl);
  const QUrl url = target.contains(QStringLiteral("://")) ? QUrl(target) : QUrl::fromLocalFile(target);
  return QDesktopServices::openUrl(url);
}

std::pair<int, int> TfrmMain::CursorPosition() {
  const QPoint at = QCursor::pos();
  return {at.x(), at.y()};
}

bool TfrmMain::HandleHiddenKey(const QKeyEvent& key) {
  const Qt::KeyboardModifiers mods = key.modifiers() & ~Qt::KeypadModifier;
  const bool ctrl = mods == Qt::ControlModifier;
  if (mods != Qt::NoModifier && !ctrl) return false;
  const int fkey = FunctionKey(key.key());
  const char letter = key.key() >= Qt::Key_A && key.key() <= Qt::Key_Z ? static_cast<char>('A' + key.key() - Qt::Key_A) : 0;
  const auto command = core::HiddenKeyCommand(fkey, letter, ctrl);
  if (!command) return false;
  // A key whose feature is missing (its menu item is disabled) does nothing; it is still taken.
  if (core::CommandAvailable(*command) && events_) {
    const core::LockMenuCommand c = *command;
    QMetaObject::invokeMethod(
        this, [this, c] {
          if (events_ && !closing_) events_->OnMenuCommand(c);
        },
        Qt::QueuedConnection);
  }
  return true;
}

bool TfrmMain::HandleLockKey(const core::KeyEvent& event) {
  if (!events_ || closing_) return false;
  const core::KeyDecision decision = events_->OnLockKey(event);
  if (decision.hideBar) bar_->hide();
  if (decision.openMenu) {
    QMetaObject::invokeMethod(this, &TfrmMain::RunMenuTimer, Qt::QueuedConnection);
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
  if (!watched->isWidgetType()) return QWidget::eventFilter(watched, event);
  const bool mouse = type == QEvent::MouseMove || type == QEvent::MouseButtonPress || type == QEvent::MouseButtonRelease;
  if (type != QEvent::KeyPress && type != QEvent::KeyRelease && !mouse) return QWidget::eventFilter(watched, event);
  auto* widget = static_cast<QWidget*>(watched);
  if (widget->window() != this || closing_ || !events_) return QWidget::eventFilter(watched, event);
  if (mouse) {
    auto* m = static_cast<QMouseEvent*>(event);
    if (type == QEvent::MouseMove) {
      const QPoint at = m->globalPosition().toPoint();
      events_->OnPointerMoved(at.x(), at.y());
    } else if (m->button() == Qt::RightButton) {
      events_->OnRightButton();
    }
    return QWidget::eventFilter(watched, event);
  }
  auto* key = static_cast<QKeyEvent*>(event);
  if (key->key() == Qt::Key_F1) f1Held_ = type == QEvent::KeyPress;
  if (type == QEvent::KeyRelease) {
    if (key->key() == Qt::Key_F1 && !key->isAutoRepeat()) ports_.log.Mem("frmMainHELP");
    return QWidget::eventFilter(watched, event);
  }
  if (!key->isAutoRepeat() && HandleHiddenKey(*key)) return true;
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
  const int barHeight = bar_->BarHeight();
  bar_->setGeometry(0, height() - barHeight, width(), barHeight);
  bar_->raise();
  lblTimeToLock_->adjustSize();
  lblTimeToLock_->move(width() - lblTimeToLock_->width() - 8,
                       height() - (bar_->isHidden() ? 0 : barHeight) - lblTimeToLock_->height() - 8);
  lblTimeToLock_->raise();
}

void TfrmMain::OnTick() {
  if (closing_) return;
  if (events_) events_->OnLockTimer();
  if (closing_) return;  // the tick may have ended the lock
  ShowLiveLabels();
}

void TfrmMain::ShowLiveLabels() {
  const std::int64_t now = ports_.clock.MonotonicMs();
  const std::int64_t systemUp =
      ports_.systemUptimeSeconds ? ports_.systemUptimeSeconds() : now / 1000;
  panel_->Tick(ports_.clock.Local(), (now - startMs_) / 1000, systemUp);
}

}  // namespace brivak::ui
