// Helpers of the SLF panel tests: layouts from INI text, the panel's created objects, key presses.
#pragma once

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QList>
#include <QWidget>
#include <filesystem>
#include <string>
#include <string_view>

#include "common/IniFile.h"
#include "proj/core/SlfLayout.h"
#include "proj/ui/SlfPanel.h"

namespace brivak::ui::testing {

inline core::SlfLayout SlfFromText(std::string_view text, const std::string& dataFolder = {}) {
  core::SlfLoadOptions options;
  options.dataFolder = dataFolder;
  options.awayMessage = "Back soon";
  return core::LoadSlfLayout(IniDocument::Parse(text), options);
}

// A layout shipped in the source tree's layouts/slf folder.
inline std::string ShippedSlfLayout(const std::string& name) {
  return std::string(BRIVAK_SOURCE_DIR) + "/layouts/slf/" + name;
}

// The panel's child widgets tagged as created by a layout.
inline QList<QWidget*> CreatedObjects(const QWidget& panel) {
  QList<QWidget*> out;
  for (QWidget* w : panel.findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
    if (w->property("tag").toInt() == 123456789) out.push_back(w);
  }
  return out;
}

// The panel's direct child widgets, bottom first.
inline QList<QWidget*> Stacking(const QWidget& panel) {
  QList<QWidget*> out;
  for (QObject* o : panel.children()) {
    if (auto* w = qobject_cast<QWidget*>(o)) out.push_back(w);
  }
  return out;
}

inline void Press(QWidget* target, Qt::Key key, const QString& text = {}) {
  QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
  QApplication::sendEvent(target, &press);
  QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
  QApplication::sendEvent(target, &release);
}

inline void Type(QLineEdit* edit, const QString& text) {
  for (const QChar ch : text) Press(edit, static_cast<Qt::Key>(ch.toUpper().unicode()), QString(ch));
}

}  // namespace brivak::ui::testing
