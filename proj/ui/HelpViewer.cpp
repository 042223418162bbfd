#include "proj/ui/HelpViewer.h"

#include <QFileInfo>
#include <QHBoxLayout>
#include <QPushButton>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

namespace brivak::ui {

HelpViewer::HelpViewer(QWidget* parent, const QString& indexFile) : QDialog(parent) {
  setObjectName(QStringLiteral("frmHelp"));
  setWindowTitle(QStringLiteral("Brivak Help"));
  setModal(true);
  setWindowFlag(Qt::WindowStaysOnTopHint, true);
  browser_ = new QTextBrowser(this);
  browser_->setOpenExternalLinks(false);
  auto* back = new QPushButton(QStringLiteral("Go Back"), this);
  auto* contents = new QPushButton(QStringLiteral("Contents"), this);
  auto* exit = new QPushButton(QStringLiteral("Exit Help"), this);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(back);
  buttons->addWidget(contents);
  buttons->addStretch();
  buttons->addWidget(exit);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(buttons);
  layout->addWidget(browser_, 1);
  resize(640, 480);
  const QUrl index = QUrl::fromLocalFile(indexFile);
  if (QFileInfo::exists(indexFile)) {
    browser_->setSource(index);
  } else {
    browser_->setHtml(QStringLiteral("<p>The help pages are not installed: %1</p>").arg(indexFile.toHtmlEscaped()));
  }
  connect(back, &QPushButton::clicked, browser_, &QTextBrowser::backward);
  connect(contents, &QPushButton::clicked, this, [this, index, indexFile] {
    if (QFileInfo::exists(indexFile)) browser_->setSource(index);
  });
  connect(exit, &QPushButton::clicked, this, &QDialog::accept);
}

}  // namespace brivak::ui
