#include "platform/linux/LinuxProcesses.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "support/Files.h"
#include "support/TempDir.h"

namespace brivak::platform {
namespace {

// Waits for the child to finish writing a line-terminated file.
std::string WaitForLine(const std::string& path) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (std::chrono::steady_clock::now() < deadline) {
    std::string text = test::ReadAll(path);
    if (!text.empty() && text.back() == '\n') return text;
    std::this_thread::yield();
  }
  return {};
}

TEST(LinuxProcesses, StartsWithArgumentsInTheWorkingFolderWithoutAShell) {
  brivak::test::TempDir dir;
  LinuxProcesses processes;
  // The argument holds shell syntax: it must arrive as one plain argument, not be interpreted.
  const std::string odd = "a b; touch " + (dir / "injected");
  ASSERT_TRUE(processes.Start({"/bin/sh", "-c", "printf '%s' \"$1\" > out.txt && pwd > where.txt", "sh", odd},
                              dir.Path()));
  EXPECT_EQ(WaitForLine(dir / "where.txt"), dir.Path() + "\n");
  EXPECT_EQ(test::ReadAll(dir / "out.txt"), odd);
  EXPECT_FALSE(std::filesystem::exists(dir / "injected"));
}

TEST(LinuxProcesses, ReportsAProgramThatCannotStart) {
  LinuxProcesses processes;
  EXPECT_FALSE(processes.Start({"/nonexistent/brivak-no-such-program"}, ""));
  EXPECT_FALSE(processes.Start({}, ""));
}

}  // namespace
}  // namespace brivak::platform
