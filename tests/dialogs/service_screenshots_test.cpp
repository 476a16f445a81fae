// Pictures of the parameters, EEPROM, invoice numbers and service sums dialogs
// against the simulated printer. Runs only when FS_SCREENSHOTS_DIR names the
// folder to write them to (scripts/screenshots).
#include <gtest/gtest.h>

#include "dialogs/eeprom_dialog.h"
#include "dialogs/invoice_numbers_dialog.h"
#include "dialogs/parameters_dialog.h"
#include "dialogs/service_sums_dialog.h"
#include "gui_test_support.h"
#include "link/settings.h"
#include "screenshot_capture.h"
#include "sim/sim_server.h"
#include "support/scripted_ui.h"

namespace {

TEST(Screenshots, ServiceDialogs) {
  if (ScreenshotDir().empty()) GTEST_SKIP() << "FS_SCREENSHOTS_DIR not set";
  SimServer sim;
  PortMap::Instance().Set(1, sim.Path());
  ScriptedUi ui;

  ParametersDialog parameters(nullptr, &ui, 1);
  ASSERT_TRUE(parameters.ReadAtOpening());
  CaptureWindow(parameters, "parameters_dialog");

  EepromDialog eeprom(nullptr, &ui, 1);
  SetText(&eeprom, EepromDialog::kIdPassword, "000000");
  CaptureWindow(eeprom, "eeprom_dialog");

  InvoiceNumbersDialog invoices(nullptr, &ui, 1);
  Click(&invoices, invoice_ids::kGet);
  CaptureWindow(invoices, "invoice_numbers_dialog");

  ServiceSumsDialog sums(nullptr, &ui, 1);
  ASSERT_TRUE(sums.ReadAtOpening());
  SetText(&sums, service_sum_ids::kAmount, "150.00");
  Select(&sums, service_sum_ids::kPaymentType, 1);
  CaptureWindow(sums, "service_sums_dialog");

  EXPECT_TRUE(ui.prompts.empty()) << ui.prompts.front().text;
  PortMap::Instance().Clear();
}

}  // namespace
