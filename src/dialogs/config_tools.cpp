#include "dialogs/config_tools.h"

#include <wx/progdlg.h>

#include <memory>

#include "dialogs/restore_dialog.h"
#include "tools/config_json.h"
#include "tools/printer_config.h"
#include "tools/text_file.h"

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
  Progress(wxWindow* owner, const char* title) : owner_(owner), title_(title) {}

  ProgressFn Callback() {
    return [this](const ProgressStep& s) {
      wxString what = U(SectionTitle(s.section, true));
      if (s.item > 0 || s.section == Section::kHeader) what += wxString::Format(" %d", s.item);
      const wxString text = what + wxString::Format(U(" (%d от %d)"), s.done + 1, s.total);
      if (!dialog_ || dialog_->GetRange() != s.total) {
        dialog_.reset();
        dialog_ = std::make_unique<wxProgressDialog>(
            U(title_), text, s.total, owner_, wxPD_APP_MODAL | wxPD_CAN_ABORT | wxPD_ELAPSED_TIME);
      }
      return dialog_->Update(s.done, text);
    };
  }
  void Close() { dialog_.reset(); }

 private:
  wxWindow* owner_;
  const char* title_;
  std::unique_ptr<wxProgressDialog> dialog_;
};

// The closing message of a job that wrote to the printer.
wxString ApplySummary(const std::vector<RestoreStep>& steps, const ApplyReport& report) {
  const int written = report.Count(StepOutcome::kWritten);
  wxString text = wxString::Format(U("Записани: %d от %zu."), written, steps.size());
  if (report.Complete()) return text;
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
  }
  text += U("\n\nСтартирайте отново, за да довършите.");
  return text;
}

}  // namespace

void ConfigTools::Backup() const {
  const wxString path =
      services.ChooseFileToSave(owner, U(kBackupCaption), U(kJsonFiles), "fiscal-printer.json");
  if (path.empty()) return;
  PrinterConfig config;
  {
    auto printer = services.OpenPrinter(ui, port);
    if (!printer->IsConnected()) return;
    Progress progress(owner, "Четене от принтера");
    if (CollectConfig(*printer, AllSections(), config, progress.Callback()) != CollectResult::kDone)
      return;
  }
  std::string error;
  if (!WriteWholeFile(Utf8(path), ConfigToJson(config), error)) {
    services.ShowMessage(owner, U("Грешка при създаване на файла"), U("Грешка"),
                         wxOK | wxICON_ERROR);
    return;
  }
  services.ShowMessage(owner, U("Настройките са записани във файла\n") + path, U(kBackupCaption));
}

void ConfigTools::Restore() const {
  const wxString path = services.ChooseFileToOpen(owner, U(kRestoreCaption), U(kJsonFiles));
  if (path.empty()) return;
  std::string text, error;
  PrinterConfig wanted;
  if (!ReadWholeFile(Utf8(path), text, error) || !ConfigFromJson(text, wanted, error)) {
    services.ShowMessage(owner, U("Файлът не може да бъде използван:\n") + U(error), U("Грешка"),
                         wxOK | wxICON_ERROR);
    return;
  }
  auto printer = services.OpenPrinter(ui, port);
  if (!printer->IsConnected()) return;

  SectionSet sections{};
  const auto mark = [&sections](Section s, bool on) { sections[static_cast<size_t>(s)] = on; };
  mark(Section::kDecimalPoint, wanted.decimalPoint.has_value() || wanted.articles.has_value());
  mark(Section::kTaxRates, wanted.taxRates.has_value());
  mark(Section::kHeader, wanted.header.has_value());
  mark(Section::kParameters, wanted.parameters.has_value());
  mark(Section::kPayments, wanted.payments.has_value());
  mark(Section::kInvoices, wanted.invoices.has_value());
  mark(Section::kDepartments, wanted.departments.has_value());
  mark(Section::kOperators, wanted.operators.has_value());
  mark(Section::kArticles, wanted.articles.has_value());
  PrinterConfig current;
  {
    Progress progress(owner, "Четене от принтера");
    if (CollectConfig(*printer, sections, current, progress.Callback()) != CollectResult::kDone)
      return;
  }
  RestoreOptions options;
  const RestorePlan shown = PlanRestore(current, wanted, options);
  if (shown.steps.empty() && shown.fiscalLeftOut.empty()) {
    services.ShowMessage(owner, U("Принтерът вече съдържа тези настройки."), U(kRestoreCaption));
    return;
  }
  bool go = false;
  if (confirmRestore) {
    go = confirmRestore(path, shown, options);
  } else {
    RestoreDialog dialog(owner, path, shown);
    go = dialog.ShowModal() == wxID_OK;
    options.includeFiscal = dialog.IncludeFiscal();
    options.password = dialog.Password();
  }
  if (!go) return;
  // Planned again when the fiscal changes are included: they go first, and a
  // new decimal point makes every article be written again.
  const RestorePlan plan = options.includeFiscal ? PlanRestore(current, wanted, options) : shown;
  Progress progress(owner, "Запис в принтера");
  const ApplyReport report = ApplyPlan(*printer, plan.steps, progress.Callback());
  progress.Close();
  services.ShowMessage(owner, ApplySummary(plan.steps, report), U(kRestoreCaption),
                       report.Complete() ? wxOK | wxICON_INFORMATION : wxOK | wxICON_WARNING);
}

void ConfigTools::Export(CsvTable table) const {
  const wxString path = services.ChooseFileToSave(owner, U(TableCaption(table, false)),
                                                  U(kCsvFiles), U(TableFileName(table)));
  if (path.empty()) return;
  PrinterConfig config;
  {
    auto printer = services.OpenPrinter(ui, port);
    if (!printer->IsConnected()) return;
    SectionSet sections = OnlySection(TableSection(table));
    sections[static_cast<size_t>(Section::kDecimalPoint)] = true;
    Progress progress(owner, "Четене от принтера");
    if (CollectConfig(*printer, sections, config, progress.Callback()) != CollectResult::kDone)
      return;
  }
  std::string error;
  if (!WriteWholeFile(Utf8(path), WriteTableCsv(table, config, config.decimalPoint.value_or('2')),
                      error)) {
    services.ShowMessage(owner, U("Грешка при създаване на файла"), U("Грешка"),
                         wxOK | wxICON_ERROR);
    return;
  }
  services.ShowMessage(owner, U("Записано във файла\n") + path, U(TableCaption(table, false)));
}

void ConfigTools::Import(CsvTable table) const {
  const wxString caption = U(TableCaption(table, true));
  const wxString path = services.ChooseFileToOpen(owner, caption, U(kCsvFiles));
  if (path.empty()) return;
  std::string text, error;
  if (!ReadWholeFile(Utf8(path), text, error)) {
    services.ShowMessage(owner, U("Файлът не може да бъде прочетен:\n") + U(error), U("Грешка"),
                         wxOK | wxICON_ERROR);
    return;
  }
  CsvRecords records;
  CsvProblem problem;
  const auto refuse = [&]() {
    services.ShowMessage(owner,
                         U("Нищо не е изпратено към принтера. Грешка във файла:\n") +
                             U(DescribeCsvProblem(problem, true)),
                         U("Грешка"), wxOK | wxICON_ERROR);
  };
  // Every row is checked before the port is opened; prices once more against
  // the printer's decimal mode before the first one is written.
  if (!ParseTableCsv(table, text, 0, records, problem)) return refuse();
  auto printer = services.OpenPrinter(ui, port);
  if (!printer->IsConnected()) return;
  if (table == CsvTable::kArticles) {
    char mode = 0;
    if (printer->ReadDecimalPoint(mode).empty()) return;
    if (!ParseTableCsv(table, text, mode, records, problem)) return refuse();
  }
  const std::vector<RestoreStep> steps = PlanImport(table, records);
  Progress progress(owner, "Запис в принтера");
  const ApplyReport report = ApplyPlan(*printer, steps, progress.Callback());
  progress.Close();
  services.ShowMessage(owner, ApplySummary(steps, report), caption,
                       report.Complete() ? wxOK | wxICON_INFORMATION : wxOK | wxICON_WARNING);
}
