#include "proj/ui/QtLockScreenFactory.h"

#include "proj/ui/AdministrationWindows.h"
#include "proj/ui/TfrmMain.h"

namespace brivak::ui {

PromptServices::PromptServices(app::TrayController& tray) : tray_(tray) {}
PromptServices::~PromptServices() = default;

PasswordContext PromptServices::Context() {
  app::TrayController* tray = &tray_;
  return PasswordContext{tray_.Settings(),
                         tray_.EditableUsers(),
                         tray_.Log(),
                         tray_.Reporter(),
                         tray_.Values().INI_MODE,
                         [tray] { return tray->Clock().MonotonicMs(); },
                         // The network threads read the settings: the hash is stored under the
                         // controller's lock.
                         [tray](const std::string& hash, bool iniForm) { tray->StorePasswordHash(hash, iniForm); },
                         [tray] { tray->ExitBrivak(); }};
}

PromptServices& QtLockScreenFactory::Prompts(app::TrayController& tray) {
  if (!prompts_) prompts_ = std::make_unique<PromptServices>(tray);
  return *prompts_;
}

std::unique_ptr<core::LockShell> QtLockScreenFactory::Create(app::TrayController& tray) {
  LockWindowPorts ports{tray.Log(), tray.Clock(), guard_, Prompts(tray).Context(), tray.Values().appData, {}, {}, {}, {},
                        front_, &tray.Log().TrayConsole(), tray.Values().appPath, {}, {}};
  if (app::ScreenSaverControl* savers = tray.ScreenSavers()) {
    ports.screenSavers = [savers] { return savers->MenuEntries(); };
    ports.runScreenSaver = [savers](const std::string& path) { savers->screensaverClick(path); };
  }
  AdministrationWindows* admin = administration_;
  ports.optionsDialog = [admin](QWidget* over) {
    if (admin) admin->OptionsDialog(over);
  };
  ports.logViewer = [admin](QWidget* over) {
    if (admin) admin->LogViewer(over, 0);
  };
  return std::make_unique<TfrmMain>(std::move(ports));
}

}  // namespace brivak::ui
