// Contract between the network layer (HTTP server, UDP endpoint) and the
// transport-neutral remote-command core. Plain C++, no OS headers.
#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

namespace brivak::core {

// One HTTP request as received by the server, already framed.
struct HttpRequest {
  std::string method;         // "GET", "HEAD", "POST"
  std::string target;         // path and query as received, e.g. "/query?s_username=a&s_password=b"
  std::string body;           // POST body (empty otherwise)
  std::string contentType;    // request Content-Type header value
  std::string remoteAddress;  // dotted IPv4, or "0:0:0:0:0:0:0:1" for the IPv6 loopback
};

enum class ReplyForm { StatusOnly, Page };

// The reply the server sends. The server applies `delay` before sending,
// writes `reason` into the status line and `body` as the content.
struct HttpReply {
  int status = 200;
  std::string reason;  // reply text for the status line (CR/LF replaced by spaces by the
                       // server; non-ASCII sent as '?')
  ReplyForm form = ReplyForm::StatusOnly;
  std::string body;                    // for Page: "<HTML><BODY><B>200 " + text + "</B></BODY></HTML>\r\n";
                                       // for status 500: the error message
  std::string contentType;             // empty = no Content-Type header
  bool nosniff = false;                // X-Content-Type-Options: nosniff
  std::chrono::milliseconds delay{0};  // wait this long before sending (guessing slow-down)
};

// Implemented by the command handler; called on network threads, possibly
// several at once. Implementations are thread-safe and never throw.
class RequestHandler {
 public:
  virtual ~RequestHandler() = default;
  virtual HttpReply Handle(const HttpRequest& request) = 0;  // never throws
};

// --- UDP datagrams (discovery on port 8777, event reports to MasterIP:8778) ---

// Discovery decision for one received datagram (bytes read one per
// character). Returns the one-byte answer (the first character of
// `theLocalIP`) when the text contains "/query?" (case-sensitive), nullopt
// when nothing is to be sent (no "/query?", or empty `theLocalIP`).
std::optional<std::string> DiscoveryAnswer(std::string_view datagram, std::string_view theLocalIP);

// Datagram bytes of a security event: "/se:" + text; characters outside
// ASCII (UTF-8 sequences, or stray bytes) each go out as '?'.
std::string SecurityEventDatagram(std::string_view text);

// Datagram bytes of a power event: "/pe:" + text (text may be empty);
// non-ASCII as for SecurityEventDatagram.
std::string PowerEventDatagram(std::string_view text);

// Text -> ASCII bytes: each UTF-8 encoded character outside ASCII (and each
// byte of an invalid sequence) becomes one '?'.
std::string ToAsciiText(std::string_view text);

}  // namespace brivak::core
