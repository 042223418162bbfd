// Fakes for the manager's lookup and datagram seams: lookups are completed by hand, sends recorded.
#pragma once

#include <algorithm>
#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "manager/core/DatagramPort.h"
#include "manager/core/HttpLookup.h"
#include "manager/core/StatusLookups.h"

namespace brivak::manager::test {

class FakeHttpLookup : public HttpLookup {
 public:
  void Start(std::uint64_t id, const HttpLookupRequest& request) override {
    running_[id] = request;
    started_.push_back({id, request});
    maxInFlight_ = std::max(maxInFlight_, running_.size());
  }
  void Cancel(std::uint64_t id) override {
    if (running_.erase(id) > 0) cancelled_.insert(id);
  }
  // Removes a running lookup from the fake's view (the caller then delivers its result).
  void Forget(std::uint64_t id) { running_.erase(id); }

  std::size_t InFlight() const { return running_.size(); }
  std::size_t MaxInFlight() const { return maxInFlight_; }
  const std::vector<std::pair<std::uint64_t, HttpLookupRequest>>& Started() const { return started_; }
  const std::map<std::uint64_t, HttpLookupRequest>& Running() const { return running_; }
  const std::set<std::uint64_t>& Cancelled() const { return cancelled_; }

 private:
  std::map<std::uint64_t, HttpLookupRequest> running_;
  std::vector<std::pair<std::uint64_t, HttpLookupRequest>> started_;
  std::set<std::uint64_t> cancelled_;
  std::size_t maxInFlight_ = 0;
};

// Completes one running lookup through `lookups`, as the network layer would.
inline void Deliver(FakeHttpLookup& http, StatusLookups& lookups, std::uint64_t id, HttpLookupResult result) {
  http.Forget(id);
  lookups.OnLookupDone(id, result);
}

inline HttpLookupResult OkReply(std::string body) {
  HttpLookupResult r;
  r.outcome = HttpLookupResult::Outcome::Ok;
  r.status = 200;
  r.body = std::move(body);
  return r;
}

inline HttpLookupResult FailedReply(HttpLookupResult::Outcome outcome, std::string error = {}) {
  HttpLookupResult r;
  r.outcome = outcome;
  r.error = std::move(error);
  return r;
}

class RecordingSink : public StatusReplySink {
 public:
  void StatusReply(const std::string& address, const std::string& reply) override {
    replies.emplace_back(address, reply);
  }
  std::vector<std::pair<std::string, std::string>> replies;
};

class RecordingDatagrams : public DatagramPort {
 public:
  struct Sent {
    std::string address;
    int port;
    std::string bytes;
  };
  bool Send(const std::string& address, int port, std::string_view bytes) override {
    sent.push_back({address, port, std::string(bytes)});
    return result;
  }
  std::vector<Sent> sent;
  bool result = true;
};

}  // namespace brivak::manager::test
