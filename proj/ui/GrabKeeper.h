// Keeps the keyboard and pointer grabs of a lock: takes them on the lock screen's window, retries
// on a timer while one is missing (another client holds it, the window is not mapped yet), and
// takes them again after a menu or dialog of this program closes (Qt's popups grab on the same
// connection and drop ours when they end). When the grabs cannot be had the lock goes on covering
// the screens; the console and the day log say so once per lock, not on every retry.
// GUI thread only.
#pragma once

#include <QObject>
#include <QTimer>

#include <chrono>

#include "common/LogSink.h"
#include "platform/InputGuard.h"

namespace brivak::ui {

// Console and day-log texts.
inline constexpr const char* kGrabFailedLine =
    "Could not grab the keyboard and mouse; the screens stay covered, retrying.";
inline constexpr const char* kGrabTakenLine = "Keyboard and mouse grabbed.";
inline constexpr const char* kNoGrabLine =
    "No keyboard and mouse grab on this display; the screens stay covered.";

class GrabKeeper : public QObject {
  Q_OBJECT

 public:
  static constexpr std::chrono::milliseconds kRetryInterval{250};

  // `guard` may be null (no X11 display): nothing is grabbed and that is reported at Start. Both
  // must outlive this object.
  GrabKeeper(platform::InputGuard* guard, LogSink& log,
             std::chrono::milliseconds retryInterval = kRetryInterval, QObject* parent = nullptr);
  ~GrabKeeper() override;  // releases the grabs

  // The lock begins: grab on `window` (an X window id).
  void Start(platform::NativeWindow window);
  // Takes both grabs again (a menu or dialog of ours closed). Only while started.
  void Retake();
  // The lock ends: releases the grabs, stops retrying.
  void Stop();

  bool Started() const { return started_; }
  bool Retrying() const { return timer_.isActive(); }
  platform::GrabReport State() const;

 protected:
  // Watches for our own popups and dialogs being hidden.
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Check(const platform::GrabReport& report);
  void OnTimer();

  platform::InputGuard* guard_;
  LogSink& log_;
  QTimer timer_;
  bool started_ = false;
  bool reported_ = false;  // the failure was reported during this lock
  bool retakePending_ = false;
  platform::NativeWindow window_ = platform::kRootWindow;
};

// "Held", "held by another program", ... for the log line.
const char* GrabStatusText(platform::GrabStatus status);

}  // namespace brivak::ui
