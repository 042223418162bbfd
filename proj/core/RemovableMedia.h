// Removable media as the locker sees them: which mount points are removable volumes, the drive
// file of a prepared ("Brivak2Go") drive, and the texts of the insert and remove handlers.
#pragma once

#include <string>
#include <string_view>

namespace brivak::core {

// A volume mounted below /media, /run/media or /mnt (the folders where desktops and
// administrators mount sticks, cards and discs); the folders themselves are not volumes.
bool IsRemovableMountPoint(std::string_view mountPoint);

// "<mount point>/Brivak2Go/settings.ini".
std::string DriveFilePath(std::string_view mountPoint);

// The "USB" section of a drive file. Booleans are integers: non-zero is true; a missing key or a
// value that is no number is false. A file that cannot be read is the empty text.
struct DriveFile {
  bool hasUsbSection = false;
  bool lockOnInsert = false;
  bool unlockOnInsert = false;
  std::string username;  // read, not used
  std::string password;  // read, not used
};
DriveFile ParseDriveFile(std::string_view text);

inline constexpr const char* kUsbPromptCaption = "Removable Media detected";
inline constexpr const char* kUsbPromptText =
    "This USB disk has not been set up for Brivak 2 Go. Would you like to use this flash drive with Brivak?";
// The export copies the user list and the settings (the password hash with them) onto the drive.
inline constexpr const char* kExportActivity = "export to removable media";
inline constexpr const char* kExportRefusedEvent = "Bad Password to export to removable media";
inline constexpr const char* kExportNotInThisBuild = "Exporting Brivak to a removable drive is not available in this build.";
inline constexpr const char* kLockedByUsb = "Locked by USB Drive insertion";

// The debug line of UsbIN and UsbOUT for a volume (the description texts are empty on Linux).
std::string UsbInsertedDebugLine(std::string_view mountPoint);
std::string UsbRemovedDebugLine();
// "USB Removed: " + device type + " (" + friendly name + ")", here "USB Removed:  ()".
std::string UsbRemovedLogLine();

}  // namespace brivak::core
