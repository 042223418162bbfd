#include "proj/ui/ConsoleWindow.h"

#include <QApplication>
#include <QClipboard>
#include <QEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QScreen>
#include <QTextBlock>
#include <QTextCursor>
#include <QVBoxLayout>

namespace brivak::ui {

ConsoleWindow::ConsoleWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
  setWindowTitle(QStringLiteral("Brivak 3"));
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  strip_ = new QLabel(QStringLiteral("Brivak 3.1"), this);
  strip_->setObjectName(QStringLiteral("strip"));
  strip_->setAlignment(Qt::AlignCenter);
  strip_->setMinimumHeight(32);
  strip_->setAutoFillBackground(true);
  QPalette stripColours = strip_->palette();
  stripColours.setColor(QPalette::Window, QColor(0x20, 0x20, 0x40));
  stripColours.setColor(QPalette::WindowText, Qt::white);
  strip_->setPalette(stripColours);
  text_ = new QPlainTextEdit(this);
  text_->setObjectName(QStringLiteral("Memo1"));
  text_->setReadOnly(true);
  text_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  text_->setLineWrapMode(QPlainTextEdit::NoWrap);
  layout->addWidget(strip_);
  layout->addWidget(text_, 1);
  strip_->installEventFilter(this);
  text_->viewport()->installEventFilter(this);
  text_->installEventFilter(this);
  resize(480, 300);
}

void ConsoleWindow::SetLines(const std::vector<std::string>& lines) {
  QStringList all;
  for (const auto& line : lines) all << QString::fromStdString(line);
  text_->setPlainText(all.join(QLatin1Char('\n')));
  text_->moveCursor(QTextCursor::End);
}

void ConsoleWindow::Apply(const core::ConsoleEvent& event) {
  if (event.target != core::ConsoleTarget::kTray) return;
  switch (event.change) {
    case core::ConsoleChange::kNewLine:
      text_->appendPlainText(QString::fromStdString(event.text));
      break;
    case core::ConsoleChange::kAppendToLast: {
      QTextCursor cursor(text_->document());
      cursor.movePosition(QTextCursor::End);
      cursor.insertText(QString::fromStdString(event.text));
      break;
    }
    case core::ConsoleChange::kCleared:
      text_->clear();
      break;
  }
}

QString ConsoleWindow::Text() const { return text_->toPlainText(); }

void ConsoleWindow::SetExitOnClick(std::function<bool()> exitOnClick, std::function<void()> exitProgram) {
  exitOnClick_ = std::move(exitOnClick);
  exitProgram_ = std::move(exitProgram);
}

void ConsoleWindow::ShowConsole() {
  int height = 400;
  if (const QScreen* screen = QGuiApplication::primaryScreen()) height = screen->geometry().height() / 2 - 48;
  resize(680, height);
  show();
  raise();
  activateWindow();
}

void ConsoleWindow::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Z:
      resize(width(), height() + 400);
      return;
    case Qt::Key_C:
      QGuiApplication::clipboard()->setText(text_->toPlainText());
      return;
    case Qt::Key_Escape:
      hide();
      return;
    default:
      QWidget::keyPressEvent(event);
  }
}

bool ConsoleWindow::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::MouseButtonPress) {
    if (watched == strip_) {
      hide();
      return true;
    }
    if (watched == text_->viewport() && exitOnClick_ && exitOnClick_()) {
      if (exitProgram_) exitProgram_();
      return true;
    }
  }
  // The read-only text takes the keys first: hand the window's keys to it.
  if (event->type() == QEvent::KeyPress && watched == text_) {
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->modifiers() == Qt::NoModifier &&
        (key->key() == Qt::Key_Z || key->key() == Qt::Key_C || key->key() == Qt::Key_Escape)) {
      keyPressEvent(key);
      return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}

}  // namespace brivak::ui
