// The manager's HTTP/1.1 server for its web interface: accepts connections, parses each request
// (method, target, headers, peer address), hands it to a handler (WebInterface::Handle in the
// program) and writes the handler's response back.
//
// Threads: the caller's io_context is run by exactly one thread; all socket work happens there and
// never blocks. The handler may block (it waits for a locker, or for the UI thread), so it runs on
// the server's own worker threads (`handlerThreads` of them), several requests at once; it must
// be thread-safe. Start, Stop and LocalPort may be called from any thread.
//
// Limits: request header and body sizes (431/413 answers), a read deadline for each request and a
// write deadline for each response, at most `maxConnections` open connections (more are closed at
// once), at most `maxRequestsPerConnection` requests on one keep-alive connection.
//
// Stop closes the listening socket and every open connection at once and does not wait for
// handlers that are running: their responses are dropped when they finish. The destructor stops
// the server and then waits for running handlers, so the handler (and what it refers to) must stay
// valid until the destructor returns, and the destructor must not run on a thread that a running
// handler waits for. The io_context must outlive this object.
#pragma once

#include <boost/asio/io_context.hpp>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "common/StartResult.h"
#include "manager/core/WebInterface.h"

namespace brivak::manager::net {

struct WebServerOptions {
  std::size_t maxConnections = 32;
  std::size_t maxHeaderBytes = 8 * 1024;   // request line + headers; longer: 431
  std::size_t maxBodyBytes = 64 * 1024;    // request body; longer: 413
  std::chrono::milliseconds readTimeout{10000};   // from the first byte (or idle keep-alive) to a whole request
  std::chrono::milliseconds writeTimeout{10000};  // for writing one response
  std::size_t handlerThreads = 4;          // requests handled at once; more wait in order
  std::size_t maxRequestsPerConnection = 100;
  // Optional: notable events ("refused connection from ... : too many connections", accept errors)
  // as log texts. Called on the io thread; must not block.
  std::function<void(std::string_view text)> onStatus;
};

class WebServer {
 public:
  // A response for one request. Called on a worker thread, several at once; an exception that
  // escapes is answered with 500 and its text.
  using Handler = std::function<WebResponse(const WebRequest& request)>;

  WebServer(boost::asio::io_context& io, Handler handler, WebServerOptions options = {});
  ~WebServer();
  WebServer(const WebServer&) = delete;
  WebServer& operator=(const WebServer&) = delete;

  // Listens on `bindAddress` (dotted IPv4; "0.0.0.0": all local addresses) at `port` (0: any free
  // port). Fails with the reason (port in use, bad address, already started, stopped). A stopped
  // server may not be started again: make a new one.
  StartResult Start(std::uint16_t port, const std::string& bindAddress = "0.0.0.0");
  // Closes the listening socket and every open connection; idempotent; does not wait for handlers.
  void Stop();
  // The bound port; 0 when not listening.
  std::uint16_t LocalPort() const;
  // Connections open now (for tests and the status line).
  std::size_t OpenConnections() const;

  struct State;

 private:
  std::shared_ptr<State> state_;
};

}  // namespace brivak::manager::net
