#include "common/AppendFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace brivak {
namespace {

[[noreturn]] void Fail(const char* what, const std::string& path, int err) {
  throw std::runtime_error(std::string(what) + " " + path + ": " + std::strerror(err));
}

int OpenRetrying(const std::string& path, int flags) {
  int fd;
  do {
    fd = ::open(path.c_str(), flags, 0644);
  } while (fd < 0 && errno == EINTR);
  return fd;
}

// Writes everything; a short write (disk full, signal) continues with the rest rather than
// losing it, so only that rare case can split a line.
void WriteAll(int fd, std::string_view bytes, const std::string& path) {
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      const int err = errno;
      ::close(fd);
      Fail("Could not write to", path, err);
    }
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
}

void CloseChecked(int fd, const std::string& path) {
  if (::close(fd) != 0 && errno != EINTR) Fail("Could not close", path, errno);
}

// O_CREAT|O_EXCL on the name itself; the content follows the creation by one write.
bool CreateDirect(const std::string& path, std::string_view bytes) {
  const int fd = OpenRetrying(path, O_WRONLY | O_CREAT | O_EXCL | O_APPEND | O_CLOEXEC);
  if (fd < 0) {
    if (errno == EEXIST) return false;
    Fail("Could not create", path, errno);
  }
  WriteAll(fd, bytes, path);
  CloseChecked(fd, path);
  return true;
}

}  // namespace

AppendOutcome AppendToExisting(const std::string& path, std::string_view bytes) {
  const int fd = OpenRetrying(path, O_WRONLY | O_APPEND | O_CLOEXEC);
  if (fd < 0) {
    if (errno == ENOENT) return AppendOutcome::kNoFile;
    Fail("Could not open", path, errno);
  }
  WriteAll(fd, bytes, path);
  CloseChecked(fd, path);
  return AppendOutcome::kWritten;
}

bool CreateExclusive(const std::string& path, std::string_view bytes) {
  // The content goes into a private file first and is published under the name with link(), which
  // fails when the name exists: no other writer ever sees the file without its content (a line
  // appended between creation and the first write would otherwise come first).
  static std::atomic<unsigned> counter{0};
  const std::string temp =
      path + "." + std::to_string(::getpid()) + "." + std::to_string(counter.fetch_add(1)) + ".tmp";
  const int fd = OpenRetrying(temp, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC);
  if (fd < 0) return CreateDirect(path, bytes);  // reports a missing or closed folder by its name
  try {
    WriteAll(fd, bytes, temp);
    CloseChecked(fd, temp);
  } catch (...) {
    ::unlink(temp.c_str());
    throw;
  }
  const int linked = ::link(temp.c_str(), path.c_str());
  const int linkErr = errno;
  ::unlink(temp.c_str());
  if (linked == 0) return true;
  if (linkErr == EEXIST) return false;
  return CreateDirect(path, bytes);  // a file system without hard links
}

}  // namespace brivak
