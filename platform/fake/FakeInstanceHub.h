// In-process stand-ins for the instance lock and channel. All locks and channels made by one hub
// behave as if they belonged to processes of one user session: the first TryAcquire wins until
// that lock object is destroyed, and Send reaches whichever channel of the hub listens.
//
// Delivery is synchronous: Send runs the listener's handler on the caller's thread, one message
// at a time, and returns Delivered after it. StopListening waits for a handler that is running.
// Everything here is thread-safe; the objects may outlive the hub.
#pragma once

#include <memory>
#include <vector>

#include "platform/Instance.h"

namespace brivak::platform {

namespace fake_detail {
struct HubState;
}

class FakeInstanceLock : public InstanceLock {
 public:
  explicit FakeInstanceLock(std::shared_ptr<fake_detail::HubState> hub);
  ~FakeInstanceLock() override;  // releases the lock, as process death does
  bool TryAcquire() override;

 private:
  std::shared_ptr<fake_detail::HubState> hub_;
};

class FakeInstanceChannel : public InstanceChannel {
 public:
  explicit FakeInstanceChannel(std::shared_ptr<fake_detail::HubState> hub);
  ~FakeInstanceChannel() override;
  // False when another channel of the hub listens already, or the handler is empty.
  bool Listen(Handler handler) override;
  void StopListening() override;
  // NoInstance when no channel listens; TimedOut (handler not run) while the hub is unresponsive.
  SendResult Send(const InstanceMessage& message, std::chrono::milliseconds timeout) override;

 private:
  std::shared_ptr<fake_detail::HubState> hub_;
};

class FakeInstanceHub {
 public:
  struct SentRecord {
    InstanceMessage message;
    SendResult result;
  };

  FakeInstanceHub();

  std::unique_ptr<FakeInstanceLock> MakeLock() const;
  std::unique_ptr<FakeInstanceChannel> MakeChannel() const;

  // Every TryAcquire succeeds, as when the lock file cannot be created.
  void SetLockUnavailable(bool unavailable);
  // A listener exists but never acknowledges: Send returns TimedOut without running the handler.
  void SetUnresponsive(bool unresponsive);

  // Every Send through the hub, in the order the results were decided.
  std::vector<SentRecord> Sent() const;
  bool Listening() const;
  bool LockHeld() const;

 private:
  std::shared_ptr<fake_detail::HubState> state_;
};

}  // namespace brivak::platform
