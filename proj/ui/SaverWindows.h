// The shell's saver display: one black full-screen window per monitor above the lock screen and
// its covers (override-redirect, never focused, so the lock keeps its grabs), and for a hack one
// program per window, started with "-window-id" and that window's id. The first key or pointer
// input that reaches the program ends the saver; that input is swallowed. GUI thread only.
#pragma once

#include <QObject>
#include <QPoint>
#include <QProcess>
#include <QWidget>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "common/LogSink.h"
#include "proj/app/ScreenSaverControl.h"

namespace brivak::ui {

class SaverWindows final : public QObject, public app::SaverDisplay {
 public:
  explicit SaverWindows(LogSink& log, QObject* parent = nullptr);
  ~SaverWindows() override;

  bool Start(const std::string& path, std::function<void()> ended) override;
  void Stop() override;
  bool Running() const override { return !windows_.empty(); }
  bool MouseMoved() override;
  bool ProcessRunning(const std::string& fileName) const override;

  // The saver windows shown now (tests).
  const std::vector<std::unique_ptr<QWidget>>& Windows() const { return windows_; }
  // The programs started for them, as "path -window-id 0x..." (tests).
  std::vector<std::string> Commands() const;

  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void EndByInput();

  LogSink& log_;
  std::vector<std::unique_ptr<QWidget>> windows_;
  std::vector<std::unique_ptr<QProcess>> hacks_;
  std::function<void()> ended_;
  QPoint startPointer_;
  std::optional<QPoint> lastMousePoint_;  // LastMousePoint of the idle check
  bool ending_ = false;
};

}  // namespace brivak::ui
