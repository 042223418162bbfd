// Conversions from SLF layout values to Qt: colours, fonts and style-sheet colour texts. GUI thread
// only (fonts).
#pragma once

#include <QColor>
#include <QFont>
#include <QString>

#include "proj/core/SlfValues.h"

namespace brivak::ui {

// 0x00BBGGRR to an opaque QColor.
QColor SlfQColor(core::SlfColor color);
// Name, size in points, bold/italic/underline/strike-out of the font text.
QFont SlfQFont(const core::SlfFont& font);
// "#rrggbb", for style sheets.
QString SlfCss(const QColor& color);

}  // namespace brivak::ui
