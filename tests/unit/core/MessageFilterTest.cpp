#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "proj/core/MessageFilter.h"

namespace brivak::core {
namespace {

using K = FilterActionKind;
using Actions = std::vector<FilterAction>;

FilterAction D(const std::string& text) {
  return {K::Debug, text};
}
FilterAction E(K kind) {
  return {kind, ""};
}

struct Case {
  std::uint32_t message, wParam, lParam;
  Actions expected;
};

TEST(MessageFilterTable, MatchingRowsGiveTheirActionsInOrder) {
  const std::vector<Case> cases = {
      {12346, 50, 6999, {D("received 6999,50")}},
      {12346, 51, 6998, {D("Activate Brivak MSG received 6998,51"), E(K::StartLockLaunch)}},
      {12346,
       52,
       6998,
       {D("BrivakLaunch /s message received 6998,52"), E(K::SetParamNoPrompt), E(K::WarnIfLockScreenExists),
        E(K::StartLockLaunch)}},
      {12346, 53, 6999, {D("received 6999, 53 (terminate)"), E(K::Terminate)}},
      {26, 17, 0, {D("Screensaver message")}},
      {26, 17, 0xFFFFFFFF, {D("Screensaver message")}},  // any lParam
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FilterMessage(c.message, c.wParam, c.lParam), c.expected)
        << c.message << "/" << c.wParam << "/" << c.lParam;
  }
}

TEST(MessageFilterTable, OtherPairingsAndMessagesHaveNoEffect) {
  const std::vector<Case> cases = {
      {12346, 53, 6998, {}}, {12346, 50, 6998, {}}, {12346, 51, 6999, {}}, {12346, 52, 6999, {}},
      {12346, 54, 6999, {}}, {12346, 49, 6999, {}}, {12346, 0, 0, {}},     {12346, 6999, 53, {}},
      {12345, 53, 6999, {}}, {12347, 51, 6998, {}}, {26, 16, 0, {}},       {26, 0, 17, {}},
      {1147, 0, 0, {}},      {17, 0, 0, {}},        {0, 0, 0, {}},
  };
  for (const auto& c : cases) {
    EXPECT_TRUE(FilterMessage(c.message, c.wParam, c.lParam).empty())
        << c.message << "/" << c.wParam << "/" << c.lParam;
  }
}

TEST(MessageFilterTrayHandlers, GotoFrontOnlyWithoutALockScreen) {
  EXPECT_EQ(OnGotoFront(false), (Actions{E(K::GotoFront), E(K::StartLockLaunch)}));
  EXPECT_TRUE(OnGotoFront(true).empty());
  EXPECT_EQ(OnQueryEndSession(), Actions{E(K::CloseForEndSession)});
}

TEST(MessageFilterHandleInstanceMessage, FilterThenTrayFormHandlers) {
  struct HandleCase {
    platform::InstanceMessage message;
    bool locked;
    Actions expected;
  };
  const std::vector<HandleCase> cases = {
      {{12346, 52, 6998},
       true,
       {D("BrivakLaunch /s message received 6998,52"), E(K::SetParamNoPrompt),
        D("warning: frmMain is not nil!"), E(K::StartLockLaunch)}},
      {{12346, 52, 6998},
       false,
       {D("BrivakLaunch /s message received 6998,52"), E(K::SetParamNoPrompt), E(K::StartLockLaunch)}},
      // Unlike WM_GOTOFRONT, the launcher's code 51 starts the launch even while locked.
      {{12346, 51, 6998}, true, {D("Activate Brivak MSG received 6998,51"), E(K::StartLockLaunch)}},
      {{1147, 0, 0}, false, {E(K::GotoFront), E(K::StartLockLaunch)}},
      {{1147, 0, 0}, true, {}},
      {{17, 0, 0}, true, {E(K::CloseForEndSession)}},
      {{17, 5, 9}, false, {E(K::CloseForEndSession)}},
      {{12346, 53, 6998}, false, {}},
      {{26, 17, 3}, false, {D("Screensaver message")}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(HandleInstanceMessage(c.message, c.locked), c.expected)
        << c.message.message << "/" << c.message.wParam << "/" << c.message.lParam << " locked=" << c.locked;
  }
}

}  // namespace
}  // namespace brivak::core
