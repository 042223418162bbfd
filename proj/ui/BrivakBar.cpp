#include "proj/ui/BrivakBar.h"

#include <QEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QScrollBar>
#include <QStackedWidget>
#include <QToolButton>

#include "proj/ui/SlfStyle.h"

namespace brivak::ui {

namespace {

const QColor kPanelColor(0x2C, 0x2C, 0x2C);

// The menu button's picture for each look (the padlock closed, closed again, open).
QIcon MenuIcon(BrivakBar::MenuLook look) {
  QPixmap pixmap(32, 32);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  const QColor body = look == BrivakBar::MenuLook::Unlocked ? QColor(0x40, 0xC0, 0x40)
                      : look == BrivakBar::MenuLook::Relocked ? QColor(0xE0, 0xA0, 0x20)
                                                               : QColor(0x30, 0x70, 0xE0);
  p.setPen(QPen(Qt::white, 3));
  const int shackleShift = look == BrivakBar::MenuLook::Unlocked ? 6 : 0;
  p.drawArc(QRect(9 + shackleShift, 3, 14, 16), 0, 180 * 16);
  p.setPen(Qt::NoPen);
  p.setBrush(body);
  p.drawRoundedRect(QRect(6, 13, 20, 16), 3, 3);
  return QIcon(pixmap);
}

QLabel* PanelRow(QWidget* panel, const char* name, const QColor& color, int top) {
  auto* label = new QLabel(panel);
  label->setObjectName(QLatin1String(name));
  QFont font(QStringLiteral("Tahoma"));
  font.setPixelSize(10);
  label->setFont(font);
  label->setStyleSheet(QStringLiteral("QLabel { color: %1; background: transparent; }").arg(color.name()));
  label->setGeometry(4, top, 62, 12);
  return label;
}

QProgressBar* Gauge(QWidget* panel, const char* name, int top) {
  auto* gauge = new QProgressBar(panel);
  gauge->setObjectName(QLatin1String(name));
  gauge->setRange(0, 100);
  gauge->setTextVisible(false);
  gauge->setGeometry(68, top + 2, 46, 8);
  gauge->setStyleSheet(QStringLiteral("QProgressBar { background: #1a1a1a; border: 1px solid #505050; }"
                                      "QProgressBar::chunk { background: #3fd659; }"));
  return gauge;
}

}  // namespace

BrivakBar::BrivakBar(QWidget* parent, QColor color) : QWidget(parent) {
  setObjectName(QStringLiteral("panBottom"));
  setAutoFillBackground(true);
  QPalette pal = palette();
  pal.setColor(QPalette::Window, color);
  setPalette(pal);

  tbBrivak_ = Button("tbBrivak", QStringLiteral("Brivak Menu"), QStringLiteral("Brivak Menu"), 4, 6);
  tbBrivak_->setCheckable(true);
  tbBrivak_->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
  tbBrivak_->setIconSize(QSize(32, 32));
  tbBrivak_->setGeometry(4, 6, 84, 72);
  // White bold text that turns green while the pointer is over it.
  tbBrivak_->setStyleSheet(QStringLiteral("QToolButton { color: white; font-weight: bold; background: transparent; "
                                          "border: none; } QToolButton:hover { color: lime; }"
                                          "QToolButton:checked { background: #202020; }"));
  tbBrivak_->setEnabled(false);  // until the lock is ready
  SetMenuLook(MenuLook::Start);
  connect(tbBrivak_, &QToolButton::clicked, this, [this] {
    if (onMenu) onMenu();
  });

  // The tool buttons, two columns of three between the menu button and the notebook.
  minimize_ = Button("tbMinimize", QStringLiteral("_"), QStringLiteral("Minimize the Brivak Bar"), 92, 6);
  options_ = Button("tbOptions", QStringLiteral("Opt"), QStringLiteral("Options"), 120, 6);
  network_ = Button("tbNetwork", QStringLiteral("Net"), QStringLiteral("Network"), 92, 32);
  SetNetworkState(false, false);  // until the lock says whether it can suspend the network
  console_ = Button("tbConsole", QStringLiteral("Con"), QStringLiteral("Console"), 120, 32);
  help_ = Button("tbHelp", QStringLiteral("?"), QStringLiteral("Show Brivak Help"), 92, 58);
  connect(minimize_, &QToolButton::clicked, this, [this] {
    if (onMinimize) onMinimize();
  });
  connect(options_, &QToolButton::clicked, this, [this] {
    if (onOptions) onOptions();
  });
  connect(console_, &QToolButton::clicked, this, [this] {
    if (onConsoleToggle) onConsoleToggle();
  });
  connect(network_, &QToolButton::clicked, this, [this] {
    if (onNetwork) onNetwork();
  });
  connect(help_, &QToolButton::clicked, this, [this] {
    if (onHelp) onHelp();
  });

  notebook_ = new QStackedWidget(this);
  notebook_->setObjectName(QStringLiteral("Notebook1"));
  miniBrowserPage_ = new QWidget(notebook_);
  miniBrowserPage_->setObjectName(QStringLiteral("pageMiniBrowser"));
  memo_ = new QPlainTextEdit(notebook_);
  memo_->setObjectName(QStringLiteral("memConsole"));
  memo_->setReadOnly(true);
  memo_->setFocusPolicy(Qt::NoFocus);
  memo_->setStyleSheet(QStringLiteral("QPlainTextEdit { background: black; color: #c0c0c0; border: none; }"));
  memo_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  QFont mono(QStringLiteral("Courier New"));
  mono.setPixelSize(11);
  memo_->setFont(mono);
  memo_->viewport()->installEventFilter(this);
  notebook_->addWidget(miniBrowserPage_);
  notebook_->addWidget(memo_);

  panel_ = new QWidget(this);
  panel_->setObjectName(QStringLiteral("panSysInfo"));
  panel_->setAutoFillBackground(true);
  QPalette panelPal = panel_->palette();
  panelPal.setColor(QPalette::Window, kPanelColor);
  panel_->setPalette(panelPal);
  lblCPU_ = PanelRow(panel_, "lblCPU", QColor(0x80, 0xC0, 0xFF), 2);
  cpuGauge_ = Gauge(panel_, "gaugeCPU", 2);
  lblRAM_ = PanelRow(panel_, "lblRAM", QColor(0xFF, 0xC0, 0x80), 14);
  ramGauge_ = Gauge(panel_, "gaugeRAM", 14);
  lblBattery_ = PanelRow(panel_, "lblBattery", QColor(0x3F, 0xD6, 0x59), 26);
  batteryGauge_ = Gauge(panel_, "gaugeBattery", 26);
  batteryGauge_->hide();  // its value and colour are kept, the gauge itself is not shown
  lblTime_ = PanelRow(panel_, "lblTime", QColor(Qt::white), 38);
  lblTime_->setGeometry(4, 38, 110, 12);
  lblIdle_ = PanelRow(panel_, "lblIdle", QColor(0xC0, 0xC0, 0xC0), 50);
  lblIdle_->setGeometry(4, 50, 110, 12);
  lblIdle_->setCursor(Qt::PointingHandCursor);
  lblIdle_->installEventFilter(this);

  setFixedHeight(barHeight_);
  AdjustControlsToWidth();
}

QToolButton* BrivakBar::Button(const char* name, const QString& text, const QString& hint, int left, int top) {
  auto* b = new QToolButton(this);
  b->setObjectName(QLatin1String(name));
  b->setText(text);
  b->setToolTip(hint);
  b->setFocusPolicy(Qt::NoFocus);
  b->setGeometry(left, top, 26, 24);
  b->setStyleSheet(QStringLiteral("QToolButton { color: #e0e0e0; background: #404040; border: 1px solid #606060; }"
                                  "QToolButton:disabled { color: #707070; }"));
  return b;
}

void BrivakBar::AdjustControlsToWidth() {
  const int w = width();
  panel_->setGeometry(w - kPanelWidth - 5, 6, kPanelWidth, kPanelHeight);
  const int notebookHeight = barHeight_ == kTallHeight ? barHeight_ - 15 : kHeight - 15;
  notebook_->setGeometry(kNotebookLeft, 6, std::max(0, w - kNotebookMargin), std::max(0, notebookHeight));
  memo_->setVerticalScrollBarPolicy(barHeight_ == kTallHeight ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
  const bool collapsed = barHeight_ == kCollapsedHeight;
  for (QWidget* child : {static_cast<QWidget*>(tbBrivak_), static_cast<QWidget*>(minimize_),
                         static_cast<QWidget*>(options_), static_cast<QWidget*>(network_),
                         static_cast<QWidget*>(console_), static_cast<QWidget*>(help_),
                         static_cast<QWidget*>(notebook_)}) {
    child->setVisible(!collapsed);
  }
}

void BrivakBar::SetBarHeight(int height) {
  barHeight_ = height;
  setFixedHeight(height);
  AdjustControlsToWidth();
  if (auto* owner = parentWidget()) {
    move(0, owner->height() - height);
    resize(owner->width(), height);
  }
}

void BrivakBar::ToggleCollapsed() { SetBarHeight(barHeight_ == kCollapsedHeight ? kHeight : kCollapsedHeight); }

void BrivakBar::ToggleTall() { SetBarHeight(barHeight_ == kTallHeight ? kHeight : kTallHeight); }

void BrivakBar::SetMenuLook(MenuLook look) { tbBrivak_->setIcon(MenuIcon(look)); }

void BrivakBar::SetMenuReady(bool ready) { tbBrivak_->setEnabled(ready); }

void BrivakBar::ShowConsolePage(bool console) {
  notebook_->setCurrentIndex(console ? 1 : 0);
  console_->setToolTip(console ? QStringLiteral("Minibrowser") : QStringLiteral("Console"));
  console_->setText(console ? QStringLiteral("Web") : QStringLiteral("Con"));
}

bool BrivakBar::ConsolePageShown() const { return notebook_->currentIndex() == 1; }

void BrivakBar::SetConsoleLines(const std::vector<std::string>& lines) {
  if (lines.size() == consoleLines_ && (lines.empty() || lines.back() == lastConsoleLine_)) return;
  std::size_t chars = 0;
  for (const std::string& line : lines) chars += line.size() + 2;
  QString text;
  if (chars <= kMaxConsoleChars) {
    for (std::size_t i = 0; i < lines.size(); ++i) {
      if (i) text += QLatin1Char('\n');
      text += QString::fromStdString(lines[i]);
    }
  }
  consoleLines_ = lines.size();
  lastConsoleLine_ = lines.empty() ? std::string() : lines.back();
  memo_->setPlainText(text);
  memo_->verticalScrollBar()->setValue(memo_->verticalScrollBar()->maximum());
}

QString BrivakBar::ConsoleText() const { return memo_->toPlainText(); }

void BrivakBar::ShowSystemPanel(bool visible) { panel_->setVisible(visible); }

bool BrivakBar::SystemPanelShown() const { return !panel_->isHidden(); }

void BrivakBar::UpdateSystemPanel(const core::SystemPanelTexts& t) {
  const auto set = [](QLabel* label, const std::optional<std::string>& text) {
    if (text && label->text() != QString::fromStdString(*text)) label->setText(QString::fromStdString(*text));
  };
  set(lblCPU_, t.cpu);
  set(lblRAM_, t.ram);
  set(lblBattery_, t.battery);
  set(lblTime_, t.clock);
  set(lblIdle_, t.idle);
  if (t.ramHint) {
    lblRAM_->setToolTip(QString::fromStdString(*t.ramHint));
    ramGauge_->setToolTip(QString::fromStdString(*t.ramHint));
  }
  if (t.cpuGauge) cpuGauge_->setValue(*t.cpuGauge);
  if (t.ramGauge) ramGauge_->setValue(*t.ramGauge);
  if (t.batteryGauge) batteryGauge_->setValue(std::min(100, *t.batteryGauge));
  if (t.batteryColor) {
    batteryGauge_->setStyleSheet(QStringLiteral("QProgressBar::chunk { background: %1; }")
                                     .arg(SlfQColor(*t.batteryColor).name()));
  }
}

QLabel* BrivakBar::PanelLabel(const char* name) const { return panel_->findChild<QLabel*>(QLatin1String(name)); }

void BrivakBar::SetOptionsAvailable(bool available) { options_->setEnabled(available); }

void BrivakBar::SetNetworkState(bool available, bool suspended) {
  network_->setEnabled(available);
  network_->setText(suspended ? QStringLiteral("Off") : QStringLiteral("Net"));
  network_->setToolTip(suspended ? QStringLiteral("Network suspended, click to resume")
                                 : QStringLiteral("Network is normal, click to suspend"));
}

void BrivakBar::mouseDoubleClickEvent(QMouseEvent* event) {
  QWidget::mouseDoubleClickEvent(event);
  ToggleCollapsed();
}

bool BrivakBar::eventFilter(QObject* watched, QEvent* event) {
  if (watched == memo_->viewport() && event->type() == QEvent::MouseButtonDblClick) {
    ToggleTall();
    return true;
  }
  if (watched == lblIdle_ && event->type() == QEvent::MouseButtonPress) {
    if (onIdleClicked) onIdleClicked();
    return true;
  }
  return QWidget::eventFilter(watched, event);
}

void BrivakBar::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  AdjustControlsToWidth();
}

}  // namespace brivak::ui
