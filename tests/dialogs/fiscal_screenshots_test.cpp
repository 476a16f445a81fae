// Pictures of the fiscalization and factory numbers dialogs against the
// simulated printer. Run by scripts/screenshots.
#include <gtest/gtest.h>

#include "dialogs/factory_numbers_dialog.h"
#include "dialogs/fiscalization_dialog.h"
#include "gui_test_support.h"
#include "link/settings.h"
#include "screenshot_capture.h"
#include "sim/sim_server.h"
#include "support/scripted_ui.h"

namespace {

TEST(Screenshots, FiscalDialogs) {
  if (ScreenshotDir().empty()) GTEST_SKIP() << "FS_SCREENSHOTS_DIR not set";
  ScriptedUi ui;
  SimServer sim;
  sim.WithDevice([](SimDevice& d) { d.State().dailyUnzeroed = true; });
  PortMap::Instance().Set(1, sim.Path());

  // A printer in service: the dialog shows what it read when it opened.
  FiscalizationDialog fiscal(nullptr, &ui, 1);
  RunModal(fiscal, [&] {
    fiscal.Password()->SetValue("000000");
    CaptureWindow(fiscal, "fiscalization_dialog");
    Click(&fiscal, FiscalizationDialog::kIdExit);
  });

  FactoryNumbersDialog factory(nullptr, &ui, 1);
  factory.Password()->SetValue("000000");
  factory.PrinterNumber()->SetValue("100200");
  factory.MemoryNumber()->SetValue("300400");
  factory.CheckDigits()->SetValue("17");
  CaptureWindow(factory, "factory_numbers_dialog");
  EXPECT_TRUE(ui.prompts.empty()) << ui.prompts.front().text;
  PortMap::Instance().Clear();
}

}  // namespace
