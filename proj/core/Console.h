// The console of the debug trace: the tray console's text (capped by clearing), the lines mirrored
// to the lock screen's console, the debug switches and the debug files.
// Thread-safe: any thread may call mem, lastmem, Debug and the saves. The observer is called with
// the console's lock held, in the order of the changes; it must not call back into the Console
// (a user interface posts the change to its own thread).
#pragma once

#include <atomic>
#include <cstddef>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Clock.h"
#include "proj/core/DayLog.h"

namespace brivak::core {

enum class ConsoleTarget {
  kTray,        // the tray controller's console
  kLockScreen,  // the lock screen's console (only while a lock screen exists)
};

enum class ConsoleChange {
  kNewLine,       // `text` is a new line
  kAppendToLast,  // `text` is appended to the last line
  kCleared,       // the console was emptied (tray console only)
};

struct ConsoleEvent {
  ConsoleTarget target;
  ConsoleChange change;
  std::string text;
};

using ConsoleObserver = std::function<void(const ConsoleEvent&)>;

class Console {
 public:
  static constexpr std::string_view kFirstLine = "-- Brivak Console Window --";
  // The tray console is emptied when its text (lines joined by CR LF) grows beyond this size.
  static constexpr std::size_t kMaxChars = 100000;

  // `appData` ends in "/" (added when missing). Debug lines with SAVE_DEBUG go to `dayLog`.
  // The clock and the day log must outlive this object.
  Console(const platform::Clock& clock, DayLog& dayLog, std::string appData);

  // The debug switches ("-showdebug", "-savedebug", the tray menu); both false at start.
  std::atomic<bool> SHOW_DEBUG{false};
  std::atomic<bool> SAVE_DEBUG{false};

  // Whether a lock screen (and so its console) exists.
  void SetLockScreenExists(bool exists) { lockScreenExists_.store(exists); }
  bool LockScreenExists() const { return lockScreenExists_.load(); }

  // Replaces the observer; an empty function removes it.
  void SetObserver(ConsoleObserver observer);

  // Console line "[long time] text": appended to the tray console; saved to brivak3_debug.txt when
  // SHOW_DEBUG and SAVE_DEBUG are both on; copied (time taken anew) to the lock screen's console.
  void mem(std::string_view text);
  // Appends the text to the last line of the lock screen's console (when it exists), then Debug.
  void lastmem(std::string_view text);
  // Debug line. SAVE_DEBUG: "*" + text to the day log and the console to the debug-trace file;
  // lock screen and SHOW_DEBUG: mem(":" + text). Otherwise no trace. Never throws.
  void Debug(std::string_view text) noexcept;
  // Saves the tray console to brivak3_debug_dump.txt; failures are ignored.
  void savedebugdump() noexcept;

  // The tray console as its lines, or as text with CR LF between lines.
  std::vector<std::string> Lines() const;
  std::string Text() const;

  std::string DebugFile() const { return appData_ + "brivak3_debug.txt"; }
  std::string DebugTraceFile() const { return appData_ + "brivak3_debug_trace.txt"; }
  std::string DumpFile() const { return appData_ + "brivak3_debug_dump.txt"; }

 private:
  // Callers hold mutex_.
  void Notify(ConsoleTarget target, ConsoleChange change, std::string text);
  void SaveLocked(const std::string& path) const noexcept;

  const platform::Clock& clock_;
  DayLog& dayLog_;
  const std::string appData_;
  std::atomic<bool> lockScreenExists_{false};

  mutable std::mutex mutex_;
  std::vector<std::string> lines_;
  std::size_t textSize_ = 0;  // size of Text()
  ConsoleObserver observer_;
};

}  // namespace brivak::core
