// An idle time that tests set by hand. Thread-safe.
#pragma once

#include <atomic>
#include <cstdint>

#include "platform/IdleSource.h"

namespace brivak::platform {

class SettableIdleSource : public IdleSource {
 public:
  std::uint64_t IdleMs() const override { return idleMs_.load(); }
  void Set(std::uint64_t idleMs) { idleMs_.store(idleMs); }
  void Advance(std::uint64_t ms) { idleMs_.fetch_add(ms); }
  void Input() { idleMs_.store(0); }  // a key or a pointer movement

 private:
  std::atomic<std::uint64_t> idleMs_{0};
};

}  // namespace brivak::platform
