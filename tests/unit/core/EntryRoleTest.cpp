#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "EntryTestFakes.h"
#include "proj/core/EntryRole.h"
#include "proj/core/InstanceProtocol.h"
#include "proj/core/MessageFilter.h"

namespace brivak::core {
namespace {

using platform::InstanceMessage;
using platform::SendResult;
using Lines = std::vector<std::string>;

constexpr const char* kCreateMarker = "<tray controller created>";

struct Scenario {
  std::string name;
  std::vector<std::string> args;
  bool previewWindowExists = false;
  bool previewPaints = false;
  bool lockAcquired = true;
  SendResult sendResult = SendResult::Delivered;
  // Expected:
  EntryRole role;
  Lines lines;  // WL lines, with kCreateMarker where the tray controller is built
  std::vector<InstanceMessage> sent;
  int lockCalls;
  int previewCalls;
};

struct Outcome {
  EntryResult result;
  Lines lines;
  std::vector<InstanceMessage> sent;
  std::vector<std::chrono::milliseconds> timeouts;
  int lockCalls = 0;
  int previewCalls = 0;
};

Outcome RunScenario(const Scenario& s) {
  test::ScriptedLock lock(s.lockAcquired);
  test::RecordingChannel channel(s.sendResult);
  Outcome out;
  EntryPorts ports{
      .WL = [&](std::string_view text) { out.lines.emplace_back(text); },
      .lock = lock,
      .channel = channel,
      .previewWindowExists = [&] { return s.previewWindowExists; },
      .runPreview =
          [&] {
            ++out.previewCalls;
            return s.previewPaints;
          },
      .createInstance = [&] { out.lines.emplace_back(kCreateMarker); },
      .sendTimeout = std::chrono::milliseconds(1234),
  };
  out.result = RunEntry(s.args, ports);
  out.sent = channel.sent;
  out.timeouts = channel.timeouts;
  out.lockCalls = lock.calls;
  return out;
}

TEST(EntryRoleRunEntry, RolesLinesAndMessages) {
  const std::vector<Scenario> scenarios = {
      {.name = "stop request, instance running",
       .args = {"/r"},
       .role = EntryRole::StopRequester,
       .lines = {"", "dpr: start! : /r", "dpr: /r in paramstr", "Message posted, exiting this instance."},
       .sent = {kStopMessage},
       .lockCalls = 0,
       .previewCalls = 0},
      {.name = "stop request, nobody listens",
       .args = {"/r"},
       .sendResult = SendResult::NoInstance,
       .role = EntryRole::StopRequester,
       .lines = {"", "dpr: start! : /r", "dpr: /r in paramstr", "FindWindow resulted in 0!",
                 "Message posted, exiting this instance."},
       .sent = {kStopMessage},
       .lockCalls = 0,
       .previewCalls = 0},
      {.name = "/r not first is an ordinary start",
       .args = {"-tray", "/r"},
       .lockAcquired = false,
       .role = EntryRole::Forwarder,
       .lines = {"", "dpr: start! : -tray/r", "dpr: preview not drawing",
                 "dpr: AppIsRunning = true, so exit"},
       .sent = {kGotoFrontMessage},
       .lockCalls = 1,
       .previewCalls = 0},
      {.name = "/R is an ordinary start",
       .args = {"/R"},
       .role = EntryRole::Instance,
       .lines = {"", "dpr: start! : /R", "dpr: preview not drawing", kCreateMarker, "Starting Brivak"},
       .sent = {},
       .lockCalls = 1,
       .previewCalls = 0},
      {.name = "first start without parameters",
       .args = {},
       .role = EntryRole::Instance,
       .lines = {"", "dpr: start! : ", "dpr: preview not drawing", kCreateMarker, "Starting Brivak"},
       .sent = {},
       .lockCalls = 1,
       .previewCalls = 0},
      {.name = "second ordinary start",
       .args = {"-tray"},
       .lockAcquired = false,
       .role = EntryRole::Forwarder,
       .lines = {"", "dpr: start! : -tray", "dpr: preview not drawing", "dpr: AppIsRunning = true, so exit"},
       .sent = {kGotoFrontMessage},
       .lockCalls = 1,
       .previewCalls = 0},
      {.name = "second start whose instance does not answer",
       .args = {},
       .lockAcquired = false,
       .sendResult = SendResult::NoInstance,
       .role = EntryRole::Forwarder,
       .lines = {"", "dpr: start! : ", "dpr: preview not drawing", "dpr: AppIsRunning = true, so exit"},
       .sent = {kGotoFrontMessage},
       .lockCalls = 1,
       .previewCalls = 0},
      // A "-halt" start while another instance holds the lock must stop it, not wake it.
      {.name = "halt while an instance runs",
       .args = {"-halt"},
       .lockAcquired = false,
       .role = EntryRole::StopRequester,
       .lines = {"", "dpr: start! : -halt", "received halt message",
                 "Message posted, exiting this instance."},
       .sent = {kStopMessage},
       .lockCalls = 0,
       .previewCalls = 0},
      {.name = "halt in capitals with a slash, nobody running",
       .args = {"-tray", "/HALT"},
       .sendResult = SendResult::NoInstance,
       .role = EntryRole::StopRequester,
       .lines = {"", "dpr: start! : -tray/HALT", "received halt message", "FindWindow resulted in 0!",
                 "Message posted, exiting this instance."},
       .sent = {kStopMessage},
       .lockCalls = 0,
       .previewCalls = 0},
      {.name = "preview painted",
       .args = {"/p", "4242"},
       .previewPaints = true,
       .lockAcquired = false,
       .role = EntryRole::PreviewPainter,
       .lines = {"", "dpr: start! : /p4242", "dpr: preview not drawing"},
       .sent = {},
       .lockCalls = 0,
       .previewCalls = 1},
      {.name = "preview not painted goes on to the instance check",
       .args = {"/p", "4242"},
       .role = EntryRole::Instance,
       .lines = {"", "dpr: start! : /p4242", "dpr: preview not drawing", kCreateMarker, "Starting Brivak"},
       .sent = {},
       .lockCalls = 1,
       .previewCalls = 1},
      {.name = "/p inside a longer parameter",
       .args = {"-x/p"},
       .previewPaints = true,
       .role = EntryRole::PreviewPainter,
       .lines = {"", "dpr: start! : -x/p", "dpr: preview not drawing"},
       .sent = {},
       .lockCalls = 0,
       .previewCalls = 1},
      {.name = "/P is no preview",
       .args = {"/P"},
       .previewPaints = true,
       .role = EntryRole::Instance,
       .lines = {"", "dpr: start! : /P", "dpr: preview not drawing", kCreateMarker, "Starting Brivak"},
       .sent = {},
       .lockCalls = 1,
       .previewCalls = 0},
      {.name = "launcher preview window already up",
       .args = {"/p", "4242"},
       .previewWindowExists = true,
       .previewPaints = true,
       .lockAcquired = false,
       .role = EntryRole::Forwarder,
       .lines = {"", "dpr: start! : /p4242", "dpr: preview drawing already",
                 "dpr: AppIsRunning = true, so exit"},
       .sent = {kGotoFrontMessage},
       .lockCalls = 1,
       .previewCalls = 0},
  };
  for (const auto& s : scenarios) {
    SCOPED_TRACE(s.name);
    const Outcome out = RunScenario(s);
    EXPECT_EQ(out.result.role, s.role);
    EXPECT_EQ(out.result.exitCode, 0);
    EXPECT_EQ(out.result.continueAsInstance, s.role == EntryRole::Instance);
    EXPECT_EQ(out.lines, s.lines);
    EXPECT_EQ(out.sent, s.sent);
    EXPECT_EQ(out.timeouts,
              std::vector<std::chrono::milliseconds>(s.sent.size(), std::chrono::milliseconds(1234)));
    EXPECT_EQ(out.lockCalls, s.lockCalls);
    EXPECT_EQ(out.previewCalls, s.previewCalls);
  }
}

TEST(EntryRoleIsStopRequest, SlashRFirstOrHaltAnywhere) {
  const std::vector<std::pair<std::vector<std::string>, bool>> cases = {
      {{"/r"}, true},
      {{"/r", "-tray"}, true},
      {{"-tray", "/r"}, false},
      {{"/R"}, false},
      {{"-r"}, false},
      {{"/rx"}, false},
      {{"-halt"}, true},
      {{"/Halt"}, true},
      {{"-tray-halt"}, true},
      {{"-tray"}, false},
      {{}, false},
  };
  for (const auto& [args, expected] : cases) {
    EXPECT_EQ(IsStopRequest(args), expected) << (args.empty() ? "" : args.front());
  }
}

TEST(EntryRoleDecideRole, AsksForThePreviewOnlyWhenNeeded) {
  int windowAsked = 0;
  int previewRun = 0;
  Lines lines;
  auto wl = [&](std::string_view text) { lines.emplace_back(text); };
  auto window = [&] {
    ++windowAsked;
    return false;
  };
  auto preview = [&] {
    ++previewRun;
    return true;
  };
  EXPECT_EQ(DecideRole({"/r"}, wl, window, preview), EarlyRole::StopRequester);
  EXPECT_EQ(windowAsked, 0);
  EXPECT_EQ(DecideRole({"-tray"}, wl, window, preview), EarlyRole::CheckSingleInstance);
  EXPECT_EQ(windowAsked, 1);
  EXPECT_EQ(previewRun, 0);
  EXPECT_EQ(DecideRole({"/p"}, wl, window, preview), EarlyRole::PreviewPainter);
  EXPECT_EQ(previewRun, 1);
  EXPECT_EQ(lines, (Lines{"dpr: /r in paramstr", "dpr: preview not drawing", "dpr: preview not drawing"}));
}

// The two ends of the protocol agree: what a second start sends makes an idle instance lock, and
// what a stop request sends terminates it.
TEST(EntryRoleProtocol, SentMessagesHaveTheirEffectInTheInstance) {
  const Outcome forward = RunScenario({.name = "",
                                       .args = {},
                                       .lockAcquired = false,
                                       .role = EntryRole::Forwarder,
                                       .lines = {},
                                       .sent = {},
                                       .lockCalls = 1,
                                       .previewCalls = 0});
  ASSERT_EQ(forward.sent.size(), 1U);
  EXPECT_EQ(HandleInstanceMessage(forward.sent[0], false),
            (std::vector<FilterAction>{{FilterActionKind::GotoFront, ""},
                                       {FilterActionKind::StartLockLaunch, ""}}));
  EXPECT_TRUE(HandleInstanceMessage(forward.sent[0], true).empty());

  const Outcome stop = RunScenario({.name = "",
                                    .args = {"-halt"},
                                    .role = EntryRole::StopRequester,
                                    .lines = {},
                                    .sent = {},
                                    .lockCalls = 0,
                                    .previewCalls = 0});
  ASSERT_EQ(stop.sent.size(), 1U);
  EXPECT_EQ(HandleInstanceMessage(stop.sent[0], true),
            (std::vector<FilterAction>{{FilterActionKind::Debug, "received 6999, 53 (terminate)"},
                                       {FilterActionKind::Terminate, ""}}));
}

}  // namespace
}  // namespace brivak::core
