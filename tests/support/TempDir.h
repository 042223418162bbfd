// A fresh folder for one test (mkdtemp under /tmp, which keeps socket paths well below the
// sockaddr_un limit whatever TMPDIR says), removed with everything in it afterwards.
#pragma once

#include <stdlib.h>

#include <filesystem>
#include <stdexcept>
#include <string>
#include <system_error>

namespace brivak::test {

class TempDir {
 public:
  TempDir() {
    std::string pattern = "/tmp/brivak-test-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
  }
  ~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  // The folder, without and with a trailing "/".
  const std::string& Path() const { return path_; }
  std::string Folder() const { return path_ + "/"; }
  std::string File(const std::string& name) const { return path_ + "/" + name; }
  std::string operator/(const std::string& name) const { return File(name); }

 private:
  std::string path_;
};

}  // namespace brivak::test
