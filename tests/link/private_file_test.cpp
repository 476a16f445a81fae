// Files that hold passwords are readable by their owner only, whether new,
// replaced or appended to, whatever the process's umask.
#include "link/private_file.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace {

namespace fs = std::filesystem;

std::string Slurp(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

class PrivateFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("private-file-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
            "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }
  fs::path dir_;
};

TEST_F(PrivateFileTest, NewReplacedAndAppendedFilesAreTheOwnersOnly) {
#ifndef _WIN32
  const mode_t oldMask = ::umask(0);  // a careless umask must not matter
#endif
  const struct {
    const char* name;
    const char* before;  // nullptr: no file yet
    const char* mode;
    const char* after;
  } kCases[] = {
      {"new", nullptr, "wb", "x"},
      {"replaced", "old text", "wb", "x"},
      {"appended", "old ", "ab", "old x"},
      {"new-appended", nullptr, "ab", "x"},
  };
  for (const auto& c : kCases) {
    const fs::path p = dir_ / c.name;
    if (c.before) {
      std::ofstream(p, std::ios::binary) << c.before;
      fs::permissions(p, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
                             fs::perms::others_read);
    }
    std::FILE* f = OpenPrivateFileUtf8(p.string(), c.mode);
    ASSERT_TRUE(f) << c.name;
    std::fputs("x", f);
    EXPECT_EQ(std::fclose(f), 0);
    EXPECT_EQ(Slurp(p), c.after) << c.name;
#ifndef _WIN32
    struct stat st {};
    ASSERT_EQ(::stat(p.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u) << c.name;
#endif
  }
#ifndef _WIN32
  ::umask(oldMask);
#endif
}

TEST_F(PrivateFileTest, ModesForReadingAndMissingFoldersAreRefused) {
  errno = 0;
  EXPECT_EQ(OpenPrivateFileUtf8((dir_ / "no-such-folder" / "f").string(), "wb"), nullptr);
  EXPECT_NE(errno, 0);
#ifndef _WIN32
  for (const char* mode : {"rb", "", "r+"}) {
    errno = 0;
    EXPECT_EQ(OpenPrivateFileUtf8((dir_ / "f").string(), mode), nullptr) << mode;
    EXPECT_EQ(errno, EINVAL) << mode;
  }
  EXPECT_FALSE(fs::exists(dir_ / "f"));
#endif
}

}  // namespace
