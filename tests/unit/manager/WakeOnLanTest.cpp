#include "manager/core/WakeOnLan.h"

#include <gtest/gtest.h>

#include <set>

#include "unit/manager/LookupFakes.h"

namespace brivak::manager {
namespace {

TEST(WakeOnLanTest, DatagramBytes) {
  const std::optional<MacAddress> mac = ParseMacAddress("00112233AABB");
  ASSERT_TRUE(mac);
  const std::vector<std::uint8_t> bytes = WakeUpDatagram(*mac);
  ASSERT_EQ(bytes.size(), kWakeUpDatagramSize);
  const std::vector<std::uint8_t> address = {0x00, 0x11, 0x22, 0x33, 0xAA, 0xBB};
  EXPECT_EQ(bytes[0], 0x00);
  EXPECT_EQ(std::vector<std::uint8_t>(bytes.begin() + 1, bytes.begin() + 7), address);
  EXPECT_EQ(bytes[7], 0x00);
  EXPECT_EQ(bytes[8], 0x74);
  // The magic packet: six 0xFF, then the address sixteen times.
  for (std::size_t i = 9; i < 15; ++i) EXPECT_EQ(bytes[i], 0xFF) << i;
  for (std::size_t copy = 0; copy < 16; ++copy) {
    const auto at = bytes.begin() + 15 + static_cast<long>(copy * 6);
    EXPECT_EQ(std::vector<std::uint8_t>(at, at + 6), address) << copy;
  }
  EXPECT_EQ(std::vector<std::uint8_t>(bytes.begin() + 111, bytes.end()), std::vector<std::uint8_t>(6, 0));
}

TEST(WakeOnLanTest, MacForms) {
  const MacAddress expected = {0x00, 0x11, 0x22, 0x33, 0xAA, 0xBB};
  for (const char* text : {"00112233AABB", "00112233aabb", "00-11-22-33-AA-BB", "00:11:22:33:aa:bb"}) {
    const std::optional<MacAddress> mac = ParseMacAddress(text);
    ASSERT_TRUE(mac) << text;
    EXPECT_EQ(*mac, expected) << text;
  }
  for (const char* text : {"", "0011", "00112233AAB", "00112233AABBC", "00112233AABG", "00-11-22:33-AA-BB",
                           "00 11 22 33 AA BB", "0011-2233-AABB", "-0112233AABB", "00-11-22-33-AA-B-"}) {
    EXPECT_FALSE(ParseMacAddress(text)) << text;
  }
}

TEST(WakeOnLanTest, SendsToTheSettableTargetOnPort2050) {
  test::RecordingDatagrams udp;
  const std::string status = WakeUp(udp, "00112233AABB", WakeOnLanTarget{"127.0.0.1", kWakeOnLanPort});
  EXPECT_EQ(status, "Trying to wake-up remote host: 00112233AABB");
  ASSERT_EQ(udp.sent.size(), 1u);
  EXPECT_EQ(udp.sent[0].address, "127.0.0.1");
  EXPECT_EQ(udp.sent[0].port, 2050);
  const std::vector<std::uint8_t> bytes = WakeUpDatagram(*ParseMacAddress("00112233AABB"));
  EXPECT_EQ(udp.sent[0].bytes, std::string(bytes.begin(), bytes.end()));
}

TEST(WakeOnLanTest, AMalformedAddressSendsNothing) {
  test::RecordingDatagrams udp;
  EXPECT_EQ(WakeUp(udp, "0011", WakeOnLanTarget{"127.0.0.1", 2050}), "There was an error");
  EXPECT_TRUE(udp.sent.empty());
  udp.result = false;
  EXPECT_EQ(WakeUp(udp, "00112233AABB", WakeOnLanTarget{"127.0.0.1", 2050}), "There was an error");
}

TEST(RemoteDesktopTest, ChoosesAnInstalledClientAndBuildsItsArgv) {
  struct Case {
    std::set<std::string> installed;
    RemoteDesktopMode mode;
    std::vector<std::string> argv;
  };
  const std::vector<Case> cases = {
      {{"xfreerdp", "remmina"}, RemoteDesktopMode::FullScreen, {"xfreerdp", "/v:127.0.0.5:3389", "/f"}},
      {{"xfreerdp"}, RemoteDesktopMode::Console, {"xfreerdp", "/v:127.0.0.5:3389", "/admin"}},
      {{"xfreerdp3"}, RemoteDesktopMode::FullScreen, {"xfreerdp3", "/v:127.0.0.5:3389", "/f"}},
      {{"remmina"}, RemoteDesktopMode::FullScreen, {"remmina", "-c", "rdp://127.0.0.5:3389"}},
  };
  for (const Case& c : cases) {
    const RemoteDesktopLaunch launch =
        RemoteDesktopCommand("127.0.0.5", c.mode, [&](std::string_view p) { return c.installed.count(std::string(p)) > 0; });
    EXPECT_EQ(launch.argv, c.argv);
    EXPECT_TRUE(launch.error.empty());
  }
}

TEST(RemoteDesktopTest, SaysSoWhenNoClientIsInstalled) {
  const RemoteDesktopLaunch launch =
      RemoteDesktopCommand("127.0.0.5", RemoteDesktopMode::FullScreen, [](std::string_view) { return false; });
  EXPECT_TRUE(launch.argv.empty());
  EXPECT_EQ(launch.error, "No remote-desktop client is installed: install xfreerdp or remmina.");
}

TEST(RemoteDesktopTest, AnAddressThatIsNotDottedIPv4StartsNothing) {
  for (const char* host : {"127.0.0.5 /u:x", "-f", "", "127.0.0.5:1"}) {
    const RemoteDesktopLaunch launch =
        RemoteDesktopCommand(host, RemoteDesktopMode::FullScreen, [](std::string_view) { return true; });
    EXPECT_TRUE(launch.argv.empty()) << host;
    EXPECT_FALSE(launch.error.empty()) << host;
  }
}

}  // namespace
}  // namespace brivak::manager
