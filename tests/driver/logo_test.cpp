#include <cstdio>
#include <filesystem>
#include <string>

#include "command_fixture.h"

namespace {

class LogoTest : public ScriptedPrinterTest {
 protected:
  // Writes a file of `size` bytes with every byte value in it; returns its path.
  std::string WriteFile(const std::string& name, size_t size) {
    const std::string path = ::testing::TempDir() + "driver2_logo_" + name;
    std::string bytes(size, '\0');
    for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>(i * 7 % 256);
    std::FILE* f = std::fopen(path.c_str(), "wb");
    EXPECT_NE(f, nullptr);
    if (f) {
      std::fwrite(bytes.data(), 1, bytes.size(), f);
      std::fclose(f);
    }
    contents = bytes;
    return path;
  }
  void ExpectRefused() {
    ASSERT_EQ(ui.prompts.size(), 1u);
    EXPECT_EQ(ui.prompts[0].text, "Грешка при зареждане на лого");
    EXPECT_EQ(ui.prompts[0].caption, "Грешка");
    EXPECT_EQ(ui.prompts[0].style, 0x10u);
    EXPECT_EQ(SentCommands(), "");
  }
  std::string contents;
};

TEST_F(LogoTest, ShortFileIsRefused) {
  EXPECT_EQ(printer->LoadLogo(WriteFile("short.bmp", 3901)), "");
  ExpectRefused();
}

TEST_F(LogoTest, MissingFileIsRefusedLikeAShortOne) {
  EXPECT_EQ(printer->LoadLogo(::testing::TempDir() + "driver2_no_such_logo.bmp"), "");
  ExpectRefused();
}

TEST_F(LogoTest, SendsFirst3902BytesUnchanged) {
  for (size_t size : {size_t{3902}, size_t{5000}}) {
    device.ClearRecords();
    EXPECT_EQ(printer->LoadLogo(WriteFile("logo.bmp", size)), "00") << size;
    EXPECT_EQ(DataOf('L'), contents.substr(0, 3902)) << size;
  }
  EXPECT_TRUE(ui.prompts.empty());
}

// The path is UTF-8: a folder named in Cyrillic (outside the ANSI code page
// of a Western Windows, where the C library's own names would miss it) loads.
TEST_F(LogoTest, LogoInACyrillicFolderIsSent) {
  namespace fs = std::filesystem;
  const fs::path dir = fs::temp_directory_path() / fs::path(u8"driver2_лого-Ж");
  const fs::path file = dir / fs::path(u8"емблема.bmp");
  fs::create_directories(dir);
  const std::string written = WriteFile("cyrillic.bmp", 3902);
  fs::copy_file(written, file, fs::copy_options::overwrite_existing);
  const std::u8string name = file.u8string();
  EXPECT_EQ(printer->LoadLogo(std::string(name.begin(), name.end())), "00");
  EXPECT_EQ(DataOf('L'), contents);
  EXPECT_TRUE(ui.prompts.empty());
  std::error_code ignored;
  fs::remove_all(dir, ignored);
}

TEST_F(LogoTest, PrintLogoFeedsTwoLines) {
  EXPECT_EQ(printer->PrintLogo(), "00");
  EXPECT_EQ(SentCommands(), "l++");
}

TEST_F(LogoTest, PrintLogoFailureFeedsNoPaper) {
  device.Queue('l', FakeDevice::Reply::Nack());  // its message answered "Отказ"
  EXPECT_EQ(printer->PrintLogo(), "");
  EXPECT_EQ(SentCommands(), "l");

  // A failed first feed leaves out the second.
  device.ClearRecords();
  ui.prompts.clear();
  device.Queue('+', FakeDevice::Reply::Nack());
  EXPECT_EQ(printer->PrintLogo(), "");
  EXPECT_EQ(SentCommands(), "l+");
}

TEST_F(LogoTest, LoadLogoRefusedByTheStatusCheckReadsNoFile) {
  device.SetFlag(18, true);  // fiscal memory missing
  EXPECT_EQ(printer->LoadLogo(::testing::TempDir() + "driver2_no_such_logo.bmp"), "");
  // Only the status message: the missing file was never looked at.
  ASSERT_EQ(ui.prompts.size(), 1u);
  EXPECT_EQ(ui.prompts[0].text, "Липсва Фискална Памет");
  EXPECT_EQ(SentCommands(), "");
}

}  // namespace
