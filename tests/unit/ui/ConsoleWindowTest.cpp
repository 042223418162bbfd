#include "proj/ui/ConsoleWindow.h"

#include <QApplication>
#include <QClipboard>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QScreen>

#include <gtest/gtest.h>

namespace brivak::ui {
namespace {

void Key(QWidget* target, int key, const QString& text) {
  QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
  QApplication::sendEvent(target, &press);
}

void Click(QWidget* target) {
  const QPointF at(2, 2);
  QMouseEvent press(QEvent::MouseButtonPress, at, target->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton,
                    Qt::NoModifier);
  QApplication::sendEvent(target, &press);
}

TEST(ConsoleWindowTest, FollowsTheConsoleChanges) {
  ConsoleWindow window;
  window.SetLines({"-- Brivak Console Window --", "[10:00:00] Starting"});
  window.Apply({core::ConsoleTarget::kTray, core::ConsoleChange::kNewLine, "[10:00:01] Setting hot key..."});
  window.Apply({core::ConsoleTarget::kTray, core::ConsoleChange::kAppendToLast, "Done."});
  window.Apply({core::ConsoleTarget::kLockScreen, core::ConsoleChange::kNewLine, "lock screen only"});
  EXPECT_EQ(window.Text(), QStringLiteral("-- Brivak Console Window --\n[10:00:00] Starting\n"
                                          "[10:00:01] Setting hot key...Done."));
  window.Apply({core::ConsoleTarget::kTray, core::ConsoleChange::kCleared, ""});
  EXPECT_EQ(window.Text(), QString());
}

TEST(ConsoleWindowTest, KeysGrowCopyAndHide) {
  ConsoleWindow window;
  window.SetLines({"line one", "line two"});
  window.ShowConsole();
  EXPECT_EQ(window.width(), 680);
  EXPECT_EQ(window.height(), QGuiApplication::primaryScreen()->geometry().height() / 2 - 48);
  auto* text = window.findChild<QPlainTextEdit*>(QStringLiteral("Memo1"));
  ASSERT_NE(text, nullptr);
  const int before = window.height();
  Key(text, Qt::Key_Z, QStringLiteral("z"));
  EXPECT_EQ(window.height(), before + 400);
  QGuiApplication::clipboard()->clear();
  Key(text, Qt::Key_C, QStringLiteral("c"));
  EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("line one\nline two"));
  Key(text, Qt::Key_Escape, {});
  EXPECT_FALSE(window.isVisible());
}

TEST(ConsoleWindowTest, AClickOnTheTextEndsTheProgramOnlyInTheExitOnClickState) {
  ConsoleWindow window;
  bool exitOnClick = false;
  int exits = 0;
  window.SetExitOnClick([&] { return exitOnClick; }, [&] { ++exits; });
  window.ShowConsole();
  auto* text = window.findChild<QPlainTextEdit*>(QStringLiteral("Memo1"));
  Click(text->viewport());
  EXPECT_EQ(exits, 0);
  exitOnClick = true;
  Click(text->viewport());
  EXPECT_EQ(exits, 1);
  // A click on the picture strip hides the window.
  Click(window.findChild<QLabel*>(QStringLiteral("strip")));
  EXPECT_FALSE(window.isVisible());
}

}  // namespace
}  // namespace brivak::ui
