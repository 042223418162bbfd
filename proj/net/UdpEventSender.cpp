#include "proj/net/UdpEventSender.h"

#include <atomic>
#include <boost/asio/ip/udp.hpp>
#include <boost/asio/post.hpp>
#include <exception>

#include "proj/net/AddressText.h"

namespace brivak::net {

using boost::asio::ip::udp;

struct UdpEventSender::State {
  State(boost::asio::io_context& ioContext, LogSink& logSink, UdpEventSenderOptions senderOptions)
      : io(ioContext), log(logSink), options(senderOptions), socket(ioContext) {}

  boost::asio::io_context& io;
  LogSink& log;
  const UdpEventSenderOptions options;
  std::atomic<bool> stopped{false};
  udp::socket socket;  // io thread only; opened on first use
};

namespace {

void SendOnIoThread(const std::shared_ptr<UdpEventSender::State>& state, const udp::endpoint& target,
                    const std::shared_ptr<std::string>& bytes) {
  if (state->stopped) return;
  boost::system::error_code ec;
  if (!state->socket.is_open()) {
    state->socket.open(udp::v4(), ec);
    if (ec) {
      state->log.Debug("UDP SEND failed: " + ec.message());
      return;
    }
  }
  state->socket.async_send_to(boost::asio::buffer(*bytes), target,
                              [state, bytes](const boost::system::error_code& sendEc, std::size_t) {
                                if (sendEc && !state->stopped) state->log.Debug("UDP SEND failed: " + sendEc.message());
                              });
}

}  // namespace

UdpEventSender::UdpEventSender(boost::asio::io_context& io, LogSink& log, UdpEventSenderOptions options)
    : state_(std::make_shared<State>(io, log, options)) {}

UdpEventSender::~UdpEventSender() {
  state_->stopped = true;
  boost::system::error_code ignored;
  state_->socket.close(ignored);
}

void UdpEventSender::Send(std::string_view masterIP, std::string datagram) noexcept {
  try {
    const auto address = ParseDottedIPv4(masterIP);
    if (!address || address->is_unspecified()) {
      state_->log.Debug("UDP SEND skipped, MasterIP is not an IPv4 address: \"" + std::string(masterIP) + "\"");
      return;
    }
    const udp::endpoint target(*address, state_->options.port);
    auto bytes = std::make_shared<std::string>(std::move(datagram));
    boost::asio::post(state_->io, [state = state_, target, bytes] { SendOnIoThread(state, target, bytes); });
  } catch (const std::exception& e) {
    try {
      state_->log.Debug(std::string("UDP SEND failed: ") + e.what());
    } catch (...) {
    }
  }
}

}  // namespace brivak::net
