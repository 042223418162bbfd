// The screen savers of the lock screen: the one-time search into "screensavers.dat", the saver
// menu's entries, the start-up saver (loadSaverOnStartup, 50 ms after the lock started), the idle
// saver (runSaverOnIdle, idleDelay, checked every second while the lock exists) and starting a
// chosen saver. The savers themselves are shown by the desktop shell (SaverDisplay).
//
// Threads: main thread only.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "common/LogSink.h"
#include "proj/app/MainLoop.h"
#include "proj/core/BrivakSettings.h"
#include "proj/core/DetectIdle.h"
#include "proj/core/ScreenSavers.h"

namespace brivak::app {

// Full-screen saver windows above the lock screen on every monitor, implemented by the shell.
class SaverDisplay {
 public:
  virtual ~SaverDisplay() = default;
  // Shows the saver at `path` (the blank saver, or a hack started with "-window-id" and the id of
  // each window) above the lock screen and its covers; replaces a saver shown now. The first key
  // or pointer input ends it and calls `ended` (the input itself is not passed on).
  virtual bool Start(const std::string& path, std::function<void()> ended) = 0;
  // Ends the saver shown now; harmless without one. `ended` is not called.
  virtual void Stop() = 0;
  virtual bool Running() const = 0;
  // `MouseMoved`: whether the pointer is elsewhere than at the previous call (true at the first).
  virtual bool MouseMoved() = 0;
  // Whether a program of that file name runs in the session (the process-list rule).
  virtual bool ProcessRunning(const std::string& fileName) const = 0;
};

inline constexpr std::chrono::milliseconds kLoadSaverDelay{50};   // loadSaverTimer
inline constexpr std::chrono::milliseconds kSaverCheckInterval{1000};  // the status tick's rule

struct ScreenSaverPorts {
  SaverDisplay& display;
  MainLoop& loop;
  LogSink& log;
  core::TmcDetectIdle& idle;  // the program's own idle time
  std::string appData;        // "screensavers.dat" lives here
  std::string SysDir;         // the blank saver's path is SysDir + "/scrnsave.scr"
  // The hack folders and their XML folder (the defaults outside tests).
  std::vector<std::string> hackFolders{std::begin(core::kHackFolders), std::end(core::kHackFolders)};
  std::string configFolder = core::kHackConfigFolder;
};

class ScreenSaverControl {
 public:
  explicit ScreenSaverControl(ScreenSaverPorts ports);
  ~ScreenSaverControl();

  // `GetScreenSavers`: walks the hack folders and adds every saver (and "Blank Screen") to
  // screensavers.dat. Returns the number found.
  int GetScreenSavers();
  // The lock started: the search when screensavers.dat is missing, the start-up saver, the idle
  // check. The settings are copied; `focusBox` puts the focus into the password box.
  void LockStarted(const core::ScreenSaverSettings& settings, std::function<void()> focusBox);
  bool Locked() const { return locked_; }
  // The lock ends: the saver and the timers stop.
  void LockEnded();
  // The entries of the "ScreenSavers" menu, from screensavers.dat (empty when it is missing).
  std::vector<core::SaverMenuEntry> MenuEntries() const;
  // `screensaverClick`: starts the entry's saver; it becomes CurrentScreenSaver.
  void screensaverClick(const std::string& path);
  // One check of the idle saver rule (the loop runs it every second while locked; tests call it).
  void IdleSaverTick();
  bool SaverRunning() const { return ports_.display.Running(); }

 private:
  void loadSaverTimerTimer(std::uint64_t generation);
  void ScheduleTick(std::uint64_t generation);
  bool RunSaver(const std::string& path);
  std::string DatPath() const { return ports_.appData + core::kScreenSaversFile; }

  ScreenSaverPorts ports_;
  core::ScreenSaverSettings settings_;
  std::function<void()> focusBox_;
  std::string CurrentScreenSaver_;
  bool WasScreenSaverRunningLastTick_ = false;
  bool locked_ = false;
  std::uint64_t generation_ = 0;  // bumped at every lock start and end: older timers do nothing
};

}  // namespace brivak::app
