// Starting other programs: plug-ins, the update script, screen savers, the RDP client. Always an
// argument list, never a shell string.
#pragma once

#include <string>
#include <vector>

namespace brivak::platform {

class Processes {
 public:
  virtual ~Processes() = default;
  // Starts argv[0] (a path, or a name looked up in PATH) with the given arguments in `workingDir`
  // (empty: the current folder) and does not wait for it. True when the program started.
  virtual bool Start(const std::vector<std::string>& argv, const std::string& workingDir) = 0;
};

}  // namespace brivak::platform
