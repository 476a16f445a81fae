// Paper feed and the end of a printed listing.
#include <cstdint>

#include "driver/fiscal_printer.h"
#include "driver/status_flags.h"

namespace {
constexpr uint8_t kCmdFeedPaper = 0x2B;
constexpr uint8_t kCmdFinishPrintout = 0x29;
}  // namespace

std::string FiscalPrinter::FeedPaper() {
  StatusFlags flags{};
  if (CheckStatus(flags, Require::kFiscalMemory | Require::kPaper).empty()) return std::string();
  return Transact(kCmdFeedPaper, "");
}

// No status check: the status check itself feeds paper with it.
std::string FiscalPrinter::FeedPaperNoCheck() {
  return Transact(kCmdFeedPaper, "");
}

std::string FiscalPrinter::FinishPrintout() {
  return Transact(kCmdFinishPrintout, "");
}
