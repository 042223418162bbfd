#include "manager/core/EventDatagram.h"

namespace brivak::manager {

namespace {

// At most `limit` bytes, cut at a character boundary, with every control character a blank.
std::string OneLine(std::string_view text, std::size_t limit) {
  if (text.size() > limit) {
    std::size_t cut = limit;
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;
    text = text.substr(0, cut);
  }
  std::string out(text);
  for (char& c : out) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7F) c = ' ';
  }
  return out;
}

}  // namespace

std::string EventDatagramLine(std::string_view datagram, std::string_view senderAddress,
                              std::uint16_t senderPort) {
  const std::string from = std::string(senderAddress) + ":" + std::to_string(senderPort) + " : ";
  if (const std::size_t at = datagram.find("/se:"); at != std::string_view::npos) {
    return "UDP: Security Event: From " + from + OneLine(datagram.substr(at + 4), kEventTextLimit);
  }
  if (const std::size_t at = datagram.find("/pe:"); at != std::string_view::npos) {
    return "UDP: Power Event: From " + from + OneLine(datagram.substr(at + 4), kEventTextLimit);
  }
  return "Unknown UDP datagram: " + OneLine(datagram, kEventTextLimit);
}

}  // namespace brivak::manager
