// Pictures of the programming dialogs (header lines in both layouts,
// operators, articles, departments, customer display) against the simulated
// printer. Run by scripts/screenshots.
#include <gtest/gtest.h>

#include "dialogs/article_dialog.h"
#include "dialogs/article_reading_dialog.h"
#include "dialogs/cliche_dialog.h"
#include "dialogs/department_dialog.h"
#include "dialogs/display_dialog.h"
#include "dialogs/operators_dialog.h"
#include "gui_test_support.h"
#include "link/settings.h"
#include "screenshot_capture.h"
#include "sim/sim_server.h"
#include "support/scripted_ui.h"

namespace {

// Each dialog after reading what the simulated printer holds.
TEST(Screenshots, ProgrammingDialogs) {
  if (ScreenshotDir().empty()) GTEST_SKIP() << "FS_SCREENSHOTS_DIR not set";
  ScriptedUi ui;
  for (int width : {kClicheNarrowWidth, kClicheWideWidth}) {
    SimOptions options;
    options.headerWidth = width;
    SimServer sim(options);
    PortMap::Instance().Set(1, sim.Path());
    ClicheDialog cliche(nullptr, &ui, 1, {}, width);
    Click(&cliche, ClicheDialog::kIdSelectAll);
    Click(&cliche, ClicheDialog::kIdGetSelected);
    cliche.Edit(4)->SetValue(wxString::FromUTF8("Работно време 8:00 - 20:00"));
    CaptureWindow(cliche, width == kClicheWideWidth ? "cliche_dialog_wide" : "cliche_dialog");
  }

  SimServer sim;
  PortMap::Instance().Set(1, sim.Path());
  OperatorsDialog operators(nullptr, &ui, 1);
  Click(&operators, OperatorsDialog::kIdSelectAll);
  Click(&operators, OperatorsDialog::kIdGetSelected);
  operators.Name(2)->SetValue(wxString::FromUTF8("Георги Иванов Петров"));
  CaptureWindow(operators, "operators_dialog");

  ArticleDialog article(nullptr, &ui, 1);
  ASSERT_TRUE(article.Open());
  SetText(&article, ArticleDialog::kIdNumber, "6");
  Click(&article, ArticleDialog::kIdGet);
  CaptureWindow(article, "article_dialog");

  ArticleReadingDialog reading(nullptr, &ui, 1);
  ASSERT_TRUE(reading.Open());
  SetText(&reading, ArticleReadingDialog::kIdNumber, "7");
  Click(&reading, ArticleReadingDialog::kIdGet);
  CaptureWindow(reading, "article_reading_dialog");

  DepartmentDialog department(nullptr, &ui, 1);
  SetText(&department, DepartmentDialog::kIdNumber, "2");
  Click(&department, DepartmentDialog::kIdGet);
  CaptureWindow(department, "department_dialog");

  DisplayDialog display(nullptr, &ui, 1);
  SetText(&display, DisplayDialog::kIdLine1Text, "Добре дошли!");
  SetText(&display, DisplayDialog::kIdLine2Text, "Каса 2");
  SetText(&display, DisplayDialog::kIdBothText, "Обща сума: 12.50 лв.");
  CaptureWindow(display, "display_dialog");
  EXPECT_TRUE(ui.prompts.empty()) << ui.prompts.front().text;
  PortMap::Instance().Clear();
}

}  // namespace
