#include "proj/net/AddressText.h"

#include <cstdio>

namespace brivak::net {

namespace {

boost::asio::ip::address Unmapped(const boost::asio::ip::address& address) {
  if (address.is_v6() && address.to_v6().is_v4_mapped()) {
    return boost::asio::ip::make_address_v4(boost::asio::ip::v4_mapped, address.to_v6());
  }
  return address;
}

}  // namespace

std::string RemoteAddressText(const boost::asio::ip::address& address) {
  const boost::asio::ip::address plain = Unmapped(address);
  if (plain.is_v4()) return plain.to_v4().to_string();
  const auto bytes = plain.to_v6().to_bytes();
  std::string text;
  for (std::size_t i = 0; i < bytes.size(); i += 2) {
    char group[8];
    const unsigned value = (static_cast<unsigned>(bytes[i]) << 8) | bytes[i + 1];
    std::snprintf(group, sizeof group, "%x", value);
    if (i != 0) text += ':';
    text += group;
  }
  return text;
}

bool IsLoopbackAddress(const boost::asio::ip::address& address) {
  const boost::asio::ip::address plain = Unmapped(address);
  if (plain.is_v4()) return (plain.to_v4().to_uint() >> 24) == 127;
  return plain.to_v6().is_loopback();
}

std::optional<boost::asio::ip::address_v4> ParseDottedIPv4(std::string_view text) {
  // inet_pton (behind make_address_v4) accepts exactly four decimal parts; check the characters
  // first so that nothing else (blanks, a trailing zone) slips through.
  if (text.empty() || text.size() > 15) return std::nullopt;
  for (char c : text) {
    if (c != '.' && (c < '0' || c > '9')) return std::nullopt;
  }
  boost::system::error_code ec;
  const auto address = boost::asio::ip::make_address_v4(std::string(text), ec);
  if (ec) return std::nullopt;
  return address;
}

}  // namespace brivak::net
