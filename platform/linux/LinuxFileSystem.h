// Files on Linux, through POSIX calls: atomic replacement by a temporary file, fsync and rename,
// line-safe appends with O_APPEND, exclusive creation published by link(), flock locks.
// Stateless and thread-safe.
#pragma once

#include "platform/FileSystem.h"

namespace brivak::platform {

class LinuxFileSystem : public FileSystem {
 public:
  std::optional<std::string> ReadFile(const std::string& path) const override;
  bool IsFile(const std::string& path) const override;
  bool IsFolder(const std::string& path) const override;
  std::vector<std::string> ListFolder(const std::string& folder) const override;
  FileResult ReplaceFile(const std::string& path, std::string_view data, unsigned newFileMode = 0644) override;
  AppendResult AppendToExisting(const std::string& path, std::string_view bytes) override;
  CreateResult CreateExclusive(const std::string& path, std::string_view bytes) override;
  FileResult CreateFolders(const std::string& folder, unsigned mode = 0755) override;
  FileResult RemoveFile(const std::string& path) override;
  FileResult SetMode(const std::string& path, unsigned mode) override;
  std::optional<unsigned> Mode(const std::string& path) const override;
  std::unique_ptr<HeldFileLock> Lock(const std::string& lockPath, bool exclusive, unsigned mode,
                                     std::string& error) override;
};

}  // namespace brivak::platform
