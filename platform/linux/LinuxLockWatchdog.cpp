#include "platform/linux/LinuxLockWatchdog.h"

#include <poll.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <string>

extern char** environ;

namespace brivak::platform {

LinuxLockWatchdog::LinuxLockWatchdog(std::string socketPath, std::string watchdogProgram,
                                     std::vector<std::string> lockerArgv)
    : socketPath_(std::move(socketPath)),
      watchdogProgram_(std::move(watchdogProgram)),
      lockerArgv_(std::move(lockerArgv)) {}

LinuxLockWatchdog::~LinuxLockWatchdog() {
  fd_.Reset();  // a watchdog with no lock to keep ends when we go
  Reap();
}

void LinuxLockWatchdog::Reap() {
  if (child_ > 0 && ::waitpid(child_, nullptr, WNOHANG) == child_) child_ = -1;
}

bool LinuxLockWatchdog::Connect() {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (socketPath_.empty() || socketPath_.size() >= sizeof(address.sun_path)) return false;
  std::memcpy(address.sun_path, socketPath_.c_str(), socketPath_.size() + 1);
  UniqueFd fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
  if (!fd.Valid()) return false;
  if (::connect(fd.Get(), reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0) return false;
  fd_ = std::move(fd);
  return true;
}

bool LinuxLockWatchdog::Spawn() {
  if (watchdogProgram_.empty() || ::access(watchdogProgram_.c_str(), X_OK) != 0) return false;
  int pair[2];
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair) != 0) return false;
  UniqueFd ours(pair[0]);
  UniqueFd theirs(pair[1]);
  std::vector<std::string> argv{watchdogProgram_, "--socket", socketPath_, "--fd", "3", "--"};
  argv.insert(argv.end(), lockerArgv_.begin(), lockerArgv_.end());
  std::vector<char*> args;
  for (auto& arg : argv) args.push_back(arg.data());
  args.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawnattr_t attributes;
  if (posix_spawn_file_actions_init(&actions) != 0) return false;
  if (posix_spawnattr_init(&attributes) != 0) {
    posix_spawn_file_actions_destroy(&actions);
    return false;
  }
  // dup2 leaves the copy open across exec; the watchdog closes everything else of ours itself.
  posix_spawn_file_actions_adddup2(&actions, theirs.Get(), 3);
  // A session of its own: the terminal's signals for brivak3 are not the watchdog's. Signals
  // blocked here (brivak3 takes them on one thread) are unblocked for it.
  sigset_t none;
  sigemptyset(&none);
  posix_spawnattr_setsigmask(&attributes, &none);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGMASK);
  pid_t pid = -1;
  const int rc = posix_spawn(&pid, args.front(), &actions, &attributes, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attributes);
  if (rc != 0) return false;
  child_ = pid;
  fd_ = std::move(ours);
  return true;
}

bool LinuxLockWatchdog::Attach() {
  Reap();
  if (fd_.Valid()) return true;
  return Connect() || Spawn();
}

bool LinuxLockWatchdog::Send(const char* line) {
  const std::string text = std::string(line) + "\n";
  for (int attempt = 0; attempt < 2; ++attempt) {
    if (!fd_.Valid() && !Attach()) return false;
    if (::send(fd_.Get(), text.data(), text.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(text.size())) return true;
    fd_.Reset();  // the watchdog is gone: one new one, once
  }
  return false;
}

std::string LinuxLockWatchdog::Ask(const char* line) {
  if (!Send(line)) return {};
  std::string got;
  const auto deadline = std::chrono::steady_clock::now() + kAnswerWait;
  while (got.empty() || got.back() != '\n') {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0 || got.size() > 64) return {};
    pollfd entry{fd_.Get(), POLLIN, 0};
    if (::poll(&entry, 1, static_cast<int>(left.count())) <= 0) continue;
    char c = 0;  // one byte at a time: nothing after the answer's line end is taken
    if (::recv(fd_.Get(), &c, 1, 0) != 1) {
      fd_.Reset();
      return {};
    }
    got.push_back(c);
  }
  got.pop_back();
  return got;
}

bool LinuxLockWatchdog::LockBegins() { return Ask("lock") == "covered"; }
bool LinuxLockWatchdog::LockHolds() { return Ask("held") == "released"; }
void LinuxLockWatchdog::LockEnds() { Send("unlock"); }
void LinuxLockWatchdog::HandOver() { Send("handover"); }

}  // namespace brivak::platform
