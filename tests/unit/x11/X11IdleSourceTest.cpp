#include "platform/linux/X11IdleSource.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "tests/unit/x11/X11TestSupport.h"

namespace brivak::platform {
namespace {

using namespace x11test;

TEST(X11IdleSource, GrowsWithoutInputAndResetsOnSyntheticInput) {
  auto idle = X11IdleSource::Open();
  X11DisplayPtr driver = Connect();
  ASSERT_TRUE(idle && driver);
  ASSERT_TRUE(idle->Available());

  // Without input the figure only grows, so any smaller figure after an input proves a reset.
  const std::uint64_t start = idle->IdleMs();
  ASSERT_TRUE(WaitFor([&] { return idle->IdleMs() >= start + 300; }));
  const std::uint64_t beforeKey = idle->IdleMs();
  PressCombo(driver.get(), {}, XK_Shift_L);
  ASSERT_TRUE(WaitFor([&] { return idle->IdleMs() < beforeKey; }));

  // Pointer movement counts as well.
  ASSERT_TRUE(WaitFor([&] { return idle->IdleMs() >= 300; }));
  const std::uint64_t beforeMotion = idle->IdleMs();
  XTestFakeMotionEvent(driver.get(), -1, 17, 23, CurrentTime);
  XSync(driver.get(), False);
  EXPECT_TRUE(WaitFor([&] { return idle->IdleMs() < beforeMotion; }));
}

TEST(X11IdleSource, ReadableFromSeveralThreads) {
  auto idle = X11IdleSource::Open();
  ASSERT_TRUE(idle && idle->Available());
  std::atomic<int> answers{0};
  std::vector<std::thread> readers;
  for (int t = 0; t < 4; ++t) {
    readers.emplace_back([&] {
      std::uint64_t last = 0;
      for (int i = 0; i < 50; ++i) {
        const std::uint64_t now = idle->IdleMs();
        // Without input the figure never goes back.
        if (now + 5 >= last) ++answers;
        last = now;
      }
    });
  }
  for (auto& reader : readers) reader.join();
  EXPECT_EQ(answers.load(), 200);
}

TEST(X11IdleSource, NoDisplayGivesNoSource) {
  EXPECT_EQ(X11IdleSource::Open(":99999"), nullptr);
}

}  // namespace
}  // namespace brivak::platform
