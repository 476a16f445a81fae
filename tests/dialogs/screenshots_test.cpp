// Pictures of the dialogs for the documentation. Runs only when
// FS_SCREENSHOTS_DIR names the folder to write them to (scripts/screenshots).
#include <gtest/gtest.h>

#include "dialogs/date_time_dialog.h"
#include "dialogs/receipt_dialog.h"
#include "dialogs/status_dialog.h"
#include "gui_test_support.h"
#include "link/settings.h"
#include "screenshot_capture.h"
#include "sim/sim_server.h"
#include "support/scripted_ui.h"

namespace {

// The three dialogs against the simulated printer, as an operator sees them in
// the middle of a receipt.
TEST(Screenshots, Dialogs) {
  if (ScreenshotDir().empty()) GTEST_SKIP() << "FS_SCREENSHOTS_DIR not set";
  SimServer sim;
  PortMap::Instance().Set(1, sim.Path());
  ScriptedUi ui;

  DateTimeDialog clock(nullptr, &ui, 1);
  CaptureWindow(clock, "date_time_dialog");

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
  CaptureWindow(receipt, "receipt_dialog");

  StatusDialog status(nullptr, &ui, 1);
  ASSERT_TRUE(status.Refresh());
  CaptureWindow(status, "status_dialog");
  EXPECT_TRUE(ui.prompts.empty()) << ui.prompts.front().text;
  PortMap::Instance().Clear();
}

}  // namespace
