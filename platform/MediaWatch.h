// Volumes being mounted and unmounted in the desktop session (USB sticks, memory cards, CDs).
// Reports every mount point that appears or goes; which of them count as removable media is the
// caller's decision.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace brivak::platform {

struct MediaChange {
  bool mounted = false;    // true: a new mount; false: an unmount
  std::string mountPoint;  // the folder, e.g. "/media/user/STICK"
};

class MediaWatch {
 public:
  // Called on the watcher's own thread, one change at a time, in the order they were seen.
  using Callback = std::function<void(const MediaChange&)>;
  virtual ~MediaWatch() = default;
  // Takes the mounts of now as known (they are no changes) and starts reporting. Once.
  virtual void Start(Callback callback) = 0;
  // Stops reporting; no call of the callback runs after Stop returns. Harmless when not started.
  virtual void Stop() = 0;
  // The mount points mounted now (thread-safe).
  virtual std::vector<std::string> MountPoints() const = 0;
};

}  // namespace brivak::platform
