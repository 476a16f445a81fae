// The Windows build of the toolkit carries no PNG or JPEG decoder: such
// pictures reach the logo converter through the system's imaging component.
#include <gtest/gtest.h>
#include <wx/filefn.h>
#include <wx/filename.h>

#include <string>

#include "dialogs/logo_picture.h"

namespace {

// A 3 x 2 PNG with straight alpha: black, red, transparent white; white, blue,
// half-transparent black.
const unsigned char kPng[] = {
    0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A, 0x00, 0x00, 0x00, 0x0D, 0x49, 0x48, 0x44, 0x52,
    0x00, 0x00, 0x00, 0x03, 0x00, 0x00, 0x00, 0x02, 0x08, 0x06, 0x00, 0x00, 0x00, 0x9D, 0x74, 0x66,
    0x1A, 0x00, 0x00, 0x00, 0x14, 0x49, 0x44, 0x41, 0x54, 0x78, 0xDA, 0x63, 0x60, 0x60, 0x60, 0xF8,
    0xFF, 0x1F, 0x84, 0x91, 0x49, 0xA0, 0x60, 0x03, 0x00, 0xA1, 0xF8, 0x0C, 0x75, 0xAA, 0x4B, 0x3D,
    0x86, 0x00, 0x00, 0x00, 0x00, 0x49, 0x45, 0x4E, 0x44, 0xAE, 0x42, 0x60, 0x82};

TEST(PictureLoaderWin32, ReadsPngThroughTheSystem) {
  const wxString path = wxFileName::GetTempDir() + "\\fs_logo_loader_test.png";
  ASSERT_TRUE(
      logo::WriteFileBytes(path, std::string(reinterpret_cast<const char*>(kPng), sizeof kPng)));
  const wxImage image = logo::LoadPicture(path);
  wxRemoveFile(path);
  ASSERT_TRUE(image.IsOk());
  ASSERT_EQ(image.GetSize(), wxSize(3, 2));
  EXPECT_EQ(image.GetRed(1, 0), 255);
  EXPECT_EQ(image.GetGreen(1, 0), 0);
  EXPECT_EQ(image.GetBlue(1, 1), 255);
  EXPECT_EQ(image.GetRed(1, 1), 0);
  ASSERT_TRUE(image.HasAlpha());
  EXPECT_EQ(image.GetAlpha(0, 0), 255);
  EXPECT_EQ(image.GetAlpha(2, 0), 0);
  EXPECT_EQ(image.GetAlpha(2, 1), 128);

  EXPECT_FALSE(logo::LoadPicture(path).IsOk()) << "a missing file is no picture";
}

}  // namespace
