#include "platform/fake/FakeInstanceHub.h"

#include <mutex>

namespace brivak::platform {

namespace fake_detail {

struct HubState {
  mutable std::mutex mutex;  // guards the fields below
  const FakeInstanceLock* lockOwner = nullptr;
  const FakeInstanceChannel* listener = nullptr;
  InstanceChannel::Handler handler;
  bool lockUnavailable = false;
  bool unresponsive = false;
  std::vector<FakeInstanceHub::SentRecord> sent;

  // Held while a handler runs: one delivery at a time, and StopListening waits on it. Recursive so
  // that a handler may send or stop listening itself.
  std::recursive_mutex delivery;

  SendResult Record(const InstanceMessage& message, SendResult result) {
    std::lock_guard lock(mutex);
    sent.push_back({message, result});
    return result;
  }
};

}  // namespace fake_detail

using fake_detail::HubState;

FakeInstanceLock::FakeInstanceLock(std::shared_ptr<HubState> hub) : hub_(std::move(hub)) {}

FakeInstanceLock::~FakeInstanceLock() {
  std::lock_guard lock(hub_->mutex);
  if (hub_->lockOwner == this) hub_->lockOwner = nullptr;
}

bool FakeInstanceLock::TryAcquire() {
  std::lock_guard lock(hub_->mutex);
  if (hub_->lockUnavailable || hub_->lockOwner == this) return true;
  if (hub_->lockOwner != nullptr) return false;
  hub_->lockOwner = this;
  return true;
}

FakeInstanceChannel::FakeInstanceChannel(std::shared_ptr<HubState> hub) : hub_(std::move(hub)) {}

FakeInstanceChannel::~FakeInstanceChannel() {
  StopListening();
}

bool FakeInstanceChannel::Listen(Handler handler) {
  if (!handler) return false;
  std::lock_guard lock(hub_->mutex);
  if (hub_->listener != nullptr) return false;
  hub_->listener = this;
  hub_->handler = std::move(handler);
  return true;
}

void FakeInstanceChannel::StopListening() {
  {
    std::lock_guard lock(hub_->mutex);
    if (hub_->listener != this) return;
    hub_->listener = nullptr;
    hub_->handler = nullptr;
  }
  std::lock_guard wait(hub_->delivery);  // a handler already running finishes first
}

SendResult FakeInstanceChannel::Send(const InstanceMessage& message, std::chrono::milliseconds /*timeout*/) {
  {
    std::lock_guard lock(hub_->mutex);
    if (hub_->listener == nullptr) {
      hub_->sent.push_back({message, SendResult::NoInstance});
      return SendResult::NoInstance;
    }
    if (hub_->unresponsive) {
      hub_->sent.push_back({message, SendResult::TimedOut});
      return SendResult::TimedOut;
    }
  }
  std::lock_guard delivery(hub_->delivery);
  Handler handler;
  {
    std::lock_guard lock(hub_->mutex);
    if (hub_->listener == nullptr) {  // stopped while we waited for our turn
      hub_->sent.push_back({message, SendResult::NoInstance});
      return SendResult::NoInstance;
    }
    handler = hub_->handler;
  }
  try {
    handler(message);
  } catch (...) {
    // As with the real channel, a failing handler still counts as a delivered message.
  }
  return hub_->Record(message, SendResult::Delivered);
}

FakeInstanceHub::FakeInstanceHub() : state_(std::make_shared<HubState>()) {}

std::unique_ptr<FakeInstanceLock> FakeInstanceHub::MakeLock() const {
  return std::make_unique<FakeInstanceLock>(state_);
}

std::unique_ptr<FakeInstanceChannel> FakeInstanceHub::MakeChannel() const {
  return std::make_unique<FakeInstanceChannel>(state_);
}

void FakeInstanceHub::SetLockUnavailable(bool unavailable) {
  std::lock_guard lock(state_->mutex);
  state_->lockUnavailable = unavailable;
}

void FakeInstanceHub::SetUnresponsive(bool unresponsive) {
  std::lock_guard lock(state_->mutex);
  state_->unresponsive = unresponsive;
}

std::vector<FakeInstanceHub::SentRecord> FakeInstanceHub::Sent() const {
  std::lock_guard lock(state_->mutex);
  return state_->sent;
}

bool FakeInstanceHub::Listening() const {
  std::lock_guard lock(state_->mutex);
  return state_->listener != nullptr;
}

bool FakeInstanceHub::LockHeld() const {
  std::lock_guard lock(state_->mutex);
  return state_->lockOwner != nullptr;
}

}  // namespace brivak::platform
