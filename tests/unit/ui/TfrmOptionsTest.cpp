#include "proj/ui/TfrmOptions.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QSpinBox>
#include <QStackedWidget>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <filesystem>

#include "common/Hash.h"
#include "platform/linux/LinuxRegistryStore.h"
#include "support/Disk.h"
#include "support/Files.h"
#include "support/TempDir.h"
#include "unit/common/RecordingLogSink.h"

namespace brivak::ui {
namespace {

namespace fs = std::filesystem;
using core::TBrivakSettings;

void ExpectSameSettings(const TBrivakSettings& a, const TBrivakSettings& b) {
  EXPECT_EQ(a.General, b.General);
  EXPECT_EQ(a.Security, b.Security);
  EXPECT_EQ(a.ScreenSavers, b.ScreenSavers);
  EXPECT_EQ(a.Logging, b.Logging);
  EXPECT_EQ(a.Messages, b.Messages);
  EXPECT_EQ(a.Advanced, b.Advanced);
  EXPECT_EQ(a.BrivakBar, b.BrivakBar);
}

class TfrmOptionsTest : public ::testing::Test {
 protected:
  TfrmOptionsTest() {
    fs::create_directories(dir_.Folder() + "data/layouts/slf/more");
    fs::create_directories(dir_.Folder() + "data/layouts/html");
    test::WriteAll(dir_.Folder() + "data/layouts/slf/simple.ini", "[Layout]\r\nTitle=Simple\r\n");
    test::WriteAll(dir_.Folder() + "data/layouts/slf/more/plain.slf", "[Layout]\r\nTitle=Plain\r\n");
    test::WriteAll(dir_.Folder() + "data/layouts/html/blue.html", "<title>Blue</title>");
    test::WriteAll(dir_.Folder() + "data/screensavers.dat",
                   "[ScreenSavers]\r\nGLMatrix=/usr/lib/xscreensaver/glmatrix\r\nApollonian=/usr/lib/xscreensaver/apollonian\r\n");
    settings_.Load();  // the defaults of an empty store
    settings_.General.LayoutMode = 0;
    settings_.General.LayoutFile = Data("layouts/slf/simple.ini");
  }
  std::string Data(const std::string& name) const { return dir_.Folder() + "data/" + name; }

  std::unique_ptr<TfrmOptions> Make() {
    OptionsQuestions questions;
    questions.message = [this](QWidget*, const QString& title, const QString& text) {
      messages_.push_back(title.toStdString() + "|" + text.toStdString());
    };
    questions.confirm = [this](QWidget*, const QString& title, const QString&) {
      confirms_.push_back(title.toStdString());
      return confirmAnswer_;
    };
    questions.input = [this](QWidget*, const QString&, const QString&, const QString&) { return inputAnswer_; };
    auto dialog = std::make_unique<TfrmOptions>(
        OptionsPorts{settings_, users_, log_, dir_.Folder() + "bin/", Data(""), "127.0.0.1", "testhost",
                     [this](const TBrivakSettings& edited) {
                       ++applied_;
                       settings_.General = edited.General;
                       settings_.Security = edited.Security;
                       settings_.Messages = edited.Messages;
                       settings_.Save(core::SplitAwayMessages(settings_.Messages.awayMessages), false);
                       return std::string();
                     },
                     [this](const std::string& path) {
                       opened_.push_back(path);
                       return true;
                     },
                     {}, {}, [] { return std::vector<std::string>{"12/9/2026 8:00:00 AM  127.0.0.1  GET /query  ok"}; }},
        nullptr, questions);
    dialog->SettingsToControls();
    return dialog;
  }
  template <typename T>
  T* Find(TfrmOptions& dialog, const char* name) {
    T* widget = dialog.findChild<T*>(QString::fromUtf8(name));
    EXPECT_NE(widget, nullptr) << name;
    return widget;
  }

  test::TempDir dir_;
  test::RecordingLogSink log_;
  platform::LinuxRegistryStore registry_{test::Disk(), dir_.Folder() + "config/registry.ini"};
  TBrivakSettings settings_{core::SettingsContext{registry_, test::Disk(), log_, dir_.Folder() + "bin/", Data(""), "127.0.0.1",
                                                  "/usr/lib/xscreensaver"}};
  UserList users_{test::Disk(), dir_.Folder() + "userlist.dat"};
  std::vector<std::string> messages_;
  std::vector<std::string> confirms_;
  std::vector<std::string> opened_;
  bool confirmAnswer_ = true;
  std::optional<QString> inputAnswer_;
  int applied_ = 0;
};

TEST_F(TfrmOptionsTest, EveryPageRoundTripsTheDefaultsAndChangedValues) {
  {
    const TBrivakSettings before(settings_);
    auto dialog = Make();
    dialog->ControlsToSettings();
    ExpectSameSettings(dialog->Draft(), before);
  }
  // Every switch the other way, every number and text changed (within the controls' ranges).
  auto& g = settings_.General;
  auto& s = settings_.Security;
  for (bool* b : {&g.CheckForUpdates, &g.HideBrivakBar, &g.HideBrivakBarOnMinimize, &g.HideStartupConsole, &g.hkCtrl,
                  &g.hkAlt, &g.hkShift, &g.hkWin, &g.showSysInfoPanel, &g.defaultToMemo, &g.alwaysUseCodeEditor,
                  &s.autoHide, &s.MultiUser, &s.suspendNetwork, &s.PreventAutoPlay, &s.AllowRemoteUnlocking,
                  &s.idleLock, &s.ReportSecurityEvents, &s.ReportPowerEvents, &s.StopTaskMgr, &s.UserChangeLayout,
                  &s.UserStandby, &s.UserViewMessages, &s.UserViewLogs, &s.UserChangeSS, &s.UserChangePass,
                  &s.UserSuspendNetwork, &s.UserAccessHelp, &s.UserChangeConsole, &s.UserExitBrivak, &s.USBprompt,
                  &s.MinimizeWindowsBeforeLock, &s.RequirePasswordToExit, &s.UseWinLockStartup,
                  &s.OnlyAdminCanUnlockMaster, &settings_.ScreenSavers.loadSaverOnStartup,
                  &settings_.ScreenSavers.runSaverOnIdle, &settings_.Logging.LogBrivakStart,
                  &settings_.Logging.LogBadPasswords, &settings_.Logging.LogCDinsertion, &settings_.Logging.LogLockUnlock,
                  &settings_.Logging.LogBrivakExit, &settings_.Logging.LogUserWhoUnlocked, &settings_.Messages.askName,
                  &settings_.Messages.askSubject, &settings_.Messages.askEmail, &settings_.Messages.reqName,
                  &settings_.Messages.allowNotes, &settings_.Messages.emailNotes, &settings_.Messages.promptForAwayMsg,
                  &settings_.Advanced.noBrowserScrollBars, &settings_.Advanced.noBrowserBorder,
                  &settings_.Advanced.noBrowserSelect, &settings_.Advanced.disableNavSounds,
                  &settings_.Advanced.screenSaverExit}) {
    *b = !*b;
  }
  g.WantsBetas = true;
  g.hkHotKeyIndex = 3;
  g.StartupMode = 3;
  g.LayoutMode = 1;
  g.LayoutFile = Data("layouts/html/blue.html");
  g.Latitude = "51.5";
  g.Longitude = "-0.12";
  g.city = "London";
  g.state = "LDN";
  s.lockTime = 600;
  s.TaskMgrScanTime = 2500;
  s.unlockMode = 2;
  s.masterIP = "127.0.0.9";
  s.AllowedRemoteIPs = "127.0.0.*\r\n203.0.113.3";
  settings_.ScreenSavers.idleDelay = 45;
  settings_.ScreenSavers.defaultSaver = "/usr/lib/xscreensaver/apollonian";
  settings_.Messages.emailNotesAddress = "me@example.org";
  settings_.Messages.DefaultAwayMessage = "Back soon";
  settings_.Messages.secsBeforeDefaultMsg = 30;
  settings_.Messages.awayMessages = "Lunch=Gone\r\nTea=Kettle\r\n";
  settings_.BrivakBar.color = "$00102030";
  settings_.BrivakBar.statusFont = ",Tahoma,12,,$0000FFFF,1,";
  const TBrivakSettings before(settings_);
  auto dialog = Make();
  dialog->ShowPage(5);  // entering the saver page selects the default saver
  dialog->ControlsToSettings();
  ExpectSameSettings(dialog->Draft(), before);
}

TEST_F(TfrmOptionsTest, MultiUserWithoutAnAdminIsRefusedAndTheStoreStaysByteForByte) {
  settings_.Save({}, false);
  const std::string stored = test::ReadAll(dir_.Folder() + "config/registry.ini");
  ASSERT_FALSE(stored.empty());
  users_.AddUser("bob", "pw", kLevelUnlock);
  auto dialog = Make();
  // Choosing "Username & Password" turns multi-user mode on.
  auto* method = Find<QComboBox>(*dialog, "cboUnlockMechanism");
  method->setCurrentIndex(1);
  emit method->activated(1);
  EXPECT_TRUE(Find<QCheckBox>(*dialog, "chkMultiUser")->isChecked());
  dialog->btnOKClick();
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_TRUE(messages_[0].starts_with("No User Accounts|In order to use multi-user mode")) << messages_[0];
  EXPECT_EQ(dialog->CurrentPage(), 3);
  EXPECT_EQ(dialog->result(), 0);
  EXPECT_EQ(applied_, 0);
  EXPECT_FALSE(settings_.Security.MultiUser);
  EXPECT_EQ(test::ReadAll(dir_.Folder() + "config/registry.ini"), stored);

  // With an Admin account the same OK applies and saves.
  users_.AddUser("root", "pw", kLevelAdmin);
  dialog->btnOKClick();
  EXPECT_EQ(applied_, 1);
  EXPECT_EQ(dialog->result(), QDialog::Accepted);
  EXPECT_TRUE(settings_.Security.MultiUser);
  EXPECT_NE(test::ReadAll(dir_.Folder() + "config/registry.ini"), stored);
}

TEST_F(TfrmOptionsTest, CancelLeavesTheSettingsAsTheyWereAlsoWhatTheListPagesChose) {
  const TBrivakSettings before(settings_);
  auto dialog = Make();
  dialog->ShowPage(1);
  dialog->SelectLayoutRow(0);
  dialog->btnSetAsLayoutClick();
  EXPECT_EQ(dialog->Draft().General.LayoutFile, Data("layouts/slf/more/plain.slf"));
  dialog->btnAddPresetMsgClick();
  dialog->reject();
  EXPECT_EQ(applied_, 0);
  ExpectSameSettings(settings_, before);
}

TEST_F(TfrmOptionsTest, TheLayoutPageListsSubfolderRowsAndDeletesTheRowsOwnFile) {
  auto dialog = Make();
  const auto& rows = dialog->LayoutRows();
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0].path, Data("layouts/slf/more/plain.slf"));
  EXPECT_EQ(rows[1].title, "Simple");
  // The current layout is selected; Delete on the subfolder row removes that file only.
  dialog->SelectLayoutRow(0);
  confirmAnswer_ = false;
  dialog->btnDeleteClick();
  EXPECT_TRUE(fs::exists(Data("layouts/slf/more/plain.slf")));
  confirmAnswer_ = true;
  dialog->btnDeleteClick();
  EXPECT_EQ(confirms_, (std::vector<std::string>{"Confirm Delete", "Confirm Delete"}));
  EXPECT_FALSE(fs::exists(Data("layouts/slf/more/plain.slf")));
  EXPECT_TRUE(fs::exists(Data("layouts/slf/simple.ini")));
  ASSERT_EQ(dialog->LayoutRows().size(), 1u);

  // Copy to New refuses names that leave the folder, and copies into the kind's folder.
  dialog->SelectLayoutRow(0);
  inputAnswer_ = QStringLiteral("../outside.ini");
  dialog->btnCopyClick();
  EXPECT_FALSE(fs::exists(Data("layouts/outside.ini")));
  EXPECT_EQ(messages_.size(), 1u);
  inputAnswer_ = QStringLiteral("copy.ini");
  dialog->btnCopyClick();
  EXPECT_TRUE(fs::exists(Data("layouts/slf/copy.ini")));
  EXPECT_EQ(dialog->LayoutRows().size(), 2u);

  // HTML kind.
  Find<QRadioButton>(*dialog, "radLayoutHTML")->click();
  ASSERT_EQ(dialog->LayoutRows().size(), 1u);
  EXPECT_EQ(dialog->LayoutRows()[0].title, "Blue");
  dialog->btnEditNowClick();
  EXPECT_EQ(opened_, (std::vector<std::string>{Data("layouts/html/blue.html")}));
}

TEST_F(TfrmOptionsTest, TheTreeShowsItsPagesAndTheDialogOpensOnTheLayouts) {
  auto dialog = Make();
  EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Options"));
  EXPECT_EQ(dialog->CurrentPage(), 1);
  EXPECT_EQ(dialog->Tree()->currentItem(), nullptr);
  const auto entries = dialog->TreeEntries();
  ASSERT_EQ(entries.size(), 14u);
  for (const auto& [text, page] : entries) {
    dialog->Tree()->setCurrentItem(dialog->Tree()->findItems(text, Qt::MatchExactly).value(0));
    EXPECT_EQ(dialog->CurrentPage(), page) << text.toStdString();
  }
  EXPECT_EQ(entries[4], (std::pair<QString, int>{QStringLiteral("Network"), 11}));
  EXPECT_EQ(Find<QLabel>(*dialog, "lblMyIP")->text(), QStringLiteral("127.0.0.1"));
  EXPECT_EQ(Find<QLabel>(*dialog, "lblHotkey")->text(), QStringLiteral("Ctrl + Alt + S"));
}

TEST_F(TfrmOptionsTest, UnreadableStoredValuesOpenWithTheirDefaults) {
  settings_.BrivakBar.statusFont = ",Tahoma,big,,clLime,1,";
  settings_.BrivakBar.color = "clNoSuchColour";
  settings_.General.StartupMode = 9;
  settings_.General.hkHotKeyIndex = 40;
  auto dialog = Make();
  EXPECT_EQ(Find<QComboBox>(*dialog, "cboStartupMode")->currentIndex(), 1);
  EXPECT_EQ(Find<QComboBox>(*dialog, "cboKey")->currentText(), QStringLiteral("S"));
  EXPECT_EQ(Find<QComboBox>(*dialog, "cboBrivakBarFontSize")->currentText(), QStringLiteral("8"));
  const auto lines = log_.Channel("mem");
  EXPECT_EQ(std::count_if(lines.begin(), lines.end(), [](const std::string& l) { return l.starts_with("Options: the stored"); }), 4);
  dialog->ControlsToSettings();
  EXPECT_EQ(dialog->Draft().BrivakBar.statusFont, ",Tahoma,8,,clLime,1,");
  EXPECT_EQ(dialog->Draft().BrivakBar.color, "$00303030");
}

TEST_F(TfrmOptionsTest, TheCouplingsOfUpdatesNotesAndRemoteAccess) {
  settings_.General.CheckForUpdates = false;
  settings_.General.WantsBetas = true;
  settings_.Security.AllowRemoteUnlocking = false;
  auto dialog = Make();
  auto* updates = Find<QComboBox>(*dialog, "cboUpdates");
  EXPECT_EQ(updates->currentIndex(), 0) << "off whatever WantsBetas says";
  updates->setCurrentIndex(2);
  emit updates->activated(2);
  EXPECT_FALSE(Find<QPlainTextEdit>(*dialog, "memAllowedRemoteIPs")->isEnabled());
  Find<QCheckBox>(*dialog, "chkAllowRemoteHTTPunlocking")->click();
  EXPECT_TRUE(Find<QPlainTextEdit>(*dialog, "memAllowedRemoteIPs")->isEnabled());
  auto* askName = Find<QCheckBox>(*dialog, "chkAskName");
  auto* reqName = Find<QCheckBox>(*dialog, "chkReqName");
  auto* askEmail = Find<QCheckBox>(*dialog, "chkAskEmail");
  auto* reqEmail = Find<QCheckBox>(*dialog, "chkReqEmail");
  reqName->setChecked(true);
  askName->click();  // unchecking Ask unchecks REQUIRE
  EXPECT_FALSE(reqName->isChecked());
  reqEmail->click();  // checking REQUIRE checks Ask
  EXPECT_TRUE(askEmail->isChecked());
  dialog->ControlsToSettings();
  EXPECT_TRUE(dialog->Draft().General.CheckForUpdates && dialog->Draft().General.WantsBetas);
  EXPECT_TRUE(dialog->Draft().Security.AllowRemoteUnlocking);
}

TEST_F(TfrmOptionsTest, PresetsAreEditedOnTheirPageAndALineBreakIsRefused) {
  auto dialog = Make();
  dialog->ShowPage(4);
  auto* box = Find<QComboBox>(*dialog, "cboPresetMsgs");
  auto* text = Find<QPlainTextEdit>(*dialog, "memPresetMsg");
  EXPECT_EQ(box->count(), 4);
  EXPECT_EQ(text->toPlainText(), QStringLiteral("Gone To Lunch"));
  text->setPlainText(QStringLiteral("Back at two"));
  EXPECT_EQ(dialog->Presets()[0], "Lunch=Back at two");
  text->setPlainText(QStringLiteral("two\nlines"));
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_EQ(dialog->Presets()[0], "Lunch=Back at two");
  EXPECT_EQ(text->toPlainText(), QStringLiteral("Back at two"));
  inputAnswer_ = QString();
  dialog->btnAddPresetMsgClick();
  EXPECT_EQ(dialog->Presets().back(), "myPreset4=enter message here");
  dialog->btnUseAsDefaultMsgClick();
  EXPECT_EQ(Find<QPlainTextEdit>(*dialog, "memDefaultAwayMessage")->toPlainText(), QStringLiteral("enter message here"));
  dialog->btnDelPresetMsgClick();
  EXPECT_EQ(dialog->Presets().size(), 4u);
}

TEST_F(TfrmOptionsTest, TheSaverPageSelectsTheDefaultAndRemoveChangesTheFile) {
  settings_.ScreenSavers.defaultSaver = "/usr/lib/xscreensaver/apollonian";
  auto dialog = Make();
  dialog->ShowPage(5);
  EXPECT_EQ(Find<QLabel>(*dialog, "lblDefaultSaver")->text(), QStringLiteral("Apollonian"));
  dialog->tbSSremoveClick();
  EXPECT_EQ(core::ReadScreenSavers(Data("screensavers.dat")),
            (std::vector<core::SaverRow>{{"GLMatrix", "/usr/lib/xscreensaver/glmatrix"}}));
  EXPECT_EQ(Find<QTreeWidget>(*dialog, "sslv")->topLevelItemCount(), 1);
}

}  // namespace
}  // namespace brivak::ui
