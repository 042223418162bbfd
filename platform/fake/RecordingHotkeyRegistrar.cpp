#include "platform/fake/RecordingHotkeyRegistrar.h"

namespace brivak::platform {

bool RecordingHotkeyRegistrar::Register(int id, std::uint32_t keysym, std::uint32_t modifiers) {
  ++registerCalls_;
  registered_.erase(id);
  // Keysym 0 stands for no key at all (X11 would otherwise grab every key).
  if (keysym == 0 || heldElsewhere_.count({keysym, modifiers}) != 0) return false;
  registered_[id] = {keysym, modifiers};
  return true;
}

int RecordingHotkeyRegistrar::Pump() {
  int delivered = 0;
  while (!pending_.empty()) {
    const Combination pressed = pending_.front();
    pending_.pop_front();
    for (const auto& [id, combination] : registered_) {
      if (combination == pressed) {
        ++delivered;
        const int firedId = id;
        if (Callback callback = callback_) callback(firedId);
        break;
      }
    }
  }
  return delivered;
}

}  // namespace brivak::platform
