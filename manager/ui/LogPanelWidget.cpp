#include "manager/ui/LogPanelWidget.h"

#include <QFontDatabase>
#include <QTextCursor>

#include "manager/ui/QtText.h"

namespace brivak::manager {

LogPanelWidget::LogPanelWidget(QWidget* parent) : QPlainTextEdit(parent) {
  setObjectName("Memo1");
  setReadOnly(true);
  setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  setLineWrapMode(QPlainTextEdit::NoWrap);
}

void LogPanelWidget::ShowLines(const std::vector<std::string>& lines) {
  QStringList all;
  all.reserve(static_cast<qsizetype>(lines.size()));
  for (const std::string& line : lines) all << ToQ(line);
  setPlainText(all.join('\n'));
  CaretToEnd();
}

void LogPanelWidget::AddLine(const std::string& text) {
  appendPlainText(ToQ(text));
  CaretToEnd();
}

void LogPanelWidget::AppendToLastLine(const std::string& text) {
  QTextCursor cursor(document());
  cursor.movePosition(QTextCursor::End);
  cursor.insertText(ToQ(text));
  CaretToEnd();
}

void LogPanelWidget::ClearLog() { clear(); }

void LogPanelWidget::mouseDoubleClickEvent(QMouseEvent* event) {
  QPlainTextEdit::mouseDoubleClickEvent(event);
  emit clearRequested();
}

void LogPanelWidget::CaretToEnd() {
  QTextCursor cursor = textCursor();
  cursor.movePosition(QTextCursor::End);
  setTextCursor(cursor);
  ensureCursorVisible();
}

}  // namespace brivak::manager
