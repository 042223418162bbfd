#include "manager/core/Discovery.h"

#include <algorithm>

#include "manager/core/Ipv4Text.h"

namespace brivak::manager {

namespace {
// Answers are one byte; anything longer is cut before it reaches the log panel.
constexpr std::size_t kMaxLoggedAnswer = 256;
}

Discovery::Discovery(DatagramPort& udp, StatusLookups& lookups, const platform::Clock& clock,
                     DiscoveryListener& listener, LogSink& log)
    : udp_(udp), lookups_(lookups), clock_(clock), listener_(listener), log_(log) {}

Discovery::~Discovery() { lookups_.Cancel(this); }

Discovery::StartResult Discovery::Start(const DiscoverySettings& settings) {
  if (Running()) {
    log_.Mem("Discovery already running.");
    return StartResult::AlreadyRunning;
  }
  settings_ = settings;
  answered_.clear();
  answeredSet_.clear();
  pendingQueries_ = 0;
  log_.Mem("UDP Broadcast..");
  if (!udp_.Send(settings_.broadcastAddress, settings_.port, "/query?sendto=" + settings_.ownAddress)) {
    // Nothing went out, so silence proves nothing: the inventory is left as it is.
    log_.Mem("UDP Broadcast to " + settings_.broadcastAddress + " failed.");
    return StartResult::SendFailed;
  }
  const std::int64_t now = clock_.MonotonicMs();
  listenEnd_ = now + settings_.listenWindow.count();
  hardEnd_ = now + std::max(settings_.maxDuration.count(), settings_.listenWindow.count());
  phase_ = Phase::Listening;
  return StartResult::Started;
}

void Discovery::OnDatagram(std::string_view senderAddress, std::string_view text) {
  if (phase_ != Phase::Listening) return;
  log_.Mem(text.substr(0, kMaxLoggedAnswer));
  log_.LastMem(" . " + std::string(senderAddress));
  if (!ParseDottedIPv4(senderAddress)) return;
  const std::string address(senderAddress);
  if (answeredSet_.insert(address).second) answered_.push_back(address);
}

void Discovery::Tick() {
  if (phase_ == Phase::Idle) return;
  const std::int64_t now = clock_.MonotonicMs();
  if (phase_ == Phase::Listening && now >= listenEnd_) EndListening();
  if (phase_ == Phase::Querying && now >= hardEnd_) {
    log_.Mem("Discovery stopped: time limit reached.");
    lookups_.Cancel(this);
    Finish(false);
  }
}

void Discovery::EndListening() {
  listener_.RemoveUnanswered(answered_);
  log_.Mem("Found " + std::to_string(answered_.size()) + " good IP addresses:");
  phase_ = Phase::Querying;
  if (answered_.empty()) {
    Finish(true);
    return;
  }
  pendingQueries_ = answered_.size();
  // Copied: a finished query may not run into a vector that a later Start clears.
  const std::vector<std::string> addresses = answered_;
  for (const std::string& address : addresses) {
    if (phase_ != Phase::Querying) return;  // stopped from a callback
    lookups_.Enqueue(address, this, [this] { OneQueryFinished(); });
    log_.LastMem(".");
  }
}

void Discovery::OneQueryFinished() {
  if (phase_ != Phase::Querying || pendingQueries_ == 0) return;
  if (--pendingQueries_ == 0) Finish(true);
}

void Discovery::Stop() {
  if (!Running()) return;
  lookups_.Cancel(this);
  log_.Mem("Discovery stopped.");
  Finish(false);
}

void Discovery::Finish(bool complete) {
  phase_ = Phase::Idle;
  pendingQueries_ = 0;
  if (complete) log_.Mem("Discovery complete.");
  listener_.DiscoveryFinished(complete);
}

std::optional<std::int64_t> Discovery::NextDeadlineMs() const {
  switch (phase_) {
    case Phase::Listening: return listenEnd_;
    case Phase::Querying: return hardEnd_;
    case Phase::Idle: break;
  }
  return std::nullopt;
}

}  // namespace brivak::manager
