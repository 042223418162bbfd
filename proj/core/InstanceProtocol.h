// Numbers of the message protocol between processes of the locker. They are the Windows program's
// window-message numbers and pairings, kept unchanged so that both builds (and the external
// screen-saver launcher) agree.
#pragma once

#include <cstdint>

#include "platform/Instance.h"

namespace brivak::core {

inline constexpr std::uint32_t kWmGotoFront = 1147;         // WM_USER + 123: wake and lock
inline constexpr std::uint32_t kWmInstanceControl = 12346;  // hex 303A: control codes below
inline constexpr std::uint32_t kWmSettingChange = 26;       // WM_SETTINGCHANGE
inline constexpr std::uint32_t kSpiSetScreenSaveActive = 17;
inline constexpr std::uint32_t kWmQueryEndSession = 17;  // WM_QUERYENDSESSION

// Control codes of kWmInstanceControl, as (wParam, lParam) pairs.
inline constexpr std::uint32_t kCodeNotify = 50;       // with kLParam6999: logged only
inline constexpr std::uint32_t kCodeActivate = 51;     // with kLParam6998: the launcher asks for a lock
inline constexpr std::uint32_t kCodeLaunchSaver = 52;  // with kLParam6998: the launcher's "/s" start
inline constexpr std::uint32_t kCodeTerminate = 53;    // with kLParam6999: stop the instance
inline constexpr std::uint32_t kLParam6998 = 6998;
inline constexpr std::uint32_t kLParam6999 = 6999;

// What a "/r" or "-halt" start sends to the running instance.
inline constexpr platform::InstanceMessage kStopMessage{kWmInstanceControl, kCodeTerminate, kLParam6999};
// What a second ordinary start sends to the running instance.
inline constexpr platform::InstanceMessage kGotoFrontMessage{kWmGotoFront, 0, 0};

}  // namespace brivak::core
