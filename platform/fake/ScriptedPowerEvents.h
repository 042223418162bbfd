// Power events that a test sends by hand; the callback runs on the caller's thread.
#pragma once

#include <string>

#include "platform/PowerEvents.h"

namespace brivak::platform {

class ScriptedPowerEvents : public PowerEvents {
 public:
  // `missing` is said through the note at Start (empty: nothing missing).
  explicit ScriptedPowerEvents(std::string missing = {}) : missing_(std::move(missing)) {}
  void Start(Callback callback, Note note) override {
    callback_ = std::move(callback);
    if (!missing_.empty() && note) note(missing_);
  }
  void Send(PowerEvent event) {
    if (callback_) callback_(event);
  }

 private:
  std::string missing_;
  Callback callback_;
};

}  // namespace brivak::platform
