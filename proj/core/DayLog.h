// The event log: one text file per local day in the logs folder, named like "Dec-09-26.txt",
// starting with a header line and two empty lines, then one "[time] text" line per event.
// Thread-safe: writers in this process are serialised, and each line is appended with a single
// write on an append-only descriptor (FileSystem::AppendToExisting), so lines of other processes (a
// second start writing its start-up lines) never interleave with ours either. No handle stays open
// between lines.
#pragma once

#include <atomic>
#include <mutex>
#include <string>
#include <string_view>

#include "platform/Clock.h"
#include "platform/FileSystem.h"

namespace brivak::core {

class DayLog {
 public:
  // `logsFolder` is appData + "Logs/" (a missing trailing "/" is added). The clock and the file
  // system must outlive this object.
  DayLog(const platform::Clock& clock, platform::FileSystem& files, std::string logsFolder);

  // The DoLog setting: when false no day file is created; lines still go to an existing one.
  void SetDoLog(bool on) { doLog_.store(on); }
  bool DoLog() const { return doLog_.load(); }

  // Appends "[long time] text" to today's file. A line dropped by DoLog (no file, DoLog off) is not
  // an error. Throws std::runtime_error when the line cannot be written.
  void WriteLog(std::string_view text);
  // The start-up writer: like WriteLog but never gated by DoLog, an empty text appends an empty line
  // without time stamp, missing folders are created, and errors are swallowed.
  void WL(std::string_view text) noexcept;

  // Creates the folders of `path` and the file with its header and two empty lines, but only when
  // the file does not exist yet: an existing file is never truncated. Returns true when this call
  // created it. Throws std::runtime_error on failure.
  bool NewLogFile(const std::string& path);

  // The day file used by the latest WriteLog or WL (lCurLogFile); empty before the first line.
  std::string CurrentFile() const;
  // Today's day file path.
  std::string TodayFile() const;
  const std::string& LogsFolder() const { return logsFolder_; }

 private:
  enum class Gate { kDoLog, kAlways };
  void Write(std::string_view line, Gate gate, const platform::LocalTime& now);

  const platform::Clock& clock_;
  platform::FileSystem& files_;
  const std::string logsFolder_;
  std::atomic<bool> doLog_{true};
  mutable std::mutex mutex_;
  std::string currentFile_;
};

}  // namespace brivak::core
