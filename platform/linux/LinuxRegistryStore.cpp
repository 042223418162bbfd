#include "platform/linux/LinuxRegistryStore.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace brivak::platform {
namespace {

// mkdir -p with mode 0700 for every folder it creates; existing folders keep their mode.
void CreateFolders(const std::string& folder) {
  if (folder.empty()) return;
  for (std::size_t slash = folder.find('/', 1);; slash = folder.find('/', slash + 1)) {
    const std::string part = folder.substr(0, slash);
    if (!part.empty() && ::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) {
      throw std::runtime_error("Cannot create folder " + part + ": " + std::strerror(errno));
    }
    if (slash == std::string::npos) break;
  }
  struct stat st {};
  if (::stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
    throw std::runtime_error("Cannot create folder " + folder + ": not a folder");
  }
}

}  // namespace

LinuxRegistryStore::LinuxRegistryStore(std::string path)
    : file_(std::move(path), IniFile::Options{.privateFile = true, .processLock = true}) {}

IniDocument LinuxRegistryStore::Snapshot() const {
  return file_.Load();
}

void LinuxRegistryStore::Modify(const std::function<void(IniDocument&)>& change) {
  const std::string& path = file_.Path();
  const auto slash = path.rfind('/');
  if (slash != std::string::npos && slash > 0) CreateFolders(path.substr(0, slash));
  // A file made readable to others (by hand, or by an older build) is closed again before it
  // receives new content: the replacement keeps the mode of the file it replaces.
  struct stat st {};
  if (::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && (st.st_mode & 077) != 0 &&
      ::chmod(path.c_str(), st.st_mode & 0700) != 0) {
    throw std::runtime_error("Cannot make " + path + " private: " + std::strerror(errno));
  }
  file_.Modify(change);
}

}  // namespace brivak::platform
