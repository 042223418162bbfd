// Files held in memory, with the faults a disk has, injected by tests: a full disk, a read-only
// folder, a failed rename, a short write. Follows the FileSystem contract, faults included: a
// replacement that fails leaves the old content whole, and every failure is returned, never
// success. Thread-safe; faults may be injected while other threads write.
#pragma once

#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <shared_mutex>

#include "platform/FileSystem.h"

namespace brivak::platform {

class MemoryFileSystem : public FileSystem {
 public:
  MemoryFileSystem();

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

  // Writes a file directly (creating its folders), bypassing faults: the state a test starts from.
  void Put(const std::string& path, std::string_view data, unsigned mode = 0644);

  // ---- Faults -----------------------------------------------------------------------------------
  // A full disk: from now on, writes fail with "No space left on device" once `bytes` more bytes
  // have been written (0: every write of content fails). nullopt: unlimited again.
  void SetSpaceLeft(std::optional<std::size_t> bytes);
  // A read-only folder: creating, replacing, appending to or removing anything in `folder` or below
  // fails with "Read-only file system" (off again with `readOnly` false).
  void SetReadOnly(const std::string& folder, bool readOnly = true);
  // The next `count` replacements fail at the rename, after the temporary file was written.
  void FailRenames(int count = 1);
  // The next `count` writes of content store only their first `keep` bytes and then fail with
  // "Input/output error" (a replacement then leaves the old file; an append leaves the part).
  void ShortWrites(std::size_t keep, int count = 1);
  // Faults that have struck so far (each failed operation counts once).
  int FaultsStruck() const;

 private:
  struct Node {
    bool folder = false;
    std::string data;
    unsigned mode = 0644;
  };
  // Helpers run under mutex_. A fault that strikes returns its reason.
  std::optional<std::string> ReadOnlyFault(const std::string& path) const;
  // Takes `size` bytes of space, or cuts `size` to a short write; the reason when the write fails
  // (then `stored` bytes, maybe 0, reached the file).
  std::optional<std::string> WriteFault(const std::string& path, std::size_t size, std::size_t& stored);
  bool FolderExists(const std::string& folder) const;

  mutable std::mutex mutex_;
  std::map<std::string, Node> nodes_;
  std::optional<std::size_t> spaceLeft_;
  std::set<std::string> readOnly_;
  int failRenames_ = 0;
  int shortWrites_ = 0;
  std::size_t shortKeep_ = 0;
  int faultsStruck_ = 0;
  std::map<std::string, std::shared_ptr<std::shared_mutex>> locks_;
};

}  // namespace brivak::platform
