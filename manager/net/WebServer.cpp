#include "manager/net/WebServer.h"

#include <array>
#include <atomic>
#include <boost/asio/dispatch.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/post.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/asio/thread_pool.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <exception>
#include <map>
#include <mutex>
#include <optional>
#include <vector>

namespace brivak::manager::net {

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
using tcp = asio::ip::tcp;

namespace {

class Connection;

// After an error answer the client may still be sending; the rest is read and dropped for this
// long (and at most this much) so that closing does not reset the connection before the client
// has read the answer.
constexpr std::chrono::milliseconds kLingerTime{2000};
constexpr std::size_t kLingerBytes = 1024 * 1024;
// Pause after a failed accept.
constexpr std::chrono::milliseconds kAcceptRetry{100};

constexpr std::string_view kBusyReply =
    "HTTP/1.1 503 Service Unavailable\r\nContent-Length: 0\r\nConnection: close\r\n\r\n";

}  // namespace

struct WebServer::State {
  State(asio::io_context& ioContext, Handler h, WebServerOptions o)
      : io(ioContext),
        handler(std::move(h)),
        options(std::move(o)),
        workers(options.handlerThreads == 0 ? 1 : options.handlerThreads),
        acceptor(ioContext),
        acceptRetry(ioContext) {}

  asio::io_context& io;
  const Handler handler;
  const WebServerOptions options;
  asio::thread_pool workers;
  std::atomic<bool> stopped{false};

  std::mutex mutex;  // guards acceptor, started, connections
  tcp::acceptor acceptor;
  bool started = false;
  std::uint64_t nextConnection = 1;
  std::map<std::uint64_t, std::weak_ptr<Connection>> connections;
  asio::steady_timer acceptRetry;  // io thread only

  void Status(const std::string& text) const {
    if (options.onStatus) options.onStatus(text);
  }
};

namespace {

using State = WebServer::State;

// One accepted connection. Lives on the io thread: every member is touched there only (the
// handler runs on a worker with a copy of the request and posts the response back).
class Connection : public std::enable_shared_from_this<Connection> {
 public:
  Connection(std::shared_ptr<State> state, std::uint64_t key, tcp::socket socket, std::string peer)
      : state_(std::move(state)), key_(key), stream_(std::move(socket)), peer_(std::move(peer)) {}

  ~Connection() {
    std::lock_guard lock(state_->mutex);
    state_->connections.erase(key_);
  }

  void ReadRequest() {
    if (state_->stopped) return Close();
    parser_.emplace();
    parser_->header_limit(static_cast<std::uint32_t>(state_->options.maxHeaderBytes));
    parser_->body_limit(state_->options.maxBodyBytes);
    stream_.expires_after(state_->options.readTimeout);
    http::async_read(stream_, buffer_, *parser_,
                     [self = shared_from_this()](const beast::error_code& ec, std::size_t) { self->OnRead(ec); });
  }

  // On the io thread.
  void Close() {
    if (closed_) return;
    closed_ = true;
    {
      // Counted as open no longer, even while a handler still holds this object.
      std::lock_guard lock(state_->mutex);
      state_->connections.erase(key_);
    }
    beast::error_code ignored;
    stream_.socket().shutdown(tcp::socket::shutdown_both, ignored);
    stream_.close();
  }

 private:
  void OnRead(const beast::error_code& ec) {
    if (closed_) return;
    if (ec) {
      if (ec == http::error::header_limit || ec == http::error::buffer_overflow) {
        return WriteError(431, "Request Header Fields Too Large");
      }
      if (ec == http::error::body_limit) return WriteError(413, "Payload Too Large");
      if (ec == http::error::end_of_stream || ec == beast::error::timeout || ec == asio::error::operation_aborted ||
          ec == asio::error::connection_reset || ec == asio::error::eof) {
        return Close();
      }
      return WriteError(400, "Bad Request");
    }
    stream_.expires_never();
    ++requests_;
    const auto& message = parser_->get();
    WebRequest request;
    request.method = std::string(message.method_string());
    request.target = std::string(message.target());
    request.version = message.version() == 10 ? "HTTP/1.0" : "HTTP/1.1";
    for (const auto& field : message) {
      request.headers.emplace_back(std::string(field.name_string()), std::string(field.value()));
    }
    request.peerAddress = peer_;
    const bool keepAlive = message.keep_alive() && requests_ < state_->options.maxRequestsPerConnection;
    const bool head = message.method() == http::verb::head;
    asio::post(state_->workers, [self = shared_from_this(), request = std::move(request), keepAlive, head] {
      // Once stopped, queued requests are not handled. Either way the connection goes back to the
      // io thread, so that it is also destroyed there.
      WebResponse response;
      if (!self->state_->stopped) response = Call(*self->state_, request);
      asio::post(self->state_->io, [self, response = std::move(response), keepAlive, head]() mutable {
        self->WriteResponse(std::move(response), keepAlive, head);
      });
    });
  }

  // On a worker thread.
  static WebResponse Call(const State& state, const WebRequest& request) {
    try {
      return state.handler(request);
    } catch (const std::exception& e) {
      return ErrorResponse(500, e.what());
    } catch (...) {
      return ErrorResponse(500, "unknown error");
    }
  }

  static WebResponse ErrorResponse(int status, std::string text) {
    WebResponse response;
    response.status = status;
    response.headers = {{"Content-Type", "text/plain; charset=UTF-8"}, {"Cache-Control", "no-store"}};
    response.body = std::move(text);
    return response;
  }

  void WriteError(int status, std::string text) {
    WriteResponse(ErrorResponse(status, std::move(text)), false, false);
  }

  void WriteResponse(WebResponse response, bool keepAlive, bool head) {
    if (closed_ || state_->stopped) return Close();
    auto message = std::make_shared<http::response<http::string_body>>();
    message->result(static_cast<unsigned>(response.status));
    message->version(11);
    for (auto& [name, value] : response.headers) {
      // The framing is this server's: the handler's own length or connection headers are dropped.
      if (beast::iequals(name, "Content-Length") || beast::iequals(name, "Transfer-Encoding") ||
          beast::iequals(name, "Connection")) {
        continue;
      }
      message->insert(name, value);
    }
    message->keep_alive(keepAlive);
    // A HEAD answer carries the length of the page it stands for, without the page.
    message->content_length(response.body.size());
    if (!head) message->body() = std::move(response.body);
    stream_.expires_after(state_->options.writeTimeout);
    http::async_write(stream_, *message,
                      [self = shared_from_this(), message, keepAlive](const beast::error_code& ec, std::size_t) {
                        if (self->closed_) return;
                        if (ec) return self->Close();
                        if (keepAlive) return self->ReadRequest();
                        self->Linger();
                      });
  }

  // Sends FIN, then reads and drops what the client still sends until it closes, for a bounded
  // time and amount.
  void Linger() {
    beast::error_code ignored;
    stream_.socket().shutdown(tcp::socket::shutdown_send, ignored);
    stream_.expires_after(kLingerTime);
    DrainSome();
  }

  void DrainSome() {
    stream_.async_read_some(asio::buffer(drain_), [self = shared_from_this()](const beast::error_code& ec,
                                                                              std::size_t n) {
      self->drained_ += n;
      if (ec || self->drained_ > kLingerBytes) return self->Close();
      self->DrainSome();
    });
  }

  std::shared_ptr<State> state_;
  const std::uint64_t key_;
  beast::tcp_stream stream_;
  const std::string peer_;
  beast::flat_buffer buffer_;
  std::optional<http::request_parser<http::string_body>> parser_;
  std::size_t requests_ = 0;
  std::array<char, 4096> drain_{};
  std::size_t drained_ = 0;
  bool closed_ = false;
};

void Accept(const std::shared_ptr<State>& state);

void OnAccepted(const std::shared_ptr<State>& state, const beast::error_code& ec, tcp::socket socket) {
  if (state->stopped) return;
  if (ec) {
    if (ec == asio::error::operation_aborted) return;
    state->Status("Web server: accept failed: " + ec.message());
    // Out of descriptors and similar: try again after a pause rather than give up the listening
    // socket or spin.
    state->acceptRetry.expires_after(kAcceptRetry);
    state->acceptRetry.async_wait([state](const beast::error_code&) { Accept(state); });
    return;
  }
  beast::error_code endpointEc;
  const tcp::endpoint remote = socket.remote_endpoint(endpointEc);
  const std::string peer = endpointEc ? std::string() : remote.address().to_string();
  std::shared_ptr<Connection> connection;
  {
    std::lock_guard lock(state->mutex);
    if (state->connections.size() >= state->options.maxConnections) {
      socket.non_blocking(true, endpointEc);
      socket.write_some(asio::buffer(kBusyReply.data(), kBusyReply.size()), endpointEc);
      socket.close(endpointEc);
    } else {
      const std::uint64_t key = state->nextConnection++;
      connection = std::make_shared<Connection>(state, key, std::move(socket), peer);
      state->connections.emplace(key, connection);
    }
  }
  if (connection) {
    connection->ReadRequest();
  } else {
    state->Status("Web server: refused connection from " + peer + ": too many connections");
  }
  Accept(state);
}

void Accept(const std::shared_ptr<State>& state) {
  std::lock_guard lock(state->mutex);
  if (state->stopped || !state->acceptor.is_open()) return;
  state->acceptor.async_accept([state](const beast::error_code& ec, tcp::socket socket) {
    OnAccepted(state, ec, std::move(socket));
  });
}

}  // namespace

WebServer::WebServer(asio::io_context& io, Handler handler, WebServerOptions options)
    : state_(std::make_shared<State>(io, std::move(handler), std::move(options))) {}

WebServer::~WebServer() {
  Stop();
  // Handlers already running finish here; queued ones see the stop and return at once.
  state_->workers.join();
}

StartResult WebServer::Start(std::uint16_t port, const std::string& bindAddress) {
  const std::string where = bindAddress + ":" + std::to_string(port);
  {
    std::lock_guard lock(state_->mutex);
    if (state_->stopped) return StartResult::Failed("the web server was stopped");
    if (state_->started) return StartResult::Failed("the web server is already running");
    beast::error_code ec;
    const auto address = asio::ip::make_address_v4(bindAddress, ec);
    if (ec) return StartResult::Failed("invalid web server address " + bindAddress);
    const tcp::endpoint endpoint(address, port);
    auto& acceptor = state_->acceptor;
    acceptor.open(tcp::v4(), ec);
    if (!ec) acceptor.set_option(asio::socket_base::reuse_address(true), ec);
    if (!ec) acceptor.bind(endpoint, ec);
    if (!ec) acceptor.listen(asio::socket_base::max_listen_connections, ec);
    if (ec) {
      beast::error_code ignored;
      acceptor.close(ignored);
      return StartResult::Failed("cannot listen on TCP " + where + ": " + ec.message());
    }
    state_->started = true;
  }
  Accept(state_);
  return StartResult::Ok();
}

void WebServer::Stop() {
  std::vector<std::weak_ptr<Connection>> open;
  {
    std::lock_guard lock(state_->mutex);
    state_->stopped = true;
    beast::error_code ignored;
    state_->acceptor.close(ignored);
    for (auto& entry : state_->connections) open.push_back(entry.second);
  }
  // Sockets belong to the io thread: they are closed there (at once when called on it).
  asio::dispatch(state_->io, [open = std::move(open)] {
    for (const auto& weak : open) {
      if (auto connection = weak.lock()) connection->Close();
    }
  });
}

std::uint16_t WebServer::LocalPort() const {
  std::lock_guard lock(state_->mutex);
  beast::error_code ec;
  const auto endpoint = state_->acceptor.local_endpoint(ec);
  return ec || !state_->acceptor.is_open() ? 0 : endpoint.port();
}

std::size_t WebServer::OpenConnections() const {
  std::lock_guard lock(state_->mutex);
  return state_->connections.size();
}

}  // namespace brivak::manager::net
