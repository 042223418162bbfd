#include "proj/core/RemoteRequest.h"

namespace brivak::core {

namespace {

// Length of the UTF-8 sequence starting at text[i] when it is well formed, else 0.
std::size_t Utf8SequenceLength(std::string_view text, std::size_t i) {
  const auto lead = static_cast<unsigned char>(text[i]);
  std::size_t length = 0;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
  } else {
    return 0;
  }
  if (i + length > text.size()) return 0;
  for (std::size_t k = 1; k < length; ++k) {
    const auto next = static_cast<unsigned char>(text[i + k]);
    if (next < 0x80 || next > 0xBF) return 0;
  }
  return length;
}

}  // namespace

std::string ToAsciiText(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c < 0x80) {
      out.push_back(static_cast<char>(c));
      ++i;
      continue;
    }
    const std::size_t length = Utf8SequenceLength(text, i);
    out.push_back('?');
    i += length == 0 ? 1 : length;
  }
  return out;
}

std::optional<std::string> DiscoveryAnswer(std::string_view datagram, std::string_view theLocalIP) {
  if (datagram.find("/query?") == std::string_view::npos) return std::nullopt;
  if (theLocalIP.empty()) return std::nullopt;
  return std::string(1, theLocalIP.front());
}

std::string SecurityEventDatagram(std::string_view text) {
  return "/se:" + ToAsciiText(text);
}

std::string PowerEventDatagram(std::string_view text) {
  return "/pe:" + ToAsciiText(text);
}

}  // namespace brivak::core
