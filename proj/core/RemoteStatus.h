// The status record (`ReturnQuery`) that /query returns and the manager reads.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace brivak::core {

// Facts about the machine and the lock, gathered by the program when asked.
struct StatusFacts {
  std::string hostName;          // host name read now; empty when it cannot be read
  std::uint64_t idleMs = 0;      // the session's idle time
  std::uint64_t uptimeMs = 0;    // milliseconds since the system started (the tick count)
  int cpuPercent = 0;            // processor load, refreshed for this call, rounded
  std::uint64_t lockedWhen = 0;  // tick count (same scale as uptimeMs) of the last lock launch; 0 before
  bool remoteSession = false;    // running in a remote-desktop session
};

// The sixteen values of the record, in order.
struct StatusRecord {
  std::string computername, internalip, mac, group, status;
  std::uint64_t idleMs = 0, uptimeMs = 0;
  std::string currentuser, brivakversion, masterip;
  std::string layoutFile;  // the LayoutFile setting; the record carries its file-name part
  bool remoteSession = false;
  int cpuPercent = 0;
  std::uint64_t lockedWhen = 0;
};

// "Unlocking" while the end-of-lock sequence runs, else "Locked" or "Unlocked".
std::string GetBrivakStatus(bool currentlyLocked, bool shuttingDown);

// The file-name part of a path ("/" and "\" both separate folders).
std::string FileNamePart(std::string_view path);

// Sixteen elements "<tag>value</tag>" joined by a single CR, none after the last; values inserted
// as they are. Times are whole seconds. The tick arithmetic is 64-bit, so uptime and lock time
// stay right past 49.7 days; a lockedWhen later than uptimeMs gives a lock time of 0.
std::string ReturnQuery(const StatusRecord& record);

}  // namespace brivak::core
