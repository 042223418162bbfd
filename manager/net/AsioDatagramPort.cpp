#include "manager/net/AsioDatagramPort.h"

namespace brivak::manager::net {

AsioDatagramPort::AsioDatagramPort(boost::asio::io_context& io, Receiver receiver, DatagramPortOptions options)
    : options_(std::move(options)),
      loop_(io, [receiver = std::move(receiver)](std::string_view bytes, const std::string& address,
                                                 std::uint16_t port) {
        if (receiver) receiver(address, port, bytes);
      }) {}

AsioDatagramPort::~AsioDatagramPort() { Close(); }

StartResult AsioDatagramPort::Open() {
  return loop_.Open(options_.bindAddress, options_.bindPort, options_.broadcast);
}

void AsioDatagramPort::Close() { loop_.Close(); }

bool AsioDatagramPort::Send(const std::string& address, int port, std::string_view bytes) {
  std::string error;
  const bool sent = loop_.SendTo(address, port, bytes, &error);
  std::lock_guard lock(errorMutex_);
  lastError_ = sent ? std::string() : error;
  return sent;
}

std::string AsioDatagramPort::LastError() const {
  std::lock_guard lock(errorMutex_);
  return lastError_;
}

}  // namespace brivak::manager::net
