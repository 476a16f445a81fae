// Pictures of the dialogs for the documentation. Runs only when
// FS_SCREENSHOTS_DIR names the folder to write them to (scripts/screenshots).
#include <gtest/gtest.h>

#include <wx/app.h>
#include <wx/utils.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "dialogs/date_time_dialog.h"
#include "dialogs/receipt_dialog.h"
#include "dialogs/status_dialog.h"
#include "gui_test_support.h"

namespace {

std::string ShotDir() {
  const char* dir = std::getenv("FS_SCREENSHOTS_DIR");
  return dir ? dir : "";
}

// Shows the window, lets it paint, and copies its rectangle from the screen
// with ImageMagick's "import" (the toolkit's own screen copy returns stale
// pixels on some X servers).
void Capture(wxTopLevelWindow& window, const std::string& name) {
  window.Show();
  window.Raise();
  for (int i = 0; i < 40; ++i) {
    wxYield();
    std::this_thread::sleep_for(std::chrono::milliseconds(25));
  }
  const wxRect r = window.GetRect();
  const std::string path = ShotDir() + "/" + name + ".png";
  const std::string command = "import -window root -crop " + std::to_string(r.width) + "x" +
                              std::to_string(r.height) + "+" + std::to_string(r.x) + "+" +
                              std::to_string(r.y) + " +repage " + path;
  EXPECT_EQ(wxExecute(command, wxEXEC_SYNC), 0) << command;
  window.Hide();
  wxYield();
}

TEST(Screenshots, Dialogs) {
  if (ShotDir().empty()) GTEST_SKIP() << "FS_SCREENSHOTS_DIR not set";
  DateTimeDialog clock(nullptr, nullptr, 1);
  Capture(clock, "date_time_dialog");
  StatusDialog status(nullptr, nullptr, 1);
  Capture(status, "status_dialog");
  ReceiptDialog receipt(nullptr, nullptr, 1);
  Capture(receipt, "receipt_dialog");
}

}  // namespace
