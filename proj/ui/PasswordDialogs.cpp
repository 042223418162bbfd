#include "proj/ui/PasswordDialogs.h"

#include <QMessageBox>

#include "proj/core/PasswordPrompts.h"
#include "proj/ui/PasswordDialogWidgets.h"

namespace brivak::ui {

namespace {

QMessageBox::Icon ToQt(MessageIcon icon) {
  return icon == MessageIcon::kStop ? QMessageBox::Critical : QMessageBox::Information;
}

}  // namespace

MessageFunction StandardMessages(bool topMost) {
  return [topMost](QWidget* over, MessageIcon icon, const QString& title, const QString& text) {
    QMessageBox box(ToQt(icon), title, text, QMessageBox::Ok, over);
    if (topMost) box.setWindowFlag(Qt::WindowStaysOnTopHint, true);
    box.exec();
  };
}

core::EventReportSettings EventSettingsOf(const core::TBrivakSettings& settings) {
  core::EventReportSettings event;
  event.masterIP = settings.Security.masterIP;
  event.reportSecurityEvents = settings.Security.ReportSecurityEvents;
  event.reportPowerEvents = settings.Security.ReportPowerEvents;
  event.logBadPasswords = settings.Logging.LogBadPasswords;
  return event;
}

bool FinishAuthorize(PasswordContext& context, std::string_view activity, int level, int modalResult,
                     int accessLevelGranted) {
  const core::AuthorizeReport report =
      core::DecideAuthorize(context.settings.Security.MultiUser, activity, level, modalResult,
                            accessLevelGranted, context.settings.Logging.LogBadPasswords);
  for (const std::string& line : report.consoleLines) context.log.Mem(line);
  for (const std::string& line : report.debugLines) context.log.Debug(line);
  if (!report.eventLogLine.empty()) {
    try {
      context.log.WriteLog(report.eventLogLine);
    } catch (const std::exception& e) {
      context.log.Mem(std::string("EX: ") + e.what());
    }
  }
  if (!report.securityEvent.empty()) {
    context.events.SecurityEvent(report.securityEvent, EventSettingsOf(context.settings));
  }
  return report.granted;
}

namespace {

// QDialog::exec's result as the prompts' results: Accepted is OK, a failed login keeps its 7,
// everything else (Esc, the window's close button) is Cancel.
int ModalResult(int execResult) {
  if (execResult == QDialog::Accepted) return core::kModalOk;
  if (execResult == core::kModalNo) return core::kModalNo;
  return core::kModalCancel;
}

}  // namespace

bool Authorize(QWidget* parent, PasswordContext& context, const std::string& activity, int level) {
  const std::int64_t tick = context.tickCount ? context.tickCount() : 0;
  context.log.Debug(core::AuthorizeTraceLine(tick, activity));
  if (context.settings.Security.MultiUser) {
    UserUnlockPrompt prompt(parent, context, activity);
    const int result = ModalResult(prompt.exec());
    return FinishAuthorize(context, activity, level, result, prompt.AccessLevelGranted());
  }
  UnlockPrompt prompt(parent, context, activity);
  context.log.Debug("frmUnlock.Create");
  const int result = ModalResult(prompt.exec());
  return FinishAuthorize(context, activity, level, result, 0);
}

bool RunFirstTimeDialog(QWidget* parent, PasswordContext& context) {
  {
    FirstTimeDialog dialog(parent, context);
    dialog.exec();
  }
  return !context.settings.Security.passwordHash.empty();
}

bool RunChangePasswordDialog(QWidget* parent, PasswordContext& context) {
  ChangePasswordDialog dialog(parent, context);
  return dialog.exec() == QDialog::Accepted;
}

std::optional<EditUserResult> RunEditUserDialog(QWidget* parent, const EditUserRequest& request) {
  EditUserDialog dialog(parent, request);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  return dialog.Result();
}

void ApplyEditUser(UserList& users, const EditUserRequest& request, const EditUserResult& result) {
  if (request.addMode) {
    users.AddUser(result.userName, result.password.value_or(std::string()), result.level);
  } else {
    users.EditUser(request.userName, result.userName, result.password, result.level);
  }
}

}  // namespace brivak::ui
