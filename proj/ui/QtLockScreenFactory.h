// Makes the lock screen window (TfrmMain) of each lock for the tray controller, with the grabs on
// Qt's own X connection and the prompts' context of the running program. GUI thread only.
#pragma once

#include <memory>
#include <string>

#include "common/UserList.h"
#include "platform/FrontKeeper.h"
#include "platform/InputGuard.h"
#include "proj/app/TrayController.h"
#include "proj/core/RemoteEvents.h"
#include "proj/ui/PasswordDialogs.h"

namespace brivak::ui {

// The prompts' view of the program: the controller's settings (the master hash is stored under its
// lock), user list, log and security-event reporter. Made after the controller's start-up. Main
// thread.
class PromptServices {
 public:
  explicit PromptServices(app::TrayController& tray);
  ~PromptServices();
  // The prompts' context: the controller's settings and diagnostics, these services.
  PasswordContext Context();

 private:
  app::TrayController& tray_;
};

class QtLockScreenFactory final : public app::LockScreenFactory {
 public:
  // `guard` and `front` may be null (no X11 display); they must outlive every window made.
  explicit QtLockScreenFactory(platform::InputGuard* guard, platform::FrontKeeper* front = nullptr)
      : guard_(guard), front_(front) {}
  std::unique_ptr<core::LockShell> Create(app::TrayController& tray) override;
  // The prompt services of `tray` (the one controller of the program), made on first use.
  PromptServices& Prompts(app::TrayController& tray);
  // The options dialog and the log viewer of the lock screen; must outlive every window made.
  void SetAdministration(class AdministrationWindows* administration) { administration_ = administration; }

 private:
  platform::InputGuard* guard_;
  platform::FrontKeeper* front_;
  std::unique_ptr<PromptServices> prompts_;
  AdministrationWindows* administration_ = nullptr;
};

}  // namespace brivak::ui
