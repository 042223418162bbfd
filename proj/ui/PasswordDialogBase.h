// What the password dialogs share (defined in PasswordDialogs.cpp). Every dialog reports its message boxes through a MessageFunction (by default a modal
// QMessageBox over the dialog), so that a driver without an event loop of its own can record them.
#pragma once

#include <QString>

#include <functional>
#include <optional>
#include <string>

#include "proj/core/PasswordPrompts.h"
#include "proj/ui/PasswordDialogs.h"

namespace brivak::ui {

enum class MessageIcon { kStop, kInformation };
using MessageFunction =
    std::function<void(QWidget* over, MessageIcon icon, const QString& title, const QString& text)>;
// The modal QMessageBox; `topMost` keeps it above the other windows.
MessageFunction StandardMessages(bool topMost = false);

// The event-report settings of a security event, read from the program's settings.
core::EventReportSettings EventSettingsOf(const core::TBrivakSettings& settings);

// Writes the lines of an Authorize outcome and returns whether it grants.
bool FinishAuthorize(PasswordContext& context, std::string_view activity, int level, int modalResult,
                     int accessLevelGranted);

}  // namespace brivak::ui
