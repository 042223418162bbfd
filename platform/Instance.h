// The single-instance rule and the small message protocol between processes of the locker.
// Message numbers and pairings are those of the Windows program, so that both builds agree.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>

namespace brivak::platform {

struct InstanceMessage {
  std::uint32_t message = 0;
  std::uint32_t wParam = 0;
  std::uint32_t lParam = 0;
  friend bool operator==(const InstanceMessage&, const InstanceMessage&) = default;
};

// Held by the one instance for its whole life; the system drops it when the process dies.
class InstanceLock {
 public:
  virtual ~InstanceLock() = default;
  // True when this process now holds the lock (it is the instance); false when another holds it.
  // A lock that cannot be created at all counts as acquired: the program then starts as the instance.
  virtual bool TryAcquire() = 0;
};

enum class SendResult {
  NoInstance,  // nobody listens (the Windows program's FindWindow returned 0)
  Delivered,   // the instance acknowledged the message
  TimedOut,    // connected, but no acknowledgement within the time allowed
};

class InstanceChannel {
 public:
  using Handler = std::function<void(const InstanceMessage&)>;
  virtual ~InstanceChannel() = default;
  // Instance side: start receiving. `handler` runs on the channel's own thread, once per message,
  // before the sender is acknowledged. Returns false when the channel cannot be opened.
  virtual bool Listen(Handler handler) = 0;
  // Stops receiving; no handler call runs after this returns. Called by the destructor too.
  virtual void StopListening() = 0;
  // Any process: delivers one message to the running instance and waits at most `timeout` for
  // its acknowledgement.
  virtual SendResult Send(const InstanceMessage& message, std::chrono::milliseconds timeout) = 0;
};

}  // namespace brivak::platform
