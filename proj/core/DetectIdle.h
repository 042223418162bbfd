// `TmcDetectIdle`: how long the session and this program have been left alone. The session's
// figure comes from the platform's idle source; the program's own figure from the last keyboard or
// pointer event that reached one of its windows, which the desktop shell reports with AppInput.
//
// Threads: every method may be called from any thread (the status record reads SysIdleTime on
// network threads; the shell's input filter calls AppInput on the UI thread).
#pragma once

#include <atomic>
#include <cstdint>

#include "platform/Clock.h"
#include "platform/IdleSource.h"

namespace brivak::core {

class TmcDetectIdle {
 public:
  // Both references must outlive the detector. The program's idle time starts at its creation.
  TmcDetectIdle(const platform::IdleSource& system, const platform::Clock& clock);

  // Milliseconds since the last input anywhere in the session; 0 when the system cannot tell.
  std::uint64_t SysIdleTime() const { return system_.IdleMs(); }
  // Milliseconds since the last input to the program's own windows (`dwAppLastInputTime`).
  std::uint64_t AppIdleTime() const;
  // A keyboard or pointer event reached one of the program's windows.
  void AppInput();

 private:
  const platform::IdleSource& system_;
  const platform::Clock& clock_;
  std::atomic<std::int64_t> dwAppLastInputTime_;
};

}  // namespace brivak::core
