// The manager's UDP client socket: discovery queries and Wake-on-LAN datagrams go out through it
// (broadcasts allowed), and the answers to a discovery query, which lockers send back to the
// query's source address and port, arrive on the same socket and go to the receiver.
//
// Threads: the caller's io_context is run by exactly one thread; the receiver runs there. Open,
// Close and Send may be called from any thread. Once Close (or the destructor) returns, the
// receiver is not running and never runs again. The io_context must outlive this object.
#pragma once

#include <boost/asio/io_context.hpp>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>

#include "manager/core/DatagramPort.h"
#include "common/StartResult.h"
#include "manager/net/UdpSocketLoop.h"

namespace brivak::manager::net {

struct DatagramPortOptions {
  std::string bindAddress = "0.0.0.0";
  std::uint16_t bindPort = 0;  // any free port
  bool broadcast = true;       // SO_BROADCAST, so that a configured broadcast address works
};

class AsioDatagramPort : public DatagramPort {
 public:
  // A datagram that arrived (cut to UdpSocketLoop::kMaxDatagram bytes) and its sender.
  using Receiver = std::function<void(const std::string& senderAddress, std::uint16_t senderPort,
                                      std::string_view bytes)>;

  AsioDatagramPort(boost::asio::io_context& io, Receiver receiver, DatagramPortOptions options = {});
  ~AsioDatagramPort() override;
  AsioDatagramPort(const AsioDatagramPort&) = delete;
  AsioDatagramPort& operator=(const AsioDatagramPort&) = delete;

  // Binds and starts receiving.
  StartResult Open();
  void Close();
  // A dotted IPv4 address and a port in 1..65535; false when the socket is not open, the target
  // is not valid or the send fails (it never blocks). The reason goes to LastError().
  bool Send(const std::string& address, int port, std::string_view bytes) override;
  std::string LastError() const;
  std::uint16_t LocalPort() const { return loop_.LocalPort(); }

 private:
  const DatagramPortOptions options_;
  detail::UdpSocketLoop loop_;
  mutable std::mutex errorMutex_;
  std::string lastError_;
};

}  // namespace brivak::manager::net
