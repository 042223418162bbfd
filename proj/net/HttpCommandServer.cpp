#include "proj/net/HttpCommandServer.h"

#include <boost/asio/write.hpp>
#include <chrono>

#include "proj/net/HttpConnection.h"

namespace brivak::net {

using boost::asio::ip::tcp;
using detail::HttpConnection;
using detail::HttpServerShared;

namespace {

// Pause before accepting again after a failed accept (for example out of descriptors), so that
// the loop does not spin.
constexpr std::chrono::milliseconds kAcceptRetry{100};

// Answers a connection that is not admitted and closes it, without waiting for anything: the
// reply fits into the socket's send buffer, and a client that does not read it loses nothing.
void Refuse(tcp::socket& socket, const HttpLimits& limits) {
  boost::system::error_code ignored;
  const std::string bytes = SerializeReply(ErrorReply(503), false, limits);
  socket.non_blocking(true, ignored);
  socket.write_some(boost::asio::buffer(bytes), ignored);
  socket.shutdown(tcp::socket::shutdown_both, ignored);
  socket.close(ignored);
}

void Accept(const std::shared_ptr<HttpServerShared>& shared);

void OnAccept(const std::shared_ptr<HttpServerShared>& shared, const boost::system::error_code& ec,
              tcp::socket socket) {
  if (shared->stopped) return;
  if (ec) {
    shared->log.Debug("frmBrivak:httpListenException");
    shared->retryTimer.expires_after(kAcceptRetry);
    shared->retryTimer.async_wait([shared](const boost::system::error_code& waitEc) {
      if (!waitEc) Accept(shared);
    });
    return;
  }
  Accept(shared);

  boost::system::error_code peerEc;
  const tcp::endpoint peer = socket.remote_endpoint(peerEc);
  if (peerEc) return;  // already gone
  shared->log.Debug("frmBrivak:httpConnect");
  const std::string remote = RemoteAddressText(peer.address());
  const bool exempt = shared->options.isExempt && shared->options.isExempt(peer.address());
  ConnectionLimiter::Admission admission = shared->limiter.Admit(remote, exempt);
  for (ConnectionLimiter::Id displaced : admission.displaced) {
    const auto it = shared->live.find(displaced);
    if (it == shared->live.end()) continue;
    if (auto connection = it->second.lock()) connection->Abort();
  }
  if (!admission.id) {
    shared->log.Debug("frmBrivak:httpException: connection limit reached, refused " + remote);
    Refuse(socket, shared->options.limits);
    shared->log.Debug("frmBrivak:httpDisconnect");
    return;
  }
  auto connection = std::make_shared<HttpConnection>(shared, std::move(socket), *admission.id, remote);
  shared->live[*admission.id] = connection;
  connection->Start();
}

void Accept(const std::shared_ptr<HttpServerShared>& shared) {
  shared->acceptor.async_accept(shared->io, [shared](const boost::system::error_code& ec, tcp::socket socket) {
    OnAccept(shared, ec, std::move(socket));
  });
}

}  // namespace

HttpCommandServer::HttpCommandServer(boost::asio::io_context& io, core::RequestHandler& handler, LogSink& log,
                                     HttpServerOptions options)
    : pool_(options.handlerThreads == 0 ? 1 : options.handlerThreads),
      shared_(std::make_shared<HttpServerShared>(io, handler, log, std::move(options), pool_)) {}

HttpCommandServer::~HttpCommandServer() {
  Stop();
  pool_.join();
}

StartResult HttpCommandServer::Start() {
  HttpServerShared& shared = *shared_;
  if (shared.acceptor.is_open()) return StartResult::Failed("the server is already listening");
  const std::string where = shared.options.address + ":" + std::to_string(shared.options.port);
  boost::system::error_code ec;
  const auto address = boost::asio::ip::make_address(shared.options.address, ec);
  if (ec) return StartResult::Failed("invalid listen address " + shared.options.address);
  const tcp::endpoint endpoint(address, shared.options.port);
  auto fail = [&](const char* step) {
    boost::system::error_code ignored;
    shared.acceptor.close(ignored);
    shared.log.Debug("frmBrivak:httpListenException");
    return StartResult::Failed(std::string(step) + " " + where + ": " + ec.message());
  };
  shared.acceptor.open(endpoint.protocol(), ec);
  if (ec) return fail("cannot open");
  // Lets a restarted program listen again while old connections linger in TIME_WAIT; it does not
  // let two listeners share the port.
  shared.acceptor.set_option(tcp::acceptor::reuse_address(true), ec);
  if (ec) return fail("cannot configure");
  shared.acceptor.bind(endpoint, ec);
  if (ec) return fail("cannot bind");
  shared.acceptor.listen(boost::asio::socket_base::max_listen_connections, ec);
  if (ec) return fail("cannot listen");
  shared.stopped = false;
  Accept(shared_);
  return StartResult::Ok();
}

void HttpCommandServer::Stop() {
  HttpServerShared& shared = *shared_;
  shared.stopped = true;
  boost::system::error_code ignored;
  shared.acceptor.close(ignored);
  shared.retryTimer.cancel();
  // Abort() erases from `live`: take the list first.
  auto live = std::move(shared.live);
  shared.live.clear();
  for (auto& [id, weak] : live) {
    if (auto connection = weak.lock()) connection->Abort();
  }
}

std::uint16_t HttpCommandServer::LocalPort() const {
  boost::system::error_code ec;
  const auto endpoint = shared_->acceptor.local_endpoint(ec);
  return ec ? 0 : endpoint.port();
}

}  // namespace brivak::net
