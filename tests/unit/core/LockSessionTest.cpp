#include "proj/core/LockSession.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>

#include "common/Hash.h"
#include "platform/fake/FakeClock.h"
#include "platform/fake/MemoryRegistryStore.h"
#include "platform/fake/RecordingNetworkSwitch.h"
#include "proj/core/NetworkSuspension.h"
#include "support/Files.h"
#include "support/TempDir.h"
#include "unit/core/LockTestFakes.h"
#include "support/Disk.h"

namespace brivak::core {
namespace {

using test::Journal;

class LockSessionTest : public ::testing::Test {
 protected:
  LockSessionTest() {
    std::filesystem::create_directories(dir_.Folder() + "Logs");
    diagnostics_.EventLog().SetDoLog(true);
    settings_.Security.passwordHash = Hash("secret");
    settings_.General.LayoutMode = 0;
    settings_.General.LayoutFile = dir_.Folder() + "mine.ini";
    std::ofstream(settings_.General.LayoutFile) << "[General]\n";
    shell_.settings = &settings_;
    values_.WinUsername = "tester";
    values_.startMethod = "Hotkey";
    values_.paramstring = "-tray";
    values_.appData = dir_.Folder();
  }

  LockSession& Make() {
    session_ = std::make_unique<LockSession>(
        LockSessionPorts{shell_, settings_, users_, diagnostics_, clock_, later_, host_, nullptr, network_}, values_);
    return *session_;
  }
  LockSession& Started() {
    auto& session = Make();
    EXPECT_TRUE(session.FormCreate());
    session.Startup();
    return session;
  }

  std::vector<std::string> LogTexts() const { return ::brivak::test::DayLogTexts(dir_.Folder() + "Logs/Dec-09-26.txt"); }
  int LogCount(const std::string& text) const {
    const auto texts = LogTexts();
    return static_cast<int>(std::count(texts.begin(), texts.end(), text));
  }
  bool ConsoleHas(const std::string& text) {
    const auto lines = diagnostics_.TrayConsole().Lines();
    return std::any_of(lines.begin(), lines.end(),
                       [&](const std::string& line) { return line.find(text) != std::string::npos; });
  }
  Journal Since(std::size_t from) const { return Journal(journal_.begin() + static_cast<long>(from), journal_.end()); }

  brivak::test::TempDir dir_;
  platform::FakeClock clock_;
  platform::MemoryRegistryStore registry_;
  Diagnostics diagnostics_{clock_, brivak::test::Disk(), dir_.Folder()};
  TBrivakSettings settings_{
      SettingsContext{registry_, brivak::test::Disk(), diagnostics_, dir_.Folder(), dir_.Folder(), "", ""}};
  UserList users_{brivak::test::Disk(), dir_.Folder() + "userlist.dat"};
  Journal journal_;
  test::RecordingLockShell shell_{journal_};
  test::RecordingLaterSteps later_{diagnostics_, journal_};
  test::RecordingLockHost host_{journal_};
  LockSessionValues values_;
  std::unique_ptr<LockSession> session_;
  NetworkSuspension* network_ = nullptr;  // the network suspension a test gives the session
};

// --- Lifecycle ---

// What ShutDown calls to undo each change Startup made.
const std::map<std::string, std::string> kUndoOf = {
    {"shell:ReleaseCovers", "shell:FillScreen"},
    {"shell:ReleaseInputGrabs", "shell:TakeInputGrabs"},
    {"shell:FreeCreatedControls", "shell:ApplySlfLayout"},
    {"later:CloseProcessMapper", "later:CreateProcessMapper"},
    {"later:UnloadPlugins", "later:StartPlugins"},
    {"later:RestoreAutoRun", "later:SetAutoRun"},
    {"later:EnableBalloonTips", "later:DisableBalloonTips"},
    {"later:EnableTaskManager", "later:DisableTaskManager"},
    {"shell:StopStatusTimer", "shell:StartStatusTimer"},
};

std::string CallName(const std::string& entry) { return entry.substr(0, entry.find(' ')); }

TEST_F(LockSessionTest, ShutDownUndoesEveryChangeOfStartupInReverseOrder) {
  values_.secure = true;
  values_.isAdmin = true;
  auto& session = Started();
  ASSERT_TRUE(session.Ready());
  ASSERT_TRUE(session.BrivakLocked());

  std::vector<std::string> changes;
  for (const auto& entry : journal_) {
    for (const auto& [undo, change] : kUndoOf) {
      if (CallName(entry) == change) changes.push_back(change);
    }
  }
  ASSERT_EQ(changes.size(), kUndoOf.size()) << "every kind of change is made once";

  const auto mark = journal_.size();
  session.ShutDown();
  std::vector<std::string> undone;
  for (const auto& entry : Since(mark)) {
    const auto it = kUndoOf.find(CallName(entry));
    if (it != kUndoOf.end()) undone.push_back(it->second);
  }
  std::reverse(undone.begin(), undone.end());
  EXPECT_EQ(undone, changes);
  EXPECT_TRUE(session.PendingUndo().empty());
  // The window closes and the controller is told, last.
  ASSERT_GE(journal_.size(), 2u);
  EXPECT_EQ(journal_[journal_.size() - 2], "shell:CloseWindow");
  EXPECT_EQ(journal_.back(), "host:CloseMainForm");
  EXPECT_TRUE(host_.lockEnded);
  EXPECT_TRUE(session.AllowClose());
}

// WriteStartupData runs at the end of every lock outside INI mode; a failure is reported on the
// lock screen's console (and in the trace) and the lock still ends.
TEST_F(LockSessionTest, TheEndOfALockWritesTheStartupDataOutsideIniMode) {
  diagnostics_.TrayConsole().SHOW_DEBUG = true;
  diagnostics_.TrayConsole().SetLockScreenExists(true);  // debug lines reach the console while a lock exists
  struct Case {
    bool iniMode;
    bool fails;
    int writes;
    const char* line;
  };
  for (const auto& c : {Case{true, false, 0, "Not writing INI settings to registry."},
                        Case{false, false, 1, "Writing Startup Data..."},
                        Case{false, true, 1, "Exception while writing Startup Data!"}}) {
    journal_.clear();
    values_.INI_MODE = c.iniMode;
    host_.startupDataFails = c.fails;
    const int closes = host_.closes;
    EXPECT_FALSE(ConsoleHas(c.line)) << c.line;
    Started().ShutDown();
    EXPECT_EQ(std::count(journal_.begin(), journal_.end(), "host:WriteStartupData"), c.writes) << c.line;
    EXPECT_TRUE(ConsoleHas(c.line)) << c.line;
    EXPECT_EQ(host_.closes, closes + 1);
    session_.reset();
  }
}

TEST_F(LockSessionTest, StartupWritesItsLinesAndAppliesTheSlfLayout) {
  settings_.Logging.LogBrivakStart = true;
  Started();
  EXPECT_EQ(LogCount("Brivak Started with command line parameters: -tray"), 1);
  EXPECT_EQ(LogCount("Brivak 3.1 started by tester (Hotkey)"), 1);
  EXPECT_NE(std::find(journal_.begin(), journal_.end(), "shell:ApplySlfLayout " + settings_.General.LayoutFile + " []"),
            journal_.end());
  EXPECT_TRUE(ConsoleHas("Drawing the screen..."));
  EXPECT_TRUE(ConsoleHas("Current User: tester"));
}

TEST_F(LockSessionTest, LayoutsThisBuildCannotShowFallBackToTheShippedSlfLayout) {
  const std::string fallback = dir_.Folder() + "layouts/slf/simple.ini";
  struct Case {
    int mode;
    std::string file;
  };
  for (const auto& c : {Case{1, dir_.Folder() + "layouts/html/bluegeneric.html"}, Case{0, dir_.Folder() + "gone.ini"}}) {
    journal_.clear();
    settings_.General.LayoutMode = c.mode;
    settings_.General.LayoutFile = c.file;
    Started();
    EXPECT_NE(std::find(journal_.begin(), journal_.end(), "shell:ApplySlfLayout " + fallback + " []"), journal_.end())
        << "mode " << c.mode;
    EXPECT_TRUE(ConsoleHas("Reverting to simple.ini"));
    session_.reset();
  }
}

TEST_F(LockSessionTest, TheDefaultLaterStepsSayWhatIsMissing) {
  LaterSteps plain(diagnostics_);
  plain.StartPlugins();
  plain.DisableBalloonTips();
  EXPECT_TRUE(ConsoleHas("Plug-ins: not in this build"));
  EXPECT_TRUE(ConsoleHas("Balloon tips policy: not in this build"));
  EXPECT_FALSE(plain.ApplyHtmlLayout("x.html"));
}

TEST_F(LockSessionTest, ShutDownRunsOnceAlsoWhenADialogInsideItPumpsAnotherShutdown) {
  settings_.Logging.LogBrivakExit = true;
  auto& session = Started();
  session.Dispatch({"remotemessage", "", {"ann", "subj", "body", ""}});
  // The messages dialog at the end is modal: a "shutdown" and a close request pumped meanwhile do
  // nothing.
  shell_.duringMessages = [&] {
    session.Dispatch({"shutdown", "", {}});
    session.ShutDown();
    session.UnlockAndExit();
  };
  session.Dispatch({"shutdown", "", {}});
  session.Dispatch({"shutdown", "", {}});
  EXPECT_EQ(host_.closes, 1);
  EXPECT_EQ(LogCount("Brivak Shutdown"), 1);
  EXPECT_EQ(std::count(journal_.begin(), journal_.end(), "shell:ShowMessages 1"), 1);
  EXPECT_EQ(std::count(journal_.begin(), journal_.end(), "shell:ReleaseInputGrabs"), 1);
}

TEST_F(LockSessionTest, ReentrantShutDownFromInsideItsOwnRunDoesNothing) {
  settings_.Logging.LogBrivakExit = true;
  // An event pumped while ShutDown runs (here: while it closes the window) asks again.
  auto& session = Started();
  host_.onClose = [&] {
    session.ShutDown();
    session.Dispatch({"shutdown", "", {}});
    EXPECT_TRUE(session.OnCloseQuery());
  };
  session.ShutDown();
  EXPECT_EQ(host_.closes, 1);
  EXPECT_EQ(LogCount("Brivak Shutdown"), 1);
  EXPECT_EQ(std::count(journal_.begin(), journal_.end(), "shell:ReleaseCovers"), 1);
}

TEST_F(LockSessionTest, CommandsBeforeReadyAreNotPerformed) {
  auto& session = Make();
  ASSERT_TRUE(session.FormCreate());
  EXPECT_FALSE(session.AcceptsCommands());
  session.Dispatch({"shutdown", "", {}});
  EXPECT_EQ(host_.closes, 0);
  session.Startup();
  EXPECT_TRUE(session.AcceptsCommands());
  session.Dispatch({"shutdown", "", {}});
  EXPECT_EQ(host_.closes, 1);
  EXPECT_FALSE(session.AcceptsCommands());
}

TEST_F(LockSessionTest, FirstTimeDialogRefusedMeansNoLock) {
  settings_.Security.passwordHash.clear();
  auto& session = Make();
  EXPECT_FALSE(session.FormCreate());
  EXPECT_TRUE(ConsoleHas("No password defined."));
  EXPECT_EQ(host_.closes, 1);
  EXPECT_TRUE(session.Ended());
  EXPECT_TRUE(session.AllowClose());
  EXPECT_EQ(std::count(journal_.begin(), journal_.end(), "shell:ShowLockScreen"), 0);
}

TEST_F(LockSessionTest, FirstTimeDialogStoringAPasswordStartsTheLockAndSavesIt) {
  settings_.Security.passwordHash.clear();
  shell_.firstTimeHash = Hash("new");
  auto& session = Make();
  EXPECT_TRUE(session.FormCreate());
  EXPECT_EQ(host_.saves, 1);
  EXPECT_EQ(host_.closes, 0);
}

// --- Dispatcher ---

TEST_F(LockSessionTest, DispatcherWords) {
  auto& session = Started();
  struct Case {
    LockCommand command;
    std::string expected;  // journal entry the word leads to
  };
  const Case cases[] = {
      {{"leavemessage", "", {}}, "shell:RunNoteForm"},
      {{"remotemessage", "", {"ann", "subj", "body", "a@example.org"}}, "shell:MessageCount 1"},
      {{"changeawaymessage", "", {}}, "shell:Authorize change away message 1"},
      {{"focus", "", {}}, "shell:BringToFront"},
      {{"badpass", "bob", {}}, "shell:MessageBox Incorrect username/password. |Brivak"},
      {{"options", "", {}}, "shell:Authorize change Options 2"},
      {{"readmessages", "", {}}, "shell:Authorize read messages 2"},
      {{"logs", "", {}}, "shell:Authorize view Logs 2"},
  };
  for (const auto& c : cases) {
    const auto mark = journal_.size();
    session.Dispatch(c.command);
    const auto after = Since(mark);
    EXPECT_NE(std::find(after.begin(), after.end(), c.expected), after.end()) << c.command.word;
  }
  EXPECT_TRUE(ConsoleHas("You received a message from remote address."));
  EXPECT_EQ(host_.securityEvents,
            (std::vector<std::string>{"Incorrect username/password entered for user: bob", "Bad Password to access Options",
                                      "Bad Password in Authorize routine for View Logs"}));
  EXPECT_EQ(host_.closes, 0);
}

TEST_F(LockSessionTest, GrantedCommandsOpenTheirTargets) {
  settings_.Security.UserViewLogs = true;
  auto& session = Started();
  shell_.authorizeAnswers = {true, true, true};
  session.Dispatch({"options", "", {}});
  session.Dispatch({"readmessages", "", {}});
  session.Dispatch({"logs", "", {}});
  EXPECT_NE(std::find(journal_.begin(), journal_.end(), "shell:RunOptionsDialog"), journal_.end());
  EXPECT_NE(std::find(journal_.begin(), journal_.end(), "shell:MessageBox You have no messages.|Brivak"), journal_.end());
  EXPECT_NE(std::find(journal_.begin(), journal_.end(), "shell:Authorize view Logs 1"), journal_.end());
  EXPECT_NE(std::find(journal_.begin(), journal_.end(), "shell:RunLogViewer"), journal_.end());
  EXPECT_TRUE(host_.securityEvents.empty());
}

TEST_F(LockSessionTest, TerminateEndsTheLockAndTheProgram) {
  auto& session = Started();
  session.Dispatch({"terminate", "", {}});
  EXPECT_TRUE(session.TerminateApp());
  EXPECT_TRUE(host_.terminate);
  EXPECT_EQ(host_.closes, 1);
}

// --- Unlock box ---

TEST_F(LockSessionTest, SingleUserUnlockBox) {
  struct Case {
    std::string stored, typed;
    bool logBad;
    bool unlocks;
  };
  const Case cases[] = {
      {"secret", "secret", false, true},
      {"secret", "wrong", true, false},
      {"secret", "wrong", false, false},
      {"", "", true, true},  // an empty password is hashed like any other text
      {"x", "", true, false},
  };
  for (const auto& c : cases) {
    journal_.clear();
    host_.posted.clear();
    host_.securityEvents.clear();
    settings_.Security.passwordHash = Hash(c.stored);
    settings_.Logging.LogBadPasswords = c.logBad;
    auto& session = Started();
    const int badLines = LogCount("Bad Password entered to exit Brivak: " + c.typed);
    session.OnUnlockOk("ignored", c.typed);
    if (c.unlocks) {
      ASSERT_EQ(host_.posted.size(), 1u) << c.typed;
      EXPECT_EQ(host_.posted[0].word, "shutdown");
      EXPECT_TRUE(host_.securityEvents.empty());
    } else {
      EXPECT_TRUE(host_.posted.empty()) << c.typed;
      EXPECT_EQ(host_.securityEvents, std::vector<std::string>{"Incorrect password entered"});
      EXPECT_EQ(LogCount("Bad Password entered to exit Brivak: " + c.typed), badLines + (c.logBad ? 1 : 0));
      const auto n = journal_.size();
      EXPECT_EQ(journal_[n - 2], "shell:ClearPassword");
      EXPECT_EQ(journal_[n - 1], "shell:FocusBox");
    }
    session_.reset();
  }
}

TEST_F(LockSessionTest, MultiUserUnlockBox) {
  settings_.Security.MultiUser = true;
  users_.AddUser("admin", "adminpw", kLevelAdmin);
  users_.AddUser("ann", "annpw", kLevelUnlock);
  users_.AddUser("guest", "guestpw", kLevelNone);
  struct Case {
    std::string user, password;
    bool logBad, logWho;
    bool unlocks;
  };
  const Case cases[] = {
      {"ann", "annpw", false, true, true},  {"admin", "adminpw", false, false, true},
      {"ann", "bad", true, false, false},   {"guest", "guestpw", true, false, false},
      {"nobody", "x", false, false, false},
  };
  for (const auto& c : cases) {
    journal_.clear();
    host_.posted.clear();
    host_.securityEvents.clear();
    settings_.Logging.LogBadPasswords = c.logBad;
    settings_.Logging.LogUserWhoUnlocked = c.logWho;
    auto& session = Started();
    const std::string who = "User " + c.user + " unlocked Brivak to exit.";
    const std::string bad = "Bad Username/Password entered to exit Brivak: " + c.user + "/" + c.password;
    const int whoBefore = LogCount(who), badBefore = LogCount(bad);
    session.OnUnlockOk(c.user, c.password);
    if (c.unlocks) {
      ASSERT_EQ(host_.posted.size(), 1u) << c.user;
      EXPECT_EQ(LogCount(who), whoBefore + (c.logWho ? 1 : 0));
    } else {
      EXPECT_TRUE(host_.posted.empty()) << c.user;
      EXPECT_EQ(host_.securityEvents, std::vector<std::string>{"Incorrect password entered"});
      EXPECT_TRUE(ConsoleHas("Bad password entered while unlocking (multiuser)"));
      EXPECT_EQ(LogCount(bad), badBefore + (c.logBad ? 1 : 0));
      const auto n = journal_.size();
      EXPECT_EQ(journal_[n - 2], "shell:ClearBoth");
      EXPECT_EQ(journal_[n - 1], "shell:FocusBox");
    }
    session_.reset();
  }
}

// --- Unlocking in place and the countdown ---

TEST_F(LockSessionTest, UnlockInPlaceCountsDownAndLocksAgain) {
  auto& session = Started();
  shell_.authorizeAnswers = {true};
  session.UnlockBrivak();
  EXPECT_EQ(shell_.prompts.back(), std::make_pair(std::string("unlock Brivak"), 2));
  EXPECT_FALSE(session.BrivakLocked());
  EXPECT_EQ(LogCount("Brivak Unlocked"), 1);
  EXPECT_TRUE(ConsoleHas("Brivak Unlocked."));

  session.OnLockTimer();
  EXPECT_EQ(shell_.countdownTexts.back(), "299 seconds");
  for (int i = 0; i < 100; ++i) session.OnLockTimer();
  EXPECT_EQ(shell_.countdownTexts.back(), "199 seconds");

  // A second "Unlock Brivak" asks nothing and leaves the count where it stands.
  const auto prompts = shell_.prompts.size();
  session.UnlockBrivak();
  EXPECT_EQ(shell_.prompts.size(), prompts);
  session.OnLockTimer();
  EXPECT_EQ(shell_.countdownTexts.back(), "198 seconds");

  for (int i = 0; i < 198; ++i) session.OnLockTimer();
  EXPECT_TRUE(session.BrivakLocked());
  EXPECT_EQ(LogCount("Brivak Locked"), 1);
  EXPECT_TRUE(ConsoleHas("Brivak Locked."));
  EXPECT_FALSE(shell_.countdownVisible);
  EXPECT_FALSE(session.Countdown().Running());
  EXPECT_EQ(session.Countdown().Remaining(), 300);
}

TEST_F(LockSessionTest, RefusedUnlockInPlaceKeepsTheLock) {
  auto& session = Started();
  session.UnlockBrivak();
  EXPECT_TRUE(session.BrivakLocked());
  EXPECT_FALSE(session.Countdown().Running());
  EXPECT_EQ(LogCount("Brivak Unlocked"), 0);
}

// --- Unlock & Exit ---

TEST_F(LockSessionTest, UnlockAndExitWhileLockedAsksAndPostsShutdown) {
  auto& session = Started();
  shell_.authorizeAnswers = {true};
  session.UnlockAndExit();
  EXPECT_EQ(shell_.prompts.back(), std::make_pair(std::string("unlock && exit Brivak"), 1));
  EXPECT_EQ(LogCount("Request to Unlock & Exit"), 1);
  ASSERT_EQ(host_.posted.size(), 1u);
  EXPECT_EQ(host_.posted[0].word, "shutdown");
  EXPECT_EQ(host_.closes, 0) << "the lock ends through the queue";
}

TEST_F(LockSessionTest, RefusedUnlockAndExitFocusesTheBox) {
  auto& session = Started();
  session.UnlockAndExit();
  EXPECT_TRUE(host_.posted.empty());
  EXPECT_EQ(journal_.back(), "shell:FocusBox");
  EXPECT_EQ(host_.closes, 0);
}

TEST_F(LockSessionTest, UnlockAndExitWhileUnlockedInPlaceEndsAtOnce) {
  auto& session = Started();
  shell_.authorizeAnswers = {true};
  session.UnlockBrivak();
  const auto prompts = shell_.prompts.size();
  session.UnlockAndExit();
  EXPECT_EQ(shell_.prompts.size(), prompts);
  EXPECT_EQ(host_.closes, 1);
}

TEST_F(LockSessionTest, AltF1AndAltF4AskForUnlockAndExitWithAtMostOnePrompt) {
  auto& session = Started();
  KeyEvent altF4;
  altF4.key = LockKey::F4;
  altF4.altHeld = true;
  KeyEvent altF1;
  altF1.key = LockKey::F1;
  altF1.altHeld = true;
  altF1.f1Held = true;
  // While the first prompt is open, more presses and a close request arrive.
  shell_.duringPrompt = [&] {
    session.OnLockKey(altF4);
    session.OnLockKey(altF1);
    EXPECT_FALSE(session.OnCloseQuery());
  };
  const auto decision = session.OnLockKey(altF1);
  EXPECT_TRUE(decision.unlockAndExit);
  EXPECT_EQ(shell_.prompts.size(), 1u);
  EXPECT_EQ(host_.closes, 0) << "the emergency key never ends the lock unasked";

  shell_.duringPrompt = nullptr;
  session.OnLockKey(altF4);
  EXPECT_EQ(shell_.prompts.size(), 2u);
  EXPECT_EQ(host_.closes, 0);
}

TEST_F(LockSessionTest, CloseQueryAnswersNoWhileLocked) {
  auto& session = Started();
  EXPECT_FALSE(session.OnCloseQuery());
  EXPECT_EQ(shell_.prompts.size(), 1u);
  session.ShutDown();
  EXPECT_TRUE(session.OnCloseQuery());
}

TEST_F(LockSessionTest, ChangedPasswordIsSaved) {
  auto& session = Started();
  const int saves = host_.saves;
  session.OnChangePassword();
  EXPECT_EQ(host_.saves, saves);
  shell_.changePasswordResult = true;
  session.OnChangePassword();
  EXPECT_EQ(host_.saves, saves + 1);
}


// --- Visitor notes ---

TEST_F(LockSessionTest, ANoteLeftThroughTheFormIsCountedAndLogged) {
  auto& session = Started();
  shell_.noteAnswers = {NoteEntry{"ann", "lunch", "", "back at 2"}, std::nullopt, NoteEntry{"", "", "", "anon"}};
  EXPECT_TRUE(session.LeaveAMessage());
  EXPECT_FALSE(session.LeaveAMessage()) << "cancelled";
  session.OnLeaveMessage();  // the unlock box's button
  ASSERT_EQ(session.Messages().Count(), 2u);
  EXPECT_EQ(session.Messages().At(0).Data().Body, "back at 2");
  EXPECT_EQ(std::count(journal_.begin(), journal_.end(), "shell:MessageCount 1"), 1);
  EXPECT_EQ(std::count(journal_.begin(), journal_.end(), "shell:MessageCount 2"), 1);
  EXPECT_EQ(LogCount("Note left by: ann"), 1);
  EXPECT_EQ(LogCount("Note left by: "), 1) << "a note without a name";
}

TEST_F(LockSessionTest, RemoteNotesAreFiledWithTheSendersAddressAndShownAtTheEnd) {
  auto& session = Started();
  session.Dispatch({"remotemessage", "", {"adm", "hello", "Call me", "adm@example.org"}});
  session.Dispatch({"remotemessage", "", {"adm", "again", "Second", ""}});
  ASSERT_EQ(session.Messages().Count(), 2u);
  EXPECT_EQ(session.Messages().At(0).Data().Subject, "hello");
  EXPECT_TRUE(ConsoleHas("You received a message from remote address."));

  bool stillCovered = false;
  shell_.duringMessages = [&] {
    const auto& pending = session.PendingUndo();
    stillCovered = std::find(pending.begin(), pending.end(), "covers") != pending.end();
  };
  session.ShutDown();
  ASSERT_EQ(shell_.shown.size(), 1u) << "the reader opens once, at the end";
  EXPECT_EQ(shell_.shown[0], (std::vector<std::string>{"Call me\r\n\r\nFrom email: adm@example.org",
                                                       "Second\r\n\r\nFrom email: "}));
  EXPECT_TRUE(stillCovered) << "the reader shows while the screens are still covered";
  EXPECT_TRUE(session.Messages().Empty()) << "freed at the end of the lock";
}

TEST_F(LockSessionTest, ALockWithoutNotesEndsWithoutTheReader) {
  auto& session = Started();
  session.ShutDown();
  EXPECT_TRUE(shell_.shown.empty());
}

TEST_F(LockSessionTest, ViewMessagesNeedsAdminWhileLockedOnly) {
  auto& session = Started();
  session.Dispatch({"remotemessage", "", {"adm", "s", "b", ""}});
  shell_.authorizeAnswers = {false};
  session.OnMenuCommand(LockMenuCommand::ViewMessages);
  EXPECT_TRUE(shell_.shown.empty()) << "refused";
  shell_.authorizeAnswers = {true};
  session.OnMessageCountClicked();
  EXPECT_EQ(shell_.shown.size(), 1u);
  EXPECT_EQ(shell_.prompts.back(), (std::pair<std::string, int>{"read messages", 2}));

  shell_.authorizeAnswers = {true};
  session.UnlockBrivak();
  const auto prompts = shell_.prompts.size();
  session.Dispatch({"readmessages", "", {}});
  EXPECT_EQ(shell_.shown.size(), 2u);
  EXPECT_EQ(shell_.prompts.size(), prompts) << "unlocked in place: no password";
}

// --- Away messages ---

TEST_F(LockSessionTest, ThePickerComesAfterTheCoversAndTheGrabs) {
  settings_.Messages.promptForAwayMsg = true;
  settings_.Messages.secsBeforeDefaultMsg = 2;
  settings_.Messages.DefaultAwayMessage = "Away";
  settings_.Messages.awayMessages = "Lunch=Gone To Lunch\r\nMeeting=In a meeting\r\n";
  shell_.picker = [](const AwayPickerRequest&) { return std::string("In a meeting"); };
  auto& session = Started();
  const auto at = [&](const std::string& entry) {
    return std::find(journal_.begin(), journal_.end(), entry) - journal_.begin();
  };
  ASSERT_LT(at("shell:RunAwayPicker countdown"), static_cast<long>(journal_.size()));
  EXPECT_LT(at("shell:FillScreen"), at("shell:RunAwayPicker countdown"));
  EXPECT_LT(at("shell:TakeInputGrabs"), at("shell:RunAwayPicker countdown"));
  EXPECT_LT(at("shell:RunAwayPicker countdown"), at("shell:AwayMessage In a meeting"));
  ASSERT_EQ(shell_.pickerRequests.size(), 1u);
  const AwayPickerRequest& request = shell_.pickerRequests[0];
  EXPECT_EQ(request.current, "Away");
  EXPECT_EQ(request.seconds, 2);
  ASSERT_EQ(request.presets.size(), 2u);
  EXPECT_EQ(request.presets[1].name, "Meeting");
  EXPECT_EQ(session.AwayMessage(), "In a meeting");
  EXPECT_TRUE(ConsoleHas("Prompting for Away Message.."));
}

TEST_F(LockSessionTest, NoPickerWithoutThePromptOrWithNoprompt) {
  settings_.Messages.DefaultAwayMessage = "Away";
  for (const bool noprompt : {false, true}) {
    journal_.clear();
    settings_.Messages.promptForAwayMsg = noprompt;
    values_.noprompt = noprompt;
    auto& session = Started();
    EXPECT_EQ(std::count(journal_.begin(), journal_.end(), "shell:RunAwayPicker countdown"), 0);
    EXPECT_EQ(session.AwayMessage(), "Away");
    session.ShutDown();
  }
}

TEST_F(LockSessionTest, CommandsWaitWhileThePickerIsOpen) {
  settings_.Messages.promptForAwayMsg = true;
  bool accepted = true;
  shell_.picker = [&](const AwayPickerRequest& r) {
    accepted = session_->AcceptsCommands();
    return r.defaultMessage;
  };
  auto& session = Started();
  EXPECT_FALSE(accepted);
  EXPECT_TRUE(session.AcceptsCommands());
}

TEST_F(LockSessionTest, ChangeAwayMessageNeedsUnlockLevelAndRefreshesTheLayout) {
  settings_.Messages.DefaultAwayMessage = "Away";
  auto& session = Started();
  shell_.authorizeAnswers = {false};
  session.OnMenuCommand(LockMenuCommand::ChangeAwayMessage);
  EXPECT_TRUE(shell_.pickerRequests.empty());
  EXPECT_EQ(shell_.prompts.back(), (std::pair<std::string, int>{"change away message", 1}));

  shell_.authorizeAnswers = {true};
  shell_.picker = [](const AwayPickerRequest&) { return std::string("Back soon"); };
  const auto mark = journal_.size();
  session.Dispatch({"changeawaymessage", "", {}});
  ASSERT_EQ(shell_.pickerRequests.size(), 1u);
  EXPECT_FALSE(shell_.pickerRequests[0].countdown) << "no countdown during the lock";
  EXPECT_EQ(session.AwayMessage(), "Back soon");
  const auto after = Since(mark);
  EXPECT_NE(std::find(after.begin(), after.end(), "shell:ApplySlfLayout " + settings_.General.LayoutFile + " [Back soon]"),
            after.end())
      << "the layout is refreshed with the new message";
}

// --- Menu, keys, gestures, the status tick ---

TEST_F(LockSessionTest, MenuItemsOfFeaturesNotInThisBuildAreDisabledAndDoNothing) {
  auto& session = Started();
  std::vector<const LockMenuItem*> items;
  for (const auto& item : LockMenuItems()) {
    items.push_back(&item);
    for (const auto& child : item.children) items.push_back(&child);
  }
  std::vector<std::string> captions;
  for (const auto& item : LockMenuItems()) captions.push_back(item.caption);
  EXPECT_EQ(captions, (std::vector<std::string>{"Change Away Message", "View Messages", "ScreenSavers", "Layouts",
                                                "Edit this Layout's Code (F11)", "Power", "Options", "Brivak Logs",
                                                "Help", "Unlock Brivak", "Unlock && Exit"}));
  for (const LockMenuItem* item : items) {
    if (LockFeatureAvailable(item->feature)) continue;
    const auto mark = journal_.size();
    session.OnMenuCommand(item->command);
    EXPECT_TRUE(Since(mark).empty()) << item->caption;
  }
}

TEST_F(LockSessionTest, TheMenusOptionsAndLogsOpenTheirWindowsAfterThePassword) {
  auto& session = Started();
  EXPECT_TRUE(LockFeatureAvailable(LockFeature::Options));
  EXPECT_TRUE(LockFeatureAvailable(LockFeature::LogViewer));
  shell_.authorizeAnswers = {true, true, false};
  session.OnMenuCommand(LockMenuCommand::Options);
  session.OnMenuCommand(LockMenuCommand::Logs);
  const auto mark = journal_.size();
  session.OnMenuCommand(LockMenuCommand::Options);  // refused
  EXPECT_EQ(std::count(journal_.begin(), journal_.end(), "shell:RunOptionsDialog"), 1);
  EXPECT_EQ(std::count(journal_.begin(), journal_.end(), "shell:RunLogViewer"), 1);
  EXPECT_EQ(std::count(journal_.begin() + static_cast<long>(mark), journal_.end(), "shell:RunOptionsDialog"), 0);
  EXPECT_EQ(host_.securityEvents, (std::vector<std::string>{"Bad Password to access Options"}));
}

TEST_F(LockSessionTest, HiddenKeys) {
  struct Case {
    int f;
    char letter;
    bool ctrl;
    std::optional<LockMenuCommand> command;
  };
  const Case cases[] = {
      {1, 0, false, LockMenuCommand::HelpManual},      {2, 0, false, LockMenuCommand::Options},
      {3, 0, false, LockMenuCommand::Deployment},      {5, 0, false, LockMenuCommand::RefreshLayout},
      {6, 0, false, LockMenuCommand::EditLayout},      {11, 0, false, LockMenuCommand::MonitorOff},
      {12, 0, false, LockMenuCommand::Standby},        {0, 'A', true, LockMenuCommand::ChangeAwayMessage},
      {0, 'a', true, LockMenuCommand::ChangeAwayMessage}, {0, 'A', false, std::nullopt},
      {9, 0, false, std::nullopt},                     {4, 0, false, std::nullopt},
  };
  for (const Case& c : cases) EXPECT_EQ(HiddenKeyCommand(c.f, c.letter, c.ctrl), c.command) << c.f << c.letter;

  auto& session = Started();
  const auto mark = journal_.size();
  session.OnMenuCommand(LockMenuCommand::RefreshLayout);
  const auto after = Since(mark);
  EXPECT_NE(std::find(after.begin(), after.end(), "shell:ApplySlfLayout " + settings_.General.LayoutFile + " []"),
            after.end());
  session.OnMenuCommand(LockMenuCommand::HelpManual);
  EXPECT_EQ(journal_.back(), "shell:ShowHelp");
}

TEST_F(LockSessionTest, ThreeQuickRightClicksRunTheMenuTimer) {
  auto& session = Started();
  for (int i = 0; i < 4; ++i) {
    clock_.Advance(150);
    session.OnRightButton();
  }
  EXPECT_EQ(std::count(journal_.begin(), journal_.end(), "shell:RunMenuTimer"), 0);
  clock_.Advance(150);
  session.OnRightButton();
  EXPECT_EQ(std::count(journal_.begin(), journal_.end(), "shell:RunMenuTimer"), 1);
}

TEST_F(LockSessionTest, PointerMovementEndsTheLockOnlyWithScreenSaverExit) {
  for (const bool exitOnMove : {false, true}) {
    host_.posted.clear();
    settings_.Advanced.screenSaverExit = exitOnMove;
    shell_.cursor = {10, 20};
    auto& session = Started();
    session.OnPointerMoved(10, 20);  // where it was at the start: no movement
    EXPECT_TRUE(host_.posted.empty());
    session.OnPointerMoved(11, 20);
    session.OnPointerMoved(12, 20);
    EXPECT_EQ(host_.posted.size(), exitOnMove ? 1u : 0u) << "posted once";
    if (exitOnMove) EXPECT_TRUE(ConsoleHas("Mouse movement detected, shutting down."));
    session.ShutDown();
  }
}

// The bar's network button: suspend, then restore, each behind the password at the UserSuspendNetwork
// level; unlocked in place it asks nothing; a refusal changes nothing; the lock's end restores.
TEST_F(LockSessionTest, TheNetworkButtonSuspendsAndRestoresBehindThePassword) {
  platform::RecordingNetworkSwitch net;
  NetworkSuspension suspension(net, diagnostics_, [](bool) {});
  network_ = &suspension;
  auto& session = Started();
  EXPECT_NE(std::find(journal_.begin(), journal_.end(), "shell:ShowNetworkState available normal"), journal_.end());

  shell_.authorizeAnswers = {false, true, true};
  session.OnNetworkButton();
  EXPECT_TRUE(net.Calls().empty());
  EXPECT_EQ(shell_.prompts.back(), (std::pair<std::string, int>{"suspend network access", 2}));
  session.OnNetworkButton();
  EXPECT_EQ(net.Calls(), (std::vector<std::string>{"off"}));
  EXPECT_EQ(journal_.back(), "shell:ShowNetworkState available suspended");

  settings_.Security.UserSuspendNetwork = true;
  session.OnNetworkButton();
  EXPECT_EQ(shell_.prompts.back(), (std::pair<std::string, int>{"resume network access", 1}));
  EXPECT_EQ(net.Calls(), (std::vector<std::string>{"off", "on"}));
  EXPECT_EQ(journal_.back(), "shell:ShowNetworkState available normal");

  shell_.authorizeAnswers = {true};
  session.UnlockBrivak();  // unlocked in place: the button asks nothing
  const auto prompts = shell_.prompts.size();
  session.OnNetworkButton();
  EXPECT_EQ(shell_.prompts.size(), prompts);
  EXPECT_EQ(net.Calls(), (std::vector<std::string>{"off", "on", "off"}));

  session.ShutDown();
  EXPECT_EQ(net.Calls(), (std::vector<std::string>{"off", "on", "off", "on"}));
}

TEST_F(LockSessionTest, TheConsoleToggleNeedsAdminUnlessUsersMayChangeIt) {
  auto& session = Started();
  shell_.authorizeAnswers = {false, true};
  session.OnConsoleToggle();
  EXPECT_EQ(std::count(journal_.begin(), journal_.end(), "shell:SwitchConsolePage"), 0);
  EXPECT_EQ(host_.securityEvents, (std::vector<std::string>{"Bad credentials to change console mode."}));
  session.OnConsoleToggle();
  EXPECT_EQ(std::count(journal_.begin(), journal_.end(), "shell:SwitchConsolePage"), 1);
  EXPECT_EQ(shell_.prompts.back(), (std::pair<std::string, int>{"change console mode", 2}));

  settings_.Security.UserChangeConsole = true;
  const auto prompts = shell_.prompts.size();
  session.OnConsoleToggle();
  EXPECT_EQ(shell_.prompts.size(), prompts);
  EXPECT_EQ(std::count(journal_.begin(), journal_.end(), "shell:SwitchConsolePage"), 2);
}

TEST_F(LockSessionTest, TheIdleLabelAsksForThePassword) {
  auto& session = Started();
  session.OnIdleLabelClicked();
  EXPECT_EQ(host_.closes, 0);
  EXPECT_EQ(shell_.prompts.back(), (std::pair<std::string, int>{"unlock && exit Brivak", 1}));
}

TEST_F(LockSessionTest, StatusTickRefreshesThePanelOnlyWhenShown) {
  for (const bool shown : {false, true}) {
    shell_.panelUpdates.clear();
    settings_.General.showSysInfoPanel = shown;
    auto& session = Started();
    EXPECT_NE(std::find(journal_.begin(), journal_.end(), std::string("shell:SystemPanel ") + (shown ? "1" : "0")),
              journal_.end());
    clock_.Advance(61000);
    session.OnStatusTick();
    ASSERT_EQ(shell_.panelUpdates.size(), shown ? 1u : 0u);
    if (shown) {
      EXPECT_EQ(shell_.panelUpdates[0].idle, "Idle 1 min 1 sec");
      EXPECT_EQ(shell_.panelUpdates[0].clock, "10:02:02 am") << "after two advances of 61 s";
    }
    session.ShutDown();
  }
}

TEST_F(LockSessionTest, ALayoutSavedDuringTheLockIsReloadedOnTheNextTick) {
  settings_.Advanced.ScanForLayoutFileChanges = true;
  auto& session = Started();
  session.OnStatusTick();  // records the stamp
  const auto count = [&] {
    return std::count(journal_.begin(), journal_.end(), "shell:ApplySlfLayout " + settings_.General.LayoutFile + " []");
  };
  const auto before = count();
  session.OnStatusTick();
  EXPECT_EQ(count(), before) << "unchanged";
  std::filesystem::last_write_time(settings_.General.LayoutFile,
                                   std::filesystem::last_write_time(settings_.General.LayoutFile) + std::chrono::seconds(5));
  session.OnStatusTick();
  EXPECT_EQ(count(), before + 1);
  EXPECT_TRUE(ConsoleHas("Refreshing layout..."));
  session.ShutDown();
  EXPECT_EQ(std::count(journal_.begin(), journal_.end(), "shell:FreeCreatedControls"), 1) << "one undo for the layout";
}

}  // namespace
}  // namespace brivak::core

namespace brivak::core {
namespace {

// Mem and WriteLog lines into one journal beside the record's changes.
class NetworkJournalLog : public LogSink {
 public:
  explicit NetworkJournalLog(std::vector<std::string>& journal) : journal_(journal) {}
  void WriteLog(std::string_view text) override { journal_.push_back("log:" + std::string(text)); }
  void Mem(std::string_view text) override { journal_.push_back("mem:" + std::string(text)); }
  void LastMem(std::string_view text) override { journal_.push_back("lastmem:" + std::string(text)); }
  void Debug(std::string_view) override {}

 private:
  std::vector<std::string>& journal_;
};

// The record is written before the suspension is asked for and removed once a restore was accepted.
TEST(NetworkSuspensionTest, SuspendAndRestoreAreLoggedWhenAcceptedAndRecordedAroundTheRequests) {
  platform::RecordingNetworkSwitch network;
  std::vector<std::string> journal;
  NetworkJournalLog log(journal);
  NetworkSuspension suspension(network, log, [&](bool on) { journal.push_back(on ? "record" : "unrecord"); });
  suspension.ToggleNetwork(false);
  EXPECT_TRUE(suspension.NetworkWasTurnedOff());
  suspension.ToggleNetwork(true);
  EXPECT_FALSE(suspension.NetworkWasTurnedOff());
  EXPECT_EQ(network.Calls(), (std::vector<std::string>{"off", "on"}));
  EXPECT_EQ(journal, (std::vector<std::string>{"mem:Disabling Network Access...", "record",
                                               "log:Network access suspended", "mem:Restoring Network Access...",
                                               "log:Network access resumed", "unrecord"}));
}

TEST(NetworkSuspensionTest, ARefusedRequestIsLoggedAsAFailureAndKeepsTheRecord) {
  platform::RecordingNetworkSwitch network;
  network.Refuse("org.freedesktop.NetworkManager.PermissionDenied: no");
  std::vector<std::string> journal;
  NetworkJournalLog log(journal);
  NetworkSuspension suspension(network, log, [&](bool on) { journal.push_back(on ? "record" : "unrecord"); });
  suspension.ToggleNetwork(true);
  EXPECT_EQ(journal, (std::vector<std::string>{
                         "mem:Restoring Network Access...",
                         "mem:Network access could not be resumed: org.freedesktop.NetworkManager.PermissionDenied: no",
                         "log:Network access could not be resumed: org.freedesktop.NetworkManager.PermissionDenied: no"}));
}

}  // namespace
}  // namespace brivak::core

namespace brivak::core {
namespace {

// The menu's power items: standby and hibernate ask with the UserStandby level, lock again first
// and then ask the host; "Monitor Off" logs and switches the monitors off.
TEST_F(LockSessionTest, PowerItemsLockFirstThenAskTheHost) {
  auto& session = Started();
  shell_.authorizeAnswers = {true, false};
  auto mark = journal_.size();
  session.OnMenuCommand(LockMenuCommand::Standby);
  auto after = Since(mark);
  EXPECT_EQ(shell_.prompts.back(), std::make_pair(std::string("put system in Standby"), 2));
  EXPECT_EQ(after.back(), "host:SystemStandby");
  EXPECT_EQ(LogCount("Brivak Locked"), 1) << "locked again first";

  mark = journal_.size();
  session.OnMenuCommand(LockMenuCommand::Hibernate);  // refused
  after = Since(mark);
  EXPECT_EQ(shell_.prompts.back(), std::make_pair(std::string("Hibernate system"), 2));
  EXPECT_EQ(std::find(after.begin(), after.end(), "host:SystemHibernate"), after.end());

  settings_.Security.UserStandby = true;
  shell_.authorizeAnswers = {true};
  session.OnMenuCommand(LockMenuCommand::Hibernate);
  EXPECT_EQ(shell_.prompts.back(), std::make_pair(std::string("Hibernate system"), 1));
  EXPECT_EQ(journal_.back(), "host:SystemHibernate");

  session.OnMenuCommand(LockMenuCommand::MonitorOff);
  EXPECT_EQ(journal_.back(), "host:MonitorOff");
  EXPECT_EQ(LogCount("Monitor turned off"), 1);
}

}  // namespace
}  // namespace brivak::core
