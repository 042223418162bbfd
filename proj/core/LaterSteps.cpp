#include "proj/core/LaterSteps.h"

namespace brivak::core {

void LaterSteps::NotInThisBuild(const std::string& part) { log_.Mem(part + ": not in this build"); }

void LaterSteps::CreateProcessMapper() { NotInThisBuild("Process mapper"); }
void LaterSteps::CloseProcessMapper() { NotInThisBuild("Process mapper"); }
void LaterSteps::RegisterLayouts() { NotInThisBuild("Layouts menu"); }
bool LaterSteps::ApplyHtmlLayout(const std::string&) {
  NotInThisBuild("HTML layouts");
  return false;
}
void LaterSteps::DeleteTemporaryFiles() { NotInThisBuild("HTML layout copies"); }
void LaterSteps::StartPlugins() { NotInThisBuild("Plug-ins"); }
void LaterSteps::UnloadPlugins() { NotInThisBuild("Plug-ins"); }
void LaterSteps::MinimizeWindows() { NotInThisBuild("Minimize windows before lock"); }
void LaterSteps::SetAutoRun(bool) { NotInThisBuild("AutoRun/AutoPlay policy"); }
void LaterSteps::RestoreAutoRun(bool) { NotInThisBuild("AutoRun/AutoPlay policy"); }
void LaterSteps::DisableBalloonTips() { NotInThisBuild("Balloon tips policy"); }
void LaterSteps::EnableBalloonTips() { NotInThisBuild("Balloon tips policy"); }
void LaterSteps::DisableTaskManager() { NotInThisBuild("Task manager policy"); }
void LaterSteps::EnableTaskManager() { NotInThisBuild("Task manager policy"); }
void LaterSteps::LockWorkStation() { NotInThisBuild("Lock workstation at start-up"); }
void LaterSteps::ReloadHtmlLayout() { NotInThisBuild("HTML layouts"); }

}  // namespace brivak::core
