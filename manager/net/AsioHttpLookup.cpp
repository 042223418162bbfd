#include "manager/net/AsioHttpLookup.h"

#include <atomic>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/post.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <deque>
#include <map>
#include <mutex>
#include <optional>

#include "manager/core/Ipv4Text.h"

namespace brivak::manager::net {

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
using asio::ip::tcp;
using Outcome = HttpLookupResult::Outcome;

namespace {

// One GET: its connection, request and reply parser. io thread only.
struct Lookup {
  Lookup(asio::io_context& io, std::uint64_t lookupId, HttpLookupRequest lookupRequest)
      : id(lookupId), request(std::move(lookupRequest)), stream(io) {}

  std::uint64_t id;
  HttpLookupRequest request;
  beast::tcp_stream stream;
  beast::flat_buffer buffer;
  http::request<http::empty_body> get;
  std::optional<http::response_parser<http::string_body>> parser;
  bool connected = false;
  bool done = false;  // finished or cancelled: later completions do nothing
};

}  // namespace

struct AsioHttpLookup::State {
  State(asio::io_context& ioContext, Deliver d, HttpLookupOptions o)
      : io(ioContext), deliver(std::move(d)), options(WithOneSlotAtLeast(o)) {}

  static HttpLookupOptions WithOneSlotAtLeast(HttpLookupOptions o) {
    if (o.maxInFlight == 0) o.maxInFlight = 1;
    return o;
  }

  asio::io_context& io;

  // Held while `deliver` runs; Shutdown takes it to wait for a running delivery. Recursive, so
  // that `deliver` may itself shut the client down.
  std::recursive_mutex deliverMutex;
  Deliver deliver;  // emptied by Shutdown
  std::atomic<bool> closed{false};

  const HttpLookupOptions options;

  // io thread only:
  std::deque<std::shared_ptr<Lookup>> queue;
  std::map<std::uint64_t, std::shared_ptr<Lookup>> running;

  std::atomic<std::size_t> inFlight{0};
  std::atomic<std::size_t> queued{0};

  void UpdateCounts() {
    inFlight = running.size();
    queued = queue.size();
  }
};

namespace {

using State = AsioHttpLookup::State;

void Pump(const std::shared_ptr<State>& state);

void Deliver(State& state, std::uint64_t id, const HttpLookupResult& result) {
  std::lock_guard lock(state.deliverMutex);
  if (state.closed || !state.deliver) return;
  state.deliver(id, result);
}

// Ends a running lookup once: closes its connection, frees its slot, delivers, starts the next.
void Finish(const std::shared_ptr<State>& state, const std::shared_ptr<Lookup>& lookup, HttpLookupResult result) {
  if (lookup->done) return;
  lookup->done = true;
  beast::error_code ignored;
  lookup->stream.socket().shutdown(tcp::socket::shutdown_both, ignored);
  lookup->stream.close();
  state->running.erase(lookup->id);
  state->UpdateCounts();
  Deliver(*state, lookup->id, result);
  Pump(state);
}

HttpLookupResult Failure(Outcome outcome, std::string error, std::string body = {}) {
  HttpLookupResult result;
  result.outcome = outcome;
  result.error = std::move(error);
  result.body = std::move(body);
  return result;
}

std::string PartialBody(const Lookup& lookup) { return lookup.parser ? lookup.parser->get().body() : std::string(); }

void OnRead(const std::shared_ptr<State>& state, const std::shared_ptr<Lookup>& lookup, const beast::error_code& ec) {
  if (lookup->done) return;
  if (ec == beast::error::timeout) {
    Finish(state, lookup, Failure(Outcome::ReadTimeout, "Read timed out", PartialBody(*lookup)));
    return;
  }
  if (ec) {
    Finish(state, lookup, Failure(Outcome::Failed, ec.message(), PartialBody(*lookup)));
    return;
  }
  HttpLookupResult result;
  result.outcome = Outcome::Ok;
  result.status = static_cast<int>(lookup->parser->get().result_int());
  result.reason = std::string(lookup->parser->get().reason());
  result.body = std::move(lookup->parser->get().body());
  Finish(state, lookup, std::move(result));
}

// The header is checked before the body is read: the parser's own limit does not look at a
// Content-Length, and the body would be reserved at that length.
void OnHeader(const std::shared_ptr<State>& state, const std::shared_ptr<Lookup>& lookup, const beast::error_code& ec) {
  if (lookup->done) return;
  if (ec) {
    OnRead(state, lookup, ec);
    return;
  }
  const auto length = lookup->parser->content_length();
  if (length && *length > state->options.maxReplyBytes) {
    OnRead(state, lookup, http::error::body_limit);
    return;
  }
  http::async_read(lookup->stream, lookup->buffer, *lookup->parser,
                   [state, lookup](const beast::error_code& readEc, std::size_t) { OnRead(state, lookup, readEc); });
}

void OnConnect(const std::shared_ptr<State>& state, const std::shared_ptr<Lookup>& lookup, const beast::error_code& ec) {
  if (lookup->done) return;
  if (ec == beast::error::timeout) {
    Finish(state, lookup, Failure(Outcome::ConnectTimeout, "Connection timed out"));
    return;
  }
  if (ec) {
    Finish(state, lookup, Failure(Outcome::Failed, ec.message()));
    return;
  }
  lookup->connected = true;
  // One deadline for sending the request and reading the whole reply.
  const auto read = lookup->request.readTimeout.count() > 0 ? lookup->request.readTimeout
                                                             : state->options.defaultReadTimeout;
  lookup->stream.expires_after(read);
  http::async_write(lookup->stream, lookup->get, [state, lookup](const beast::error_code& writeEc, std::size_t) {
    if (lookup->done) return;
    if (writeEc) {
      OnRead(state, lookup, writeEc);
      return;
    }
    http::async_read_header(lookup->stream, lookup->buffer, *lookup->parser,
                            [state, lookup](const beast::error_code& headerEc, std::size_t) {
                              OnHeader(state, lookup, headerEc);
                            });
  });
}

void Launch(const std::shared_ptr<State>& state, const std::shared_ptr<Lookup>& lookup) {
  state->running.emplace(lookup->id, lookup);
  state->UpdateCounts();  // before connecting: on the loopback the peer may accept at once
  const HttpLookupRequest& request = lookup->request;
  const std::optional<std::uint32_t> address = ParseDottedIPv4(request.host);
  if (!address || request.port <= 0 || request.port > 65535) {
    // Finished from a handler of its own, so that a run of bad targets does not nest Pump calls.
    asio::post(state->io, [state, lookup] {
      Finish(state, lookup,
             Failure(Outcome::Failed, "Invalid address " + lookup->request.host + ":" + std::to_string(lookup->request.port)));
    });
    return;
  }
  lookup->get = http::request<http::empty_body>(http::verb::get, request.target.empty() ? "/" : request.target, 11);
  lookup->get.set(http::field::host, request.host + ":" + std::to_string(request.port));
  lookup->get.set(http::field::accept, "text/html, */*");
  lookup->get.set(http::field::user_agent, "Mozilla/3.0 (compatible; Indy Library)");
  lookup->get.set(http::field::connection, "close");
  lookup->parser.emplace();
  lookup->parser->body_limit(state->options.maxReplyBytes);
  const auto connect = request.connectTimeout.count() > 0 ? request.connectTimeout
                                                         : state->options.defaultConnectTimeout;
  lookup->stream.expires_after(connect);
  lookup->stream.async_connect(tcp::endpoint(asio::ip::address_v4(*address), static_cast<std::uint16_t>(request.port)),
                               [state, lookup](const beast::error_code& ec) { OnConnect(state, lookup, ec); });
}

void Pump(const std::shared_ptr<State>& state) {
  while (!state->closed && !state->queue.empty() && state->running.size() < state->options.maxInFlight) {
    std::shared_ptr<Lookup> next = std::move(state->queue.front());
    state->queue.pop_front();
    Launch(state, next);
  }
  state->UpdateCounts();
}

// Drops a lookup without delivering its result.
void Drop(const std::shared_ptr<Lookup>& lookup) {
  lookup->done = true;
  beast::error_code ignored;
  lookup->stream.socket().shutdown(tcp::socket::shutdown_both, ignored);
  lookup->stream.close();
}

void DropAll(const std::shared_ptr<State>& state) {
  for (auto& entry : state->running) Drop(entry.second);
  state->running.clear();
  state->queue.clear();
  state->UpdateCounts();
}

}  // namespace

AsioHttpLookup::AsioHttpLookup(asio::io_context& io, Deliver deliver, HttpLookupOptions options)
    : state_(std::make_shared<State>(io, std::move(deliver), options)) {
}

AsioHttpLookup::~AsioHttpLookup() { Shutdown(); }

void AsioHttpLookup::Start(std::uint64_t id, const HttpLookupRequest& request) {
  if (state_->closed) return;
  asio::post(state_->io, [state = state_, id, request] {
    if (state->closed) return;
    state->queue.push_back(std::make_shared<Lookup>(state->io, id, request));
    Pump(state);
  });
}

void AsioHttpLookup::Cancel(std::uint64_t id) {
  asio::post(state_->io, [state = state_, id] {
    std::erase_if(state->queue, [id](const std::shared_ptr<Lookup>& lookup) { return lookup->id == id; });
    auto it = state->running.find(id);
    if (it != state->running.end()) {
      Drop(it->second);
      state->running.erase(it);
    }
    Pump(state);
  });
}

void AsioHttpLookup::CancelAll() {
  asio::post(state_->io, [state = state_] { DropAll(state); });
}

void AsioHttpLookup::Shutdown() {
  Deliver dropped;
  {
    std::lock_guard lock(state_->deliverMutex);
    if (state_->closed.exchange(true)) return;
    dropped = std::move(state_->deliver);
    state_->deliver = nullptr;
  }
  // The connections belong to the io thread; if it no longer runs, destroying the io_context
  // destroys this handler and with it the remaining state.
  asio::post(state_->io, [state = state_] { DropAll(state); });
}

std::size_t AsioHttpLookup::InFlight() const { return state_->inFlight; }

std::size_t AsioHttpLookup::Queued() const { return state_->queued; }

}  // namespace brivak::manager::net
