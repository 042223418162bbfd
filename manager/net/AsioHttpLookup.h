// The manager's HTTP client for lockers: GET requests with a connect time-out and a read time-out
// (for the whole reply once connected), at most `maxInFlight` connections at once (more wait in
// order), each result handed to the caller's `deliver` function.
//
// Threads: the caller's io_context is run by exactly one thread. Start, Cancel, CancelAll and
// Shutdown may be called from any thread; the work itself happens on the io thread. `deliver`
// runs on the io thread, once per started lookup that is neither cancelled nor shut down. The
// caller decides where the result is handled: a headless manager whose core objects live on the
// io thread calls StatusLookups::OnLookupDone directly; a window posts the result to its UI
// thread. `deliver` must not block on a thread that calls Shutdown.
//
// Shutdown (also run by the destructor): no result is delivered once it returns (when called from
// inside `deliver`: once that call returns); connections still open are closed on the io thread,
// and nothing waits for a locker. The io_context must outlive this object.
#pragma once

#include <boost/asio/io_context.hpp>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>

#include "manager/core/HttpLookup.h"
#include "manager/core/StatusLookups.h"

namespace brivak::manager::net {

struct HttpLookupOptions {
  std::size_t maxInFlight = kMaxLookupsInFlight;
  std::size_t maxReplyBytes = 16 * 1024 * 1024;  // a longer reply fails ("body limit exceeded")
  // Used when a request carries no positive time-out of its own.
  std::chrono::milliseconds defaultConnectTimeout{4000};
  std::chrono::milliseconds defaultReadTimeout{10000};
};

class AsioHttpLookup : public HttpLookup {
 public:
  using Deliver = std::function<void(std::uint64_t id, const HttpLookupResult& result)>;

  AsioHttpLookup(boost::asio::io_context& io, Deliver deliver, HttpLookupOptions options = {});
  ~AsioHttpLookup() override;
  AsioHttpLookup(const AsioHttpLookup&) = delete;
  AsioHttpLookup& operator=(const AsioHttpLookup&) = delete;

  // Queues one GET of http://host:port + target. A host that is not a dotted IPv4 address fails
  // (delivered as Failed). Ignored after Shutdown.
  void Start(std::uint64_t id, const HttpLookupRequest& request) override;
  // Drops a queued lookup or closes its connection; its result is not delivered.
  void Cancel(std::uint64_t id) override;
  // Cancels every lookup started before the call.
  void CancelAll();
  void Shutdown();

  // Observed counts (updated on the io thread): connections open, lookups waiting for a slot.
  std::size_t InFlight() const;
  std::size_t Queued() const;

  struct State;

 private:
  std::shared_ptr<State> state_;
};

}  // namespace brivak::manager::net
