// The black covers on every monitor but the primary one while locked, and the placement of the lock
// screen on the primary monitor (FillScreen). A later FillScreen of the same lock (monitors added,
// removed or moved) reuses the covers it can and releases the rest: no cover outlives the lock.
// GUI thread only.
#pragma once

#include <QWidget>

#include <memory>
#include <vector>

#include "common/LogSink.h"
#include "proj/core/CoveragePlan.h"

namespace brivak::ui {

// The window flags of the lock screen and the covers: no frame, override-redirect on X11 (no
// window manager places, decorates or lowers them), above other windows, no taskbar entry.
Qt::WindowFlags LockWindowFlags();

// A plain black top-level window that never takes the focus.
class CoverWindow : public QWidget {
  Q_OBJECT

 public:
  CoverWindow();
};

// The monitors as Qt reports them (QGuiApplication::screens(), primary = primaryScreen()), in
// virtual-desktop coordinates.
std::vector<core::MonitorInfo> QtMonitors();

class ScreenCovers {
 public:
  // `log` receives FillScreen's debug lines; it must outlive this object.
  explicit ScreenCovers(LogSink& log);
  ~ScreenCovers();  // releases every cover
  ScreenCovers(const ScreenCovers&) = delete;
  ScreenCovers& operator=(const ScreenCovers&) = delete;

  // Places `lockScreen` on the primary monitor of `monitors` and covers each other monitor with a
  // shown, raised cover window (reused when one is left from an earlier call).
  void FillScreen(QWidget& lockScreen, const std::vector<core::MonitorInfo>& monitors);
  void FillScreen(QWidget& lockScreen) { FillScreen(lockScreen, QtMonitors()); }
  // Raises every cover again (after another window was mapped above them).
  void RaiseAll();
  // Hides and frees every cover (the end of the lock). Harmless when none exists.
  void ReleaseAll();

  std::size_t Count() const { return covers_.size(); }
  std::vector<core::ScreenRect> Rects() const;
  // The cover windows, for checks; owned by this object.
  std::vector<QWidget*> Windows() const;

 private:
  LogSink& log_;
  std::vector<std::unique_ptr<CoverWindow>> covers_;
};

}  // namespace brivak::ui
