// Records grab requests; tests decide what each grab answers. One thread, like the real guard.
#pragma once

#include <string>
#include <vector>

#include "platform/InputGuard.h"

namespace brivak::platform {

class RecordingInputGuard : public InputGuard {
 public:
  // "take <window>", "retry", "release", in order.
  const std::vector<std::string>& Calls() const { return calls_; }
  NativeWindow Window() const { return window_; }
  // What the next attempts of each grab answer (default Held).
  void SetKeyboardAnswer(GrabStatus answer) { keyboardAnswer_ = answer; }
  void SetPointerAnswer(GrabStatus answer) { pointerAnswer_ = answer; }
  // Simulates a grab lost behind the guard's back (a menu of the program ended).
  void LoseGrabs() { state_ = GrabReport{GrabStatus::NotTried, GrabStatus::NotTried}; }

  GrabReport Take(NativeWindow window) override;
  GrabReport Retry() override;
  void Release() override;
  GrabReport State() const override { return state_; }

 private:
  std::vector<std::string> calls_;
  NativeWindow window_ = kRootWindow;
  bool taken_ = false;
  GrabStatus keyboardAnswer_ = GrabStatus::Held;
  GrabStatus pointerAnswer_ = GrabStatus::Held;
  GrabReport state_;
};

}  // namespace brivak::platform
