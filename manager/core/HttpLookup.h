// The seam between the manager's core and its HTTP client: a status lookup is started here and its
// result comes back later through the owner's OnLookupDone. The network layer implements it (on
// Asio) and hands every result to the thread that owns the core objects; tests complete lookups by
// hand.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

namespace brivak::manager {

struct HttpLookupRequest {
  std::string host;                            // dotted IPv4
  int port = 8777;
  std::string target;                          // path and encoded query
  std::chrono::milliseconds connectTimeout{};  // to establish the connection
  std::chrono::milliseconds readTimeout{};     // for the whole reply once connected
};

struct HttpLookupResult {
  enum class Outcome { Ok, ConnectTimeout, ReadTimeout, Failed };
  Outcome outcome = Outcome::Failed;
  int status = 0;       // HTTP status when a reply came
  std::string reason;   // the status line's text (a locker's status-only replies carry their text here)
  std::string body;     // reply text (what arrived, also on failure)
  std::string error;    // failure text for the log
};

class HttpLookup {
 public:
  virtual ~HttpLookup() = default;
  // Starts one GET; its result is delivered once, later, with the same id (never from inside Start).
  virtual void Start(std::uint64_t id, const HttpLookupRequest& request) = 0;
  // Abandons a started lookup: its result, if it still comes, is ignored by the owner.
  virtual void Cancel(std::uint64_t id) = 0;
};

}  // namespace brivak::manager
