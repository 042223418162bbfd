// The lock-screen menu (`pop1`) and the hidden command keys: every item in its order, the command
// it gives, and whether this build carries the feature behind it. An item whose feature is not
// carried yet is shown disabled and its key does nothing; `LockFeatureAvailable` is the one place
// that says which features exist (the change that brings a feature turns it on there and handles
// its command in LockSession::OnMenuCommand).
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace brivak::core {

enum class LockMenuCommand {
  ChangeAwayMessage,
  ViewMessages,
  ScreenSavers,  // submenu
  Layouts,       // submenu
  EditLayout,
  MonitorOff,
  Standby,
  Hibernate,
  Options,
  Logs,
  HelpManual,
  LayoutGuide,
  Readme,
  Homepage,
  About,
  UnlockBrivak,
  UnlockAndExit,
  Deployment,     // F3 only
  RefreshLayout,  // F5 only
};

// The features of other parts of the program that menu items and keys lead to.
enum class LockFeature { Always, ScreenSavers, Layouts, LayoutEditor, Power, Options, LogViewer, Deployment };

bool LockFeatureAvailable(LockFeature feature);

struct LockMenuItem {
  std::string caption;  // "&&" shows one "&"
  LockMenuCommand command;
  LockFeature feature;
  std::vector<LockMenuItem> children;  // a submenu ("Power", "Help"); empty for plain items
  bool submenu = false;                // filled by its feature (screen savers, layouts)
};

// The menu's items, in order; separators are not listed.
const std::vector<LockMenuItem>& LockMenuItems();
// The menu's vertical side caption.
inline constexpr const char* kLockMenuSideCaption = "Brivak 3.1";

// The feature behind a command (menu item or key).
LockFeature FeatureOf(LockMenuCommand command);
bool CommandAvailable(LockMenuCommand command);

// The hidden command keys: F1 help, F2 options, F3 deployment, F5 refresh, F6 edit layout, F11
// monitor off, F12 standby, Ctrl+A change away message. `functionKey` 1..12, or 0 for a letter.
std::optional<LockMenuCommand> HiddenKeyCommand(int functionKey, char letter, bool ctrl);

}  // namespace brivak::core
