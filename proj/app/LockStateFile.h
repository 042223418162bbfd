// The persisted "locked" state: a small file in the data folder that exists from the start of a
// lock to its normal end. A start that finds it (after a crash, kill -9, a hand-over to the next
// start, or a power loss while locked) locks again at once. Main thread.
#pragma once

#include <string>

namespace brivak::app {

// The file's name inside the data folder.
inline constexpr const char* kLockStateFileName = "lock.state";

class LockStateFile {
 public:
  explicit LockStateFile(std::string path) : path_(std::move(path)) {}
  // True when the file says "locked".
  bool Locked() const;
  // Writes "locked" (flushed to disk before it returns); false when it could not be written.
  bool SetLocked();
  // Removes the file; harmless when there is none.
  void Clear();

 private:
  std::string path_;
};

}  // namespace brivak::app
