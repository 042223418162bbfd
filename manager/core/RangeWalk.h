// The walk over a range of IPv4 addresses ("Start Scan"): a status query of every address from the
// start bound to the end bound inclusive, ascending, through StatusLookups (never more than 20 at
// once), one new query per `pace` at most. With the 10 ms pace a /16 takes at least 11 minutes:
// Progress() tells how far it got and about how long the rest takes, and Stop() ends it at once. The range is counted in 64 bits, so a range ending at
// 255.255.255.255 ends there; ranges larger than `maxAddresses` are refused. One walk at a time.
//
// Threading: not thread-safe; all calls on the thread that owns the manager's core objects; the
// network layer calls Tick() at NextDeadlineMs() (or on a short timer), as well as
// StatusLookups::Tick().
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "common/LogSink.h"
#include "manager/core/StatusLookups.h"
#include "platform/Clock.h"

namespace brivak::manager {

struct RangeWalkSettings {
  std::string startAddress = "192.168.1.1";    // `startip` (tests use loopback)
  std::string endAddress = "192.168.255.255";  // `endip`
  std::chrono::milliseconds pace{10};          // least time between two new queries
  std::uint64_t maxAddresses = 65536;          // a larger range is refused
};

// How far a walk has got, and about how long the rest takes.
struct WalkProgress {
  bool running = false;
  std::uint64_t total = 0;    // addresses in the range
  std::uint64_t started = 0;  // queries started
  std::uint64_t handled = 0;  // queries ended (answered, refused or timed out)
  std::uint64_t inFlight = 0;
  // The rest at the rate seen so far, and never less than the pacing allows.
  std::int64_t msLeft = 0;
};

// "Scanned 1200 of 65536 addresses, 20 in flight, about 10 min 43 sec left."
std::string WalkProgressText(const WalkProgress& progress);

class RangeWalk {
 public:
  struct StartResult {
    bool started = false;
    // When not started: "Starting IP is not valid.", "Ending IP is not valid.", "A scan is
    // already running." or the range-size refusal. Shown with the caption "Network Scan".
    std::string error;
    // The plan for `memNetScan`: the start and end numbers in decimal, "Will Scan:", then every
    // address of the range (none when the end is below the start).
    std::vector<std::string> planLines;
  };

  // `log`: Mem adds a line to the log panel. `finished` runs when a walk has handled its last
  // address (not after Stop). All references must outlive this object.
  RangeWalk(StatusLookups& lookups, const platform::Clock& clock, LogSink& log,
            std::function<void()> finished = {});
  ~RangeWalk();
  RangeWalk(const RangeWalk&) = delete;
  RangeWalk& operator=(const RangeWalk&) = delete;

  StartResult Start(const RangeWalkSettings& settings);
  // Starts the next queries while the pace and the limit of StatusLookups allow.
  void Tick();
  // Ends the walk at once; its queued and running queries are dropped.
  void Stop();

  bool Running() const { return running_; }
  // Queries started by this walk so far.
  std::uint64_t Started() const { return startedCount_; }
  WalkProgress Progress() const;
  std::optional<std::int64_t> NextDeadlineMs() const;

 private:
  void Pump();
  void OneQueryFinished();

  StatusLookups& lookups_;
  const platform::Clock& clock_;
  LogSink& log_;
  std::function<void()> finished_;
  RangeWalkSettings settings_;
  bool running_ = false;
  bool pumping_ = false;
  std::uint64_t next_ = 0;  // 64-bit: one past 255.255.255.255 is representable
  std::uint64_t end_ = 0;   // inclusive
  std::uint64_t startedCount_ = 0;
  std::uint64_t outstanding_ = 0;
  std::optional<std::int64_t> lastStartMs_;
  std::uint64_t total_ = 0;
  std::int64_t startMs_ = 0;
};

}  // namespace brivak::manager
