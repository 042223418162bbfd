// posix_spawn with an argument list. Started children are reaped by a waiting thread each, so no
// zombies stay behind and the program's own signal handling is untouched.
#pragma once

#include "platform/Processes.h"

namespace brivak::platform {

class LinuxProcesses : public Processes {
 public:
  bool Start(const std::vector<std::string>& argv, const std::string& workingDir) override;
};

}  // namespace brivak::platform
