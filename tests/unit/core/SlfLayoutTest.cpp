#include "proj/core/SlfLayout.h"

#include <gtest/gtest.h>

#include <fstream>
#include <set>
#include <string>
#include <variant>
#include <vector>

#include "support/TempDir.h"
#include "support/Disk.h"

namespace brivak::core {
namespace {

using T = SlfTarget;

SlfLayout Load(const std::string& text, SlfLoadOptions options = {}) {
  if (!options.fileExists) options.fileExists = [](const std::string&) { return false; };
  return LoadSlfLayout(IniDocument::Parse(text), options);
}

template <class Item>
std::vector<Item> CreatedOf(const SlfLayout& layout) {
  std::vector<Item> out;
  for (const SlfCreated& c : layout.created) {
    if (const Item* s = std::get_if<Item>(&c)) out.push_back(*s);
  }
  return out;
}

std::set<std::string> ProblemSections(const SlfLayout& layout) {
  std::set<std::string> out;
  for (const SlfProblem& p : layout.problems) out.insert(p.section);
  return out;
}

TEST(SlfSectionMatch, NamesSelectTargetsInTableOrder) {
  struct Case {
    std::string name;
    std::vector<SlfTarget> targets;
  };
  const Case cases[] = {
      {"BackGround", {T::Background}},
      {"MyBackGround2", {T::Background}},
      {"backgroundcolour", {}},
      {"BACKGROUND", {}},
      {"ExitUserNameBox", {T::UserNameBox}},
      {"EXITPASSWORDBOX", {T::PasswordBox}},
      {"LABEL1", {T::Label}},
      {"LABELx", {T::Label}},
      {"Label", {T::Label}},
      {"MYLABEL", {}},
      {"EXITOKBUTTON", {T::OkButtonFlat}},
      {"EXITOKBUTTON2", {T::OkButtonFlat, T::OkButton}},
      {"ChangePasswordButton2", {T::ChangePasswordButtonFlat, T::ChangePasswordButton}},
      {"LEAVEMESSAGEBUTTON", {T::LeaveMessageButtonFlat}},
      {"LEAVEMESSAGEBUTTON2", {T::LeaveMessageButtonFlat, T::LeaveMessageButton}},
      {"MESSAGECOUNTLABEL", {T::MessageCountLabel}},
      {"AWAYMESSAGELABEL", {T::AwayMessageLabel}},
      {"ANALOGCLOCK", {T::AnalogClock}},
      {"CLOCKLABEL", {T::ClockLabel1}},
      {"CLOCKLABEL2", {T::ClockLabel1, T::ClockLabel2}},
      {"BRIVAKUPTIMELABEL", {T::BrivakUptimeLabel}},
      {"SystemUptimeLabel", {T::SystemUptimeLabel}},
      {"IMAGE", {T::Image}},
      {"logoimage3", {T::Image}},
      {"BEVEL1", {T::Bevel}},
      {"GROUPBOX", {T::GroupBox}},
      {"PLUGIN_weather", {T::PlugIn}},
      {"LABELIMAGE", {T::Label, T::Image}},
      {"Layout", {}},
      {"", {}},
  };
  for (const Case& c : cases) EXPECT_EQ(MatchSlfSection(c.name), c.targets) << c.name;
}

TEST(SlfLayoutLoad, RowDefaultsOfTheFixedControls) {
  SlfLoadOptions options;
  options.awayMessage = "Back at two";
  const SlfLayout layout = Load(
      "[EXITUSERNAMEBOX]\n[EXITPASSWORDBOX]\n[EXITOKBUTTON]\n[AWAYMESSAGELABEL]\n[ANALOGCLOCK]\n"
      "[CLOCKLABEL]\n[LEAVEMESSAGEBUTTON]\n",
      options);
  EXPECT_TRUE(layout.problems.empty());

  const SlfControlSpec& user = *layout.Fixed(SlfControl::UserNameBox);
  EXPECT_EQ(user.width, 195);
  EXPECT_EQ(user.height, 26);
  EXPECT_EQ(user.mask, '*');  // no mask key: typed names are masked
  EXPECT_EQ(user.font.face.name, "MS Sans Serif");
  EXPECT_EQ(user.font.face.size, 10);
  EXPECT_EQ(user.font.color, 0x00FF00u);
  EXPECT_TRUE(user.visible);
  EXPECT_EQ(layout.Fixed(SlfControl::PasswordBox)->width, 200);

  const SlfControlSpec& ok = *layout.Fixed(SlfControl::OkButtonFlat);
  EXPECT_EQ(ok.width, std::nullopt);  // keeps the button's own size
  EXPECT_EQ(ok.caption, "defaultCaption");
  EXPECT_TRUE(ok.flat);
  EXPECT_FALSE(ok.transparent);
  EXPECT_FALSE(layout.Fixed(SlfControl::OkButton));

  EXPECT_EQ(layout.Fixed(SlfControl::AwayMessageLabel)->caption, "Back at two");
  const SlfControlSpec& clock = *layout.Fixed(SlfControl::AnalogClock);
  EXPECT_EQ(clock.dotsColor, 0x808000u);
  EXPECT_TRUE(clock.showSeconds);
  const SlfControlSpec& label = *layout.Fixed(SlfControl::ClockLabel1);
  EXPECT_EQ(label.format, "h:nn:ss am/pm");
  EXPECT_EQ(label.caption, "Hey, I'm not here right now.  Catch me later.");
  EXPECT_TRUE(label.autoSize);
  EXPECT_EQ(layout.Fixed(SlfControl::LeaveMessageButtonFlat)->caption, "Leave a Message");
  EXPECT_EQ(layout.Fixed(SlfControl::LeaveMessageButtonFlat)->width, 135);
  EXPECT_FALSE(layout.Fixed(SlfControl::MessageCountLabel));
  EXPECT_TRUE(layout.HasUnlockBox());
}

TEST(SlfLayoutLoad, PasswordAndOkButton2ShowBothButtonsAtOnePlace) {
  const SlfLayout layout = Load(
      "[EXITPASSWORDBOX]\nleft=30\ntop=40\n[EXITOKBUTTON2]\nleft=240\ntop=40\ncaption=Go\nbackcolor="
      "clSilver\n");
  EXPECT_TRUE(layout.problems.empty());
  const SlfControlSpec& flat = *layout.Fixed(SlfControl::OkButtonFlat);
  const SlfControlSpec& standard = *layout.Fixed(SlfControl::OkButton);
  EXPECT_EQ(flat.left, 240);
  EXPECT_EQ(standard.left, 240);
  EXPECT_EQ(standard.top, 40);
  EXPECT_EQ(standard.caption, "Go");
  EXPECT_EQ(standard.backColor, 0xC0C0C0u);
  EXPECT_FALSE(standard.flat);
  size_t shown = 0;
  for (const auto& f : layout.fixed) shown += f.has_value();
  EXPECT_EQ(shown, 3u);
}

TEST(SlfLayoutLoad, ClockLabel2SectionAlsoMovesClockLabel1) {
  const SlfLayout forward = Load("[CLOCKLABEL]\nleft=10\n[CLOCKLABEL2]\nleft=300\n");
  EXPECT_EQ(forward.Fixed(SlfControl::ClockLabel1)->left, 300);
  EXPECT_EQ(forward.Fixed(SlfControl::ClockLabel2)->left, 300);
  const SlfLayout reverse = Load("[CLOCKLABEL2]\nleft=300\n[CLOCKLABEL]\nleft=10\n");
  EXPECT_EQ(reverse.Fixed(SlfControl::ClockLabel1)->left, 10);
  EXPECT_EQ(reverse.Fixed(SlfControl::ClockLabel2)->left, 300);
}

TEST(SlfLayoutLoad, MaskKeyOfTheEdits) {
  EXPECT_EQ(Load("[EXITUSERNAMEBOX]\nmask=\n").Fixed(SlfControl::UserNameBox)->mask, std::nullopt);
  EXPECT_EQ(Load("[EXITUSERNAMEBOX]\nmask=#x\n").Fixed(SlfControl::UserNameBox)->mask, '#');
  EXPECT_EQ(Load("[EXITPASSWORDBOX]\n").Fixed(SlfControl::PasswordBox)->mask, '*');
}

TEST(SlfLayoutLoad, BackgroundAnalogClockAndCreatedObjects) {
  SlfLoadOptions options;
  options.dataFolder = "/data";
  options.fileExists = [](const std::string& p) { return p == "/data/layouts/slf/pics/logo.png"; };
  const SlfLayout layout = Load(
      "[BackGround]\ncolor=$00102030\n"
      "[ANALOGCLOCK]\nbackcolor=clRed\ncolor=clNavy\n"
      "[BEVEL1]\nraised=1\n[BEVEL2]\n"
      "[LABEL1]\ncaption=Hello\nalignment=taCenter\n"
      "[IMAGE1]\nfilename=pics\\logo.png\nleft=5\n"
      "[GROUPBOX]\n"
      "[PLUGIN1]\nfilename=weather.exe\nwidth=300\n",
      options);
  EXPECT_TRUE(layout.problems.empty());
  EXPECT_EQ(layout.panelColor, 0x102030u);
  EXPECT_EQ(layout.Fixed(SlfControl::AnalogClock)->backColor, 0x800000u);  // color wins over backcolor
  EXPECT_FALSE(layout.HasUnlockBox());

  ASSERT_EQ(layout.created.size(), 6u);
  const auto bevels = CreatedOf<SlfBevelSpec>(layout);
  ASSERT_EQ(bevels.size(), 2u);
  EXPECT_TRUE(bevels[0].lowered);
  EXPECT_FALSE(bevels[1].lowered);
  const auto labels = CreatedOf<SlfLabelSpec>(layout);
  ASSERT_EQ(labels.size(), 1u);
  EXPECT_EQ(labels[0].caption, "Hello");
  EXPECT_EQ(labels[0].alignment, SlfAlignment::Center);
  EXPECT_TRUE(labels[0].transparent);
  EXPECT_FALSE(labels[0].autoSize);
  const auto images = CreatedOf<SlfImageSpec>(layout);
  ASSERT_EQ(images.size(), 1u);
  EXPECT_EQ(images[0].path, "/data/layouts/slf/pics/logo.png");
  EXPECT_EQ(images[0].left, 5);
  const auto boxes = CreatedOf<SlfGroupBoxSpec>(layout);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0], SlfGroupBoxSpec{});
  const auto plugins = CreatedOf<SlfPluginSpec>(layout);
  ASSERT_EQ(plugins.size(), 1u);
  EXPECT_EQ(plugins[0].fileName, "weather.exe");
  EXPECT_EQ(plugins[0].width, 300);
  EXPECT_EQ(plugins[0].left, 40);
}

TEST(SlfLayoutLoad, ImageNameTriedAsWrittenThenInTheDataFolder) {
  SlfLoadOptions options;
  options.dataFolder = "/data/";
  std::vector<std::string> asked;
  options.fileExists = [&asked](const std::string& p) {
    asked.push_back(p);
    return p == "/data/a.png" || p == "/abs/b.png";
  };
  const SlfLayout layout = Load("[IMAGE1]\nfilename=a.png\n[IMAGE2]\nfilename=/abs/b.png\n", options);
  const auto images = CreatedOf<SlfImageSpec>(layout);
  ASSERT_EQ(images.size(), 2u);
  EXPECT_EQ(images[0].path, "/data/a.png");
  EXPECT_EQ(images[1].path, "/abs/b.png");
  EXPECT_EQ(asked, (std::vector<std::string>{"a.png", "/data/a.png", "/abs/b.png"}));
}

TEST(SlfLayoutLoad, FaultySectionsAreReportedAndSkippedTheRestApplies) {
  const SlfLayout layout = Load(
      "[BackGround]\ncolor=clPink\n"
      "[LABEL1]\ncaption=Kept\n"
      "[LABEL2]\ncaption=Dropped\nwidth=wide\n"
      "[IMAGE1]\nfilename=missing.png\n"
      "[IMAGE2]\n"
      "[CLOCKLABEL]\nfont=,Tahoma,8,,clNope,1,\n"
      "[MESSAGECOUNTLABEL]\nleft=12\n"
      "[BEVEL1]\nheight=-4\n"
      "[LABEL3]\nalignment=middle\n");
  EXPECT_EQ(layout.panelColor, std::nullopt);
  EXPECT_EQ(ProblemSections(layout), (std::set<std::string>{"BackGround", "LABEL2", "IMAGE1", "IMAGE2",
                                                            "CLOCKLABEL", "BEVEL1", "LABEL3"}));
  const auto labels = CreatedOf<SlfLabelSpec>(layout);
  ASSERT_EQ(labels.size(), 1u);
  EXPECT_EQ(labels[0].caption, "Kept");
  EXPECT_TRUE(CreatedOf<SlfImageSpec>(layout).empty());
  EXPECT_TRUE(CreatedOf<SlfBevelSpec>(layout).empty());
  EXPECT_FALSE(layout.Fixed(SlfControl::ClockLabel1));
  EXPECT_EQ(layout.Fixed(SlfControl::MessageCountLabel)->left, 12);
  for (const SlfProblem& p : layout.problems) EXPECT_FALSE(p.message.empty()) << p.section;
  EXPECT_EQ(layout.problems.front().message, "bad colour \"clPink\" in key color");
}

TEST(SlfLayoutLoad, FaultyUnlockBoxSectionsStillShowTheUnlockBox) {
  const SlfLayout layout = Load(
      "[EXITUSERNAMEBOX]\nleft=400\nbackcolor=notacolour\n"
      "[EXITPASSWORDBOX]\nleft=400\ntop=abc\nvisible=1\n"
      "[EXITOKBUTTON2]\nleft=600\nwidth=$zz\n"
      "[CHANGEPASSWORDBUTTON]\nbackcolor=nope\n");
  EXPECT_EQ(ProblemSections(layout), (std::set<std::string>{"EXITUSERNAMEBOX", "EXITPASSWORDBOX",
                                                            "EXITOKBUTTON2", "CHANGEPASSWORDBUTTON"}));
  ASSERT_TRUE(layout.HasUnlockBox());
  const SlfControlSpec& password = *layout.Fixed(SlfControl::PasswordBox);
  EXPECT_TRUE(password.visible);
  EXPECT_EQ(password.width, 200);
  EXPECT_EQ(password.mask, '*');
  ASSERT_TRUE(layout.Fixed(SlfControl::UserNameBox));
  ASSERT_TRUE(layout.Fixed(SlfControl::OkButtonFlat));
  ASSERT_TRUE(layout.Fixed(SlfControl::OkButton));
  EXPECT_TRUE(layout.Fixed(SlfControl::OkButton)->visible);
  // Fallback places do not overlap: the name above the password, OK to the right.
  EXPECT_LT(layout.Fixed(SlfControl::UserNameBox)->top, password.top);
  EXPECT_GT(layout.Fixed(SlfControl::OkButton)->left, password.left + *password.width);
  EXPECT_FALSE(layout.Fixed(SlfControl::ChangePasswordButtonFlat));  // not part of the unlock box
}

TEST(SlfLayoutLoad, DeliberatelyHiddenPasswordBoxStaysHidden) {
  const SlfLayout layout = Load("[EXITPASSWORDBOX]\nvisible=0\n");
  EXPECT_TRUE(layout.problems.empty());
  EXPECT_FALSE(layout.HasUnlockBox());
}

TEST(SlfLayoutFile, MissingFileGivesTheFallbackUnlockBox) {
  test::TempDir dir;
  const SlfLayout layout = LoadSlfLayoutFile(dir / "nothere.ini", {});
  ASSERT_EQ(layout.problems.size(), 1u);
  EXPECT_EQ(layout.problems[0].section, dir / "nothere.ini");
  EXPECT_TRUE(layout.HasUnlockBox());
  EXPECT_TRUE(layout.Fixed(SlfControl::OkButton));

  const SlfLayout folder = LoadSlfLayoutFile(dir.Path(), {});
  EXPECT_TRUE(folder.HasUnlockBox());
  EXPECT_EQ(folder.problems.size(), 1u);
}

TEST(SlfLayoutFile, SampleWithFaultySectionsOnDisk) {
  test::TempDir dir;
  std::ofstream(dir / "logo.bmp") << "BM";
  std::ofstream(dir / "sample.slf") << "[Layout]\r\nTitle=Sample\r\n"
                                       "[BackGround]\r\ncolor=clNavy\r\n"
                                       "[EXITPASSWORDBOX]\r\nleft=100\r\ntop=200\r\n"
                                       "[EXITOKBUTTON]\r\nleft=310\r\ntop=200\r\ncaption=OK\r\n"
                                       "[IMAGE1]\r\nfilename=logo.bmp\r\n"
                                       "[IMAGE2]\r\nfilename=gone.bmp\r\n"
                                       "[LABEL1]\r\ncaption=Hi\r\nbackcolor=$GG\r\n"
                                       "[LABEL2]\r\ncaption=Locked\r\n";
  SlfLoadOptions options;
  options.dataFolder = dir.Path();
  const SlfLayout layout = LoadSlfLayoutFile(dir / "sample.slf", options);
  EXPECT_EQ(ProblemSections(layout), (std::set<std::string>{"IMAGE2", "LABEL1"}));
  EXPECT_EQ(layout.panelColor, 0x800000u);
  EXPECT_EQ(layout.Fixed(SlfControl::PasswordBox)->left, 100);
  EXPECT_EQ(layout.Fixed(SlfControl::OkButtonFlat)->caption, "OK");
  const auto images = CreatedOf<SlfImageSpec>(layout);
  ASSERT_EQ(images.size(), 1u);
  EXPECT_EQ(images[0].path, dir / "logo.bmp");
  const auto labels = CreatedOf<SlfLabelSpec>(layout);
  ASSERT_EQ(labels.size(), 1u);
  EXPECT_EQ(labels[0].caption, "Locked");
}

TEST(SlfLayoutFile, ShippedSimpleLayoutLoadsWithoutProblems) {
  const std::string path = std::string(BRIVAK_SOURCE_DIR) + "/layouts/slf/simple.ini";
  const SlfLayout layout = LoadSlfLayoutFile(path, {});
  for (const SlfProblem& p : layout.problems) ADD_FAILURE() << p.section << ": " << p.message;
  EXPECT_TRUE(layout.panelColor);
  EXPECT_TRUE(layout.HasUnlockBox());
  ASSERT_TRUE(layout.Fixed(SlfControl::UserNameBox));
  EXPECT_EQ(layout.Fixed(SlfControl::UserNameBox)->mask, std::nullopt);  // names are shown
  ASSERT_TRUE(layout.Fixed(SlfControl::OkButtonFlat));
  EXPECT_EQ(layout.Fixed(SlfControl::OkButtonFlat)->caption, "OK");
  EXPECT_FALSE(layout.Fixed(SlfControl::OkButton));  // one OK button only
  ASSERT_TRUE(layout.Fixed(SlfControl::ClockLabel1));
  EXPECT_FALSE(CreatedOf<SlfLabelSpec>(layout).empty());
  EXPECT_EQ(SlfLayoutTitle(IniFile(brivak::test::Disk(), path).Load()), "Simple");
}

TEST(SlfLiveLabels, ClockAndUptimeTexts) {
  const SlfLayout layout = Load(
      "[CLOCKLABEL]\nformat=hh:nn\n[CLOCKLABEL2]\n[BRIVAKUPTIMELABEL]\n[SYSTEMUPTIMELABEL]\n["
      "MESSAGECOUNTLABEL]\n");
  platform::LocalTime now;
  now.hour = 21;
  now.minute = 7;
  now.second = 3;
  const auto text = [&](SlfControl c) { return SlfLiveLabelText(c, *layout.Fixed(c), now, 75, 90061); };
  // CLOCKLABEL2 also configures clock label 1, with the default format.
  EXPECT_EQ(text(SlfControl::ClockLabel1), "9:07:03 pm");
  EXPECT_EQ(text(SlfControl::ClockLabel2), "9:07:03 pm");
  EXPECT_EQ(text(SlfControl::BrivakUptimeLabel), "1 min 15 sec");
  EXPECT_EQ(text(SlfControl::SystemUptimeLabel), "1 days 1 hrs 1 min 1 sec");
  EXPECT_EQ(text(SlfControl::MessageCountLabel), std::nullopt);
  const SlfLayout own = Load("[CLOCKLABEL]\nformat=hh:nn\n");
  EXPECT_EQ(SlfLiveLabelText(SlfControl::ClockLabel1, *own.Fixed(SlfControl::ClockLabel1), now, 0, 0),
            "21:07");
}

TEST(SlfLayoutFile, TitleDefaultsToUntitled) {
  EXPECT_EQ(SlfLayoutTitle(IniDocument::Parse("[EXITPASSWORDBOX]\n")), "Untitled");
}

}  // namespace
}  // namespace brivak::core
