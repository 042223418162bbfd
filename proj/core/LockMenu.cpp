#include "proj/core/LockMenu.h"

namespace brivak::core {

bool LockFeatureAvailable(LockFeature feature) {
  switch (feature) {
    case LockFeature::Always:
    case LockFeature::ScreenSavers:
    case LockFeature::Options:
    case LockFeature::LogViewer:
    case LockFeature::Power:
      return true;
    // Not carried by this build yet; each turns on with the change that brings it.
    case LockFeature::Layouts: return false;
    case LockFeature::LayoutEditor: return false;
    case LockFeature::Deployment: return false;
  }
  return false;
}

const std::vector<LockMenuItem>& LockMenuItems() {
  using C = LockMenuCommand;
  using F = LockFeature;
  static const std::vector<LockMenuItem> items = {
      {"Change Away Message", C::ChangeAwayMessage, F::Always, {}},
      {"View Messages", C::ViewMessages, F::Always, {}},
      {"ScreenSavers", C::ScreenSavers, F::ScreenSavers, {}, true},
      {"Layouts", C::Layouts, F::Layouts, {}, true},
      {"Edit this Layout's Code (F11)", C::EditLayout, F::LayoutEditor, {}},
      {"Power",
       C::MonitorOff,
       F::Power,
       {{"Monitor Off", C::MonitorOff, F::Power, {}},
        {"Standby", C::Standby, F::Power, {}},
        {"Hibernate", C::Hibernate, F::Power, {}}}},
      {"Options", C::Options, F::Options, {}},
      {"Brivak Logs", C::Logs, F::LogViewer, {}},
      {"Help",
       C::HelpManual,
       F::Always,
       {{"User's Manual (Complete Help)", C::HelpManual, F::Always, {}},
        {"Brivak 3.0 Layout Guide", C::LayoutGuide, F::Always, {}},
        {"Readme.txt", C::Readme, F::Always, {}},
        {"Visit Brivak homepage", C::Homepage, F::Always, {}},
        {"About...", C::About, F::Always, {}}}},
      {"Unlock Brivak", C::UnlockBrivak, F::Always, {}},
      {"Unlock && Exit", C::UnlockAndExit, F::Always, {}},
  };
  return items;
}

LockFeature FeatureOf(LockMenuCommand command) {
  switch (command) {
    case LockMenuCommand::ScreenSavers: return LockFeature::ScreenSavers;
    case LockMenuCommand::Layouts: return LockFeature::Layouts;
    case LockMenuCommand::EditLayout: return LockFeature::LayoutEditor;
    case LockMenuCommand::MonitorOff:
    case LockMenuCommand::Standby:
    case LockMenuCommand::Hibernate: return LockFeature::Power;
    case LockMenuCommand::Options: return LockFeature::Options;
    case LockMenuCommand::Logs: return LockFeature::LogViewer;
    case LockMenuCommand::Deployment: return LockFeature::Deployment;
    default: return LockFeature::Always;
  }
}

bool CommandAvailable(LockMenuCommand command) { return LockFeatureAvailable(FeatureOf(command)); }

std::optional<LockMenuCommand> HiddenKeyCommand(int functionKey, char letter, bool ctrl) {
  if (ctrl) {
    if (functionKey == 0 && (letter == 'A' || letter == 'a')) return LockMenuCommand::ChangeAwayMessage;
    return std::nullopt;
  }
  switch (functionKey) {
    case 1: return LockMenuCommand::HelpManual;
    case 2: return LockMenuCommand::Options;
    case 3: return LockMenuCommand::Deployment;
    case 5: return LockMenuCommand::RefreshLayout;
    case 6: return LockMenuCommand::EditLayout;
    case 11: return LockMenuCommand::MonitorOff;
    case 12: return LockMenuCommand::Standby;
    default: return std::nullopt;
  }
}

}  // namespace brivak::core
