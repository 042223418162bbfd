#include "proj/ui/DialogParts.h"

#include <QEvent>
#include <QFont>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPixmap>

namespace brivak::ui::parts {

QString Q(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

std::string S(const QString& text) { return text.toStdString(); }

QLabel* LockImage(QWidget* parent) {
  QPixmap pixmap(48, 48);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(QPen(QColor(90, 90, 90), 5));
  painter.drawArc(QRectF(12, 4, 24, 26), 0, 180 * 16);
  painter.drawLine(QPointF(12, 17), QPointF(12, 24));
  painter.drawLine(QPointF(36, 17), QPointF(36, 24));
  painter.setPen(Qt::NoPen);
  painter.setBrush(QColor(200, 160, 40));
  painter.drawRoundedRect(QRectF(6, 22, 36, 24), 4, 4);
  painter.end();
  auto* label = new QLabel(parent);
  label->setPixmap(pixmap);
  label->setAlignment(Qt::AlignTop);
  return label;
}

QLabel* BoldLabel(const QString& text, QWidget* parent) {
  QString shown = text;
  shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));  // line breaks as Qt draws them
  auto* label = new QLabel(shown, parent);
  QFont font = label->font();
  font.setBold(true);
  label->setFont(font);
  label->setWordWrap(false);
  return label;
}

QLineEdit* MaskedBox(QWidget* parent) {
  auto* box = new QLineEdit(parent);
  box->setEchoMode(QLineEdit::Password);
  return box;
}

bool IsEnter(const QEvent* event) {
  if (event->type() != QEvent::KeyPress && event->type() != QEvent::KeyRelease) return false;
  const int key = static_cast<const QKeyEvent*>(event)->key();
  return key == Qt::Key_Return || key == Qt::Key_Enter;
}

bool IsTyped(const QKeyEvent* key) {
  const QString text = key->text();
  return !text.isEmpty() && text.at(0).isPrint();
}

bool StoreMaster(PasswordContext& context, const std::string& hash, QWidget* over,
                 const MessageFunction& messages) {
  try {
    if (context.storePasswordHash) {
      context.storePasswordHash(hash, context.iniMode);
    } else {
      core::StorePasswordHash(context.settings, hash, context.iniMode);
    }
    return true;
  } catch (const std::exception& e) {
    context.log.Mem(std::string("EX: ") + e.what());
    messages(over, MessageIcon::kStop, Q(core::prompt_text::kErrorTitle), QString::fromStdString(e.what()));
    return false;
  }
}


}  // namespace brivak::ui::parts
