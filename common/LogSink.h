// The program's diagnostic writers as code below the program shell sees them. The locker's
// implementation writes the day log, the console and the debug trace; tests record the calls.
// Implementations are safe to call from several threads at once.
#pragma once

#include <string_view>

namespace brivak {

class LogSink {
 public:
  virtual ~LogSink() = default;
  // Event line into today's day log (gated by the DoLog setting). May throw when the file cannot
  // be written; the caller's error handler reports it.
  virtual void WriteLog(std::string_view text) = 0;
  // Console line ("mem").
  virtual void Mem(std::string_view text) = 0;
  // Appends to the last line of the lock screen's console, then a debug line ("lastmem").
  virtual void LastMem(std::string_view text) = 0;
  // Debug-trace line; leaves no trace unless the debug switches ask for one. Never throws.
  virtual void Debug(std::string_view text) = 0;
};

}  // namespace brivak
