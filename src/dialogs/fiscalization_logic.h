#pragma once

#include <array>
#include <ctime>
#include <optional>
#include <string>

#include "driver/fiscal_printer.h"
#include "driver/records.h"

// Window-free half of "Фискализация, Десетична точка и Данъчни ставки": what
// each button sends, in which order, and what a reply means for the controls.
// Every function takes a printer the dialog has just opened (IsConnected) and
// returns false or an empty text after a failure the driver has already shown.

namespace fiscal {

// --- Tax rates ---------------------------------------------------------------

constexpr int kGroups = 8;           // А..З
constexpr int kGroupG = 3;           // Г: a field without a check box
constexpr int kFirstSwitchable = 4;  // Д..З: a check box switches the field
constexpr double kRateMaximum = 99.99;
constexpr int kRateDecimals = 2;
constexpr int kRateLength = 5;
// The fields' values when the dialog opens, А..З.
constexpr std::array<double, kGroups> kDefaultRates = {0, 20, 20, 7, 0, 0, 0, 0};
// What a read gives for a group the printer does not have, and what a write
// sends for a group switched off.
constexpr double kGroupMissing = -2.0;
constexpr double kGroupOff = -1.0;

// Caption of group g's field ("група А:" .. "група З:"), UTF-8.
std::string RateCaption(int group);

// What a rate read means for one group's controls. Switchable groups (Д..З)
// also have a check box.
struct RateControls {
  std::optional<double> value;  // shown in the field (out of range: left as is)
  bool fieldEnabled = true;
  bool checked = true;
  bool checkEnabled = true;
};
std::array<RateControls, kGroups> RateControlsFromRead(const TaxRates& rates);

// One group's controls as "Set" reads them: the field's number (none when it
// holds no number within 0..99.99) and, for Д..З, whether the box is ticked.
struct RateEntry {
  std::optional<double> value;
  bool checked = true;
};
// The rates to send, or the first group whose field holds no number it may
// send (an unticked switchable group is sent as switched off, whatever its
// field holds).
struct RatesToSend {
  TaxRates rates{};
  int badGroup = -1;  // -1 when all can be sent
};
RatesToSend RatesFromEntries(const std::array<RateEntry, kGroups>& entries);

// --- Decimal point -----------------------------------------------------------

enum class DecimalChoice { kWhole, kFractional, kNone };
constexpr char kModeWhole = '0';
constexpr char kModeFractional = '2';

// The radio buttons after the opening read: anything but the two modes clears both.
DecimalChoice DecimalChoiceAtOpening(char mode);
// The radio buttons after "Get": anything but whole numbers means decimals.
DecimalChoice DecimalChoiceAfterGet(char mode);
// The mode "Set" sends: decimals only when "ДРОБНИ ЧИСЛА" is chosen.
inline char DecimalModeToSet(bool fractionalChosen) {
  return fractionalChosen ? kModeFractional : kModeWhole;
}

// --- The displays ------------------------------------------------------------

// "NV%1.6d" and "50%1.6d": the labels of the two factory numbers.
std::string PrinterNumberText(int number);
std::string MemoryNumberText(int number);
// The printer's date label: "%d %B %Y  %H:%M", the month in words
// ("04 март 2026  07:30").
std::string PrinterDateText(std::time_t time);
// The mark beside a report button: "!" while the report is not zeroed.
inline const char* MarkText(bool notZeroed) {
  return notZeroed ? "!" : "";
}

// What the refresh shows: the factory numbers and the three report marks.
struct FiscalDisplay {
  std::string printerNumber;  // "NV......"
  std::string memoryNumber;   // "50......"
  bool dailyNotZeroed = false;
  bool operatorNotZeroed = false;
  bool articleNotZeroed = false;
};
// Reads the factory numbers, then the status. False when either read failed.
bool ReadFiscalDisplay(FiscalPrinter& printer, FiscalDisplay& display);

// Everything the dialog reads when it opens, in this order: the clock, the
// factory numbers and the status (the refresh), the tax number, the rates and
// the decimal mode. A failed refresh leaves `display` empty and goes on; any
// other failure ends the reading with false (the dialog then closes itself).
struct FiscalOpening {
  std::time_t time = 0;
  std::optional<FiscalDisplay> display;
  std::string taxNumber;  // Windows-1251
  TaxRates rates{};
  char decimalMode = 0;
};
bool ReadFiscalOpening(FiscalPrinter& printer, FiscalOpening& opening);

// --- Reports -----------------------------------------------------------------

enum class ZeroedReport { kDaily, kOperators, kArticles };
// Prints the report in Z mode (all operators for kOperators). True when the
// printer carried it out (not after a refusal passed over).
bool ZeroReport(FiscalPrinter& printer, ZeroedReport report);

// --- Printouts ---------------------------------------------------------------

// The nine operators' names and passwords printed as receipt text lines: the
// heading, one line per operator (read from the printer), then two paper
// feeds. Stops at the first failure and returns false.
bool PrintOperatorsInReceipt(FiscalPrinter& printer);

// The first receipt after fiscalization: a receipt of operator 1 selling one
// "Фискализация" at 1 (tax group А, paid in cash), the daily Z report, and
// the detailed fiscal-memory report of the day of the last record. Each step
// stops the procedure when it fails.
enum class FirstReceiptEnd {
  kStopped,   // a step failed (the driver has told the user)
  kNotReady,  // the printer did not come back ready after a report
  kDone,      // both reports printed and the printer is ready again
};
FirstReceiptEnd RunFirstReceipt(FiscalPrinter& printer);

}  // namespace fiscal
