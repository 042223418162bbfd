// Sends the event datagrams ("/se:...", "/pe:...") to port 8778 of the master station. Nothing is
// retried or acknowledged; a failure is traced and goes no further.
//
// Threads: Send may be called from any thread; the sending happens on the caller's io_context.
// Destroy the sender on the io thread or while no thread runs the io_context; the log sink and the
// io_context must outlive it.
#pragma once

#include <boost/asio/io_context.hpp>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "common/LogSink.h"

namespace brivak::net {

struct UdpEventSenderOptions {
  std::uint16_t port = 8778;
};

class UdpEventSender {
 public:
  UdpEventSender(boost::asio::io_context& io, LogSink& log, UdpEventSenderOptions options = {});
  ~UdpEventSender();
  UdpEventSender(const UdpEventSender&) = delete;
  UdpEventSender& operator=(const UdpEventSender&) = delete;

  // Queues `datagram` (already ASCII bytes) for `masterIP`:port. A `masterIP` that is not a dotted
  // IPv4 literal (empty, a host name, 0.0.0.0) sends nothing and leaves a debug line. Never throws.
  void Send(std::string_view masterIP, std::string datagram) noexcept;

  struct State;

 private:
  std::shared_ptr<State> state_;
};

}  // namespace brivak::net
