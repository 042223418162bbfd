#include "proj/core/Console.h"

#include <fstream>
#include <utility>

#include "common/Stools.h"
#include "proj/core/LogFormat.h"

namespace brivak::core {
Console::Console(const platform::Clock& clock, DayLog& dayLog, std::string appData)
    : clock_(clock), dayLog_(dayLog), appData_(WithTrailingSlash(std::move(appData))) {
  lines_.emplace_back(kFirstLine);
  textSize_ = kFirstLine.size();
}

void Console::SetObserver(ConsoleObserver observer) {
  std::lock_guard lock(mutex_);
  observer_ = std::move(observer);
}

void Console::Notify(ConsoleTarget target, ConsoleChange change, std::string text) {
  if (observer_) observer_(ConsoleEvent{target, change, std::move(text)});
}

void Console::mem(std::string_view text) {
  std::lock_guard lock(mutex_);
  const std::string line = StampedLine(clock_.Local(), text);
  textSize_ += (lines_.empty() ? 0 : 2) + line.size();
  lines_.push_back(line);
  // Checked on every change: the line that goes past the cap is emptied with the rest, and the
  // next line starts a fresh console.
  const bool cleared = textSize_ > kMaxChars;
  if (cleared) {
    lines_.clear();
    textSize_ = 0;
  }
  if (SAVE_DEBUG.load() && SHOW_DEBUG.load()) SaveLocked(DebugFile());
  Notify(ConsoleTarget::kTray, ConsoleChange::kNewLine, line);
  if (cleared) Notify(ConsoleTarget::kTray, ConsoleChange::kCleared, {});
  if (lockScreenExists_.load()) {
    Notify(ConsoleTarget::kLockScreen, ConsoleChange::kNewLine, StampedLine(clock_.Local(), text));
  }
}

void Console::lastmem(std::string_view text) {
  {
    std::lock_guard lock(mutex_);
    if (lockScreenExists_.load()) {
      Notify(ConsoleTarget::kLockScreen, ConsoleChange::kAppendToLast, SanitizeLogText(text));
    }
  }
  Debug(text);
}

void Console::Debug(std::string_view text) noexcept {
  try {
    if (SAVE_DEBUG.load()) {
      try {
        dayLog_.WriteLog("*" + std::string(text));
      } catch (...) {
        // A debug line never reports its own failure.
      }
      std::lock_guard lock(mutex_);
      SaveLocked(DebugTraceFile());
    }
    if (lockScreenExists_.load() && SHOW_DEBUG.load()) mem(":" + std::string(text));
  } catch (...) {
    // Allocation or observer failures: the debug trace is optional.
  }
}

void Console::savedebugdump() noexcept {
  std::lock_guard lock(mutex_);
  SaveLocked(DumpFile());
}

void Console::SaveLocked(const std::string& path) const noexcept {
  try {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    for (const std::string& line : lines_) {
      out << line << kLogLineEnd;
    }
  } catch (...) {
    // Debug-file saves that fail are ignored.
  }
}

std::vector<std::string> Console::Lines() const {
  std::lock_guard lock(mutex_);
  return lines_;
}

std::string Console::Text() const {
  std::lock_guard lock(mutex_);
  std::string text;
  text.reserve(textSize_);
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    if (i > 0) text += "\r\n";
    text += lines_[i];
  }
  return text;
}

}  // namespace brivak::core
