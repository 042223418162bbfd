#include "proj/core/DayLog.h"

#include <stdexcept>
#include <utility>

#include "common/Stools.h"
#include "proj/core/LogFormat.h"

namespace brivak::core {
DayLog::DayLog(const platform::Clock& clock, platform::FileSystem& files, std::string logsFolder)
    : clock_(clock), files_(files), logsFolder_(WithTrailingSlash(std::move(logsFolder))) {}

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
  using platform::AppendOutcome;
  platform::AppendResult appended = files_.AppendToExisting(path, bytes);
  if (appended.outcome == AppendOutcome::kNoFile) {
    if (gate == Gate::kDoLog && !doLog_.load()) return;  // dropped: DoLog is off and no file yet
    NewLogFile(path);
    appended = files_.AppendToExisting(path, bytes);
    if (appended.outcome == AppendOutcome::kNoFile) {
      throw std::runtime_error("Could not write to log file " + path + ": it vanished after creation");
    }
  }
  if (appended.outcome == AppendOutcome::kFailed) {
    throw std::runtime_error("Could not write to log file " + appended.error);
  }
}

bool DayLog::NewLogFile(const std::string& path) {
  const std::string folder = platform::FolderOf(path);
  if (!folder.empty()) {
    const platform::FileResult created = files_.CreateFolders(folder);
    if (!created) throw std::runtime_error("Could not create log folder " + created.error);
  }
  std::string header = DayFileHeader(clock_.Local());
  header += kLogLineEnd;
  header += kLogLineEnd;
  header += kLogLineEnd;
  const platform::CreateResult result = files_.CreateExclusive(path, header);
  if (result.outcome == platform::CreateOutcome::kFailed) {
    throw std::runtime_error("Could not create log file " + result.error);
  }
  return result.outcome == platform::CreateOutcome::kCreated;
}

std::string DayLog::CurrentFile() const {
  std::lock_guard lock(mutex_);
  return currentFile_;
}

std::string DayLog::TodayFile() const { return logsFolder_ + DayFileName(clock_.Local()); }

}  // namespace brivak::core
