#include "dialogs/parameters_logic.h"

bool GetParameters(FiscalPrinter& printer, ParametersForm& form) {
  PrintParameters params;
  if (!CallDone(printer.ReadParameters(params), printer.LastOutcome())) return false;
  form.Show(params);
  return true;
}

std::string SetParameters(FiscalPrinter& printer, ParametersForm& form) {
  const std::optional<PrintParameters> params = form.Entered();
  if (!params) return "";
  return printer.SetParameters(*params);
}
