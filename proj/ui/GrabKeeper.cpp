#include "proj/ui/GrabKeeper.h"

#include <QCoreApplication>
#include <QEvent>
#include <QWidget>

#include <string>

namespace brivak::ui {

const char* GrabStatusText(platform::GrabStatus status) {
  switch (status) {
    case platform::GrabStatus::NotTried: return "not tried";
    case platform::GrabStatus::Held: return "held";
    case platform::GrabStatus::HeldElsewhere: return "held by another program";
    case platform::GrabStatus::NotViewable: return "window not viewable";
    case platform::GrabStatus::Frozen: return "frozen by another program";
    case platform::GrabStatus::InvalidTime: return "invalid time";
    case platform::GrabStatus::Failed: return "failed";
  }
  return "failed";
}

GrabKeeper::GrabKeeper(platform::InputGuard* guard, LogSink& log, std::chrono::milliseconds retryInterval,
                       QObject* parent)
    : QObject(parent), guard_(guard), log_(log) {
  timer_.setInterval(retryInterval);
  connect(&timer_, &QTimer::timeout, this, &GrabKeeper::OnTimer);
}

GrabKeeper::~GrabKeeper() { Stop(); }

platform::GrabReport GrabKeeper::State() const {
  return guard_ ? guard_->State() : platform::GrabReport{};
}

void GrabKeeper::Start(platform::NativeWindow window) {
  if (started_) Stop();
  started_ = true;
  reported_ = false;
  window_ = window;
  if (!guard_) {
    log_.Mem(kNoGrabLine);
    log_.WriteLog(kNoGrabLine);
    reported_ = true;
    return;
  }
  if (QCoreApplication* app = QCoreApplication::instance()) app->installEventFilter(this);
  Check(guard_->Take(window));
}

void GrabKeeper::Retake() {
  retakePending_ = false;
  if (!started_ || !guard_) return;
  Check(guard_->Take(window_));
}

void GrabKeeper::Stop() {
  if (!started_) return;
  started_ = false;
  retakePending_ = false;
  timer_.stop();
  if (QCoreApplication* app = QCoreApplication::instance()) app->removeEventFilter(this);
  if (guard_) guard_->Release();
}

void GrabKeeper::OnTimer() {
  if (!started_ || !guard_) {
    timer_.stop();
    return;
  }
  Check(guard_->Retry());
}

void GrabKeeper::Check(const platform::GrabReport& report) {
  if (report.AllHeld()) {
    timer_.stop();
    if (reported_) log_.Mem(kGrabTakenLine);
    reported_ = false;  // a later loss is reported again
    return;
  }
  if (!timer_.isActive()) timer_.start();
  if (reported_) return;
  reported_ = true;
  log_.Mem(kGrabFailedLine);
  log_.WriteLog(std::string("Input grab not held: keyboard ") + GrabStatusText(report.keyboard) +
                ", mouse " + GrabStatusText(report.pointer));
}

bool GrabKeeper::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::Hide && started_ && !retakePending_ && watched->isWidgetType()) {
    auto* widget = static_cast<QWidget*>(watched);
    const Qt::WindowType type = widget->windowType();
    if (widget->isWindow() && (type == Qt::Popup || type == Qt::Dialog || type == Qt::Sheet)) {
      // After the popup's own ungrab has gone out: the next turn of the loop.
      retakePending_ = true;
      QMetaObject::invokeMethod(this, [this] { Retake(); }, Qt::QueuedConnection);
    }
  }
  return QObject::eventFilter(watched, event);
}

}  // namespace brivak::ui
