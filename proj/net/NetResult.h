// Outcome of starting a network endpoint: success, or the reason it failed (for example a port
// already in use). The program's start-up self-test takes its failure branch on a failed start.
#pragma once

#include <string>

namespace brivak::net {

struct StartResult {
  bool ok = false;
  std::string error;  // empty when ok

  explicit operator bool() const { return ok; }
  static StartResult Ok() { return {true, {}}; }
  static StartResult Failed(std::string reason) { return {false, std::move(reason)}; }
};

}  // namespace brivak::net
