#include "dialogs/report_data_dialog.h"

#include <algorithm>

#include "dialogs/layout.h"
#include "dialogs/ui_text.h"

namespace {

using namespace layout;

constexpr int kColumns = 3;
constexpr int kOperatorMaximum = 9;

}  // namespace

ReportDataDialog::ReportDataDialog(wxWindow* parent, UiHost* ui, const PrinterLine& line, Kind kind,
                                   DialogServices services)
    : PrinterDialog(parent,
                    FromUtf8(kind == Kind::kDaily ? "Четене на Дневни Отчети - Други"
                                                  : "Четене на Операторски отчети - Други"),
                    ui, line, std::move(services)),
      kind_(kind) {
  const int fieldWidth = GetCharWidth() * 13 + 12;
  auto* frames = new wxFlexGridSizer(kColumns, kGap * 2, kGap * 2);
  for (const DataGroup& g : Groups()) {
    wxStaticBoxSizer* frame = Frame(this, g.caption);
    wxWindow* box = frame->GetStaticBox();
    wxFlexGridSizer* grid = Grid(2);
    grid->AddGrowableCol(1);
    for (const DataField& f : g.fields) {
      grid->Add(Label(box, f.label), 0, wxALIGN_CENTER_VERTICAL);
      if (f.kind == DataKind::kDate) {
        auto* label = new ColorLabel(box, f.id, wxEmptyString);
        label->SetLabelColor(*wxBLACK);
        label->SetMinSize(wxSize(GetCharWidth() * 24, -1));
        dates_[f.id] = label;
        grid->Add(label, 0, wxALIGN_CENTER_VERTICAL);
        continue;
      }
      auto* edit =
          new NumericEdit(box, f.id, wxDefaultPosition, wxDefaultSize, wxTE_RIGHT | wxTE_READONLY);
      edit->SetMinSize(wxSize(fieldWidth, -1));
      (f.kind == DataKind::kAmount ? amounts_ : counts_)[f.id] = edit;
      grid->Add(edit, 0, wxEXPAND);
    }
    frame->Add(grid, 0, wxEXPAND | wxALL, kGap);
    frame->AddStretchSpacer();
    frame->Add(Button(box, g.getId, "Get"), 0, wxALIGN_RIGHT | wxALL, kGap);
    frames->Add(frame, 1, wxEXPAND);
    const int id = g.getId;
    Bind(
        wxEVT_BUTTON, [this, id](wxCommandEvent&) { OnGet(id); }, id);
  }

  auto* top = new wxBoxSizer(wxVERTICAL);
  if (kind_ == Kind::kOperator) {
    operator_ = new NumericEdit(this, report_data::kOperatorNumber, wxDefaultPosition,
                                wxDefaultSize, wxTE_RIGHT);
    operator_->SetMinSize(wxSize(GetCharWidth() * 3 + 16, -1));
    operatorSpin_ = new wxSpinButton(this, report_data::kOperatorSpin, wxDefaultPosition,
                                     wxDefaultSize, wxSP_VERTICAL);
    operatorSpin_->SetRange(1, kOperatorMaximum);
    operatorSpin_->Bind(wxEVT_SPIN, [this](wxSpinEvent&) {
      operator_->SetIntegerValue(operatorSpin_->GetValue());
    });
    operator_->Bind(wxEVT_TEXT, [this](wxCommandEvent& e) {
      operatorSpin_->SetValue(std::clamp(operator_->GetIntegerValue(), 1, kOperatorMaximum));
      e.Skip();
    });
    auto* row = new wxBoxSizer(wxHORIZONTAL);
    row->Add(Label(this, "Номер на оператор:"), 0, wxALIGN_CENTER_VERTICAL | wxRIGHT, kGap);
    row->Add(operator_, 0, wxALIGN_CENTER_VERTICAL);
    row->Add(operatorSpin_, 0, wxEXPAND);
    top->Add(row, 0, wxLEFT | wxRIGHT | wxTOP, kGap * 3);
  }
  top->Add(frames, 1, wxEXPAND | wxALL, kGap * 3);

  const int getAll =
      kind_ == Kind::kDaily ? report_data::kDailyGetAll : report_data::kOperatorGetAll;
  top->Add(ButtonRow(this, {{getAll, "Get All"}, {wxID_OK, "Exit"}}), 0,
           wxALIGN_RIGHT | wxLEFT | wxRIGHT | wxBOTTOM, kGap * 3);
  SetSizerAndFit(top);
  CentreOnParent();
  if (auto* exit = dynamic_cast<wxButton*>(FindWindow(wxID_OK))) {
    exit->SetDefault();
    exit->SetFocus();
  }
  SetExitButton(wxID_OK, kResultDone);
  Bind(
      wxEVT_BUTTON, [this](wxCommandEvent&) { OnGetAll(); }, getAll);

  // Counts and numbers are configured at once; amounts once the printer has
  // said whether it counts with decimals.
  for (auto& [id, edit] : counts_)
    edit->ConfigureInteger(0, report_data::kCountMaximum, report_data::kCountLength, 0);
  if (operator_) operator_->ConfigureInteger(1, kOperatorMaximum, 1, 1);
}

const std::vector<DataGroup>& ReportDataDialog::Groups() const {
  return kind_ == Kind::kDaily ? DailyDataGroups() : OperatorDataGroups();
}

bool ReportDataDialog::ReadAtOpening() {
  StatusFlags flags{};
  {
    auto printer = OpenPrinter();
    if (!printer->IsConnected() || !CallDone(printer->ReadStatus(flags), printer->LastOutcome())) {
      CloseItself();
      return false;
    }
  }
  const double maximum = kind_ == Kind::kDaily ? report_data::kDailyAmountMaximum
                                               : report_data::kOperatorAmountMaximum;
  for (auto& [id, edit] : amounts_)
    edit->ConfigureDecimal(0, maximum, AmountDecimals(flags), report_data::kAmountLength, 0);
  return true;
}

NumericEdit* ReportDataDialog::Field(int id) const {
  if (auto it = amounts_.find(id); it != amounts_.end()) return it->second;
  if (auto it = counts_.find(id); it != counts_.end()) return it->second;
  if (operator_ && id == report_data::kOperatorNumber) return operator_;
  return nullptr;
}

ColorLabel* ReportDataDialog::DateLabel(int id) const {
  auto it = dates_.find(id);
  return it == dates_.end() ? nullptr : it->second;
}

bool ReportDataDialog::ReadGroup(FiscalPrinter& printer, int getId) {
  return kind_ == Kind::kDaily ? ReadDailyGroup(printer, *this, getId)
                               : ReadOperatorGroup(printer, *this, getId);
}

void ReportDataDialog::OnGet(int getId) {
  auto printer = OpenPrinter();
  if (printer->IsConnected()) ReadGroup(*printer, getId);
}

void ReportDataDialog::OnGetAll() {
  {
    auto printer = OpenPrinter();
    if (printer->IsConnected()) {
      if (kind_ == Kind::kDaily)
        ReadAllDailyGroups(*printer, *this);
      else
        ReadAllOperatorGroups(*printer, *this);
    }
  }
  // The returned sums follow through their own button, on a printer of their
  // own, whatever happened above.
  if (kind_ == Kind::kOperator) {
    auto* event = new wxCommandEvent(wxEVT_BUTTON, report_data::kReturnedSumsGet);
    event->SetEventObject(this);
    GetEventHandler()->QueueEvent(event);
  }
}

void ReportDataDialog::ShowAmount(int id, double value) {
  if (auto it = amounts_.find(id); it != amounts_.end()) it->second->SetDecimalValue(value);
}

void ReportDataDialog::ShowCount(int id, int value) {
  if (auto it = counts_.find(id); it != counts_.end()) it->second->SetIntegerValue(value);
}

void ReportDataDialog::ShowDate(int id, std::time_t time) {
  if (auto it = dates_.find(id); it != dates_.end())
    it->second->SetLabel(FromUtf8(ReportDateText(time)));
}

int ReportDataDialog::OperatorNumber() {
  return operator_ ? operator_->GetIntegerValue() : 1;
}
