// The event reports lockers send to port 8778 of their master station ("/se:" security events,
// "/pe:" power events), turned into the manager's log line. Pure; any thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace brivak::manager {

inline constexpr std::uint16_t kEventPort = 8778;
// Longest event text shown; the rest of a datagram is dropped.
inline constexpr std::size_t kEventTextLimit = 4096;

// `udpServUDPRead`: the one log line for a datagram:
//   "UDP: Security Event: From " + address + ":" + port + " : " + text after the first "/se:"
//   "UDP: Power Event: From " + address + ":" + port + " : " + text after the first "/pe:"
//   "Unknown UDP datagram: " + text
// "/se:" is looked for first. The shown text is cut to kEventTextLimit bytes (never inside a UTF-8
// sequence), and line breaks and other control characters become blanks, so a datagram always
// makes exactly one line in the log.
std::string EventDatagramLine(std::string_view datagram, std::string_view senderAddress,
                              std::uint16_t senderPort);

}  // namespace brivak::manager
