#pragma once

#include <optional>

#include "driver/fiscal_printer.h"

// The driver a dialog opens for one action: a FiscalPrinter on `port` with the
// dialog's UI host. It exists only so that tests can give every driver the
// dialogs open shorter link time-outs; otherwise it is a plain FiscalPrinter.
class DialogPrinter : public FiscalPrinter {
 public:
  DialogPrinter(UiHost* ui, int port);

  // Time-outs for every DialogPrinter created from now on; nothing restores the
  // protocol's own. Tests only.
  static void SetTimeoutsForTesting(std::optional<LinkTimeouts> timeouts);
};
