#include "proj/net/HttpProbe.h"

#include <boost/asio/connect.hpp>
#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>

namespace brivak::net {

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;

std::optional<ProbeReply> HttpProbe(const std::string& host, std::uint16_t port, const std::string& target,
                                    std::chrono::milliseconds timeout, std::string* error) {
  asio::io_context io;
  beast::tcp_stream stream(io);
  beast::flat_buffer buffer;
  http::request<http::empty_body> request{http::verb::get, target, 11};
  request.set(http::field::host, host);
  http::response<http::string_body> response;
  beast::error_code failure;

  boost::system::error_code ec;
  const auto address = asio::ip::make_address(host, ec);
  if (ec) {
    if (error) *error = ec.message();
    return std::nullopt;
  }
  stream.expires_after(timeout);
  stream.async_connect(asio::ip::tcp::endpoint(address, port), [&](beast::error_code connectError) {
    if (connectError) {
      failure = connectError;
      return;
    }
    http::async_write(stream, request, [&](beast::error_code writeError, std::size_t) {
      if (writeError) {
        failure = writeError;
        return;
      }
      http::async_read(stream, buffer, response, [&](beast::error_code readError, std::size_t) {
        failure = readError;
      });
    });
  });
  io.run();
  beast::error_code ignored;
  stream.socket().shutdown(asio::ip::tcp::socket::shutdown_both, ignored);
  if (failure) {
    if (error) *error = failure.message();
    return std::nullopt;
  }
  return ProbeReply{static_cast<int>(response.result_int()), std::string(response.reason()), response.body()};
}

}  // namespace brivak::net
