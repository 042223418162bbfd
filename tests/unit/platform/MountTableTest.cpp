#include "platform/linux/MountTable.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace brivak::platform {
namespace {

TEST(MountTable, ParsesTheMountPointFieldWithItsEscapes) {
  const std::string text =
      "22 1 0:21 / /proc rw,nosuid - proc proc rw\n"
      "100 29 8:17 / /media/user/MY\\040STICK rw,nosuid shared:55 - vfat /dev/sdb1 rw\n"
      "101 29 0:50 / /mnt/back\\134slash rw - tmpfs t rw\n"
      "short line\n"
      "\n"
      "102 29 0:51 / /run/media/u/CD ro - iso9660 /dev/sr0 ro";
  const auto points = ParseMountInfo(text);
  ASSERT_EQ(points.size(), 4u);
  EXPECT_EQ(points[0], "/proc");
  EXPECT_EQ(points[1], "/media/user/MY STICK");
  EXPECT_EQ(points[2], "/mnt/back\\slash");
  EXPECT_EQ(points[3], "/run/media/u/CD");
}

TEST(MountTable, TheWatcherKnowsTheMountsOfThisProcess) {
  LinuxMediaWatch watch;
  const auto points = watch.MountPoints();
  EXPECT_NE(std::find(points.begin(), points.end(), "/"), points.end());
  watch.Start([](const MediaChange&) {});
  watch.Stop();  // returns: the thread ends on the stop event
}

}  // namespace
}  // namespace brivak::platform
