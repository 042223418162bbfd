#include "manager/core/WebSecurity.h"

#include <array>

namespace brivak::manager {

namespace {

int Base64Value(char c) {
  if (c >= 'A' && c <= 'Z') return c - 'A';
  if (c >= 'a' && c <= 'z') return c - 'a' + 26;
  if (c >= '0' && c <= '9') return c - '0' + 52;
  if (c == '+') return 62;
  if (c == '/') return 63;
  return -1;
}

std::string LowerAscii(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

std::string_view Trim(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

// "host[:port]" of Host, lower-cased, with ":80" (the web server speaks plain HTTP) dropped.
std::string NormalHost(std::string_view host) {
  std::string out = LowerAscii(Trim(host));
  if (out.ends_with(":80")) out.resize(out.size() - 3);
  return out;
}

// The authority of "scheme://authority[/...]" lower-cased with the scheme's default port dropped;
// nullopt when the text is not of that form or the scheme is not http or https.
std::optional<std::string> NormalAuthority(std::string_view url) {
  url = Trim(url);
  const std::size_t sep = url.find("://");
  if (sep == std::string_view::npos) return std::nullopt;
  const std::string scheme = LowerAscii(url.substr(0, sep));
  if (scheme != "http" && scheme != "https") return std::nullopt;
  std::string_view authority = url.substr(sep + 3);
  const std::size_t end = authority.find_first_of("/?#");
  if (end != std::string_view::npos) authority = authority.substr(0, end);
  const std::size_t at = authority.rfind('@');
  if (at != std::string_view::npos) authority = authority.substr(at + 1);
  if (authority.empty()) return std::nullopt;
  std::string out = LowerAscii(authority);
  const std::string defaultPort = scheme == "http" ? ":80" : ":443";
  if (out.ends_with(defaultPort)) out.resize(out.size() - defaultPort.size());
  return out;
}

}  // namespace

std::optional<std::string> Base64Decode(std::string_view text) {
  std::size_t length = text.size();
  std::size_t padding = 0;
  while (length > 0 && text[length - 1] == '=' && padding < 2) {
    --length;
    ++padding;
  }
  if (padding > 0 && (length + padding) % 4 != 0) return std::nullopt;
  if (length % 4 == 1) return std::nullopt;
  std::string out;
  out.reserve(length * 3 / 4);
  unsigned buffer = 0;
  int bits = 0;
  for (std::size_t i = 0; i < length; ++i) {
    const int value = Base64Value(text[i]);
    if (value < 0) return std::nullopt;
    buffer = (buffer << 6) | static_cast<unsigned>(value);
    bits += 6;
    if (bits >= 8) {
      bits -= 8;
      out += static_cast<char>((buffer >> bits) & 0xFFu);
    }
  }
  return out;
}

std::optional<BasicCredentials> ParseBasicAuthorization(std::string_view headerValue) {
  headerValue = Trim(headerValue);
  const std::size_t space = headerValue.find(' ');
  if (space == std::string_view::npos) return std::nullopt;
  if (LowerAscii(headerValue.substr(0, space)) != "basic") return std::nullopt;
  const std::optional<std::string> decoded = Base64Decode(Trim(headerValue.substr(space + 1)));
  if (!decoded) return std::nullopt;
  const std::size_t colon = decoded->find(':');
  if (colon == std::string::npos) return std::nullopt;
  return BasicCredentials{decoded->substr(0, colon), decoded->substr(colon + 1)};
}

SiteVerdict JudgeRequestSite(const RequestSite& site) {
  bool evidence = false;
  if (site.secFetchSite) {
    const std::string value = LowerAscii(Trim(*site.secFetchSite));
    if (value != "same-origin" && value != "none") return SiteVerdict::kCrossSite;
    evidence = true;
  }
  const std::array<std::optional<std::string_view>, 2> urls{site.origin, site.referer};
  for (const std::optional<std::string_view>& url : urls) {
    if (!url) continue;
    if (!site.host) return SiteVerdict::kCrossSite;
    const std::optional<std::string> authority = NormalAuthority(*url);
    if (!authority || *authority != NormalHost(*site.host)) return SiteVerdict::kCrossSite;
    evidence = true;
  }
  return evidence ? SiteVerdict::kSameOrigin : SiteVerdict::kNoEvidence;
}

}  // namespace brivak::manager
