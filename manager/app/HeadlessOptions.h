// The manager's command line. Flags take one dash or two ("-headless", "--headless").
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace brivak::manager::app {

struct ManagerCommandLine {
  bool help = false;
  bool headless = false;
  std::optional<std::string> loginFile;                      // -login <file>
  std::vector<std::pair<std::string, std::string>> settings;  // -set key=value (not saved)
  std::optional<std::string> userList;                        // -userlist <file>
  std::optional<std::string> statusFile;                      // -statusfile <file>
  std::optional<std::uint16_t> eventPort;                     // -eventport <n>
  std::optional<std::string> localIP;                         // -localip <a.b.c.d>
  bool noInitialDiscovery = false;                            // -nodiscover
  std::string error;  // set when the command line cannot be used
};

ManagerCommandLine ParseManagerCommandLine(const std::vector<std::string>& args);

// The text of --help.
std::string ManagerHelpText();

}  // namespace brivak::manager::app
