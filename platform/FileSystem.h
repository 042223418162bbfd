// Files: the seam every store, log and copy writes through (settings, user list, day logs, layout
// copies, deployment and export writes), so that tests can inject the faults a disk has.
//
// Contract of every implementation:
// - Paths are absolute, "/"-separated; a folder is the part before the last "/".
// - Nothing throws. A failed operation returns a FileResult that tests false and says why
//   ("<path>: cannot write: No space left on device"); success is never reported for a write that
//   did not reach the file.
// - ReplaceFile is atomic: a temporary file beside the target, the whole content, flush, rename.
//   A failure at any step (or a crash) leaves the old file whole, or no file if there was none, and
//   removes the temporary file.
// - AppendToExisting writes its bytes with one write on an append-only descriptor, so a line never
//   interleaves with another writer's line (in this process or another).
// - Thread-safe: any method may be called from any thread at any time.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace brivak::platform {

// Success, or the reason of a failure (for the log line or the reply that reports it).
struct FileResult {
  std::string error;  // empty on success

  bool ok() const { return error.empty(); }
  explicit operator bool() const { return ok(); }
  static FileResult Ok() { return {}; }
  static FileResult Failed(std::string reason) { return {std::move(reason)}; }
};

enum class AppendOutcome {
  kWritten,  // the bytes were appended
  kNoFile,   // the file does not exist; nothing was created or written
  kFailed,   // the file exists but could not be written (see error)
};
struct AppendResult {
  AppendOutcome outcome = AppendOutcome::kFailed;
  std::string error;  // set for kFailed
};

enum class CreateOutcome {
  kCreated,  // this call created the file with the bytes
  kExisted,  // the file was there already and is untouched
  kFailed,   // see error
};
struct CreateResult {
  CreateOutcome outcome = CreateOutcome::kFailed;
  std::string error;  // set for kFailed
};

// An advisory lock between processes, held until the object is destroyed.
class HeldFileLock {
 public:
  virtual ~HeldFileLock() = default;
};

class FileSystem {
 public:
  virtual ~FileSystem() = default;

  // The whole content; nullopt when the file is missing or cannot be read.
  virtual std::optional<std::string> ReadFile(const std::string& path) const = 0;
  // True for an existing regular file.
  virtual bool IsFile(const std::string& path) const = 0;
  // True for an existing folder.
  virtual bool IsFolder(const std::string& path) const = 0;
  // Names (not paths) of the entries of a folder, sorted; empty when it is missing or unreadable.
  virtual std::vector<std::string> ListFolder(const std::string& folder) const = 0;

  // Replaces (or creates) `path` atomically with `data`. `newFileMode` applies to a file that did
  // not exist; an existing file keeps its mode. The folder must exist.
  virtual FileResult ReplaceFile(const std::string& path, std::string_view data,
                                 unsigned newFileMode = 0644) = 0;
  // Appends to an existing file; never creates it.
  virtual AppendResult AppendToExisting(const std::string& path, std::string_view bytes) = 0;
  // Creates `path` holding `bytes` only when it does not exist; the file never appears without its
  // content (a concurrent appender cannot write before it).
  virtual CreateResult CreateExclusive(const std::string& path, std::string_view bytes) = 0;
  // Creates the folder and its missing parents (`mode` for the folders it creates); success when it
  // exists already.
  virtual FileResult CreateFolders(const std::string& folder, unsigned mode = 0755) = 0;
  // Removes a file; success when it did not exist.
  virtual FileResult RemoveFile(const std::string& path) = 0;
  // Sets the permission bits of an existing file or folder.
  virtual FileResult SetMode(const std::string& path, unsigned mode) = 0;
  // The permission bits; nullopt when the path does not exist.
  virtual std::optional<unsigned> Mode(const std::string& path) const = 0;

  // Takes a lock on `lockPath` (created with `mode` when missing), shared or exclusive, waiting for
  // it. Null, with `error` set, when the lock file cannot be opened or locked.
  virtual std::unique_ptr<HeldFileLock> Lock(const std::string& lockPath, bool exclusive, unsigned mode,
                                             std::string& error) = 0;
};

// The folder part of a path ("" for a bare name, "/" for a file at the root).
inline std::string FolderOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return "";
  return slash == 0 ? "/" : path.substr(0, slash);
}

}  // namespace brivak::platform
