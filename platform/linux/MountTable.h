// The mount points listed in /proc/self/mountinfo, and the watcher that reports their changes.
#pragma once

#include <atomic>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "platform/MediaWatch.h"
#include "platform/linux/UniqueFd.h"

namespace brivak::platform {

// The mount points (fifth field) of mountinfo text, in file order, with the kernel's octal
// escapes ("\040" for a blank) decoded. Lines too short to have the field are skipped.
std::vector<std::string> ParseMountInfo(std::string_view text);

// Watches the mount table with poll() on /proc/self/mountinfo (the kernel flags it on every mount
// and unmount of this mount namespace) on a thread of its own; each change is diffed against the
// table before it.
class LinuxMediaWatch final : public MediaWatch {
 public:
  // `mountInfoPath` is "/proc/self/mountinfo" outside tests.
  explicit LinuxMediaWatch(std::string mountInfoPath = "/proc/self/mountinfo");
  ~LinuxMediaWatch() override;

  void Start(Callback callback) override;
  void Stop() override;
  std::vector<std::string> MountPoints() const override;

 private:
  void Run();
  std::vector<std::string> ReadTable() const;

  const std::string path_;
  Callback callback_;
  UniqueFd stopFd_;  // an eventfd written by Stop
  std::thread thread_;
  mutable std::mutex mutex_;
  std::vector<std::string> table_;  // guarded by mutex_
};

}  // namespace brivak::platform
