// The external customer display: two lines of 20 characters.

#include "driver/commands.h"
#include "driver/fiscal_printer.h"
#include "driver/limits.h"
#include "driver/status_flags.h"
#include "driver/text.h"

namespace {

constexpr uint32_t kReqDisplay = Require::kFiscalMemory;
constexpr uint32_t kReqDisplayDateTime = Require::kClock | Require::kFiscalMemory;
constexpr int kLineWidth = Limit::kDisplayLine;

}  // namespace

std::string FiscalPrinter::ClearDisplay() {
  StatusFlags flags{};
  if (CheckStatus(flags, kReqDisplay).empty()) return "";
  return Transact(Cmd::kClearDisplay, "");
}

std::string FiscalPrinter::DisplayLine(int line, const std::string& text, int alignment) {
  if (line != 1 && line != 2) return EndOutOfRange(RangeMessage("Редът на дисплея", 1, 2));
  StatusFlags flags{};
  if (CheckStatus(flags, kReqDisplay).empty()) return "";
  return Transact(line == 1 ? Cmd::kDisplayLine1 : Cmd::kDisplayLine2,
                  FitText(text, kLineWidth, alignment, ' '));
}

std::string FiscalPrinter::DisplayBothLines(const std::string& text, int alignment) {
  StatusFlags flags{};
  if (CheckStatus(flags, kReqDisplay).empty()) return "";
  return Transact(Cmd::kDisplayBothLines, FitText(text, 2 * kLineWidth, alignment, ' '));
}

std::string FiscalPrinter::DisplayDateTime() {
  StatusFlags flags{};
  if (CheckStatus(flags, kReqDisplayDateTime).empty()) return "";
  return Transact(Cmd::kDisplayDateTime, "");
}
