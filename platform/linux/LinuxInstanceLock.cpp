#include "platform/linux/LinuxInstanceLock.h"

#include <fcntl.h>
#include <sys/file.h>

#include <cerrno>

namespace brivak::platform {

LinuxInstanceLock::LinuxInstanceLock(std::string path) : path_(std::move(path)) {}

bool LinuxInstanceLock::TryAcquire() {
  std::lock_guard lock(mutex_);
  if (acquired_) return true;

  int fd = -1;
  do {
    fd = ::open(path_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) {
    acquired_ = true;  // no lock can be had at all: start as the instance
    return true;
  }
  UniqueFd file(fd);

  int rc = 0;
  do {
    rc = ::flock(file.Get(), LOCK_EX | LOCK_NB);
  } while (rc != 0 && errno == EINTR);
  if (rc != 0 && errno == EWOULDBLOCK) return false;  // another process is the instance

  // Locked, or locking is not supported here (then, as above, we start as the instance).
  fd_ = std::move(file);
  acquired_ = true;
  return true;
}

}  // namespace brivak::platform
