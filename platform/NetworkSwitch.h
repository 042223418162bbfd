// The machine's network access as a whole (NetworkManager's networking switch): suspended while a
// lock asks for it, restored at its end. Asynchronous: the outcome reaches `done` once, on the
// thread that asked (the UI thread), within a few seconds; never blocks the caller.
#pragma once

#include <functional>
#include <string>

namespace brivak::platform {

class NetworkSwitch {
 public:
  // accepted: the service took the request; otherwise `error` says why not.
  using Done = std::function<void(bool accepted, std::string error)>;
  virtual ~NetworkSwitch() = default;
  virtual void Enable(bool on, Done done) = 0;
};

}  // namespace brivak::platform
