// Service commands: diagnostics and journal printouts, payment names,
// departments, the invoice number range and the operators' returned sums.

#include "driver/commands.h"
#include "driver/fiscal_printer.h"
#include "driver/limits.h"
#include "driver/status_flags.h"
#include "driver/text.h"
#include "link/prompt_style.h"

namespace {

constexpr uint32_t kReqDiagnostics =
    Require::kNoOpenReceipt | Require::kPaper | Require::kFiscalMemory;
constexpr uint32_t kReqJournalReport = Require::kFactoryNumbers | Require::kNoOpenReceipt |
                                       Require::kPaper | Require::kClock | Require::kFiscalMemory;
constexpr uint32_t kReqSetPaymentName = Require::kFactoryNumbers | Require::kNoOpenReceipt |
                                        Require::kDailyZeroed | Require::kFiscalMemory;
constexpr uint32_t kReqReadPaymentNames = Require::kFiscalMemory;
constexpr uint32_t kReqReadTable = Require::kFactoryNumbers | Require::kFiscalMemory;
constexpr uint32_t kReqSetTable =
    Require::kFactoryNumbers | Require::kNoOpenReceipt | Require::kFiscalMemory;
constexpr uint32_t kReqReturnedSums =
    Require::kFactoryNumbers | Require::kNoOpenReceipt | Require::kClock | Require::kFiscalMemory;

constexpr int kNameWidth = Limit::kPaymentName;

// A number of the invoice range: one to ten decimal digits.
bool IsInvoiceNumber(const std::string& text) {
  if (text.empty() || text.size() > static_cast<size_t>(Limit::kInvoiceNumberDigits)) return false;
  for (char c : text)
    if (c < '0' || c > '9') return false;
  return true;
}

// The number in characters [from, to] of a reply, read with every space removed
// (spaces may stand anywhere in the field).
double NumberWithoutSpaces(const std::string& reply, size_t from, size_t to) {
  const std::string digits = RemoveChar(Field(reply, from, to), ' ', 0);
  return FieldDouble(digits, 0, digits.size());
}

}  // namespace

std::string FiscalPrinter::PrintDiagnostics() {
  StatusFlags flags{};
  if (CheckStatus(flags, kReqDiagnostics).empty()) return "";
  return Transact(Cmd::kDiagnostics, "");
}

std::string FiscalPrinter::PrintJournalReport() {
  StatusFlags flags{};
  if (CheckStatus(flags, kReqJournalReport).empty()) return "";
  return Transact(Cmd::kDailyReport, "E");
}

std::string FiscalPrinter::SetPaymentName(int n, const std::string& name, double rate) {
  StatusFlags flags{};
  if (CheckStatus(flags, kReqSetPaymentName).empty()) return "";
  // Type 0 is cash, whose name is fixed.
  if (n < Limit::kFirstNamedPaymentType || n > Limit::kLastPaymentType)
    return EndOutOfRange(
        RangeMessage("Видът плащане", Limit::kFirstNamedPaymentType, Limit::kLastPaymentType));
  if (name.empty()) {
    ShowPrompt(PromptId::kPaymentNameMissing, "Моля въведете име на плащане!", "Грешка",
               Prompt::kIconStop, 1);
    return EndAfterPrompt(CallEnd::kOutOfRange);
  }
  const std::string field = FitText(name, kNameWidth, 0, '_');
  if (n == Limit::kCurrencyPaymentType && rate != 0.0) {
    // "%010.5f": a larger rate would widen the field.
    if (!(rate > 0.0 && rate <= Limit::kMaxExchangeRate))
      return EndOutOfRange(Sprintf("Курсът трябва да е над 0 и до %.5f", Limit::kMaxExchangeRate));
    return Transact(Cmd::kSetPaymentName, Sprintf("%.1d;", n) + field + Sprintf(";%010.5f", rate));
  }
  return Transact(Cmd::kSetPaymentName, Sprintf("%.1d;", n) + field);
}

std::string FiscalPrinter::ReadPaymentNames(PaymentNames& names) {
  StatusFlags flags{};
  if (CheckStatus(flags, kReqReadPaymentNames).empty()) return "";
  const std::string reply = Transact(Cmd::kReadPaymentNames, "");
  if (reply.empty()) return reply;
  for (size_t k = 0; k < names.size(); ++k)
    names[k] = RemoveChar(Field(reply, 11 * k, 11 * k + kNameWidth - 1), '_', 0);
  return reply;
}

std::string FiscalPrinter::ReadDepartment(Department& department) {
  StatusFlags flags{};
  if (CheckStatus(flags, kReqReadTable).empty()) return "";
  const std::string reply =
      Transact(Cmd::kReadDepartment, Sprintf("%02u", unsigned{department.number}));
  if (reply.empty()) return reply;

  department.number = static_cast<uint8_t>(FieldInt(reply, 0, 1));
  department.name = RemoveChar(Field(reply, 3, 22), ' ', 2);
  department.taxGroup = static_cast<uint8_t>(CharAt(reply, 24) & 0x0F);
  department.turnover = NumberWithoutSpaces(reply, 26, 36);
  department.quantity = reply.size() > 40 ? NumberWithoutSpaces(reply, 38, 48) : -1.0;
  return reply;
}

std::string FiscalPrinter::SetDepartment(const Department& department) {
  StatusFlags flags{};
  if (CheckStatus(flags, kReqSetTable).empty()) return "";
  // The group goes out as one digit '0'..'7' (А..З).
  if (department.taxGroup > Limit::kLastTaxGroup)
    return EndOutOfRange(
        RangeMessage("Данъчната група", Limit::kFirstTaxGroup, Limit::kLastTaxGroup));
  return Transact(Cmd::kSetDepartment,
                  Sprintf("%02u;", unsigned{department.number}) +
                      FitText(department.name, Limit::kDepartmentName, 0, ' ') +
                      Sprintf(";%c", '0' + department.taxGroup));
}

std::string FiscalPrinter::ReadInvoiceRange(InvoiceRange& range) {
  StatusFlags flags{};
  if (CheckStatus(flags, kReqReadTable).empty()) return "";
  const std::string reply = Transact(Cmd::kReadInvoiceRange, "");
  if (reply.empty()) return reply;
  range.first = RemoveChar(Field(reply, 0, 9), ' ', 2);
  range.last = RemoveChar(Field(reply, 11, 20), ' ', 2);
  return reply;
}

std::string FiscalPrinter::SetInvoiceRange(const InvoiceRange& range) {
  StatusFlags flags{};
  if (CheckStatus(flags, kReqSetTable).empty()) return "";
  // Cutting a longer number to ten characters would program another number.
  if (!IsInvoiceNumber(range.first) || !IsInvoiceNumber(range.last))
    return EndOutOfRange(
        Sprintf("Номерата на фактурите са от 1 до %d цифри", Limit::kInvoiceNumberDigits));
  return Transact(Cmd::kSetInvoiceRange,
                  FitText(range.first, Limit::kInvoiceNumberDigits, 2, '0') + ";" +
                      FitText(range.last, Limit::kInvoiceNumberDigits, 2, '0'));
}

std::string FiscalPrinter::ReadOperatorReturnedSums(OperatorReturnedSums& sums) {
  StatusFlags flags{};
  if (CheckStatus(flags, kReqReturnedSums).empty()) return "";
  if (sums.operatorNumber < Limit::kFirstOperator || sums.operatorNumber > Limit::kLastOperator)
    return EndOutOfRange(
        RangeMessage("Номерът на оператора", Limit::kFirstOperator, Limit::kLastOperator));
  const std::string reply = Transact(Cmd::kOperatorData, Sprintf("6;%.1d", sums.operatorNumber));
  if (reply.empty()) return reply;
  sums.operatorNumber = FieldInt(reply, 2, 2);
  for (size_t k = 0; k < sums.sums.size(); ++k)
    sums.sums[k] = FieldDouble(reply, 4 + 12 * k, 4 + 12 * k + 10);
  return "OK";
}
