#include "proj/app/LockStateFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>

namespace brivak::app {

namespace {
constexpr const char kLockedText[] = "locked\n";
}

bool LockStateFile::Locked() const {
  std::ifstream in(path_, std::ios::binary);
  std::string line;
  return in && std::getline(in, line) && line == "locked";
}

bool LockStateFile::SetLocked() {
  const int fd = ::open(path_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0) return false;
  const auto size = sizeof(kLockedText) - 1;
  const bool written = ::write(fd, kLockedText, size) == static_cast<ssize_t>(size) && ::fsync(fd) == 0;
  ::close(fd);
  return written;
}

void LockStateFile::Clear() { std::remove(path_.c_str()); }

}  // namespace brivak::app
