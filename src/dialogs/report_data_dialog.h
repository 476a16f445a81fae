#pragma once

#include <wx/spinbutt.h>

#include <map>

#include "dialogs/controls/color_label.h"
#include "dialogs/controls/numeric_edit.h"
#include "dialogs/printer_dialog.h"
#include "dialogs/report_data_groups.h"

// The report data dialogs: the counters the printer keeps for the day's
// reports, read into read-only fields without printing anything. Each frame
// has its own "Get"; "Get All" reads every frame in turn on one printer and
// stops at the first failed read.
//
// Opening reads the printer's status to learn whether amounts have decimals;
// without a connection or when that read fails the dialog closes itself with
// kResultNotOpened. Every button opens its own FiscalPrinter and closes it
// before returning. The dialogs show no messages of their own: the driver
// reports failures, and a failed read leaves its frame as it was. "Exit",
// Escape and the close box end it with kResultDone.
class ReportDataDialog : public PrinterDialog, private ReportDataForm {
 public:
  enum class Kind { kDaily, kOperator };

  // `ui` (not owned) must outlive the dialog; without one the dialog shows its
  // prompts itself through a GuiUiHost of its own.
  ReportDataDialog(wxWindow* parent, UiHost* ui, const PrinterLine& line, Kind kind,
                   DialogServices services = {});

  // Configures the amount fields from the printer's status. On failure closes
  // the dialog and returns false.
  bool ReadAtOpening() override;

  NumericEdit* Field(int id) const;
  ColorLabel* DateLabel(int id) const;

 private:
  void OnGet(int getId);
  void OnGetAll();
  bool ReadGroup(FiscalPrinter& printer, int getId);
  const std::vector<DataGroup>& Groups() const;

  // ReportDataForm
  void ShowAmount(int id, double value) override;
  void ShowCount(int id, int value) override;
  void ShowDate(int id, std::time_t time) override;
  int OperatorNumber() override;

  Kind kind_;
  std::map<int, NumericEdit*> amounts_;
  std::map<int, NumericEdit*> counts_;
  std::map<int, ColorLabel*> dates_;
  NumericEdit* operator_ = nullptr;  // operator dialog only
  wxSpinButton* operatorSpin_ = nullptr;
};

// "Четене на Дневни Отчети - Други" (menu "Други Дневни отчети").
class DailyReportDataDialog : public ReportDataDialog {
 public:
  DailyReportDataDialog(wxWindow* parent, UiHost* ui, const PrinterLine& line,
                        DialogServices services = {})
      : ReportDataDialog(parent, ui, line, Kind::kDaily, std::move(services)) {}
};

// "Четене на Операторски отчети - Други" (menu "Други Операторски отчети"):
// one operator's data; the operator number is read from its field before
// every read.
class OperatorReportDataDialog : public ReportDataDialog {
 public:
  OperatorReportDataDialog(wxWindow* parent, UiHost* ui, const PrinterLine& line,
                           DialogServices services = {})
      : ReportDataDialog(parent, ui, line, Kind::kOperator, std::move(services)) {}
};
