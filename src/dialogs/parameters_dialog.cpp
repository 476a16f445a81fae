#include "dialogs/parameters_dialog.h"

#include "dialogs/controls/numeric_rule.h"
#include "dialogs/layout.h"
#include "dialogs/ui_text.h"

namespace {

using namespace layout;

constexpr const char* kNumberCaption = "No.ФУ";
constexpr int kNumberDefault = 0;
// Room for the four digits and the field's frame.
constexpr int kNumberChars = 7;

}  // namespace

ParametersDialog::ParametersDialog(wxWindow* parent, UiHost* ui, const PrinterLine& line,
                                   DialogServices services)
    : PrinterDialog(parent, FromUtf8("Параметри"), ui, line, std::move(services)) {
  number_ = new NumericEdit(this, parameter_ids::kDeviceNumber, wxDefaultPosition, wxDefaultSize,
                            wxTE_RIGHT);
  number_->SetMinSize(wxSize(GetCharWidth() * kNumberChars + 16, -1));

  auto* ticks = new wxBoxSizer(wxVERTICAL);
  for (size_t i = 0; i < kParameterTicks.size(); ++i) {
    ticks_[i] = new wxCheckBox(this, kParameterTicks[i].id, FromUtf8(kParameterTicks[i].caption));
    ticks->Add(ticks_[i], 0, wxBOTTOM, kGap);
  }

  auto* top = new wxBoxSizer(wxVERTICAL);
  top->Add(Row({Label(this, kNumberCaption), number_}), 0, wxLEFT | wxRIGHT | wxTOP, kGap * 3);
  top->Add(ticks, 0, wxALL, kGap * 3);
  top->Add(
      ButtonRow(this,
                {{parameter_ids::kGet, "Get"}, {parameter_ids::kSet, "Set"}, {wxID_OK, "Exit"}}),
      0, wxALIGN_CENTER | wxLEFT | wxRIGHT | wxBOTTOM, kGap * 3);
  SetSizerAndFit(top);
  CentreOnParent();
  if (auto* exit = dynamic_cast<wxButton*>(FindWindow(wxID_OK))) {
    exit->SetDefault();
    exit->SetFocus();
  }
  SetExitButton(wxID_OK, kResultDone);
  for (int id : {parameter_ids::kGet, parameter_ids::kSet})
    Bind(
        wxEVT_BUTTON, [this, id](wxCommandEvent&) { OnButton(id); }, id);

  number_->ConfigureInteger(0, kDeviceNumberMaximum, kDeviceNumberLength, kNumberDefault);
}

bool ParametersDialog::ReadAtOpening() {
  auto printer = OpenPrinter();
  if (!printer->IsConnected() || !GetParameters(*printer, *this)) {
    CloseItself();
    return false;
  }
  return true;
}

void ParametersDialog::OnButton(int id) {
  auto printer = OpenPrinter();
  if (!printer->IsConnected()) return;
  if (id == parameter_ids::kGet)
    GetParameters(*printer, *this);
  else
    SetParameters(*printer, *this);
}

void ParametersDialog::Show(const PrintParameters& params) {
  number_->SetIntegerValue(params.deviceNumber);
  for (size_t i = 0; i < kParameterTicks.size(); ++i)
    ticks_[i]->SetValue(params.*kParameterTicks[i].flag);
}

std::optional<PrintParameters> ParametersDialog::Entered() {
  const std::optional<int> number = number_->IntegerReading();
  if (!number) {
    ShowMessage(FromUtf8(FieldValueMessage(kNumberCaption, number_->Rule())), FromUtf8("Грешка"),
                wxOK | wxICON_STOP);
    number_->SetFocus();
    return std::nullopt;
  }
  PrintParameters params;
  params.deviceNumber = *number;
  for (size_t i = 0; i < kParameterTicks.size(); ++i)
    params.*kParameterTicks[i].flag = ticks_[i]->GetValue();
  return params;
}
