// Pictures of the logo dialog with a loaded logo and of the converter, for
// the documentation. Run by scripts/screenshots.
#include <gtest/gtest.h>
#include <wx/dcmemory.h>
#include <wx/filename.h>

#include "dialogs/logo_converter_dialog.h"
#include "dialogs/logo_dialog.h"
#include "dialogs/logo_picture.h"
#include "link/settings.h"
#include "screenshot_capture.h"
#include "support/scripted_ui.h"

namespace {

// A shop sign in grey shades, as a picture to convert would be.
wxImage ShopSign() {
  wxBitmap bitmap(600, 200);
  {
    wxMemoryDC dc(bitmap);
    dc.SetBackground(*wxWHITE_BRUSH);
    dc.Clear();
    dc.SetBrush(wxBrush(wxColour(90, 90, 90)));
    dc.SetPen(wxPen(*wxBLACK, 6));
    dc.DrawRoundedRectangle(10, 10, 580, 180, 30);
    dc.SetBrush(wxBrush(wxColour(200, 200, 200)));
    dc.DrawCircle(100, 100, 60);
    dc.SetFont(wxFontInfo(48).Bold());
    dc.SetTextForeground(*wxWHITE);
    dc.DrawText(wxString::FromUTF8("МАГАЗИН"), 190, 60);
  }
  return bitmap.ConvertToImage();
}

TEST(Screenshots, LogoDialog) {
  if (ScreenshotDir().empty()) GTEST_SKIP() << "FS_SCREENSHOTS_DIR not set";
  logo::EnsureImageHandlers();
  const wxString dir = wxString::FromUTF8(::testing::TempDir()) + "logo_screenshots";
  wxFileName::Mkdir(dir, wxS_DIR_DEFAULT, wxPATH_MKDIR_FULL);
  const wxString source = dir + "/shop.png";
  const wxImage sign = ShopSign();
  ASSERT_TRUE(sign.SaveFile(source, wxBITMAP_TYPE_PNG));

  LogoConverterDialog converter(nullptr, sign, source);
  converter.SetThreshold(150);
  CaptureWindow(converter, "logo_converter_dialog");
  const wxString logoPath = dir + "/shop_logo.bmp";
  ASSERT_TRUE(logo::WriteFileBytes(logoPath, converter.LogoBytes()));

  ScriptedUi ui;
  LogoDialog dialog(nullptr, &ui, 1);
  dialog.LoadFile(logoPath);
  ASSERT_TRUE(dialog.Loaded());
  CaptureWindow(dialog, "logo_dialog");
  wxFileName::Rmdir(dir, wxPATH_RMDIR_RECURSIVE);
}

}  // namespace
