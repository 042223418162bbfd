#include "proj/app/UsbTriggers.h"

#include <exception>
#include <fstream>
#include <sstream>

namespace brivak::app {

UsbTriggers::UsbTriggers(platform::MediaWatch& watch, MainLoop& loop, LogSink& log, UsbHost host)
    : watch_(watch), loop_(loop), log_(log), host_(std::move(host)) {}

UsbTriggers::~UsbTriggers() {
  watch_.Stop();
  *alive_ = false;
}

void UsbTriggers::Start() {
  std::weak_ptr<bool> alive = alive_;
  watch_.Start([this, alive](const platform::MediaChange& change) {
    loop_.Post([this, alive, change] {
      const auto flag = alive.lock();
      if (flag && *flag) WMDeviceChange(change);
    });
  });
}

std::vector<std::string> UsbTriggers::RemovableVolumes() const {
  std::vector<std::string> volumes;
  for (const auto& point : watch_.MountPoints()) {
    if (core::IsRemovableMountPoint(point)) volumes.push_back(point);
  }
  return volumes;
}

// Only removable volumes are acted on; every other mount (network shares, system mounts) is
// ignored, as notifications of other device types are.
void UsbTriggers::WMDeviceChange(const platform::MediaChange& change) {
  if (!core::IsRemovableMountPoint(change.mountPoint)) return;
  if (change.mounted) {
    log_.Debug(":devicearrival");
    log_.Debug("EH! Drive Letter " + change.mountPoint + " assigned to device.");
  }
  log_.Debug(":=USB_INTERFACE");
  log_.Debug(":trigger events");
  if (change.mounted) {
    log_.Debug(":fonusbinsertion..");
    UsbIN(change.mountPoint);
  } else {
    UsbOUT(change.mountPoint);
  }
}

std::optional<std::string> UsbTriggers::ReadDriveFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

void UsbTriggers::UsbIN(const std::string& mountPoint) {
  log_.Debug(core::UsbInsertedDebugLine(mountPoint));
  const std::optional<std::string> text = ReadDriveFile(core::DriveFilePath(mountPoint));
  const bool locked = host_.currentlyLocked();

  if (!text && locked && host_.usbPrompt()) {
    if (host_.confirm(core::kUsbPromptText, core::kUsbPromptCaption)) {
      log_.Debug(":OK clicked to dialog box");
      // The export copies the user list and the settings, password hash included, onto the
      // visitor's drive: only an administrator may start it.
      if (!host_.authorize(core::kExportActivity, 2)) {
        host_.securityEvent(core::kExportRefusedEvent);
        return;
      }
      host_.message(core::kExportNotInThisBuild);
      return;
    }
  }

  const core::DriveFile drive = core::ParseDriveFile(text.value_or(""));
  if (drive.hasUsbSection) log_.Mem("Brivak USB drive found.");
  if (locked) {
    log_.Debug(":currently locked");
    // A drive never unlocks anything.
    if (drive.unlockOnInsert) log_.Debug(":unlock on insert = true");
    return;
  }
  if (drive.lockOnInsert) {
    log_.Debug(":usb wants lock on insertion");
    host_.lockLaunch();
    try {
      log_.WriteLog(core::kLockedByUsb);
    } catch (const std::exception& e) {
      log_.Mem(std::string("EX: ") + e.what());
    }
  }
}

void UsbTriggers::UsbOUT(const std::string& mountPoint) {
  log_.Debug(core::UsbRemovedDebugLine());
  log_.Debug("usb drive: " + mountPoint + ":");
  if (!host_.logCdInsertion()) return;
  try {
    log_.WriteLog(core::UsbRemovedLogLine());
  } catch (const std::exception& e) {
    log_.Mem(std::string("EX: ") + e.what());
  }
}

}  // namespace brivak::app
