// The single-instance rule on Linux: an exclusive flock on a lock file. The kernel drops the lock
// when the process ends, however it ends, so a crashed instance never blocks the next start.
#pragma once

#include <mutex>
#include <string>

#include "platform/Instance.h"
#include "platform/linux/UniqueFd.h"

namespace brivak::platform {

// `path` is the lock file ("brivak3.lock" in the runtime folder, else in the data folder); it is
// created with mode 0600 when missing and never removed (removing it would let a second process
// lock a new file while the first still holds the old one). Thread-safe.
class LinuxInstanceLock : public InstanceLock {
 public:
  explicit LinuxInstanceLock(std::string path);

  // Takes the lock without waiting. Once acquired, further calls return true. When the file cannot
  // be opened or locked for a reason other than another holder, the result is true as well: the
  // program then starts as the instance rather than not at all.
  bool TryAcquire() override;

  const std::string& Path() const { return path_; }

 private:
  std::string path_;
  std::mutex mutex_;
  bool acquired_ = false;
  UniqueFd fd_;  // held (O_CLOEXEC, so started programs do not inherit it) until destruction
};

}  // namespace brivak::platform
