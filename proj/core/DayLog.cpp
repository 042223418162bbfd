#include "proj/core/DayLog.h"

#include <filesystem>
#include <stdexcept>
#include <system_error>
#include <utility>

#include "common/AppendFile.h"
#include "common/Stools.h"
#include "proj/core/LogFormat.h"

namespace brivak::core {
DayLog::DayLog(const platform::Clock& clock, std::string logsFolder)
    : clock_(clock), logsFolder_(WithTrailingSlash(std::move(logsFolder))) {}

void DayLog::WriteLog(std::string_view text) {
  const platform::LocalTime now = clock_.Local();
  Write(StampedLine(now, text), Gate::kDoLog, now);
}

void DayLog::WL(std::string_view text) noexcept {
  try {
    const platform::LocalTime now = clock_.Local();
    Write(text.empty() ? std::string() : StampedLine(now, text), Gate::kAlways, now);
  } catch (...) {
    // The start-up writer runs before anything could report an error.
  }
}

void DayLog::Write(std::string_view line, Gate gate, const platform::LocalTime& now) {
  std::string bytes(line);
  bytes += kLogLineEnd;
  const std::string path = logsFolder_ + DayFileName(now);

  std::lock_guard lock(mutex_);
  currentFile_ = path;
  if (AppendToExisting(path, bytes) == AppendOutcome::kWritten) return;
  if (gate == Gate::kDoLog && !doLog_.load()) return;  // dropped: DoLog is off and no file yet
  NewLogFile(path);
  if (AppendToExisting(path, bytes) != AppendOutcome::kWritten) {
    throw std::runtime_error("Could not write to log file " + path + ": it vanished after creation");
  }
}

bool DayLog::NewLogFile(const std::string& path) {
  const std::filesystem::path folder = std::filesystem::path(path).parent_path();
  if (!folder.empty()) {
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (ec) throw std::runtime_error("Could not create log folder " + folder.string() + ": " + ec.message());
  }
  std::string header = DayFileHeader(clock_.Local());
  header += kLogLineEnd;
  header += kLogLineEnd;
  header += kLogLineEnd;
  return CreateExclusive(path, header);
}

std::string DayLog::CurrentFile() const {
  std::lock_guard lock(mutex_);
  return currentFile_;
}

std::string DayLog::TodayFile() const { return logsFolder_ + DayFileName(clock_.Local()); }

}  // namespace brivak::core
