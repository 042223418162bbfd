#include "proj/net/HttpConnection.h"

#include <boost/asio/post.hpp>
#include <boost/asio/write.hpp>
#include <boost/beast/core/error.hpp>
#include <boost/beast/core/string.hpp>
#include <boost/beast/http/read.hpp>
#include <exception>
#include <utility>

namespace brivak::net::detail {

namespace http = boost::beast::http;
using boost::asio::ip::tcp;

namespace {

constexpr std::string_view kContinue = "HTTP/1.1 100 Continue\r\n\r\n";
// What the drain reads at most before it closes anyway.
constexpr std::size_t kDrainLimit = 256 * 1024;

// Errors that say only that the peer or the server ended the connection.
bool IsQuietEnd(const boost::system::error_code& ec) {
  return ec == boost::asio::error::operation_aborted || ec == boost::asio::error::eof ||
         ec == http::error::end_of_stream || ec == boost::asio::error::connection_reset ||
         ec == boost::asio::error::broken_pipe;
}

core::HttpReply FailureReply(const std::string& message) {
  core::HttpReply reply;
  reply.status = 500;
  reply.reason = "Internal Server Error";
  reply.form = core::ReplyForm::Page;
  reply.body = message;
  return reply;
}

}  // namespace

HttpServerShared::HttpServerShared(boost::asio::io_context& ioContext, core::RequestHandler& requestHandler,
                                   LogSink& logSink, HttpServerOptions serverOptions,
                                   boost::asio::thread_pool& handlerPool)
    : io(ioContext),
      handler(requestHandler),
      log(logSink),
      options(std::move(serverOptions)),
      pool(handlerPool),
      acceptor(ioContext),
      retryTimer(ioContext),
      limiter(options.maxConnections, options.perAddress) {}

HttpConnection::HttpConnection(std::shared_ptr<HttpServerShared> shared, tcp::socket socket,
                               ConnectionLimiter::Id id, std::string remoteAddress)
    : shared_(std::move(shared)),
      stream_(std::move(socket)),
      id_(id),
      remoteAddress_(std::move(remoteAddress)),
      delayTimer_(shared_->io) {}

void HttpConnection::Start() {
  parser_.emplace();
  ConfigureParser(*parser_, shared_->options.limits);
  // One deadline for the whole request, so that a client sending a byte at a time gains nothing.
  stream_.expires_after(shared_->options.readDeadline);
  http::async_read_header(stream_, buffer_, *parser_,
                          [self = shared_from_this()](const boost::system::error_code& ec, std::size_t n) {
                            self->OnHeader(ec, n);
                          });
}

void HttpConnection::Abort() { Close(); }

void HttpConnection::OnHeader(const boost::system::error_code& ec, std::size_t headerBytes) {
  if (closed_) return;
  if (ec) {
    OnReadError(ec);
    return;
  }
  if (const int status = StatusForHeader(*parser_, headerBytes, shared_->options.limits); status != 0) {
    OnReply(ErrorReply(status));
    return;
  }
  if (boost::beast::iequals(parser_->get()[http::field::expect], "100-continue")) {
    boost::asio::async_write(stream_, boost::asio::buffer(kContinue),
                             [self = shared_from_this()](const boost::system::error_code& writeEc, std::size_t) {
                               if (self->closed_) return;
                               if (writeEc) {
                                 self->OnReadError(writeEc);
                                 return;
                               }
                               self->ReadBody();
                             });
    return;
  }
  ReadBody();
}

void HttpConnection::ReadBody() {
  http::async_read(stream_, buffer_, *parser_,
                   [self = shared_from_this()](const boost::system::error_code& ec, std::size_t) {
                     self->OnBody(ec);
                   });
}

void HttpConnection::OnBody(const boost::system::error_code& ec) {
  if (closed_) return;
  if (ec) {
    OnReadError(ec);
    return;
  }
  Dispatch();
}

void HttpConnection::OnReadError(const boost::system::error_code& ec) {
  const auto data = buffer_.data();
  const std::string_view buffered(static_cast<const char*>(data.data()), data.size());
  const int status = StatusForParseError(ec, *parser_, buffered, shared_->options.limits);
  if (status != 0) {
    OnReply(ErrorReply(status));
    return;
  }
  if (!IsQuietEnd(ec)) shared_->log.Debug("frmBrivak:httpException: " + ec.message());
  Close();
}

void HttpConnection::Dispatch() {
  if (shared_->stopped) {
    Close();
    return;
  }
  shared_->limiter.SetPhase(id_, ConnectionLimiter::Phase::kBusy);
  core::HttpRequest request = RequestFromParser(*parser_);
  request.remoteAddress = remoteAddress_;
  headOnly_ = request.method == "HEAD";
  parser_.reset();
  // The handler reads files and may take a while: run it off the io thread, then come back.
  boost::asio::post(shared_->pool, [self = shared_from_this(), request = std::move(request)]() mutable {
    core::HttpReply reply;
    try {
      reply = self->shared_->handler.Handle(request);
    } catch (const std::exception& e) {
      self->shared_->log.Debug(std::string("frmBrivak:httpException: ") + e.what());
      reply = FailureReply(e.what());
    } catch (...) {
      self->shared_->log.Debug("frmBrivak:httpException: unknown error");
      reply = FailureReply("unknown error");
    }
    boost::asio::io_context& io = self->shared_->io;
    // Moving `self` along keeps the last reference off the pool thread.
    boost::asio::post(io, [self = std::move(self), reply = std::move(reply)]() mutable {
      self->OnReply(std::move(reply));
    });
  });
}

void HttpConnection::OnReply(core::HttpReply reply) {
  if (closed_) return;
  shared_->limiter.SetPhase(id_, ConnectionLimiter::Phase::kBusy);
  std::string bytes = SerializeReply(reply, headOnly_, shared_->options.limits);
  if (reply.delay.count() <= 0) {
    Send(std::move(bytes));
    return;
  }
  // The delay holds this connection only; the io thread goes on serving the others.
  shared_->limiter.SetPhase(id_, ConnectionLimiter::Phase::kDelayed);
  stream_.expires_never();
  delayTimer_.expires_after(reply.delay);
  delayTimer_.async_wait([self = shared_from_this(), bytes = std::move(bytes)](const boost::system::error_code& ec) mutable {
    if (self->closed_ || ec) return;
    self->Send(std::move(bytes));
  });
}

void HttpConnection::Send(std::string bytes) {
  shared_->limiter.SetPhase(id_, ConnectionLimiter::Phase::kBusy);
  out_ = std::move(bytes);
  stream_.expires_after(shared_->options.writeDeadline);
  boost::asio::async_write(stream_, boost::asio::buffer(out_),
                           [self = shared_from_this()](const boost::system::error_code& ec, std::size_t) {
                             self->OnSent(ec);
                           });
}

void HttpConnection::OnSent(const boost::system::error_code& ec) {
  if (closed_) return;
  if (ec) {
    if (!IsQuietEnd(ec)) shared_->log.Debug("frmBrivak:httpException: " + ec.message());
    Close();
    return;
  }
  out_.clear();
  boost::system::error_code ignored;
  stream_.socket().shutdown(tcp::socket::shutdown_send, ignored);
  shared_->limiter.SetPhase(id_, ConnectionLimiter::Phase::kClosing);
  buffer_.clear();
  stream_.expires_after(shared_->options.drainDeadline);
  Drain();
}

void HttpConnection::Drain() {
  stream_.async_read_some(buffer_.prepare(16 * 1024),
                          [self = shared_from_this()](const boost::system::error_code& ec, std::size_t n) {
                            if (self->closed_) return;
                            self->drained_ += n;
                            if (ec || self->drained_ >= kDrainLimit) {
                              self->Close();
                              return;
                            }
                            self->Drain();
                          });
}

void HttpConnection::Close() {
  if (closed_) return;
  closed_ = true;
  boost::system::error_code ignored;
  delayTimer_.cancel();
  stream_.socket().shutdown(tcp::socket::shutdown_both, ignored);
  stream_.close();
  shared_->limiter.Release(id_);
  shared_->live.erase(id_);
  shared_->log.Debug("frmBrivak:httpDisconnect");
}

}  // namespace brivak::net::detail
