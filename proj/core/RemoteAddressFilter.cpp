#include "proj/core/RemoteAddressFilter.h"

#include <cctype>
#include <string>
#include <vector>

#include "common/Stools.h"

namespace brivak::core {

namespace {

std::string Lower(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

// Lines ending at CR LF, a lone CR or a lone LF; a final line break adds no empty line.
std::vector<std::string_view> Lines(std::string_view text) {
  std::vector<std::string_view> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = start;
    while (end < text.size() && text[end] != '\r' && text[end] != '\n') ++end;
    lines.push_back(text.substr(start, end - start));
    if (end < text.size() && text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n') {
      ++end;
    }
    start = end + 1;
  }
  return lines;
}

}  // namespace

bool AllowRemoteIP(std::string_view address, std::string_view masterIP, bool allowRemoteUnlocking,
                   std::string_view allowedRemoteIPs, LogSink& log) {
  log.Debug("AllowRemoteIP:" + std::string(address));
  if (address == masterIP) return true;
  if (address == "127.0.0.1" || address == "0:0:0:0:0:0:0:1") return true;
  if (!allowRemoteUnlocking) return false;
  for (std::string_view line : Lines(allowedRemoteIPs)) {
    if (IPMatchMask(address, line)) return true;
  }
  return false;
}

bool IPMatchMask(std::string_view address, std::string_view mask) {
  const std::vector<std::string> addressParts = SplitDelimitedText(Lower(address), ".");
  const std::vector<std::string> maskParts = SplitDelimitedText(Lower(mask), ".");
  if (addressParts.size() != maskParts.size()) return false;
  for (std::size_t i = 0; i < maskParts.size(); ++i) {
    if (maskParts[i] != "*" && maskParts[i] != addressParts[i]) return false;
  }
  return true;
}

bool IsDottedIPv4(std::string_view text) {
  const std::vector<std::string> parts = SplitDelimitedText(text, ".");
  if (parts.size() != 4) return false;
  for (const std::string& part : parts) {
    if (part.empty() || part.size() > 3) return false;
    for (char c : part) {
      if (c < '0' || c > '9') return false;
    }
    if (part.size() > 1 && part.front() == '0') return false;
    if (std::stoi(part) > 255) return false;
  }
  return true;
}

bool IsLoopbackAddress(std::string_view address) {
  if (address == "::1" || address == "0:0:0:0:0:0:0:1") return true;
  return IsDottedIPv4(address) && address.starts_with("127.");
}

}  // namespace brivak::core
