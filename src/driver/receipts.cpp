// Receipts and sales: opening and closing fiscal, invoice and service receipts,
// sales and voids, subtotal, payment, text lines, duplicate, service sums and
// the receipt state.
#include <cstdint>

#include "driver/amounts.h"
#include "driver/commands.h"
#include "driver/fiscal_printer.h"
#include "driver/limits.h"
#include "driver/status_flags.h"
#include "driver/text.h"
#include "link/prompt_style.h"

namespace {

constexpr uint32_t kOpenReceipt = Require::kFMNotFull | Require::kFactoryNumbers |
                                  Require::kNoOpenReceipt | Require::kNoOverflow | Require::kPaper |
                                  Require::kClock | Require::kFiscalMemory;
constexpr uint32_t kSale = Require::kFiscalReceiptOpen | Require::kFactoryNumbers |
                           Require::kNoOverflow | Require::kPaper | Require::kClock |
                           Require::kFiscalMemory;
constexpr uint32_t kPaymentWord = Require::kFiscalReceiptOpen | Require::kFactoryNumbers |
                                  Require::kPaper | Require::kClock | Require::kFiscalMemory;

bool ValidOperator(const OperatorRecord& op) {
  return op.number >= Limit::kFirstOperator && op.number <= Limit::kLastOperator;
}

std::string Password(const OperatorRecord& op) {
  return FitText(op.password, Limit::kOperatorPassword, 0, ' ');
}

char Flag01(bool b) {
  return b ? '1' : '0';
}

// The quantity and percentage parts of a sale. `alwaysQuantity` sends every
// quantity but 0 (department sales); otherwise 1 is left out too.
std::string SaleTail(double quantity, double percent, bool alwaysQuantity, bool shortPercent) {
  std::string tail;
  if (quantity != 0 && (alwaysQuantity || quantity != 1)) tail += QuantityField(quantity);
  if (percent != 0) tail += shortPercent ? PercentField5(percent) : PercentField(percent);
  return tail;
}

}  // namespace

std::string FiscalPrinter::OpenServiceReceipt(const OperatorRecord& op) {
  StatusFlags flags{};
  if (CheckStatus(flags, kOpenReceipt).empty()) return std::string();
  if (!ValidOperator(op))
    return EndOutOfRange(
        RangeMessage("Номерът на оператора", Limit::kFirstOperator, Limit::kLastOperator));
  return Transact(Cmd::kOpenServiceReceipt, Sprintf("%.1d;%s", op.number, Password(op).c_str()));
}

std::string FiscalPrinter::CloseServiceReceipt() {
  StatusFlags flags{};
  if (CheckStatus(flags, Require::kServiceReceiptOpen | Require::kFactoryNumbers | Require::kPaper |
                             Require::kFiscalMemory)
          .empty())
    return std::string();
  return Transact(Cmd::kCloseServiceReceipt, "");
}

std::string FiscalPrinter::OpenFiscalReceipt(const OperatorRecord& op, bool detailed,
                                             bool withVat) {
  StatusFlags flags{};
  if (CheckStatus(flags, kOpenReceipt).empty()) return std::string();
  if (!ValidOperator(op))
    return EndOutOfRange(
        RangeMessage("Номерът на оператора", Limit::kFirstOperator, Limit::kLastOperator));
  return Transact(Cmd::kOpenFiscalReceipt, Sprintf("%.1d;%s;%c;%c", op.number, Password(op).c_str(),
                                                   Flag01(detailed), Flag01(withVat)));
}

std::string FiscalPrinter::OpenInvoiceReceipt(
    const OperatorRecord& op, const std::string& recipient, const std::string& buyer,
    const std::string& vatNumber, const std::string& idNumber, const std::string& address) {
  StatusFlags flags{};
  if (CheckStatus(flags, kOpenReceipt).empty()) return std::string();
  if (!ValidOperator(op))
    return EndOutOfRange(
        RangeMessage("Номерът на оператора", Limit::kFirstOperator, Limit::kLastOperator));
  const std::string data = Sprintf("%.1d;%s;0;0;1;", op.number, Password(op).c_str()) +
                           FitText(recipient, Limit::kInvoiceRecipient, 0, ' ') + ";" +
                           FitText(buyer, Limit::kInvoiceBuyer, 0, ' ') + ";" +
                           FitText(vatNumber, Limit::kInvoiceVatNumber, 0, ' ') + ";" +
                           FitText(idNumber, Limit::kInvoiceIdNumber, 0, ' ') + ";" +
                           FitText(address, Limit::kInvoiceAddress, 0, ' ') + ";";
  return Transact(Cmd::kOpenFiscalReceipt, data);
}

// A priced sale of a free item or in a department: the same checks and fields
// but for the byte that names the group or the department and the tail rules.
static std::string SellPriced(FiscalPrinter& p, uint8_t cmd, const std::string& text, char codeByte,
                              double price, double quantity, double percent, bool department) {
  if (const std::string bad = QuantityPercentProblem(quantity, percent); !bad.empty())
    return p.EndOutOfRange(bad);
  char mode = 0;
  if (!p.Done(p.ReadDecimalPoint(mode))) return std::string();
  const MoneyFormat money(mode);
  if (!money.InPriceRange(price)) return p.EndOutOfRange(money.RangeMessage("Цената"));
  std::string data =
      FitText(text, Limit::kItemText, 0, ' ') + ";" + codeByte + ";" + money.Amount(price);
  data += SaleTail(quantity, percent, department, department);
  return p.Transact(cmd, data);
}

std::string FiscalPrinter::SellItem(const std::string& text, int taxGroup, double price,
                                    double quantity, double percent) {
  StatusFlags flags{};
  if (CheckStatus(flags, kSale).empty()) return std::string();
  // A group outside А..З would put some other letter where the group belongs.
  if (taxGroup < Limit::kFirstTaxGroup || taxGroup > Limit::kLastTaxGroup)
    return EndOutOfRange(
        RangeMessage("Данъчната група", Limit::kFirstTaxGroup, Limit::kLastTaxGroup));
  return SellPriced(*this, Cmd::kSellItem, text, static_cast<char>(0xC0 + taxGroup), price,
                    quantity, percent, false);
}

std::string FiscalPrinter::SellArticle(int article, double quantity, double percent, bool isVoid) {
  StatusFlags flags{};
  if (CheckStatus(flags, kSale).empty()) return std::string();
  if (article < Limit::kFirstArticle || article > Limit::kLastArticle)
    return EndOutOfRange(
        RangeMessage("Номерът на артикула", Limit::kFirstArticle, Limit::kLastArticle));
  if (const std::string bad = QuantityPercentProblem(quantity, percent); !bad.empty())
    return EndOutOfRange(bad);
  std::string data = Sprintf("%c%.5d", isVoid ? '-' : ' ', article);
  data += SaleTail(quantity, percent, false, false);
  return Transact(Cmd::kSellArticle, data);
}

std::string FiscalPrinter::Subtotal(double& subtotal, double value, bool isAmount, bool print,
                                    bool display) {
  uint32_t word = value > 0 ? 0x2080B : 0x20803;
  if (print) word |= Require::kPaper;
  StatusFlags flags{};
  if (CheckStatus(flags, word).empty()) return std::string();
  char mode = 0;
  if (!Done(ReadDecimalPoint(mode))) return std::string();
  const MoneyFormat money(mode);
  if (isAmount && !money.InPriceRange(value)) return EndOutOfRange(money.RangeMessage("Сумата"));
  if (!isAmount && !InPercentRange(value)) return EndOutOfRange(PercentRangeMessage());
  std::string data = Sprintf("%c;%c", Flag01(print), Flag01(display));
  if (value != 0) data += isAmount ? ":" + money.Amount(value) : PercentField(value);
  const std::string reply = Transact(Cmd::kSubtotal, data);
  // The printer answers with the subtotal; an ACK code it sent instead (a
  // refusal passed over with "Продължи") is not an amount.
  if (!reply.empty() && !LastReplyWasAck()) subtotal = FieldDouble(reply, 0, reply.size());
  return reply;
}

std::string FiscalPrinter::SellInDepartment(const std::string& text, int department, double price,
                                            double quantity, double percent) {
  StatusFlags flags{};
  if (CheckStatus(flags, kSale).empty()) return std::string();
  // The department travels as the one byte 0x80 + n; larger numbers would wrap.
  if (department < 0 || department > Limit::kLastDepartmentByte)
    return EndOutOfRange(RangeMessage("Номерът на департамента", 0, Limit::kLastDepartmentByte));
  return SellPriced(*this, Cmd::kSellInDepartment, text, static_cast<char>(0x80 + department),
                    price, quantity, percent, true);
}

std::string FiscalPrinter::Payment(int type, double amount, bool noChange, int changeType) {
  StatusFlags flags{};
  if (CheckStatus(flags, kPaymentWord).empty()) return std::string();
  ReceiptState state;
  const std::string stateReply = ReadReceiptState(state);
  if (stateReply.empty()) return stateReply;
  if (state.paymentFinished) {
    const int answer =
        ShowPrompt(PromptId::kPaymentFinished, "Плащането е завършено", "Завършено плащане",
                   Prompt::kIconExclamation | Prompt::kContinueCancel);  // "Продължи"/"Отказ"
    return answer == Prompt::kResultContinue ? std::string("OK")
                                             : EndAfterPrompt(CallEnd::kCancelled);
  }
  char mode = 0;
  if (!Done(ReadDecimalPoint(mode))) return std::string();
  const MoneyFormat money(mode);
  // A negative payment is the printer's to judge; the host only refuses amounts
  // whose field would not fit its width (and NaN, which has no field form).
  if (!money.InPriceRange(amount)) return EndOutOfRange(money.RangeMessage("Сумата"));
  return Transact(Cmd::kPayment, Sprintf("%.1d;%c;", type, Flag01(noChange)) +
                                     money.Amount(amount) + Sprintf(";%1d;", changeType));
}

std::string FiscalPrinter::PrintReceiptText(const std::string& text, int alignment) {
  StatusFlags flags{};
  if (CheckStatus(flags, Require::kFiscalMemory | Require::kPaper).empty()) return std::string();
  return Transact(Cmd::kReceiptText, FitText(text, Limit::kCommentText, alignment, ' '));
}

std::string FiscalPrinter::CloseFiscalReceipt() {
  StatusFlags flags{};
  if (CheckStatus(flags, kPaymentWord).empty()) return std::string();
  double unpaid = 0;
  const std::string sub = Subtotal(unpaid, 0, false, false, false);
  if (sub.empty()) return sub;
  if (unpaid > 0) {
    char mode = 0;
    if (!Done(ReadDecimalPoint(mode))) return std::string();
    const MoneyFormat money(mode);
    const std::string text = "Има неприключена сметка от " + money.InMessage(unpaid) + " лева";
    if (ShowPrompt(PromptId::kUnfinishedReceipt, text, "Неприключена сметка",
                   Prompt::kIconStop | Prompt::kFinishCancelB) != Prompt::kResultOk)
      return EndAfterPrompt(CallEnd::kCancelled);
    const std::string paid = Payment(0, unpaid, false, 1);
    if (paid.empty()) return paid;
  }
  return Transact(Cmd::kCloseFiscalReceipt, "");
}

std::string FiscalPrinter::PrintDuplicate() {
  StatusFlags flags{};
  if (CheckStatus(flags, Require::kFactoryNumbers | Require::kDuplicatePending | Require::kPaper |
                             Require::kClock | Require::kFiscalMemory)
          .empty())
    return std::string();
  return Transact(Cmd::kDuplicate, "");
}

std::string FiscalPrinter::ServiceSumInOut(const OperatorRecord& op, int paymentType,
                                           double amount) {
  StatusFlags flags{};
  if (CheckStatus(flags, Require::kFactoryNumbers | Require::kNoOpenReceipt | Require::kNoOverflow |
                             Require::kPaper | Require::kClock | Require::kFiscalMemory)
          .empty())
    return std::string();
  if (!ValidOperator(op))
    return EndOutOfRange(
        RangeMessage("Номерът на оператора", Limit::kFirstOperator, Limit::kLastOperator));
  char mode = 0;
  if (!Done(ReadDecimalPoint(mode))) return std::string();
  const MoneyFormat money(mode);
  if (!money.InPriceRange(amount)) return EndOutOfRange(money.RangeMessage("Сумата"));
  return Transact(Cmd::kServiceSum,
                  Sprintf("%.1d;%s;%.1d;", op.number, Password(op).c_str(), paymentType) +
                      money.Amount(amount));
}

std::string FiscalPrinter::ReadLastReceiptNumber(int& number) {
  StatusFlags flags{};
  if (CheckStatus(flags, Require::kFactoryNumbers | Require::kNoOpenReceipt | Require::kClock |
                             Require::kFiscalMemory)
          .empty())
    return std::string();
  const std::string reply = Transact(Cmd::kLastReceiptNumber, "");
  if (reply.empty()) return reply;
  number = FieldInt(reply, 0, 3);
  return "OK";
}

std::string FiscalPrinter::ReadReceiptState(ReceiptState& state) {
  StatusFlags flags{};
  if (CheckStatus(flags, Require::kFactoryNumbers | Require::kClock | Require::kFiscalMemory)
          .empty())
    return std::string();
  const std::string r = Transact(Cmd::kReceiptState, "");
  if (r.empty()) return r;
  const auto is1 = [&r](size_t pos) { return CharAt(r, pos) == '1'; };
  state.open = is1(0);
  state.purchases = FieldInt(r, 2, 4);
  state.groupSubtotals[0] = FieldDouble(r, 6, 16);
  state.groupSubtotals[1] = FieldDouble(r, 18, 28);
  state.groupSubtotals[2] = FieldDouble(r, 30, 40);
  state.voidForbidden = is1(42);
  state.withVat = is1(44);
  state.detailed = is1(46);
  state.paymentStarted = is1(48);
  state.paymentFinished = is1(50);
  state.invoice = is1(54);
  state.lastChange = FieldDouble(r, 56, 66);
  if (r.size() >= 71) {
    state.lastChangeType = static_cast<uint8_t>(CharAt(r, 68) & 0x0F);
    for (size_t g = 0; g < 5; ++g)
      state.groupSubtotals[3 + g] = FieldDouble(r, 70 + 12 * g, 80 + 12 * g);
  } else {
    state.lastChangeType = 0;
    for (size_t g = 3; g < 8; ++g) state.groupSubtotals[g] = 0;
  }
  return "OK";
}
