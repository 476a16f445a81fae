// The menu items of the fiscal-memory report, report data and payment types
// dialogs are enabled and open their dialogs against the simulated printer.
#include <gtest/gtest.h>

#include "app/main_menu.h"
#include "app_test_support.h"
#include "dialogs/fm_blocks_dialog.h"
#include "dialogs/fm_dates_dialog.h"
#include "dialogs/payment_types_dialog.h"
#include "dialogs/report_data_dialog.h"

namespace {

using ReportItemsTest = MenuWindowTest;

TEST_F(ReportItemsTest, ItemsAreEnabledAndOpenTheirDialogs) {
  namespace m = menu_id;
  Start();
  for (int id : {m::kFMReportByBlocks, m::kFMReportByDates, m::kDailyReportData,
                 m::kOperatorReportData, m::kPaymentTypes})
    EXPECT_TRUE(window_->IsItemEnabled(id)) << id;
  EXPECT_EQ(Open<FmBlocksDialog>(m::kFMReportByBlocks, wxID_OK), 1);
  EXPECT_EQ(Open<FmDatesDialog>(m::kFMReportByDates, wxID_OK), 1);
  EXPECT_EQ(Open<DailyReportDataDialog>(m::kDailyReportData, wxID_OK), 1);
  EXPECT_EQ(Open<OperatorReportDataDialog>(m::kOperatorReportData, wxID_OK), 1);
  EXPECT_EQ(Open<PaymentTypesDialog>(m::kPaymentTypes, wxID_OK), 1);
}

}  // namespace
