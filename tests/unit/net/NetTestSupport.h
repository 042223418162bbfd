// Helpers for the network tests: a log sink that can be waited on, a scripted request handler, an
// io_context on its own thread, and plain blocking sockets with deadlines. Loopback only.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <boost/asio/executor_work_guard.hpp>
#include <boost/asio/io_context.hpp>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "common/LogSink.h"
#include "proj/core/RemoteRequest.h"

namespace brivak::nettest {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// Records "<channel>:<text>" lines; tests wait for lines with a deadline.
class WaitableLog : public LogSink {
 public:
  void WriteLog(std::string_view text) override { Record("log", text); }
  void Mem(std::string_view text) override { Record("mem", text); }
  void LastMem(std::string_view text) override { Record("lastmem", text); }
  void Debug(std::string_view text) override { Record("debug", text); }

  std::vector<std::string> Lines() const {
    std::lock_guard lock(mutex_);
    return lines_;
  }
  std::size_t Count(const std::string& line) const {
    std::lock_guard lock(mutex_);
    return static_cast<std::size_t>(std::count(lines_.begin(), lines_.end(), line));
  }
  // Waits until `line` was recorded at least `count` times.
  bool WaitFor(const std::string& line, std::size_t count = 1, std::chrono::milliseconds timeout = 5s) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout, [&] {
      return static_cast<std::size_t>(std::count(lines_.begin(), lines_.end(), line)) >= count;
    });
  }

 private:
  void Record(std::string_view channel, std::string_view text) {
    std::lock_guard lock(mutex_);
    lines_.push_back(std::string(channel) + ":" + std::string(text));
    changed_.notify_all();
  }
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<std::string> lines_;
};

// Answers with `reply` (set before the server starts) and records every request.
class ScriptedHandler : public core::RequestHandler {
 public:
  std::function<core::HttpReply(const core::HttpRequest&)> reply = [](const core::HttpRequest&) {
    core::HttpReply r;
    r.reason = "OK";
    return r;
  };

  core::HttpReply Handle(const core::HttpRequest& request) override {
    {
      std::lock_guard lock(mutex_);
      requests_.push_back(request);
      changed_.notify_all();
    }
    return reply(request);
  }
  bool WaitForCount(std::size_t count, std::chrono::milliseconds timeout = 5s) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout, [&] { return requests_.size() >= count; });
  }
  std::vector<core::HttpRequest> Requests() const {
    std::lock_guard lock(mutex_);
    return requests_;
  }

 private:
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<core::HttpRequest> requests_;
};

// Runs an io_context on one thread until Stop (or destruction).
class IoThread {
 public:
  explicit IoThread(boost::asio::io_context& io) : io_(io), work_(io.get_executor()) {}
  ~IoThread() { Stop(); }
  void Run() {
    thread_ = std::thread([this] { io_.run(); });
  }
  void Stop() {
    work_.reset();
    io_.stop();
    if (thread_.joinable()) thread_.join();
  }

 private:
  boost::asio::io_context& io_;
  boost::asio::executor_work_guard<boost::asio::io_context::executor_type> work_;
  std::thread thread_;
};

inline sockaddr_in Loopback(const std::string& address, std::uint16_t port) {
  sockaddr_in sa{};
  sa.sin_family = AF_INET;
  sa.sin_port = htons(port);
  if (::inet_pton(AF_INET, address.c_str(), &sa.sin_addr) != 1) throw std::runtime_error("bad address " + address);
  return sa;
}

// Waits until `fd` is readable; false at the deadline.
inline bool WaitReadable(int fd, Clock::time_point deadline) {
  for (;;) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0) return false;
    pollfd p{fd, POLLIN, 0};
    const int r = ::poll(&p, 1, static_cast<int>(left));
    if (r > 0) return true;
    if (r < 0 && errno != EINTR) return false;
  }
}

// A blocking TCP client on the loopback, optionally bound to another 127/8 source address.
class RawClient {
 public:
  RawClient(std::uint16_t port, const std::string& source = "127.0.0.1") {
    fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
    if (fd_ < 0) throw std::runtime_error("socket");
    sockaddr_in local = Loopback(source, 0);
    if (::bind(fd_, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) throw std::runtime_error("bind");
    sockaddr_in server = Loopback("127.0.0.1", port);
    if (::connect(fd_, reinterpret_cast<sockaddr*>(&server), sizeof server) != 0) throw std::runtime_error("connect");
  }
  ~RawClient() { Close(); }
  RawClient(const RawClient&) = delete;
  RawClient& operator=(const RawClient&) = delete;

  void Close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
  }
  // Sends what the peer takes; false when it stops taking (closed, reset, or full for 2 s).
  bool Send(const std::string& bytes) {
    std::size_t sent = 0;
    while (sent < bytes.size()) {
      pollfd p{fd_, POLLOUT, 0};
      if (::poll(&p, 1, 2000) <= 0) return false;
      const ssize_t n = ::send(fd_, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL | MSG_DONTWAIT);
      if (n < 0 && (errno == EAGAIN || errno == EINTR)) continue;
      if (n <= 0) return false;
      sent += static_cast<std::size_t>(n);
    }
    return true;
  }
  void ShutdownWrite() { ::shutdown(fd_, SHUT_WR); }

  struct Received {
    std::string bytes;
    bool ended = false;  // the peer closed (end of stream or reset) before the deadline
  };
  // Reads until the peer ends the stream or the deadline passes.
  Received ReadAll(std::chrono::milliseconds timeout = 5s) {
    Received r;
    const auto deadline = Clock::now() + timeout;
    char chunk[4096];
    while (WaitReadable(fd_, deadline)) {
      const ssize_t n = ::recv(fd_, chunk, sizeof chunk, 0);
      if (n <= 0) {
        r.ended = true;
        break;
      }
      r.bytes.append(chunk, static_cast<std::size_t>(n));
    }
    return r;
  }
  // Reads until `bytes` hold `count` bytes or the deadline passes.
  std::string ReadSome(std::size_t count, std::chrono::milliseconds timeout = 5s) {
    std::string bytes;
    const auto deadline = Clock::now() + timeout;
    char chunk[4096];
    while (bytes.size() < count && WaitReadable(fd_, deadline)) {
      const ssize_t n = ::recv(fd_, chunk, std::min(sizeof chunk, count - bytes.size()), 0);
      if (n <= 0) break;
      bytes.append(chunk, static_cast<std::size_t>(n));
    }
    return bytes;
  }

 private:
  int fd_ = -1;
};

// A UDP socket bound to a loopback address and a free port.
class UdpPeer {
 public:
  explicit UdpPeer(const std::string& address = "127.0.0.1") {
    fd_ = ::socket(AF_INET, SOCK_DGRAM, 0);
    if (fd_ < 0) throw std::runtime_error("socket");
    sockaddr_in local = Loopback(address, 0);
    if (::bind(fd_, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) throw std::runtime_error("bind");
    socklen_t length = sizeof local;
    ::getsockname(fd_, reinterpret_cast<sockaddr*>(&local), &length);
    port_ = ntohs(local.sin_port);
  }
  ~UdpPeer() { ::close(fd_); }
  UdpPeer(const UdpPeer&) = delete;
  UdpPeer& operator=(const UdpPeer&) = delete;

  std::uint16_t Port() const { return port_; }
  void SendTo(std::uint16_t port, const std::string& bytes) {
    sockaddr_in to = Loopback("127.0.0.1", port);
    ::sendto(fd_, bytes.data(), bytes.size(), 0, reinterpret_cast<sockaddr*>(&to), sizeof to);
  }
  struct Datagram {
    std::string bytes;
    std::uint16_t fromPort = 0;
  };
  std::optional<Datagram> Receive(std::chrono::milliseconds timeout = 5s) {
    if (!WaitReadable(fd_, Clock::now() + timeout)) return std::nullopt;
    char buffer[65536];
    sockaddr_in from{};
    socklen_t length = sizeof from;
    const ssize_t n = ::recvfrom(fd_, buffer, sizeof buffer, 0, reinterpret_cast<sockaddr*>(&from), &length);
    if (n < 0) return std::nullopt;
    return Datagram{std::string(buffer, static_cast<std::size_t>(n)), ntohs(from.sin_port)};
  }
  // True when a datagram is already waiting (checked without waiting).
  bool Pending() {
    pollfd p{fd_, POLLIN, 0};
    return ::poll(&p, 1, 0) > 0;
  }

 private:
  int fd_ = -1;
  std::uint16_t port_ = 0;
};

}  // namespace brivak::nettest
