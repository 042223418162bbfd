// Facts about this computer and its user that the locker reports and logs.
#pragma once

#include <string>

namespace brivak::platform {

class SystemInfo {
 public:
  virtual ~SystemInfo() = default;
  // Host name; empty on error.
  virtual std::string HostName() const = 0;
  // The first up, non-loopback, non-link-local IPv4 address (the default-route interface first);
  // "127.0.0.1" when there is none. Never the address the host name resolves to.
  virtual std::string LocalIPv4() const = 0;
  // Hardware address of the first non-loopback adapter with one, as 12 upper-case hex digits with
  // no separator; empty when there is none.
  virtual std::string FirstAdapterMac() const = 0;
  // Name of the user running the process.
  virtual std::string UserName() const = 0;
  // Work group; "(n/a)" where the system has none.
  virtual std::string WorkGroup() const = 0;
  // Administrator checks: effective rights, membership of the administrators' group (sudo/wheel/
  // admin on Linux), and the older token-group test (on Linux the same as IsUserAdmin).
  virtual bool IsAdmin() const = 0;
  virtual bool IsUserAdmin() const = 0;
  virtual bool IsAdminOld() const = 0;
};

}  // namespace brivak::platform
