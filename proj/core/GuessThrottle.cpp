#include "proj/core/GuessThrottle.h"

#include <algorithm>

#include "proj/core/RemoteAddressFilter.h"

namespace brivak::core {

GuessThrottle::GuessThrottle(const platform::Clock& clock) : GuessThrottle(clock, Options{}) {}

GuessThrottle::GuessThrottle(const platform::Clock& clock, Options options)
    : clock_(clock), options_(options) {}

std::chrono::milliseconds GuessThrottle::RecordFailure(std::string_view address) {
  const std::int64_t now = clock_.MonotonicMs();
  std::lock_guard<std::mutex> guard(mutex_);
  auto it = entries_.find(std::string(address));
  if (it == entries_.end()) {
    MakeRoom(now);
    it = entries_.emplace(std::string(address), Entry{}).first;
  } else if (now - it->second.lastMs >= options_.expiry.count()) {
    it->second.failures = 0;
  }
  Entry& entry = it->second;
  entry.failures = std::min(entry.failures + 1, 1000);
  entry.lastMs = now;

  const int beyond = entry.failures - options_.freeFailures;
  if (beyond <= 0) return std::chrono::milliseconds(0);
  std::chrono::milliseconds delay = options_.firstDelay;
  for (int i = 1; i < beyond && delay < options_.maxDelay; ++i) delay *= 2;
  delay = std::min(delay, options_.maxDelay);
  if (IsLoopbackAddress(address)) delay = std::min(delay, options_.loopbackMaxDelay);
  return delay;
}

void GuessThrottle::RecordSuccess(std::string_view address) {
  std::lock_guard<std::mutex> guard(mutex_);
  entries_.erase(std::string(address));
}

std::size_t GuessThrottle::Size() const {
  std::lock_guard<std::mutex> guard(mutex_);
  return entries_.size();
}

void GuessThrottle::MakeRoom(std::int64_t now) {
  if (entries_.size() < options_.maxEntries) return;
  std::erase_if(entries_,
                [&](const auto& item) { return now - item.second.lastMs >= options_.expiry.count(); });
  while (!entries_.empty() && entries_.size() >= options_.maxEntries) {
    auto oldest = std::min_element(entries_.begin(), entries_.end(), [](const auto& a, const auto& b) {
      return a.second.lastMs < b.second.lastMs;
    });
    entries_.erase(oldest);
  }
}

}  // namespace brivak::core
