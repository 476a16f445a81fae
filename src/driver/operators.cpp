// Operators: name and password of operators 1..9.
#include <cstdint>

#include "driver/commands.h"
#include "driver/fiscal_printer.h"
#include "driver/limits.h"
#include "driver/status_flags.h"
#include "driver/text.h"

namespace {

bool ValidOperatorNumber(int op) {
  return op >= Limit::kFirstOperator && op <= Limit::kLastOperator;
}
}  // namespace

std::string FiscalPrinter::SetOperator(int op, const std::string& name,
                                       const std::string& password) {
  StatusFlags flags{};
  if (CheckStatus(flags, Require::kFactoryNumbers | Require::kNoOpenReceipt |
                             Require::kOperatorZeroed | Require::kClock | Require::kFiscalMemory)
          .empty())
    return std::string();
  if (!ValidOperatorNumber(op))
    return EndOutOfRange(
        RangeMessage("Номерът на оператора", Limit::kFirstOperator, Limit::kLastOperator));
  return Transact(Cmd::kSetOperator, Sprintf("%.1d;", op) +
                                         FitText(name, Limit::kOperatorName, 0, ' ') + ";" +
                                         FitText(password, Limit::kOperatorPassword, 0, ' '));
}

std::string FiscalPrinter::ReadOperator(int op, OperatorRecord& record) {
  StatusFlags flags{};
  if (CheckStatus(flags, Require::kFactoryNumbers | Require::kFiscalMemory).empty())
    return std::string();
  if (!ValidOperatorNumber(op))
    return EndOutOfRange(
        RangeMessage("Номерът на оператора", Limit::kFirstOperator, Limit::kLastOperator));
  // Reply: "n;" + name (20) + ";" + password (4).
  const std::string reply = Transact(Cmd::kReadOperator, Sprintf("%.1d", op));
  if (reply.empty()) return reply;
  record.number = FieldInt(reply, 0, 0);
  record.name = RemoveChar(Field(reply, 2, 21), ' ', 2);
  record.password = RemoveChar(Field(reply, 23, 26), ' ', 2);
  return "OK";
}
