// The service items of the menu (print parameters, EEPROM erase, invoice
// numbers, service sums) are enabled and open their dialogs on the simulated
// printer.
#include <gtest/gtest.h>

#include "app/main_menu.h"
#include "app_test_support.h"
#include "dialogs/eeprom_dialog.h"
#include "dialogs/invoice_numbers_dialog.h"
#include "dialogs/parameters_dialog.h"
#include "dialogs/service_sums_dialog.h"

namespace {

using ServiceItemsTest = MenuWindowTest;

TEST_F(ServiceItemsTest, ItemsAreEnabledAndOpenTheirDialogs) {
  namespace m = menu_id;
  Start();
  for (int id : {m::kParameters, m::kEepromErase, m::kInvoiceNumbers, m::kServiceSums})
    EXPECT_TRUE(window_->IsItemEnabled(id)) << id;
  EXPECT_EQ(Open<ParametersDialog>(m::kParameters, wxID_OK), 1);
  EXPECT_EQ(Open<EepromDialog>(m::kEepromErase, EepromDialog::kIdExit), 1);
  EXPECT_EQ(Open<InvoiceNumbersDialog>(m::kInvoiceNumbers, wxID_OK), 1);
  EXPECT_EQ(Open<ServiceSumsDialog>(m::kServiceSums, wxID_OK), 1);
}

}  // namespace
