// Conversions between the core's UTF-8 std::string texts and Qt's QString. Header-only.
#pragma once

#include <QString>

#include <string>
#include <string_view>

namespace brivak::manager {

inline QString ToQ(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

inline std::string FromQ(const QString& text) { return text.toStdString(); }

}  // namespace brivak::manager
