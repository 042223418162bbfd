// `panBottom`: the bar along the bottom of the lock screen. The menu button (`tbBrivak`), the
// minimise, options, network, console-toggle and help buttons, the notebook (page 0 the
// mini-browser, page 1 the console) and the system-information panel. 85 pixels high, collapsed to
// a 6-pixel strip by a double-click or the minimise button; a double-click on the console makes it
// 340 pixels high. The bar only draws and reports clicks; the lock session decides. GUI thread.
#pragma once

#include <QColor>
#include <QWidget>

#include <functional>
#include <string>
#include <vector>

#include "proj/core/LockShell.h"

class QLabel;
class QPlainTextEdit;
class QProgressBar;
class QStackedWidget;
class QToolButton;

namespace brivak::ui {

class BrivakBar : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kHeight = 85;
  static constexpr int kCollapsedHeight = 6;
  static constexpr int kTallHeight = 340;
  static constexpr int kPanelWidth = 118;
  static constexpr int kPanelHeight = 73;
  static constexpr int kNotebookMargin = 271;  // notebook width = bar width - this
  static constexpr int kNotebookLeft = 148;    // its right edge meets the panel
  static constexpr std::size_t kMaxConsoleChars = 100000;

  // The menu button's three looks: the start of a lock, after a re-lock, unlocked in place.
  enum class MenuLook { Start, Relocked, Unlocked };

  BrivakBar(QWidget* parent, QColor color);

  // `AdjustControlsToWidth`: the panel at the right, the notebook sized to the bar.
  void AdjustControlsToWidth();
  // The bar's height: 85, 6 (collapsed) or 340 (tall console).
  void SetBarHeight(int height);
  int BarHeight() const { return barHeight_; }
  // Double-click on the bar or the minimise button (without HideBrivakBarOnMinimize).
  void ToggleCollapsed();
  // Double-click on the console.
  void ToggleTall();

  void SetMenuLook(MenuLook look);
  void SetMenuReady(bool ready);
  QToolButton* MenuButton() const { return tbBrivak_; }
  // The console page shown (true) or the mini-browser page.
  void ShowConsolePage(bool console);
  bool ConsolePageShown() const;
  // The console's text: the tray console's lines; emptied when it passes kMaxConsoleChars.
  void SetConsoleLines(const std::vector<std::string>& lines);
  QString ConsoleText() const;

  void ShowSystemPanel(bool visible);
  bool SystemPanelShown() const;
  void UpdateSystemPanel(const core::SystemPanelTexts& texts);
  QLabel* PanelLabel(const char* name) const;

  // Clicks, reported to the lock screen.
  std::function<void()> onMenu, onMinimize, onOptions, onConsoleToggle, onNetwork, onHelp, onIdleClicked;
  // Whether the options button leads anywhere in this build.
  void SetOptionsAvailable(bool available);
  // The network button: disabled without a network suspension; its hint says what a click does.
  void SetNetworkState(bool available, bool suspended);

 protected:
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  QToolButton* Button(const char* name, const QString& text, const QString& hint, int left, int top);

  int barHeight_ = kHeight;
  QToolButton* tbBrivak_;
  QToolButton* minimize_;
  QToolButton* options_;
  QToolButton* network_;
  QToolButton* console_;
  QToolButton* help_;
  QStackedWidget* notebook_;
  QWidget* miniBrowserPage_;
  QPlainTextEdit* memo_;
  QWidget* panel_;
  QLabel* lblCPU_;
  QLabel* lblRAM_;
  QLabel* lblBattery_;
  QLabel* lblTime_;
  QLabel* lblIdle_;
  QProgressBar* cpuGauge_;
  QProgressBar* ramGauge_;
  QProgressBar* batteryGauge_;
  std::size_t consoleLines_ = 0;
  std::string lastConsoleLine_;
};

}  // namespace brivak::ui
