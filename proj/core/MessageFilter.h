// What the running instance does with a message from another process. Pure decisions: the caller
// (the instance's message handling on the user-interface thread) writes the debug lines and carries
// out the effects, in the returned order.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/Instance.h"
#include "proj/core/InstanceProtocol.h"

namespace brivak::core {

enum class FilterActionKind {
  Debug,                   // write `text` to the debug trace
  StartLockLaunch,         // enable the tray controller's lock launch (Timer1)
  SetParamNoPrompt,        // the tray form's paramstring becomes "-noprompt" (logged text only)
  WarnIfLockScreenExists,  // when a lock screen exists: debug line kWarnLockScreenExists
  Terminate,               // end the message loop without the tray form's close query
  CloseForEndSession,      // canCloseBrivak := true, then close the tray form
  GotoFront,               // bring the application and the tray form to the front
};

struct FilterAction {
  FilterActionKind kind = FilterActionKind::Debug;
  std::string text;  // the debug line for Debug; empty otherwise
  friend bool operator==(const FilterAction&, const FilterAction&) = default;
};

inline constexpr const char* kWarnLockScreenExists = "warning: frmMain is not nil!";

// The application-wide filter that sees every message the instance receives: tests the rows
// (12346 with 50/6999, 51/6998, 52/6998, 53/6999, then WM_SETTINGCHANGE with wParam 17) in that
// order and returns the actions of every row that matches. A 12346 message matches only with both
// of its row's parameters; any other pairing gives nothing. Never consumes the message: normal
// dispatch (OnGotoFront, OnQueryEndSession) follows.
std::vector<FilterAction> FilterMessage(std::uint32_t message, std::uint32_t wParam, std::uint32_t lParam);

// The tray form's WM_GOTOFRONT handler: nothing while a lock screen exists; otherwise GotoFront and
// StartLockLaunch.
std::vector<FilterAction> OnGotoFront(bool lockScreenExists);

// The tray form's WM_QUERYENDSESSION handler: CloseForEndSession.
std::vector<FilterAction> OnQueryEndSession();

// Everything the instance does for one received message: the filter's actions (with
// WarnIfLockScreenExists resolved into its debug line, or dropped, by `lockScreenExists`), then the
// tray form's handler for WM_GOTOFRONT or WM_QUERYENDSESSION.
std::vector<FilterAction> HandleInstanceMessage(const platform::InstanceMessage& message,
                                                bool lockScreenExists);

}  // namespace brivak::core
