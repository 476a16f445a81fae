#pragma once

#include <string>
#include <vector>

#include "tools/printer_config.h"
#include "tools/restore_plan.h"

// The check of a restore against the printer it is about to change, made
// after the printer has been read and before the first command is sent. It
// finds everything the printer would refuse or hold with another value, so a
// restore that starts can finish ("run it again to finish" holds), and names
// what a technician should know first. `--dry-run` and the application's
// differences window show it.

enum class CheckLevel {
  kStop,     // the restore must not start: the printer would refuse or change the value
  kWarning,  // it may start, but the technician should read this first
  kNote,     // a fact about the target printer
};

struct CheckItem {
  CheckLevel level = CheckLevel::kNote;
  std::string text;  // Bulgarian, UTF-8, one line
  // A stop the technician may lift by asking for it (a header line cut to
  // the printer's width, RestoreOptions::cutTexts).
  bool cuttable = false;
};

struct Preflight {
  std::vector<CheckItem> items;  // facts first, then in the order of the plan
  char decimalMode = '2';        // the printer's mode when the restore writes
  int lineWidth = 0;             // the printer's header line width (0 not read)
  int groups = 0;                // tax groups the printer has (0 not read)
  // Fiscal-memory records the restore uses: the decimal point, the tax rates
  // on a fiscalized printer, and the daily Z report the printer will ask for
  // before them when the day has turnover (`zReport`).
  int fiscalRecords = 0;
  bool zReport = false;
  // Questions the technician must answer "yes" before anything is sent (a
  // file from another printer, prices a new decimal point rounds); the dry
  // run lists them. Bulgarian, UTF-8, may span lines.
  std::vector<std::string> questions;

  bool Stops() const;
  // Whether there are stops and every one is cuttable.
  bool OnlyCuttableStops() const;
  std::vector<std::string> Texts(CheckLevel level) const;
};

// Checks `plan` (made by PlanRestore from the same three arguments). `current`
// is the printer as read, with its decimal point, tax rates and header lines
// whenever the file has articles, departments or header lines, and with its
// status (an open receipt, the reports to zero, whether it is fiscalized;
// without it none of these is checked), its free fiscal-memory records when
// the plan uses some, and its articles when NeedsPrinterArticles says so.
Preflight CheckRestore(const PrinterConfig& current, const PrinterConfig& wanted,
                       const RestoreOptions& options, const RestorePlan& plan);

// Whether a step of `plan` is refused by the printer while one of its reports
// is not zeroed (a restore then reads the status flags into `current.status`
// before CheckRestore, so that the reports to zero first are named).
bool NeedsZeroedReports(const RestorePlan& plan);

// Whether the check needs the printer's articles although the file has none:
// a new decimal point rounds their prices, removed departments leave them
// pointing nowhere.
bool NeedsPrinterArticles(const PrinterConfig& wanted, const RestorePlan& plan);

// The sections to read from the printer for a restore of `wanted`: those the
// file has, and what the pre-flight needs to check them.
SectionSet SectionsToRead(const PrinterConfig& wanted);
