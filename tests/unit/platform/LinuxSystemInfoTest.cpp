#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <regex>

#include "platform/linux/LinuxSystemInfo.h"

namespace brivak::platform {
namespace {

TEST(LinuxSystemInfo, LocalIPv4IsAReachableLookingIPv4Address) {
  const std::string ip = LinuxSystemInfo().LocalIPv4();
  in_addr parsed{};
  ASSERT_EQ(::inet_pton(AF_INET, ip.c_str(), &parsed), 1) << ip;
  EXPECT_NE(ip, "127.0.1.1");
  EXPECT_NE(ip.rfind("169.254.", 0), 0u) << ip;
  if (ip.rfind("127.", 0) == 0) {
    EXPECT_EQ(ip, "127.0.0.1");  // the fallback, never another loopback
  }
}

TEST(LinuxSystemInfo, MacIsTwelveUpperCaseHexDigitsOrEmpty) {
  const std::string mac = LinuxSystemInfo().FirstAdapterMac();
  EXPECT_TRUE(mac.empty() || std::regex_match(mac, std::regex("[0-9A-F]{12}"))) << mac;
  EXPECT_NE(mac, "000000000000");
}

TEST(LinuxSystemInfo, HostNameIsTheNodeName) {
  utsname names{};
  ASSERT_EQ(::uname(&names), 0);
  EXPECT_EQ(LinuxSystemInfo().HostName(), names.nodename);
}

TEST(LinuxSystemInfo, UserNameIsTheEffectiveUser) {
  const std::string name = LinuxSystemInfo().UserName();
  const passwd* entry = ::getpwnam(name.c_str());
  ASSERT_NE(entry, nullptr) << name;
  EXPECT_EQ(entry->pw_uid, ::geteuid());
}

TEST(LinuxSystemInfo, WorkGroupIsNotApplicable) {
  EXPECT_EQ(LinuxSystemInfo().WorkGroup(), "(n/a)");
}

TEST(LinuxSystemInfo, AdminChecksAgree) {
  const LinuxSystemInfo info;
  if (::geteuid() == 0) {
    EXPECT_TRUE(info.IsAdmin());
  }
  if (::getuid() == 0) {
    EXPECT_TRUE(info.IsUserAdmin());
  }
  EXPECT_EQ(info.IsAdminOld(), info.IsUserAdmin());
  if (::geteuid() == ::getuid()) {
    EXPECT_EQ(info.IsAdmin(), info.IsUserAdmin());
  }
}

}  // namespace
}  // namespace brivak::platform
