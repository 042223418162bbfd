// Where the program and its per-user data live.
#pragma once

#include <string>

namespace brivak::platform {

class Paths {
 public:
  virtual ~Paths() = default;
  // Folder of the running program file, ending in "/".
  virtual std::string ExecutableDir() const = 0;
  // Full path of the running program file; empty when it cannot be had.
  virtual std::string ExecutablePath() const = 0;
  // The per-user data root (Linux: ${XDG_DATA_HOME:-$HOME/.local/share}), no trailing "/".
  // Throws std::runtime_error("Could not find MyDocuments folder location.") when none can be had.
  virtual std::string DataRoot() const = 0;
  // The per-user configuration root (Linux: ${XDG_CONFIG_HOME:-$HOME/.config}), no trailing "/".
  virtual std::string ConfigRoot() const = 0;
  // Folder for the instance lock and its socket ($XDG_RUNTIME_DIR when usable), no trailing "/";
  // empty when there is none (callers then use the data folder).
  virtual std::string RuntimeDir() const = 0;
  // The system folder, no trailing "/" (home of the default screen saver).
  virtual std::string SystemDir() const = 0;
};

}  // namespace brivak::platform
