#include "manager/app/FolderUserListCopies.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace brivak::manager::app {

namespace {

// The host as it may stand in a file name: letters, digits, "." and "-"; anything else is "_".
std::string FileNamePart(std::string_view host) {
  std::string part;
  for (char c : host) {
    const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' || c == '-';
    part += plain ? c : '_';
  }
  if (part.empty() || part.front() == '.') part.insert(part.begin(), '_');
  return part;
}

void MakeFolders(const std::string& folder) {
  for (std::size_t slash = folder.find('/', 1);; slash = folder.find('/', slash + 1)) {
    const std::string part = folder.substr(0, slash);
    if (!part.empty() && ::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) {
      throw std::runtime_error("Cannot create folder " + part + ": " + std::strerror(errno));
    }
    if (slash == std::string::npos) break;
  }
}

}  // namespace

FolderUserListCopies::FolderUserListCopies(platform::FileSystem& files, std::string folder)
    : files_(files), folder_(std::move(folder)) {}

std::unique_ptr<UserListStore> FolderUserListCopies::NewCopy(std::string_view host) {
  std::string folder = folder_;
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  MakeFolders(folder);
  const std::string stem = folder + "/" + FileNamePart(host) + "-";
  for (int n = 1; n < 100000; ++n) {
    const std::string path = stem + std::to_string(n) + ".dat";
    // O_EXCL claims the name: two managers sharing the folder never share a copy.
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) {
      if (errno == EEXIST) continue;
      throw std::runtime_error("Cannot create " + path + ": " + std::strerror(errno));
    }
    ::close(fd);
    return std::make_unique<FileUserListStore>(files_, path);
  }
  throw std::runtime_error("No free file name for a copy of the user list of " + std::string(host));
}

}  // namespace brivak::manager::app
