#include "platform/fake/RecordingInputGuard.h"

namespace brivak::platform {

GrabReport RecordingInputGuard::Take(NativeWindow window) {
  calls_.push_back("take " + std::to_string(window));
  window_ = window;
  taken_ = true;
  state_ = GrabReport{keyboardAnswer_, pointerAnswer_};
  return state_;
}

GrabReport RecordingInputGuard::Retry() {
  calls_.push_back("retry");
  if (!taken_) return state_;
  if (!state_.KeyboardHeld()) state_.keyboard = keyboardAnswer_;
  if (!state_.PointerHeld()) state_.pointer = pointerAnswer_;
  return state_;
}

void RecordingInputGuard::Release() {
  calls_.push_back("release");
  taken_ = false;
  state_ = GrabReport{};
}

}  // namespace brivak::platform
