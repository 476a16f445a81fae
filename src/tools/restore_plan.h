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
};

struct RestoreOptions {
  // Tax rates and the decimal point go into the fiscal memory, where every
  // change is permanent and the number of changes is small: only on request.
  bool includeFiscal = false;
  std::string password;  // the service password those two commands carry
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
};

struct ApplyReport {
  std::vector<StepOutcome> outcomes;  // one per step of the plan
  std::vector<std::string> codes;     // the driver's result per step ("" not sent/failed)
  bool cancelled = false;             // the progress callback stopped the run
  // UTF-8: why the failed step stopped the run when nobody was told (the
  // driver refused a value outside its range); empty otherwise.
  std::string untold;
  int Count(StepOutcome o) const;
  bool Complete() const {
    return Count(StepOutcome::kWritten) == static_cast<int>(outcomes.size());
  }
};

// Sends the steps in order. A step that fails ends the run (the printer is not
// answering, or the user cancelled a prompt); a refused step is noted and the
// run goes on. `progress` is asked before every step and may stop the run.
ApplyReport ApplyPlan(FiscalPrinter& printer, const std::vector<RestoreStep>& steps,
                      const ProgressFn& progress);

// Formatting for people. `bulgarian` selects the application's language; the
// command-line tool uses the English form.
std::string DescribeStep(const RestoreStep& step, bool bulgarian);
std::string SectionTitle(Section s, bool bulgarian);
std::string FieldLabel(const std::string& field, bool bulgarian);
