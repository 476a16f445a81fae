// The menu items of the receipt, status and clock dialogs open those dialogs
// against the simulated printer, and the driver's request for the clock dialog
// reaches the real one.
#include <gtest/gtest.h>
#include <wx/timer.h>

#include <functional>

#include "app/main_dialog.h"
#include "app/main_menu.h"
#include "app/menu_routes.h"
#include "app_test_support.h"
#include "dialogs/date_time_dialog.h"
#include "dialogs/gui_ui_host.h"
#include "dialogs/receipt_dialog.h"
#include "dialogs/status_dialog.h"
#include "link/settings.h"
#include "sim/sim_server.h"

namespace {

// While it lives, waits for a modal dialog of type `Dialog` and presses its
// button `exitId` once it is up.
template <class Dialog>
class CloseWhenOpen : public wxTimer {
 public:
  explicit CloseWhenOpen(int exitId) : exitId_(exitId) { Start(50); }
  void Notify() override {
    if (auto* d = ModalDialog<Dialog>()) {
      ++seen;
      Click(d, exitId_);
    }
  }
  int seen = 0;

 private:
  int exitId_;
};

class DialogItemsTest : public ::testing::Test {
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

  SimServer sim_;
  TemporaryHome home_;
  MainDialog* window_ = nullptr;
};

TEST_F(DialogItemsTest, MenuItemsOpenTheirDialogs) {
  window_->DoMenuUpdates();
  for (int id : {menu_id::kReceiptOperations, menu_id::kStatus, menu_id::kDateTime})
    EXPECT_TRUE(window_->IsItemEnabled(id)) << id;
  {
    CloseWhenOpen<ReceiptDialog> watch(ReceiptDialog::kIdExit);
    window_->RunItem(menu_id::kReceiptOperations);
    EXPECT_EQ(watch.seen, 1);
  }
  {
    CloseWhenOpen<StatusDialog> watch(wxID_OK);
    window_->RunItem(menu_id::kStatus);
    EXPECT_EQ(watch.seen, 1);
  }
  {
    CloseWhenOpen<DateTimeDialog> watch(DateTimeDialog::kIdExit);
    window_->RunItem(menu_id::kDateTime);
    EXPECT_EQ(watch.seen, 1);
  }
}

TEST_F(DialogItemsTest, DriverRequestRunsTheRealClockDialog) {
  RegisterDialogHooks();
  GuiUiHost host(window_);
  CloseWhenOpen<DateTimeDialog> watch(DateTimeDialog::kIdExit);
  EXPECT_EQ(host.RunDateTimeDialog(1), 2);
  EXPECT_EQ(watch.seen, 1);
}

}  // namespace
