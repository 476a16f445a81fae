// fiscal-cli's backup, restore, CSV export and import commands.
#include "cli/tool_commands.h"

#ifdef FS_HAVE_TOOLS

#include <csignal>
#include <memory>
#include <ostream>

#include "cli/output.h"
#include "driver/fiscal_printer.h"
#include "driver/limits.h"
#include "link/prompt_style.h"
#include "link/settings.h"
#include "tools/config_jobs.h"

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

// Everything a tool command's words can say.
struct ToolArgs {
  std::vector<std::string> files;
  bool dryRun = false;
  RestoreOptions restore;
  SectionSet only = AllSections();
  bool onlyGiven = false;
  CsvDialect dialect;
};

// The value of an option given as "--name VALUE" or "--name=VALUE".
bool OptionValue(const std::vector<std::string>& words, size_t& i, const std::string& name,
                 std::string& value, bool& matched, std::string& error) {
  const std::string& w = words[i];
  matched = w == name || w.rfind(name + "=", 0) == 0;
  if (!matched) return true;
  if (w == name) {
    if (++i >= words.size()) {
      error = words[0] + ": " + name + " needs a value";
      return false;
    }
    value = words[i];
  } else {
    value = w.substr(name.size() + 1);
  }
  return true;
}

bool ParseToolArgs(const std::vector<std::string>& words, ToolArgs& a, std::string& error) {
  const std::string& cmd = words[0];
  const bool restore = cmd == "restore";
  const bool backup = cmd == "backup";
  const bool table = FindTable(cmd) != nullptr;
  for (size_t i = 1; i < words.size(); ++i) {
    const std::string& w = words[i];
    std::string value;
    bool matched = false;
    if (restore && w == "--dry-run") {
      a.dryRun = true;
    } else if (restore && w == "--include-fiscal") {
      a.restore.includeFiscal = true;
    } else if (restore && w == "--cut-texts") {
      a.restore.cutTexts = true;
    } else if (restore &&
               (!OptionValue(words, i, "--password", value, matched, error) || matched)) {
      if (!matched) return false;
      if (value.empty() || value.size() > static_cast<size_t>(Limit::kServicePassword)) {
        error =
            "restore: --password: 1 to " + std::to_string(Limit::kServicePassword) + " characters";
        return false;
      }
      a.restore.password = value;
    } else if ((restore || backup) && w == "--only") {
      // One or more section names follow.
      if (!a.onlyGiven) a.only = SectionSet{};
      a.onlyGiven = true;
      size_t named = 0;
      while (i + 1 < words.size() && SectionByKey(words[i + 1])) {
        a.only[static_cast<size_t>(*SectionByKey(words[++i]))] = true;
        ++named;
      }
      if (named == 0) {
        error = cmd +
                ": --only needs a section: decimalPoint taxRates header parameters "
                "payments invoiceRange departments operators articles";
        return false;
      }
    } else if (table && (!OptionValue(words, i, "--separator", value, matched, error) || matched)) {
      if (!matched) return false;
      if (value != ";" && value != "," && value != "\\t" && value != "\t") {
        error = cmd + ": --separator takes ';', ',' or '\\t'";
        return false;
      }
      a.dialect.separator = value == ";" ? ';' : value == "," ? ',' : '\t';
    } else if (table && w == "--decimal-comma") {
      a.dialect.decimalComma = true;
    } else if (table && (!OptionValue(words, i, "--encoding", value, matched, error) || matched)) {
      if (!matched) return false;
      if (value == "cp1251" || value == "windows-1251") {
        a.dialect.encoding = CsvEncoding::kCp1251;
      } else if (value == "utf-8" || value == "utf8") {
        a.dialect.encoding = CsvEncoding::kUtf8;
      } else {
        error = cmd + ": --encoding takes cp1251 or utf-8";
        return false;
      }
    } else if (w.rfind("--", 0) == 0) {
      error = cmd + ": unknown option \"" + w + "\"";
      return false;
    } else if (!w.empty()) {
      a.files.push_back(w);
    } else {
      error = cmd + ": an empty FILE";
      return false;
    }
  }
  const size_t wanted = cmd == "diff" ? 2 : 1;
  if (a.files.size() != wanted) {
    error = cmd == "diff" ? "diff: two backup files are needed (A.json B.json)"
                          : cmd + ": one FILE is needed";
    return false;
  }
  const TableCommand* t = FindTable(cmd);
  const bool writesCsv = t && !t->import;
  if (a.dialect.decimalComma &&
      (a.dialect.separator == ',' || (writesCsv && a.dialect.separator == 0))) {
    error = cmd + ": --decimal-comma needs another --separator than ','";
    return false;
  }
  return true;
}

// Ctrl-C during a job: the command in progress finishes, nothing after it is
// sent, and the summary says what was written.
volatile std::sig_atomic_t gInterrupted = 0;
extern "C" void OnInterrupt(int) {
  gInterrupted = 1;
}

class InterruptScope {
 public:
  InterruptScope() {
    gInterrupted = 0;
    previous_ = std::signal(SIGINT, OnInterrupt);
  }
  ~InterruptScope() { std::signal(SIGINT, previous_ == SIG_ERR ? SIG_DFL : previous_); }
  InterruptScope(const InterruptScope&) = delete;
  InterruptScope& operator=(const InterruptScope&) = delete;

 private:
  void (*previous_)(int) = SIG_DFL;
};

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
  int RunDateTimeDialog(const PrinterLine& line) override {
    Clear();
    return inner_.RunDateTimeDialog(line);
  }
  void BeginWait() override { inner_.BeginWait(); }
  void EndWait() override { inner_.EndWait(); }

  // "reading 13 of 1018: article 12", rewritten in place. Blanks rather than
  // terminal escapes wipe a longer line before it (consoles on Windows).
  void Show(const char* verb, const ProgressStep& s) {
    if (!on_) return;
    std::string line = std::string(verb) + " " + ProgressLabel(s, false);
    const size_t length = line.size();
    if (length < shown_) line.append(shown_ - length, ' ');
    err_ << "\r" << line << std::flush;
    shown_ = length;
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

// fiscal-cli's side of a job: the printer on the options' line, the progress
// line, and answers from the command line.
class CliToolHost : public ToolHost {
 public:
  CliToolHost(CliEnvironment& env, UiHost& ui, const PrinterLine& line, bool progress)
      : env_(env), line_(line), ui_(ui, env.err, progress) {}

  std::unique_ptr<FiscalPrinter> OpenPrinter() override {
    auto printer = std::make_unique<FiscalPrinter>(&ui_, line_);
    if (env_.timeouts) printer->SetTimeouts(*env_.timeouts);
    if (!printer->IsConnected()) return nullptr;
    return printer;
  }
  bool Progress(bool writing, const ProgressStep& step) override {
    if (gInterrupted) return false;
    ui_.Show(writing ? "writing" : "reading", step);
    return true;
  }
  void EndProgress() override { ui_.Clear(); }
  // The command line has said it all: --include-fiscal, --cut-texts.
  bool ConfirmRestore(const RestorePlan&, const Preflight&, RestoreOptions&) override {
    return true;
  }
  // --cut-texts asks for it on the command line.
  bool AllowCutTexts(const std::vector<std::string>&) override { return false; }
  bool ConfirmFiscalRecords(int records, int freeRecords) override {
    std::string text =
        "Възстановяването ще използва " + std::to_string(records) + " запис(а) от фискалната памет";
    if (freeRecords >= 0) text += " (свободни: " + std::to_string(freeRecords) + ")";
    text += ".\nВсеки запис е окончателен. Да продължи ли?";
    return ui_.ShowPrompt(text, "Фискална памет", Prompt::kYesNo | Prompt::kIconExclamation, 1) ==
           Prompt::kResultYes;
  }
  // Answered like every prompt: at the terminal or by --answers.
  bool Ask(const std::string& question) override {
    return ui_.ShowPrompt(question, "Възстановяване", Prompt::kYesNo | Prompt::kIconQuestion, 1) ==
           Prompt::kResultYes;
  }

 private:
  CliEnvironment& env_;
  PrinterLine line_;
  ProgressUi ui_;
};

const char* StatusKey(JobStatus s) {
  switch (s) {
    case JobStatus::kDone:
      return "done";
    case JobStatus::kNothingToDo:
      return "nothing-to-do";
    case JobStatus::kFiscalLeftOut:
      return "fiscal-left-out";
    case JobStatus::kDryRun:
      return "dry-run";
    case JobStatus::kBadFile:
      return "bad-file";
    case JobStatus::kStopped:
      return "stopped";
    case JobStatus::kDeclined:
      return "declined";
    case JobStatus::kPrinterFailed:
      return "printer-failed";
    case JobStatus::kCancelled:
      return "cancelled";
    case JobStatus::kCannotWrite:
      return "cannot-write";
    case JobStatus::kIncomplete:
      return "incomplete";
  }
  return "";
}

int ExitStatus(JobStatus s) {
  switch (s) {
    case JobStatus::kDone:
    case JobStatus::kNothingToDo:
      return kExitOk;
    case JobStatus::kBadFile:
    case JobStatus::kCannotWrite:  // as --record's file and a method's file
    case JobStatus::kStopped:
      return kExitUsage;
    default:  // kFiscalLeftOut among them: the printer does not hold the file
      return kExitFailed;
  }
}

// A dry run exits as the run that sends would (before any question); diff
// exits 1 whenever the files differ.
int ExitStatus(const JobResult& r, bool diff) {
  if (diff && r.status == JobStatus::kDryRun) return kExitFailed;
  return ExitStatus(r.status == JobStatus::kDryRun ? r.wouldBe : r.status);
}

const char* LevelKey(CheckLevel l) {
  return l == CheckLevel::kStop ? "stop" : l == CheckLevel::kWarning ? "warning" : "note";
}

const char* OutcomeKey(StepOutcome o) {
  switch (o) {
    case StepOutcome::kWritten:
      return "written";
    case StepOutcome::kRefused:
      return "refused";
    case StepOutcome::kFailed:
      return "failed";
    case StepOutcome::kNotSent:
      return "not-sent";
    case StepOutcome::kSkipped:
      return "skipped";
  }
  return "";
}

const char* KindKey(StepKind k) {
  return k == StepKind::kAdd      ? "add"
         : k == StepKind::kRemove ? "remove"
         : k == StepKind::kWrite  ? "write"
                                  : "change";
}

std::string StepJson(const RestoreStep& step, const JobResult& r, size_t i, bool sent) {
  std::string s = "{\"section\":" + JsonString(SectionKey(step.section)) +
                  ",\"item\":" + std::to_string(step.item) +
                  ",\"kind\":" + JsonString(KindKey(step.kind)) +
                  ",\"text\":" + JsonString(DescribeStep(step, false)) + ",\"fields\":[";
  for (size_t f = 0; f < step.fields.size(); ++f)
    s += std::string(f ? "," : "") + "{\"field\":" + JsonString(step.fields[f].field) +
         ",\"from\":" + JsonString(step.fields[f].from) +
         ",\"to\":" + JsonString(step.fields[f].to) + "}";
  s += "]";
  if (sent && i < r.report.outcomes.size()) {
    s += ",\"outcome\":" + JsonString(OutcomeKey(r.report.outcomes[i]));
    if (!r.report.codes[i].empty()) s += ",\"code\":" + JsonString(r.report.codes[i]);
    if (r.report.outcomes[i] == StepOutcome::kFailed && !r.report.untold.empty())
      s += ",\"message\":" + JsonString(r.report.untold);
    if (r.report.outcomes[i] == StepOutcome::kSkipped)
      s += ",\"message\":" + JsonString(SkipCauseText(r.report.skipped, false));
  }
  return s + "}";
}

// One JSON object for the whole job.
std::string JobJson(const std::string& command, const std::vector<std::string>& files,
                    const JobResult& r) {
  std::string s = "{\"command\":" + JsonString(command) + ",\"files\":[";
  for (size_t i = 0; i < files.size(); ++i) s += (i ? "," : "") + JsonString(files[i]);
  s += "],\"status\":" + JsonString(StatusKey(r.status)) +
       ",\"ok\":" + (ExitStatus(r, command == "diff") == kExitOk ? "true" : "false");
  if (r.status == JobStatus::kDryRun && command != "diff")
    s += ",\"wouldBe\":" + JsonString(StatusKey(r.wouldBe));
  if (command == "diff") s += std::string(",\"differs\":") + (r.differs ? "true" : "false");
  if (!r.message.empty()) s += ",\"message\":" + JsonString(r.message);
  if (!r.config.origin.version.empty() || r.config.articles || r.config.operators ||
      r.config.departments)
    s += ",\"read\":" + JsonString(ConfigCounts(r.config, false));
  s += ",\"checks\":[";
  for (size_t i = 0; i < r.check.items.size(); ++i)
    s += std::string(i ? "," : "") + "{\"level\":" + JsonString(LevelKey(r.check.items[i].level)) +
         ",\"text\":" + JsonString(r.check.items[i].text) + "}";
  s += "],\"questions\":[";
  for (size_t i = 0; i < r.check.questions.size(); ++i)
    s += (i ? "," : "") + JsonString(r.check.questions[i]);
  const bool sent = !r.report.outcomes.empty();
  s += "],\"changes\":[";
  for (size_t i = 0; i < r.plan.steps.size(); ++i)
    s += (i ? "," : "") + StepJson(r.plan.steps[i], r, i, sent);
  s += "],\"fiscalLeftOut\":[";
  for (size_t i = 0; i < r.plan.fiscalLeftOut.size(); ++i)
    s += (i ? "," : "") + StepJson(r.plan.fiscalLeftOut[i], r, i, false);
  s += "],\"fiscalRecords\":" + std::to_string(r.check.fiscalRecords);
  if (r.freeRecords >= 0) s += ",\"freeRecords\":" + std::to_string(r.freeRecords);
  if (sent)
    s += ",\"written\":" + std::to_string(r.report.Count(StepOutcome::kWritten)) +
         ",\"interrupted\":" + (r.report.cancelled ? "true" : "false");
  return s + "}";
}

// A text of several lines on one.
std::string Oneline(std::string text) {
  for (char& c : text)
    if (c == '\n') c = ' ';
  return text;
}

std::string WouldBeText(const JobResult& r) {
  switch (r.wouldBe) {
    case JobStatus::kStopped:
      return "the real run would be refused (nothing sent)";
    case JobStatus::kNothingToDo:
      return "the real run would find nothing to write";
    case JobStatus::kFiscalLeftOut:
      return r.plan.steps.empty()
                 ? "the real run would send nothing: only fiscal settings differ, left alone"
                 : "the real run would write " + std::to_string(r.plan.steps.size()) +
                       " change(s) and leave the fiscal settings alone";
    default:
      return "the real run would write " + std::to_string(r.plan.steps.size()) + " change(s)" +
             (r.check.questions.empty() ? "" : " once the questions are answered yes");
  }
}

// diff: the differences and whether there are any; no printer is involved.
void PrintDiff(const std::string& file, const JobResult& r, std::ostream& out) {
  if (r.status == JobStatus::kBadFile) return;
  for (const RestoreStep& step : r.plan.steps) out << DescribeStep(step, false) << '\n';
  for (const std::string& t : r.check.Texts(CheckLevel::kStop))
    out << "differs, cannot be restored: " << t << '\n';
  if (r.differs)
    out << "diff: " << r.plan.steps.size() + r.check.Texts(CheckLevel::kStop).size()
        << " difference(s)\n";
  else
    out << "diff: no differences (" << file << ")\n";
}

// The readable report of a job on standard output (and its trouble on standard error).
void PrintJob(const std::string& what, const std::string& file, const JobResult& r,
              CliEnvironment& env) {
  std::ostream& out = env.out;
  if (!r.message.empty())
    env.err << "fiscal-cli: " << what << ": " << r.message << '\n' << std::flush;
  if (what == "diff") return PrintDiff(file, r, out);
  for (const CheckItem& item : r.check.items)
    if (item.level != CheckLevel::kNote || r.status == JobStatus::kDryRun)
      out << (item.level == CheckLevel::kStop      ? "refused: "
              : item.level == CheckLevel::kWarning ? "warning: "
                                                   : "note: ")
          << item.text << '\n';
  for (const RestoreStep& step : r.plan.fiscalLeftOut)
    out << "left alone (fiscal memory; --include-fiscal writes it): " << DescribeStep(step, false)
        << '\n';
  if (!r.plan.fiscalLeftOut.empty() && r.status == JobStatus::kDryRun)
    out << "fiscal memory: --include-fiscal would use " << r.plan.fiscalLeftOut.size()
        << " record(s)\n";
  if (r.check.fiscalRecords > 0 &&
      (r.status == JobStatus::kDryRun || r.status == JobStatus::kDeclined)) {
    out << "fiscal memory: " << r.check.fiscalRecords << " record(s) used";
    if (r.freeRecords >= 0) out << " of " << r.freeRecords << " free";
    out << '\n';
  }
  switch (r.status) {
    case JobStatus::kDone:
      if (!r.report.outcomes.empty()) break;
      out << what << ": " << file << ": " << ConfigCounts(r.config, false) << '\n';
      return;
    case JobStatus::kNothingToDo:
      out << what << ": the printer already holds " << file << '\n';
      return;
    case JobStatus::kFiscalLeftOut:
      if (!r.report.outcomes.empty()) break;  // written; the summary says what was left
      out << what << ": nothing sent: the printer differs from " << file
          << " only in fiscal settings, left alone (--include-fiscal writes them)\n";
      return;
    case JobStatus::kDryRun:
      for (const RestoreStep& step : r.plan.steps) out << DescribeStep(step, false) << '\n';
      for (const std::string& q : r.check.questions)
        out << "question (answered yes to write): " << Oneline(q) << '\n';
      out << what << ": " << r.plan.steps.size() << " change(s); dry run, nothing sent; "
          << WouldBeText(r) << '\n';
      return;
    case JobStatus::kStopped:
      if (r.check.OnlyCuttableStops())
        out << "hint: --cut-texts cuts them to the printer's width\n";
      out << what << ": nothing sent: the printer would refuse or change "
          << r.check.Texts(CheckLevel::kStop).size() << " value(s)\n";
      return;
    case JobStatus::kDeclined:
      out << what << ": nothing sent\n";
      return;
    case JobStatus::kPrinterFailed:
      out << what << ": the printer could not be opened or read; "
          << (what == "backup" || what.rfind("export-", 0) == 0 ? file + " not written"
                                                                : std::string("nothing sent"))
          << '\n';
      return;
    case JobStatus::kCancelled:
      // Only reading comes before the first write or the file.
      out << what << ": interrupted while reading the printer; "
          << (what == "backup" || what.rfind("export-", 0) == 0 ? file + " not written"
                                                                : std::string("nothing sent"))
          << '\n';
      return;
    default:
      break;
  }
  if (r.report.outcomes.empty()) return;
  const auto& steps = r.plan.steps;
  for (size_t i = 0; i < steps.size(); ++i) {
    const StepOutcome o = r.report.outcomes[i];
    if (o == StepOutcome::kWritten) continue;
    const char* state = o == StepOutcome::kRefused   ? "refused ("
                        : o == StepOutcome::kFailed  ? "failed: "
                        : o == StepOutcome::kSkipped ? "not sent ("
                                                     : "not sent: ";
    out << state;
    if (o == StepOutcome::kSkipped) out << SkipCauseText(r.report.skipped, false) << "): ";
    if (o == StepOutcome::kRefused) out << r.report.codes[i] << "): ";
    out << DescribeStep(steps[i], false);
    if (o == StepOutcome::kFailed && !r.report.untold.empty()) out << ": " << r.report.untold;
    out << '\n';
  }
  out << what << ": " << r.report.Count(StepOutcome::kWritten) << " of " << steps.size()
      << " written";
  if (r.report.cancelled) out << "; interrupted";
  if (r.report.Count(StepOutcome::kSkipped) > 0)
    out << "; " << r.report.Count(StepOutcome::kSkipped)
        << " not sent because a step before them was not written";
  else if (!r.report.Complete())
    out << "; run it again to finish";
  if (r.status == JobStatus::kFiscalLeftOut)
    out << "; fiscal settings left alone (--include-fiscal writes them)";
  out << '\n';
}

}  // namespace

bool IsToolCommand(const std::string& name) {
  return name == "backup" || name == "restore" || name == "diff" || FindTable(name) != nullptr;
}

bool CheckToolArguments(const std::vector<std::string>& words, std::string& error) {
  if (words.empty()) return false;
  ToolArgs a;
  return ParseToolArgs(words, a, error);
}

int RunToolCommand(const std::vector<std::string>& words, CliEnvironment& env, UiHost& ui,
                   const PrinterLine& line, bool progressLine, bool json) {
  std::string error;
  ToolArgs a;
  if (!ParseToolArgs(words, a, error)) {
    env.err << "fiscal-cli: " << error << '\n';
    return kExitUsage;
  }
  const std::string& cmd = words[0];
  InterruptScope interrupt;
  CliToolHost host(env, ui, line, progressLine);
  JobResult r;
  if (cmd == "backup") {
    r = RunBackup(host, a.files[0], a.only);
  } else if (cmd == "restore") {
    RestoreRequest request;
    request.file = a.files[0];
    request.dryRun = a.dryRun;
    request.options = a.restore;
    request.only = a.only;
    r = RunRestore(host, request);
  } else if (cmd == "diff") {
    r = RunDiff(a.files[0], a.files[1]);
  } else {
    const TableCommand* t = FindTable(cmd);
    r = t->import ? RunImport(host, t->table, a.files[0], a.dialect)
                  : RunExport(host, t->table, a.files[0], a.dialect);
  }
  if (json) {
    if (!r.message.empty()) env.err << "fiscal-cli: " << cmd << ": " << r.message << '\n';
    env.out << JobJson(cmd, a.files, r) << '\n' << std::flush;
  } else {
    PrintJob(cmd, a.files[0], r, env);
  }
  return ExitStatus(r, cmd == "diff");
}

std::string ToolUsageText() {
  return "  fiscal-cli [OPTIONS] backup FILE [--only SECTION...]\n"
         "             the printer's programming into a JSON file (owner-only)\n"
         "  fiscal-cli [OPTIONS] restore FILE [--dry-run] [--include-fiscal] [--password PASS]\n"
         "             [--cut-texts] [--only SECTION...]\n"
         "  fiscal-cli diff A.json B.json   what restoring B onto a printer holding A would "
         "change\n"
         "  fiscal-cli [OPTIONS] export-articles FILE | import-articles FILE   (CSV; also\n"
         "             export-departments, import-departments, export-operators, "
         "import-operators)\n"
         "             [--separator ';'] [--decimal-comma] [--encoding cp1251|utf-8]\n"
         "  SECTION: decimalPoint taxRates header parameters payments invoiceRange departments\n"
         "           operators articles. --json prints one JSON object per command.\n"
         "  Exit status of these: 0 done or nothing to do; 1 something not written to the\n"
         "  printer, the printer not read, interrupted, or (restore) only fiscal settings\n"
         "  differ and were left alone; 2 a file that cannot be read, written or used, or\n"
         "  values the printer would refuse (nothing sent). A dry run exits as the real\n"
         "  run would. diff: 1 when the files differ.\n";
}

#else  // without the tools library

bool IsToolCommand(const std::string&) {
  return false;
}
bool CheckToolArguments(const std::vector<std::string>&, std::string&) {
  return false;
}
int RunToolCommand(const std::vector<std::string>&, CliEnvironment&, UiHost&, const PrinterLine&,
                   bool, bool) {
  return 2;
}
std::string ToolUsageText() {
  return "";
}

#endif
