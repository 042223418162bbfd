// The parts of a lock that this build does not carry yet (HTML layouts, plug-ins, shell policies
// and network). The lock session calls them at their place in
// Startup, ShutDown and the dispatcher; this default implementation writes one console line per
// call saying the part is not in this build, so no step is a silent gap. Later work overrides the
// methods it brings. Main thread only.
#pragma once

#include <string>

#include "common/LogSink.h"
#include "proj/core/CommandQueue.h"

namespace brivak::core {

class LaterSteps {
 public:
  // `log` must outlive this object.
  explicit LaterSteps(LogSink& log) : log_(log) {}
  virtual ~LaterSteps() = default;

  // --- Startup, each paired with its undo where it changes something ---
  virtual void CreateProcessMapper();
  virtual void CloseProcessMapper();
  virtual void RegisterLayouts();
  // An HTML layout (LayoutMode other than 0); true when it was applied. The default applies nothing.
  virtual bool ApplyHtmlLayout(const std::string& path);
  virtual void DeleteTemporaryFiles();
  virtual void StartPlugins();
  virtual void UnloadPlugins();
  virtual void MinimizeWindows();
  virtual void SetAutoRun(bool isAdmin);
  virtual void RestoreAutoRun(bool isAdmin);
  virtual void DisableBalloonTips();
  virtual void EnableBalloonTips();
  virtual void DisableTaskManager();
  virtual void EnableTaskManager();
  virtual void LockWorkStation();

  // --- ShutDown ---

  // --- Dispatcher targets ---
  virtual void ReloadHtmlLayout();

 protected:
  // "<part>: not in this build" on the console.
  void NotInThisBuild(const std::string& part);
  LogSink& log_;
};

}  // namespace brivak::core
