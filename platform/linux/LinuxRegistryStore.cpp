#include "platform/linux/LinuxRegistryStore.h"

#include <stdexcept>

namespace brivak::platform {

LinuxRegistryStore::LinuxRegistryStore(FileSystem& files, std::string path)
    : files_(files),
      file_(files, std::move(path), IniFile::Options{.privateFile = true, .processLock = true}) {}

IniDocument LinuxRegistryStore::Snapshot() const {
  return file_.Load();
}

void LinuxRegistryStore::Modify(const std::function<void(IniDocument&)>& change) {
  const std::string& path = file_.Path();
  const std::string folder = FolderOf(path);
  if (!folder.empty()) {
    const FileResult created = files_.CreateFolders(folder, 0700);
    if (!created) throw std::runtime_error(created.error);
  }
  // A file made readable to others (by hand, or by an older build) is closed again before it
  // receives new content: the replacement keeps the mode of the file it replaces.
  if (const std::optional<unsigned> mode = files_.Mode(path);
      mode && files_.IsFile(path) && (*mode & 077) != 0) {
    const FileResult closed = files_.SetMode(path, *mode & 0700);
    if (!closed) throw std::runtime_error(closed.error);
  }
  file_.Modify(change);
}

}  // namespace brivak::platform
