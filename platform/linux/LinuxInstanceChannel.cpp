#include "platform/linux/LinuxInstanceChannel.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdint>
#include <cstring>

namespace brivak::platform {
namespace {

using SteadyClock = std::chrono::steady_clock;
using Deadline = SteadyClock::time_point;

static_assert(LinuxInstanceChannel::kMaxPathLength + 1 == sizeof(sockaddr_un{}.sun_path));

constexpr std::size_t kMessageSize = 12;
using Wire = std::array<unsigned char, kMessageSize>;

void PutLe32(unsigned char* out, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) out[i] = static_cast<unsigned char>(value >> (8 * i));
}

std::uint32_t GetLe32(const unsigned char* in) {
  std::uint32_t value = 0;
  for (int i = 0; i < 4; ++i) value |= static_cast<std::uint32_t>(in[i]) << (8 * i);
  return value;
}

Wire Encode(const InstanceMessage& message) {
  Wire wire{};
  PutLe32(wire.data(), message.message);
  PutLe32(wire.data() + 4, message.wParam);
  PutLe32(wire.data() + 8, message.lParam);
  return wire;
}

InstanceMessage Decode(const Wire& wire) {
  return {GetLe32(wire.data()), GetLe32(wire.data() + 4), GetLe32(wire.data() + 8)};
}

bool MakeAddress(const std::string& path, sockaddr_un& address) {
  if (path.empty() || path.size() > LinuxInstanceChannel::kMaxPathLength) return false;
  address = {};
  address.sun_family = AF_UNIX;
  std::memcpy(address.sun_path, path.data(), path.size());
  return true;
}

// Milliseconds left until `deadline`, rounded up so that poll does not wake just before it.
int MsLeft(Deadline deadline) {
  const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - SteadyClock::now()).count();
  if (left <= 0) return 0;
  return left > 0x7fffffff ? 0x7fffffff : static_cast<int>(left);
}

enum class Io { Done, Closed, Failed, Expired, Woken };

// Moves exactly `size` bytes over the non-blocking socket `fd` before `deadline`. When `wakeFd` is
// given and becomes readable, gives up with Woken.
Io Transfer(int fd, bool reading, unsigned char* data, std::size_t size, Deadline deadline, int wakeFd) {
  std::size_t done = 0;
  while (done < size) {
    const ssize_t n = reading ? ::recv(fd, data + done, size - done, 0)
                              : ::send(fd, data + done, size - done, MSG_NOSIGNAL);
    if (n > 0) {
      done += static_cast<std::size_t>(n);
      continue;
    }
    if (n == 0 && reading) return Io::Closed;
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) return Io::Failed;

    pollfd fds[2] = {{fd, static_cast<short>(reading ? POLLIN : POLLOUT), 0}, {wakeFd, POLLIN, 0}};
    const int rc = ::poll(fds, wakeFd >= 0 ? 2 : 1, MsLeft(deadline));
    if (rc < 0 && errno == EINTR) continue;
    if (rc < 0) return Io::Failed;
    if (wakeFd >= 0 && (fds[1].revents & POLLIN) != 0) return Io::Woken;
    if (rc == 0) return Io::Expired;
    // Readable, writable, or an error/hang-up that the next recv/send reports.
  }
  return Io::Done;
}

}  // namespace

LinuxInstanceChannel::LinuxInstanceChannel(std::string socketPath, std::chrono::milliseconds clientDeadline)
    : path_(std::move(socketPath)), clientDeadline_(clientDeadline) {}

LinuxInstanceChannel::~LinuxInstanceChannel() {
  StopListening();
}

bool LinuxInstanceChannel::Listen(Handler handler) {
  std::lock_guard lock(mutex_);
  if (thread_.joinable() || !handler) return false;
  sockaddr_un address{};
  if (!MakeAddress(path_, address)) return false;

  UniqueFd listener(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
  UniqueFd wake(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
  if (!listener.Valid() || !wake.Valid()) return false;

  // Only a socket is removed: any other file at this name is not ours to delete, and bind fails.
  struct stat old {};
  if (::lstat(path_.c_str(), &old) == 0 && S_ISSOCK(old.st_mode)) ::unlink(path_.c_str());

  if (::bind(listener.Get(), reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0) return false;
  struct stat bound {};
  if (::chmod(path_.c_str(), 0600) != 0 || ::lstat(path_.c_str(), &bound) != 0 ||
      ::listen(listener.Get(), 16) != 0) {
    ::unlink(path_.c_str());
    return false;
  }

  listenFd_ = std::move(listener);
  wakeFd_ = std::move(wake);
  handler_ = std::move(handler);
  boundDevice_ = bound.st_dev;
  boundInode_ = bound.st_ino;
  thread_ = std::thread([this] {
    listenerId_ = std::this_thread::get_id();
    Run();
  });
  return true;
}

void LinuxInstanceChannel::StopListening() {
  if (std::this_thread::get_id() == listenerId_.load()) {
    // Inside the handler: joining ourselves is impossible. The loop ends after the handler returns;
    // a later StopListening from another thread (or the destructor) joins and cleans up.
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t n = ::write(wakeFd_.Get(), &one, sizeof(one));
    return;
  }
  std::lock_guard lock(mutex_);
  if (!thread_.joinable()) return;
  const std::uint64_t one = 1;
  [[maybe_unused]] const ssize_t n = ::write(wakeFd_.Get(), &one, sizeof(one));
  thread_.join();
  listenerId_ = std::thread::id();
  listenFd_.Reset();
  wakeFd_.Reset();
  handler_ = nullptr;
  // Remove the socket only if it is still the one we bound.
  struct stat now {};
  if (::lstat(path_.c_str(), &now) == 0 && now.st_dev == boundDevice_ && now.st_ino == boundInode_) {
    ::unlink(path_.c_str());
  }
}

void LinuxInstanceChannel::Run() {
  for (;;) {
    pollfd fds[2] = {{listenFd_.Get(), POLLIN, 0}, {wakeFd_.Get(), POLLIN, 0}};
    const int rc = ::poll(fds, 2, -1);
    if (rc < 0) {
      if (errno == EINTR) continue;
      return;
    }
    if ((fds[1].revents & POLLIN) != 0) return;
    if ((fds[0].revents & (POLLERR | POLLNVAL)) != 0) return;
    if ((fds[0].revents & POLLIN) == 0) continue;

    const int connection = ::accept4(listenFd_.Get(), nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
    if (connection >= 0) {
      Serve(connection);
      continue;
    }
    if (errno == EMFILE || errno == ENFILE || errno == ENOBUFS || errno == ENOMEM) {
      // Out of resources: the pending connection stays readable, so back off instead of spinning.
      pollfd wake = {wakeFd_.Get(), POLLIN, 0};
      if (::poll(&wake, 1, 100) > 0) return;
    }
  }
}

void LinuxInstanceChannel::Serve(int connection) {
  const UniqueFd owner(connection);
  ucred peer{};
  socklen_t length = sizeof(peer);
  if (::getsockopt(connection, SOL_SOCKET, SO_PEERCRED, &peer, &length) != 0 || length != sizeof(peer) ||
      peer.uid != ::geteuid()) {
    return;  // another user's process: not heard, not acknowledged
  }

  Wire wire{};
  if (Transfer(connection, true, wire.data(), wire.size(), SteadyClock::now() + clientDeadline_,
               wakeFd_.Get()) != Io::Done) {
    return;  // silent, short or broken client: dropped
  }
  try {
    handler_(Decode(wire));
  } catch (...) {
    // A failing handler must not end the channel; the message counts as delivered.
  }
  unsigned char ack = 1;
  Transfer(connection, false, &ack, 1, SteadyClock::now() + clientDeadline_, wakeFd_.Get());
}

SendResult LinuxInstanceChannel::Send(const InstanceMessage& message, std::chrono::milliseconds timeout) {
  if (timeout.count() < 0) timeout = std::chrono::milliseconds(0);
  const Deadline deadline = SteadyClock::now() + timeout;
  sockaddr_un address{};
  if (!MakeAddress(path_, address)) return SendResult::NoInstance;

  UniqueFd socket(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
  if (!socket.Valid()) return SendResult::NoInstance;
  // A blocking connect waits for room in a full backlog no longer than the send timeout (0 would
  // mean forever, hence at least 1 ms).
  const auto connectWait = std::max<std::int64_t>(timeout.count(), 1);
  timeval tv{};
  tv.tv_sec = static_cast<time_t>(connectWait / 1000);
  tv.tv_usec = static_cast<suseconds_t>((connectWait % 1000) * 1000);
  ::setsockopt(socket.Get(), SOL_SOCKET, SO_SNDTIMEO, &tv, sizeof(tv));

  int rc = 0;
  do {
    rc = ::connect(socket.Get(), reinterpret_cast<const sockaddr*>(&address), sizeof(address));
  } while (rc != 0 && errno == EINTR && SteadyClock::now() < deadline);
  if (rc != 0) {
    // EAGAIN: the instance exists but does not accept in time.
    return (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINPROGRESS || errno == ETIMEDOUT ||
            errno == EINTR)
               ? SendResult::TimedOut
               : SendResult::NoInstance;
  }
  const int flags = ::fcntl(socket.Get(), F_GETFL);
  if (flags < 0 || ::fcntl(socket.Get(), F_SETFL, flags | O_NONBLOCK) != 0) return SendResult::TimedOut;

  Wire wire = Encode(message);
  if (Transfer(socket.Get(), false, wire.data(), wire.size(), deadline, -1) != Io::Done)
    return SendResult::TimedOut;
  unsigned char ack = 0;
  if (Transfer(socket.Get(), true, &ack, 1, deadline, -1) != Io::Done) return SendResult::TimedOut;
  return SendResult::Delivered;
}

}  // namespace brivak::platform
