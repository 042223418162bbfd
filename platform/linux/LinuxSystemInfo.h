// Facts about this computer and its user, read from the Linux system.
#pragma once

#include <mutex>
#include <string>

#include "platform/SystemInfo.h"
#include "platform/linux/LinuxPaths.h"

namespace brivak::platform {

// Thread-safe. Every answer is read anew except IsAdmin, which is computed once and kept.
class LinuxSystemInfo : public SystemInfo {
 public:
  // `env` supplies $USER for UserName when the password database has no entry for us.
  explicit LinuxSystemInfo(EnvLookup env = SystemEnv);

  std::string HostName() const override;  // gethostname
  // getifaddrs, the default-route interface (from /proc/net/route) first. The host name is never
  // resolved: many systems map it to 127.0.1.1, which no peer can reach.
  std::string LocalIPv4() const override;
  std::string FirstAdapterMac() const override;  // getifaddrs AF_PACKET, in interface-index order
  std::string UserName() const override;         // the effective user's name, else $USER
  std::string WorkGroup() const override;        // "(n/a)"
  bool IsAdmin() const override;                 // effective uid 0 or in sudo/wheel/admin; cached
  bool IsUserAdmin() const override;             // real uid 0 or in sudo/wheel/admin
  bool IsAdminOld() const override;              // IsUserAdmin

 private:
  EnvLookup env_;
  mutable std::once_flag adminOnce_;
  mutable bool admin_ = false;
};

}  // namespace brivak::platform
