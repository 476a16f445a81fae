#include "dialogs/dialog_printer.h"

namespace {
std::optional<LinkTimeouts> testTimeouts;
}

DialogPrinter::DialogPrinter(UiHost* ui, int port) : FiscalPrinter(ui, port) {
  if (testTimeouts) PrinterLink::SetTimeoutsForTesting(*testTimeouts);
}

void DialogPrinter::SetTimeoutsForTesting(std::optional<LinkTimeouts> timeouts) {
  testTimeouts = timeouts;
}
