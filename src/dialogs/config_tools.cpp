#include "dialogs/config_tools.h"

#include <wx/progdlg.h>

#include <memory>

#include "dialogs/restore_dialog.h"
#include "driver/fiscal_printer.h"
#include "tools/config_jobs.h"

namespace {

const char* const kBackupCaption = "Архивиране на настройките";
const char* const kRestoreCaption = "Възстановяване на настройките";
const char* const kJsonFiles = "Настройки (*.json)|*.json|Всички файлове (*.*)|*.*";
const char* const kCsvFiles = "CSV (*.csv)|*.csv|Всички файлове (*.*)|*.*";
constexpr size_t kListedFailures = 15;

wxString U(const std::string& utf8) {
  return wxString::FromUTF8(utf8);
}
std::string Utf8(const wxString& s) {
  return std::string(s.utf8_str());
}

const char* TableCaption(CsvTable t, bool import) {
  switch (t) {
    case CsvTable::kArticles:
      return import ? "Зареждане на артикули от CSV" : "Запис на артикулите в CSV";
    case CsvTable::kDepartments:
      return import ? "Зареждане на департаменти от CSV" : "Запис на департаментите в CSV";
    case CsvTable::kOperators:
      return import ? "Зареждане на оператори от CSV" : "Запис на операторите в CSV";
  }
  return "";
}

const char* TableFileName(CsvTable t) {
  switch (t) {
    case CsvTable::kArticles:
      return "артикули.csv";
    case CsvTable::kDepartments:
      return "департаменти.csv";
    case CsvTable::kOperators:
      return "оператори.csv";
  }
  return "";
}

// A progress window for one job; its "Cancel" stops the job between commands.
class Progress {
 public:
  explicit Progress(wxWindow* owner) : owner_(owner) {}

  bool Show(bool writing, const ProgressStep& s) {
    const wxString text = U(ProgressLabel(s, true));
    if (!dialog_ || dialog_->GetRange() != s.total || writing != writing_) {
      dialog_.reset();
      writing_ = writing;
      dialog_ = std::make_unique<wxProgressDialog>(
          U(writing ? "Запис в принтера" : "Четене от принтера"), text, s.total, owner_,
          wxPD_APP_MODAL | wxPD_CAN_ABORT | wxPD_ELAPSED_TIME);
    }
    return dialog_->Update(s.done, text);
  }
  void Close() { dialog_.reset(); }

 private:
  wxWindow* owner_;
  bool writing_ = false;
  std::unique_ptr<wxProgressDialog> dialog_;
};

// The application's side of a job: the printer on the tools' port, a
// progress window, the differences window and message boxes.
class GuiToolHost : public ToolHost {
 public:
  GuiToolHost(const ConfigTools& tools, const wxString& file)
      : tools_(tools), file_(file), progress_(tools.owner) {}

  std::unique_ptr<FiscalPrinter> OpenPrinter() override {
    auto printer = tools_.services.OpenPrinter(tools_.ui, tools_.line);
    if (!printer || !printer->IsConnected()) return nullptr;
    return printer;
  }
  bool Progress(bool writing, const ProgressStep& step) override {
    return progress_.Show(writing, step);
  }
  void EndProgress() override { progress_.Close(); }
  bool ConfirmRestore(const RestorePlan& plan, const Preflight& check,
                      RestoreOptions& options) override {
    if (tools_.confirmRestore) return tools_.confirmRestore(file_, plan, options);
    RestoreDialog dialog(tools_.owner, file_, plan, &check);
    const bool go = dialog.ShowModal() == wxID_OK;
    options.includeFiscal = dialog.IncludeFiscal();
    options.password = dialog.Password();
    return go;
  }
  bool AllowCutTexts(const std::vector<std::string>& lines) override {
    wxString text = U("Тези редове са по-широки от реда на принтера:");
    for (const std::string& line : lines) text += "\n" + U(line);
    text += U("\n\nДа бъдат ли отрязани до ширината на принтера?");
    return tools_.services.ShowMessage(tools_.owner, text, U(kRestoreCaption),
                                       wxYES_NO | wxNO_DEFAULT | wxICON_QUESTION) == wxYES;
  }
  bool ConfirmFiscalRecords(int records, int freeRecords) override {
    wxString text = wxString::Format(
        U("Възстановяването ще използва %d запис(а) от фискалната памет"), records);
    if (freeRecords >= 0) text += wxString::Format(U(" (свободни: %d)"), freeRecords);
    text += U(".\nВсеки запис е окончателен. Да продължи ли?");
    return tools_.services.ShowMessage(tools_.owner, text, U("Фискална памет"),
                                       wxYES_NO | wxNO_DEFAULT | wxICON_EXCLAMATION) == wxYES;
  }
  bool Ask(const std::string& question) override {
    return tools_.services.ShowMessage(tools_.owner, U(question), U(kRestoreCaption),
                                       wxYES_NO | wxNO_DEFAULT | wxICON_QUESTION) == wxYES;
  }

 private:
  const ConfigTools& tools_;
  wxString file_;
  class Progress progress_;
};

// The closing message of a job that wrote to the printer.
wxString ApplySummary(const std::vector<RestoreStep>& steps, const ApplyReport& report) {
  const int written = report.Count(StepOutcome::kWritten);
  wxString text = wxString::Format(U("Записани: %d от %zu."), written, steps.size());
  if (report.Complete()) return text;
  if (report.Count(StepOutcome::kSkipped) > 0)
    text += U("\nНеизпратени, защото стъпка преди тях не беше записана: ") +
            U(SkipCauseText(report.skipped, true)) + ".";
  text += report.cancelled ? U("\nПрекъснато от потребителя.") : wxString();
  text += U("\n\nНезаписани:");
  size_t listed = 0;
  for (size_t i = 0; i < steps.size(); ++i) {
    if (report.outcomes[i] == StepOutcome::kWritten) continue;
    if (++listed > kListedFailures) {
      text += U("\n...");
      break;
    }
    text += "\n" + U(DescribeStep(steps[i], true));
    if (report.outcomes[i] == StepOutcome::kRefused)
      text += U(" (отказано, код ") + U(report.codes[i]) + ")";
    if (report.outcomes[i] == StepOutcome::kFailed && !report.untold.empty())
      text += U(": ") + U(report.untold);
    if (report.outcomes[i] == StepOutcome::kSkipped)
      text += U(" (") + U(SkipCauseText(report.skipped, true)) + ")";
  }
  text += U("\n\nСтартирайте отново, за да довършите.");
  return text;
}

// Tells the user how a job that did not finish ended; false when it finished.
bool ShowTrouble(const ConfigTools& tools, const JobResult& r, const wxString& caption) {
  const auto error = [&](const wxString& text) {
    tools.services.ShowMessage(tools.owner, text, U("Грешка"), wxOK | wxICON_ERROR);
  };
  switch (r.status) {
    case JobStatus::kBadFile:
      error(U("Нищо не е изпратено към принтера. Файлът не може да бъде използван:\n") +
            U(r.message));
      return true;
    case JobStatus::kCannotWrite:
      error(U(r.message));
      return true;
    case JobStatus::kStopped: {
      wxString text =
          U("Нищо не е изпратено към принтера. Принтерът би отказал или "
            "променил тези стойности:");
      size_t listed = 0;
      for (const std::string& line : r.check.Texts(CheckLevel::kStop)) {
        if (++listed > kListedFailures) {
          text += U("\n...");
          break;
        }
        text += "\n" + U(line);
      }
      error(text);
      return true;
    }
    case JobStatus::kNothingToDo:
      tools.services.ShowMessage(tools.owner, U("Принтерът вече съдържа тези настройки."), caption);
      return true;
    case JobStatus::kFiscalLeftOut: {
      // Written, but the fiscal settings left alone: the closing summary says so.
      if (!r.report.outcomes.empty()) return false;
      // Not "already holds": the printer still differs from the file.
      wxString text =
          U("Нищо не е изпратено към принтера. Принтерът се различава от файла само по "
            "фискални настройки, които бяха оставени без промяна:");
      for (const RestoreStep& step : r.plan.fiscalLeftOut)
        text += "\n" + U(DescribeStep(step, true));
      text += U("\n\nТе се записват само с отметка „Запиши и тези промени“.");
      tools.services.ShowMessage(tools.owner, text, caption, wxOK | wxICON_WARNING);
      return true;
    }
    case JobStatus::kDone:
    case JobStatus::kIncomplete:
      return false;
    default:  // declined, cancelled, or the driver has told the user
      return true;
  }
}

void ShowApplied(const ConfigTools& tools, const JobResult& r, const wxString& caption) {
  if (ShowTrouble(tools, r, caption)) return;
  wxString text = ApplySummary(r.plan.steps, r.report);
  // The printer still differs from the file in what was left alone.
  if (r.status == JobStatus::kFiscalLeftOut)
    text += U("\nФискалните настройки са оставени без промяна.");
  tools.services.ShowMessage(
      tools.owner, text, caption,
      r.report.Complete() ? wxOK | wxICON_INFORMATION : wxOK | wxICON_WARNING);
}

}  // namespace

void ConfigTools::Backup() const {
  const wxString path =
      services.ChooseFileToSave(owner, U(kBackupCaption), U(kJsonFiles), "fiscal-printer.json");
  if (path.empty()) return;
  GuiToolHost host(*this, path);
  const JobResult r = RunBackup(host, Utf8(path), AllSections());
  if (ShowTrouble(*this, r, U(kBackupCaption))) return;
  services.ShowMessage(owner, U("Настройките са записани във файла\n") + path, U(kBackupCaption));
}

void ConfigTools::Restore() const {
  const wxString path = services.ChooseFileToOpen(owner, U(kRestoreCaption), U(kJsonFiles));
  if (path.empty()) return;
  GuiToolHost host(*this, path);
  RestoreRequest request;
  request.file = Utf8(path);
  ShowApplied(*this, RunRestore(host, request), U(kRestoreCaption));
}

void ConfigTools::Export(CsvTable table) const {
  const wxString path = services.ChooseFileToSave(owner, U(TableCaption(table, false)),
                                                  U(kCsvFiles), U(TableFileName(table)));
  if (path.empty()) return;
  GuiToolHost host(*this, path);
  const JobResult r = RunExport(host, table, Utf8(path), CsvDialect{});
  if (ShowTrouble(*this, r, U(TableCaption(table, false)))) return;
  services.ShowMessage(owner, U("Записано във файла\n") + path, U(TableCaption(table, false)));
}

void ConfigTools::Import(CsvTable table) const {
  const wxString caption = U(TableCaption(table, true));
  const wxString path = services.ChooseFileToOpen(owner, caption, U(kCsvFiles));
  if (path.empty()) return;
  GuiToolHost host(*this, path);
  ShowApplied(*this, RunImport(host, table, Utf8(path), CsvDialect{}), caption);
}
