// The program's icon at the sizes a desktop asks for; with FS_ICONS_DIR set
// (scripts/screenshots) it also writes them as PNG files for installation.
#include "dialogs/program_icon.h"

#include <gtest/gtest.h>
#include <wx/filename.h>
#include <wx/image.h>

#include <cstdlib>
#include <string>

namespace {

constexpr int kInstalledSizes[] = {16, 32, 48, 64, 128, 256};

bool Transparent(const wxImage& image, int x, int y) {
  if (image.HasAlpha()) return image.GetAlpha(x, y) == 0;
  return image.HasMask() && image.GetRed(x, y) == image.GetMaskRed() &&
         image.GetGreen(x, y) == image.GetMaskGreen() && image.GetBlue(x, y) == image.GetMaskBlue();
}

}  // namespace

TEST(ProgramIcon, PrinterOnATransparentGroundAtEverySize) {
  for (int size : kInstalledSizes) {
    const wxImage image = ProgramIconBitmap(size).ConvertToImage();
    ASSERT_EQ(image.GetWidth(), size);
    ASSERT_EQ(image.GetHeight(), size);
    EXPECT_TRUE(Transparent(image, 0, 0)) << size;
    EXPECT_TRUE(Transparent(image, size - 1, 0)) << size;
    // The printer's body fills the lower middle.
    EXPECT_FALSE(Transparent(image, size / 2, size * 25 / 32)) << size;
  }
}

TEST(ProgramIcon, FilesForInstall) {
  const char* dir = std::getenv("FS_ICONS_DIR");
  if (!dir) GTEST_SKIP() << "FS_ICONS_DIR not set";
  wxInitAllImageHandlers();
  for (int size : kInstalledSizes) {
    const std::string n = std::to_string(size);
    const wxString folder = wxString(dir) + "/" + n + "x" + n + "/apps";
    ASSERT_TRUE(wxFileName::Mkdir(folder, wxS_DIR_DEFAULT, wxPATH_MKDIR_FULL));
    EXPECT_TRUE(ProgramIconBitmap(size).ConvertToImage().SaveFile(folder + "/fiscal-service.png",
                                                                  wxBITMAP_TYPE_PNG));
  }
}
