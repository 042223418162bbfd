// The locker's HTTP command server: accepts connections, reads one bounded request each, has the
// command handler decide the reply on a small thread pool, and sends it with "Connection: close".
//
// Threads: everything runs on the caller's io_context, which exactly one thread runs. Handle() is
// called on the server's own pool threads, possibly several at once. Construct, Start, Stop and
// destroy the server on the io thread or while no thread runs the io_context. The io_context, the
// handler and the log sink must outlive the server; the destructor waits for running Handle() calls.
#pragma once

#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/address.hpp>
#include <boost/asio/thread_pool.hpp>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "common/LogSink.h"
#include "proj/core/RemoteRequest.h"
#include "proj/net/AddressText.h"
#include "proj/net/HttpWire.h"
#include "common/StartResult.h"

namespace brivak::net {

struct HttpServerOptions {
  std::string address = "0.0.0.0";  // all local IPv4 addresses
  std::uint16_t port = 8777;        // 0: any free port (see LocalPort)
  std::size_t maxConnections = 10;
  std::size_t perAddress = 4;  // connections at once from one non-exempt address
  // Addresses exempt from the per-address cap that may displace a waiting connection from
  // elsewhere when the server is full: the machine itself, whose lock page sends the unlock.
  std::function<bool(const boost::asio::ip::address&)> isExempt = IsLoopbackAddress;
  std::chrono::milliseconds readDeadline{5000};   // from accept to the whole request
  std::chrono::milliseconds writeDeadline{10000};  // for the whole reply
  // After the reply the server stops sending and reads what the client still sends (at most
  // this long) before closing, so that the client sees the reply rather than a reset.
  std::chrono::milliseconds drainDeadline{2000};
  HttpLimits limits;
  std::size_t handlerThreads = 2;
};

namespace detail {
struct HttpServerShared;
}

class HttpCommandServer {
 public:
  HttpCommandServer(boost::asio::io_context& io, core::RequestHandler& handler, LogSink& log,
                    HttpServerOptions options = {});
  ~HttpCommandServer();
  HttpCommandServer(const HttpCommandServer&) = delete;
  HttpCommandServer& operator=(const HttpCommandServer&) = delete;

  // Binds and listens; on failure (address in use, bad address) nothing listens and the result
  // says why. A second Start while listening fails.
  StartResult Start();
  // Stops listening and closes every connection; pending replies are dropped.
  void Stop();
  // The bound port (the chosen one when the options asked for port 0); 0 when not listening.
  std::uint16_t LocalPort() const;

 private:
  boost::asio::thread_pool pool_;  // runs Handle(); joined by the destructor
  std::shared_ptr<detail::HttpServerShared> shared_;
};

}  // namespace brivak::net
