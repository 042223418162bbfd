// A fresh temporary folder per test (mkdtemp), removed with everything in it afterwards.
#pragma once

#include <stdlib.h>

#include <filesystem>
#include <stdexcept>
#include <string>
#include <system_error>

namespace brivak::platform::testsupport {

class TempDir {
 public:
  TempDir() {
    // /tmp keeps socket paths well below the sockaddr_un limit whatever TMPDIR says.
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

  const std::string& Path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

}  // namespace brivak::platform::testsupport
