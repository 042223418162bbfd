#include "proj/net/AddressText.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace brivak::net {
namespace {

using boost::asio::ip::make_address;

TEST(AddressText, RemoteAddressForms) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"127.0.0.1", "127.0.0.1"},
      {"203.0.113.20", "203.0.113.20"},
      {"::ffff:198.51.100.7", "198.51.100.7"},
      {"::1", "0:0:0:0:0:0:0:1"},
      {"fe80::1:abcd", "fe80:0:0:0:0:0:1:abcd"},
      {"2001:db8::ff00:42:8329", "2001:db8:0:0:0:ff00:42:8329"},
  };
  for (const auto& [input, expected] : cases) {
    EXPECT_EQ(RemoteAddressText(make_address(input)), expected) << input;
  }
}

TEST(AddressText, LoopbackIsTheWhole127NetAndIPv6Loopback) {
  for (const char* yes : {"127.0.0.1", "127.0.0.2", "127.255.255.254", "::1", "::ffff:127.0.0.9"}) {
    EXPECT_TRUE(IsLoopbackAddress(make_address(yes))) << yes;
  }
  for (const char* no : {"128.0.0.1", "126.255.255.255", "203.0.113.1", "::2", "::ffff:203.0.113.1", "0.0.0.0"}) {
    EXPECT_FALSE(IsLoopbackAddress(make_address(no))) << no;
  }
}

TEST(AddressText, DottedIPv4OnlyAsALiteral) {
  for (const char* yes : {"198.51.100.5", "0.0.0.0", "255.255.255.255", "127.0.0.1"}) {
    EXPECT_TRUE(ParseDottedIPv4(yes).has_value()) << yes;
  }
  for (const char* no : {"", "localhost", "1.2.3", "1.2.3.4.5", " 1.2.3.4", "1.2.3.4 ", "256.1.1.1", "::1",
                         "1.2.3.4:8778", "0x7f.0.0.1", "1..2.3"}) {
    EXPECT_FALSE(ParseDottedIPv4(no).has_value()) << no;
  }
}

}  // namespace
}  // namespace brivak::net
