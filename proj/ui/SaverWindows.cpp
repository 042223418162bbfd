#include "proj/ui/SaverWindows.h"

#include <QApplication>
#include <QCursor>
#include <QEvent>
#include <QMouseEvent>
#include <QPalette>
#include <QTimer>

#include <filesystem>
#include <fstream>

#include "proj/core/ScreenSavers.h"
#include "proj/ui/ScreenCovers.h"

namespace brivak::ui {

namespace {

constexpr int kHackStopMs = 500;

std::unique_ptr<QWidget> SaverWindow(const core::ScreenRect& rect) {
  auto window = std::make_unique<QWidget>(nullptr, LockWindowFlags() | Qt::WindowDoesNotAcceptFocus);
  window->setAttribute(Qt::WA_ShowWithoutActivating);
  window->setAttribute(Qt::WA_NativeWindow);
  window->setAutoFillBackground(true);
  QPalette black = window->palette();
  black.setColor(QPalette::Window, Qt::black);
  window->setPalette(black);
  window->setCursor(Qt::BlankCursor);
  window->setWindowTitle(QStringLiteral("Brivak screen saver"));
  window->setGeometry(rect.left, rect.top, rect.width, rect.height);
  return window;
}

}  // namespace

SaverWindows::SaverWindows(LogSink& log, QObject* parent) : QObject(parent), log_(log) {}

SaverWindows::~SaverWindows() { Stop(); }

bool SaverWindows::Start(const std::string& path, std::function<void()> ended) {
  Stop();
  const bool blank = path.empty() || core::IsBlankSaver(path);
  std::error_code ec;
  if (!blank && !std::filesystem::exists(path, ec)) return false;  // no message, as a failed start gives none
  for (const core::MonitorInfo& monitor : QtMonitors()) {
    auto window = SaverWindow(monitor.rect);
    window->show();
    window->raise();
    if (!blank) {
      auto hack = std::make_unique<QProcess>();
      hack->setProgram(QString::fromStdString(path));
      hack->setArguments({QStringLiteral("-window-id"),
                          QStringLiteral("0x%1").arg(static_cast<qulonglong>(window->winId()), 0, 16)});
      hack->setWorkingDirectory(QString::fromStdString(std::filesystem::path(path).parent_path().string()));
      hack->setProcessChannelMode(QProcess::ForwardedChannels);
      hack->start();
      hacks_.push_back(std::move(hack));
    }
    windows_.push_back(std::move(window));
  }
  log_.Debug("saver windows: " + std::to_string(windows_.size()) + " for " + (blank ? "the blank saver" : path));
  ended_ = std::move(ended);
  startPointer_ = QCursor::pos();
  qApp->installEventFilter(this);
  return true;
}

void SaverWindows::Stop() {
  if (windows_.empty() && hacks_.empty()) return;
  qApp->removeEventFilter(this);
  for (auto& hack : hacks_) {
    hack->terminate();
    if (!hack->waitForFinished(kHackStopMs)) {
      hack->kill();
      hack->waitForFinished(kHackStopMs);
    }
  }
  hacks_.clear();
  for (auto& window : windows_) window->hide();
  windows_.clear();
  ended_ = {};
}

std::vector<std::string> SaverWindows::Commands() const {
  std::vector<std::string> commands;
  for (const auto& hack : hacks_) {
    std::string line = hack->program().toStdString();
    for (const QString& arg : hack->arguments()) line += " " + arg.toStdString();
    commands.push_back(line);
  }
  return commands;
}

bool SaverWindows::MouseMoved() {
  const QPoint now = QCursor::pos();
  const bool moved = !lastMousePoint_ || *lastMousePoint_ != now;
  lastMousePoint_ = now;
  return moved;
}

bool SaverWindows::ProcessRunning(const std::string& fileName) const {
  if (fileName.empty()) return false;
  // The kernel keeps the first 15 characters of a program's name.
  const std::string comm = fileName.substr(0, 15);
  std::error_code ec;
  for (std::filesystem::directory_iterator it("/proc", ec), end; !ec && it != end; it.increment(ec)) {
    const std::string pid = it->path().filename().string();
    if (pid.empty() || pid.find_first_not_of("0123456789") != std::string::npos) continue;
    std::ifstream in(it->path() / "comm");
    std::string name;
    if (std::getline(in, name) && name == comm) return true;
  }
  return false;
}

bool SaverWindows::eventFilter(QObject* watched, QEvent* event) {
  if (windows_.empty() || ending_) return QObject::eventFilter(watched, event);
  switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::MouseButtonPress:
    case QEvent::Wheel:
      EndByInput();
      return true;
    case QEvent::MouseMove:
      // Windows appearing under the pointer bring motion events without a movement.
      if (static_cast<QMouseEvent*>(event)->globalPosition().toPoint() != startPointer_) {
        EndByInput();
        return true;
      }
      break;
    default:
      break;
  }
  return QObject::eventFilter(watched, event);
}

// The saver goes after the event has been swallowed, outside the filter.
void SaverWindows::EndByInput() {
  ending_ = true;
  QTimer::singleShot(0, this, [this] {
    std::function<void()> ended = std::move(ended_);
    Stop();
    ending_ = false;
    if (ended) ended();
  });
}

}  // namespace brivak::ui
