#include "proj/core/MessageFilter.h"

#include <utility>

namespace brivak::core {
namespace {

FilterAction Debug(const char* text) {
  return {FilterActionKind::Debug, text};
}
FilterAction Effect(FilterActionKind kind) {
  return {kind, {}};
}

}  // namespace

std::vector<FilterAction> FilterMessage(std::uint32_t message, std::uint32_t wParam, std::uint32_t lParam) {
  std::vector<FilterAction> actions;
  if (message == kWmInstanceControl) {
    if (wParam == kCodeNotify && lParam == kLParam6999) {
      actions.push_back(Debug("received 6999,50"));
    }
    if (wParam == kCodeActivate && lParam == kLParam6998) {
      actions.push_back(Debug("Activate Brivak MSG received 6998,51"));
      actions.push_back(Effect(FilterActionKind::StartLockLaunch));
    }
    if (wParam == kCodeLaunchSaver && lParam == kLParam6998) {
      actions.push_back(Debug("BrivakLaunch /s message received 6998,52"));
      actions.push_back(Effect(FilterActionKind::SetParamNoPrompt));
      actions.push_back(Effect(FilterActionKind::WarnIfLockScreenExists));
      actions.push_back(Effect(FilterActionKind::StartLockLaunch));
    }
    if (wParam == kCodeTerminate && lParam == kLParam6999) {
      actions.push_back(Debug("received 6999, 53 (terminate)"));
      actions.push_back(Effect(FilterActionKind::Terminate));
    }
  }
  if (message == kWmSettingChange && wParam == kSpiSetScreenSaveActive) {
    actions.push_back(Debug("Screensaver message"));
  }
  return actions;
}

std::vector<FilterAction> OnGotoFront(bool lockScreenExists) {
  if (lockScreenExists) return {};
  return {Effect(FilterActionKind::GotoFront), Effect(FilterActionKind::StartLockLaunch)};
}

std::vector<FilterAction> OnQueryEndSession() {
  return {Effect(FilterActionKind::CloseForEndSession)};
}

std::vector<FilterAction> HandleInstanceMessage(const platform::InstanceMessage& message,
                                                bool lockScreenExists) {
  std::vector<FilterAction> actions;
  for (auto& action : FilterMessage(message.message, message.wParam, message.lParam)) {
    if (action.kind != FilterActionKind::WarnIfLockScreenExists) {
      actions.push_back(std::move(action));
    } else if (lockScreenExists) {
      actions.push_back(Debug(kWarnLockScreenExists));
    }
  }
  std::vector<FilterAction> handled;
  if (message.message == kWmGotoFront) handled = OnGotoFront(lockScreenExists);
  if (message.message == kWmQueryEndSession) handled = OnQueryEndSession();
  actions.insert(actions.end(), handled.begin(), handled.end());
  return actions;
}

}  // namespace brivak::core
