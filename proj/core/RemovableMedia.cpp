#include "proj/core/RemovableMedia.h"

#include "common/IniFile.h"

namespace brivak::core {

bool IsRemovableMountPoint(std::string_view mountPoint) {
  for (std::string_view root : {"/media/", "/run/media/", "/mnt/"}) {
    if (mountPoint.size() > root.size() && mountPoint.substr(0, root.size()) == root) return true;
  }
  return false;
}

std::string DriveFilePath(std::string_view mountPoint) {
  std::string path(mountPoint);
  if (path.empty() || path.back() != '/') path.push_back('/');
  return path + "Brivak2Go/settings.ini";
}

DriveFile ParseDriveFile(std::string_view text) {
  const IniDocument doc = IniDocument::Parse(text);
  DriveFile file;
  file.hasUsbSection = doc.SectionExists("USB");
  file.unlockOnInsert = doc.ReadBool("USB", "unlockOnInsert", false);
  file.lockOnInsert = doc.ReadBool("USB", "lockOnInsert", false);
  file.username = doc.ReadString("USB", "username", "");
  file.password = doc.ReadString("USB", "password", "");
  return file;
}

std::string UsbInsertedDebugLine(std::string_view mountPoint) {
  return "USB Inserted - Device Type = \r\nDriver Name = \r\nFriendly Name = \r\nDrive Letter = " +
         std::string(mountPoint);
}

std::string UsbRemovedDebugLine() { return "USB Removed - Device Type = \r\nDriver Name = \r\nFriendly Name = "; }

std::string UsbRemovedLogLine() { return "USB Removed:  ()"; }

}  // namespace brivak::core
