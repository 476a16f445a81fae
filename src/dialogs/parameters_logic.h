#pragma once

#include <array>
#include <optional>
#include <string>

#include "driver/fiscal_printer.h"

// Window-free half of "Параметри": the fiscal device number and the six print
// options, read from and written to the printer as one record.

namespace parameter_ids {
inline constexpr int kDeviceNumber = 1207;
inline constexpr int kGet = 1212;
inline constexpr int kSet = 1213;
}  // namespace parameter_ids

// The device number field: 0..9999 in at most four characters.
inline constexpr int kDeviceNumberMaximum = 9999;
inline constexpr int kDeviceNumberLength = 4;

// One tick box of a print option: its control id, caption (UTF-8) and the
// flag of the record it stands for. In the order the dialog shows them.
struct ParameterTick {
  int id;
  const char* caption;
  bool PrintParameters::*flag;
};
inline constexpr std::array<ParameterTick, 6> kParameterTicks = {{
    {1208, "Лого", &PrintParameters::logo},
    {1209, "Чекмедже", &PrintParameters::drawer},
    {1210, "Автоматичен резач", &PrintParameters::autoCut},
    {1211, "Прозрачен дисплей", &PrintParameters::transparentDisplay},
    {1215, "Съкратена ЕКЛ", &PrintParameters::shortJournal},
    {1214, "Печат на валута", &PrintParameters::currency},
}};

// The controls as the button logic sees them.
class ParametersForm {
 public:
  virtual ~ParametersForm() = default;
  // Shows a record read from the printer: the number and every tick.
  virtual void Show(const PrintParameters& params) = 0;
  // The record as the user set it; none when the number field holds no
  // device number (the form has told the user, nothing is sent).
  virtual std::optional<PrintParameters> Entered() = 0;
};

// "Get" and the opening read: reads the record and shows it. False when the
// read failed (the driver has told the user); the form is left as it was.
bool GetParameters(FiscalPrinter& printer, ParametersForm& form);

// "Set": programs the record the form holds. Returns the driver's result ("" when
// nothing was sent or the printer refused).
std::string SetParameters(FiscalPrinter& printer, ParametersForm& form);
