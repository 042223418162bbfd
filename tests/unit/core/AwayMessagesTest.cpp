#include "proj/core/AwayMessages.h"

#include <gtest/gtest.h>

#include "proj/core/BrivakSettings.h"

namespace brivak::core {
namespace {

TEST(AwayMessagesTest, PresetsSplitAtTheFirstEqualsSign) {
  const auto presets = ParseAwayPresets(
      SplitAwayMessages("Lunch=Gone To Lunch\r\nMeeting=In a meeting\r\nno sign\r\nMath=1+1=2\r\nMeeting=Later\r\n"));
  ASSERT_EQ(presets.size(), 5u);
  EXPECT_EQ(presets[0].name, "Lunch");
  EXPECT_EQ(presets[0].text, "Gone To Lunch");
  EXPECT_EQ(presets[2].name, "");
  EXPECT_EQ(presets[2].text, "");
  EXPECT_EQ(presets[3].text, "1+1=2");
  EXPECT_EQ(PresetText(presets, "Meeting"), "In a meeting") << "two presets of one name: the first";
  EXPECT_EQ(PresetText(presets, ""), "");
}

// Runs a countdown until it expires or `maxSteps` ticks have passed; the texts shown, in order.
struct CountdownRun {
  std::vector<std::string> shown;
  int expiredOnStep = 0;  // 1 = the first step (Start); 0 = not expired
};
CountdownRun RunCountdown(std::int32_t seconds, int maxSteps) {
  AwayCountdown countdown(seconds, true);
  CountdownRun run;
  auto step = countdown.Start();
  for (int n = 1;; ++n) {
    run.shown.push_back(step.status);
    if (step.expired) {
      run.expiredOnStep = n;
      break;
    }
    if (n == maxSteps) break;
    step = countdown.Tick();
  }
  return run;
}

TEST(AwayMessagesTest, CountdownSteps) {
  const CountdownRun ten = RunCountdown(10, 30);
  EXPECT_EQ(ten.expiredOnStep, 11);
  EXPECT_EQ(ten.shown.front(), "Using default message in 10 seconds");
  EXPECT_EQ(ten.shown.back(), "Using default message in 0 seconds");

  const CountdownRun two = RunCountdown(2, 30);
  EXPECT_EQ(two.expiredOnStep, 3);

  const CountdownRun zero = RunCountdown(0, 30);
  EXPECT_EQ(zero.expiredOnStep, 1) << "0 closes with the default at once";

  const CountdownRun negative = RunCountdown(-1, 30);
  EXPECT_EQ(negative.expiredOnStep, 0) << "a negative count never reaches -1: the picker waits";
  EXPECT_EQ(negative.shown.front(), "Using default message in -1 seconds");
}

TEST(AwayMessagesTest, InteractionStopsTheCountdownForGood) {
  AwayCountdown countdown(2, true);
  countdown.Start();
  countdown.Stop();
  EXPECT_FALSE(countdown.Running());
  EXPECT_EQ(countdown.Status(), "");
  for (int i = 0; i < 5; ++i) EXPECT_FALSE(countdown.Tick().expired);
  EXPECT_EQ(countdown.Status(), "");
}

TEST(AwayMessagesTest, ThePickerOfChangeAwayMessageShowsTheFirstTextAndWaits) {
  AwayCountdown countdown(0, false);
  const auto first = countdown.Start();
  EXPECT_FALSE(first.expired);
  EXPECT_EQ(first.status, "Using default message in 0 seconds");
  for (int i = 0; i < 3; ++i) {
    const auto step = countdown.Tick();
    EXPECT_FALSE(step.expired);
    EXPECT_EQ(step.status, "Using default message in 0 seconds");
  }
}

}  // namespace
}  // namespace brivak::core
