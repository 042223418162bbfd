// Runs the manager's discovery, range walk and status lookups on an io_context: it owns the core
// state machines (StatusLookups, Discovery, RangeWalk) and keeps a steady_timer armed at their next
// deadline while any of them has work, so the listening window closes, overdue lookups are
// abandoned and the walk moves on without anyone polling. A discovery keeps every answering
// address once and is bounded in time (maxDuration); every lookup by its time-outs.
//
// Wiring: the DatagramPort's receiver calls OnDatagram and the HttpLookup's results reach
// OnLookupDone, both on the io thread (AsioHttpLookup can call OnLookupDone from its deliver).
//
// Threads: not thread-safe. Construct, call and destroy it on the io thread (or while no thread
// runs the io_context); other threads post their requests there. The sink, listener and log are
// called on the io thread. Every reference must outlive the driver; the HTTP client must stop
// delivering (AsioHttpLookup::Shutdown) before the driver is destroyed.
#pragma once

#include <boost/asio/io_context.hpp>
#include <boost/asio/steady_timer.hpp>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string_view>

#include "common/LogSink.h"
#include "manager/core/DatagramPort.h"
#include "manager/core/Discovery.h"
#include "manager/core/HttpLookup.h"
#include "manager/core/RangeWalk.h"
#include "manager/core/StatusLookups.h"
#include "platform/Clock.h"

namespace brivak::manager::net {

struct DiscoveryDriverOptions {
  // Longest wait between two ticks while something runs (a safety net besides the deadlines).
  std::chrono::milliseconds maxTickInterval{250};
  std::size_t maxInFlight = kMaxLookupsInFlight;
  std::function<void()> walkFinished;  // runs when a range walk handled its last address
};

class DiscoveryDriver {
 public:
  DiscoveryDriver(boost::asio::io_context& io, HttpLookup& http, DatagramPort& udp, const platform::Clock& clock,
                  StatusReplySink& sink, DiscoveryListener& listener, LogSink& log,
                  DiscoveryDriverOptions options = {});
  ~DiscoveryDriver();
  DiscoveryDriver(const DiscoveryDriver&) = delete;
  DiscoveryDriver& operator=(const DiscoveryDriver&) = delete;

  // As Discovery::Start and RangeWalk::Start (a second run while one runs is refused).
  Discovery::StartResult StartDiscovery(const DiscoverySettings& settings);
  RangeWalk::StartResult StartWalk(const RangeWalkSettings& settings);
  // One status query of `address` (the re-query of one computer); `finished` as in StatusLookups.
  void Query(const std::string& address, std::function<void()> finished = {});

  // A datagram on the discovery socket.
  void OnDatagram(std::string_view senderAddress, std::string_view bytes);
  // A result of the HTTP client.
  void OnLookupDone(std::uint64_t id, const HttpLookupResult& result);

  // Ends the discovery and the walk and cancels every lookup (the window closes).
  void Stop();
  // Ends the walk alone (its queries are dropped; a discovery goes on).
  void StopWalk();
  // Something runs: a discovery, a walk or a lookup.
  bool Busy() const;

  StatusLookups& Lookups() { return lookups_; }
  const Discovery& CurrentDiscovery() const { return discovery_; }
  const RangeWalk& Walk() const { return walk_; }

 private:
  void Arm();
  void OnTimer();

  boost::asio::io_context& io_;
  const platform::Clock& clock_;
  const DiscoveryDriverOptions options_;
  StatusLookups lookups_;
  Discovery discovery_;
  RangeWalk walk_;
  boost::asio::steady_timer timer_;
  std::optional<std::int64_t> armedFor_;  // the deadline the timer waits for
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace brivak::manager::net
