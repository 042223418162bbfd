#include "proj/ui/QtMainLoop.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QTimer>

#include <exception>

namespace brivak::ui {

QtMainLoop::QtMainLoop(QObject* parent) : QObject(parent) {}

void QtMainLoop::RunTask(const Task& task) {
  if (quitting_.load()) return;
  try {
    task();
  } catch (const std::exception& e) {
    if (onError_) onError_(e.what());
  } catch (...) {
    if (onError_) onError_("unknown exception");
  }
}

void QtMainLoop::Post(Task task) {
  QMetaObject::invokeMethod(
      this, [this, task = std::move(task)] { RunTask(task); }, Qt::QueuedConnection);
}

// The timer is started on the main thread: a QTimer belongs to the thread that starts it.
void QtMainLoop::PostAfter(std::chrono::milliseconds delay, Task task) {
  Post([this, delay, task = std::move(task)]() mutable {
    QTimer::singleShot(delay, this, [this, task = std::move(task)] { RunTask(task); });
  });
}

void QtMainLoop::Quit() {
  quitting_.store(true);
  // exit, not quit: Qt 6's quit first asks every window to close, and a lock screen still shown
  // (a stop request while locked hands the lock over) answers that with its Unlock & Exit prompt.
  QMetaObject::invokeMethod(QCoreApplication::instance(), [] { QCoreApplication::exit(0); }, Qt::QueuedConnection);
}

void QtMainLoop::ProcessPending() { QCoreApplication::processEvents(QEventLoop::AllEvents); }

}  // namespace brivak::ui
