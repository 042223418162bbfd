// Folders that tests choose. Set the fields before handing the object out; not synchronised.
#pragma once

#include <string>

#include "platform/Paths.h"

namespace brivak::platform {

class FakePaths : public Paths {
 public:
  std::string executableDir = "/opt/brivak/";
  std::string executablePath = "/opt/brivak/brivak3";
  std::string dataRoot = "/home/tester/.local/share";
  std::string configRoot = "/home/tester/.config";
  std::string runtimeDir = "/run/user/1000";
  std::string systemDir = "/usr/lib/xscreensaver";
  // When true, DataRoot throws as the real one does without a home folder.
  bool dataRootMissing = false;

  std::string ExecutableDir() const override { return executableDir; }
  std::string ExecutablePath() const override { return executablePath; }
  std::string DataRoot() const override;
  std::string ConfigRoot() const override { return configRoot; }
  std::string RuntimeDir() const override { return runtimeDir; }
  std::string SystemDir() const override { return systemDir; }
};

}  // namespace brivak::platform
