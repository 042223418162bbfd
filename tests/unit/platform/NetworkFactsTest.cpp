#include <gtest/gtest.h>

#include "platform/linux/NetworkFacts.h"

namespace brivak::platform {
namespace {

constexpr std::uint32_t Ip(unsigned a, unsigned b, unsigned c, unsigned d) {
  return (a << 24) | (b << 16) | (c << 8) | d;
}

constexpr const char* kHeader =
    "Iface\tDestination\tGateway \tFlags\tRefCnt\tUse\tMetric\tMask\t\tMTU\tWindow\tIRTT\n";

TEST(DefaultRouteInterfaces, ReadsDefaultRoutesLowestMetricFirst) {
  const struct {
    const char* name;
    std::string text;
    std::vector<std::string> expected;
  } cases[] = {
      {"single",
       std::string(kHeader) + "eth0\t00000000\t010200C0\t0003\t0\t0\t0\t00000000\t0\t0\t0\n"
                              "eth0\t000200C0\t00000000\t0001\t0\t0\t0\t00FFFFFF\t0\t0\t0\n",
       {"eth0"}},
      {"by metric",
       std::string(kHeader) + "wlan0\t00000000\t0101A8C0\t0003\t0\t0\t600\t00000000\t0\t0\t0\n"
                              "enp3s0\t00000000\t0100000A\t0003\t0\t0\t100\t00000000\t0\t0\t0\n"
                              "wlan0\t00000000\t0201A8C0\t0003\t0\t0\t700\t00000000\t0\t0\t0\n",
       {"enp3s0", "wlan0"}},
      {"route down is skipped",
       std::string(kHeader) + "eth1\t00000000\t0100000A\t0002\t0\t0\t0\t00000000\t0\t0\t0\n"
                              "eth2\t00000000\t0100000A\t0003\t0\t0\t5\t00000000\t0\t0\t0\n",
       {"eth2"}},
      {"not a default route",
       std::string(kHeader) + "eth0\t00000000\t0100000A\t0003\t0\t0\t0\t000000FF\t0\t0\t0\n"
                              "eth0\t0000000A\t00000000\t0001\t0\t0\t0\t00000000\t0\t0\t0\n",
       {}},
      {"malformed lines",
       std::string(kHeader) + "eth0\tzz\n\nbroken\n" +
           "eth3\t00000000\t0100000A\t0003\t0\t0\tx\t00000000\t0\t0\t0\n" +
           "eth4\t00000000\t0100000A\t0003\t0\t0\t1\t00000000\t0\t0\t0\n",
       {"eth4"}},
      {"empty", "", {}},
      {"header only", kHeader, {}},
  };
  for (const auto& c : cases) EXPECT_EQ(DefaultRouteInterfaces(c.text), c.expected) << c.name;
}

TEST(PickLocalIPv4, PrefersTheDefaultRouteAndSkipsUnusableAddresses) {
  const std::vector<Ipv4Candidate> machine = {
      {"lo", Ip(127, 0, 0, 1), true, true},
      {"dummy0", Ip(127, 0, 1, 1), true, false},       // host-name alias some systems set up
      {"eth1", Ip(169, 254, 3, 4), true, false},       // link-local
      {"docker0", Ip(198, 51, 100, 1), false, false},  // down
      {"virbr0", Ip(203, 0, 113, 1), true, false},
      {"eth0", Ip(192, 0, 2, 2), true, false},
  };
  const struct {
    const char* name;
    std::vector<Ipv4Candidate> candidates;
    std::vector<std::string> preferred;
    std::optional<std::string> expected;
  } cases[] = {
      {"default route interface first", machine, {"eth0"}, "192.0.2.2"},
      {"no default route: first usable", machine, {}, "203.0.113.1"},
      {"unusable default route interface", machine, {"eth1", "docker0"}, "203.0.113.1"},
      {"second default route", machine, {"ppp0", "eth0"}, "192.0.2.2"},
      {"loopback only", {{"lo", Ip(127, 0, 0, 1), true, true}}, {"lo"}, std::nullopt},
      {"nothing usable",
       {{"dummy0", Ip(127, 0, 1, 1), true, false}, {"x", 0, true, false}},
       {},
       std::nullopt},
      {"no interfaces", {}, {"eth0"}, std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(PickLocalIPv4(c.candidates, c.preferred), c.expected) << c.name;
}

TEST(IsUsableIPv4, RejectsZeroLoopbackAndLinkLocal) {
  EXPECT_FALSE(IsUsableIPv4(0));
  EXPECT_FALSE(IsUsableIPv4(Ip(127, 0, 0, 1)));
  EXPECT_FALSE(IsUsableIPv4(Ip(127, 0, 1, 1)));
  EXPECT_FALSE(IsUsableIPv4(Ip(169, 254, 0, 1)));
  EXPECT_TRUE(IsUsableIPv4(Ip(169, 253, 255, 255)));
  EXPECT_TRUE(IsUsableIPv4(Ip(128, 0, 0, 1)));
  EXPECT_TRUE(IsUsableIPv4(Ip(192, 0, 2, 2)));
}

TEST(FormatIPv4, DottedDecimal) {
  EXPECT_EQ(FormatIPv4(Ip(192, 0, 2, 255)), "192.0.2.255");
  EXPECT_EQ(FormatIPv4(Ip(10, 0, 0, 0)), "10.0.0.0");
}

TEST(FormatMac, TwelveUpperCaseHexDigitsForSixNonZeroBytes) {
  const unsigned char ethernet[] = {0x02, 0xab, 0x0c, 0xff, 0x00, 0x1e};
  const unsigned char zero[6] = {};
  const unsigned char infiniband[20] = {1};
  EXPECT_EQ(FormatMac(ethernet, 6), "02AB0CFF001E");
  EXPECT_EQ(FormatMac(zero, 6), "");
  EXPECT_EQ(FormatMac(ethernet, 0), "");
  EXPECT_EQ(FormatMac(ethernet, 4), "");
  EXPECT_EQ(FormatMac(infiniband, 20), "");
  EXPECT_EQ(FormatMac(nullptr, 6), "");
}

}  // namespace
}  // namespace brivak::platform
