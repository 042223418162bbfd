// The registry form of the settings on Linux: one INI file per user
// ("${XDG_CONFIG_HOME:-$HOME/.config}/brivak/registry.ini"), shared by both programs.
#pragma once

#include <string>

#include "common/IniFile.h"
#include "platform/FileSystem.h"
#include "platform/RegistryStore.h"

namespace brivak::platform {

// Every change is a read-modify-write under an flock on "<path>.lock", so two processes (or two
// stores in one process) lose no update; the file is replaced atomically and kept at mode 0600,
// since it holds password hashes. Thread-safe.
class LinuxRegistryStore : public RegistryStore {
 public:
  // `files` must outlive this object.
  LinuxRegistryStore(FileSystem& files, std::string path);

  // The file's content; empty when it does not exist yet or cannot be read.
  IniDocument Snapshot() const override;
  // Creates the folder (mode 0700, with missing parents) on first write. Throws std::runtime_error
  // when the folder or the file cannot be written; the file is unchanged then. An exception thrown
  // by `change` propagates and nothing is written.
  void Modify(const std::function<void(IniDocument&)>& change) override;

  const std::string& Path() const { return file_.Path(); }

 private:
  FileSystem& files_;
  IniFile file_;
};

}  // namespace brivak::platform
