// Pictures of the fiscal-memory report, report data and payment types dialogs
// against the simulated printer. Runs only when FS_SCREENSHOTS_DIR names the
// folder to write them to (scripts/screenshots).
#include <gtest/gtest.h>

#include "dialogs/fm_blocks_dialog.h"
#include "dialogs/fm_dates_dialog.h"
#include "dialogs/payment_types_dialog.h"
#include "dialogs/report_data_dialog.h"
#include "driver/cp1251.h"
#include "gui_test_support.h"
#include "link/settings.h"
#include "screenshot_capture.h"
#include "sim/sim_server.h"
#include "support/scripted_ui.h"

namespace {

TEST(Screenshots, ReportAndPaymentDialogs) {
  if (ScreenshotDir().empty()) GTEST_SKIP() << "FS_SCREENSHOTS_DIR not set";
  SimServer sim;
  PortMap::Instance().Set(1, sim.Path());
  ScriptedUi ui;
  {
    // A day with two receipts, so that the counters show something.
    FiscalPrinter printer(&ui, 1);
    ASSERT_TRUE(printer.IsConnected());
    for (int i = 0; i < 2; ++i) {
      ASSERT_EQ(printer.OpenFiscalReceipt({1, "", "1"}, false, false), "00");
      ASSERT_EQ(printer.SellItem(Utf8ToCp1251Lossy("Хляб"), 1, 1.20, 2 + i, 0), "00");
      ASSERT_EQ(printer.SellItem(Utf8ToCp1251Lossy("Кафе"), 2, 1.80, 1, 0), "00");
      ASSERT_NE(printer.Payment(0, 10.00, false, 0), "");
      ASSERT_NE(printer.CloseFiscalReceipt(), "");
    }
  }

  FmBlocksDialog blocks(nullptr, &ui, 1);
  ASSERT_TRUE(blocks.ReadAtOpening());
  CaptureWindow(blocks, "fm_blocks_dialog");

  FmDatesDialog dates(nullptr, &ui, 1);
  ASSERT_TRUE(dates.ReadAtOpening());
  CaptureWindow(dates, "fm_dates_dialog");

  DailyReportDataDialog daily(nullptr, &ui, 1);
  ASSERT_TRUE(daily.ReadAtOpening());
  Click(&daily, report_data::kDailyGetAll);
  CaptureWindow(daily, "daily_report_data_dialog");

  OperatorReportDataDialog op(nullptr, &ui, 1);
  ASSERT_TRUE(op.ReadAtOpening());
  Click(&op, report_data::kOperatorGetAll);
  ProcessPending();
  CaptureWindow(op, "operator_report_data_dialog");

  PaymentTypesDialog payments(nullptr, &ui, 1);
  SetChecked(&payments, kPaymentRows[0].tickId, true);
  SetChecked(&payments, kPaymentRows[1].tickId, true);
  SetChecked(&payments, kPaymentRows[2].tickId, true);
  SetChecked(&payments, kPaymentRows[3].tickId, true);
  Click(&payments, payment_ids::kGetSelected);
  CaptureWindow(payments, "payment_types_dialog");

  EXPECT_TRUE(ui.prompts.empty()) << ui.prompts.front().text;
  PortMap::Instance().Clear();
}

}  // namespace
