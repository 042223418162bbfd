// Recording fakes of a lock's surroundings: the lock screen window, the later steps and the host.
// All three write into one journal, so tests can check the order of everything a lock did.
#pragma once

#include <deque>
#include <functional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "proj/core/BrivakSettings.h"
#include "proj/core/LaterSteps.h"
#include "proj/core/LockSession.h"
#include "proj/core/LockShell.h"

namespace brivak::core::test {

using Journal = std::vector<std::string>;

class RecordingLockShell : public LockShell {
 public:
  explicit RecordingLockShell(Journal& journal) : journal_(journal) {}

  // Answers of the next Authorize prompts (false once they run out).
  std::deque<bool> authorizeAnswers;
  std::vector<std::pair<std::string, int>> prompts;
  // Run while a prompt is open, as events pumped by a modal dialog.
  std::function<void()> duringPrompt;
  // What the first-time dialog stores as the master hash ("" stores nothing).
  std::string firstTimeHash;
  TBrivakSettings* settings = nullptr;
  bool changePasswordResult = false;
  std::vector<std::string> countdownTexts;
  LockEvents* events = nullptr;
  bool grabsHeld = true;

  void SetEvents(LockEvents* e) override { events = e; }
  bool RunFirstTimeDialog() override {
    Record("RunFirstTimeDialog");
    if (!firstTimeHash.empty() && settings) settings->Security.passwordHash = firstTimeHash;
    return !firstTimeHash.empty();
  }
  bool Authorize(const std::string& activity, int level) override {
    Record("Authorize " + activity + " " + std::to_string(level));
    prompts.emplace_back(activity, level);
    if (duringPrompt) duringPrompt();
    if (authorizeAnswers.empty()) return false;
    const bool answer = authorizeAnswers.front();
    authorizeAnswers.pop_front();
    return answer;
  }
  void MessageBox(const std::string& text, const std::string& caption, MessageIcon) override {
    Record("MessageBox " + text + "|" + caption);
  }
  // Answers of the next question boxes (Cancel once they run out).
  std::deque<bool> confirmAnswers;
  bool Confirm(const std::string& text, const std::string& caption, MessageIcon) override {
    Record("Confirm " + text + "|" + caption);
    if (confirmAnswers.empty()) return false;
    const bool answer = confirmAnswers.front();
    confirmAnswers.pop_front();
    return answer;
  }
  // What the change-password dialog stores as the master hash ("" changes nothing).
  std::string changePasswordHash;
  bool RunChangePasswordDialog() override {
    Record("RunChangePasswordDialog");
    if (!changePasswordHash.empty() && settings) settings->Security.passwordHash = changePasswordHash;
    return changePasswordResult || !changePasswordHash.empty();
  }
  void RunOptionsDialog() override { Record("RunOptionsDialog"); }
  void RunLogViewer() override { Record("RunLogViewer"); }
  void ShowLockScreen() override { Record("ShowLockScreen"); }
  void ApplySlfLayout(const std::string& path, const std::string& awayMessage) override {
    Record("ApplySlfLayout " + path + " [" + awayMessage + "]");
  }
  void FreeCreatedControls() override { Record("FreeCreatedControls"); }
  void FillScreen() override { Record("FillScreen"); }
  void ReleaseCovers() override { Record("ReleaseCovers"); }
  bool TakeInputGrabs() override {
    Record("TakeInputGrabs");
    return grabsHeld;
  }
  void ReleaseInputGrabs() override { Record("ReleaseInputGrabs"); }
  void FocusBox() override { Record("FocusBox"); }
  void ClearPassword() override { Record("ClearPassword"); }
  void ClearBoth() override { Record("ClearBoth"); }
  void ShowCountdown(const std::string& text) override {
    countdownTexts.push_back(text);
    countdownVisible = true;
  }
  void HideCountdown() override { countdownVisible = false; }
  void SetLockedLook(bool locked) override { Record(locked ? "LockedLook" : "UnlockedLook"); }
  void BringToFront() override { Record("BringToFront"); }
  void CloseWindow() override { Record("CloseWindow"); }

  bool countdownVisible = false;

 private:
  void Record(std::string call) { journal_.push_back("shell:" + std::move(call)); }
  Journal& journal_;
};

class RecordingLaterSteps : public LaterSteps {
 public:
  RecordingLaterSteps(LogSink& log, Journal& journal) : LaterSteps(log), journal_(journal) {}

  bool hasMessages = false;
  bool htmlApplies = false;

  void CreateProcessMapper() override { Record("CreateProcessMapper"); }
  void CloseProcessMapper() override { Record("CloseProcessMapper"); }
  bool ApplyHtmlLayout(const std::string& path) override {
    Record("ApplyHtmlLayout " + path);
    return htmlApplies;
  }
  void DeleteTemporaryFiles() override { Record("DeleteTemporaryFiles"); }
  void StartPlugins() override { Record("StartPlugins"); }
  void UnloadPlugins() override { Record("UnloadPlugins"); }
  void HideTaskbar() override { Record("HideTaskbar"); }
  void ShowTaskbar() override { Record("ShowTaskbar"); }
  void SetAutoRun(bool) override { Record("SetAutoRun"); }
  void RestoreAutoRun(bool) override { Record("RestoreAutoRun"); }
  void DisableBalloonTips() override { Record("DisableBalloonTips"); }
  void EnableBalloonTips() override { Record("EnableBalloonTips"); }
  void DisableTaskManager() override { Record("DisableTaskManager"); }
  void EnableTaskManager() override { Record("EnableTaskManager"); }
  void StartStatusBar() override { Record("StartStatusBar"); }
  void StopStatusBar() override { Record("StopStatusBar"); }
  bool HasMessages() override { return hasMessages; }
  // Run while the (modal) messages dialog at the end of a lock is open.
  std::function<void()> duringMessages;
  void ShowMessagesAtEnd() override {
    Record("ShowMessagesAtEnd");
    if (duringMessages) duringMessages();
  }
  void LeaveMessage() override { Record("LeaveMessage"); }
  void AddRemoteMessage(const RemoteMessage& message) override { Record("AddRemoteMessage " + message.from); }
  void MessagesDialog() override { Record("MessagesDialog"); }
  void ChangeAwayMessage() override { Record("ChangeAwayMessage"); }
  void ReloadHtmlLayout() override { Record("ReloadHtmlLayout"); }

 private:
  void Record(std::string call) { journal_.push_back("later:" + std::move(call)); }
  Journal& journal_;
};

class RecordingLockHost : public LockHost {
 public:
  explicit RecordingLockHost(Journal& journal) : journal_(journal) {}

  std::vector<LockCommand> posted;
  std::vector<std::string> securityEvents;
  int saves = 0;
  int closes = 0;
  bool lockEnded = false;
  bool terminate = false;
  std::function<void()> onClose;

  void PostCommand(LockCommand command) override {
    journal_.push_back("host:PostCommand " + command.word);
    posted.push_back(std::move(command));
  }
  void SecurityEvent(std::string_view text) override { securityEvents.emplace_back(text); }
  void SaveSettings() override { ++saves; }
  void LockEnding() override { lockEnded = true; }
  void CloseMainForm() override {
    journal_.push_back("host:CloseMainForm");
    ++closes;
    if (onClose) onClose();
  }
  void TerminateApp() override { terminate = true; }
  // Thrown by the next WriteStartupData when set.
  bool startupDataFails = false;
  void WriteStartupData() override {
    journal_.push_back("host:WriteStartupData");
    if (startupDataFails) throw std::runtime_error("read-only folder");
  }

 private:
  Journal& journal_;
};

}  // namespace brivak::core::test
