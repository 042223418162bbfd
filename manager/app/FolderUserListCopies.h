// The fetched copies of lockers' user lists, one file per fetch in a folder of the manager's own
// (created 0700; each file 0600, since the lists hold password hashes). Files are named after the
// host and a number that no earlier file of that folder took ("127.0.0.2-3.dat"); none is deleted,
// so an edited copy outlives the next fetch and the program's end.
// Thread-safety: NewCopy may be called from one thread at a time (the window's).
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "manager/core/RemoteUserList.h"

namespace brivak::manager::app {

class FolderUserListCopies : public UserListCopies {
 public:
  // `files` must outlive this object.
  FolderUserListCopies(platform::FileSystem& files, std::string folder);
  // Throws std::runtime_error when the folder or the file cannot be made.
  std::unique_ptr<UserListStore> NewCopy(std::string_view host) override;
  const std::string& Folder() const { return folder_; }

 private:
  platform::FileSystem& files_;
  const std::string folder_;
};

}  // namespace brivak::manager::app
