// Outcome of starting a service such as a listening socket: success, or why it failed (for example
// a port already in use), for the console or the log panel.
#pragma once

#include <string>
#include <utility>

namespace brivak {

struct StartResult {
  bool ok = false;
  std::string error;  // empty when ok

  explicit operator bool() const { return ok; }
  static StartResult Ok() { return {true, {}}; }
  static StartResult Failed(std::string reason) { return {false, std::move(reason)}; }
};

}  // namespace brivak
