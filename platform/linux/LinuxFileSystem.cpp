#include "platform/linux/LinuxFileSystem.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>

namespace brivak::platform {
namespace {

std::string Reason(const std::string& path, const char* what, int err) {
  return path + ": " + what + ": " + std::strerror(err);
}

int OpenRetrying(const std::string& path, int flags, unsigned mode = 0644) {
  int fd;
  do {
    fd = ::open(path.c_str(), flags, static_cast<mode_t>(mode));
  } while (fd < 0 && errno == EINTR);
  return fd;
}

// Writes everything: a short write (a signal, a filling disk) continues with the rest, so only a
// write that fails outright is reported, by its errno.
int WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    if (n == 0) return EIO;
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  return 0;
}

// Writes and closes; the errno of the first failure, or 0.
int WriteAndClose(int fd, std::string_view bytes) {
  const int err = WriteAll(fd, bytes);
  if (::close(fd) != 0 && errno != EINTR && err == 0) return errno;
  return err;
}

class FlockHold : public HeldFileLock {
 public:
  explicit FlockHold(int fd) : fd_(fd) {}
  ~FlockHold() override { ::close(fd_); }  // closing releases the flock
  FlockHold(const FlockHold&) = delete;
  FlockHold& operator=(const FlockHold&) = delete;

 private:
  int fd_;
};

}  // namespace

std::optional<std::string> LinuxFileSystem::ReadFile(const std::string& path) const {
  const int fd = OpenRetrying(path, O_RDONLY | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  std::string data;
  char buffer[8192];
  for (;;) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0) {
      if (errno == EINTR) continue;
      ::close(fd);
      return std::nullopt;
    }
    if (n == 0) break;
    data.append(buffer, static_cast<std::size_t>(n));
  }
  ::close(fd);
  return data;
}

bool LinuxFileSystem::IsFile(const std::string& path) const {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool LinuxFileSystem::IsFolder(const std::string& path) const {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::vector<std::string> LinuxFileSystem::ListFolder(const std::string& folder) const {
  std::vector<std::string> names;
  DIR* dir = ::opendir(folder.c_str());
  if (dir == nullptr) return names;
  while (const dirent* entry = ::readdir(dir)) {
    const std::string name = entry->d_name;
    if (name != "." && name != "..") names.push_back(name);
  }
  ::closedir(dir);
  std::sort(names.begin(), names.end());
  return names;
}

FileResult LinuxFileSystem::ReplaceFile(const std::string& path, std::string_view data, unsigned newFileMode) {
  unsigned mode = newFileMode;
  struct stat st {};
  if (::stat(path.c_str(), &st) == 0) mode = st.st_mode & 07777;  // an existing file keeps its mode

  std::string tempPath = path + ".XXXXXX";
  const int fd = ::mkostemp(tempPath.data(), O_CLOEXEC);
  if (fd < 0) return FileResult::Failed(Reason(path, "cannot create a temporary file", errno));

  const auto fail = [&](const char* what, int err, bool closeFd) {
    if (closeFd) ::close(fd);
    ::unlink(tempPath.c_str());
    return FileResult::Failed(Reason(path, what, err));
  };
  if (const int err = WriteAll(fd, data); err != 0) return fail("cannot write", err, true);
  if (::fchmod(fd, static_cast<mode_t>(mode)) != 0) return fail("cannot set the mode", errno, true);
  if (::fsync(fd) != 0) return fail("cannot flush", errno, true);
  if (::close(fd) != 0) return fail("cannot close", errno, false);
  if (::rename(tempPath.c_str(), path.c_str()) != 0) return fail("cannot replace", errno, false);

  // Make the rename itself durable; a failure here does not undo the completed replacement.
  const int dirFd = ::open(FolderOf(path).empty() ? "." : FolderOf(path).c_str(),
                           O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dirFd >= 0) {
    ::fsync(dirFd);
    ::close(dirFd);
  }
  return FileResult::Ok();
}

AppendResult LinuxFileSystem::AppendToExisting(const std::string& path, std::string_view bytes) {
  const int fd = OpenRetrying(path, O_WRONLY | O_APPEND | O_CLOEXEC);
  if (fd < 0) {
    if (errno == ENOENT) return {AppendOutcome::kNoFile, {}};
    return {AppendOutcome::kFailed, Reason(path, "cannot open", errno)};
  }
  if (const int err = WriteAndClose(fd, bytes); err != 0) {
    return {AppendOutcome::kFailed, Reason(path, "cannot write", err)};
  }
  return {AppendOutcome::kWritten, {}};
}

CreateResult LinuxFileSystem::CreateExclusive(const std::string& path, std::string_view bytes) {
  // O_CREAT|O_EXCL on the name itself; used when no private file can be made or linked.
  const auto createDirect = [&]() -> CreateResult {
    const int fd = OpenRetrying(path, O_WRONLY | O_CREAT | O_EXCL | O_APPEND | O_CLOEXEC);
    if (fd < 0) {
      if (errno == EEXIST) return {CreateOutcome::kExisted, {}};
      return {CreateOutcome::kFailed, Reason(path, "cannot create", errno)};
    }
    if (const int err = WriteAndClose(fd, bytes); err != 0) {
      return {CreateOutcome::kFailed, Reason(path, "cannot write", err)};
    }
    return {CreateOutcome::kCreated, {}};
  };
  // The content goes into a private file first and is published under the name with link(), which
  // fails when the name exists: no other writer ever sees the file without its content.
  static std::atomic<unsigned> counter{0};
  const std::string temp =
      path + "." + std::to_string(::getpid()) + "." + std::to_string(counter.fetch_add(1)) + ".tmp";
  const int fd = OpenRetrying(temp, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC);
  if (fd < 0) return createDirect();  // reports a missing or closed folder by the file's name
  if (const int err = WriteAndClose(fd, bytes); err != 0) {
    ::unlink(temp.c_str());
    return {CreateOutcome::kFailed, Reason(path, "cannot write", err)};
  }
  const int linked = ::link(temp.c_str(), path.c_str());
  const int linkErr = errno;
  ::unlink(temp.c_str());
  if (linked == 0) return {CreateOutcome::kCreated, {}};
  if (linkErr == EEXIST) return {CreateOutcome::kExisted, {}};
  return createDirect();  // a file system without hard links
}

FileResult LinuxFileSystem::CreateFolders(const std::string& folder, unsigned mode) {
  if (folder.empty()) return FileResult::Ok();
  for (std::size_t slash = folder.find('/', 1);; slash = folder.find('/', slash + 1)) {
    const std::string part = folder.substr(0, slash);
    if (!part.empty() && ::mkdir(part.c_str(), static_cast<mode_t>(mode)) != 0 && errno != EEXIST) {
      return FileResult::Failed(Reason(part, "cannot create the folder", errno));
    }
    if (slash == std::string::npos) break;
  }
  if (!IsFolder(folder)) return FileResult::Failed(folder + ": cannot create the folder: not a folder");
  return FileResult::Ok();
}

FileResult LinuxFileSystem::RemoveFile(const std::string& path) {
  if (::unlink(path.c_str()) != 0 && errno != ENOENT) {
    return FileResult::Failed(Reason(path, "cannot remove", errno));
  }
  return FileResult::Ok();
}

FileResult LinuxFileSystem::SetMode(const std::string& path, unsigned mode) {
  if (::chmod(path.c_str(), static_cast<mode_t>(mode)) != 0) {
    return FileResult::Failed(Reason(path, "cannot set the mode", errno));
  }
  return FileResult::Ok();
}

std::optional<unsigned> LinuxFileSystem::Mode(const std::string& path) const {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return std::nullopt;
  return static_cast<unsigned>(st.st_mode & 07777);
}

std::unique_ptr<HeldFileLock> LinuxFileSystem::Lock(const std::string& lockPath, bool exclusive, unsigned mode,
                                                    std::string& error) {
  const int fd = OpenRetrying(lockPath, O_RDWR | O_CREAT | O_CLOEXEC, mode);
  if (fd < 0) {
    error = Reason(lockPath, "cannot open the lock", errno);
    return nullptr;
  }
  while (::flock(fd, exclusive ? LOCK_EX : LOCK_SH) != 0) {
    if (errno == EINTR) continue;
    error = Reason(lockPath, "cannot lock", errno);
    ::close(fd);
    return nullptr;
  }
  return std::make_unique<FlockHold>(fd);
}

}  // namespace brivak::platform
