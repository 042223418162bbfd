// `ToggleNetwork` and `NetworkWasTurnedOff`: the lock's network suspension. A suspension is
// persisted (through `persist`) before it is asked for, and cleared once a restore was accepted,
// so that a start after a crash restores a network the crash left off. The event log says
// "Network access suspended" / "resumed" only when the network service accepted the request, and
// says the failure otherwise. Main thread.
#pragma once

#include <functional>
#include <string>

#include "common/LogSink.h"
#include "platform/NetworkSwitch.h"

namespace brivak::core {

class NetworkSuspension {
 public:
  // `persist(true)` records a suspension on disk, `persist(false)` removes the record. The
  // references must outlive this object.
  NetworkSuspension(platform::NetworkSwitch& network, LogSink& log, std::function<void(bool)> persist);

  // restore false: suspend (console "Disabling Network Access..."); true: restore ("Restoring
  // Network Access...").
  void ToggleNetwork(bool restore);
  // `NetworkWasTurnedOff`: from a suspension until the next restore.
  bool NetworkWasTurnedOff() const { return turnedOff_; }

 private:
  platform::NetworkSwitch& network_;
  LogSink& log_;
  std::function<void(bool)> persist_;
  bool turnedOff_ = false;
};

}  // namespace brivak::core
