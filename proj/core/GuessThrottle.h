// Slows down password guessing against the remote command server: consecutive authentication
// failures from one peer address earn a growing delay before the reply is sent. The reply itself
// does not change (the manager relies on its status and text). Thread-safe.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>

#include "platform/Clock.h"

namespace brivak::core {

class GuessThrottle {
 public:
  struct Options {
    int freeFailures = 3;                              // failures answered without delay
    std::chrono::milliseconds firstDelay{250};         // delay of the first failure beyond those
    std::chrono::milliseconds maxDelay{30000};         // the delay doubles up to this
    std::chrono::milliseconds loopbackMaxDelay{3000};  // cap for 127.0.0.0/8 and ::1 (the lock page)
    std::chrono::milliseconds expiry{std::chrono::minutes(15)};  // an address quiet this long starts afresh
    std::size_t maxEntries = 4096;                               // table bound; the stalest entry is evicted
  };

  // The clock must outlive the throttle.
  explicit GuessThrottle(const platform::Clock& clock);
  GuessThrottle(const platform::Clock& clock, Options options);

  // Counts a failure of `address` and returns the delay its reply must wait.
  std::chrono::milliseconds RecordFailure(std::string_view address);
  // Accepted credentials: forgets the address's failures.
  void RecordSuccess(std::string_view address);
  // Entries held now (for tests of the bound).
  std::size_t Size() const;

 private:
  struct Entry {
    int failures = 0;
    std::int64_t lastMs = 0;
  };
  void MakeRoom(std::int64_t now);  // called with mutex_ held

  const platform::Clock& clock_;
  const Options options_;
  mutable std::mutex mutex_;
  std::unordered_map<std::string, Entry> entries_;
};

}  // namespace brivak::core
