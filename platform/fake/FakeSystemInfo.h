// Fixed answers about the computer and its user. Set the fields before handing the object out;
// not synchronised.
#pragma once

#include <string>

#include "platform/SystemInfo.h"

namespace brivak::platform {

class FakeSystemInfo : public SystemInfo {
 public:
  std::string hostName = "TESTHOST";
  std::string localIPv4 = "127.0.0.1";
  std::string mac = "020000000001";
  std::string userName = "tester";
  std::string workGroup = "(n/a)";
  bool admin = false;      // IsAdmin
  bool userAdmin = false;  // IsUserAdmin and IsAdminOld

  std::string HostName() const override;
  std::string LocalIPv4() const override;
  std::string FirstAdapterMac() const override;
  std::string UserName() const override;
  std::string WorkGroup() const override;
  bool IsAdmin() const override;
  bool IsUserAdmin() const override;
  bool IsAdminOld() const override;
};

}  // namespace brivak::platform
