// Pictures of the dialogs for the documentation. Runs only when
// FS_SCREENSHOTS_DIR names the folder to write them to (scripts/screenshots).
#include <gtest/gtest.h>

#include <wx/app.h>
#include <wx/display.h>
#include <wx/uiaction.h>
#include <wx/utils.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "dialogs/date_time_dialog.h"
#include "dialogs/receipt_dialog.h"
#include "dialogs/status_dialog.h"
#include "gui_test_support.h"
#include "link/settings.h"
#include "sim/sim_server.h"
#include "support/scripted_ui.h"

namespace {

std::string ShotDir() {
  const char* dir = std::getenv("FS_SCREENSHOTS_DIR");
  return dir ? dir : "";
}

// Shows the window, lets it paint, and copies its rectangle from the screen
// with ImageMagick's "import" (the toolkit's own screen copy returns stale
// pixels on some X servers).
void Capture(wxTopLevelWindow& window, const std::string& name) {
  // The pointer out of the way, so that no control is drawn hovered.
  wxUIActionSimulator().MouseMove(0, 0);
  window.Show();
  window.Raise();
  for (int i = 0; i < 40; ++i) {
    wxYield();
    std::this_thread::sleep_for(std::chrono::milliseconds(25));
  }
  // The window with a margin for the window manager's frame and title bar.
  wxRect r = window.GetScreenRect();
  r.Inflate(2, 2);
  r.y -= 8;
  r.height += 8;
  r = r.Intersect(wxDisplay(0u).GetGeometry());
  const std::string path = ShotDir() + "/" + name + ".png";
  const std::string command = "import -window root -crop " + std::to_string(r.width) + "x" +
                              std::to_string(r.height) + "+" + std::to_string(r.x) + "+" +
                              std::to_string(r.y) + " +repage " + path;
  EXPECT_EQ(wxExecute(command, wxEXEC_SYNC | wxEXEC_NOEVENTS), 0) << command;
  window.Hide();
  wxYield();
}

// The three dialogs against the simulated printer, as an operator sees them in
// the middle of a receipt.
TEST(Screenshots, Dialogs) {
  if (ShotDir().empty()) GTEST_SKIP() << "FS_SCREENSHOTS_DIR not set";
  SimServer sim;
  PortMap::Instance().Set(1, sim.Path());
  ScriptedUi ui;

  DateTimeDialog clock(nullptr, &ui, 1);
  Capture(clock, "date_time_dialog");

  ReceiptDialog receipt(nullptr, &ui, 1);
  ASSERT_TRUE(receipt.Open());
  Click(&receipt, ReceiptDialog::kIdGetLastReceipt);
  SetChecked(&receipt, ReceiptDialog::kIdWithVat, true);
  Click(&receipt, ReceiptDialog::kIdOpenFiscal);
  SetText(&receipt, ReceiptDialog::kIdItemName, "Хляб бял");
  SetText(&receipt, ReceiptDialog::kIdItemPrice, "1.20");
  SetText(&receipt, ReceiptDialog::kIdItemQuantity, "2.000");
  Click(&receipt, ReceiptDialog::kIdItemSell);
  SetText(&receipt, ReceiptDialog::kIdArticleNumber, "6");
  SetText(&receipt, ReceiptDialog::kIdArticleQuantity, "10.500");
  Click(&receipt, ReceiptDialog::kIdArticleSell);
  SetText(&receipt, ReceiptDialog::kIdFreeText, "Благодарим Ви!");
  Select(&receipt, ReceiptDialog::kIdAlignment, 1);
  Click(&receipt, ReceiptDialog::kIdApply);
  Capture(receipt, "receipt_dialog");

  StatusDialog status(nullptr, &ui, 1);
  ASSERT_TRUE(status.Refresh());
  Capture(status, "status_dialog");
  EXPECT_TRUE(ui.prompts.empty()) << ui.prompts.front().text;
  PortMap::Instance().Clear();
}

}  // namespace
