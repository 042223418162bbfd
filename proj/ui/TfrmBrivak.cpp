#include "proj/ui/TfrmBrivak.h"

#include <QAction>
#include <QDesktopServices>
#include <QFont>
#include <QIcon>
#include <QMenu>
#include <QMessageBox>
#include <QPainter>
#include <QPixmap>
#include <QSystemTrayIcon>
#include <QUrl>

#include <filesystem>
#include <system_error>

namespace brivak::ui {

namespace {

bool Exists(const std::string& path) {
  std::error_code ec;
  return std::filesystem::exists(path, ec);
}

QIcon TrayImage() {
  QPixmap pixmap(32, 32);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setBrush(QColor(0x10, 0x30, 0x70));
  painter.setPen(Qt::white);
  painter.drawRoundedRect(QRectF(1, 1, 30, 30), 6, 6);
  QFont font;
  font.setBold(true);
  font.setPixelSize(22);
  painter.setFont(font);
  painter.drawText(QRect(0, 0, 32, 32), Qt::AlignCenter, QStringLiteral("B"));
  return QIcon(pixmap);
}

}  // namespace

TfrmBrivak::TfrmBrivak(TrayWindowPorts ports, QObject* parent)
    : QObject(parent), ports_(std::move(ports)), console_(std::make_unique<ConsoleWindow>()),
      menu_(std::make_unique<QMenu>()) {
  menu_->setObjectName(QStringLiteral("traypop"));
  // The console follows the tray console; changes come from any thread and are applied here.
  console_->SetLines(ports_.diagnostics.TrayConsole().Lines());
  ConsoleWindow* console = console_.get();
  ports_.diagnostics.SetObserver([console](const core::ConsoleEvent& event) {
    if (event.target != core::ConsoleTarget::kTray) return;
    QMetaObject::invokeMethod(console, [console, event] { console->Apply(event); }, Qt::QueuedConnection);
  });
  console_->SetExitOnClick([this] { return ports_.tray.ExitOnClick(); },
                           [this] { ports_.tray.OnEndSession(); });
  ports_.tray.SetBackToTrayHandler([this] { ShowBalloon(); });
  ports_.tray.SetBalloonHandlers(
      [this](const std::string& title, const std::string& text, int seconds) {
        const QString qTitle = QString::fromStdString(title);
        const QString qText = QString::fromStdString(text);
        if (icon_) icon_->showMessage(qTitle, qText, QSystemTrayIcon::NoIcon, seconds * 1000);
        else ports_.diagnostics.Mem(title + ": " + text);
        emit balloonShown(qTitle, qText);
      },
      [this] {
        // A tray icon has no call to withdraw its message; showing the icon afresh drops it.
        if (icon_ && icon_->isVisible()) {
          icon_->hide();
          icon_->show();
        }
        emit balloonHidden();
      });
}

TfrmBrivak::~TfrmBrivak() {
  ports_.tray.SetBackToTrayHandler({});
  ports_.tray.SetBalloonHandlers({}, {});
  ports_.diagnostics.SetObserver({});
  if (icon_) icon_->hide();
}

void TfrmBrivak::AfterFormCreate() {
  BuildMenu();
  const bool available =
      ports_.trayAvailable ? ports_.trayAvailable() : QSystemTrayIcon::isSystemTrayAvailable();
  if (available) {
    icon_ = std::make_unique<QSystemTrayIcon>(TrayImage());
    icon_->setToolTip(QStringLiteral("Brivak 3.0"));
    icon_->setContextMenu(menu_.get());
    connect(icon_.get(), &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
      if (reason == QSystemTrayIcon::DoubleClick) LaunchBrivak();
    });
    connect(icon_.get(), &QSystemTrayIcon::messageClicked, this, [] {});
    icon_->show();
  } else {
    ports_.diagnostics.Mem("No system tray on this desktop: the tray icon is not shown.");
  }
  // A failed self-test leaves the console as the one way out: a click on it ends the program.
  if (ports_.tray.ExitOnClick()) ShowConsole();
}

QAction* TfrmBrivak::AddOpen(QMenu* menu, const QString& text, const std::string& path) {
  QAction* action = menu->addAction(text);
  action->setEnabled(Exists(path));
  connect(action, &QAction::triggered, this, [this, path] { Open(path); });
  return action;
}

bool TfrmBrivak::Open(const std::string& path) {
  if (ports_.open) return ports_.open(path);
  return QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(path)));
}

void TfrmBrivak::BuildMenu() {
  menu_->clear();
  const app::ProgramValues& values = ports_.tray.Values();
  auto disabled = [](QMenu* menu, const char* text) { menu->addAction(QString::fromUtf8(text))->setEnabled(false); };

  QAction* launch = menu_->addAction(QStringLiteral("Launch Brivak"));
  QFont bold = launch->font();
  bold.setBold(true);
  launch->setFont(bold);  // the default item (double-click)
  menu_->setDefaultAction(launch);
  connect(launch, &QAction::triggered, this, &TfrmBrivak::LaunchBrivak);
  AdministrationWindows* admin = &ports_.administration;
  connect(menu_->addAction(QStringLiteral("Options")), &QAction::triggered, this, [admin] { admin->TrayOptions(); });
  menu_->addSeparator();

  connect(menu_->addAction(QStringLiteral("Brivak Manager")), &QAction::triggered, this,
          [admin] { admin->StartManager(); });
  QAction* update = menu_->addAction(QStringLiteral("Run Update Script"));
  const std::string script = values.updateScriptFile;
  update->setEnabled(!script.empty() && Exists(script));
  connect(update, &QAction::triggered, this, [this, script, folder = values.appPath] {
    if (!ports_.processes.Start({script}, folder)) ports_.diagnostics.Mem("EX: cannot run " + script);
  });
  menu_->addSeparator();

  QMenu* logs = menu_->addMenu(QStringLiteral("Logs"));
  AddOpen(logs, QStringLiteral("Open Logs Folder"), values.appData + "Logs/");
  QAction* today = logs->addAction(QStringLiteral("Open Today's Log"));
  connect(today, &QAction::triggered, this, [this] {
    const std::string file = ports_.diagnostics.EventLog().TodayFile();
    if (Exists(file)) Open(file);
    else ports_.diagnostics.Mem("No log for today yet: " + file);
  });
  connect(logs->addAction(QStringLiteral("Log Manager")), &QAction::triggered, this,
          [admin] { admin->TrayLogManager(); });
  menu_->addSeparator();

  QMenu* computer = menu_->addMenu(QStringLiteral("Computer"));
  AddOpen(computer, QStringLiteral("Brivak Folder"), values.appPath);
  AddOpen(computer, QStringLiteral("Brivak Layouts Folder"), values.appData + "layouts/");
  disabled(computer, "Brivak Deploy Folder");
  AddOpen(computer, QStringLiteral("Brivak App Data Folder"), values.appData);
  connect(computer->addAction(QStringLiteral("Uninstall Brivak")), &QAction::triggered, this,
          [admin] { admin->Uninstall(); });
  disabled(computer, "My Computer");
  disabled(computer, "Power Settings");
  menu_->addSeparator();

  QMenu* quality = menu_->addMenu(QStringLiteral("Quality Control"));
  connect(quality->addAction(QStringLiteral("Show Console")), &QAction::triggered, this, &TfrmBrivak::ShowConsole);
  showDebug_ = quality->addAction(QStringLiteral("Show Debug Info"));
  showDebug_->setCheckable(true);
  connect(showDebug_, &QAction::toggled, this,
          [this](bool on) { ports_.diagnostics.TrayConsole().SHOW_DEBUG = on; });
  connect(quality, &QMenu::aboutToShow, this,
          [this] { showDebug_->setChecked(ports_.diagnostics.TrayConsole().SHOW_DEBUG.load()); });
  connect(menu_.get(), &QMenu::aboutToShow, this,
          [this] { showDebug_->setChecked(ports_.diagnostics.TrayConsole().SHOW_DEBUG.load()); });
  connect(quality->addAction(QStringLiteral("Turn on Security")), &QAction::triggered, this,
          &TfrmBrivak::TurnOnSecurity);

  QMenu* help = menu_->addMenu(QStringLiteral("Help"));
  AddOpen(help, QStringLiteral("Help Table of Contents"), values.appPath + "htmlhelp/index.html");
  AddOpen(help, QStringLiteral("Readme.txt"), values.appPath + "readme.txt");
  AddOpen(help, QStringLiteral("Whatsnew.txt"), values.appPath + "whatsnew.txt");
  connect(help->addAction(QStringLiteral("About Brivak...")), &QAction::triggered, this,
          [admin] { admin->About(nullptr); });
  menu_->addSeparator();

  connect(menu_->addAction(QStringLiteral("Exit Brivak")), &QAction::triggered, this, &TfrmBrivak::ExitBrivak);
}

QAction* TfrmBrivak::FindAction(const QString& text) const {
  std::function<QAction*(const QMenu*)> find = [&](const QMenu* menu) -> QAction* {
    for (QAction* action : menu->actions()) {
      if (action->text() == text) return action;
      if (action->menu()) {
        if (QAction* inner = find(action->menu())) return inner;
      }
    }
    return nullptr;
  };
  return find(menu_.get());
}

void TfrmBrivak::LaunchBrivak() { ports_.tray.LaunchFromTray(); }

void TfrmBrivak::ShowConsole() { console_->ShowConsole(); }

void TfrmBrivak::TurnOnSecurity() {
  QMessageBox box(QMessageBox::Critical, QString::fromUtf8(kSecurityCaption), QString::fromUtf8(kSecurityWarning),
                  QMessageBox::Ok | QMessageBox::Cancel);
  if (box.exec() != QMessageBox::Ok) return;
  ports_.tray.TurnOnSecurity();
  ports_.tray.StartLockLaunch("System Tray");
}

void TfrmBrivak::ExitBrivak() {
  const core::TBrivakSettings& settings = ports_.tray.Settings();
  if (settings.Security.RequirePasswordToExit && ports_.passwords) {
    PasswordContext context = ports_.passwords();
    const int level = settings.Security.UserExitBrivak ? 1 : 2;
    if (!Authorize(nullptr, context, "Exit Brivak", level)) return;
  }
  ports_.tray.ExitBrivak();
}

void TfrmBrivak::ShowBalloon() {
  const QString title = QStringLiteral("Brivak 3.1");
  const QString text = QString::fromStdString(ports_.tray.BalloonText());
  if (icon_) icon_->showMessage(title, text, QSystemTrayIcon::NoIcon, 3000);
  emit balloonShown(title, text);
}

}  // namespace brivak::ui
