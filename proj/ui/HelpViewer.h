// The help viewer: the program's help pages (appPath + "htmlhelp/index.html") in a small browser
// with "Go Back", "Contents" and "Exit Help". Modal above the lock screen. GUI thread only.
#pragma once

#include <QDialog>
#include <QString>

class QTextBrowser;

namespace brivak::ui {

class HelpViewer : public QDialog {
  Q_OBJECT

 public:
  HelpViewer(QWidget* parent, const QString& indexFile);
  QTextBrowser* Browser() const { return browser_; }

 private:
  QTextBrowser* browser_;
};

}  // namespace brivak::ui
