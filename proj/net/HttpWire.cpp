#include "proj/net/HttpWire.h"

#include <boost/asio/buffer.hpp>
#include <boost/beast/http/empty_body.hpp>
#include <boost/beast/http/error.hpp>
#include <boost/beast/http/message.hpp>
#include <boost/beast/http/status.hpp>
#include <boost/beast/http/write.hpp>
#include <sstream>

namespace brivak::net {

namespace http = boost::beast::http;

namespace {

constexpr const char* kServerName = "Brivak3";
constexpr std::size_t kVersionLength = 8;  // "HTTP/1.1"

bool IsHttpError(const boost::system::error_code& ec) {
  return ec.category() == http::make_error_code(http::error::bad_target).category();
}

// The first line of `buffered`, without its line end (all of it when no line end came yet).
std::size_t FirstLineLength(std::string_view buffered) {
  const std::size_t end = buffered.find('\n');
  if (end == std::string_view::npos) return buffered.size();
  return (end > 0 && buffered[end - 1] == '\r') ? end - 1 : end;
}

}  // namespace

void ConfigureParser(RequestParser& parser, const HttpLimits& limits) {
  parser.header_limit(static_cast<std::uint32_t>(limits.header));
  parser.body_limit(limits.body);
}

int StatusForParseError(const boost::system::error_code& ec, const RequestParser& parser, std::string_view buffered,
                        const HttpLimits& limits) {
  if (!ec || !IsHttpError(ec)) return 0;
  if (ec == http::error::end_of_stream) return 0;  // the peer left before sending anything
  if (ec == http::error::body_limit) return 413;
  const bool headerDone = parser.is_header_done();
  if (ec == http::error::header_limit || (ec == http::error::buffer_overflow && !headerDone)) {
    // Once the request line is parsed the parser has consumed it (the target is never empty);
    // before that, the held input begins with it.
    const auto& message = parser.get();
    const std::size_t lineLength =
        message.target().empty()
            ? FirstLineLength(buffered)
            : message.method_string().size() + 1 + message.target().size() + 1 + kVersionLength;
    return lineLength > limits.requestLine ? 414 : 431;
  }
  if (ec == http::error::buffer_overflow) return 413;
  return 400;
}

int StatusForHeader(const RequestParser& parser, std::size_t headerBytes, const HttpLimits& limits) {
  const auto& message = parser.get();
  const std::size_t lineLength =
      message.method_string().size() + 1 + message.target().size() + 1 + kVersionLength;
  if (lineLength > limits.requestLine) return 414;
  // The parser bounds the request line and the fields each by the header limit; the limit is
  // meant for both together.
  if (headerBytes > limits.header) return 431;
  switch (message.method()) {
    case http::verb::get:
    case http::verb::head:
    case http::verb::post:
      return 0;
    case http::verb::unknown:
      return 501;
    default:
      return 405;
  }
}

core::HttpRequest RequestFromParser(RequestParser& parser) {
  auto& message = parser.get();
  core::HttpRequest request;
  request.method = std::string(message.method_string());
  request.target = std::string(message.target());
  request.contentType = std::string(message[http::field::content_type]);
  request.body = std::move(message.body());
  return request;
}

core::HttpReply ErrorReply(int status) {
  core::HttpReply reply;
  reply.status = status;
  reply.reason = std::string(http::obsolete_reason(http::int_to_status(static_cast<unsigned>(status))));
  reply.form = core::ReplyForm::Page;
  reply.body = std::to_string(status) + " " + reply.reason + "\r\n";
  return reply;
}

std::string SanitizeReason(std::string_view reason, std::size_t maxBytes) {
  std::string text(reason.substr(0, maxBytes));
  for (char& c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x80) {
      c = '?';
    } else if (byte < 0x20 || byte == 0x7f) {
      c = ' ';
    }
  }
  return text;
}

std::string SerializeReply(const core::HttpReply& reply, bool headOnly, const HttpLimits& limits) {
  const unsigned status = (reply.status >= 100 && reply.status <= 999) ? static_cast<unsigned>(reply.status) : 500u;
  std::string reason = SanitizeReason(reply.reason, limits.reason);
  if (reason.empty()) {
    const http::status known = http::int_to_status(status);
    reason = known == http::status::unknown ? "Unknown" : std::string(http::obsolete_reason(known));
  }
  const bool withBody = reply.form == core::ReplyForm::Page || status >= 400;
  const std::string body = withBody ? reply.body : std::string();

  http::response<http::empty_body> header;
  header.version(11);
  header.result(status);
  header.reason(reason);
  header.set(http::field::server, kServerName);
  header.set(http::field::connection, "close");
  if (!reply.contentType.empty()) header.set(http::field::content_type, reply.contentType);
  if (reply.nosniff) header.set("X-Content-Type-Options", "nosniff");
  if (status == 405) header.set(http::field::allow, "GET, HEAD, POST");
  // Set by hand: the same length goes out for HEAD, without the body.
  header.set(http::field::content_length, std::to_string(body.size()));

  std::ostringstream out;
  out << header;
  std::string bytes = out.str();
  if (!headOnly) bytes += body;
  return bytes;
}

ParsedRequest ParseRequestBytes(std::string_view bytes, const HttpLimits& limits) {
  RequestParser parser;
  ConfigureParser(parser, limits);
  boost::system::error_code ec;
  std::string_view rest = bytes;
  bool headerChecked = false;
  parser.eager(false);  // stop after the header, so that it is checked before the body is read
  ParsedRequest result;
  if (bytes.empty()) {
    result.refusal = 400;  // nothing was sent
    return result;
  }
  while (!parser.is_done()) {
    if (rest.empty()) {
      parser.put_eof(ec);
      if (!ec && !parser.is_done()) ec = http::error::partial_message;
    } else {
      const std::size_t used = parser.put(boost::asio::buffer(rest.data(), rest.size()), ec);
      rest.remove_prefix(used);
      if (ec == http::error::need_more || (!ec && used == 0 && !parser.is_done())) {
        ec = {};
        if (used == 0) {
          // The header is incomplete although every byte was offered: the stream ends here.
          parser.put_eof(ec);
          if (!ec && !parser.is_done()) ec = http::error::partial_message;
        }
      }
    }
    if (ec) {
      const int status = StatusForParseError(ec, parser, rest, limits);
      result.refusal = status == 0 ? 400 : status;
      return result;
    }
    if (parser.is_header_done() && !headerChecked) {
      headerChecked = true;
      const std::size_t headerBytes = bytes.size() - rest.size();
      if (const int status = StatusForHeader(parser, headerBytes, limits); status != 0) {
        result.refusal = status;
        return result;
      }
      parser.eager(true);
    }
  }
  result.request = RequestFromParser(parser);
  return result;
}

}  // namespace brivak::net
