// The fiscalization dialog's window: its frames of controls. What the controls
// do is in fiscalization_dialog.cpp; the commands behind the buttons are in
// fiscalization_logic.cpp.
#include <tuple>

#include "dialogs/fiscalization_dialog.h"
#include "dialogs/layout.h"
#include "dialogs/ui_text.h"

using namespace layout;

namespace {

const wxColour kMarkColour(255, 0, 0);
constexpr int kRateFieldChars = 7;
constexpr int kTaxNumberChars = 15;
constexpr int kPasswordChars = 12;

}  // namespace

ColorLabel* FiscalizationDialog::RedLabel(wxWindow* parent, int id, const wxString& text) {
  auto* label = new ColorLabel(parent, id, text);
  label->SetLabelColor(kMarkColour);
  return label;
}

void FiscalizationDialog::BuildControls() {
  auto* columns = new wxBoxSizer(wxHORIZONTAL);
  columns->Add(BuildFiscalFrame(), 0, wxEXPAND | wxRIGHT, 2 * kGap);
  columns->Add(BuildRightColumn(), 0, wxEXPAND);

  auto* top = new wxBoxSizer(wxVERTICAL);
  top->Add(columns, 1, wxEXPAND | wxALL, 2 * kGap);
  top->Add(BuildBottomLines(), 0, wxEXPAND | wxLEFT | wxRIGHT | wxBOTTOM, 2 * kGap);
  SetSizerAndFit(top);
  CentreOnParent();
}

wxSizer* FiscalizationDialog::BuildFiscalFrame() {
  wxStaticBoxSizer* frame = Frame(this, "ФИСКАЛНИ ДАННИ");
  wxWindow* box = frame->GetStaticBox();

  password_ = new wxTextCtrl(box, kIdPassword, wxString(), wxDefaultPosition, wxDefaultSize,
                             wxTE_RIGHT | wxTE_PASSWORD);
  password_->SetMaxLength(kPasswordLength);
  password_->SetMinSize(wxSize(GetCharWidth() * kPasswordChars + 16, -1));
  frame->Add(Row({Label(box, "Парола:"), password_}), 0, wxALL, kGap);

  wxStaticBoxSizer* decimal = Frame(box, "Десетична точка");
  wxWindow* decimalBox = decimal->GetStaticBox();
  whole_ = new wxRadioButton(decimalBox, kIdWhole, FromUtf8("ЦЕЛИ ЧИСЛА"), wxDefaultPosition,
                             wxDefaultSize, wxRB_GROUP);
  fractional_ = new wxRadioButton(decimalBox, kIdFractional, FromUtf8("ДРОБНИ ЧИСЛА"));
  // A hidden third button of the group: choosing it shows neither mode chosen
  // (a mode the printer reported that is neither of the two), which a group
  // of two cannot show on every platform.
  neither_ = new wxRadioButton(decimalBox, wxID_ANY, wxString());
  neither_->Hide();
  auto* radios = new wxBoxSizer(wxVERTICAL);
  radios->Add(whole_, 0, wxBOTTOM, kGap);
  radios->Add(fractional_);
  auto* decimalRow = new wxBoxSizer(wxHORIZONTAL);
  decimalRow->Add(radios, 1, wxALIGN_CENTER_VERTICAL | wxRIGHT, 2 * kGap);
  decimalRow->Add(ButtonRow(decimalBox, {{kIdDecimalGet, "Get"}, {kIdDecimalSet, "Set"}}), 0,
                  wxALIGN_CENTER_VERTICAL);
  decimal->Add(decimalRow, 0, wxEXPAND | wxALL, kGap);
  frame->Add(decimal, 0, wxEXPAND | wxALL, kGap);

  frame->Add(BuildRatesFrame(box), 0, wxEXPAND | wxALL, kGap);

  wxStaticBoxSizer* tax = Frame(box, "Фискален код на данъчно задълженото лице");
  wxWindow* taxBox = tax->GetStaticBox();
  taxNumber_ = new wxTextCtrl(taxBox, kIdTaxNumber);
  taxNumber_->SetMaxLength(kTaxNumberLength);
  taxNumber_->SetMinSize(wxSize(GetCharWidth() * kTaxNumberChars + 16, -1));
  auto* taxRow = new wxBoxSizer(wxHORIZONTAL);
  taxRow->Add(Label(taxBox, "Ф. код:"), 0, wxALIGN_CENTER_VERTICAL | wxRIGHT, kGap);
  taxRow->Add(taxNumber_, 1, wxALIGN_CENTER_VERTICAL | wxRIGHT, 2 * kGap);
  taxRow->Add(ButtonRow(taxBox, {{kIdTaxNumberGet, "Get"}, {kIdTaxNumberSet, "Set"}}), 0,
              wxALIGN_CENTER_VERTICAL);
  tax->Add(taxRow, 0, wxEXPAND | wxALL, kGap);
  tax->Add(ButtonRow(taxBox, {{kIdFiscalize, "Фискализация"}, {kIdFirstReceipt, "Първи Бон"}}), 0,
           wxALIGN_CENTER | wxALL, kGap);
  frame->Add(tax, 0, wxEXPAND | wxALL, kGap);
  return frame;
}

wxSizer* FiscalizationDialog::BuildRatesFrame(wxWindow* parent) {
  wxStaticBoxSizer* frame = Frame(parent, "Данъчни ставки");
  wxWindow* box = frame->GetStaticBox();
  // Two columns of four groups: А..Г with a caption, Д..З with a check box.
  auto* grid = new wxFlexGridSizer(4, kGap, 4 * kGap);
  for (int row = 0; row < 4; ++row) {
    for (int g : {row, row + fiscal::kFirstSwitchable}) {
      auto* field = new NumericEdit(box, kIdRate + g, wxDefaultPosition, wxDefaultSize, wxTE_RIGHT);
      field->SetMinSize(wxSize(GetCharWidth() * kRateFieldChars + 16, -1));
      field->ConfigureDecimal(0, fiscal::kRateMaximum, fiscal::kRateDecimals, fiscal::kRateLength,
                              fiscal::kDefaultRates[static_cast<size_t>(g)]);
      rates_[static_cast<size_t>(g)] = field;
      const wxString caption = FromUtf8(fiscal::RateCaption(g));
      if (g < fiscal::kFirstSwitchable) {
        grid->Add(new wxStaticText(box, wxID_ANY, caption), 0, wxALIGN_CENTER_VERTICAL);
      } else {
        auto* check = new wxCheckBox(box, kIdRateCheck + g, caption);
        rateChecks_[static_cast<size_t>(g)] = check;
        grid->Add(check, 0, wxALIGN_CENTER_VERTICAL);
      }
      grid->Add(field, 0, wxALIGN_CENTER_VERTICAL);
    }
  }
  frame->Add(grid, 0, wxALL, kGap);
  frame->Add(ButtonRow(box, {{kIdRatesGet, "Get"}, {kIdRatesSet, "Set"}}), 0, wxALIGN_RIGHT | wxALL,
             kGap);
  return frame;
}

wxSizer* FiscalizationDialog::BuildRightColumn() {
  auto* column = new wxBoxSizer(wxVERTICAL);
  for (const auto& [caption, programId, printId] :
       {std::tuple{"Клише", kIdClicheProgram, kIdClichePrint},
        std::tuple{"Оператори", kIdOperatorsProgram, kIdOperatorsPrint}}) {
    wxStaticBoxSizer* frame = Frame(this, caption);
    frame->Add(ButtonRow(frame->GetStaticBox(), {{programId, "Програмиране"}, {printId, "Печат"}}),
               0, wxALIGN_CENTER | wxALL, kGap);
    column->Add(frame, 0, wxEXPAND | wxBOTTOM, kGap);
  }

  wxStaticBoxSizer* zero = Frame(this, "Нулиране на отчети");
  wxWindow* box = zero->GetStaticBox();
  auto* grid = new wxFlexGridSizer(2, kGap, 2 * kGap);
  grid->AddGrowableCol(0);
  const struct {
    int buttonId, markId;
    const char* caption;
    fiscal::ZeroedReport report;
  } rows[] = {{kIdZeroDaily, kIdMarkDaily, "Дневен финансов", fiscal::ZeroedReport::kDaily},
              {kIdZeroOperators, kIdMarkOperators, "Оператори", fiscal::ZeroedReport::kOperators},
              {kIdZeroArticles, kIdMarkArticles, "Артикули", fiscal::ZeroedReport::kArticles}};
  for (const auto& r : rows) {
    grid->Add(Button(box, r.buttonId, r.caption), 0, wxEXPAND);
    ColorLabel* mark = RedLabel(box, r.markId);
    mark->SetMinSize(wxSize(GetCharWidth() * 2, -1));
    marks_[static_cast<size_t>(r.report)] = mark;
    grid->Add(mark, 0, wxALIGN_CENTER_VERTICAL);
  }
  grid->Add(Button(box, kIdJournal, "ЕКЛ"), 0, wxEXPAND);
  zero->Add(grid, 0, wxEXPAND | wxALL, kGap);
  column->Add(zero, 0, wxEXPAND);
  return column;
}

wxSizer* FiscalizationDialog::BuildBottomLines() {
  date_ = RedLabel(this, kIdDate);
  date_->SetMinSize(wxSize(GetCharWidth() * 26, -1));
  auto* dateRow = new wxBoxSizer(wxHORIZONTAL);
  dateRow->Add(Label(this, "Текущи дата и час от ФПр:"), 0, wxALIGN_CENTER_VERTICAL | wxRIGHT,
               kGap);
  dateRow->Add(date_, 1, wxALIGN_CENTER_VERTICAL | wxRIGHT, 2 * kGap);
  dateRow->Add(ButtonRow(this, {{kIdDateGet, "Get"}, {kIdDateSet, "Set"}}), 0,
               wxALIGN_CENTER_VERTICAL);

  printerNumber_ = RedLabel(this, kIdPrinterNumber);
  memoryNumber_ = RedLabel(this, kIdMemoryNumber);
  for (ColorLabel* l : {printerNumber_, memoryNumber_})
    l->SetMinSize(wxSize(GetCharWidth() * 10, -1));
  auto* numbersRow = new wxBoxSizer(wxHORIZONTAL);
  numbersRow->Add(Row({Label(this, "ФПр N"), printerNumber_}), 0, wxALIGN_CENTER_VERTICAL);
  numbersRow->AddSpacer(6 * kGap);
  numbersRow->Add(Row({Label(this, "модул ФП N"), memoryNumber_}), 0, wxALIGN_CENTER_VERTICAL);
  numbersRow->AddStretchSpacer();
  numbersRow->Add(Button(this, kIdExit, "Exit"), 0, wxALIGN_CENTER_VERTICAL);

  auto* lines = new wxBoxSizer(wxVERTICAL);
  lines->Add(dateRow, 0, wxEXPAND | wxBOTTOM, 2 * kGap);
  lines->Add(numbersRow, 0, wxEXPAND);
  return lines;
}
