// One connection of the command server (internal to HttpCommandServer): read one request within
// the limits and the read deadline, have the handler decide on the pool, wait the reply's delay on
// a timer, write the reply within the write deadline, drain, close. All members are used on the io
// thread only; the pool thread sees the request copy and the shared, immutable server parts.
#pragma once

#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/beast/core/flat_buffer.hpp>
#include <boost/beast/core/tcp_stream.hpp>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "proj/net/ConnectionLimiter.h"
#include "proj/net/HttpCommandServer.h"

namespace brivak::net::detail {

class HttpConnection;

// State shared by the server object, its accept loop and its connections.
struct HttpServerShared {
  HttpServerShared(boost::asio::io_context& ioContext, core::RequestHandler& requestHandler, LogSink& logSink,
                   HttpServerOptions serverOptions, boost::asio::thread_pool& handlerPool);

  boost::asio::io_context& io;
  core::RequestHandler& handler;
  LogSink& log;
  const HttpServerOptions options;
  boost::asio::thread_pool& pool;  // valid while !stopped

  // io thread only:
  bool stopped = false;
  boost::asio::ip::tcp::acceptor acceptor;
  boost::asio::steady_timer retryTimer;
  ConnectionLimiter limiter;
  std::map<ConnectionLimiter::Id, std::weak_ptr<HttpConnection>> live;
};

class HttpConnection : public std::enable_shared_from_this<HttpConnection> {
 public:
  HttpConnection(std::shared_ptr<HttpServerShared> shared, boost::asio::ip::tcp::socket socket,
                 ConnectionLimiter::Id id, std::string remoteAddress);

  void Start();
  // Closes at once (displaced, or the server stops); completions still pending do nothing.
  void Abort();

 private:
  void OnHeader(const boost::system::error_code& ec, std::size_t headerBytes);
  void ReadBody();
  void OnBody(const boost::system::error_code& ec);
  // A read failed: answer a refused request, or just close after an I/O error.
  void OnReadError(const boost::system::error_code& ec);
  void Dispatch();
  void OnReply(core::HttpReply reply);
  void Send(std::string bytes);
  void OnSent(const boost::system::error_code& ec);
  void Drain();
  void Close();

  std::shared_ptr<HttpServerShared> shared_;
  boost::beast::tcp_stream stream_;
  ConnectionLimiter::Id id_;
  std::string remoteAddress_;
  boost::beast::flat_buffer buffer_;
  std::optional<RequestParser> parser_;
  boost::asio::steady_timer delayTimer_;
  std::string out_;
  bool headOnly_ = false;
  bool closed_ = false;
  std::size_t drained_ = 0;
};

}  // namespace brivak::net::detail
