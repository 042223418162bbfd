// The HTTP wire rules of the command server, shared by the server's connections and by the fuzz
// target: parser limits, how a refused request is answered, and the exact reply bytes.
#pragma once

#include <boost/beast/http/string_body.hpp>
#include <boost/beast/http/parser.hpp>
#include <boost/system/error_code.hpp>
#include <cstddef>
#include <string>
#include <string_view>

#include "proj/core/RemoteRequest.h"

namespace brivak::net {

struct HttpLimits {
  std::size_t requestLine = 8 * 1024;  // method, target and version
  std::size_t header = 16 * 1024;      // request line and all header fields
  std::size_t body = 64 * 1024;
  std::size_t reason = 1024;  // status-line text; longer texts are cut (clients read the body)
};

using RequestParser = boost::beast::http::request_parser<boost::beast::http::string_body>;

// Applies the limits to a fresh parser.
void ConfigureParser(RequestParser& parser, const HttpLimits& limits);

// Status for a request the parser refused: 414 (request line too long), 431 (header too large),
// 413 (body too large) or 400 (malformed). `buffered` is the input the parser has not consumed.
// 0 when `ec` is not a parse error (an I/O error, or the peer left without a byte: no reply).
int StatusForParseError(const boost::system::error_code& ec, const RequestParser& parser, std::string_view buffered,
                        const HttpLimits& limits);

// Status for a completely parsed header (`headerBytes` long) that must not reach the handler: 414
// for a request line over the limit, 431 for a header over the limit, 405 for a known method other than GET, HEAD and POST, 501 for an unknown method;
// 0 when the request goes on.
int StatusForHeader(const RequestParser& parser, std::size_t headerBytes, const HttpLimits& limits);

// The request as the handler sees it (no remote address yet).
core::HttpRequest RequestFromParser(RequestParser& parser);

// The bytes of the server's own reply to a refused request (400, 405, 413, 414, 431, 501, 503).
core::HttpReply ErrorReply(int status);

// Status-line text: CR and LF (and the other control characters) become blanks, bytes outside
// ASCII become '?', cut to `maxBytes`.
std::string SanitizeReason(std::string_view reason, std::size_t maxBytes);

// Exact reply bytes: "HTTP/1.1 <status> <reason>", Server "Brivak3", "Connection: close", the
// optional Content-Type and X-Content-Type-Options, Content-Length, then the body. A status-only
// 2xx/3xx reply has Content-Length 0 and no body; a page reply, or any 4xx/5xx reply, carries
// `body`. `headOnly` (HEAD) sends the same header without the body.
std::string SerializeReply(const core::HttpReply& reply, bool headOnly, const HttpLimits& limits);

// Parses one request held whole in `bytes` the way a connection does (the end of `bytes` is the
// end of the stream). The fuzz target and tests use it.
struct ParsedRequest {
  int refusal = 0;  // 0: `request` is complete; else the status of the refusal reply
  core::HttpRequest request;
};
ParsedRequest ParseRequestBytes(std::string_view bytes, const HttpLimits& limits);

}  // namespace brivak::net
