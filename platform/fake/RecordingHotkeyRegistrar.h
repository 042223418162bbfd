// Records registrations; tests mark combinations as held by another client and press hotkeys.
// One thread, like the real registrar.
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <set>
#include <utility>

#include "platform/HotkeyRegistrar.h"

namespace brivak::platform {

class RecordingHotkeyRegistrar : public HotkeyRegistrar {
 public:
  struct Combination {
    std::uint32_t keysym = 0;
    std::uint32_t modifiers = 0;
    friend auto operator<=>(const Combination&, const Combination&) = default;
  };

  // Register of this combination fails from now on, as when another client holds it.
  void HoldElsewhere(std::uint32_t keysym, std::uint32_t modifiers) {
    heldElsewhere_.insert({keysym, modifiers});
  }
  // Queues a press of the combination; Pump() delivers it if it is registered then.
  void Press(std::uint32_t keysym, std::uint32_t modifiers) {
    pending_.push_back({keysym, modifiers});
  }
  // The registered combinations by id.
  const std::map<int, Combination>& Registered() const { return registered_; }
  int RegisterCalls() const { return registerCalls_; }

  void SetCallback(Callback callback) override { callback_ = std::move(callback); }
  bool Register(int id, std::uint32_t keysym, std::uint32_t modifiers) override;
  void Unregister(int id) override { registered_.erase(id); }
  void UnregisterAll() override { registered_.clear(); }
  bool IsRegistered(int id) const override { return registered_.count(id) != 0; }
  int EventFd() const override { return -1; }
  int Pump() override;

 private:
  std::map<int, Combination> registered_;
  std::set<Combination> heldElsewhere_;
  std::deque<Combination> pending_;
  Callback callback_;
  int registerCalls_ = 0;
};

}  // namespace brivak::platform
