// The listener for the event reports lockers send to their master station ("/se:" security
// events, "/pe:" power events) on UDP port 8778. Every datagram goes to the handler with its
// sender; turning it into the log line is EventDatagramLine's job.
//
// Threads: the caller's io_context is run by exactly one thread; the handler runs there. Start,
// Stop and LocalPort may be called from any thread. Once Stop (or the destructor) returns, the
// handler is not running and never runs again. The io_context must outlive this object.
#pragma once

#include <boost/asio/io_context.hpp>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "manager/core/EventDatagram.h"
#include "common/StartResult.h"
#include "manager/net/UdpSocketLoop.h"

namespace brivak::manager::net {

class EventListener {
 public:
  // The datagram's bytes (cut to UdpSocketLoop::kMaxDatagram) and its sender.
  using Handler = std::function<void(std::string_view bytes, const std::string& senderAddress,
                                     std::uint16_t senderPort)>;

  // `port`: kEventPort in the program, 0 (any free port) in tests.
  EventListener(boost::asio::io_context& io, std::uint16_t port, Handler handler,
                std::string bindAddress = "0.0.0.0");
  ~EventListener();
  EventListener(const EventListener&) = delete;
  EventListener& operator=(const EventListener&) = delete;

  // Binds (a port in use fails here, with the reason) and starts receiving.
  StartResult Start();
  void Stop();
  std::uint16_t LocalPort() const { return loop_.LocalPort(); }

 private:
  const std::uint16_t port_;
  const std::string bindAddress_;
  detail::UdpSocketLoop loop_;
};

}  // namespace brivak::manager::net
