// Pieces shared by the password dialogs: text conversion, the padlock picture, label and box
// styles, key tests, and storing a new master password. Internal to proj/ui.
#pragma once

#include <QString>

#include <string>
#include <string_view>

#include "proj/ui/PasswordDialogBase.h"

class QEvent;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QWidget;

namespace brivak::ui::parts {

QString Q(std::string_view text);
std::string S(const QString& text);
// The prompts' picture: a padlock.
QLabel* LockImage(QWidget* parent);
QLabel* BoldLabel(const QString& text, QWidget* parent);
// A password box: masked with "*".
QLineEdit* MaskedBox(QWidget* parent);
// Return or Enter, pressed or released.
bool IsEnter(const QEvent* event);
// A key that types a character (not Tab, Backspace or another control key).
bool IsTyped(const QKeyEvent* key);
// Stores the new master password hash through the owner's function or into the settings; reports
// a store that cannot be written (console line and message box) and returns false then.
bool StoreMaster(PasswordContext& context, const std::string& hash, QWidget* over,
                 const MessageFunction& messages);

}  // namespace brivak::ui::parts
