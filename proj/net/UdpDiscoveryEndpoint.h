// The discovery endpoint on UDP port 8777: every datagram is traced; one that asks "/query?" is
// answered with core::DiscoveryAnswer from this socket to the sender's address and port.
//
// Threads: runs on the caller's io_context (one thread). Construct, Start, Stop and destroy it on
// that thread or while no thread runs the io_context; the log sink and the io_context must outlive
// it. `theLocalIP` is called on the io thread for each query.
#pragma once

#include <boost/asio/io_context.hpp>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "common/LogSink.h"
#include "common/StartResult.h"

namespace brivak::net {

struct UdpDiscoveryOptions {
  std::string address = "0.0.0.0";
  std::uint16_t port = 8777;  // 0: any free port (see LocalPort)
};

class UdpDiscoveryEndpoint {
 public:
  // Datagrams longer than this are cut to it.
  static constexpr std::size_t kMaxDatagram = 8192;

  UdpDiscoveryEndpoint(boost::asio::io_context& io, LogSink& log, std::function<std::string()> theLocalIP,
                       UdpDiscoveryOptions options = {});
  ~UdpDiscoveryEndpoint();
  UdpDiscoveryEndpoint(const UdpDiscoveryEndpoint&) = delete;
  UdpDiscoveryEndpoint& operator=(const UdpDiscoveryEndpoint&) = delete;

  // Binds (no address sharing: a second locker on the port fails here) and starts receiving.
  StartResult Start();
  void Stop();
  std::uint16_t LocalPort() const;

  struct State;

 private:
  std::shared_ptr<State> state_;
};

}  // namespace brivak::net
