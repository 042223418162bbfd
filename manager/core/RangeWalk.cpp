#include "manager/core/RangeWalk.h"

#include <algorithm>

#include "common/Stools.h"
#include "manager/core/Ipv4Text.h"

namespace brivak::manager {

RangeWalk::RangeWalk(StatusLookups& lookups, const platform::Clock& clock, LogSink& log,
                     std::function<void()> finished)
    : lookups_(lookups), clock_(clock), log_(log), finished_(std::move(finished)) {}

RangeWalk::~RangeWalk() { lookups_.Cancel(this); }

RangeWalk::StartResult RangeWalk::Start(const RangeWalkSettings& settings) {
  StartResult result;
  if (running_) {
    result.error = "A scan is already running.";
    return result;
  }
  const std::optional<std::uint32_t> first = ParseDottedIPv4(settings.startAddress);
  if (!first) {
    result.error = "Starting IP is not valid.";
    return result;
  }
  const std::optional<std::uint32_t> last = ParseDottedIPv4(settings.endAddress);
  if (!last) {
    result.error = "Ending IP is not valid.";
    return result;
  }
  const std::uint64_t count = *last >= *first ? std::uint64_t{*last} - *first + 1 : 0;
  if (count > settings.maxAddresses) {
    result.error = "The range holds " + std::to_string(count) + " addresses; at most " +
                   std::to_string(settings.maxAddresses) + " can be scanned at once.";
    return result;
  }
  settings_ = settings;
  result.planLines.push_back(std::to_string(*first));
  result.planLines.push_back(std::to_string(*last));
  result.planLines.push_back("Will Scan:");
  for (std::uint64_t a = *first; a < std::uint64_t{*first} + count; ++a) {
    result.planLines.push_back(FormatIPv4(static_cast<std::uint32_t>(a)));
  }
  next_ = *first;
  end_ = *last;
  total_ = count;
  startMs_ = clock_.MonotonicMs();
  startedCount_ = 0;
  outstanding_ = 0;
  lastStartMs_.reset();
  result.started = true;
  running_ = true;
  if (count == 0) {
    running_ = false;
    if (finished_) finished_();
    return result;
  }
  Pump();
  return result;
}

void RangeWalk::Tick() { Pump(); }

void RangeWalk::Pump() {
  if (!running_ || pumping_) return;
  pumping_ = true;
  while (running_ && next_ <= end_ && lookups_.InFlight() + lookups_.Queued() < lookups_.Capacity()) {
    const std::int64_t now = clock_.MonotonicMs();
    if (lastStartMs_ && now - *lastStartMs_ < settings_.pace.count()) break;
    lastStartMs_ = now;
    const std::string address = FormatIPv4(static_cast<std::uint32_t>(next_));
    ++next_;
    ++startedCount_;
    ++outstanding_;
    log_.Mem("IP Loc Lookup: " + address);
    lookups_.Enqueue(address, this, [this] { OneQueryFinished(); });
  }
  pumping_ = false;
}

void RangeWalk::OneQueryFinished() {
  if (!running_) return;
  --outstanding_;
  if (next_ > end_ && outstanding_ == 0) {
    running_ = false;
    log_.Mem("Range scan complete.");
    if (finished_) finished_();
    return;
  }
  Pump();
}

void RangeWalk::Stop() {
  if (!running_) return;
  running_ = false;
  lookups_.Cancel(this);
  log_.Mem("Range scan stopped.");
}

WalkProgress RangeWalk::Progress() const {
  WalkProgress p;
  p.running = running_;
  p.total = total_;
  p.started = startedCount_;
  p.inFlight = outstanding_;
  p.handled = startedCount_ - outstanding_;
  if (!running_) return p;
  const std::uint64_t left = total_ - p.handled;
  const std::int64_t paced = static_cast<std::int64_t>(total_ - startedCount_) * settings_.pace.count();
  std::int64_t byRate = 0;
  if (p.handled > 0) {
    const std::int64_t elapsed = clock_.MonotonicMs() - startMs_;
    byRate = static_cast<std::int64_t>(static_cast<double>(elapsed) / static_cast<double>(p.handled) *
                                       static_cast<double>(left));
  }
  p.msLeft = std::max(paced, byRate);
  return p;
}

std::string WalkProgressText(const WalkProgress& p) {
  std::string text = "Scanned " + std::to_string(p.handled) + " of " + std::to_string(p.total) + " addresses, " +
                     std::to_string(p.inFlight) + " in flight";
  if (p.running) text += ", about " + SecondsToTimeStr(p.msLeft / 1000) + " left";
  return text + ".";
}

std::optional<std::int64_t> RangeWalk::NextDeadlineMs() const {
  std::optional<std::int64_t> next = lookups_.NextDeadlineMs();
  if (running_ && next_ <= end_ && lastStartMs_) {
    const std::int64_t paced = *lastStartMs_ + settings_.pace.count();
    if (!next || paced < *next) next = paced;
  }
  return next;
}

}  // namespace brivak::manager
