// The menu items of the receipt, status and clock dialogs open those dialogs
// against the simulated printer, and the driver's request for the clock dialog
// reaches the real one.
#include <gtest/gtest.h>

#include "app/main_menu.h"
#include "app/menu_routes.h"
#include "app_test_support.h"
#include "dialogs/date_time_dialog.h"
#include "dialogs/gui_ui_host.h"
#include "dialogs/receipt_dialog.h"
#include "dialogs/status_dialog.h"

namespace {

using DialogItemsTest = MenuWindowTest;

TEST_F(DialogItemsTest, MenuItemsOpenTheirDialogs) {
  namespace m = menu_id;
  Start();
  for (int id : {m::kReceiptOperations, m::kStatus, m::kDateTime})
    EXPECT_TRUE(window_->IsItemEnabled(id)) << id;
  EXPECT_EQ(Open<ReceiptDialog>(m::kReceiptOperations, ReceiptDialog::kIdExit), 1);
  EXPECT_EQ(Open<StatusDialog>(m::kStatus, wxID_OK), 1);
  EXPECT_EQ(Open<DateTimeDialog>(m::kDateTime, DateTimeDialog::kIdExit), 1);
}

TEST_F(DialogItemsTest, DriverRequestRunsTheRealClockDialog) {
  Start();
  RegisterDialogHooks();
  GuiUiHost host(window_);
  PressWhenOpen<DateTimeDialog> watch(DateTimeDialog::kIdExit);
  EXPECT_EQ(host.RunDateTimeDialog(1), 2);
  EXPECT_EQ(watch.seen, 1);
}

}  // namespace
