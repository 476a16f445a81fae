// Menu item -> action. Command items run one driver method on a short-lived
// printer (menu_commands.h); dialog items run their dialog modally with no
// parent window, and the dialog creates its own drivers and shows its own
// prompts. An item without a row here is greyed out.
#include "app/menu_routes.h"

#include "app/line_monitor_window.h"
#include "app/main_menu.h"
#include "app/menu_commands.h"
#include "app/tool_routes.h"
#include "dialogs/article_dialog.h"
#include "dialogs/article_reading_dialog.h"
#include "dialogs/cliche_dialog.h"
#include "dialogs/date_time_dialog.h"
#include "dialogs/department_dialog.h"
#include "dialogs/display_dialog.h"
#include "dialogs/eeprom_dialog.h"
#include "dialogs/factory_numbers_dialog.h"
#include "dialogs/fiscalization_dialog.h"
#include "dialogs/fm_blocks_dialog.h"
#include "dialogs/fm_dates_dialog.h"
#include "dialogs/invoice_numbers_dialog.h"
#include "dialogs/logo_dialog.h"
#include "dialogs/operators_dialog.h"
#include "dialogs/parameters_dialog.h"
#include "dialogs/payment_types_dialog.h"
#include "dialogs/receipt_dialog.h"
#include "dialogs/report_data_dialog.h"
#include "dialogs/service_sums_dialog.h"
#include "dialogs/status_dialog.h"
#include "link/settings.h"

namespace {

// A dialog constructed as (parent, UI host, line) and run modally on the main
// window's line. Without a UI host the dialog's prompts are owned by the
// dialog itself.
template <class Dialog>
MenuAction OpenDialog() {
  return [](MenuContext& c) {
    Dialog dialog(nullptr, nullptr, c.line);
    dialog.ShowModal();
  };
}

}  // namespace

MenuRoutes StandardMenuRoutes() {
  using namespace menu_id;
  MenuRoutes routes = {
      // --- Reports printed at once --------------------------------------------
      {kDailyZ, PrinterCommand([](FiscalPrinter& p) { p.PrintDailyReport(true); })},
      {kOperatorsZ, PrinterCommand([](FiscalPrinter& p) { p.PrintOperatorReport(true, 0); })},
      {kArticlesZ, PrinterCommand([](FiscalPrinter& p) { p.PrintArticleReport(true); })},
      {kExtendedDailyZ, PrinterCommand([](FiscalPrinter& p) { p.PrintExtendedDailyReport(true); })},
      {kDailyX, PrinterCommand([](FiscalPrinter& p) { p.PrintDailyReport(false); })},
      {kAllOperatorsX, PrinterCommand([](FiscalPrinter& p) { p.PrintOperatorReport(false, 0); })},
      {kArticlesX, PrinterCommand([](FiscalPrinter& p) { p.PrintArticleReport(false); })},
      {kExtendedDailyX,
       PrinterCommand([](FiscalPrinter& p) { p.PrintExtendedDailyReport(false); })},
      {kSpecialFMReport, PrinterCommand([](FiscalPrinter& p) { p.PrintSpecialFMReport(); })},
      {kJournalReport, PrinterCommand([](FiscalPrinter& p) { p.PrintJournalReport(); })},
      {kFMReportToFile, SaveFMReportToFile},
      {kFreeFMRecords, ShowFreeFMRecords},

      // --- Dialogs ------------------------------------------------------------
      {kReceiptOperations, OpenDialog<ReceiptDialog>()},
      {kStatus, OpenDialog<StatusDialog>()},
      {kDateTime, [](MenuContext& c) { RunDateTimeDialog(nullptr, nullptr, c.line); }},
      {kFMReportByBlocks, OpenDialog<FmBlocksDialog>()},
      {kFMReportByDates, OpenDialog<FmDatesDialog>()},
      {kDailyReportData, OpenDialog<DailyReportDataDialog>()},
      {kOperatorReportData, OpenDialog<OperatorReportDataDialog>()},
      {kPaymentTypes, OpenDialog<PaymentTypesDialog>()},
      {kClicheProgramming, [](MenuContext& c) { RunClicheDialogFromMenu(c.ui, c.line); }},
      {kOperatorsProgramming, OpenDialog<OperatorsDialog>()},
      {kArticleProgramming, OpenDialog<ArticleDialog>()},
      {kArticleReading, OpenDialog<ArticleReadingDialog>()},
      {kDepartments, OpenDialog<DepartmentDialog>()},
      {kDisplayProgramming, OpenDialog<DisplayDialog>()},
      {kLogo, OpenDialog<LogoDialog>()},
      {kParameters, OpenDialog<ParametersDialog>()},
      {kEepromErase, OpenDialog<EepromDialog>()},
      {kInvoiceNumbers, OpenDialog<InvoiceNumbersDialog>()},
      {kServiceSums, OpenDialog<ServiceSumsDialog>()},
      {kFiscalization, OpenDialog<FiscalizationDialog>()},
      {kFactoryNumbers, OpenDialog<FactoryNumbersDialog>()},

      // --- Tools --------------------------------------------------------------
      {tools_id::kLineMonitor, [](MenuContext& c) { LineMonitorWindow::Open(c.window); }},
  };
  for (int op = 1; op <= 9; ++op) {
    routes[kOperatorX1 + op - 1] =
        PrinterCommand([op](FiscalPrinter& p) { p.PrintOperatorReport(false, op); });
  }
  AddToolRoutes(routes);
  return routes;
}

void RegisterDialogHooks() {
  RegisterDateTimeDialog();
}
