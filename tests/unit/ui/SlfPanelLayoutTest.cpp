// The unlock panel draws a layout model: fixed controls placed, styled, shown or hidden; created
// labels, images, bevels, group boxes and plug-in areas added and freed at the end of the lock.
#include <QFrame>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <gtest/gtest.h>

#include "SlfTestSupport.h"
#include "proj/ui/AnalogClock.h"
#include "proj/ui/SlfPanel.h"
#include "tests/support/TempDir.h"

namespace brivak::ui {
namespace {

using core::SlfControl;
using testing::CreatedObjects;
using testing::SlfFromText;
using testing::Stacking;

std::vector<SlfControl> AllControls() {
  std::vector<SlfControl> all;
  for (std::size_t i = 0; i < core::kSlfControlCount; ++i) all.push_back(static_cast<SlfControl>(i));
  return all;
}

TEST(SlfPanelLayout, FixedControlsBeforeTheFirstLoad) {
  SlfPanel panel;
  EXPECT_EQ(panel.objectName(), "panMain");
  for (QLineEdit* edit : {panel.UserNameEdit(), panel.PasswordEdit()}) {
    EXPECT_EQ(edit->size(), QSize(209, 26));
    EXPECT_EQ(edit->font().family(), "Courier New");
    EXPECT_EQ(edit->font().pixelSize(), 28);
    EXPECT_TRUE(edit->font().bold());
  }
  EXPECT_EQ(panel.UserNameEdit()->echoMode(), QLineEdit::Normal);
  panel.PasswordEdit()->setText("ab");
  EXPECT_EQ(panel.PasswordEdit()->displayText(), "**");

  struct Button {
    SlfControl control;
    QSize size;
    QString caption;
  };
  for (const Button& b : {Button{SlfControl::OkButtonFlat, {65, 22}, "OK"},
                          Button{SlfControl::ChangePasswordButtonFlat, {129, 22}, "Change Password"},
                          Button{SlfControl::LeaveMessageButtonFlat, {143, 22}, "Leave a Message"},
                          Button{SlfControl::OkButton, {75, 25}, "OK"},
                          Button{SlfControl::ChangePasswordButton, {121, 25}, "Change Password"},
                          Button{SlfControl::LeaveMessageButton, {145, 25}, "Leave a Message"}}) {
    auto* w = qobject_cast<QAbstractButton*>(panel.Control(b.control));
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->size(), b.size) << b.caption.toStdString();
    EXPECT_EQ(w->text(), b.caption);
  }
  EXPECT_TRUE(panel.HasUnlockBox());
}

TEST(SlfPanelLayout, ShippedSimpleLayoutShowsItsControlsWhereTheFileSays) {
  SlfPanel panel;
  panel.resize(800, 600);
  const core::SlfLayout layout = core::LoadSlfLayoutFile(testing::ShippedSlfLayout("simple.ini"), {});
  ASSERT_TRUE(layout.problems.empty());
  panel.Apply(layout);

  // One button of each kind: a section named ...2 would configure the flat one as well.
  const std::vector<SlfControl> shown = {SlfControl::UserNameBox,       SlfControl::PasswordBox,
                                         SlfControl::OkButtonFlat,      SlfControl::LeaveMessageButtonFlat,
                                         SlfControl::MessageCountLabel, SlfControl::AwayMessageLabel,
                                         SlfControl::AnalogClock,       SlfControl::ClockLabel1};
  for (const SlfControl c : AllControls()) {
    const bool expected = std::find(shown.begin(), shown.end(), c) != shown.end();
    EXPECT_EQ(!panel.Control(c)->isHidden(), expected) << panel.Control(c)->objectName().toStdString();
  }
  EXPECT_EQ(panel.UserNameEdit()->geometry(), QRect(500, 415, 280, 28));
  EXPECT_EQ(panel.PasswordEdit()->geometry(), QRect(500, 475, 200, 28));
  auto* ok = qobject_cast<QToolButton*>(panel.Control(SlfControl::OkButtonFlat));
  EXPECT_EQ(ok->geometry(), QRect(705, 475, 75, 28));
  EXPECT_EQ(ok->text(), "OK");
  EXPECT_FALSE(ok->autoRaise());  // flat=0
  EXPECT_TRUE(ok->font().bold());
  EXPECT_EQ(panel.UserNameEdit()->font().family(), "DejaVu Sans Mono");
  EXPECT_EQ(panel.UserNameEdit()->font().pointSize(), 12);
  EXPECT_TRUE(panel.HasUnlockBox());

  const QList<QWidget*> created = CreatedObjects(panel);
  ASSERT_EQ(created.size(), 4);  // the title, the frame and the two captions inside it
  QLabel* title = nullptr;
  for (QWidget* w : created) {
    auto* label = qobject_cast<QLabel*>(w);
    if (label && label->text() == "This workstation is locked") title = label;
  }
  ASSERT_NE(title, nullptr);
  EXPECT_EQ(title->geometry(), QRect(340, 320, 600, 40));  // autosize=0
  EXPECT_EQ(title->font().pointSize(), 22);
  EXPECT_TRUE(title->font().bold());

  // The background colour $00302010 (blue 30, green 20, red 10) fills the panel.
  const QImage image = panel.grab().toImage();
  EXPECT_EQ(image.pixelColor(20, 20), QColor(0x10, 0x20, 0x30));
}

TEST(SlfPanelLayout, PasswordAndStandardOkSectionsShowExactlyThoseControls) {
  SlfPanel panel;
  panel.Apply(SlfFromText("[EXITPASSWORDBOX]\nleft=30\ntop=40\n[EXITOKBUTTON2]\nleft=250\ntop=40\n"
                          "width=90\nheight=30\ncaption=Go\n"));
  const std::vector<SlfControl> shown = {SlfControl::PasswordBox, SlfControl::OkButtonFlat,
                                         SlfControl::OkButton};
  for (const SlfControl c : AllControls()) {
    const bool expected = std::find(shown.begin(), shown.end(), c) != shown.end();
    EXPECT_EQ(!panel.Control(c)->isHidden(), expected) << panel.Control(c)->objectName().toStdString();
  }
  EXPECT_EQ(panel.PasswordEdit()->geometry(), QRect(30, 40, 200, 26));
  for (const SlfControl c : {SlfControl::OkButtonFlat, SlfControl::OkButton}) {
    auto* b = qobject_cast<QAbstractButton*>(panel.Control(c));
    EXPECT_EQ(b->geometry(), QRect(250, 40, 90, 30));
    EXPECT_EQ(b->text(), "Go");
  }
}

TEST(SlfPanelLayout, OkButtonWithoutSizeKeepsItsCurrentSize) {
  SlfPanel panel;
  panel.Apply(SlfFromText("[EXITPASSWORDBOX]\n[EXITOKBUTTON]\nleft=5\ntop=6\n"));
  EXPECT_EQ(panel.Control(SlfControl::OkButtonFlat)->geometry(), QRect(5, 6, 65, 22));
  EXPECT_TRUE(qobject_cast<QToolButton*>(panel.Control(SlfControl::OkButtonFlat))->autoRaise());
}

TEST(SlfPanelLayout, MaskRules) {
  struct Case {
    const char* section;
    const char* maskLine;
    QString shown;  // "ab" typed
  };
  const Case cases[] = {
      {"EXITUSERNAMEBOX", "", "**"},         {"EXITUSERNAMEBOX", "mask=\n", "ab"},
      {"EXITUSERNAMEBOX", "mask=#\n", "##"}, {"EXITPASSWORDBOX", "", "**"},
      {"EXITPASSWORDBOX", "mask=\n", "**"},  {"EXITPASSWORDBOX", "mask=#x\n", "##"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.section) + " " + c.maskLine);
    SlfPanel panel;
    const bool user = std::string(c.section) == "EXITUSERNAMEBOX";
    const std::string other = user ? "[EXITPASSWORDBOX]\n" : "[EXITUSERNAMEBOX]\n";
    panel.Apply(SlfFromText(other + "[" + c.section + "]\n" + c.maskLine));
    QLineEdit* edit = user ? panel.UserNameEdit() : panel.PasswordEdit();
    edit->setText("ab");
    EXPECT_EQ(edit->displayText(), c.shown);
    EXPECT_EQ(edit->text(), "ab");
  }
}

TEST(SlfPanelLayout, EmptyMaskKeepsTheMaskOfAnEarlierLayout) {
  SlfPanel panel;
  panel.Apply(SlfFromText("[EXITPASSWORDBOX]\nmask=#\n"));
  panel.Apply(SlfFromText("[EXITPASSWORDBOX]\nmask=\n"));
  panel.PasswordEdit()->setText("abc");
  EXPECT_EQ(panel.PasswordEdit()->displayText(), "###");
}

TEST(SlfPanelLayout, BevelRaisedOneIsLoweredAndSitsBehindEverything) {
  SlfPanel panel;
  panel.Apply(SlfFromText("[EXITPASSWORDBOX]\n[LABEL1]\ncaption=x\n[BEVEL1]\nraised=1\n"
                          "[MYBEVEL]\nraised=0\nleft=5\n[IMAGEWITHOUTFILE]\n"));
  QFrame* first = nullptr;   // BEVEL1
  QFrame* second = nullptr;  // MYBEVEL
  for (QWidget* w : CreatedObjects(panel)) {
    auto* f = qobject_cast<QFrame*>(w);
    if (f == nullptr || qobject_cast<QLabel*>(w) != nullptr) continue;
    (f->x() == 5 ? second : first) = f;
  }
  ASSERT_TRUE(first != nullptr && second != nullptr);
  EXPECT_EQ(first->frameShadow(), QFrame::Sunken);
  EXPECT_EQ(first->geometry(), QRect(0, 0, 200, 26));
  EXPECT_EQ(second->frameShadow(), QFrame::Raised);
  const QList<QWidget*> stack = Stacking(panel);
  ASSERT_GE(stack.size(), 2);
  // Each bevel went to the back when created, so the later one is the lowest.
  EXPECT_EQ(stack.indexOf(second), 0);
  EXPECT_EQ(stack.indexOf(first), 1);
  // The edits and buttons stay above created labels.
  QLabel* label = nullptr;
  for (QWidget* w : CreatedObjects(panel)) {
    if (auto* l = qobject_cast<QLabel*>(w)) label = l;
  }
  ASSERT_NE(label, nullptr);
  EXPECT_GT(stack.indexOf(panel.PasswordEdit()), stack.indexOf(label));
}

TEST(SlfPanelLayout, LabelSectionsCreateLabelsWithTheirFont) {
  SlfPanel panel;
  panel.Apply(SlfFromText("[EXITPASSWORDBOX]\n[LABEL1]\nleft=7\ntop=8\ncaption=One\n"
                          "font=,DejaVu Serif,14,bius,clRed,1,\ntransparent=0\nbackcolor=clBlue\n"
                          "[LABELx]\nwordwrap=1\n[Label]\n[MYLABEL]\n"));
  const QList<QWidget*> created = CreatedObjects(panel);
  ASSERT_EQ(created.size(), 3);
  auto* one = qobject_cast<QLabel*>(created[0]);
  ASSERT_NE(one, nullptr);
  EXPECT_EQ(one->geometry(), QRect(7, 8, 200, 26));
  EXPECT_EQ(one->text(), "One");
  EXPECT_EQ(one->font().family(), "DejaVu Serif");
  EXPECT_EQ(one->font().pointSize(), 14);
  EXPECT_TRUE(one->font().bold() && one->font().italic() && one->font().underline() &&
              one->font().strikeOut());
  EXPECT_TRUE(qobject_cast<QLabel*>(created[1])->wordWrap());
  EXPECT_EQ(qobject_cast<QLabel*>(created[2])->text(), "defaultCaption");

  panel.resize(300, 100);
  const QImage image = panel.grab().toImage();
  EXPECT_EQ(image.pixelColor(7 + 199, 8 + 25), QColor(0, 0, 255));  // opaque label: its backcolor
}

TEST(SlfPanelLayout, GroupBoxImageAndPluginArea) {
  test::TempDir dir;
  QImage picture(12, 9, QImage::Format_RGB32);
  picture.fill(QColor(0, 200, 0));
  ASSERT_TRUE(picture.save(QString::fromStdString(dir / "pic.png")));
  SlfPanel panel;
  panel.Apply(SlfFromText("[EXITPASSWORDBOX]\n[GROUPBOX1]\ncaption=Box\n[IMAGE1]\nfilename=pic.png\n"
                          "left=3\ntop=4\ntransparent=0\n[PLUGIN1]\nfilename=weather.sh\n",
                          dir.Path()));
  const QList<QWidget*> created = CreatedObjects(panel);
  ASSERT_EQ(created.size(), 3);
  auto* box = panel.findChild<QGroupBox*>();
  ASSERT_NE(box, nullptr);
  EXPECT_TRUE(created.contains(box));
  EXPECT_EQ(box->title(), "Box");
  EXPECT_EQ(box->geometry(), QRect(40, 60, 40, 60));
  auto* image = qobject_cast<QLabel*>(created[0]);  // labels and pictures stay below windowed objects
  ASSERT_NE(image, nullptr);
  EXPECT_EQ(image->geometry(), QRect(3, 4, 12, 9));  // autosize: the picture's size
  ASSERT_FALSE(image->pixmap().isNull());
  EXPECT_EQ(image->pixmap().toImage().pixelColor(5, 5), QColor(0, 200, 0));
  auto* area = panel.findChild<QLabel*>("SlfPluginArea");
  EXPECT_TRUE(created.contains(area));
  ASSERT_NE(area, nullptr);
  EXPECT_EQ(area->text(), "weather.sh");
  EXPECT_EQ(area->geometry(), QRect(40, 60, 40, 60));
}

TEST(SlfPanelLayout, SecondApplyHidesEarlierObjectsAndFreeCreatedFreesExactlyThem) {
  SlfPanel panel;
  panel.Apply(SlfFromText("[EXITPASSWORDBOX]\n[LABEL1]\n[BEVEL]\n"));
  const QList<QWidget*> first = CreatedObjects(panel);
  ASSERT_EQ(first.size(), 2);
  panel.Apply(SlfFromText("[EXITPASSWORDBOX]\n[GROUPBOX]\n"));
  const QList<QWidget*> both = CreatedObjects(panel);
  ASSERT_EQ(both.size(), 3);
  for (QWidget* w : first) EXPECT_TRUE(w->isHidden());
  const QList<QWidget*> fixedBefore = Stacking(panel);

  panel.FreeCreated();
  EXPECT_TRUE(CreatedObjects(panel).empty());
  const QList<QWidget*> fixedAfter = Stacking(panel);
  EXPECT_EQ(fixedAfter.size(), fixedBefore.size() - 3);
  for (const SlfControl c : AllControls()) EXPECT_TRUE(fixedAfter.contains(panel.Control(c)));
  EXPECT_FALSE(panel.PasswordEdit()->isHidden());
  panel.FreeCreated();  // nothing left to free
  EXPECT_EQ(Stacking(panel).size(), fixedAfter.size());
}

TEST(SlfPanelLayout, BackgroundSectionsByExactCase) {
  struct Case {
    const char* section;
    bool changes;
  };
  for (const Case& c :
       {Case{"BackGround", true}, Case{"MyBackGround2", true}, Case{"backgroundcolour", false}}) {
    SCOPED_TRACE(c.section);
    SlfPanel panel;
    panel.resize(50, 120);
    panel.Apply(SlfFromText(std::string("[EXITPASSWORDBOX]\ntop=0\n[") + c.section + "]\ncolor=clRed\n"));
    EXPECT_EQ(panel.grab().toImage().pixelColor(25, 110), c.changes ? QColor(255, 0, 0) : QColor(0, 0, 0));
  }
}

TEST(SlfPanelLayout, AnalogClockTakesItsColours) {
  SlfPanel panel;
  panel.Apply(SlfFromText("[EXITPASSWORDBOX]\n[ANALOGCLOCK]\nleft=10\ntop=20\nwidth=80\nheight=80\n"
                          "backcolor=clBlue\ncolor=clNavy\ndotscolor=clYellow\nshowseconds=0\n"));
  auto* clock = qobject_cast<AnalogClock*>(panel.Control(SlfControl::AnalogClock));
  ASSERT_NE(clock, nullptr);
  EXPECT_FALSE(clock->isHidden());
  EXPECT_TRUE(clock->isEnabled());
  EXPECT_EQ(clock->geometry(), QRect(10, 20, 80, 80));
  EXPECT_EQ(clock->FaceColor(), QColor(0, 0, 128));  // `color` wins over `backcolor`
  EXPECT_EQ(clock->DotsColor(), QColor(255, 255, 0));
  EXPECT_FALSE(clock->ShowSeconds());
  EXPECT_EQ(clock->grab().toImage().pixelColor(1, 1), QColor(0, 0, 128));
}

}  // namespace
}  // namespace brivak::ui
