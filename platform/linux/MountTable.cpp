#include "platform/linux/MountTable.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>

namespace brivak::platform {

namespace {

std::string Unescape(std::string_view field) {
  std::string out;
  out.reserve(field.size());
  for (std::size_t i = 0; i < field.size(); ++i) {
    if (field[i] == '\\' && i + 3 < field.size()) {
      const char a = field[i + 1], b = field[i + 2], c = field[i + 3];
      if (a >= '0' && a <= '3' && b >= '0' && b <= '7' && c >= '0' && c <= '7') {
        out.push_back(static_cast<char>((a - '0') * 64 + (b - '0') * 8 + (c - '0')));
        i += 3;
        continue;
      }
    }
    out.push_back(field[i]);
  }
  return out;
}

std::string ReadWhole(int fd) {
  std::string text;
  if (lseek(fd, 0, SEEK_SET) < 0) return text;
  char buffer[8192];
  for (;;) {
    const ssize_t n = read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    text.append(buffer, static_cast<std::size_t>(n));
  }
  return text;
}

}  // namespace

std::vector<std::string> ParseMountInfo(std::string_view text) {
  std::vector<std::string> points;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    // Fields: id, parent id, major:minor, root, mount point, ...
    std::size_t pos = 0;
    std::string_view field;
    int index = 0;
    while (pos <= line.size() && index < 5) {
      const std::size_t blank = line.find(' ', pos);
      field = line.substr(pos, blank == std::string_view::npos ? std::string_view::npos : blank - pos);
      ++index;
      if (blank == std::string_view::npos) break;
      pos = blank + 1;
    }
    if (index == 5 && !field.empty()) points.push_back(Unescape(field));
  }
  return points;
}

LinuxMediaWatch::LinuxMediaWatch(std::string mountInfoPath) : path_(std::move(mountInfoPath)) {
  table_ = ReadTable();
}

LinuxMediaWatch::~LinuxMediaWatch() { Stop(); }

std::vector<std::string> LinuxMediaWatch::ReadTable() const {
  UniqueFd fd(open(path_.c_str(), O_RDONLY | O_CLOEXEC));
  if (!fd.Valid()) return {};
  return ParseMountInfo(ReadWhole(fd.Get()));
}

void LinuxMediaWatch::Start(Callback callback) {
  if (thread_.joinable()) return;
  callback_ = std::move(callback);
  stopFd_.Reset(eventfd(0, EFD_CLOEXEC));
  {
    std::lock_guard lock(mutex_);
    table_ = ReadTable();
  }
  thread_ = std::thread([this] { Run(); });
}

void LinuxMediaWatch::Stop() {
  if (!thread_.joinable()) return;
  const std::uint64_t one = 1;
  [[maybe_unused]] const ssize_t n = write(stopFd_.Get(), &one, sizeof one);
  thread_.join();
  stopFd_.Reset();
}

std::vector<std::string> LinuxMediaWatch::MountPoints() const {
  std::lock_guard lock(mutex_);
  return table_;
}

void LinuxMediaWatch::Run() {
  UniqueFd table(open(path_.c_str(), O_RDONLY | O_CLOEXEC));
  if (!table.Valid()) return;
  ReadWhole(table.Get());  // the kernel flags changes made after the last read
  for (;;) {
    pollfd fds[2] = {{table.Get(), POLLPRI, 0}, {stopFd_.Get(), POLLIN, 0}};
    const int ready = poll(fds, 2, -1);
    if (ready < 0) {
      if (errno == EINTR) continue;
      return;
    }
    if (fds[1].revents != 0) return;
    if ((fds[0].revents & (POLLPRI | POLLERR)) == 0) continue;
    std::vector<std::string> now = ParseMountInfo(ReadWhole(table.Get()));
    std::vector<std::string> before;
    {
      std::lock_guard lock(mutex_);
      before = table_;
      table_ = now;
    }
    // Unmounts first, then mounts, each in table order; a point mounted twice counts by number.
    auto removeOne = [](std::vector<std::string>& from, const std::string& point) {
      const auto it = std::find(from.begin(), from.end(), point);
      if (it == from.end()) return false;
      from.erase(it);
      return true;
    };
    std::vector<std::string> added = now;
    std::vector<std::string> removed;
    for (const auto& point : before) {
      if (!removeOne(added, point)) removed.push_back(point);
    }
    for (const auto& point : removed) callback_(MediaChange{false, point});
    for (const auto& point : added) callback_(MediaChange{true, point});
  }
}

}  // namespace brivak::platform
