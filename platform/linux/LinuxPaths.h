// Folders of the program and of the user on Linux, following the XDG base-directory rules.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "platform/Paths.h"

namespace brivak::platform {

// Reads one environment variable; nullopt when it is not set.
using EnvLookup = std::function<std::optional<std::string>(const std::string& name)>;
// The home folder of the process's user from the password database; nullopt when there is none.
using HomeLookup = std::function<std::optional<std::string>()>;

std::optional<std::string> SystemEnv(const std::string& name);  // getenv
std::optional<std::string> PasswdHome();                        // getpwuid_r(getuid())

// The environment and the password database are injected so that tests can drive every case.
// Thread-safe as long as the lookups are (the defaults are, provided nobody calls setenv meanwhile).
class LinuxPaths : public Paths {
 public:
  explicit LinuxPaths(EnvLookup env = SystemEnv, HomeLookup passwdHome = PasswdHome);

  // Directory of /proc/self/exe, ending in "/"; empty when the link cannot be read.
  std::string ExecutableDir() const override;
  std::string ExecutablePath() const override;
  // ${XDG_DATA_HOME:-$HOME/.local/share}. The XDG variable counts only when it is an absolute path,
  // $HOME only when absolute too; without $HOME the password database's home is used.
  // Throws std::runtime_error("Could not find MyDocuments folder location.") when no home is found.
  std::string DataRoot() const override;
  // ${XDG_CONFIG_HOME:-$HOME/.config}, with the same rules and the same exception as DataRoot:
  // an empty answer would put the registry file at the file-system root.
  std::string ConfigRoot() const override;
  // $XDG_RUNTIME_DIR when it is an absolute path to an existing directory owned by this user that
  // no other user may write to; otherwise "" (callers then use the data folder).
  std::string RuntimeDir() const override;
  // "/usr/lib/xscreensaver".
  std::string SystemDir() const override;

 private:
  std::string UserRoot(const char* xdgName, const char* homeSuffix) const;
  std::string Home() const;

  EnvLookup env_;
  HomeLookup passwdHome_;
};

}  // namespace brivak::platform
