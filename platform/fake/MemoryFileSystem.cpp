#include "platform/fake/MemoryFileSystem.h"

#include <algorithm>

namespace brivak::platform {
namespace {

std::string Reason(const std::string& path, const char* what, const char* why) {
  return path + ": " + what + ": " + why;
}

// True when `path` is `folder` or lies below it.
bool Within(const std::string& path, const std::string& folder) {
  if (folder == "/") return true;
  return path == folder || (path.size() > folder.size() && path.compare(0, folder.size(), folder) == 0 &&
                            path[folder.size()] == '/');
}

class SharedHold : public HeldFileLock {
 public:
  SharedHold(std::shared_ptr<std::shared_mutex> mutex, bool exclusive)
      : mutex_(std::move(mutex)), exclusive_(exclusive) {
    if (exclusive_) {
      mutex_->lock();
    } else {
      mutex_->lock_shared();
    }
  }
  ~SharedHold() override {
    if (exclusive_) {
      mutex_->unlock();
    } else {
      mutex_->unlock_shared();
    }
  }
  SharedHold(const SharedHold&) = delete;
  SharedHold& operator=(const SharedHold&) = delete;

 private:
  std::shared_ptr<std::shared_mutex> mutex_;
  bool exclusive_;
};

}  // namespace

MemoryFileSystem::MemoryFileSystem() { nodes_["/"] = Node{true, {}, 0755}; }

bool MemoryFileSystem::FolderExists(const std::string& folder) const {
  const auto it = nodes_.find(folder.empty() ? "/" : folder);
  return it != nodes_.end() && it->second.folder;
}

std::optional<std::string> MemoryFileSystem::ReadOnlyFault(const std::string& path) const {
  for (const std::string& folder : readOnly_) {
    if (Within(path, folder)) return "Read-only file system";
  }
  return std::nullopt;
}

std::optional<std::string> MemoryFileSystem::WriteFault(const std::string&, std::size_t size, std::size_t& stored) {
  stored = size;
  if (shortWrites_ > 0 && size > shortKeep_) {
    --shortWrites_;
    stored = shortKeep_;
    if (spaceLeft_) *spaceLeft_ -= std::min(stored, *spaceLeft_);
    return "Input/output error";
  }
  if (spaceLeft_) {
    if (size > *spaceLeft_) {
      stored = *spaceLeft_;
      *spaceLeft_ = 0;
      return "No space left on device";
    }
    *spaceLeft_ -= size;
  }
  return std::nullopt;
}

std::optional<std::string> MemoryFileSystem::ReadFile(const std::string& path) const {
  std::lock_guard lock(mutex_);
  const auto it = nodes_.find(path);
  if (it == nodes_.end() || it->second.folder) return std::nullopt;
  return it->second.data;
}

bool MemoryFileSystem::IsFile(const std::string& path) const {
  std::lock_guard lock(mutex_);
  const auto it = nodes_.find(path);
  return it != nodes_.end() && !it->second.folder;
}

bool MemoryFileSystem::IsFolder(const std::string& path) const {
  std::lock_guard lock(mutex_);
  return FolderExists(path);
}

std::vector<std::string> MemoryFileSystem::ListFolder(const std::string& folder) const {
  std::lock_guard lock(mutex_);
  std::vector<std::string> names;
  for (const auto& [path, node] : nodes_) {
    if (path != "/" && FolderOf(path) == folder) names.push_back(path.substr(path.rfind('/') + 1));
  }
  return names;  // the map keeps them sorted
}

FileResult MemoryFileSystem::ReplaceFile(const std::string& path, std::string_view data, unsigned newFileMode) {
  std::lock_guard lock(mutex_);
  if (!FolderExists(FolderOf(path))) {
    return FileResult::Failed(Reason(path, "cannot create a temporary file", "No such file or directory"));
  }
  if (const auto fault = ReadOnlyFault(path)) {
    ++faultsStruck_;
    return FileResult::Failed(Reason(path, "cannot create a temporary file", fault->c_str()));
  }
  std::size_t stored = 0;
  if (const auto fault = WriteFault(path, data.size(), stored)) {
    ++faultsStruck_;  // the partial temporary file is removed; the old file was never touched
    if (spaceLeft_) *spaceLeft_ += stored;
    return FileResult::Failed(Reason(path, "cannot write", fault->c_str()));
  }
  if (failRenames_ > 0) {
    --failRenames_;
    ++faultsStruck_;
    if (spaceLeft_) *spaceLeft_ += data.size();  // the temporary file is removed again
    return FileResult::Failed(Reason(path, "cannot replace", "Input/output error"));
  }
  const auto it = nodes_.find(path);
  if (it != nodes_.end() && it->second.folder) {
    return FileResult::Failed(Reason(path, "cannot replace", "Is a directory"));
  }
  const unsigned mode = it != nodes_.end() ? it->second.mode : newFileMode;
  if (spaceLeft_ && it != nodes_.end()) *spaceLeft_ += it->second.data.size();  // the old file's space
  nodes_[path] = Node{false, std::string(data), mode};
  return FileResult::Ok();
}

AppendResult MemoryFileSystem::AppendToExisting(const std::string& path, std::string_view bytes) {
  std::lock_guard lock(mutex_);
  const auto it = nodes_.find(path);
  if (it == nodes_.end()) return {AppendOutcome::kNoFile, {}};
  if (it->second.folder) return {AppendOutcome::kFailed, Reason(path, "cannot open", "Is a directory")};
  if (const auto fault = ReadOnlyFault(path)) {
    ++faultsStruck_;
    return {AppendOutcome::kFailed, Reason(path, "cannot open", fault->c_str())};
  }
  std::size_t stored = 0;
  const auto fault = WriteFault(path, bytes.size(), stored);
  it->second.data.append(bytes.substr(0, stored));
  if (fault) {
    ++faultsStruck_;
    return {AppendOutcome::kFailed, Reason(path, "cannot write", fault->c_str())};
  }
  return {AppendOutcome::kWritten, {}};
}

CreateResult MemoryFileSystem::CreateExclusive(const std::string& path, std::string_view bytes) {
  std::lock_guard lock(mutex_);
  if (nodes_.count(path) != 0) return {CreateOutcome::kExisted, {}};
  if (!FolderExists(FolderOf(path))) {
    return {CreateOutcome::kFailed, Reason(path, "cannot create", "No such file or directory")};
  }
  if (const auto fault = ReadOnlyFault(path)) {
    ++faultsStruck_;
    return {CreateOutcome::kFailed, Reason(path, "cannot create", fault->c_str())};
  }
  std::size_t stored = 0;
  if (const auto fault = WriteFault(path, bytes.size(), stored)) {
    ++faultsStruck_;  // the private file is removed; the name never appeared
    if (spaceLeft_) *spaceLeft_ += stored;
    return {CreateOutcome::kFailed, Reason(path, "cannot write", fault->c_str())};
  }
  nodes_[path] = Node{false, std::string(bytes), 0644};
  return {CreateOutcome::kCreated, {}};
}

FileResult MemoryFileSystem::CreateFolders(const std::string& folder, unsigned mode) {
  std::lock_guard lock(mutex_);
  if (folder.empty() || folder == "/") return FileResult::Ok();
  for (std::size_t slash = folder.find('/', 1);; slash = folder.find('/', slash + 1)) {
    const std::string part = folder.substr(0, slash);
    const auto it = nodes_.find(part);
    if (it == nodes_.end()) {
      if (const auto fault = ReadOnlyFault(part)) {
        ++faultsStruck_;
        return FileResult::Failed(Reason(part, "cannot create the folder", fault->c_str()));
      }
      nodes_[part] = Node{true, {}, mode};
    } else if (!it->second.folder) {
      return FileResult::Failed(Reason(part, "cannot create the folder", "Not a directory"));
    }
    if (slash == std::string::npos) break;
  }
  return FileResult::Ok();
}

FileResult MemoryFileSystem::RemoveFile(const std::string& path) {
  std::lock_guard lock(mutex_);
  const auto it = nodes_.find(path);
  if (it == nodes_.end()) return FileResult::Ok();
  if (it->second.folder) return FileResult::Failed(Reason(path, "cannot remove", "Is a directory"));
  if (const auto fault = ReadOnlyFault(path)) {
    ++faultsStruck_;
    return FileResult::Failed(Reason(path, "cannot remove", fault->c_str()));
  }
  if (spaceLeft_) *spaceLeft_ += it->second.data.size();
  nodes_.erase(it);
  return FileResult::Ok();
}

FileResult MemoryFileSystem::SetMode(const std::string& path, unsigned mode) {
  std::lock_guard lock(mutex_);
  const auto it = nodes_.find(path);
  if (it == nodes_.end()) return FileResult::Failed(Reason(path, "cannot set the mode", "No such file or directory"));
  if (const auto fault = ReadOnlyFault(path)) {
    ++faultsStruck_;
    return FileResult::Failed(Reason(path, "cannot set the mode", fault->c_str()));
  }
  it->second.mode = mode & 07777;
  return FileResult::Ok();
}

std::optional<unsigned> MemoryFileSystem::Mode(const std::string& path) const {
  std::lock_guard lock(mutex_);
  const auto it = nodes_.find(path);
  if (it == nodes_.end()) return std::nullopt;
  return it->second.mode;
}

std::unique_ptr<HeldFileLock> MemoryFileSystem::Lock(const std::string& lockPath, bool exclusive, unsigned,
                                                     std::string& error) {
  std::shared_ptr<std::shared_mutex> mutex;
  {
    std::lock_guard lock(mutex_);
    if (!FolderExists(FolderOf(lockPath))) {
      error = Reason(lockPath, "cannot open the lock", "No such file or directory");
      return nullptr;
    }
    auto& slot = locks_[lockPath];
    if (!slot) slot = std::make_shared<std::shared_mutex>();
    mutex = slot;
  }
  return std::make_unique<SharedHold>(std::move(mutex), exclusive);  // waits outside mutex_
}

void MemoryFileSystem::Put(const std::string& path, std::string_view data, unsigned mode) {
  CreateFolders(FolderOf(path));
  std::lock_guard lock(mutex_);
  nodes_[path] = Node{false, std::string(data), mode};
}

void MemoryFileSystem::SetSpaceLeft(std::optional<std::size_t> bytes) {
  std::lock_guard lock(mutex_);
  spaceLeft_ = bytes;
}

void MemoryFileSystem::SetReadOnly(const std::string& folder, bool readOnly) {
  std::lock_guard lock(mutex_);
  if (readOnly) {
    readOnly_.insert(folder);
  } else {
    readOnly_.erase(folder);
  }
}

void MemoryFileSystem::FailRenames(int count) {
  std::lock_guard lock(mutex_);
  failRenames_ = count;
}

void MemoryFileSystem::ShortWrites(std::size_t keep, int count) {
  std::lock_guard lock(mutex_);
  shortKeep_ = keep;
  shortWrites_ = count;
}

int MemoryFileSystem::FaultsStruck() const {
  std::lock_guard lock(mutex_);
  return faultsStruck_;
}

}  // namespace brivak::platform
