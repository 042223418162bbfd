#include "proj/ui/ScreenCovers.h"

#include <QGuiApplication>
#include <QPalette>
#include <QScreen>

#include <string>

namespace brivak::ui {

Qt::WindowFlags LockWindowFlags() {
  return Qt::Window | Qt::FramelessWindowHint | Qt::X11BypassWindowManagerHint |
         Qt::WindowStaysOnTopHint | Qt::Tool;
}

CoverWindow::CoverWindow() : QWidget(nullptr, LockWindowFlags() | Qt::WindowDoesNotAcceptFocus) {
  setAttribute(Qt::WA_ShowWithoutActivating);
  setAutoFillBackground(true);
  QPalette black = palette();
  black.setColor(QPalette::Window, Qt::black);
  setPalette(black);
  setCursor(Qt::BlankCursor);
  setWindowTitle(QStringLiteral("Brivak cover"));
}

std::vector<core::MonitorInfo> QtMonitors() {
  std::vector<core::MonitorInfo> monitors;
  const QScreen* primary = QGuiApplication::primaryScreen();
  for (QScreen* screen : QGuiApplication::screens()) {
    const QRect g = screen->geometry();
    monitors.push_back({{g.x(), g.y(), g.width(), g.height()}, screen == primary});
  }
  return monitors;
}

ScreenCovers::ScreenCovers(LogSink& log) : log_(log) {}

ScreenCovers::~ScreenCovers() { ReleaseAll(); }

void ScreenCovers::FillScreen(QWidget& lockScreen, const std::vector<core::MonitorInfo>& monitors) {
  const core::CoveragePlan plan = core::PlanCoverage(monitors);
  log_.Debug("FillScreen();");
  // The whole virtual desktop with a margin first, then the primary monitor.
  const core::ScreenRect& all = plan.virtualDesktop;
  lockScreen.setGeometry(all.left - 2, all.top - 1, all.width + 5, all.height + 5);

  for (std::size_t i = 0; i < monitors.size(); ++i) {
    const std::string head = "  Monitor [" + std::to_string(i);
    const core::ScreenRect& r = monitors[i].rect;
    log_.Debug(head + "].Primary: " + (monitors[i].primary ? "True" : "False"));
    log_.Debug(head + "].Width: " + std::to_string(r.width));
    log_.Debug(head + "].Height: " + std::to_string(r.height));
    log_.Debug(head + "].Left: " + std::to_string(r.left));
    log_.Debug(head + "].Top: " + std::to_string(r.top));
  }

  if (plan.primary) {
    const core::ScreenRect& p = plan.lockScreen;
    log_.Debug("  primary monitor (x): " + std::to_string(*plan.primary));
    log_.Debug("  scrLeft: " + std::to_string(p.left));
    log_.Debug("  scrWidth: " + std::to_string(p.width));
    lockScreen.setGeometry(p.left, p.top, p.width, p.height);
    log_.Debug("  frmMain.top: " + std::to_string(lockScreen.y()));
    log_.Debug("  frmMain.Left: " + std::to_string(lockScreen.x()));
    log_.Debug("  frmMain.Width: " + std::to_string(lockScreen.width()));
    log_.Debug("  frmMain.Height: " + std::to_string(lockScreen.height()));
  }

  if (monitors.size() > 1) {
    log_.Debug("  MonitorCount=" + std::to_string(monitors.size()));
    log_.Debug("  Loop...");
  }
  // Reuse what is on screen, create what is missing, release what is left over (also when the
  // table shrank to one monitor).
  const core::CoverDiff diff = core::DiffCovers(Rects(), plan.covers);
  std::vector<std::unique_ptr<CoverWindow>> next;
  next.reserve(diff.places.size());
  for (const core::CoverSlot& slot : diff.places) {
    std::unique_ptr<CoverWindow> cover =
        slot.reuse ? std::move(covers_[*slot.reuse]) : std::make_unique<CoverWindow>();
    cover->setGeometry(slot.rect.left, slot.rect.top, slot.rect.width, slot.rect.height);
    cover->show();
    cover->raise();
    next.push_back(std::move(cover));
  }
  for (std::size_t index : diff.release) {
    if (covers_[index]) covers_[index]->hide();
  }
  covers_ = std::move(next);  // the released ones are freed here
  log_.Debug("Done with FillScreen.");
}

void ScreenCovers::RaiseAll() {
  for (auto& cover : covers_) cover->raise();
}

void ScreenCovers::ReleaseAll() {
  for (auto& cover : covers_) cover->hide();
  covers_.clear();
}

std::vector<core::ScreenRect> ScreenCovers::Rects() const {
  std::vector<core::ScreenRect> rects;
  for (const auto& cover : covers_) {
    const QRect g = cover->geometry();
    rects.push_back({g.x(), g.y(), g.width(), g.height()});
  }
  return rects;
}

std::vector<QWidget*> ScreenCovers::Windows() const {
  std::vector<QWidget*> windows;
  for (const auto& cover : covers_) windows.push_back(cover.get());
  return windows;
}

}  // namespace brivak::ui
