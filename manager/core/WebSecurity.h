// The two gates of the manager's web interface in front of its routes: the Basic credentials of
// the "Authorization" header, and the same-origin check that keeps other sites' pages from sending
// commands through an administrator's browser (which replays cached Basic credentials to any page
// that links here). Pure functions, thread-safe.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace brivak::manager {

struct BasicCredentials {
  std::string user;
  std::string password;
  bool operator==(const BasicCredentials&) const = default;
};

// Standard base64 (RFC 4648 alphabet, "=" padding optional); nullopt for any other character,
// misplaced padding or a truncated last group.
std::optional<std::string> Base64Decode(std::string_view text);

// The user name and password of an "Authorization" header value "Basic <base64 of user:password>"
// (scheme name in any case). The password is everything after the first ":". nullopt for another
// scheme, bad base64 or a missing ":".
std::optional<BasicCredentials> ParseBasicAuthorization(std::string_view headerValue);

// The browser-supplied headers that tell where a request comes from; absent headers are nullopt.
struct RequestSite {
  std::optional<std::string_view> host;
  std::optional<std::string_view> origin;
  std::optional<std::string_view> referer;
  std::optional<std::string_view> secFetchSite;
};

enum class SiteVerdict {
  kSameOrigin,  // at least one header shows this site itself (or a typed address), none contradicts
  kCrossSite,   // some header names another site, or cannot be matched against Host
  kNoEvidence,  // none of Origin, Referer, Sec-Fetch-Site is present
};

// Judges the headers together:
// - Sec-Fetch-Site "same-origin" or "none" (typed address, bookmark) is evidence for this site; any
//   other value ("cross-site", "same-site": another port or name of the same site) is against.
// - Origin and Referer must name Host as their authority ("scheme://host[:port]", the scheme's
//   default port 80 or 443 being optional; host compared without regard to ASCII case). Origin
//   "null", a malformed value, or either header without a Host header counts against.
// A single contradicting header makes the verdict kCrossSite.
SiteVerdict JudgeRequestSite(const RequestSite& site);

}  // namespace brivak::manager
