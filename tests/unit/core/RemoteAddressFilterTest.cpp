#include <gtest/gtest.h>

#include "proj/core/RemoteAddressFilter.h"
#include "unit/common/RecordingLogSink.h"
#include "support/ParamNames.h"

namespace brivak::core {
namespace {

struct MaskCase {
  const char* address;
  const char* mask;
  bool match;
};

class IPMatchMaskTest : public ::testing::TestWithParam<MaskCase> {};

TEST_P(IPMatchMaskTest, Matches) {
  const MaskCase& c = GetParam();
  EXPECT_EQ(IPMatchMask(c.address, c.mask), c.match) << c.address << " vs " << c.mask;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, IPMatchMaskTest,
    ::testing::Values(MaskCase{"10.0.0.5", "10.0.0.*", true}, MaskCase{"10.0.0.5", "10.0.*.*", true},
                      MaskCase{"10.0.0.5", "10.0.0", false},     // three parts against four
                      MaskCase{"10.0.0.5", "10.0.0.5*", false},  // "5*" is literal
                      MaskCase{"10.0.0.5", "*", false}, MaskCase{"10.0.0.5", "*.*.*.*", true},
                      MaskCase{"10.0.0.5", "10.0.0.5", true}, MaskCase{"10.0.0.5", "10.0.0.5 ", false},
                      MaskCase{"10.0.0.5", " 10.0.0.5", false}, MaskCase{"10.0.0.5", "", false},
                      MaskCase{"192.168.0.225", "192.168.0.22*", false},
                      MaskCase{"fe80::1", "*", true},  // no dots: one part
                      MaskCase{"fe80::1", "*.*", false}, MaskCase{"ABC.def", "abc.DEF", true},
                      MaskCase{"10..1", "10.*.1", true},  // empty parts kept
                      MaskCase{"1.2.3.", "1.2.3.*", true}, MaskCase{"", "", true}),
    brivak::test::NamedBy<MaskCase>([](const MaskCase& c) {
      return std::string(std::string(c.address) + "_" + c.mask);
    }));

struct AllowCase {
  const char* address;
  bool allowRemoteUnlocking;
  bool allowed;
};

class AllowRemoteIPTest : public ::testing::TestWithParam<AllowCase> {};

TEST_P(AllowRemoteIPTest, Decides) {
  const AllowCase& c = GetParam();
  test::RecordingLogSink log;
  const char* list = "192.168.1.*\r\n192.168.0.22*\r\n\r\n10.1.1.1 \r10.2.*.*\n172.16.0.9";
  EXPECT_EQ(AllowRemoteIP(c.address, "192.168.5.50", c.allowRemoteUnlocking, list, log), c.allowed)
      << c.address;
  EXPECT_EQ(log.Calls(), std::vector<std::string>{"debug:AllowRemoteIP:" + std::string(c.address)});
}

INSTANTIATE_TEST_SUITE_P(
    Cases, AllowRemoteIPTest,
    ::testing::Values(AllowCase{"192.168.5.50", false, true},  // the master station
                      AllowCase{"127.0.0.1", false, true}, AllowCase{"0:0:0:0:0:0:0:1", false, true},
                      AllowCase{"192.168.1.7", false, false},  // listed, but remote access off
                      AllowCase{"192.168.1.7", true, true}, AllowCase{"192.168.0.225", true, false},
                      AllowCase{"10.1.1.1", true, false},   // its line ends with a blank
                      AllowCase{"10.2.3.4", true, true},    // after a lone CR
                      AllowCase{"172.16.0.9", true, true},  // after a lone LF, no final break
                      AllowCase{"127.0.0.2", true, false},  // only 127.0.0.1 is special
                      AllowCase{"::1", true, false}, AllowCase{"192.168.005.50", true, false}),
    brivak::test::NamedBy<AllowCase>([](const AllowCase& c) {
      return std::string(std::string(c.address) + (c.allowRemoteUnlocking ? "_unlocking" : ""));
    }));

TEST(AllowRemoteIPEdgeTest, EmptyMasterAndListAllowNothingElse) {
  test::RecordingLogSink log;
  EXPECT_FALSE(AllowRemoteIP("10.0.0.1", "", true, "", log));
  EXPECT_TRUE(AllowRemoteIP("127.0.0.1", "", false, "", log));
}

TEST(AddressPredicateTest, DottedIPv4AndLoopback) {
  for (const char* ok : {"0.0.0.0", "10.0.0.1", "255.255.255.255", "192.168.1.20"}) {
    EXPECT_TRUE(IsDottedIPv4(ok)) << ok;
  }
  for (const char* bad : {"", "1.2.3", "1.2.3.4.5", "256.1.1.1", "1.2.3.04", "a.b.c.d", " 1.2.3.4",
                          "1.2.3.4 ", "host.example", "::1", "1..2.3", "-1.2.3.4", "1.2.3.1000"}) {
    EXPECT_FALSE(IsDottedIPv4(bad)) << bad;
  }
  for (const char* loop : {"127.0.0.1", "127.1.2.3", "::1", "0:0:0:0:0:0:0:1"}) {
    EXPECT_TRUE(IsLoopbackAddress(loop)) << loop;
  }
  for (const char* other : {"128.0.0.1", "10.0.0.1", "127.0.0", "localhost", ""}) {
    EXPECT_FALSE(IsLoopbackAddress(other)) << other;
  }
}

}  // namespace
}  // namespace brivak::core
