#pragma once

#include <wx/checkbox.h>
#include <wx/radiobut.h>
#include <wx/sizer.h>
#include <wx/textctrl.h>

#include <array>
#include <optional>

#include "dialogs/controls/color_label.h"
#include "dialogs/controls/numeric_edit.h"
#include "dialogs/fiscalization_logic.h"
#include "dialogs/printer_dialog.h"

// "Фискализация, Десетична точка и Данъчни ставки": the technician's page for
// putting a printer into fiscal service. It shows the printer's clock, its
// factory numbers and which reports are not zeroed ("!"), and lets the user
// set the clock, the tax number, the decimal point and the tax rates, zero
// the reports, program and print the header lines and the operators, print
// the electronic journal report, fiscalize, and run the first receipt with
// its daily Z and fiscal-memory reports. The service password of every
// setting is typed once, masked.
//
// Opening reads the clock, the factory numbers and status, the tax number, the
// rates and the decimal point; when any of these reads but the second fails
// (or the port cannot be opened) the dialog closes itself with
// kResultNotOpened, as it does when "Get" of the rates fails. After each
// successful setting the numbers and marks are read again. Every button opens
// its own FiscalPrinter on `line` with `ui` as host and closes it before the
// handler returns; the sub-dialogs (clock, header lines, operators) open their
// own. "Exit", Escape and the close box end it with kResultDone.
class FiscalizationDialog : public PrinterDialog {
 public:
  enum {
    kIdPassword = 1700,
    kIdWhole,
    kIdFractional,
    kIdDecimalGet,
    kIdDecimalSet,
    kIdRatesGet,
    kIdRatesSet,
    kIdTaxNumber,
    kIdTaxNumberGet,
    kIdTaxNumberSet,
    kIdFiscalize,
    kIdFirstReceipt,
    kIdClicheProgram,
    kIdClichePrint,
    kIdOperatorsProgram,
    kIdOperatorsPrint,
    kIdZeroDaily,
    kIdZeroOperators,
    kIdZeroArticles,
    kIdJournal,
    kIdDateGet,
    kIdDateSet,
    kIdDate,
    kIdPrinterNumber,
    kIdMemoryNumber,
    kIdMarkDaily,
    kIdMarkOperators,
    kIdMarkArticles,
    kIdExit = wxID_OK,
    // Per tax group g (0..7): the field, and for Д..З (4..7) the check box.
    kIdRate = 1740,
    kIdRateCheck = 1750,
  };
  static constexpr int kPasswordLength = 6;
  static constexpr int kTaxNumberLength = 13;

  // `ui` (not owned) must outlive the dialog; without one the dialog shows its
  // prompts itself. `services` as for every PrinterDialog.
  FiscalizationDialog(wxWindow* parent, UiHost* ui, const PrinterLine& line,
                      DialogServices services = {});

  NumericEdit* Rate(int group) const { return rates_[static_cast<size_t>(group)]; }
  // The check box of group 4..7 (Д..З); null for А..Г.
  wxCheckBox* RateCheck(int group) const { return rateChecks_[static_cast<size_t>(group)]; }
  wxRadioButton* Whole() const { return whole_; }
  wxRadioButton* Fractional() const { return fractional_; }
  wxTextCtrl* Password() const { return password_; }
  wxTextCtrl* TaxNumber() const { return taxNumber_; }
  ColorLabel* DateLabel() const { return date_; }
  ColorLabel* PrinterNumber() const { return printerNumber_; }
  ColorLabel* MemoryNumber() const { return memoryNumber_; }
  ColorLabel* Mark(fiscal::ZeroedReport report) const {
    return marks_[static_cast<size_t>(report)];
  }

 protected:
  bool ReadAtOpening() override;

 private:
  // The window (fiscalization_frames.cpp).
  void BuildControls();
  wxSizer* BuildFiscalFrame();
  wxSizer* BuildRatesFrame(wxWindow* parent);
  wxSizer* BuildRightColumn();
  wxSizer* BuildBottomLines();
  ColorLabel* RedLabel(wxWindow* parent, int id, const wxString& text = wxString());

  void BindButtons();
  // The service password as sent; none (the user told) when it holds a
  // character Windows-1251 has none for, so that nothing goes out with a
  // password other than the one typed.
  std::optional<std::string> PasswordText();
  void ShowDisplay(const fiscal::FiscalDisplay& display);
  // Reads the numbers and marks again on `printer`; leaves them as they were
  // when that fails.
  void Refresh(FiscalPrinter& printer);
  void ShowRates(const TaxRates& rates);
  void ShowDecimalChoice(fiscal::DecimalChoice choice);
  void ShowDate(std::time_t time);

  void OnDecimalGet();
  void OnDecimalSet();
  void OnRatesGet();
  void OnRatesSet();
  void OnTaxNumberGet();
  void OnTaxNumberSet();
  void OnFiscalize();
  void OnFirstReceipt();
  void OnClicheProgram();
  void OnClichePrint();
  void OnOperatorsProgram();
  void OnOperatorsPrint();
  void OnZero(fiscal::ZeroedReport report);
  void OnJournal();
  void OnDateGet();
  void OnDateSet();
  void OnRateCheck(int group);

  wxTextCtrl* password_ = nullptr;
  wxRadioButton* whole_ = nullptr;
  wxRadioButton* fractional_ = nullptr;
  wxRadioButton* neither_ = nullptr;
  std::array<NumericEdit*, fiscal::kGroups> rates_{};
  std::array<wxCheckBox*, fiscal::kGroups> rateChecks_{};
  wxTextCtrl* taxNumber_ = nullptr;
  ColorLabel* date_ = nullptr;
  ColorLabel* printerNumber_ = nullptr;
  ColorLabel* memoryNumber_ = nullptr;
  std::array<ColorLabel*, 3> marks_{};
};
