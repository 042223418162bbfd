// The tray controller's console window: a small bordered window with a picture strip on top and the
// read-only text of the tray console below. Keys: "z" makes it 400 pixels taller, "c" copies the
// whole text to the clipboard, Esc hides it; a click on the strip hides it; a click on the text ends
// the program when the start-up self-test failed (the exit-on-click state). GUI thread only.
#pragma once

#include <QString>
#include <QWidget>

#include <functional>
#include <string>
#include <vector>

#include "proj/core/Console.h"

class QLabel;
class QPlainTextEdit;

namespace brivak::ui {

class ConsoleWindow : public QWidget {
  Q_OBJECT

 public:
  explicit ConsoleWindow(QWidget* parent = nullptr);

  // Replaces the text by the console's lines.
  void SetLines(const std::vector<std::string>& lines);
  // Applies one change of the tray console (new line, append to the last line, cleared).
  void Apply(const core::ConsoleEvent& event);
  QString Text() const;

  // Called by a click on the text while exitOnClick() answers true.
  void SetExitOnClick(std::function<bool()> exitOnClick, std::function<void()> exitProgram);

  // "Show Console": 680 wide, half the primary screen's height less 48, in front.
  void ShowConsole();

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QLabel* strip_;
  QPlainTextEdit* text_;
  std::function<bool()> exitOnClick_;
  std::function<void()> exitProgram_;
};

}  // namespace brivak::ui
