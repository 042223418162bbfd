#include "manager/core/StatusLookups.h"

#include <vector>

namespace brivak::manager {

namespace {
constexpr std::int64_t kAbandonGraceMs = 1000;
}

StatusLookups::StatusLookups(HttpLookup& http, const platform::Clock& clock, StatusReplySink& sink,
                             LogSink& log, std::size_t maxInFlight)
    : http_(http), clock_(clock), sink_(sink), log_(log), maxInFlight_(maxInFlight == 0 ? 1 : maxInFlight) {}

StatusLookups::~StatusLookups() { CancelAll(); }

void StatusLookups::Enqueue(const std::string& address, const void* owner, std::function<void()> finished) {
  queue_.push_back(Job{address, owner, std::move(finished), 0});
  Pump();
}

void StatusLookups::Pump() {
  if (pumping_) return;  // HttpLookup::Start never re-enters, but a sink or callback might
  pumping_ = true;
  while (running_.size() < maxInFlight_ && !queue_.empty()) {
    Job job = std::move(queue_.front());
    queue_.pop_front();
    const CommandCall call = QueryCommand();
    HttpLookupRequest request;
    try {
      request.host = job.address;
      request.port = port_;
      request.target = MakeCommandTarget(call, credentials_);
      log_.Mem("GET " + MakeSafeURL(job.address, call, credentials_));
    } catch (const std::invalid_argument& e) {
      log_.Mem(std::string(e.what()) + " (" + job.address + ")");
      if (job.finished) job.finished();
      continue;
    }
    request.connectTimeout = timeouts_.connect;
    request.readTimeout = timeouts_.read;
    job.deadline = clock_.MonotonicMs() + timeouts_.connect.count() + timeouts_.read.count() + kAbandonGraceMs;
    const std::uint64_t id = nextId_++;
    running_.emplace(id, std::move(job));
    http_.Start(id, request);
  }
  pumping_ = false;
}

void StatusLookups::OnLookupDone(std::uint64_t id, const HttpLookupResult& result) {
  auto it = running_.find(id);
  if (it == running_.end()) return;
  Job job = std::move(it->second);
  running_.erase(it);
  Handle(std::move(job), result);
  Pump();
}

void StatusLookups::Handle(Job job, const HttpLookupResult& result) {
  const std::string& ip = job.address;
  switch (result.outcome) {
    case HttpLookupResult::Outcome::ConnectTimeout:
      log_.Mem("Connection timed out (" + ip + ")");
      break;
    case HttpLookupResult::Outcome::ReadTimeout:
    case HttpLookupResult::Outcome::Failed:
      log_.Mem((result.error.empty() ? std::string("Request failed") : result.error) + " (" + ip + ")");
      break;
    case HttpLookupResult::Outcome::Ok:
      if (result.status != 200) {
        // An HTTP error status is a failure, like a refused connection.
        log_.Mem("HTTP error " + std::to_string(result.status) + " (" + ip + ")");
      } else if (result.body.find("<comput") == std::string::npos) {
        log_.Mem("IP address " + ip + " sent a strange response:");
        log_.Mem(result.body);
      } else {
        sink_.StatusReply(ip, result.body);
      }
      break;
  }
  if (job.finished) job.finished();
}

void StatusLookups::Tick() {
  const std::int64_t now = clock_.MonotonicMs();
  std::vector<std::uint64_t> expired;
  for (const auto& [id, job] : running_) {
    if (now >= job.deadline) expired.push_back(id);
  }
  for (std::uint64_t id : expired) {
    http_.Cancel(id);
    HttpLookupResult timedOut;
    timedOut.outcome = HttpLookupResult::Outcome::ReadTimeout;
    timedOut.error = "Read timed out";
    OnLookupDone(id, timedOut);
  }
  Pump();
}

void StatusLookups::Cancel(const void* owner) {
  std::erase_if(queue_, [owner](const Job& job) { return job.owner == owner; });
  for (auto it = running_.begin(); it != running_.end();) {
    if (it->second.owner == owner) {
      http_.Cancel(it->first);
      it = running_.erase(it);
    } else {
      ++it;
    }
  }
  Pump();
}

void StatusLookups::CancelAll() {
  queue_.clear();
  for (const auto& entry : running_) http_.Cancel(entry.first);
  running_.clear();
}

std::optional<std::int64_t> StatusLookups::NextDeadlineMs() const {
  std::optional<std::int64_t> next;
  for (const auto& entry : running_) {
    if (!next || entry.second.deadline < *next) next = entry.second.deadline;
  }
  return next;
}

}  // namespace brivak::manager
