// The locker's diagnostic writers in one object: the day log and the console behind the LogSink
// interface that code below the program shell receives. Owned by the program; thread-safe.
#pragma once

#include <ostream>
#include <string>
#include <string_view>

#include "common/LogSink.h"
#include "platform/Clock.h"
#include "proj/core/Console.h"
#include "proj/core/DayLog.h"

namespace brivak::core {

class Diagnostics final : public LogSink {
 public:
  // `appData` is "<data root>/Brivak 3.0/"; the day files go to appData + "Logs/". The clock and
  // the file system must outlive this object.
  Diagnostics(const platform::Clock& clock, platform::FileSystem& files, const std::string& appData);

  DayLog& EventLog() { return dayLog_; }
  Console& TrayConsole() { return console_; }

  // LogSink.
  void WriteLog(std::string_view text) override { dayLog_.WriteLog(text); }
  void Mem(std::string_view text) override { console_.mem(text); }
  void LastMem(std::string_view text) override { console_.lastmem(text); }
  void Debug(std::string_view text) override { console_.Debug(text); }

  void WL(std::string_view text) noexcept { dayLog_.WL(text); }

  // SetEcho and SetObserver configure the object: call them from one thread (the writers may run
  // meanwhile on any thread).
  // Every new tray-console line is also printed, with "\n", to `echo` (the headless program
  // passes std::cout); null turns it off. The stream must outlive its use here.
  void SetEcho(std::ostream* echo);
  // The console observer (see Console); the echo is kept.
  void SetObserver(ConsoleObserver observer);

 private:
  void InstallObserver();

  DayLog dayLog_;
  Console console_;
  // The configured parts; the console calls copies of them (see InstallObserver).
  std::ostream* echo_ = nullptr;
  ConsoleObserver observer_;
};

}  // namespace brivak::core
