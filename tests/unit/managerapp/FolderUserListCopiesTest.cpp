#include "manager/app/FolderUserListCopies.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>

#include "support/Disk.h"
#include "support/TempDir.h"

namespace brivak::manager::apptest {
namespace {

unsigned ModeOf(const std::filesystem::path& path) {
  struct stat info {};
  EXPECT_EQ(::stat(path.c_str(), &info), 0) << path;
  return info.st_mode & 0777;
}

TEST(FolderUserListCopiesTest, EachFetchGetsAnOwnerOnlyFileInAPrivateFolder) {
  test::TempDir dir;
  const std::filesystem::path folder = dir / "data/brivak/manager/userlists";
  app::FolderUserListCopies copies(brivak::test::Disk(), folder.string());
  UserListStore* kept = nullptr;
  auto first = copies.NewCopy("127.0.0.2");
  auto second = copies.NewCopy("127.0.0.2");
  auto odd = copies.NewCopy("../x y");
  first->Save(IniDocument::Parse("[bob]\r\nPassword=h\r\nPermissions=1\r\n"));
  second->Save(IniDocument::Parse("[cy]\r\n"));
  kept = first.get();
  EXPECT_EQ(ModeOf(folder), 0700u);
  for (const char* name : {"127.0.0.2-1.dat", "127.0.0.2-2.dat", "_.._x_y-1.dat"}) {
    ASSERT_TRUE(std::filesystem::exists(folder / name)) << name;
    EXPECT_EQ(ModeOf(folder / name), 0600u) << name;
  }
  EXPECT_EQ(kept->Load().SectionNames(), std::vector<std::string>{"bob"});
  EXPECT_EQ(second->Load().SectionNames(), std::vector<std::string>{"cy"});
  // A later run takes the next free number: nothing of the earlier copies is overwritten.
  app::FolderUserListCopies again(brivak::test::Disk(), folder.string());
  again.NewCopy("127.0.0.2");
  EXPECT_TRUE(std::filesystem::exists(folder / "127.0.0.2-3.dat"));
  EXPECT_EQ(kept->Load().SectionNames(), std::vector<std::string>{"bob"});
}

}  // namespace
}  // namespace brivak::manager::apptest
