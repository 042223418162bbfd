// `TUsbClass` with the tray controller's handlers `UsbIN` and `UsbOUT`: removable volumes
// mounted or unmounted while the locker runs. A prepared drive (its Brivak2Go/settings.ini says
// lockOnInsert) locks the workstation; an unprepared one inserted while locked may bring the offer
// to prepare it (USBprompt); removals are logged (LogCDinsertion).
//
// Threads: the watcher reports on its own thread; every change is handed to the main loop, where
// the handlers run one at a time. RemovableVolumes is thread-safe.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "common/LogSink.h"
#include "platform/MediaWatch.h"
#include "proj/app/MainLoop.h"
#include "proj/core/RemovableMedia.h"

namespace brivak::app {

// What the handlers read and do; main thread.
struct UsbHost {
  std::function<bool()> usbPrompt;        // the USBprompt setting
  std::function<bool()> logCdInsertion;   // the LogCDinsertion setting
  std::function<bool()> currentlyLocked;  // a lock session is active
  std::function<void()> lockLaunch;       // the lock launch (Timer1)
  // The lock screen's question box (OK, Cancel), its password guard and its message box.
  std::function<bool(const std::string& text, const std::string& caption)> confirm;
  std::function<bool(const std::string& activity, int level)> authorize;
  std::function<void(const std::string& text)> message;
  std::function<void(const std::string& text)> securityEvent;
};

class UsbTriggers {
 public:
  // `watch`, `loop` and `log` must outlive this object.
  UsbTriggers(platform::MediaWatch& watch, MainLoop& loop, LogSink& log, UsbHost host);
  // Stops the watcher; changes already handed to the loop find this object gone and do nothing.
  ~UsbTriggers();

  // Starts watching. The removable volumes mounted now are known, not inserted.
  void Start();
  // The removable volumes mounted now, those of before the start included (for the export).
  std::vector<std::string> RemovableVolumes() const;

  // The handlers, on the main thread (tests call them directly).
  void UsbIN(const std::string& mountPoint);
  void UsbOUT(const std::string& mountPoint);

 private:
  void WMDeviceChange(const platform::MediaChange& change);
  static std::optional<std::string> ReadDriveFile(const std::string& path);

  platform::MediaWatch& watch_;
  MainLoop& loop_;
  LogSink& log_;
  UsbHost host_;
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);  // main thread only
};

}  // namespace brivak::app
