#pragma once

#include <memory>
#include <string>

#include "tools/preflight.h"
#include "tools/printer_config.h"
#include "tools/restore_plan.h"
#include "tools/table_csv.h"

class FiscalPrinter;

// The backup, restore, diff and CSV jobs, written once: fiscal-cli and the
// application's "Инструменти" menu are two front ends of these flows. A job
// reads and checks its file before it opens the printer, reads the printer,
// checks what it would write against it, and sends nothing until every check
// has passed and the front end has agreed.

// What a front end provides to a job.
class ToolHost {
 public:
  virtual ~ToolHost() = default;
  // The printer for the whole job, or nullptr when it cannot be opened (the
  // user has been told by the driver).
  virtual std::unique_ptr<FiscalPrinter> OpenPrinter() = 0;
  // Before each command; `writing` tells a read from a write. False stops the
  // job there, between two commands.
  virtual bool Progress(bool writing, const ProgressStep& step) = 0;
  // The reading or writing is over (the progress display may go).
  virtual void EndProgress() = 0;
  // A restore that may start: its pre-flight and differences. True to send.
  // The front end may change `options` (the application's tick box for the
  // fiscal settings); the job then plans and checks again.
  virtual bool ConfirmRestore(const RestorePlan& plan, const Preflight& check,
                              RestoreOptions& options) = 0;
  // Header lines wider than the printer's stop a restore unless they may be
  // cut: asked with their descriptions when they are the only stops.
  virtual bool AllowCutTexts(const std::vector<std::string>& lines) = 0;
  // Asked before a restore writes `records` fiscal-memory records, of which
  // the printer has `freeRecords` left (-1 when it could not say).
  virtual bool ConfirmFiscalRecords(int records, int freeRecords) = 0;
  // A question of the pre-flight (Preflight::questions: a file from another
  // printer, prices a new decimal point rounds), Bulgarian, UTF-8, asked
  // before anything is sent. True for "yes"; "no" ends the job, nothing sent.
  virtual bool Ask(const std::string& question) = 0;
};

enum class JobStatus {
  kDone,           // everything read, written or saved
  kNothingToDo,    // the printer already holds the file
  kFiscalLeftOut,  // only fiscal settings differ, not asked for (plan.fiscalLeftOut): nothing sent
  kDryRun,         // differences and checks shown, nothing sent
  kBadFile,        // the input file cannot be used: nothing opened, nothing sent
  kStopped,        // the pre-flight found values the printer would refuse: nothing sent
  kDeclined,       // the user did not agree: nothing sent
  kPrinterFailed,  // the printer could not be opened or read (the user has been told)
  kCancelled,      // stopped by the progress callback while reading: nothing sent
  kCannotWrite,    // the output file cannot be written
  kIncomplete,     // some commands were not written (see report)
};

struct JobResult {
  JobStatus status = JobStatus::kDone;
  std::string message;   // kBadFile, kCannotWrite: Bulgarian, one line, with the file's name
  PrinterConfig config;  // backup and export: what was read
  RestorePlan plan;      // restore and import: the commands (diff: the differences)
  Preflight check;
  ApplyReport report;    // restore and import once sending began
  int freeRecords = -1;  // free fiscal-memory records, read when the plan uses some
  // kDryRun: how the run that sends would end before sending (kDone,
  // kNothingToDo, kFiscalLeftOut, kStopped); questions may still decline it.
  JobStatus wouldBe = JobStatus::kDone;
  // kDryRun of diff: whether the files differ (also in values a restore
  // could not write, which are no step).
  bool differs = false;
};

struct RestoreRequest {
  std::string file;
  bool dryRun = false;
  RestoreOptions options;
  SectionSet only = AllSections();  // sections of the file to restore
};

JobResult RunBackup(ToolHost& host, const std::string& file, const SectionSet& sections);
JobResult RunRestore(ToolHost& host, const RestoreRequest& request);
JobResult RunExport(ToolHost& host, CsvTable table, const std::string& file,
                    const CsvDialect& dialect);
JobResult RunImport(ToolHost& host, CsvTable table, const std::string& file,
                    const CsvDialect& dialect);
// The differences that would make a printer holding `from` hold `to`, with
// every fiscal difference listed; no printer.
JobResult RunDiff(const std::string& from, const std::string& to);

// `config` without the sections `only` leaves out (the origin always stays).
void KeepSections(PrinterConfig& config, const SectionSet& only);
// The section named in files and on the command line ("articles"), or nothing.
std::optional<Section> SectionByKey(const std::string& key);

// The progress line both front ends show: "Артикул 12 (13 от 1018)".
std::string ProgressLabel(const ProgressStep& step, bool bulgarian);
// "header lines 10, operators 9, ..." of the sections present.
std::string ConfigCounts(const PrinterConfig& config, bool bulgarian);
