#include "dialogs/payment_rows.h"

#include "driver/text.h"

namespace {

// Index of the exchange rate among the texts ReadPaymentNames yields.
constexpr size_t kRateIndex = 5;

void GetRow(PaymentForm& form, const PaymentNames& names, int payment) {
  form.SetName(payment, names[static_cast<size_t>(payment)]);
  if (payment == 4) form.SetRateText(RateTextFromPrinter(names[kRateIndex]));
}

// Programs one row with `name`; false when nothing was programmed.
bool SetRow(FiscalPrinter& printer, PaymentForm& form, int payment, const std::string& name) {
  double rate = 0.0;
  if (payment == 4) {
    rate = form.Rate();
    // A text that is no number (a lone '-' or '.') or a negative rate would be
    // refused by the command without a word; say so instead.
    if (rate < 0.0) {
      form.RateRefused();
      return false;
    }
  }
  return printer.Done(printer.SetPaymentName(payment, name, rate));
}

}  // namespace

const PaymentRow* PaymentRowOfButton(int id) {
  for (const PaymentRow& r : kPaymentRows)
    if (r.getId == id || r.setId == id) return &r;
  return nullptr;
}

std::string RateTextFromPrinter(const std::string& rate) {
  return RemoveChar(rate, ' ', 0);
}

bool PaymentButtonNeedsPrinter(int id, PaymentForm& form) {
  if (id == payment_ids::kGetSelected || id == payment_ids::kSetSelected) {
    for (const PaymentRow& r : kPaymentRows)
      if (form.Ticked(r.payment)) return true;
    return false;
  }
  return PaymentRowOfButton(id) != nullptr;
}

void RunPaymentButton(FiscalPrinter& printer, PaymentForm& form, int id) {
  const PaymentRow* row = PaymentRowOfButton(id);
  if (!row && id != payment_ids::kGetSelected && id != payment_ids::kSetSelected) return;
  const bool set = row ? id == row->setId : id == payment_ids::kSetSelected;
  // The names to program, all of them printable before anything goes out.
  std::array<std::string, kPaymentRows.size() + 1> toSet;
  for (const PaymentRow& r : kPaymentRows) {
    if (!set || (row ? row != &r : !form.Ticked(r.payment))) continue;
    std::optional<std::string> name = form.Name(r.payment);
    if (!name) return;
    toSet[static_cast<size_t>(r.payment)] = std::move(*name);
  }
  PaymentNames names;
  if (!CallDone(printer.ReadPaymentNames(names), printer.LastOutcome())) return;
  for (const PaymentRow& r : kPaymentRows) {
    if (row ? row != &r : !form.Ticked(r.payment)) continue;
    if (!set)
      GetRow(form, names, r.payment);
    else if (!SetRow(printer, form, r.payment, toSet[static_cast<size_t>(r.payment)]))
      return;
  }
}
