// Paper feed and the end of a printed listing.
#include <cstdint>

#include "driver/commands.h"
#include "driver/fiscal_printer.h"
#include "driver/status_flags.h"

namespace {}  // namespace

std::string FiscalPrinter::FeedPaper() {
  StatusFlags flags{};
  if (CheckStatus(flags, Require::kFiscalMemory | Require::kPaper).empty()) return std::string();
  return Transact(Cmd::kFeedPaper, "");
}

// No status check: the status check itself feeds paper with it.
std::string FiscalPrinter::FeedPaperNoCheck() {
  return Transact(Cmd::kFeedPaper, "");
}

std::string FiscalPrinter::FinishPrintout() {
  return Transact(Cmd::kFinishPrintout, "");
}
