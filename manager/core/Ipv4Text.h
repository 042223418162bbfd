// Dotted IPv4 text as the manager reads and writes it (address boxes, discovery answers, range
// walk bounds). Pure functions; safe on any thread.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace brivak::manager {

// The address as a number in host order, or nullopt unless the text is a strict dotted address:
// only digits and exactly three dots, four non-empty groups, at most three digits in each, each
// value at most 255, the first group not starting with '0', any other group starting with '0'
// only when its value is 0 ("10.0.00.1" is accepted, "0.1.2.3" and "1.02.3.4" are not).
std::optional<std::uint32_t> ParseDottedIPv4(std::string_view text);

// "a.b.c.d" of a number in host order.
std::string FormatIPv4(std::uint32_t address);

// True when the text is a dotted address in 127.0.0.0/8 (loopback).
bool IsLoopbackIPv4(std::string_view text);

}  // namespace brivak::manager
