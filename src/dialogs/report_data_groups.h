#pragma once

#include <ctime>
#include <string>
#include <vector>

#include "driver/fiscal_printer.h"

// Window-free half of the two report data dialogs ("Четене на Дневни Отчети -
// Други" and "Четене на Операторски отчети - Други"): which fields each group
// has, which read fills it, and the "Get All" sequences. Nothing is written to
// the printer.

// What a field shows: an amount (decimals from the printer), a count or number
// (integer), or the date of a report (a label).
enum class DataKind { kAmount, kCount, kDate };

struct DataField {
  int id;
  const char* label;  // UTF-8
  DataKind kind;
};

// One frame of fields with its own "Get" button.
struct DataGroup {
  int getId;
  const char* caption;  // UTF-8; "" for a frame without caption
  std::vector<DataField> fields;
};

// Where the values go: the dialog, or a recording form in tests. Values outside
// a field's range are the field's business (it keeps its text).
class ReportDataForm {
 public:
  virtual ~ReportDataForm() = default;
  virtual void ShowAmount(int id, double value) = 0;
  virtual void ShowCount(int id, int value) = 0;
  virtual void ShowDate(int id, std::time_t time) = 0;
  // The operator number field as typed (operator dialog only).
  virtual int OperatorNumber() { return 1; }
};

namespace report_data {
// Daily report data dialog.
inline constexpr int kDailyGetAll = 1446;
// Operator report data dialog.
inline constexpr int kOperatorNumber = 1381;
inline constexpr int kOperatorSpin = 1444;
inline constexpr int kOperatorGetAll = 1447;
inline constexpr int kReturnedSumsGet = 1419;

// Count and number fields: 0..99999, five characters, default 0.
inline constexpr int kCountMaximum = 99999;
inline constexpr int kCountLength = 5;
// Amount fields: at most ten characters, default 0; the operator dialog's
// maximum is wider than the field can hold and is clamped by it.
inline constexpr double kDailyAmountMaximum = 999999999.0;
inline constexpr double kOperatorAmountMaximum = 9999999999.0;
inline constexpr int kAmountLength = 10;
}  // namespace report_data

// The groups of each dialog in the order they are laid out.
const std::vector<DataGroup>& DailyDataGroups();
const std::vector<DataGroup>& OperatorDataGroups();

// Decimals of the amount fields: 2 when the printer counts money with
// decimals (status flag "Дробни числа"), else 0.
int AmountDecimals(const StatusFlags& flags);

// Text of a report date label (ReportDateInWords): "" when the printer has no
// report yet (its all-zero date) or the time cannot be converted.
std::string ReportDateText(std::time_t time);

// The operator whose data a read asks for: the field's number, or 1 (the
// field's default, which leaving it writes) when it holds none of 1..9.
int OperatorForRead(int fieldValue);

// Runs the read of the group whose "Get" is `getId` on an open printer and
// shows its values. Returns false, changing nothing, when the read failed (the
// driver has told the user) or `getId` is no group of the dialog.
bool ReadDailyGroup(FiscalPrinter& printer, ReportDataForm& form, int getId);
bool ReadOperatorGroup(FiscalPrinter& printer, ReportDataForm& form, int getId);

// "Get All" on one open printer: the groups in the printer's order, stopping at
// the first failed read (later groups keep their contents). The operator
// dialog's returned sums are not among them: the dialog reads them afterwards
// through their own "Get", whatever happened here.
void ReadAllDailyGroups(FiscalPrinter& printer, ReportDataForm& form);
void ReadAllOperatorGroups(FiscalPrinter& printer, ReportDataForm& form);
