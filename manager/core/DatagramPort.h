// The seam to the manager's UDP client socket: discovery broadcasts and Wake-on-LAN datagrams go
// out through it. The network layer implements it (broadcast allowed); tests record the sends.
#pragma once

#include <string>
#include <string_view>

namespace brivak::manager {

class DatagramPort {
 public:
  virtual ~DatagramPort() = default;
  // Sends one datagram; false when it could not be sent.
  virtual bool Send(const std::string& address, int port, std::string_view bytes) = 0;
};

}  // namespace brivak::manager
