#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <memory>

#include "support/TempDir.h"
#include "platform/linux/LinuxInstanceLock.h"

namespace brivak::platform {
namespace {

using brivak::test::TempDir;

TEST(LinuxInstanceLock, SecondHolderIsRefusedUntilTheFirstIsGone) {
  TempDir temp;
  const std::string path = temp / "brivak3.lock";
  auto first = std::make_unique<LinuxInstanceLock>(path);
  LinuxInstanceLock second(path);

  EXPECT_TRUE(first->TryAcquire());
  EXPECT_TRUE(first->TryAcquire());  // still ours
  EXPECT_FALSE(second.TryAcquire());
  EXPECT_FALSE(second.TryAcquire());

  first.reset();
  EXPECT_TRUE(second.TryAcquire());
  struct stat st {};
  ASSERT_EQ(::stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
}

TEST(LinuxInstanceLock, LockThatCannotBeCreatedCountsAsAcquired) {
  TempDir temp;
  LinuxInstanceLock lock(temp / "missing/folder/brivak3.lock");
  EXPECT_TRUE(lock.TryAcquire());
}

TEST(LinuxInstanceLock, DyingHolderProcessFreesTheLock) {
  TempDir temp;
  const std::string path = temp / "brivak3.lock";
  int held[2];
  int quit[2];
  ASSERT_EQ(::pipe(held), 0);
  ASSERT_EQ(::pipe(quit), 0);
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    ::close(held[0]);
    ::close(quit[1]);
    LinuxInstanceLock lock(path);
    const char got = lock.TryAcquire() ? 'y' : 'n';
    if (::write(held[1], &got, 1) != 1) ::_exit(2);
    char ignored = 0;
    [[maybe_unused]] const ssize_t n = ::read(quit[0], &ignored, 1);  // returns when the parent says so
    ::_exit(0);  // no destructor: the kernel has to drop the lock
  }
  ::close(held[1]);
  ::close(quit[0]);
  char got = 0;
  ASSERT_EQ(::read(held[0], &got, 1), 1);
  EXPECT_EQ(got, 'y');

  LinuxInstanceLock mine(path);
  EXPECT_FALSE(mine.TryAcquire());

  ::close(quit[1]);
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  EXPECT_TRUE(mine.TryAcquire());
  ::close(held[0]);
}

}  // namespace
}  // namespace brivak::platform
