// brivak3-watchdog: keeps a lock closed when brivak3 dies while locked (WatchdogState.h has the
// protocol and the rules). brivak3 starts it at its own start-up with one end of a socket pair as
// file descriptor 3; later starts of brivak3 (after a crash or a hand-over) connect to the socket
// the watchdog listens on. Plain Xlib and POSIX, no toolkit: it must stay up when brivak3 is not.
//
//   brivak3-watchdog --socket PATH [--fd N] -- BRIVAK3 [ARGUMENTS...]
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <iostream>
#include <map>
#include <string>
#include <vector>

#include "proj/core/WatchdogState.h"
#include "proj/watchdog/WatchdogCovers.h"

namespace {

using brivak::core::WatchdogAction;
using brivak::core::WatchdogState;
using brivak::watchdog::WatchdogCovers;

constexpr int kGrabRetryMs = 50;
constexpr std::size_t kMaxLine = 256;

std::int64_t NowMs() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<std::int64_t>(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

void Say(const std::string& line) { std::cout << line << std::endl; }

// Listens on `path` unless another watchdog answers there already (then -1: this one only serves
// the locker that started it).
int Listen(const std::string& path) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (path.empty() || path.size() >= sizeof(address.sun_path)) return -1;
  std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
  const auto* raw = reinterpret_cast<const sockaddr*>(&address);
  struct stat old{};
  if (::lstat(path.c_str(), &old) == 0) {
    if (!S_ISSOCK(old.st_mode)) return -1;  // not ours to remove
    const int probe = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (probe >= 0 && ::connect(probe, raw, sizeof(address)) == 0) {
      ::close(probe);
      return -1;
    }
    if (probe >= 0) ::close(probe);
    ::unlink(path.c_str());
  }
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (fd < 0) return -1;
  const mode_t mask = ::umask(0077);
  const bool bound = ::bind(fd, raw, sizeof(address)) == 0;
  ::umask(mask);
  if (!bound || ::listen(fd, 4) != 0) {
    ::close(fd);
    return -1;
  }
  return fd;
}

// brivak3 again, in a session of its own, with nothing of ours but the standard streams.
pid_t StartLocker(const std::vector<std::string>& argv) {
  if (argv.empty()) return -1;
  const pid_t pid = ::fork();
  if (pid != 0) return pid;
  ::setsid();
  ::close_range(3, ~0U, 0);
  sigset_t none;
  sigemptyset(&none);
  ::sigprocmask(SIG_SETMASK, &none, nullptr);
  ::signal(SIGPIPE, SIG_DFL);
  std::vector<char*> args;
  for (const auto& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
  args.push_back(nullptr);
  ::execv(args[0], args.data());
  ::_exit(127);
}

struct Client {
  std::string buffer;
};

}  // namespace

int main(int argc, char** argv) {
  std::string socketPath;
  int inherited = -1;
  std::vector<std::string> locker;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--socket" && i + 1 < argc) {
      socketPath = argv[++i];
    } else if (arg == "--fd" && i + 1 < argc) {
      inherited = std::atoi(argv[++i]);
    } else if (arg == "--") {
      for (++i; i < argc; ++i) locker.emplace_back(argv[i]);
    }
  }
  // Nothing of brivak3's but the standard streams and our socket: an inherited listening socket
  // would keep its ports from the next start.
  if (inherited == 3) {
    ::close_range(4, ~0U, 0);
  } else {
    ::close_range(3, ~0U, 0);
    inherited = -1;
  }
  ::signal(SIGPIPE, SIG_IGN);
  ::signal(SIGHUP, SIG_IGN);
  ::signal(SIGINT, SIG_IGN);

  auto covers = WatchdogCovers::Open();
  if (!covers) {
    Say("brivak3-watchdog: cannot open the X display");
    return 1;
  }
  const int listener = Listen(socketPath);
  if (listener < 0 && inherited < 0) {
    Say("brivak3-watchdog: another watchdog serves " + socketPath);
    return 0;
  }

  WatchdogState state;
  std::map<int, Client> clients;
  if (inherited >= 0) {
    ::fcntl(inherited, F_SETFD, FD_CLOEXEC);
    clients[inherited] = {};
    state.OnConnected(inherited);
  }
  Say("brivak3-watchdog: running");

  auto perform = [&](const std::vector<WatchdogAction>& actions) {
    for (const WatchdogAction& action : actions) {
      switch (action.kind) {
        case WatchdogAction::Kind::MapCovers: covers->Map(); break;
        case WatchdogAction::Kind::RaiseCovers: covers->Raise(); break;
        case WatchdogAction::Kind::UnmapCovers: covers->Unmap(); break;
        case WatchdogAction::Kind::TakeGrabs: covers->TakeGrabs(); break;
        case WatchdogAction::Kind::ReleaseGrabs: covers->ReleaseGrabs(); break;
        case WatchdogAction::Kind::Reply: {
          const std::string line = action.text + "\n";
          (void)!::send(action.client, line.data(), line.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
          break;
        }
        case WatchdogAction::Kind::StartLocker:
          if (StartLocker(locker) < 0) Say("brivak3-watchdog: cannot start brivak3");
          break;
        case WatchdogAction::Kind::Log: Say(action.text); break;
        case WatchdogAction::Kind::Exit:
          covers.reset();
          if (listener >= 0) ::unlink(socketPath.c_str());
          std::exit(0);
      }
    }
  };

  for (;;) {
    while (::waitpid(-1, nullptr, WNOHANG) > 0) {
    }
    std::vector<pollfd> fds;
    fds.push_back({covers->Fd(), POLLIN, 0});
    if (listener >= 0) fds.push_back({listener, POLLIN, 0});
    for (const auto& [fd, client] : clients) fds.push_back({fd, POLLIN, 0});
    int timeout = -1;
    if (covers->WantsGrabs() && !covers->GrabsHeld()) timeout = kGrabRetryMs;
    if (const auto deadline = state.NextDeadline()) {
      const auto left = std::max<std::int64_t>(0, *deadline - NowMs());
      if (timeout < 0 || left < timeout) timeout = static_cast<int>(left);
    }
    covers->HandleEvents();
    const int ready = ::poll(fds.data(), fds.size(), timeout);
    if (ready < 0 && errno != EINTR) return 1;
    covers->HandleEvents();
    if (covers->WantsGrabs() && !covers->GrabsHeld()) covers->Retry();
    perform(state.OnTick(NowMs()));
    if (ready <= 0) continue;

    for (const pollfd& entry : fds) {
      if (entry.revents == 0 || entry.fd == covers->Fd()) continue;
      if (entry.fd == listener) {
        const int fd = ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd >= 0) {
          clients[fd] = {};
          state.OnConnected(fd);
        }
        continue;
      }
      char chunk[512];
      const ssize_t n = ::recv(entry.fd, chunk, sizeof(chunk), MSG_DONTWAIT);
      if (n < 0 && (errno == EAGAIN || errno == EINTR)) continue;
      if (n <= 0) {
        // End of file: the locker is gone (normally, or killed).
        ::close(entry.fd);
        clients.erase(entry.fd);
        perform(state.OnGone(entry.fd, NowMs()));
        continue;
      }
      std::string& buffer = clients[entry.fd].buffer;
      buffer.append(chunk, static_cast<std::size_t>(n));
      for (std::size_t end; (end = buffer.find('\n')) != std::string::npos;) {
        const std::string line = buffer.substr(0, end);
        buffer.erase(0, end + 1);
        perform(state.OnLine(entry.fd, line, NowMs()));
      }
      if (buffer.size() > kMaxLine) buffer.clear();  // no line is that long
    }
  }
}
