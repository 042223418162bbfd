// Which peers the remote command server serves (AllowRemoteIP), the address-mask rule
// (IPMatchMask), and small address predicates shared by the remote-control code.
// Pure functions; safe on any thread.
#pragma once

#include <string_view>

#include "common/LogSink.h"

namespace brivak::core {

// The peer `address` may be served: it equals `masterIP` (exact text), "127.0.0.1" or
// "0:0:0:0:0:0:0:1"; or `allowRemoteUnlocking` is on and some line of `allowedRemoteIPs` (lines end
// at CR LF, CR or LF) matches it by IPMatchMask. Writes the debug line "AllowRemoteIP:" + address.
bool AllowRemoteIP(std::string_view address, std::string_view masterIP, bool allowRemoteUnlocking,
                   std::string_view allowedRemoteIPs, LogSink& log);

// Both texts lower-cased and split at every "." (empty parts kept); true when the part counts are
// equal and every mask part is "*" or equals the address part. A part such as "22*" is literal.
bool IPMatchMask(std::string_view address, std::string_view mask);

// The loopback peers: dotted 127.0.0.0/8, "::1" and "0:0:0:0:0:0:0:1".
bool IsLoopbackAddress(std::string_view address);

// A dotted IPv4 literal: four decimal parts 0-255, one to three digits, no leading zeros (so
// "192.168.001.5" is not one; the system would read it as octal).
bool IsDottedIPv4(std::string_view text);

}  // namespace brivak::core
