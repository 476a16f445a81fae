#pragma once

#include <functional>
#include <string>
#include <vector>

#include "tools/printer_config.h"

// Turning the difference between two configurations into printer commands, and
// sending them.

// One field of one record that a step changes. Values are UTF-8 as a person
// reads them ("1.20", "Б", "центрирано" is not used: alignment is "left",
// "centre" or "right"); `from` is empty for a record being added.
struct FieldChange {
  std::string field;  // "name", "price", "taxGroup", "text", ... (see FieldLabel)
  std::string from;
  std::string to;
};

enum class StepKind {
  kChange,  // a record that differs
  kAdd,     // a department or article the printer does not have
  kRemove,  // a department or article the printer has and the file does not
  kWrite,   // an imported row, written whatever the printer holds
};

// One command of a restore or an import. `send` runs it and returns the
// driver's result ("" failed or cancelled, the user has been told; otherwise
// the ACK code); the driver's LastOutcome() says how it ended.
struct RestoreStep {
  Section section = Section::kOrigin;
  int item = 0;  // line, operator, department, article or payment type; 0 for one-record sections
  StepKind kind = StepKind::kChange;
  std::vector<FieldChange> fields;
  std::function<std::string(FiscalPrinter&)> send;
  // The decimal mode the step's price was planned for ('0' or '2'; 0 for a
  // step without a price). Such a step is sent only while the printer works
  // in that mode: a price sent in the other mode is rounded or scaled.
  char priceMode = 0;
  // The step uses a tax group that only the plan's tax-rate step switches on.
  bool needsRates = false;
};

// The service password fiscal-cli and the application use when none is given.
inline constexpr const char* kDefaultServicePassword = "000000";

struct RestoreOptions {
  // Tax rates and the decimal point go into the fiscal memory, where every
  // change is permanent and the number of changes is small: only on request.
  bool includeFiscal = false;
  std::string password = kDefaultServicePassword;  // what those two commands carry
  // Header lines wider than the printer's are cut to its width (the pre-flight
  // names each); otherwise they stop the restore.
  bool cutTexts = false;
};

struct RestorePlan {
  std::vector<RestoreStep> steps;  // in the order they are to be sent
  // Fiscal differences left out because includeFiscal was off; never sent.
  std::vector<RestoreStep> fiscalLeftOut;
};

// The commands that make the printer (holding `current`) hold `wanted`, for the
// sections `wanted` has; only records that differ. `current` must have been
// read for those sections. When the decimal point is to change, every article
// of `wanted` is written again (its price means something else afterwards).
RestorePlan PlanRestore(const PrinterConfig& current, const PrinterConfig& wanted,
                        const RestoreOptions& options);

// The decimal mode the printer will work in when the restore writes: the
// file's when fiscal settings are included, the printer's otherwise.
char TargetDecimalMode(const PrinterConfig& current, const PrinterConfig& wanted,
                       const RestoreOptions& options);

// Whether writing `wanted` over the printer's `current` invoice range could
// make it issue a number again: a range written starts at its first number,
// and the printer's next number (which cannot be read) may be anywhere up to
// its last. Only a range starting after the current last one is safe.
bool InvoiceRangeMovesBack(const InvoiceRange& current, const InvoiceRange& wanted);

// The text a header line is written with on a line `width` bytes wide: as it
// stands when it fits, without its outer spaces when only they are too many,
// cut to the width when `cut` (otherwise left too long for the pre-flight).
std::string HeaderTextFor(const HeaderLine& line, int width, bool cut);

enum class StepOutcome {
  kNotSent,
  kWritten,
  kRefused,  // the printer answered an error code and the user chose to carry on
  kFailed,   // anything else (no answer, refused status check, cancelled, a value
             // outside the driver's range): the run stopped here
  kSkipped,  // not sent because a step it depends on was not written (see SkipCause)
};

// Why steps were skipped.
enum class SkipCause {
  kNone,
  kDecimalPointNotWritten,  // the new decimal point was refused: prices would be rounded
  kDecimalModeDiffers,      // read again before the prices, the mode is not the planned one
  kRatesNotWritten,         // the tax rates that switch their group on were refused
};
std::string SkipCauseText(SkipCause cause, bool bulgarian);

struct ApplyReport {
  std::vector<StepOutcome> outcomes;  // one per step of the plan
  std::vector<std::string> codes;     // the driver's result per step ("" not sent/failed)
  bool cancelled = false;             // the progress callback stopped the run
  // UTF-8: why the failed step stopped the run when nobody was told (the
  // driver refused a value outside its range); empty otherwise.
  std::string untold;
  SkipCause skipped = SkipCause::kNone;  // the first cause of kSkipped steps
  int Count(StepOutcome o) const;
  bool Complete() const {
    return Count(StepOutcome::kWritten) == static_cast<int>(outcomes.size());
  }
};

// Sends the steps in order. A step that fails ends the run (the printer is not
// answering, or the user cancelled a prompt); a refused step is noted and the
// run goes on, except for the steps that depend on it (prices on a refused
// decimal point, groups on refused tax rates), which are skipped. Before the
// first price the decimal mode is read again; when it is not the one the
// prices were planned for, they are skipped too. `progress` is asked before
// every step and may stop the run.
ApplyReport ApplyPlan(FiscalPrinter& printer, const std::vector<RestoreStep>& steps,
                      const ProgressFn& progress);

// Formatting for people. `bulgarian` selects the application's language; the
// command-line tool uses the English form.
std::string DescribeStep(const RestoreStep& step, bool bulgarian);
std::string SectionTitle(Section s, bool bulgarian);
std::string FieldLabel(const std::string& field, bool bulgarian);
