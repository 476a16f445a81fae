// The menu items of the fiscal-memory report, report data and payment types
// dialogs are enabled and open their dialogs against the simulated printer.
#include <gtest/gtest.h>
#include <wx/timer.h>

#include "app/main_dialog.h"
#include "app/main_menu.h"
#include "app/menu_routes.h"
#include "app_test_support.h"
#include "dialogs/fm_blocks_dialog.h"
#include "dialogs/fm_dates_dialog.h"
#include "dialogs/payment_types_dialog.h"
#include "dialogs/report_data_dialog.h"
#include "link/settings.h"
#include "sim/sim_server.h"

namespace {

// While it lives, presses "Exit" of the modal dialog of type `Dialog` once it
// is up, and counts how often it was.
template <class Dialog>
class ExitWhenOpen : public wxTimer {
 public:
  ExitWhenOpen() { Start(50); }
  void Notify() override {
    if (auto* d = ModalDialog<Dialog>()) {
      ++seen;
      Click(d, wxID_OK);
    }
  }
  int seen = 0;
};

class ReportItemsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    PortMap::Instance().Clear();
    PortMap::Instance().Set(1, sim_.Path());
    CurrentPort = 1;
    window_ = new MainDialog(StandardMenuRoutes());
  }
  void TearDown() override {
    window_->Destroy();
    ProcessPending();
    PortMap::Instance().Clear();
  }

  template <class Dialog>
  int Opened(int item) {
    ExitWhenOpen<Dialog> watch;
    window_->RunItem(item);
    return watch.seen;
  }

  SimServer sim_;
  TemporaryHome home_;
  MainDialog* window_ = nullptr;
};

TEST_F(ReportItemsTest, ItemsAreEnabledAndOpenTheirDialogs) {
  window_->DoMenuUpdates();
  for (int id : {menu_id::kFMReportByBlocks, menu_id::kFMReportByDates, menu_id::kDailyReportData,
                 menu_id::kOperatorReportData, menu_id::kPaymentTypes})
    EXPECT_TRUE(window_->IsItemEnabled(id)) << id;
  EXPECT_EQ(Opened<FmBlocksDialog>(menu_id::kFMReportByBlocks), 1);
  EXPECT_EQ(Opened<FmDatesDialog>(menu_id::kFMReportByDates), 1);
  EXPECT_EQ(Opened<DailyReportDataDialog>(menu_id::kDailyReportData), 1);
  EXPECT_EQ(Opened<OperatorReportDataDialog>(menu_id::kOperatorReportData), 1);
  EXPECT_EQ(Opened<PaymentTypesDialog>(menu_id::kPaymentTypes), 1);
}

}  // namespace
