// Pictures of the dialogs for the documentation. Runs only when
// FS_SCREENSHOTS_DIR names the folder to write them to (scripts/screenshots).
#include <gtest/gtest.h>

#include <wx/app.h>
#include <wx/dcmemory.h>
#include <wx/dcscreen.h>
#include <wx/image.h>
#include <wx/utils.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "dialogs/date_time_dialog.h"
#include "dialogs/status_dialog.h"
#include "gui_test_support.h"

namespace {

std::string ShotDir() {
  const char* dir = std::getenv("FS_SCREENSHOTS_DIR");
  return dir ? dir : "";
}

// Lets the window manager map and paint the window, then copies it from the
// screen, frame included where there is one.
void Capture(wxTopLevelWindow& window, const std::string& name) {
  window.Show();
  window.Raise();
  for (int i = 0; i < 20; ++i) {
    wxYield();
    std::this_thread::sleep_for(std::chrono::milliseconds(25));
  }
  const wxRect rect = window.GetRect();
  wxBitmap bitmap(rect.width, rect.height);
  {
    wxMemoryDC mem(bitmap);
    wxScreenDC screen;
    mem.Blit(0, 0, rect.width, rect.height, &screen, rect.x, rect.y);
  }
  wxInitAllImageHandlers();
  const std::string path = ShotDir() + "/" + name + ".png";
  EXPECT_TRUE(bitmap.SaveFile(path, wxBITMAP_TYPE_PNG)) << path;
  window.Hide();
}

TEST(Screenshots, DateTimeAndStatusLayout) {
  if (ShotDir().empty()) GTEST_SKIP() << "FS_SCREENSHOTS_DIR not set";
  DateTimeDialog clock(nullptr, nullptr, 1);
  Capture(clock, "date_time_dialog");
  StatusDialog status(nullptr, nullptr, 1);
  Capture(status, "status_dialog_layout");
}

}  // namespace
