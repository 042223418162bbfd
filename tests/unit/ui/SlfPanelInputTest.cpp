// The unlock panel's behaviour: OK from both buttons and Enter, moving between the edits, focus
// colours, the message-count label, and the live clock and uptime labels.
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QToolButton>
#include <chrono>
#include <utility>
#include <vector>
#include <gtest/gtest.h>

#include "RecordingLog.h"
#include "SlfTestSupport.h"
#include "proj/ui/AnalogClock.h"
#include "proj/ui/SlfPanel.h"

namespace brivak::ui {
namespace {

using core::SlfControl;
using testing::Press;
using testing::SlfFromText;
using testing::Type;

constexpr char kUnlockBox[] =
    "[EXITUSERNAMEBOX]\ntop=0\nmask=\n[EXITPASSWORDBOX]\ntop=40\n[EXITOKBUTTON2]\nleft=250\n";

// Records okClicked; counts the other signals.
struct Signals {
  explicit Signals(SlfPanel& panel) {
    QObject::connect(&panel, &SlfPanel::okClicked,
                     [this](const QString& u, const QString& p) { ok.emplace_back(u, p); });
    QObject::connect(&panel, &SlfPanel::changePasswordClicked, [this] { ++change; });
    QObject::connect(&panel, &SlfPanel::leaveMessageClicked, [this] { ++leave; });
    QObject::connect(&panel, &SlfPanel::messageCountClicked, [this] { ++messages; });
  }
  std::vector<std::pair<QString, QString>> ok;
  int change = 0, leave = 0, messages = 0;
};

// Shows the panel as the active window so that focus behaves as on a desktop.
bool ShowActive(QWidget& w) {
  w.show();
  w.activateWindow();
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (QApplication::activeWindow() != &w && std::chrono::steady_clock::now() < deadline) {
    QApplication::processEvents(QEventLoop::AllEvents, 20);
  }
  return QApplication::activeWindow() == &w;
}

TEST(SlfPanelInput, EnterInThePasswordEditSubmitsTheTypedTexts) {
  SlfPanel panel;
  panel.Apply(SlfFromText(kUnlockBox));
  Signals sig(panel);
  Type(panel.UserNameEdit(), "bob");
  Type(panel.PasswordEdit(), "secret");
  ASSERT_TRUE(sig.ok.empty());
  Press(panel.PasswordEdit(), Qt::Key_Return);
  ASSERT_EQ(sig.ok.size(), 1u);
  EXPECT_EQ(sig.ok[0].first, "bob");
  EXPECT_EQ(sig.ok[0].second, "secret");
}

TEST(SlfPanelInput, BothOkButtonsSubmitAndOtherButtonsSignal) {
  SlfPanel panel;
  panel.Apply(SlfFromText(
      "[EXITPASSWORDBOX]\n[EXITOKBUTTON2]\n[CHANGEPASSWORDBUTTON2]\n[LEAVEMESSAGEBUTTON2]\n"));
  Signals sig(panel);
  panel.PasswordEdit()->setText("pw");
  for (const SlfControl c : {SlfControl::OkButtonFlat, SlfControl::OkButton}) {
    qobject_cast<QAbstractButton*>(panel.Control(c))->click();
  }
  ASSERT_EQ(sig.ok.size(), 2u);
  EXPECT_EQ(sig.ok[1].second, "pw");
  for (const SlfControl c : {SlfControl::ChangePasswordButtonFlat, SlfControl::ChangePasswordButton,
                             SlfControl::LeaveMessageButtonFlat}) {
    qobject_cast<QAbstractButton*>(panel.Control(c))->click();
  }
  EXPECT_EQ(sig.change, 2);
  EXPECT_EQ(sig.leave, 1);
  EXPECT_EQ(sig.ok.size(), 2u);
}

TEST(SlfPanelInput, EnterInTheUserNameMovesToThePasswordAndFocusColours) {
  SlfPanel panel;
  panel.resize(400, 200);
  panel.Apply(SlfFromText(std::string(kUnlockBox) + "[EXITUSERNAMEBOX2]\nbackcolor=clNavy\nmask=\n"));
  ASSERT_TRUE(ShowActive(panel));
  Signals sig(panel);
  QLineEdit* user = panel.UserNameEdit();
  QLineEdit* password = panel.PasswordEdit();

  QEvent enter(QEvent::Enter);
  QApplication::sendEvent(user, &enter);  // the pointer over the edit focuses it
  EXPECT_TRUE(user->hasFocus());
  EXPECT_EQ(user->grab().toImage().pixelColor(user->width() - 4, user->height() / 2), QColor(255, 0, 0));

  Press(user, Qt::Key_Return);
  EXPECT_TRUE(password->hasFocus());
  EXPECT_TRUE(sig.ok.empty());
  EXPECT_EQ(user->grab().toImage().pixelColor(user->width() - 4, user->height() / 2), QColor(0, 0, 128));

  QApplication::sendEvent(user, &enter);
  EXPECT_TRUE(user->hasFocus());
  QApplication::sendEvent(password, &enter);
  EXPECT_TRUE(password->hasFocus());
}

TEST(SlfPanelInput, FocusBoxPrefersThePasswordEdit) {
  SlfPanel panel;
  panel.Apply(SlfFromText(kUnlockBox));
  ASSERT_TRUE(ShowActive(panel));
  panel.UserNameEdit()->setFocus();
  panel.FocusBox();
  EXPECT_TRUE(panel.PasswordEdit()->hasFocus());

  panel.Apply(SlfFromText("[EXITUSERNAMEBOX]\n[EXITPASSWORDBOX]\nvisible=0\n"));
  panel.setFocus();
  panel.FocusBox();
  EXPECT_TRUE(panel.UserNameEdit()->hasFocus());
  EXPECT_FALSE(panel.HasUnlockBox());
}

TEST(SlfPanelInput, ClearPasswordAndClearBoth) {
  SlfPanel panel;
  panel.Apply(SlfFromText(kUnlockBox));
  panel.UserNameEdit()->setText("u");
  panel.PasswordEdit()->setText("p");
  panel.ClearPassword();
  EXPECT_EQ(panel.UserNameEdit()->text(), "u");
  EXPECT_TRUE(panel.PasswordEdit()->text().isEmpty());
  panel.PasswordEdit()->setText("p");
  panel.ClearBoth();
  EXPECT_TRUE(panel.UserNameEdit()->text().isEmpty());
  EXPECT_TRUE(panel.PasswordEdit()->text().isEmpty());
}

TEST(SlfPanelInput, MessageCountLabelClickAndDoubleClick) {
  testing::RecordingLog log;
  SlfPanel panel(nullptr, &log);
  panel.Apply(SlfFromText("[EXITPASSWORDBOX]\n[MESSAGECOUNTLABEL]\nleft=5\n"));
  auto* label = qobject_cast<QLabel*>(panel.Control(SlfControl::MessageCountLabel));
  ASSERT_NE(label, nullptr);
  EXPECT_EQ(label->text(), "0 Messages");
  EXPECT_EQ(label->toolTip(), "Click to view messages (requires authorization)");
  Signals sig(panel);

  const QPointF at(2, 2);
  QMouseEvent press(QEvent::MouseButtonPress, at, label->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton,
                    Qt::NoModifier);
  QApplication::sendEvent(label, &press);
  EXPECT_EQ(sig.messages, 1);
  EXPECT_EQ(testing::RecordingLog::Count(log.debug, "MessageCountLabel - Clicked"), 1);

  QMouseEvent dbl(QEvent::MouseButtonDblClick, at, label->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton,
                  Qt::NoModifier);
  QApplication::sendEvent(label, &dbl);
  EXPECT_EQ(sig.messages, 1);
  EXPECT_EQ(testing::RecordingLog::Count(log.debug, "MessageCountLabel - Double Clicked"), 1);

  panel.SetMessageCount(1);
  EXPECT_EQ(label->text(), "1 Message");
  panel.SetMessageCount(12);
  EXPECT_EQ(label->text(), "12 Messages");
  EXPECT_EQ(label->size(), label->sizeHint());  // autosize re-measures
}

TEST(SlfPanelInput, TickWritesClockLabelsInTheirFormat) {
  SlfPanel panel;
  panel.Apply(SlfFromText("[EXITPASSWORDBOX]\n[CLOCKLABEL]\nformat=hh:nn:ss\n[CLOCKLABEL2]\nleft=9\n"
                          "[ANALOGCLOCK]\n"));
  const platform::LocalTime now{2024, 3, 5, 14, 7, 9, 0, 2};
  panel.Tick(now, 0, 0);
  auto* clock1 = qobject_cast<QLabel*>(panel.Control(SlfControl::ClockLabel1));
  auto* clock2 = qobject_cast<QLabel*>(panel.Control(SlfControl::ClockLabel2));
  // "CLOCKLABEL2" configures clock label 1 as well, so both end at its place.
  EXPECT_EQ(clock1->x(), 9);
  EXPECT_EQ(clock1->text(), "2:07:09 pm");
  EXPECT_EQ(clock2->text(), "2:07:09 pm");
  EXPECT_EQ(clock2->size(), clock2->sizeHint());
  auto* analog = qobject_cast<AnalogClock*>(panel.Control(SlfControl::AnalogClock));
  EXPECT_EQ(analog->Hour(), 14);
  EXPECT_EQ(analog->Minute(), 7);
  EXPECT_EQ(analog->Second(), 9);

  panel.Apply(SlfFromText("[EXITPASSWORDBOX]\n[CLOCKLABEL]\nformat=hh:nn:ss\n"));
  panel.Tick({2024, 3, 5, 8, 1, 2, 0, 2}, 0, 0);
  EXPECT_EQ(clock1->text(), "08:01:02");
  EXPECT_EQ(clock2->text(), "2:07:09 pm");  // hidden: not refreshed
}

TEST(SlfPanelInput, TickWritesUptimes) {
  struct Case {
    std::int64_t seconds;
    const char* text;
  };
  SlfPanel panel;
  panel.Apply(SlfFromText("[EXITPASSWORDBOX]\n[BRIVAKUPTIMELABEL]\n[SYSTEMUPTIMELABEL]\ntop=30\n"));
  auto* lock = qobject_cast<QLabel*>(panel.Control(SlfControl::BrivakUptimeLabel));
  auto* system = qobject_cast<QLabel*>(panel.Control(SlfControl::SystemUptimeLabel));
  for (const Case& c : {Case{5, "5 sec"}, Case{75, "1 min 15 sec"}, Case{3725, "1 hrs 2 min 5 sec"},
                        Case{90061, "1 days 1 hrs 1 min 1 sec"}}) {
    panel.Tick({}, c.seconds, c.seconds + 60);
    EXPECT_EQ(lock->text().toStdString(), c.text);
  }
  EXPECT_EQ(system->text().toStdString(), "1 days 1 hrs 2 min 1 sec");
}

}  // namespace
}  // namespace brivak::ui
