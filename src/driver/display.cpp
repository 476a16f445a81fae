// The external customer display: two lines of 20 characters.

#include "driver/fiscal_printer.h"
#include "driver/text.h"

namespace {

constexpr uint32_t kReqDisplay = 0x1;
constexpr uint32_t kReqDisplayDateTime = 0x3;
constexpr int kLineWidth = 20;

}  // namespace

std::string FiscalPrinter::ClearDisplay() {
  StatusFlags flags{};
  if (CheckStatus(flags, kReqDisplay).empty()) return "";
  return Transact('$', "");
}

std::string FiscalPrinter::DisplayLine(int line, const std::string& text, int alignment) {
  if (line != 1 && line != 2) return "";
  StatusFlags flags{};
  if (CheckStatus(flags, kReqDisplay).empty()) return "";
  return Transact(line == 1 ? '%' : '&', FitText(text, kLineWidth, alignment, ' '));
}

std::string FiscalPrinter::DisplayBothLines(const std::string& text, int alignment) {
  StatusFlags flags{};
  if (CheckStatus(flags, kReqDisplay).empty()) return "";
  return Transact('\'', FitText(text, 2 * kLineWidth, alignment, ' '));
}

std::string FiscalPrinter::DisplayDateTime() {
  StatusFlags flags{};
  if (CheckStatus(flags, kReqDisplayDateTime).empty()) return "";
  return Transact('(', "");
}
