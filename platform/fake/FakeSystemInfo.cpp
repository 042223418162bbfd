#include "platform/fake/FakeSystemInfo.h"

namespace brivak::platform {

std::string FakeSystemInfo::HostName() const {
  return hostName;
}
std::string FakeSystemInfo::LocalIPv4() const {
  return localIPv4;
}
std::string FakeSystemInfo::FirstAdapterMac() const {
  return mac;
}
std::string FakeSystemInfo::UserName() const {
  return userName;
}
std::string FakeSystemInfo::WorkGroup() const {
  return workGroup;
}
bool FakeSystemInfo::IsAdmin() const {
  return admin;
}
bool FakeSystemInfo::IsUserAdmin() const {
  return userAdmin;
}
bool FakeSystemInfo::IsAdminOld() const {
  return userAdmin;
}

}  // namespace brivak::platform
