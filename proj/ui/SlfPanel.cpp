#include "proj/ui/SlfPanel.h"

#include <QEvent>
#include <QFrame>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPalette>
#include <QPixmap>
#include <QPointer>
#include <QProxyStyle>
#include <QPushButton>
#include <QToolButton>
#include <array>
#include <functional>
#include <optional>
#include <string>
#include <type_traits>
#include <utility>
#include <variant>
#include <vector>

#include "proj/ui/AnalogClock.h"
#include "proj/ui/SlfStyle.h"

namespace brivak::ui {

using core::SlfControl;
using core::SlfControlSpec;

namespace {

// The tag of every object a layout creates on the panel; the end of the lock frees exactly these.
constexpr int kSlfCreatedTag = 123456789;
constexpr char kTagProperty[] = "tag";
constexpr char kAutoSizeProperty[] = "slfAutoSize";
const QColor kFixedEditBack(Qt::white);
const QColor kFocusedUserBack(Qt::red);

// Runs `handler` for the events of the watched objects; true from it swallows the event.
class EventHook : public QObject {
 public:
  EventHook(QObject* parent, std::function<bool(QObject*, QEvent*)> handler)
      : QObject(parent), handler_(std::move(handler)) {}
  bool eventFilter(QObject* watched, QEvent* event) override { return handler_(watched, event); }

 private:
  std::function<bool(QObject*, QEvent*)> handler_;
};

Qt::Alignment QtAlignment(core::SlfAlignment a) {
  switch (a) {
    case core::SlfAlignment::Center:
      return Qt::AlignHCenter | Qt::AlignTop;
    case core::SlfAlignment::Right:
      return Qt::AlignRight | Qt::AlignTop;
    case core::SlfAlignment::Left:
      break;
  }
  return Qt::AlignLeft | Qt::AlignTop;
}

// Places a control; a missing width or height keeps the current one.
void Place(QWidget* w, const SlfControlSpec& s) {
  w->setGeometry(s.left, s.top, s.width.value_or(w->width()), s.height.value_or(w->height()));
}

// A label that sizes itself fits its caption (its width stays when it wraps words).
void Measure(QLabel* label) {
  if (!label->property(kAutoSizeProperty).toBool()) return;
  if (label->wordWrap()) {
    label->resize(label->width(), label->heightForWidth(label->width()));
  } else {
    label->resize(label->sizeHint());
  }
}

void SetCaption(QLabel* label, const QString& text) {
  if (label->text() == text) return;
  label->setText(text);
  Measure(label);
}

void StyleLabel(QLabel* label, const SlfControlSpec& s) {
  label->setFont(SlfQFont(s.font));
  const QString back = s.transparent ? QStringLiteral("transparent") : SlfCss(SlfQColor(s.backColor));
  label->setStyleSheet(QStringLiteral("QLabel { color: %1; background-color: %2; }")
                           .arg(SlfCss(SlfQColor(s.font.color)), back));
  label->setWordWrap(s.wordWrap);
  label->setAlignment(QtAlignment(s.alignment));
  Place(label, s);
  label->setProperty(kAutoSizeProperty, s.autoSize);
  label->setText(QString::fromStdString(s.caption));
  Measure(label);
}

void StyleFlatButton(QToolButton* b, const SlfControlSpec& s) {
  b->setFont(SlfQFont(s.font));
  b->setAutoRaise(s.flat);
  const QString back = s.transparent ? QStringLiteral("transparent") : SlfCss(SlfQColor(s.backColor));
  const QString border = s.flat ? QStringLiteral("none") : QStringLiteral("2px outset #808080");
  b->setStyleSheet(QStringLiteral("QToolButton { color: %1; background-color: %2; border: %3; }")
                       .arg(SlfCss(SlfQColor(s.font.color)), back, border));
  Place(b, s);
  b->setText(QString::fromStdString(s.caption));
}

void StyleButton(QPushButton* b, const SlfControlSpec& s) {
  b->setFont(SlfQFont(s.font));
  b->setStyleSheet(
      QStringLiteral("QPushButton { color: %1; background-color: %2; border: 2px outset #808080; }")
          .arg(SlfCss(SlfQColor(s.font.color)), SlfCss(SlfQColor(s.backColor))));
  Place(b, s);
  b->setText(QString::fromStdString(s.caption));
}

QString MessageCountText(int count) {
  return QString::number(count) + (count == 1 ? QStringLiteral(" Message") : QStringLiteral(" Messages"));
}

// The look of an edit: its colours and masking character (none: the text shows).
struct EditLook {
  QColor back = kFixedEditBack;
  QColor text = Qt::black;
  std::optional<QChar> mask;
};

}  // namespace

struct SlfPanel::Controls {
  QLineEdit* userName = nullptr;
  QLineEdit* password = nullptr;
  EditLook userLook;
  EditLook passwordLook{kFixedEditBack, Qt::black, QChar('*')};
  QToolButton* okFlat = nullptr;
  QToolButton* changeFlat = nullptr;
  QToolButton* leaveFlat = nullptr;
  QPushButton* ok = nullptr;
  QPushButton* change = nullptr;
  QPushButton* leave = nullptr;
  QLabel* messageCount = nullptr;
  QLabel* awayMessage = nullptr;
  QLabel* clock1 = nullptr;
  QLabel* clock2 = nullptr;
  QLabel* lockUptime = nullptr;
  QLabel* systemUptime = nullptr;
  AnalogClock* analog = nullptr;
  std::array<QWidget*, core::kSlfControlCount> byControl{};
  std::array<std::optional<SlfControlSpec>, core::kSlfControlCount> applied;
  std::vector<QPointer<QWidget>> created;
  QObject* hook = nullptr;  // the event filter of the edits and the message-count label

  QWidget* At(SlfControl c) const { return byControl[static_cast<std::size_t>(c)]; }
};

namespace {

// Supplies an edit's password character; everything else comes from the application's style.
class MaskStyle : public QProxyStyle {
 public:
  explicit MaskStyle(QChar mask) : mask_(mask) {}
  QChar Mask() const { return mask_; }
  int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                QStyleHintReturn* returnData) const override {
    if (hint == SH_LineEdit_PasswordCharacter) return mask_.unicode();
    return QProxyStyle::styleHint(hint, option, widget, returnData);
  }

 private:
  QChar mask_;
};

void StyleEdit(QLineEdit* edit, const EditLook& look, bool focused) {
  const QColor back = focused ? kFocusedUserBack : look.back;
  edit->setStyleSheet(
      QStringLiteral("QLineEdit { color: %1; background-color: %2; border: 1px solid #808080; }")
          .arg(SlfCss(look.text), SlfCss(back)));
  edit->setEchoMode(look.mask ? QLineEdit::Password : QLineEdit::Normal);
  if (!look.mask) return;
  // The edit reads its password character from its style when the style changes.
  auto* current = edit->findChild<MaskStyle*>(QString(), Qt::FindDirectChildrenOnly);
  if (current != nullptr && current->Mask() == *look.mask) return;
  auto* style = new MaskStyle(*look.mask);
  style->setParent(edit);  // freed with the edit
  edit->setStyle(style);
  delete current;
}

void ApplyEdit(QLineEdit* edit, EditLook& look, const SlfControlSpec& s, bool focused) {
  edit->setFont(SlfQFont(s.font));
  look.back = SlfQColor(s.backColor);
  look.text = SlfQColor(s.font.color);
  if (s.mask) look.mask = QChar(static_cast<unsigned char>(*s.mask));  // none: the edit's own masking
  StyleEdit(edit, look, focused);
  Place(edit, s);
}

QWidget* Create(QWidget* panel, LogSink* /*log*/, const core::SlfLabelSpec& item,
                std::vector<QWidget*>& /*windowed*/) {
  auto* label = new QLabel(panel);
  StyleLabel(label, item);
  label->show();
  return label;
}

QWidget* Create(QWidget* panel, LogSink* log, const core::SlfImageSpec& item,
                std::vector<QWidget*>& /*windowed*/) {
  auto* image = new QLabel(panel);
  image->setObjectName(QString::fromStdString(item.fileName));
  image->setAttribute(Qt::WA_TranslucentBackground);
  image->setStyleSheet(QStringLiteral("QLabel { background: transparent; border: none; }"));
  image->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  image->setGeometry(item.left, item.top, item.width, item.height);
  QImage picture(QString::fromStdString(item.path));
  if (picture.isNull()) {
    if (log != nullptr) log->Debug("SLF image could not be read: " + item.path);
  } else {
    QPixmap pixmap = QPixmap::fromImage(picture);
    if (item.transparent && !picture.hasAlphaChannel()) {
      // Pictures without their own transparency drop the colour of their bottom-left pixel.
      pixmap.setMask(pixmap.createMaskFromColor(picture.pixelColor(0, picture.height() - 1)));
    }
    image->setPixmap(pixmap);
    if (item.autoSize) image->resize(pixmap.size());
  }
  image->show();
  return image;
}

QWidget* Create(QWidget* panel, LogSink* /*log*/, const core::SlfBevelSpec& item,
                std::vector<QWidget*>& /*windowed*/) {
  auto* bevel = new QFrame(panel);
  bevel->setFrameShape(QFrame::Box);
  bevel->setFrameShadow(item.lowered ? QFrame::Sunken : QFrame::Raised);
  bevel->setAttribute(Qt::WA_TransparentForMouseEvents);
  bevel->setGeometry(item.left, item.top, item.width, item.height);
  bevel->show();
  bevel->lower();  // behind every other control
  return bevel;
}

QWidget* Create(QWidget* panel, LogSink* /*log*/, const core::SlfGroupBoxSpec& item,
                std::vector<QWidget*>& windowed) {
  auto* box = new QGroupBox(QString::fromStdString(item.caption), panel);
  box->setStyleSheet(QStringLiteral("QGroupBox { background-color: %1; border: 1px solid #808080; }")
                         .arg(SlfCss(SlfQColor(item.backColor))));
  box->setGeometry(item.left, item.top, item.width, item.height);
  box->show();
  windowed.push_back(box);
  return box;
}

QWidget* Create(QWidget* panel, LogSink* /*log*/, const core::SlfPluginSpec& item,
                std::vector<QWidget*>& windowed) {
  // The plug-in's window is placed here once the plug-in runner starts it; until then a frame.
  auto* area = new QLabel(QString::fromStdString(item.fileName), panel);
  area->setObjectName(QStringLiteral("SlfPluginArea"));
  area->setAlignment(Qt::AlignCenter);
  area->setStyleSheet(
      QStringLiteral("QLabel { color: #808080; background: transparent; border: 1px dashed #808080; }"));
  area->setGeometry(item.left, item.top, item.width, item.height);
  area->show();
  windowed.push_back(area);
  return area;
}

}  // namespace

SlfPanel::SlfPanel(QWidget* parent, LogSink* log)
    : QWidget(parent), c_(std::make_unique<Controls>()), log_(log) {
  setObjectName(QStringLiteral("panMain"));
  setAutoFillBackground(true);
  QPalette pal = palette();
  pal.setColor(QPalette::Window, Qt::black);  // the lock screen's own colour
  setPalette(pal);

  Controls& c = *c_;
  // Fixed controls with the lock screen's own defaults, until a layout places them.
  QFont editFont(QStringLiteral("Courier New"));
  editFont.setPixelSize(28);
  editFont.setBold(true);
  const auto makeEdit = [&](const char* name, EditLook& look) {
    auto* e = new QLineEdit(this);
    e->setObjectName(QLatin1String(name));
    e->setFont(editFont);
    e->resize(209, 26);
    StyleEdit(e, look, false);
    return e;
  };
  c.userName = makeEdit("edtUserName", c.userLook);
  c.password = makeEdit("edtPassword", c.passwordLook);

  const auto makeFlat = [&](const char* name, const char* caption, int w) {
    auto* b = new QToolButton(this);
    b->setObjectName(QLatin1String(name));
    b->setText(QLatin1String(caption));
    b->setAutoRaise(true);
    b->resize(w, 22);
    return b;
  };
  c.okFlat = makeFlat("tbExitOK", "OK", 65);
  c.changeFlat = makeFlat("tbChangePassword", "Change Password", 129);
  c.leaveFlat = makeFlat("tbLeaveMessage", "Leave a Message", 143);
  const auto makeButton = [&](const char* name, const char* caption, int w) {
    auto* b = new QPushButton(QLatin1String(caption), this);
    b->setObjectName(QLatin1String(name));
    b->resize(w, 25);
    return b;
  };
  c.ok = makeButton("btnExitOK", "OK", 75);
  c.change = makeButton("btnChangePassword", "Change Password", 121);
  c.leave = makeButton("btnLeaveMessage", "Leave a Message", 145);

  const auto makeLabel = [&](const char* name, const QString& caption) {
    auto* l = new QLabel(caption, this);
    l->setObjectName(QLatin1String(name));
    return l;
  };
  c.messageCount = makeLabel("lblMessageCount", MessageCountText(0));
  c.messageCount->setToolTip(QStringLiteral("Click to view messages (requires authorization)"));
  c.awayMessage = makeLabel("lblAwayMessage", QString());
  c.clock1 = makeLabel("lblClock1", QString());
  c.clock2 = makeLabel("lblClock2", QString());
  c.lockUptime = makeLabel("lblBrivakUptime", QString());
  c.systemUptime = makeLabel("lblSystemUptime", QString());
  c.analog = new AnalogClock(this);
  c.analog->setObjectName(QStringLiteral("AnalogClock1"));

  c.byControl = {c.userName, c.password,     c.okFlat,      c.ok,     c.changeFlat,
                 c.change,   c.leaveFlat,    c.leave,       c.messageCount, c.awayMessage,
                 c.analog,   c.clock1,       c.clock2,      c.lockUptime,   c.systemUptime};
  for (QWidget* w : c.byControl) w->hide();

  // Unlock box: both OK buttons and Enter in the password edit submit; Enter in the user-name edit
  // moves on to the password.
  const auto submit = [this] { emit okClicked(c_->userName->text(), c_->password->text()); };
  connect(c.okFlat, &QToolButton::clicked, this, submit);
  connect(c.ok, &QPushButton::clicked, this, submit);
  connect(c.password, &QLineEdit::returnPressed, this, submit);
  connect(c.userName, &QLineEdit::returnPressed, this, [this] { c_->password->setFocus(); });
  connect(c.changeFlat, &QToolButton::clicked, this, &SlfPanel::changePasswordClicked);
  connect(c.change, &QPushButton::clicked, this, &SlfPanel::changePasswordClicked);
  connect(c.leaveFlat, &QToolButton::clicked, this, &SlfPanel::leaveMessageClicked);
  connect(c.leave, &QPushButton::clicked, this, &SlfPanel::leaveMessageClicked);

  // The pointer over an edit focuses it; the user-name edit is red while it has the focus and
  // returns to the layout's colour after (so the layout's text colour stays readable).
  auto* hook = new EventHook(this, [this](QObject* watched, QEvent* event) {
    Controls& cc = *c_;
    if (watched == cc.userName || watched == cc.password) {
      auto* edit = static_cast<QLineEdit*>(watched);
      if (event->type() == QEvent::Enter) edit->setFocus(Qt::MouseFocusReason);
      if (watched == cc.userName && event->type() == QEvent::FocusIn) StyleEdit(edit, cc.userLook, true);
      if (watched == cc.userName && event->type() == QEvent::FocusOut) StyleEdit(edit, cc.userLook, false);
      return false;
    }
    if (watched == cc.messageCount) {
      const auto* mouse = dynamic_cast<QMouseEvent*>(event);
      if (mouse == nullptr || mouse->button() != Qt::LeftButton) return false;
      if (event->type() == QEvent::MouseButtonPress) {
        if (log_ != nullptr) log_->Debug("MessageCountLabel - Clicked");
        emit messageCountClicked();
        return true;
      }
      if (event->type() == QEvent::MouseButtonDblClick) {
        if (log_ != nullptr) log_->Debug("MessageCountLabel - Double Clicked");
        return true;
      }
    }
    return false;
  });
  c.hook = hook;
  c.userName->installEventFilter(hook);
  c.password->installEventFilter(hook);
  c.messageCount->installEventFilter(hook);

  // Before the first layout: the password edit with the OK button beside it, so the panel is
  // never without an unlock box.
  c.password->move(10, 44);
  c.ok->move(c.password->geometry().right() + 11, 44);
  c.password->show();
  c.ok->show();
}

SlfPanel::~SlfPanel() {
  // The children outlive c_ (QWidget frees them later) and still send events while they go.
  delete c_->hook;
}

void SlfPanel::Apply(const core::SlfLayout& layout) {
  Controls& c = *c_;
  // An earlier layout's objects stay (hidden) until the end of the lock.
  for (const QPointer<QWidget>& w : c.created) {
    if (w) w->hide();
  }
  for (QWidget* w : c.byControl) w->hide();
  c.analog->setEnabled(false);

  if (layout.panelColor) {
    QPalette pal = palette();
    pal.setColor(QPalette::Window, SlfQColor(*layout.panelColor));
    setPalette(pal);
  }

  for (std::size_t i = 0; i < core::kSlfControlCount; ++i) {
    const auto control = static_cast<SlfControl>(i);
    c.applied[i] = layout.fixed[i];
    if (!layout.fixed[i]) continue;
    const SlfControlSpec& s = *layout.fixed[i];
    QWidget* w = c.byControl[i];
    switch (control) {
      case SlfControl::UserNameBox:
        ApplyEdit(c.userName, c.userLook, s, c.userName->hasFocus());
        break;
      case SlfControl::PasswordBox:
        ApplyEdit(c.password, c.passwordLook, s, false);
        break;
      case SlfControl::OkButtonFlat:
      case SlfControl::ChangePasswordButtonFlat:
      case SlfControl::LeaveMessageButtonFlat:
        StyleFlatButton(static_cast<QToolButton*>(w), s);
        break;
      case SlfControl::OkButton:
      case SlfControl::ChangePasswordButton:
      case SlfControl::LeaveMessageButton:
        StyleButton(static_cast<QPushButton*>(w), s);
        break;
      case SlfControl::AnalogClock:
        Place(c.analog, s);
        c.analog->SetFaceColor(SlfQColor(s.backColor));
        c.analog->SetDotsColor(SlfQColor(s.dotsColor));
        c.analog->SetHandColor(SlfQColor(s.font.color));
        c.analog->SetShowSeconds(s.showSeconds);
        c.analog->setEnabled(true);
        break;
      case SlfControl::MessageCountLabel:
      case SlfControl::AwayMessageLabel:
      case SlfControl::ClockLabel1:
      case SlfControl::ClockLabel2:
      case SlfControl::BrivakUptimeLabel:
      case SlfControl::SystemUptimeLabel:
        StyleLabel(static_cast<QLabel*>(w), s);
        break;
    }
    w->setVisible(s.visible);
  }

  std::vector<QWidget*> windowed;  // drawn above labels and images, like the fixed edits and buttons
  for (const core::SlfCreated& item : layout.created) {
    QWidget* w = std::visit(
        [this, &windowed](const auto& object) { return Create(this, log_, object, windowed); }, item);
    w->setProperty(kTagProperty, kSlfCreatedTag);
    c.created.emplace_back(w);
  }
  // Edits, buttons and the analog clock stay above labels and pictures; created group boxes and
  // plug-in areas follow in file order. Bevels were sent to the back when created.
  for (QWidget* w : c.byControl) {
    if (!qobject_cast<QLabel*>(w)) w->raise();
  }
  for (QWidget* w : windowed) w->raise();
}

void SlfPanel::FreeCreated() {
  for (QPointer<QWidget>& w : c_->created) delete w.data();
  c_->created.clear();
}

void SlfPanel::Tick(const platform::LocalTime& now, std::int64_t lockUptimeSec,
                    std::int64_t systemUptimeSec) {
  Controls& c = *c_;
  for (const SlfControl control : {SlfControl::ClockLabel1, SlfControl::ClockLabel2,
                                   SlfControl::BrivakUptimeLabel, SlfControl::SystemUptimeLabel}) {
    const std::optional<SlfControlSpec>& item = c.applied[static_cast<std::size_t>(control)];
    auto* label = static_cast<QLabel*>(c.At(control));
    if (!item || label->isHidden()) continue;
    if (const std::optional<std::string> text =
            core::SlfLiveLabelText(control, *item, now, lockUptimeSec, systemUptimeSec)) {
      SetCaption(label, QString::fromStdString(*text));
    }
  }
  if (!c.analog->isHidden()) c.analog->SetTime(now.hour, now.minute, now.second);
}

void SlfPanel::SetMessageCount(int count) { SetCaption(c_->messageCount, MessageCountText(count)); }

void SlfPanel::SetAwayMessage(const QString& text) { SetCaption(c_->awayMessage, text); }

void SlfPanel::FocusBox() {
  if (!c_->password->isHidden()) {
    c_->password->setFocus(Qt::OtherFocusReason);
  } else if (!c_->userName->isHidden()) {
    c_->userName->setFocus(Qt::OtherFocusReason);
  }
}

void SlfPanel::ClearPassword() { c_->password->clear(); }

void SlfPanel::ClearBoth() {
  c_->userName->clear();
  c_->password->clear();
}

QLineEdit* SlfPanel::UserNameEdit() const { return c_->userName; }
QLineEdit* SlfPanel::PasswordEdit() const { return c_->password; }
QWidget* SlfPanel::Control(SlfControl control) const { return c_->At(control); }

bool SlfPanel::HasUnlockBox() const { return !c_->password->isHidden(); }

}  // namespace brivak::ui
