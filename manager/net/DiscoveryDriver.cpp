#include "manager/net/DiscoveryDriver.h"

#include <algorithm>

namespace brivak::manager::net {

DiscoveryDriver::DiscoveryDriver(boost::asio::io_context& io, HttpLookup& http, DatagramPort& udp,
                                 const platform::Clock& clock, StatusReplySink& sink, DiscoveryListener& listener,
                                 LogSink& log, DiscoveryDriverOptions options)
    : io_(io),
      clock_(clock),
      options_(std::move(options)),
      lookups_(http, clock, sink, log, options_.maxInFlight),
      discovery_(udp, lookups_, clock, listener, log),
      walk_(lookups_, clock, log, options_.walkFinished),
      timer_(io) {}

DiscoveryDriver::~DiscoveryDriver() {
  *alive_ = false;
  timer_.cancel();
  discovery_.Stop();
  walk_.Stop();
  lookups_.CancelAll();
}

Discovery::StartResult DiscoveryDriver::StartDiscovery(const DiscoverySettings& settings) {
  const Discovery::StartResult result = discovery_.Start(settings);
  Arm();
  return result;
}

RangeWalk::StartResult DiscoveryDriver::StartWalk(const RangeWalkSettings& settings) {
  RangeWalk::StartResult result = walk_.Start(settings);
  Arm();
  return result;
}

void DiscoveryDriver::Query(const std::string& address, std::function<void()> finished) {
  lookups_.Enqueue(address, this, std::move(finished));
  Arm();
}

void DiscoveryDriver::OnDatagram(std::string_view senderAddress, std::string_view bytes) {
  discovery_.OnDatagram(senderAddress, bytes);
}

void DiscoveryDriver::OnLookupDone(std::uint64_t id, const HttpLookupResult& result) {
  lookups_.OnLookupDone(id, result);
  // A finished query may have ended the discovery or let the walk go on.
  walk_.Tick();
  Arm();
}

void DiscoveryDriver::Stop() {
  discovery_.Stop();
  walk_.Stop();
  lookups_.CancelAll();
  Arm();
}

void DiscoveryDriver::StopWalk() {
  walk_.Stop();
  Arm();
}

bool DiscoveryDriver::Busy() const {
  return discovery_.Running() || walk_.Running() || lookups_.InFlight() > 0 || lookups_.Queued() > 0;
}

void DiscoveryDriver::Arm() {
  if (!Busy()) {
    armedFor_.reset();
    timer_.cancel();
    return;
  }
  const std::int64_t now = clock_.MonotonicMs();
  std::int64_t next = now + options_.maxTickInterval.count();
  for (const auto& deadline : {discovery_.NextDeadlineMs(), walk_.NextDeadlineMs(), lookups_.NextDeadlineMs()}) {
    if (deadline) next = std::min(next, *deadline);
  }
  next = std::max(next, now);
  if (armedFor_ && *armedFor_ <= next) return;  // the timer already fires in time
  armedFor_ = next;
  timer_.expires_after(std::chrono::milliseconds(next - now));
  timer_.async_wait([this, alive = std::weak_ptr<bool>(alive_)](const boost::system::error_code& ec) {
    const auto stillAlive = alive.lock();
    if (ec || !stillAlive || !*stillAlive) return;
    OnTimer();
  });
}

void DiscoveryDriver::OnTimer() {
  armedFor_.reset();
  discovery_.Tick();
  lookups_.Tick();
  walk_.Tick();
  Arm();
}

}  // namespace brivak::manager::net
