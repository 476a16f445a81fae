#include "dialogs/invoice_range_logic.h"

std::string DigitsOnly(const std::string& text) {
  std::string digits;
  for (char c : text)
    if (c >= '0' && c <= '9') digits.push_back(c);
  return digits;
}

bool GetInvoiceRange(FiscalPrinter& printer, InvoiceRangeForm& form) {
  form.SetFirst("");
  form.SetLast("");
  form.SetNext("");
  InvoiceRange range;
  if (!CallDone(printer.ReadInvoiceRange(range), printer.LastOutcome())) return false;
  form.SetFirst(range.first);
  form.SetLast(range.last);
  form.SetNext(range.first);
  return true;
}

bool InvoiceRangeComplete(InvoiceRangeForm& form) {
  if (!form.First().empty() && !form.Last().empty()) return true;
  form.AskForMore();
  return false;
}

bool SetInvoiceRange(FiscalPrinter& printer, InvoiceRangeForm& form) {
  if (!InvoiceRangeComplete(form)) return false;
  const InvoiceRange range{form.First(), form.Last()};
  // A refusal counts too, whatever the user answered: the fields must show the
  // range the printer kept, not the refused one.
  printer.SetInvoiceRange(range);
  const CallEnd end = printer.LastOutcome().end;
  return end == CallEnd::kDone || end == CallEnd::kPrinterRefused;
}
