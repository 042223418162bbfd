// The lock screen's command queue: command words posted from any thread (the HTTP handler, the
// hooks, the idle warning) and taken one at a time by the user-interface thread. Thread-safe.
//
// Rules: first in, first out; nothing replaces a pending entry. A post equal to the last pending
// entry is dropped (so "shutdown" posted twice runs once), except "remotemessage", each of which is
// a message of its own. A "badpass" is dropped while "shutdown" or "terminate" is pending: a lock
// about to end needs no bad-password report. The queue holds at most kMaxPending entries; when it is
// full only "shutdown" and "terminate" are still accepted (when not already pending), so they are
// never lost and the queue stays bounded.
#pragma once

#include <cstddef>
#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace brivak::core {

// The texts of a message left through /remotemessage.
struct RemoteMessage {
  std::string from, subject, body, email;
  friend bool operator==(const RemoteMessage&, const RemoteMessage&) = default;
};

struct LockCommand {
  std::string word;       // "shutdown", "badpass", "remotemessage", "focus", "terminate", ...
  std::string user;       // "badpass": the user name that was refused
  RemoteMessage message;  // "remotemessage": the message
  friend bool operator==(const LockCommand&, const LockCommand&) = default;
};

class CommandQueue {
 public:
  static constexpr std::size_t kMaxPending = 64;

  // Appends `command` unless a rule above drops it; true when it was queued.
  bool Post(LockCommand command);
  // The oldest pending command, removed; nullopt when none is pending.
  std::optional<LockCommand> TryTake();
  // Removes and returns everything pending (the end of a lock), oldest first.
  std::vector<LockCommand> Clear();
  std::size_t Size() const;

 private:
  bool Pending(const std::string& word) const;  // called with mutex_ held

  mutable std::mutex mutex_;
  std::deque<LockCommand> pending_;
};

}  // namespace brivak::core
