// Text forms of peer addresses as the command handler and the event sender see them.
#pragma once

#include <boost/asio/ip/address.hpp>
#include <optional>
#include <string>
#include <string_view>

namespace brivak::net {

// Dotted IPv4; an IPv4-mapped IPv6 address as its dotted IPv4; the IPv6 loopback as
// "0:0:0:0:0:0:0:1" (the handler's address filter compares that text); any other IPv6 address in
// the same full form: eight groups of lower-case hex without leading zeros.
std::string RemoteAddressText(const boost::asio::ip::address& address);

// 127.0.0.0/8, ::1 and IPv4-mapped 127.0.0.0/8: the machine itself.
bool IsLoopbackAddress(const boost::asio::ip::address& address);

// The address when `text` is a plain dotted IPv4 literal ("a.b.c.d", decimal, no surrounding
// blanks), else nullopt.
std::optional<boost::asio::ip::address_v4> ParseDottedIPv4(std::string_view text);

}  // namespace brivak::net
