// `TfrmLogs` ("Log Viewer"): browses the day files of the event log on this computer. A month
// calendar (days that have a file are bold), the file information with "Open file in default
// editor" and "Show in folder", the search forward and back, a grey strip that folds the left
// panel, the read-only text and "Save As". Made for one modal showing. GUI thread only.
#pragma once

#include <QDate>
#include <QDialog>

#include <functional>
#include <string>

class QCalendarWidget;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QStatusBar;

namespace brivak::ui {

struct LogViewerPorts {
  std::string logsFolder;  // appData + "Logs/"
  QDate today;
  // Opens a file or folder with the desktop's default program (xdg-open); true when started.
  std::function<bool(const std::string& path)> open;
};

class TfrmLogs : public QDialog {
  Q_OBJECT

 public:
  explicit TfrmLogs(LogViewerPorts ports, QWidget* parent = nullptr);

  // The date click: shows the day file of `date`, or "No log file for ..." when there is none.
  void ShowDay(const QDate& date);
  // "Look &Forward" (also Enter in the search box) and "Look &Back".
  void LookForward();
  void LookBack();
  // Writes the text area's lines to `path` (what "Save As" does after its dialog). True when written.
  bool SaveTo(const QString& path) const;
  // Clicking the grey strip.
  void ToggleLeftPanel();
  // Scrolls the text down by `pages` pages (the tray opens the viewer eleven pages down).
  void ScrollPages(int pages);
  // The day-file path of `date`.
  std::string DayFile(const QDate& date) const;

  QCalendarWidget* Calendar() const { return calendar_; }
  QPlainTextEdit* Text() const { return memo_; }
  QLineEdit* SearchBox() const { return search_; }
  QPushButton* ForwardButton() const { return forward_; }
  QPushButton* BackButton() const { return back_; }
  QPushButton* OpenButton() const { return openButton_; }
  QPushButton* FolderButton() const { return folderButton_; }
  QLabel* FileNameLabel() const { return lblFile_; }
  QLabel* LinesLabel() const { return lblLines_; }
  QLabel* SizeLabel() const { return lblSize_; }
  QStatusBar* Status() const { return status_; }
  QFrame* Strip() const { return strip_; }
  QWidget* LeftPanel() const { return left_; }
  // The full path of the file shown (the text area's hint); empty when none.
  QString ShownFile() const;

 protected:
  bool event(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void BoldDays(int year, int month);
  void SetStripColour(bool hover);

  LogViewerPorts ports_;
  QWidget* left_ = nullptr;
  QCalendarWidget* calendar_ = nullptr;
  QGroupBox* fileGroup_ = nullptr;
  QGroupBox* searchGroup_ = nullptr;
  QLabel* lblFile_ = nullptr;
  QLabel* lblLines_ = nullptr;
  QLabel* lblSize_ = nullptr;
  QPushButton* openButton_ = nullptr;
  QPushButton* folderButton_ = nullptr;
  QLineEdit* search_ = nullptr;
  QPushButton* forward_ = nullptr;
  QPushButton* back_ = nullptr;
  QFrame* strip_ = nullptr;
  QPlainTextEdit* memo_ = nullptr;
  QStatusBar* status_ = nullptr;
  QString previous_;     // the previous search text (the search group's hint)
  int foldedWidth_ = 0;  // the left panel's width before it was folded (its tag)
};

}  // namespace brivak::ui
