#include "proj/ui/SlfStyle.h"

namespace brivak::ui {

QColor SlfQColor(core::SlfColor color) {
  return QColor(static_cast<int>(color & 0xFFu), static_cast<int>((color >> 8) & 0xFFu),
                static_cast<int>((color >> 16) & 0xFFu));
}

QFont SlfQFont(const core::SlfFont& font) {
  QFont f(QString::fromStdString(font.face.name));
  if (font.face.size > 0) f.setPointSize(font.face.size);
  f.setBold(font.face.bold);
  f.setItalic(font.face.italic);
  f.setUnderline(font.face.underline);
  f.setStrikeOut(font.face.strikeout);
  return f;
}

QString SlfCss(const QColor& color) { return color.name(QColor::HexRgb); }

}  // namespace brivak::ui
