#include "manager/net/UdpSocketLoop.h"

#include <array>
#include <boost/asio/ip/udp.hpp>
#include <boost/asio/steady_timer.hpp>
#include <chrono>
#include <mutex>

#include "manager/core/Ipv4Text.h"

namespace brivak::manager::net::detail {

using boost::asio::ip::udp;

struct UdpSocketLoop::State {
  State(boost::asio::io_context& ioContext, Handler h) : handler(std::move(h)), socket(ioContext), retryTimer(ioContext) {}

  // Held while the handler runs; Close takes it to wait for a running handler. Recursive, so
  // that the handler itself may close the loop.
  std::recursive_mutex handlerMutex;
  Handler handler;  // emptied by Close
  bool closed = false;  // guarded by handlerMutex and socketMutex (written under both)

  std::mutex socketMutex;  // guards socket and retryTimer; taken after handlerMutex, never before
  udp::socket socket;
  boost::asio::steady_timer retryTimer;

  // io thread only (one receive at a time):
  std::array<char, kMaxDatagram> buffer{};
  udp::endpoint sender;
};

namespace {

using State = UdpSocketLoop::State;

// Pause after a failed receive, so that a persistent socket error does not spin the loop.
constexpr std::chrono::milliseconds kReceiveRetry{100};

void Receive(const std::shared_ptr<State>& state);

void OnReceived(const std::shared_ptr<State>& state, const boost::system::error_code& ec, std::size_t n) {
  if (ec) {
    std::lock_guard socketLock(state->socketMutex);
    if (state->closed) return;
    state->retryTimer.expires_after(kReceiveRetry);
    state->retryTimer.async_wait([state](const boost::system::error_code& waitEc) {
      if (!waitEc) Receive(state);
    });
    return;
  }
  {
    std::lock_guard handlerLock(state->handlerMutex);
    if (state->closed) return;
    const std::string address = state->sender.address().to_string();
    if (state->handler) state->handler(std::string_view(state->buffer.data(), n), address, state->sender.port());
  }
  Receive(state);
}

void Receive(const std::shared_ptr<State>& state) {
  std::lock_guard socketLock(state->socketMutex);
  if (state->closed || !state->socket.is_open()) return;
  state->socket.async_receive_from(boost::asio::buffer(state->buffer), state->sender,
                                   [state](const boost::system::error_code& ec, std::size_t n) {
                                     OnReceived(state, ec, n);
                                   });
}

}  // namespace

UdpSocketLoop::UdpSocketLoop(boost::asio::io_context& io, Handler handler)
    : state_(std::make_shared<State>(io, std::move(handler))) {}

UdpSocketLoop::~UdpSocketLoop() { Close(); }

StartResult UdpSocketLoop::Open(const std::string& address, std::uint16_t port, bool broadcast) {
  const std::string where = address + ":" + std::to_string(port);
  {
    std::lock_guard socketLock(state_->socketMutex);
    if (state_->closed) return StartResult::Failed("the UDP socket was closed");
    if (state_->socket.is_open()) return StartResult::Failed("the UDP socket is already open");
    boost::system::error_code ec;
    const auto bindAddress = boost::asio::ip::make_address_v4(address, ec);
    if (ec) return StartResult::Failed("invalid UDP address " + address);
    const udp::endpoint endpoint(bindAddress, port);
    state_->socket.open(udp::v4(), ec);
    if (!ec && broadcast) state_->socket.set_option(boost::asio::socket_base::broadcast(true), ec);
    if (!ec) {
      // Thousands of lockers answer a discovery at once: room for their datagrams while the io
      // thread catches up (the kernel may grant less; that is no error).
      boost::system::error_code ignored;
      state_->socket.set_option(boost::asio::socket_base::receive_buffer_size(4 * 1024 * 1024), ignored);
    }
    if (!ec) state_->socket.non_blocking(true, ec);
    if (!ec) state_->socket.bind(endpoint, ec);
    if (ec) {
      boost::system::error_code ignored;
      state_->socket.close(ignored);
      return StartResult::Failed("cannot bind UDP " + where + ": " + ec.message());
    }
  }
  Receive(state_);
  return StartResult::Ok();
}

void UdpSocketLoop::Close() {
  Handler dropped;
  {
    std::lock_guard handlerLock(state_->handlerMutex);
    std::lock_guard socketLock(state_->socketMutex);
    state_->closed = true;
    dropped = std::move(state_->handler);
    state_->handler = nullptr;
    boost::system::error_code ignored;
    state_->retryTimer.cancel();
    state_->socket.close(ignored);
  }
  // Destroyed outside the locks: the handler's captures may own things that close other loops.
}

bool UdpSocketLoop::SendTo(const std::string& address, int port, std::string_view bytes, std::string* error) {
  auto fail = [error](std::string why) {
    if (error) *error = std::move(why);
    return false;
  };
  const std::optional<std::uint32_t> target = ParseDottedIPv4(address);
  if (!target) return fail("not an IPv4 address: " + address);
  if (port <= 0 || port > 65535) return fail("not a port: " + std::to_string(port));
  const udp::endpoint endpoint(boost::asio::ip::address_v4(*target), static_cast<std::uint16_t>(port));
  std::lock_guard socketLock(state_->socketMutex);
  if (state_->closed || !state_->socket.is_open()) return fail("the UDP socket is not open");
  boost::system::error_code ec;
  const std::size_t sent = state_->socket.send_to(boost::asio::buffer(bytes.data(), bytes.size()), endpoint, 0, ec);
  if (ec) return fail(ec.message());
  if (sent != bytes.size()) return fail("datagram cut short");
  return true;
}

std::uint16_t UdpSocketLoop::LocalPort() const {
  std::lock_guard socketLock(state_->socketMutex);
  boost::system::error_code ec;
  const auto endpoint = state_->socket.local_endpoint(ec);
  return ec ? 0 : endpoint.port();
}

}  // namespace brivak::manager::net::detail
