// The log panel's text view (`Memo1`): read-only; shows the controller's log panel change by
// change, and always leaves the caret at the end. A double-click asks for the log to be cleared
// (the controller owns the text and its 31000-character rule).
// Thread-safety: user-interface thread only.
#pragma once

#include <QPlainTextEdit>

#include <string>
#include <vector>

namespace brivak::manager {

class LogPanelWidget : public QPlainTextEdit {
  Q_OBJECT

 public:
  explicit LogPanelWidget(QWidget* parent = nullptr);

  // The whole text anew (at start, or to resynchronise).
  void ShowLines(const std::vector<std::string>& lines);
  void AddLine(const std::string& text);
  void AppendToLastLine(const std::string& text);
  void ClearLog();

 signals:
  void clearRequested();

 protected:
  void mouseDoubleClickEvent(QMouseEvent* event) override;

 private:
  void CaretToEnd();
};

}  // namespace brivak::manager
