#include "proj/ui/MessageDialogs.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QTimer>

#include <gtest/gtest.h>

namespace brivak::ui {
namespace {

core::AwayPickerRequest Request(std::int32_t seconds, bool countdown) {
  return {"Away", "Default text", {{"Lunch", "Gone To Lunch"}, {"Meeting", "In a meeting"}, {"Meeting", "Later"}},
          seconds, countdown};
}

TEST(MessageDialogsTest, ThePickerClosesWithTheDefaultWhenItsCountdownRunsOut) {
  TfrmPickAwayMsg untouched(nullptr, Request(1, true));
  EXPECT_EQ(untouched.StatusText(), QStringLiteral("Using default message in 1 seconds"));
  QElapsedTimer elapsed;
  elapsed.start();
  QTimer guard;
  guard.setSingleShot(true);
  QObject::connect(&guard, &QTimer::timeout, &untouched, &QDialog::reject);
  guard.start(5000);
  const int result = untouched.exec();
  EXPECT_EQ(result, QDialog::Accepted);
  EXPECT_LT(elapsed.elapsed(), 4000);
  EXPECT_GE(elapsed.elapsed(), 900) << "two steps: 1, then 0 a second later";
  EXPECT_EQ(untouched.Chosen(), "Default text");
}

TEST(MessageDialogsTest, ZeroClosesAtOnceAndANegativeCountWaits) {
  TfrmPickAwayMsg zero(nullptr, Request(0, true));
  EXPECT_EQ(zero.exec(), QDialog::Accepted);
  EXPECT_EQ(zero.Chosen(), "Default text");

  TfrmPickAwayMsg negative(nullptr, Request(-1, true));
  QTimer later;
  later.setSingleShot(true);
  bool stillOpen = false;
  QObject::connect(&later, &QTimer::timeout, &negative, [&] {
    stillOpen = negative.isVisible();
    negative.Ok();
  });
  later.start(1500);
  negative.exec();
  EXPECT_TRUE(stillOpen);
  EXPECT_EQ(negative.Chosen(), "Away");
}

TEST(MessageDialogsTest, PresetsOkDefaultAndEsc) {
  {
    TfrmPickAwayMsg picker(nullptr, Request(10, true));
    picker.ChoosePreset(1);
    EXPECT_EQ(picker.StatusText(), QString()) << "choosing a preset stops the countdown";
    EXPECT_EQ(picker.Text()->toPlainText(), QStringLiteral("In a meeting"));
    picker.ChoosePreset(2);
    EXPECT_EQ(picker.Text()->toPlainText(), QStringLiteral("In a meeting")) << "a shared name: the first text";
    picker.Ok();
    EXPECT_EQ(picker.Chosen(), "In a meeting");
  }
  {
    TfrmPickAwayMsg picker(nullptr, Request(10, true));
    picker.Text()->setPlainText(QString());
    picker.Ok();
    EXPECT_EQ(picker.Chosen(), "") << "an emptied box gives an empty message";
  }
  {
    TfrmPickAwayMsg picker(nullptr, Request(10, false));
    EXPECT_EQ(picker.StatusText(), QStringLiteral("Using default message in 10 seconds"));
    picker.reject();  // Esc
    EXPECT_EQ(picker.Chosen(), "Default text");
  }
}

TEST(MessageDialogsTest, TheNoteFormWarnsInOrderAndFilesWhatIsShown) {
  core::MessageSettings settings;
  settings.askName = settings.reqName = true;
  settings.askEmail = settings.reqEmail = true;
  std::vector<std::string> warnings;
  TfrmLeaveMessage form(nullptr, settings, [&](QWidget*, const std::string& text) { warnings.push_back(text); });
  form.LeaveNote();
  form.From()->setText(QStringLiteral("ann"));
  form.LeaveNote();
  form.Email()->setText(QStringLiteral("ann@example.org"));
  form.LeaveNote();
  form.Message()->setPlainText(QStringLiteral("back at 2"));
  form.Subject()->setText(QStringLiteral("hidden panel"));
  form.LeaveNote();
  EXPECT_EQ(warnings, (std::vector<std::string>{"You must enter in your name into the From field.",
                                                "You must enter in a valid email address.",
                                                "You must enter a message!"}));
  ASSERT_TRUE(form.Entry());
  EXPECT_EQ(form.Entry()->from, "ann");
  EXPECT_EQ(form.Entry()->subject, "") << "the subject panel is hidden";
  EXPECT_EQ(form.Entry()->message, "back at 2");
}

TEST(MessageDialogsTest, TheReadersButtonsShowTheMessageTheySelect) {
  core::TMessageList list;
  list.NewMessage({}, "ann", "one", "first body");
  list.NewMessage({}, "bob", "two", "second body");
  list.NewMessage({}, "cy", "three", "third body");
  TfrmMessages reader(nullptr, list);
  ASSERT_EQ(reader.List()->count(), 3);
  EXPECT_EQ(reader.List()->item(2)->text(), QStringLiteral("Message 3"));
  EXPECT_TRUE(reader.ShownText().startsWith(QStringLiteral("From   : ann\nSubject: one\nTime   : ")));
  EXPECT_TRUE(reader.ShownText().endsWith(QStringLiteral("\n\n\nfirst body")));
  reader.Last();
  EXPECT_TRUE(reader.ShownText().endsWith(QStringLiteral("third body")));
  EXPECT_EQ(reader.List()->currentRow(), 2);
  reader.Previous();
  EXPECT_TRUE(reader.ShownText().endsWith(QStringLiteral("second body")));
  reader.First();
  reader.Previous();
  EXPECT_TRUE(reader.ShownText().endsWith(QStringLiteral("first body")));
  reader.Next();
  EXPECT_TRUE(reader.ShownText().endsWith(QStringLiteral("second body")));
}

}  // namespace
}  // namespace brivak::ui
