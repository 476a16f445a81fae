// fiscal-cli's backup, restore, CSV export and import commands.
#include "cli/tool_commands.h"

#ifdef FS_HAVE_TOOLS

#include <memory>
#include <ostream>

#include "driver/fiscal_printer.h"
#include "driver/limits.h"
#include "link/settings.h"
#include "tools/config_json.h"
#include "tools/printer_config.h"
#include "tools/restore_plan.h"
#include "tools/table_csv.h"
#include "tools/text_file.h"

namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

struct TableCommand {
  const char* name;
  CsvTable table;
  bool import;
};
constexpr TableCommand kTableCommands[] = {
    {"export-articles", CsvTable::kArticles, false},
    {"import-articles", CsvTable::kArticles, true},
    {"export-departments", CsvTable::kDepartments, false},
    {"import-departments", CsvTable::kDepartments, true},
    {"export-operators", CsvTable::kOperators, false},
    {"import-operators", CsvTable::kOperators, true},
};

const TableCommand* FindTable(const std::string& name) {
  for (const TableCommand& t : kTableCommands)
    if (name == t.name) return &t;
  return nullptr;
}

struct RestoreArgs {
  std::string file;
  bool dryRun = false;
  bool includeFiscal = false;
  std::string password = "000000";
};

bool ParseRestoreArgs(const std::vector<std::string>& words, RestoreArgs& a, std::string& error) {
  for (size_t i = 1; i < words.size(); ++i) {
    const std::string& w = words[i];
    if (w == "--dry-run") {
      a.dryRun = true;
    } else if (w == "--include-fiscal") {
      a.includeFiscal = true;
    } else if (w == "--password" || w.rfind("--password=", 0) == 0) {
      if (w == "--password") {
        if (++i >= words.size()) {
          error = "restore: --password needs a value";
          return false;
        }
        a.password = words[i];
      } else {
        a.password = w.substr(11);
      }
      if (a.password.empty() || a.password.size() > static_cast<size_t>(Limit::kServicePassword)) {
        error =
            "restore: --password: 1 to " + std::to_string(Limit::kServicePassword) + " characters";
        return false;
      }
    } else if (w.rfind("--", 0) == 0) {
      error = "restore: unknown option \"" + w + "\"";
      return false;
    } else if (a.file.empty()) {
      a.file = w;
    } else {
      error = "restore: one FILE only";
      return false;
    }
  }
  if (a.file.empty()) {
    error = "restore: FILE is missing";
    return false;
  }
  return true;
}

// Prompts on the error stream end the progress line first, so each stands on
// a line of its own.
class ProgressUi : public UiHost {
 public:
  ProgressUi(UiHost& inner, std::ostream& err, bool on) : inner_(inner), err_(err), on_(on) {}
  ~ProgressUi() override { Clear(); }

  int ShowPrompt(const std::string& text, const std::string& caption, unsigned style,
                 int textStyle) override {
    Clear();
    return inner_.ShowPrompt(text, caption, style, textStyle);
  }
  int RunDateTimeDialog(int port) override {
    Clear();
    return inner_.RunDateTimeDialog(port);
  }
  void BeginWait() override { inner_.BeginWait(); }
  void EndWait() override { inner_.EndWait(); }

  // "reading 13 of 1018: article 12", rewritten in place. Blanks rather than
  // terminal escapes wipe a longer line before it (consoles on Windows).
  bool Show(const char* verb, const ProgressStep& s) {
    if (!on_) return true;
    std::string line = std::string(verb) + " " + std::to_string(s.done + 1) + " of " +
                       std::to_string(s.total) + ": " + SectionTitle(s.section, false);
    if (s.item > 0 || s.section == Section::kHeader) line += " " + std::to_string(s.item);
    const size_t length = line.size();
    if (length < shown_) line.append(shown_ - length, ' ');
    err_ << "\r" << line << std::flush;
    shown_ = length;
    return true;
  }
  void Clear() {
    if (shown_ == 0) return;
    err_ << "\r" << std::string(shown_, ' ') << "\r" << std::flush;
    shown_ = 0;
  }

 private:
  UiHost& inner_;
  std::ostream& err_;
  bool on_;
  size_t shown_ = 0;  // length of the progress line on the screen
};

class ToolRun {
 public:
  ToolRun(CliEnvironment& env, UiHost& ui, bool progress) : env_(env), ui_(ui, env.err, progress) {}

  int Backup(const std::string& file) {
    if (!Open()) return kExitFailed;
    PrinterConfig config;
    if (!Collect(AllSections(), config)) return kExitFailed;
    std::string error;
    if (!WriteWholeFile(file, ConfigToJson(config), error)) return Failed(error);
    env_.out << "backup: " << file << ": " << Counts(config) << '\n';
    return kExitOk;
  }

  int Restore(const RestoreArgs& a) {
    PrinterConfig wanted;
    std::string text, error;
    if (!ReadWholeFile(a.file, text, error)) return Usage("restore: " + error);
    if (!ConfigFromJson(text, wanted, error)) return Usage("restore: " + a.file + ": " + error);

    if (!Open()) return kExitFailed;
    PrinterConfig current;
    if (!Collect(SectionsOf(wanted), current)) return kExitFailed;
    RestoreOptions options;
    options.includeFiscal = a.includeFiscal;
    options.password = a.password;
    const RestorePlan plan = PlanRestore(current, wanted, options);

    for (const RestoreStep& step : plan.fiscalLeftOut)
      env_.out << "left alone (fiscal memory; --include-fiscal writes it): "
               << DescribeStep(step, false) << '\n';
    if (a.dryRun) {
      for (const RestoreStep& step : plan.steps) env_.out << DescribeStep(step, false) << '\n';
      env_.out << "restore: " << plan.steps.size() << " change(s); dry run, nothing sent\n";
      return kExitOk;
    }
    if (plan.steps.empty()) {
      env_.out << "restore: the printer already holds " << a.file << '\n';
      return kExitOk;
    }
    return Apply("restore", plan.steps);
  }

  int Export(const TableCommand& t, const std::string& file) {
    if (!Open()) return kExitFailed;
    PrinterConfig config;
    SectionSet sections = OnlySection(TableSection(t.table));
    sections[static_cast<size_t>(Section::kDecimalPoint)] = true;
    if (!Collect(sections, config)) return kExitFailed;
    std::string error;
    const char mode = config.decimalPoint.value_or('2');
    if (!WriteWholeFile(file, WriteTableCsv(t.table, config, mode), error)) return Failed(error);
    env_.out << t.name << ": " << file << ": " << Counts(config) << '\n';
    return kExitOk;
  }

  int Import(const TableCommand& t, const std::string& file) {
    std::string text, error;
    if (!ReadWholeFile(file, text, error)) return Usage(std::string(t.name) + ": " + error);
    CsvRecords records;
    CsvProblem problem;
    // Checked before the port is opened, and for prices once more with the
    // printer's decimal mode; nothing is written until every row is good.
    if (!ParseTableCsv(t.table, text, 0, records, problem))
      return Usage(std::string(t.name) + ": " + file + ": " + DescribeCsvProblem(problem, false));
    if (!Open()) return kExitFailed;
    if (t.table == CsvTable::kArticles) {
      char mode = 0;
      if (printer_->ReadDecimalPoint(mode).empty()) return kExitFailed;
      if (!ParseTableCsv(t.table, text, mode, records, problem))
        return Usage(std::string(t.name) + ": " + file + ": " + DescribeCsvProblem(problem, false));
    }
    return Apply(t.name, PlanImport(t.table, records));
  }

 private:
  bool Open() {
    printer_ = std::make_unique<FiscalPrinter>(&ui_, CurrentPort);
    if (env_.timeouts) printer_->SetTimeoutsForTesting(*env_.timeouts);
    return printer_->IsConnected();
  }

  bool Collect(const SectionSet& sections, PrinterConfig& config) {
    const CollectResult r =
        CollectConfig(*printer_, sections, config,
                      [this](const ProgressStep& s) { return ui_.Show("reading", s); });
    ui_.Clear();
    return r == CollectResult::kDone;
  }

  int Apply(const std::string& what, const std::vector<RestoreStep>& steps) {
    const ApplyReport report = ApplyPlan(
        *printer_, steps, [this](const ProgressStep& s) { return ui_.Show("writing", s); });
    ui_.Clear();
    for (size_t i = 0; i < steps.size(); ++i) {
      const StepOutcome o = report.outcomes[i];
      if (o == StepOutcome::kWritten) continue;
      const char* state = o == StepOutcome::kRefused  ? "refused ("
                          : o == StepOutcome::kFailed ? "failed: "
                                                      : "not sent: ";
      env_.out << state;
      if (o == StepOutcome::kRefused) env_.out << report.codes[i] << "): ";
      env_.out << DescribeStep(steps[i], false) << '\n';
    }
    const int written = report.Count(StepOutcome::kWritten);
    env_.out << what << ": " << written << " of " << steps.size() << " written";
    if (!report.Complete()) env_.out << "; run it again to finish";
    env_.out << '\n';
    return report.Complete() ? kExitOk : kExitFailed;
  }

  static SectionSet SectionsOf(const PrinterConfig& c) {
    SectionSet s{};
    const auto mark = [&s](Section x, bool present) { s[static_cast<size_t>(x)] = present; };
    mark(Section::kDecimalPoint, c.decimalPoint.has_value() || c.articles.has_value());
    mark(Section::kTaxRates, c.taxRates.has_value());
    mark(Section::kHeader, c.header.has_value());
    mark(Section::kParameters, c.parameters.has_value());
    mark(Section::kPayments, c.payments.has_value());
    mark(Section::kInvoices, c.invoices.has_value());
    mark(Section::kDepartments, c.departments.has_value());
    mark(Section::kOperators, c.operators.has_value());
    mark(Section::kArticles, c.articles.has_value());
    return s;
  }

  static std::string Counts(const PrinterConfig& c) {
    std::string s;
    const auto add = [&s](size_t n, const char* what) {
      s += (s.empty() ? "" : ", ") + std::to_string(n) + " " + what;
    };
    if (c.header) add(c.header->size(), "header lines");
    if (c.operators) add(c.operators->size(), "operators");
    if (c.departments) add(c.departments->size(), "departments");
    if (c.articles) add(c.articles->size(), "articles");
    return s;
  }

  int Usage(const std::string& message) {
    env_.err << "fiscal-cli: " << message << '\n' << std::flush;
    return kExitUsage;
  }
  int Failed(const std::string& message) {
    env_.err << "fiscal-cli: " << message << '\n' << std::flush;
    return kExitFailed;
  }

  CliEnvironment& env_;
  ProgressUi ui_;
  std::unique_ptr<FiscalPrinter> printer_;
};

}  // namespace

bool IsToolCommand(const std::string& name) {
  return name == "backup" || name == "restore" || FindTable(name) != nullptr;
}

bool CheckToolArguments(const std::vector<std::string>& words, std::string& error) {
  if (words.empty()) return false;
  if (words[0] == "restore") {
    RestoreArgs a;
    return ParseRestoreArgs(words, a, error);
  }
  if (words.size() != 2 || words[1].empty() || words[1].rfind("--", 0) == 0) {
    error = words[0] + ": FILE is missing or followed by other arguments";
    return false;
  }
  return true;
}

int RunToolCommand(const std::vector<std::string>& words, CliEnvironment& env, UiHost& ui,
                   bool progressLine) {
  std::string error;
  if (!CheckToolArguments(words, error)) {
    env.err << "fiscal-cli: " << error << '\n';
    return kExitUsage;
  }
  ToolRun run(env, ui, progressLine);
  if (words[0] == "backup") return run.Backup(words[1]);
  if (words[0] == "restore") {
    RestoreArgs a;
    ParseRestoreArgs(words, a, error);
    return run.Restore(a);
  }
  const TableCommand* t = FindTable(words[0]);
  return t->import ? run.Import(*t, words[1]) : run.Export(*t, words[1]);
}

std::string ToolUsageText() {
  return "  fiscal-cli [OPTIONS] backup FILE        the printer's programming into a JSON file\n"
         "  fiscal-cli [OPTIONS] restore FILE [--dry-run] [--include-fiscal] [--password PASS]\n"
         "  fiscal-cli [OPTIONS] export-articles FILE | import-articles FILE   (CSV; also\n"
         "             export-departments, import-departments, export-operators, "
         "import-operators)\n";
}

#else  // without the tools library

bool IsToolCommand(const std::string&) {
  return false;
}
bool CheckToolArguments(const std::vector<std::string>&, std::string&) {
  return false;
}
int RunToolCommand(const std::vector<std::string>&, CliEnvironment&, UiHost&, bool) {
  return 2;
}
std::string ToolUsageText() {
  return "";
}

#endif
