#include "common/AppendFile.h"

#include <stdlib.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>

namespace brivak {
namespace {

class AppendFileTest : public ::testing::Test {
 protected:
  AppendFileTest() {
    std::string pattern = (std::filesystem::temp_directory_path() / "brivak-append-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    dir_ = pattern + "/";
  }
  ~AppendFileTest() override {
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
  }
  static std::string Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
  }
  std::size_t EntriesInDir() const {
    return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(dir_), {}));
  }

  std::string dir_;
};

TEST_F(AppendFileTest, AppendNeverCreatesTheFile) {
  EXPECT_EQ(AppendToExisting(dir_ + "log.txt", "line\r\n"), AppendOutcome::kNoFile);
  EXPECT_FALSE(std::filesystem::exists(dir_ + "log.txt"));
}

TEST_F(AppendFileTest, CreateExclusiveCreatesOnceAndNeverTouchesAnExistingFile) {
  EXPECT_TRUE(CreateExclusive(dir_ + "log.txt", "header\r\n"));
  EXPECT_EQ(AppendToExisting(dir_ + "log.txt", "one\r\n"), AppendOutcome::kWritten);
  EXPECT_FALSE(CreateExclusive(dir_ + "log.txt", "other header\r\n"));
  EXPECT_EQ(Read(dir_ + "log.txt"), "header\r\none\r\n");
  EXPECT_EQ(EntriesInDir(), 1u);  // no private file left behind
}

TEST_F(AppendFileTest, FailuresThrow) {
  std::filesystem::create_directories(dir_ + "folder");
  EXPECT_THROW(AppendToExisting(dir_ + "folder", "x"), std::runtime_error);
  EXPECT_THROW(CreateExclusive(dir_ + "missing/log.txt", "x"), std::runtime_error);
}

}  // namespace
}  // namespace brivak
