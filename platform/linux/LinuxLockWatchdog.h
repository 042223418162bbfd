// The lock's watchdog over a Unix stream socket: the session's watchdog listens at `socketPath`;
// when none answers there, brivak3-watchdog is started from `watchdogProgram` with one end of a
// socket pair as its descriptor 3 and `lockerArgv` as the command that starts brivak3 again.
#pragma once

#include <chrono>
#include <string>
#include <sys/types.h>
#include <vector>

#include "platform/LockWatchdog.h"
#include "platform/linux/UniqueFd.h"

namespace brivak::platform {

class LinuxLockWatchdog : public LockWatchdog {
 public:
  // How long LockBegins and LockHolds wait for the watchdog's answer.
  static constexpr std::chrono::milliseconds kAnswerWait{1000};

  LinuxLockWatchdog(std::string socketPath, std::string watchdogProgram, std::vector<std::string> lockerArgv);
  ~LinuxLockWatchdog() override;

  bool Attach() override;
  bool LockBegins() override;
  bool LockHolds() override;
  void LockEnds() override;
  void HandOver() override;

 private:
  bool Connect();
  bool Spawn();
  bool Send(const char* line);
  // Sends `line` and returns the answer's line (empty: none in time).
  std::string Ask(const char* line);
  void Reap();

  std::string socketPath_;
  std::string watchdogProgram_;
  std::vector<std::string> lockerArgv_;
  UniqueFd fd_;
  pid_t child_ = -1;
};

}  // namespace brivak::platform
