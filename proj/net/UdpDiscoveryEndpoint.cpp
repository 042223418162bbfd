#include "proj/net/UdpDiscoveryEndpoint.h"

#include <array>
#include <boost/asio/ip/udp.hpp>
#include <boost/asio/steady_timer.hpp>
#include <chrono>
#include <exception>

#include "proj/core/RemoteRequest.h"
#include "proj/net/AddressText.h"

namespace brivak::net {

using boost::asio::ip::udp;

struct UdpDiscoveryEndpoint::State {
  State(boost::asio::io_context& ioContext, LogSink& logSink, std::function<std::string()> localIP,
        UdpDiscoveryOptions endpointOptions)
      : log(logSink),
        theLocalIP(std::move(localIP)),
        options(std::move(endpointOptions)),
        socket(ioContext),
        retryTimer(ioContext) {}

  LogSink& log;
  const std::function<std::string()> theLocalIP;
  const UdpDiscoveryOptions options;
  bool stopped = true;
  udp::socket socket;
  boost::asio::steady_timer retryTimer;
  std::array<char, kMaxDatagram> buffer{};
  udp::endpoint sender;
};

namespace {

using State = UdpDiscoveryEndpoint::State;

// Pause after a failed receive, so that a persistent socket error does not spin the loop.
constexpr std::chrono::milliseconds kReceiveRetry{100};

void Receive(const std::shared_ptr<State>& state);

void Answer(const std::shared_ptr<State>& state, const std::string& text, const udp::endpoint& sender) {
  const std::string senderText = RemoteAddressText(sender.address());
  state->log.Debug("UDP: Received \"" + text + "\" from " + senderText + " on port " +
                   std::to_string(sender.port()));
  if (text.find("/query?") == std::string::npos) return;
  // A failure here leaves this datagram unanswered; the endpoint keeps listening.
  try {
    const std::string localIP = state->theLocalIP ? state->theLocalIP() : std::string();
    state->log.Mem("Query accepted, replying to " + senderText);
    boost::system::error_code ec;
    const auto bound = state->socket.local_endpoint(ec);
    state->log.Debug("binding ip: " + (ec ? std::string() : RemoteAddressText(bound.address())) + " / local ip " +
                     localIP);
    std::optional<std::string> answer = core::DiscoveryAnswer(text, localIP);
    if (!answer) return;
    auto bytes = std::make_shared<std::string>(std::move(*answer));
    state->socket.async_send_to(boost::asio::buffer(*bytes), sender,
                                [state, bytes](const boost::system::error_code& sendEc, std::size_t) {
                                  if (sendEc && !state->stopped) {
                                    state->log.Debug("UDP: answer not sent: " + sendEc.message());
                                  }
                                });
  } catch (const std::exception& e) {
    state->log.Debug(std::string("UDP: query not answered: ") + e.what());
  }
}

void Receive(const std::shared_ptr<State>& state) {
  state->socket.async_receive_from(
      boost::asio::buffer(state->buffer), state->sender,
      [state](const boost::system::error_code& ec, std::size_t n) {
        if (state->stopped) return;
        if (ec) {
          state->log.Debug("UDP: receive failed: " + ec.message());
          state->retryTimer.expires_after(kReceiveRetry);
          state->retryTimer.async_wait([state](const boost::system::error_code& waitEc) {
            if (!waitEc && !state->stopped) Receive(state);
          });
          return;
        }
        Answer(state, std::string(state->buffer.data(), n), state->sender);
        Receive(state);
      });
}

}  // namespace

UdpDiscoveryEndpoint::UdpDiscoveryEndpoint(boost::asio::io_context& io, LogSink& log,
                                           std::function<std::string()> theLocalIP, UdpDiscoveryOptions options)
    : state_(std::make_shared<State>(io, log, std::move(theLocalIP), std::move(options))) {}

UdpDiscoveryEndpoint::~UdpDiscoveryEndpoint() { Stop(); }

StartResult UdpDiscoveryEndpoint::Start() {
  State& state = *state_;
  if (state.socket.is_open()) return StartResult::Failed("the discovery endpoint is already bound");
  const std::string where = state.options.address + ":" + std::to_string(state.options.port);
  boost::system::error_code ec;
  const auto address = boost::asio::ip::make_address(state.options.address, ec);
  if (ec) return StartResult::Failed("invalid discovery address " + state.options.address);
  const udp::endpoint endpoint(address, state.options.port);
  state.socket.open(endpoint.protocol(), ec);
  if (!ec) state.socket.bind(endpoint, ec);
  if (ec) {
    boost::system::error_code ignored;
    state.socket.close(ignored);
    return StartResult::Failed("cannot bind UDP " + where + ": " + ec.message());
  }
  state.stopped = false;
  Receive(state_);
  return StartResult::Ok();
}

void UdpDiscoveryEndpoint::Stop() {
  state_->stopped = true;
  boost::system::error_code ignored;
  state_->retryTimer.cancel();
  state_->socket.close(ignored);
}

std::uint16_t UdpDiscoveryEndpoint::LocalPort() const {
  boost::system::error_code ec;
  const auto endpoint = state_->socket.local_endpoint(ec);
  return ec ? 0 : endpoint.port();
}

}  // namespace brivak::net
