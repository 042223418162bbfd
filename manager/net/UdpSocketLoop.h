// A bound UDP socket that keeps receiving on the caller's io_context and hands every datagram to a
// handler (internal to AsioDatagramPort and EventListener).
//
// Threads: the io_context is run by exactly one thread; the handler runs there. Open, Close,
// SendTo and LocalPort may be called from any thread (the socket is guarded by a mutex). Once
// Close returns, the handler is not running and never runs again (when Close is called from
// inside the handler: once the handler returns). The handler must not block on a thread that
// calls Close. The io_context must outlive this object.
#pragma once

#include <boost/asio/io_context.hpp>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "common/StartResult.h"

namespace brivak::manager::net::detail {

class UdpSocketLoop {
 public:
  // Datagrams longer than this are cut to it.
  static constexpr std::size_t kMaxDatagram = 8192;
  using Handler = std::function<void(std::string_view bytes, const std::string& senderAddress,
                                     std::uint16_t senderPort)>;

  UdpSocketLoop(boost::asio::io_context& io, Handler handler);
  ~UdpSocketLoop();
  UdpSocketLoop(const UdpSocketLoop&) = delete;
  UdpSocketLoop& operator=(const UdpSocketLoop&) = delete;

  // Binds `address`:`port` (0: any free port), optionally allows broadcasts, and starts receiving.
  // A closed loop may not be opened again.
  StartResult Open(const std::string& address, std::uint16_t port, bool broadcast);
  void Close();
  // One datagram to a dotted IPv4 address; false when the address or port is not valid, the
  // socket is not open, or the send failed (never blocks: a full send buffer is a failure).
  bool SendTo(const std::string& address, int port, std::string_view bytes, std::string* error = nullptr);
  // The bound port; 0 when not open.
  std::uint16_t LocalPort() const;

  struct State;

 private:
  std::shared_ptr<State> state_;
};

}  // namespace brivak::manager::net::detail
