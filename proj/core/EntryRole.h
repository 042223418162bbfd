// The locker's entry: decides what this process is (stop requester, preview painter, forwarder to
// the running instance, or the instance itself) before any settings or forms exist, and writes the
// entry's event-log lines through WL in order.
#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Instance.h"

namespace brivak::core {

enum class EntryRole {
  StopRequester,   // asked the running instance to terminate; ends
  PreviewPainter,  // painted the screen-saver preview; ends
  Forwarder,       // another instance runs: woke it (WM_GOTOFRONT); ends
  Instance,        // holds the instance lock; goes on to the message loop
};

// The roles decided before the single-instance check.
enum class EarlyRole { StopRequester, PreviewPainter, CheckSingleInstance };

using WriteLineFn = std::function<void(std::string_view)>;

// A stop request: "/r" exactly as the first parameter (case-sensitive), or "-halt" anywhere in the
// normalised parameter text. A "-halt" start is decided here, before the single-instance check, so
// that it stops the running instance instead of only waking it.
bool IsStopRequest(const std::vector<std::string>& args);

// Steps before the single-instance check, writing their lines through `WL`:
// a stop request ("dpr: /r in paramstr" or "received halt message") gives StopRequester; otherwise
// "dpr: preview drawing already" when `previewWindowExists`, else "dpr: preview not drawing" and,
// when the joined parameters hold "/p" (case-sensitive), `runPreview`, which returns true when it
// painted (PreviewPainter). The callbacks run only when their answer is needed.
EarlyRole DecideRole(const std::vector<std::string>& args, const WriteLineFn& WL,
                     const std::function<bool()>& previewWindowExists,
                     const std::function<bool()>& runPreview);

// What the entry uses of the system. All references must outlive RunEntry.
struct EntryPorts {
  WriteLineFn WL;  // the event-log writer that ignores the settings
  platform::InstanceLock& lock;
  platform::InstanceChannel& channel;
  std::function<bool()> previewWindowExists;    // the launcher's preview window is up
  std::function<bool()> runPreview;             // the preview painter; true when it painted
  std::function<void()> createInstance = {};    // optional: builds the tray controller; runs before
                                                // "Starting Brivak" is written
  std::chrono::milliseconds sendTimeout{5000};  // per message sent to the running instance
};

struct EntryResult {
  EntryRole role = EntryRole::Instance;
  int exitCode = 0;
  bool continueAsInstance = false;  // true only for Instance: run the message loop next
};

// The whole entry: WL(""), "dpr: start! : " + joined parameters, DecideRole; a stop requester sends
// the stop message (writing "FindWindow resulted in 0!" when no instance listens) and writes
// "Message posted, exiting this instance."; otherwise the instance lock decides: the forwarder sends
// WM_GOTOFRONT and writes "dpr: AppIsRunning = true, so exit"; the instance runs `createInstance`
// and writes "Starting Brivak".
EntryResult RunEntry(const std::vector<std::string>& args, EntryPorts& ports);

}  // namespace brivak::core
