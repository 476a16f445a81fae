#include "dialogs/service_sums_logic.h"
#include "driver/limits.h"

namespace {

constexpr int kOperatorLength = 1;
constexpr double kSmallestCents = 0.01;
constexpr double kLargestWithCents = Limit::kMaxAmountTwoDecimals;
constexpr int kLengthWithCents = 9;
constexpr double kLargestWhole = Limit::kMaxAmountWhole;
constexpr int kLengthWhole = 8;
constexpr char kTwoDecimals = '2';

}  // namespace

NumericFieldConfig ServiceOperatorConfig() {
  return {false,           service_sums::kFirstOperator, service_sums::kLastOperator, 0,
          kOperatorLength, service_sums::kFirstOperator};
}

NumericFieldConfig ServiceAmountConfig(char mode) {
  if (mode == kTwoDecimals)
    return {true, kSmallestCents, kLargestWithCents, 2, kLengthWithCents, kSmallestCents};
  return {false, 1, kLargestWhole, 0, kLengthWhole, 1};
}

std::string RunServiceSum(FiscalPrinter& printer, ServiceSumForm& form, ServiceSumKind kind) {
  // Both fields are checked before anything goes to the printer.
  const std::optional<int> number = form.Operator();
  if (!number) return "";
  const std::optional<double> amount = form.Amount();
  if (!amount) return "";
  OperatorRecord op;
  if (!CallDone(printer.ReadOperator(*number, op), printer.LastOutcome())) return "";
  // The operator goes out as the printer described it: number and password.
  const double signedAmount = kind == ServiceSumKind::kWithdrawal ? -*amount : *amount;
  return printer.ServiceSumInOut(op, form.PaymentType(), signedAmount);
}
