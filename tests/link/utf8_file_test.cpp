// File names given as UTF-8 open under their real name, Cyrillic included,
// on every platform (on Windows the C library alone would read them in the
// ANSI code page and miss the file).
#include "link/utf8_file.h"
#include "link/utf8_windows.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

// A fresh folder with a Cyrillic name, removed afterwards.
class Utf8FileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string test = ::testing::UnitTest::GetInstance()->current_test_info()->name();
    dir_ = fs::temp_directory_path() /
           fs::path(u8"fiscal-service-utf8-тест-" + std::u8string(test.begin(), test.end()));
    fs::create_directories(dir_);
  }
  void TearDown() override {
    std::error_code ignored;
    fs::remove_all(dir_, ignored);
  }
  // The UTF-8 text of `name` inside the folder.
  std::string Utf8(const std::u8string& name) const {
    const std::u8string s = (dir_ / fs::path(name)).u8string();
    return std::string(s.begin(), s.end());
  }

  fs::path dir_;
};

TEST_F(Utf8FileTest, CyrillicNamesAreWrittenAndReadUnderTheirOwnName) {
  const std::u8string name = u8"отчет ФП-декември.txt";
  const std::string path = Utf8(name);
  std::FILE* out = OpenFileUtf8(path, "wb");
  ASSERT_NE(out, nullptr);
  ASSERT_EQ(std::fwrite("\xC0\x40", 1, 2, out), 2u);  // bytes pass unchanged
  ASSERT_EQ(std::fclose(out), 0);

  // The file carries the name that was asked for, not a misread of its bytes.
  EXPECT_TRUE(fs::exists(dir_ / fs::path(name)));
  EXPECT_EQ(fs::file_size(dir_ / fs::path(name)), 2u);

  std::FILE* in = OpenFileUtf8(path, "rb");
  ASSERT_NE(in, nullptr);
  char got[3] = {};
  EXPECT_EQ(std::fread(got, 1, sizeof got, in), 2u);
  std::fclose(in);
  EXPECT_EQ(std::string(got, 2), "\xC0\x40");
}

TEST_F(Utf8FileTest, MissingFilesAndFoldersGiveNoFile) {
  EXPECT_EQ(OpenFileUtf8(Utf8(u8"няма.txt"), "rb"), nullptr);
  EXPECT_EQ(OpenFileUtf8(Utf8(u8"няма/папка.txt"), "wb"), nullptr);
  EXPECT_EQ(OpenFileUtf8("", "rb"), nullptr);
}

#ifndef _WIN32
// Outside Windows the arguments are argv's bytes, the program's name left out.
TEST(Utf8Arguments, AreArgvWithoutTheProgramName) {
  char program[] = "fiscal-cli";
  char method[] = "sell-item";
  char text[] = "Хляб";
  char* argv[] = {program, method, text, nullptr};
  EXPECT_EQ(Utf8Arguments(3, argv), (std::vector<std::string>{"sell-item", "Хляб"}));
  EXPECT_TRUE(Utf8Arguments(1, argv).empty());
  EXPECT_TRUE(Utf8Arguments(0, nullptr).empty());
}
#endif

}  // namespace
