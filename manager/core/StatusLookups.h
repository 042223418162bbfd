// The status queries ("/query") of lockers, at most 20 in flight at once; more wait in order.
// Shared by the UDP discovery and the range walk, so the limit holds for both together.
//
// Threading: not thread-safe. Every call, including OnLookupDone from the network layer, is made
// on the one thread that owns the manager's core objects. Each lookup ends in bounded time: the
// HTTP client has connect and read time-outs, and Tick() abandons a lookup that outlived both.
#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>

#include "common/LogSink.h"
#include "manager/core/CommandUrls.h"
#include "manager/core/HttpLookup.h"
#include "platform/Clock.h"

namespace brivak::manager {

inline constexpr std::size_t kMaxLookupsInFlight = 20;

// Where a locker's status reply goes (the inventory applies it).
class StatusReplySink {
 public:
  virtual ~StatusReplySink() = default;
  // A reply holding "<comput" that `address` sent to "/query".
  virtual void StatusReply(const std::string& address, const std::string& reply) = 0;
};

struct LookupTimeouts {
  std::chrono::milliseconds connect{2000};  // `scantimeout`
  std::chrono::milliseconds read{4000};     // once connected, for the whole reply
};

class StatusLookups {
 public:
  // `log`: Mem adds a line to the log panel, LastMem appends to its last line. All references
  // must outlive this object.
  StatusLookups(HttpLookup& http, const platform::Clock& clock, StatusReplySink& sink, LogSink& log,
                std::size_t maxInFlight = kMaxLookupsInFlight);
  ~StatusLookups();
  StatusLookups(const StatusLookups&) = delete;
  StatusLookups& operator=(const StatusLookups&) = delete;

  void SetCredentials(Credentials credentials) { credentials_ = std::move(credentials); }
  void SetTimeouts(LookupTimeouts timeouts) { timeouts_ = timeouts; }
  // The lockers' command port (8777; tests use a port of their own).
  void SetPort(int port) { port_ = port; }

  // Queues a status query of `address` for `owner`; starts it at once while fewer than the limit
  // run. `finished` runs once after the result was handled (not when the owner cancels).
  void Enqueue(const std::string& address, const void* owner, std::function<void()> finished);
  // The result of a lookup started through HttpLookup::Start. Unknown or cancelled ids are ignored.
  void OnLookupDone(std::uint64_t id, const HttpLookupResult& result);
  // Abandons (as read time-outs) the lookups that ran longer than connect + read time-out + 1 s.
  void Tick();
  // Drops the owner's queued lookups and cancels its running ones, without calling `finished`.
  void Cancel(const void* owner);
  void CancelAll();

  std::size_t InFlight() const { return running_.size(); }
  std::size_t Queued() const { return queue_.size(); }
  std::size_t Capacity() const { return maxInFlight_; }
  // When Tick() next has something to do, on the clock's monotonic scale.
  std::optional<std::int64_t> NextDeadlineMs() const;

 private:
  struct Job {
    std::string address;
    const void* owner = nullptr;
    std::function<void()> finished;
    std::int64_t deadline = 0;  // monotonic ms, set when started
  };
  void Pump();
  void Handle(Job job, const HttpLookupResult& result);

  HttpLookup& http_;
  const platform::Clock& clock_;
  StatusReplySink& sink_;
  LogSink& log_;
  std::size_t maxInFlight_;
  int port_ = kLockerCommandPort;
  Credentials credentials_;
  LookupTimeouts timeouts_;
  std::deque<Job> queue_;
  std::map<std::uint64_t, Job> running_;
  std::uint64_t nextId_ = 1;
  bool pumping_ = false;
};

}  // namespace brivak::manager
