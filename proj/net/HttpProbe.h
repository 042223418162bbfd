// A one-shot HTTP GET for the locker's start-up self-test: connects to `host`:`port`, sends
// `target`, and reads the whole reply, all within `timeout`. Runs on a private io_context, so it can
// be called from any thread, also while the program's own io thread serves the request.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

namespace brivak::net {

struct ProbeReply {
  int status = 0;
  std::string reason;
  std::string body;
};

// nullopt when the connection, the request or the reply fails or takes longer than `timeout`;
// `error` (when given) then says why.
std::optional<ProbeReply> HttpProbe(const std::string& host, std::uint16_t port, const std::string& target,
                                    std::chrono::milliseconds timeout, std::string* error = nullptr);

}  // namespace brivak::net
