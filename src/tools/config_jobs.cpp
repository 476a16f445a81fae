// The backup, restore, diff and CSV flows shared by fiscal-cli and the application.
#include "tools/config_jobs.h"

#include "driver/fiscal_printer.h"
#include "tools/config_json.h"
#include "tools/text_file.h"
#include "tools/value_checks.h"

namespace {

JobResult Status(JobStatus status, const std::string& message = "") {
  JobResult r;
  r.status = status;
  r.message = message;
  return r;
}

bool ReadConfigFile(const std::string& file, PrinterConfig& config, std::string& error) {
  std::string text;
  if (!ReadWholeFile(file, text, error)) return false;
  if (ConfigFromJson(text, config, error)) return true;
  error = "„" + file + "“: " + error;
  return false;
}

// Reads `sections` with the host's progress; false when the job must end.
JobStatus Collect(ToolHost& host, FiscalPrinter& printer, const SectionSet& sections,
                  PrinterConfig& config) {
  const CollectResult r = CollectConfig(printer, sections, config, [&host](const ProgressStep& s) {
    return host.Progress(false, s);
  });
  host.EndProgress();
  if (r == CollectResult::kCancelled) return JobStatus::kCancelled;
  return r == CollectResult::kDone ? JobStatus::kDone : JobStatus::kPrinterFailed;
}

void Apply(ToolHost& host, FiscalPrinter& printer, JobResult& r) {
  r.report = ApplyPlan(printer, r.plan.steps,
                       [&host](const ProgressStep& s) { return host.Progress(true, s); });
  host.EndProgress();
  r.status = r.report.Complete() ? JobStatus::kDone : JobStatus::kIncomplete;
}

}  // namespace

std::optional<Section> SectionByKey(const std::string& key) {
  for (int s = 1; s < kSectionCount; ++s)
    if (key == SectionKey(static_cast<Section>(s))) return static_cast<Section>(s);
  return std::nullopt;
}

void KeepSections(PrinterConfig& c, const SectionSet& only) {
  const auto keep = [&only](Section s) { return only[static_cast<size_t>(s)]; };
  if (!keep(Section::kDecimalPoint)) c.decimalPoint.reset();
  if (!keep(Section::kTaxRates)) c.taxRates.reset();
  if (!keep(Section::kHeader)) c.header.reset();
  if (!keep(Section::kParameters)) c.parameters.reset();
  if (!keep(Section::kPayments)) c.payments.reset();
  if (!keep(Section::kInvoices)) c.invoices.reset();
  if (!keep(Section::kDepartments)) c.departments.reset();
  if (!keep(Section::kOperators)) c.operators.reset();
  if (!keep(Section::kArticles)) c.articles.reset();
}

JobResult RunBackup(ToolHost& host, const std::string& file, const SectionSet& sections) {
  // Before the long read: a file that cannot be written would lose it.
  std::string error;
  if (!CheckWritable(file, error)) return Status(JobStatus::kCannotWrite, error);
  const auto printer = host.OpenPrinter();
  if (!printer) return Status(JobStatus::kPrinterFailed);
  JobResult r;
  r.status = Collect(host, *printer, sections, r.config);
  if (r.status != JobStatus::kDone) return r;
  // The file holds the operators' passwords.
  if (!WriteWholeFile(file, ConfigToJson(r.config), error, FileAccess::kOwnerOnly))
    return Status(JobStatus::kCannotWrite, error);
  return r;
}

namespace {

// What a run that sends would end in, as far as it can be told without
// sending: the dry run reports it and exits with its status.
JobStatus WouldBe(const JobResult& r) {
  if (r.check.Stops()) return JobStatus::kStopped;
  if (r.plan.steps.empty())
    return r.plan.fiscalLeftOut.empty() ? JobStatus::kNothingToDo : JobStatus::kFiscalLeftOut;
  return r.plan.fiscalLeftOut.empty() ? JobStatus::kDone : JobStatus::kFiscalLeftOut;
}

// Reads what the pre-flight needs of the printer beyond the file's sections:
// the status (open receipt, reports to zero, fiscalized), the free
// fiscal-memory records and, where the file has none, the articles. Only
// reads; false when the job must end with `status`.
bool ReadForCheck(ToolHost& host, FiscalPrinter& printer, const PrinterConfig& wanted,
                  const RestorePlan& plan, PrinterConfig& current, JobStatus& status) {
  if (!current.status && !plan.steps.empty()) {
    StatusFlags flags{};
    if (CallDone(printer.ReadStatus(flags), printer.LastOutcome())) current.status = flags;
  }
  if (!current.articles && NeedsPrinterArticles(wanted, plan)) {
    status = Collect(host, printer, OnlySection(Section::kArticles), current);
    if (status != JobStatus::kDone) return false;
  }
  return true;
}

void ReadFreeRecords(FiscalPrinter& printer, PrinterConfig& current) {
  if (current.freeRecords) return;
  int free = 0;
  if (CallDone(printer.ReadFreeFMRecords(free), printer.LastOutcome())) current.freeRecords = free;
}

}  // namespace

JobResult RunRestore(ToolHost& host, const RestoreRequest& request) {
  PrinterConfig wanted;
  std::string error;
  if (!ReadConfigFile(request.file, wanted, error)) return Status(JobStatus::kBadFile, error);
  KeepSections(wanted, request.only);
  const auto printer = host.OpenPrinter();
  if (!printer) return Status(JobStatus::kPrinterFailed);
  PrinterConfig current;
  JobResult r;
  r.status = Collect(host, *printer, SectionsToRead(wanted), current);
  if (r.status != JobStatus::kDone) return r;

  // Plans and checks; false when reading for the check failed (r.status says how).
  const auto review = [&](const RestoreOptions& o) {
    r.plan = PlanRestore(current, wanted, o);
    JobStatus read = JobStatus::kDone;
    if (!ReadForCheck(host, *printer, wanted, r.plan, current, read)) {
      r.status = read;
      return false;
    }
    r.check = CheckRestore(current, wanted, o, r.plan);
    if (r.check.fiscalRecords > 0 && !current.freeRecords) {
      ReadFreeRecords(*printer, current);
      r.check = CheckRestore(current, wanted, o, r.plan);
    }
    r.freeRecords = current.freeRecords.value_or(-1);
    return true;
  };
  RestoreOptions options = request.options;
  if (!review(options)) return r;
  if (request.dryRun) {
    r.wouldBe = WouldBe(r);
    return r.status = JobStatus::kDryRun, r;
  }
  // Lines too wide are the one stop the technician may lift.
  if (!options.cutTexts && r.check.OnlyCuttableStops() &&
      host.AllowCutTexts(r.check.Texts(CheckLevel::kStop))) {
    options.cutTexts = true;
    if (!review(options)) return r;
  }
  if (r.check.Stops()) return r.status = JobStatus::kStopped, r;
  if (r.plan.steps.empty() && r.plan.fiscalLeftOut.empty())
    return r.status = JobStatus::kNothingToDo, r;
  const RestoreOptions asked = options;
  if (!host.ConfirmRestore(r.plan, r.check, options)) return r.status = JobStatus::kDeclined, r;
  if (options.includeFiscal != asked.includeFiscal || options.cutTexts != asked.cutTexts) {
    // Planned again: with the fiscal settings a new decimal point may make
    // every article be written again, and the checks change with it.
    if (!review(options)) return r;
    if (r.check.Stops()) return r.status = JobStatus::kStopped, r;
  }
  // The printer still differs from the file when fiscal settings were left out.
  if (r.plan.steps.empty()) {
    r.status = r.plan.fiscalLeftOut.empty() ? JobStatus::kNothingToDo : JobStatus::kFiscalLeftOut;
    return r;
  }
  for (const std::string& question : r.check.questions)
    if (!host.Ask(question)) return r.status = JobStatus::kDeclined, r;
  // Asked for the restore's own fiscal settings; a Z report alone is offered
  // by the driver when it comes, as for any programming command.
  const bool ownRecords = r.check.fiscalRecords > (r.check.zReport ? 1 : 0);
  if (ownRecords && !host.ConfirmFiscalRecords(r.check.fiscalRecords, r.freeRecords))
    return r.status = JobStatus::kDeclined, r;
  Apply(host, *printer, r);
  // Everything sent was written, yet the printer differs from the file in
  // the settings left alone: the same status as a rerun finding only those.
  if (r.status == JobStatus::kDone && !r.plan.fiscalLeftOut.empty())
    r.status = JobStatus::kFiscalLeftOut;
  return r;
}

JobResult RunExport(ToolHost& host, CsvTable table, const std::string& file,
                    const CsvDialect& dialect) {
  std::string error;
  if (!CheckWritable(file, error)) return Status(JobStatus::kCannotWrite, error);
  const auto printer = host.OpenPrinter();
  if (!printer) return Status(JobStatus::kPrinterFailed);
  JobResult r;
  SectionSet sections = OnlySection(TableSection(table));
  sections[static_cast<size_t>(Section::kDecimalPoint)] = true;
  r.status = Collect(host, *printer, sections, r.config);
  if (r.status != JobStatus::kDone) return r;
  const FileAccess access =
      table == CsvTable::kOperators ? FileAccess::kOwnerOnly : FileAccess::kUsual;
  if (!WriteWholeFile(file,
                      WriteTableCsv(table, r.config, r.config.decimalPoint.value_or('2'), dialect),
                      error, access))
    return Status(JobStatus::kCannotWrite, error);
  return r;
}

namespace {

// Whether the printer already holds an imported row, as it keeps it.
bool AlreadyHeld(const RestoreStep& step, const CsvRecords& records, const PrinterConfig& current) {
  if (step.section == Section::kDepartments && current.departments) {
    for (const Department& w : records.departments)
      if (w.number == step.item)
        for (const Department& c : *current.departments)
          if (c.number == w.number)
            return StoredText(c.name) == StoredText(w.name) && c.taxGroup == w.taxGroup;
  }
  if (step.section == Section::kOperators && current.operators) {
    for (const OperatorRecord& w : records.operators)
      if (w.number == step.item)
        for (const OperatorRecord& c : *current.operators)
          if (c.number == w.number)
            return StoredText(c.name) == StoredText(w.name) &&
                   StoredText(c.password) == StoredText(w.password);
  }
  return false;
}

}  // namespace

JobResult RunImport(ToolHost& host, CsvTable table, const std::string& file,
                    const CsvDialect& dialect) {
  std::string text, error;
  if (!ReadWholeFile(file, text, error)) return Status(JobStatus::kBadFile, error);
  CsvRecords records;
  CsvProblem problem;
  const auto bad = [&]() {
    return Status(JobStatus::kBadFile, "„" + file + "“: " + DescribeCsvProblem(problem, true));
  };
  // Every row is checked before the port is opened, and once more against
  // the printer before the first one is written.
  if (!ParseTableCsv(table, text, 0, records, problem, dialect)) return bad();
  const auto printer = host.OpenPrinter();
  if (!printer) return Status(JobStatus::kPrinterFailed);
  PrinterConfig current;
  JobResult r;
  SectionSet sections{};
  sections[static_cast<size_t>(Section::kDecimalPoint)] = true;
  sections[static_cast<size_t>(Section::kTaxRates)] = table != CsvTable::kOperators;
  // The departments and operators (a few reads) are compared: a row the
  // printer holds is not sent, as a restore would not send it (a department
  // with turnover could not be written before the daily report).
  if (table != CsvTable::kArticles) sections[static_cast<size_t>(TableSection(table))] = true;
  r.status = Collect(host, *printer, sections, current);
  if (r.status != JobStatus::kDone) return r;
  if (!ParseTableCsv(table, text, current.decimalPoint.value_or(0), records, problem, dialect))
    return bad();
  PrinterConfig wanted;
  wanted.articles = records.articles;
  wanted.departments = records.departments;
  if (table == CsvTable::kOperators) wanted.operators = records.operators;
  for (RestoreStep& step : PlanImport(table, records)) {
    if (AlreadyHeld(step, records, current)) continue;
    // Checked against this mode: read again before the first price is sent.
    if (step.section == Section::kArticles) step.priceMode = current.decimalPoint.value_or(0);
    r.plan.steps.push_back(std::move(step));
  }
  // The same pre-flight as a restore's: open receipt, reports to zero, groups.
  JobStatus read = JobStatus::kDone;
  if (!ReadForCheck(host, *printer, PrinterConfig{}, r.plan, current, read))
    return r.status = read, r;
  r.check = CheckRestore(current, wanted, RestoreOptions{}, r.plan);
  if (r.check.Stops()) return r.status = JobStatus::kStopped, r;
  if (r.plan.steps.empty()) return r.status = JobStatus::kNothingToDo, r;
  Apply(host, *printer, r);
  return r;
}

JobResult RunDiff(const std::string& fromFile, const std::string& toFile) {
  PrinterConfig from, to;
  std::string error;
  if (!ReadConfigFile(fromFile, from, error) || !ReadConfigFile(toFile, to, error))
    return Status(JobStatus::kBadFile, error);
  RestoreOptions options;
  options.includeFiscal = true;  // every difference, the fiscal ones too
  JobResult r;
  r.plan = PlanRestore(from, to, options);
  // Values no command could write (an empty payment name, an exchange rate
  // of 0 where the other holds one) are no step, but the files differ.
  r.check = CheckRestore(from, to, options, r.plan);
  r.differs = !r.plan.steps.empty() || r.check.Stops();
  r.status = r.differs ? JobStatus::kDryRun : JobStatus::kNothingToDo;
  return r;
}

std::string ProgressLabel(const ProgressStep& s, bool bulgarian) {
  std::string what = SectionTitle(s.section, bulgarian);
  if (s.item > 0 || s.section == Section::kHeader) what += " " + std::to_string(s.item);
  const std::string count =
      std::to_string(s.done + 1) + (bulgarian ? " от " : " of ") + std::to_string(s.total);
  return bulgarian ? what + " (" + count + ")" : count + ": " + what;
}

std::string ConfigCounts(const PrinterConfig& c, bool bulgarian) {
  std::string s;
  const auto add = [&s](size_t n, const char* what) {
    s += (s.empty() ? "" : ", ") + std::to_string(n) + " " + what;
  };
  if (c.header) add(c.header->size(), bulgarian ? "реда от клишето" : "header lines");
  if (c.operators) add(c.operators->size(), bulgarian ? "оператора" : "operators");
  if (c.departments) add(c.departments->size(), bulgarian ? "департамента" : "departments");
  if (c.articles) add(c.articles->size(), bulgarian ? "артикула" : "articles");
  return s;
}
