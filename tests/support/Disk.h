// The real file system for tests that work in a scratch folder (TempDir). LinuxFileSystem keeps no
// state, so one object serves every test.
#pragma once

#include "platform/linux/LinuxFileSystem.h"

namespace brivak::test {

inline platform::LinuxFileSystem& Disk() {
  static platform::LinuxFileSystem disk;
  return disk;
}

}  // namespace brivak::test
