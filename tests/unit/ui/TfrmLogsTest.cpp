#include "proj/ui/TfrmLogs.h"

#include <QCalendarWidget>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTextCharFormat>

#include <gtest/gtest.h>

#include <filesystem>

#include "proj/ui/LogSearch.h"
#include "support/Files.h"
#include "support/TempDir.h"

namespace brivak::ui {
namespace {

// Non-ASCII lines before the matches: "ß" upper-cases to two letters, "İ" lower-cases to two, and
// "Ä" is one letter in both cases; none of them may move a match or its selection.
const char* const kDay =
    "-- Brivak3 log file -- created 12/9/2026 8:00:00 AM\r\n"
    "\r\n"
    "\r\n"
    "[8:00:01 AM] Straße gesperrt, İstanbul Ärger\r\n"
    "[8:00:02 AM] Bad Password entered to exit Brivak: x\r\n"
    "[8:00:03 AM] ÄRGER in der STRASSE\r\n"
    "[8:00:04 AM] bad password entered again\r\n";

TEST(LogSearch, MatchesIgnoreCaseOneCharacterAtATime) {
  const QString text = QString::fromUtf8("Straße ÄRGER ärger STRASSE");
  EXPECT_EQ(FindForward(text, QString::fromUtf8("ärger"), 0), 7);
  EXPECT_EQ(FindForward(text, QString::fromUtf8("ärger"), 8), 13);
  EXPECT_EQ(FindForward(text, QString::fromUtf8("ärger"), 14), -1);
  EXPECT_EQ(FindForward(text, QStringLiteral("strasse"), 0), 19) << "ß is not two letters here";
  EXPECT_EQ(FindForward(text, QString(), 0), -1);
  EXPECT_EQ(FindBackward(text, QString::fromUtf8("ÄRGER"), static_cast<int>(text.size())), 13);
  EXPECT_EQ(FindBackward(text, QString::fromUtf8("ÄRGER"), 17), 7) << "ends at or before the selection start";
  EXPECT_EQ(FindBackward(text, QString::fromUtf8("ÄRGER"), 4), -1);
  EXPECT_EQ(FindBackward(QStringLiteral("ab"), QStringLiteral("abc"), 2), -1);
}

class TfrmLogsTest : public ::testing::Test {
 protected:
  TfrmLogsTest() {
    std::filesystem::create_directories(dir_.Folder() + "Logs");
    test::WriteAll(dir_.Folder() + "Logs/Dec-09-26.txt", kDay);
    test::WriteAll(dir_.Folder() + "Logs/Dec-01-26.txt", "x\r\n");
    test::WriteAll(dir_.Folder() + "Logs/Nov-30-26.txt", "y\r\n");
  }
  std::unique_ptr<TfrmLogs> Make() {
    return std::make_unique<TfrmLogs>(LogViewerPorts{dir_.Folder() + "Logs/", QDate(2026, 12, 9),
                                                     [this](const std::string& path) {
                                                       opened_.push_back(path);
                                                       return true;
                                                     }});
  }
  test::TempDir dir_;
  std::vector<std::string> opened_;
};

TEST_F(TfrmLogsTest, OpensOnTodaysFileWithItsInformation) {
  auto logs = Make();
  EXPECT_EQ(logs->windowTitle(), QStringLiteral("Log Viewer"));
  const QString text = logs->Text()->toPlainText();
  EXPECT_TRUE(text.startsWith(QStringLiteral("Log file for December 09, 2026\n-- Brivak3 log file")));
  EXPECT_EQ(logs->FileNameLabel()->text(), QStringLiteral("Dec-09-26.txt"));
  EXPECT_EQ(logs->LinesLabel()->text(), QStringLiteral("9 lines"));
  // Characters of the text with its CR LF ends, the title line included.
  const int size = static_cast<int>(QString::fromUtf8(kDay).size()) + 32;
  EXPECT_EQ(logs->SizeLabel()->text().toStdString(), std::to_string(size) + " bytes");
  EXPECT_TRUE(logs->OpenButton()->isEnabled());
  logs->OpenButton()->click();
  logs->FolderButton()->click();
  EXPECT_EQ(opened_, (std::vector<std::string>{dir_.Folder() + "Logs/Dec-09-26.txt", dir_.Path() + "/Logs"}));

  // Days with a file are bold, in the month shown.
  EXPECT_EQ(logs->Calendar()->dateTextFormat(QDate(2026, 12, 1)).fontWeight(), QFont::Bold);
  EXPECT_EQ(logs->Calendar()->dateTextFormat(QDate(2026, 12, 9)).fontWeight(), QFont::Bold);
  EXPECT_NE(logs->Calendar()->dateTextFormat(QDate(2026, 12, 2)).fontWeight(), QFont::Bold);
  logs->Calendar()->setCurrentPage(2026, 11);
  EXPECT_EQ(logs->Calendar()->dateTextFormat(QDate(2026, 11, 30)).fontWeight(), QFont::Bold);
  EXPECT_NE(logs->Calendar()->dateTextFormat(QDate(2026, 12, 1)).fontWeight(), QFont::Bold);
}

TEST_F(TfrmLogsTest, ADayWithoutAFileSaysSoAndDisablesOnlyTheOpenButton) {
  auto logs = Make();
  logs->ShowDay(QDate(2026, 12, 5));
  EXPECT_EQ(logs->Text()->toPlainText(), QStringLiteral("No log file for December 05, 2026"));
  EXPECT_EQ(logs->FileNameLabel()->text(), QStringLiteral("(no file)"));
  EXPECT_TRUE(logs->LinesLabel()->text().isEmpty());
  EXPECT_FALSE(logs->OpenButton()->isEnabled());
  EXPECT_TRUE(logs->FolderButton()->isEnabled());
}

TEST_F(TfrmLogsTest, SearchGoesForwardAndBackOverNonAsciiLinesAndSelectsTheMatch) {
  auto logs = Make();
  EXPECT_FALSE(logs->ForwardButton()->isEnabled());
  logs->SearchBox()->setText(QStringLiteral("PASSWORD"));
  EXPECT_TRUE(logs->ForwardButton()->isEnabled() && logs->BackButton()->isEnabled());
  const QString text = logs->Text()->toPlainText();
  const int first = static_cast<int>(text.indexOf(QStringLiteral("Password")));
  const int second = static_cast<int>(text.indexOf(QStringLiteral("password")));
  ASSERT_GT(second, first);

  logs->LookForward();
  EXPECT_EQ(logs->Status()->currentMessage(), QStringLiteral("found at ") + QString::number(first));
  EXPECT_EQ(logs->Text()->textCursor().selectedText(), QStringLiteral("Password"));
  logs->LookForward();
  EXPECT_EQ(logs->Status()->currentMessage(), QStringLiteral("found at ") + QString::number(second));
  EXPECT_EQ(logs->Text()->textCursor().selectedText(), QStringLiteral("password"));
  logs->LookForward();
  EXPECT_EQ(logs->Status()->currentMessage(), QStringLiteral("nothing found!"));

  // Back from the end of the text: the last match first, then the one before it (1-based status).
  QTextCursor end = logs->Text()->textCursor();
  end.movePosition(QTextCursor::End);
  logs->Text()->setTextCursor(end);
  logs->LookBack();
  EXPECT_EQ(logs->Status()->currentMessage(), QStringLiteral("found at ") + QString::number(second + 1));
  EXPECT_EQ(logs->Text()->textCursor().selectionStart(), second);
  logs->LookBack();
  EXPECT_EQ(logs->Status()->currentMessage(), QStringLiteral("found at ") + QString::number(first + 1));
  EXPECT_EQ(logs->Text()->textCursor().selectedText(), QStringLiteral("Password"));
  logs->LookBack();
  EXPECT_EQ(logs->Status()->currentMessage(), QStringLiteral("nothing found!"));

  // Non-ASCII matches select exactly what they matched.
  logs->Text()->moveCursor(QTextCursor::Start);
  logs->SearchBox()->setText(QString::fromUtf8("ärger"));
  logs->LookForward();
  EXPECT_EQ(logs->Text()->textCursor().selectedText(), QString::fromUtf8("Ärger"));
  logs->LookForward();
  EXPECT_EQ(logs->Text()->textCursor().selectedText(), QString::fromUtf8("ÄRGER"));
}

TEST_F(TfrmLogsTest, TheStripFoldsAndUnfoldsTheLeftPanelAndSaveAsWritesTheLines) {
  auto logs = Make();
  logs->show();
  const int width = logs->LeftPanel()->width();
  logs->ToggleLeftPanel();
  EXPECT_FALSE(logs->LeftPanel()->isVisible());
  logs->ToggleLeftPanel();
  EXPECT_TRUE(logs->LeftPanel()->isVisible());
  EXPECT_EQ(logs->LeftPanel()->width(), width);

  const std::string saved = dir_.Folder() + "saved.txt";
  ASSERT_TRUE(logs->SaveTo(QString::fromStdString(saved)));
  const std::string data = test::ReadAll(saved);
  EXPECT_TRUE(data.starts_with("Log file for December 09, 2026\r\n-- Brivak3 log file")) << data;
  EXPECT_NE(data.find("Straße gesperrt"), std::string::npos);
}

}  // namespace
}  // namespace brivak::ui
