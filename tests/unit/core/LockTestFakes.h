// Recording fakes of a lock's surroundings: the lock screen window, the later steps and the host.
// All three write into one journal, so tests can check the order of everything a lock did.
#pragma once

#include <deque>
#include <functional>
#include <stdexcept>
#include <optional>
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

  // Answers of the next note forms (cancel once they run out).
  std::deque<std::optional<NoteEntry>> noteAnswers;
  std::optional<NoteEntry> RunNoteForm(const MessageSettings&) override {
    Record("RunNoteForm");
    if (duringPrompt) duringPrompt();
    if (noteAnswers.empty()) return std::nullopt;
    auto answer = noteAnswers.front();
    noteAnswers.pop_front();
    return answer;
  }
  // Run while the (modal) reader is open; `shown` holds the bodies of the messages it showed.
  std::function<void()> duringMessages;
  std::vector<std::vector<std::string>> shown;
  void ShowMessages(const TMessageList& messages) override {
    Record("ShowMessages " + std::to_string(messages.Count()));
    std::vector<std::string> bodies;
    for (std::size_t i = 0; i < messages.Count(); ++i) bodies.push_back(messages.At(i).Data().Body);
    shown.push_back(std::move(bodies));
    if (duringMessages) duringMessages();
  }
  void SetMessageCount(std::size_t count) override { Record("MessageCount " + std::to_string(count)); }
  // The picker's answer; the default message when empty.
  std::function<std::string(const AwayPickerRequest&)> picker;
  std::vector<AwayPickerRequest> pickerRequests;
  std::string RunAwayPicker(const AwayPickerRequest& request) override {
    Record(std::string("RunAwayPicker ") + (request.countdown ? "countdown" : "waiting"));
    pickerRequests.push_back(request);
    if (duringPrompt) duringPrompt();
    return picker ? picker(request) : request.defaultMessage;
  }
  void SetAwayMessage(const std::string& text) override { Record("AwayMessage " + text); }
  void StartStatusTimer() override { Record("StartStatusTimer"); }
  void StopStatusTimer() override { Record("StopStatusTimer"); }
  void ShowSystemPanel(bool visible) override { Record(std::string("SystemPanel ") + (visible ? "1" : "0")); }
  std::vector<SystemPanelTexts> panelUpdates;
  void UpdateSystemPanel(const SystemPanelTexts& texts) override { panelUpdates.push_back(texts); }
  void RunMenuTimer() override { Record("RunMenuTimer"); }
  void SwitchConsolePage() override { Record("SwitchConsolePage"); }
  void ShowNetworkState(bool available, bool suspended) override {
    Record(std::string("ShowNetworkState ") + (available ? "available" : "none") + (suspended ? " suspended" : " normal"));
  }
  void ShowHelp() override { Record("ShowHelp"); }
  void ShowText(const std::string& caption, const std::string&) override { Record("ShowText " + caption); }
  bool OpenDocument(const std::string& pathOrUrl) override {
    Record("OpenDocument " + pathOrUrl);
    return true;
  }
  std::pair<int, int> cursor{100, 100};
  std::pair<int, int> CursorPosition() override { return cursor; }

  bool countdownVisible = false;

 private:
  void Record(std::string call) { journal_.push_back("shell:" + std::move(call)); }
  Journal& journal_;
};

class RecordingLaterSteps : public LaterSteps {
 public:
  RecordingLaterSteps(LogSink& log, Journal& journal) : LaterSteps(log), journal_(journal) {}

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
  void SetAutoRun(bool) override { Record("SetAutoRun"); }
  void RestoreAutoRun(bool) override { Record("RestoreAutoRun"); }
  void DisableBalloonTips() override { Record("DisableBalloonTips"); }
  void EnableBalloonTips() override { Record("EnableBalloonTips"); }
  void DisableTaskManager() override { Record("DisableTaskManager"); }
  void EnableTaskManager() override { Record("EnableTaskManager"); }
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
  void SystemStandby() override { journal_.push_back("host:SystemStandby"); }
  void SystemHibernate() override { journal_.push_back("host:SystemHibernate"); }
  void MonitorOff() override { journal_.push_back("host:MonitorOff"); }
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
