// Helpers for the manager's network tests: a steady clock, a collector of lookup results, and a
// TCP server on the loopback that counts its open connections and answers only when released.
#pragma once

#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/post.hpp>
#include <boost/asio/write.hpp>
#include <chrono>
#include <algorithm>
#include <array>
#include <condition_variable>
#include <cstdint>
#include <future>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "manager/core/HttpLookup.h"
#include "platform/Clock.h"
#include "unit/net/NetTestSupport.h"

namespace brivak::manager::nettest {

using namespace std::chrono_literals;
using brivak::nettest::IoThread;
using brivak::nettest::WaitableLog;

// The tick count from steady_clock; the wall clock is not needed here.
class SteadyTestClock : public platform::Clock {
 public:
  std::int64_t MonotonicMs() const override {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
  }
  platform::LocalTime Local() const override { return {}; }
};

// Records delivered lookup results; tests wait for a count with a deadline.
class ResultCollector {
 public:
  void Add(std::uint64_t id, const HttpLookupResult& result) {
    std::lock_guard lock(mutex_);
    ++deliveries_;
    results_[id] = result;
    changed_.notify_all();
  }
  bool WaitForCount(std::size_t count, std::chrono::milliseconds timeout = 10s) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout, [&] { return deliveries_ >= count; });
  }
  std::size_t Deliveries() const {
    std::lock_guard lock(mutex_);
    return deliveries_;
  }
  std::map<std::uint64_t, HttpLookupResult> Results() const {
    std::lock_guard lock(mutex_);
    return results_;
  }

 private:
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::size_t deliveries_ = 0;
  std::map<std::uint64_t, HttpLookupResult> results_;
};

// Accepts on `address`:0 and holds every connection without reading or answering until Release;
// from then on every held and new connection is sent `reply` and closed. Counts the connections
// the server holds open (a connection the client closes is noticed and no longer counted).
class HoldingServer {
 public:
  explicit HoldingServer(const std::string& address = "127.0.0.1", std::string prefix = {})
      : prefix_(std::move(prefix)),
        acceptor_(io_, boost::asio::ip::tcp::endpoint(boost::asio::ip::make_address_v4(address), 0)) {
    Accept();
    thread_.Run();
  }
  ~HoldingServer() {
    boost::asio::post(io_, [this] {
      boost::system::error_code ignored;
      acceptor_.close(ignored);
      for (auto& entry : held_) entry.second->close(ignored);
    });
    thread_.Stop();
  }

  std::uint16_t Port() const { return acceptor_.local_endpoint().port(); }

  // Answers every held connection and, from now on, every new one at once.
  void Release(std::string reply) { Answer(std::move(reply), true); }
  // Answers the connections held now; later ones are held again.
  void ReleaseHeld(std::string reply) { Answer(std::move(reply), false); }

  bool WaitForOpen(std::size_t count, std::chrono::milliseconds timeout = 10s) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout, [&] { return open_ == count; });
  }
  bool WaitForUnanswered(std::size_t count, std::chrono::milliseconds timeout = 10s) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout, [&] { return unanswered_.size() == count; });
  }
  bool WaitForAccepted(std::size_t count, std::chrono::milliseconds timeout = 10s) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout, [&] { return accepted_ >= count; });
  }
  std::size_t Open() const {
    std::lock_guard lock(mutex_);
    return open_;
  }
  std::size_t Unanswered() const {
    std::lock_guard lock(mutex_);
    return unanswered_.size();
  }
  // The most connections held unanswered at one time.
  std::size_t MaxUnanswered() const {
    std::lock_guard lock(mutex_);
    return maxUnanswered_;
  }

 private:
  using Socket = boost::asio::ip::tcp::socket;

  void Accept() {
    acceptor_.async_accept([this](const boost::system::error_code& ec, Socket socket) {
      if (ec) return;
      auto held = std::make_shared<Socket>(std::move(socket));
      const std::uint64_t key = nextKey_++;
      {
        std::lock_guard lock(mutex_);
        held_[key] = held;
        ++accepted_;
        ++open_;
        if (released_) {
          Send(held, reply_);
        } else {
          unanswered_[key] = held;
          maxUnanswered_ = std::max(maxUnanswered_, unanswered_.size());
        }
        changed_.notify_all();
      }
      if (!prefix_.empty()) boost::asio::async_write(*held, boost::asio::buffer(prefix_), [](auto, auto) {});
      WatchClose(key, held);
      Accept();
    });
  }
  // Reads (and drops) what the client sends until it closes, then forgets the connection.
  void WatchClose(std::uint64_t key, const std::shared_ptr<Socket>& held) {
    auto buffer = std::make_shared<std::array<char, 4096>>();
    held->async_read_some(boost::asio::buffer(*buffer), [this, key, held, buffer](const boost::system::error_code& ec,
                                                                                  std::size_t) {
      if (!ec) {
        WatchClose(key, held);
        return;
      }
      Forget(key);
    });
  }
  void Forget(std::uint64_t key) {
    std::lock_guard lock(mutex_);
    unanswered_.erase(key);
    if (held_.erase(key) > 0) {
      --open_;
      changed_.notify_all();
    }
  }
  // Returns once the server has taken the order (called from the test thread only).
  void Answer(std::string reply, bool forever) {
    std::promise<void> taken;
    boost::asio::post(io_, [this, reply = std::move(reply), forever, &taken] {
      std::lock_guard lock(mutex_);
      if (forever) {
        reply_ = reply;
        released_ = true;
      }
      for (auto& entry : unanswered_) Send(entry.second, reply);
      unanswered_.clear();
      changed_.notify_all();
      taken.set_value();
    });
    taken.get_future().wait();
  }
  // On the io thread.
  static void Send(const std::shared_ptr<Socket>& held, const std::string& reply) {
    auto bytes = std::make_shared<std::string>(reply);
    boost::asio::async_write(*held, boost::asio::buffer(*bytes), [held, bytes](const boost::system::error_code&, std::size_t) {
      boost::system::error_code ignored;
      held->shutdown(Socket::shutdown_send, ignored);
    });
  }

  std::string prefix_;
  boost::asio::io_context io_;
  boost::asio::ip::tcp::acceptor acceptor_;
  IoThread thread_{io_};
  std::uint64_t nextKey_ = 1;  // io thread only
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::map<std::uint64_t, std::shared_ptr<Socket>> held_;        // open connections
  std::map<std::uint64_t, std::shared_ptr<Socket>> unanswered_;  // held and not yet answered
  std::size_t accepted_ = 0, open_ = 0, maxUnanswered_ = 0;
  bool released_ = false;
  std::string reply_;
};

inline std::string OkReplyBytes(const std::string& body) {
  return "HTTP/1.1 200 OK\r\nConnection: close\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
}

}  // namespace brivak::manager::nettest
