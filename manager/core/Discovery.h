// The UDP discovery of lockers as a state machine: one broadcast, a listening window that collects
// the answering addresses, removal of the records whose locker stayed silent, then a status query
// of every answering address (through StatusLookups: at most 20 at once). It ends by itself when
// every query is handled, or when its time bound runs out; a second Start while one runs is refused.
// Every answering address is kept (once): the count is bounded by the address space, the memory by
// a few dozen bytes per address; each locker's record is bounded by its fields' capacities and its
// status reply by the status client's reply limit.
//
// Threading: not thread-safe; all calls on the thread that owns the manager's core objects. The
// network layer delivers the answers of the discovery socket through OnDatagram and calls Tick()
// at NextDeadlineMs() (or on a short timer), as well as StatusLookups::Tick().
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "common/LogSink.h"
#include "manager/core/DatagramPort.h"
#include "manager/core/StatusLookups.h"
#include "platform/Clock.h"

namespace brivak::manager {

inline constexpr int kDiscoveryPort = 8777;

struct DiscoverySettings {
  std::string broadcastAddress = "255.255.255.255";  // a setting; tests use loopback
  int port = kDiscoveryPort;
  std::string ownAddress;                             // `theLocalIP`, sent as "sendto"
  std::chrono::milliseconds listenWindow{1000};       // `udptimeout`
  std::chrono::milliseconds maxDuration{300000};      // whole run, listening and queries
};

// What the inventory does for a discovery.
class DiscoveryListener {
 public:
  virtual ~DiscoveryListener() = default;
  // After the listening window: remove every record whose `RemoteIP` is not among `answered`.
  virtual void RemoveUnanswered(const std::vector<std::string>& answered) = 0;
  // The run has ended: every query handled (`complete`), or stopped / out of time.
  virtual void DiscoveryFinished(bool complete) = 0;
};

class Discovery {
 public:
  enum class Phase { Idle, Listening, Querying };
  enum class StartResult { Started, AlreadyRunning, SendFailed };

  // `log`: Mem adds a line to the log panel, LastMem appends to its last line. All references
  // must outlive this object.
  Discovery(DatagramPort& udp, StatusLookups& lookups, const platform::Clock& clock,
            DiscoveryListener& listener, LogSink& log);
  ~Discovery();
  Discovery(const Discovery&) = delete;
  Discovery& operator=(const Discovery&) = delete;

  // Sends "/query?sendto=" + own address to the broadcast address and starts listening.
  // AlreadyRunning: nothing is sent. SendFailed: nothing is removed and the run ends at once.
  StartResult Start(const DiscoverySettings& settings);
  // A datagram that arrived on the discovery socket; only its sender address counts. Ignored
  // outside the listening window.
  void OnDatagram(std::string_view senderAddress, std::string_view text);
  // Ends the listening window when its time has come, and stops a run that outlived maxDuration.
  void Tick();
  // Ends a run at once (window closing): its queued and running queries are dropped.
  void Stop();

  Phase CurrentPhase() const { return phase_; }
  bool Running() const { return phase_ != Phase::Idle; }
  // The answering addresses of the current or last run, in order of arrival, each once.
  const std::vector<std::string>& Answered() const { return answered_; }
  std::optional<std::int64_t> NextDeadlineMs() const;

 private:
  void EndListening();
  void OneQueryFinished();
  void Finish(bool complete);

  DatagramPort& udp_;
  StatusLookups& lookups_;
  const platform::Clock& clock_;
  DiscoveryListener& listener_;
  LogSink& log_;
  DiscoverySettings settings_;
  Phase phase_ = Phase::Idle;
  std::int64_t listenEnd_ = 0;
  std::int64_t hardEnd_ = 0;
  std::vector<std::string> answered_;
  std::set<std::string> answeredSet_;
  std::size_t pendingQueries_ = 0;
};

}  // namespace brivak::manager
