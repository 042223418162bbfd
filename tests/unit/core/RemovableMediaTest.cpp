#include "proj/core/RemovableMedia.h"

#include <gtest/gtest.h>

namespace brivak::core {
namespace {

TEST(RemovableMedia, MountPointsBelowTheRemovableFoldersOnly) {
  struct Case {
    const char* point;
    bool removable;
  };
  for (const Case& c : {Case{"/media/user/STICK", true}, Case{"/run/media/user/CARD", true}, Case{"/mnt/cd", true},
                        Case{"/media", false}, Case{"/media/", false}, Case{"/mnt", false}, Case{"/", false},
                        Case{"/home/user/media/x", false}, Case{"/mntx/y", false}, Case{"/run/user/1000", false},
                        Case{"/run/mediax/y", false}}) {
    EXPECT_EQ(IsRemovableMountPoint(c.point), c.removable) << c.point;
  }
}

TEST(RemovableMedia, DriveFileSitsInBrivak2GoAtTheRootOfTheVolume) {
  EXPECT_EQ(DriveFilePath("/media/u/STICK"), "/media/u/STICK/Brivak2Go/settings.ini");
  EXPECT_EQ(DriveFilePath("/mnt/x/"), "/mnt/x/Brivak2Go/settings.ini");
}

TEST(RemovableMedia, DriveFileBooleansAreIntegersAndMissingMeansFalse) {
  struct Case {
    const char* text;
    bool section, lock, unlock;
  };
  for (const Case& c : {
           Case{"", false, false, false},
           Case{"[Other]\r\nlockOnInsert=1\r\n", false, false, false},
           Case{"[USB]\r\n", true, false, false},
           Case{"[USB]\r\nlockOnInsert=1\r\nunlockOnInsert=0\r\n", true, true, false},
           Case{"[usb]\nLOCKONINSERT = 7\nunlockOnInsert=-1\n", true, true, true},
           Case{"[USB]\nlockOnInsert=yes\nunlockOnInsert=1x\n", true, false, false},
           Case{"[USB]\nlockOnInsert=0\nlockOnInsert=1\n", true, false, false},  // the first key wins
       }) {
    const DriveFile file = ParseDriveFile(c.text);
    EXPECT_EQ(file.hasUsbSection, c.section) << c.text;
    EXPECT_EQ(file.lockOnInsert, c.lock) << c.text;
    EXPECT_EQ(file.unlockOnInsert, c.unlock) << c.text;
  }
  const DriveFile named = ParseDriveFile("[USB]\nusername=amy\npassword=pw\n");
  EXPECT_EQ(named.username, "amy");
  EXPECT_EQ(named.password, "pw");
}

TEST(RemovableMedia, RemovalLineKeepsTheEmptyDescriptions) {
  EXPECT_EQ(UsbRemovedLogLine(), "USB Removed:  ()");
}

}  // namespace
}  // namespace brivak::core
