#include "dialogs/article_reading_dialog.h"

#include <wx/button.h>
#include <wx/sizer.h>
#include <wx/stattext.h>

#include "dialogs/field_spin.h"
#include "dialogs/ui_text.h"
#include "driver/limits.h"

namespace {
constexpr int kGap = 6;
constexpr int kAlignLeft = 0;
constexpr int kAlignRight = 2;
}  // namespace

ArticleReadingDialog::ArticleReadingDialog(wxWindow* parent, UiHost* ui, int port,
                                           DialogServices services)
    : PrinterDialog(parent, FromUtf8("Четене на Артикули"), ui, port, std::move(services)) {
  const int charWidth = GetCharWidth();
  const wxSize amountSize(charWidth * 15 + 16, -1);
  number_ = new NumericEdit(this, kIdNumber, wxDefaultPosition, wxSize(charWidth * 6 + 16, -1));
  ConfigureNumber(number_, ArticleNumberConfig());
  auto* numberSpin = new wxSpinButton(this, kIdNumberSpin, wxDefaultPosition, wxDefaultSize,
                                      wxSP_VERTICAL | wxSP_ARROW_KEYS);
  numberSpin->SetRange(Limit::kFirstArticle, Limit::kLastArticle);
  numberSpin->SetValue(1);
  auto* name = new wxTextCtrl(this, kIdName);
  name->SetMinSize(wxSize(charWidth * 24, -1));
  auto* taxGroup = new wxTextCtrl(this, kIdTaxGroup);
  taxGroup->SetMinSize(wxSize(charWidth * 4 + 16, -1));
  auto number = [&](int id) {
    auto* edit = new NumericEdit(this, id, wxDefaultPosition, amountSize);
    edit->SetEditable(false);
    return edit;
  };
  price_ = number(kIdPrice);
  quantity_ = number(kIdQuantity);
  turnover_ = number(kIdTurnover);
  reportNumber_ = number(kIdReportNumber);
  ConfigureNumber(price_, ArticleAmountConfig('2'));
  ConfigureNumber(turnover_, ArticleAmountConfig('2'));
  ConfigureNumber(quantity_, ArticleQuantityConfig());
  ConfigureNumber(reportNumber_, ArticleReportNumberConfig());
  reportDate_ = new ColorLabel(this, kIdReportDate, wxEmptyString, wxDefaultPosition,
                               wxSize(charWidth * 24, -1));
  reportDate_->SetLabelColor(*wxBLACK);

  auto* grid = new wxFlexGridSizer(2, kGap, kGap);
  auto row = [&](const char* caption, wxWindow* control, wxWindow* spin = nullptr) {
    grid->Add(new wxStaticText(this, wxID_ANY, FromUtf8(caption)), 0, wxALIGN_CENTER_VERTICAL);
    auto* pair = new wxBoxSizer(wxHORIZONTAL);
    pair->Add(control, 0, wxALIGN_CENTER_VERTICAL);
    if (spin) pair->Add(spin, 0, wxALIGN_CENTER_VERTICAL);
    grid->Add(pair);
  };
  row("Артикул Номер:", number_, numberSpin);
  row("Артикул Име:", name);
  row("Дан.Група:", taxGroup);
  row("Артикул Цена", price_);
  row("Продадено Кол.", quantity_);
  row("Оборот", turnover_);
  row("Номер на отчет:", reportNumber_);
  row("Дата на последен отчет:", reportDate_);

  auto* buttons = new wxBoxSizer(wxHORIZONTAL);
  buttons->Add(new wxButton(this, kIdGet, "Get"), 1, wxRIGHT, kGap);
  buttons->Add(new wxButton(this, kIdExit, "Exit"), 1);

  auto* top = new wxBoxSizer(wxVERTICAL);
  top->Add(grid, 0, wxALL, 10);
  top->Add(buttons, 0, wxEXPAND | wxLEFT | wxRIGHT | wxBOTTOM, 10);
  name_ = CreateMonospaceEdit(name, kAlignLeft, true);
  taxGroup_ = CreateMonospaceEdit(taxGroup, kAlignRight, true);
  SetSizerAndFit(top);
  CentreOnParent();

  TieSpinToField(numberSpin, number_);
  Bind(wxEVT_BUTTON, &ArticleReadingDialog::OnGet, this, kIdGet);
  SetExitButton(kIdExit, kResultDone);
}

bool ArticleReadingDialog::Open() {
  auto printer = OpenPrinter();
  StatusFlags flags{};
  if (!printer->IsConnected() || !CallDone(printer->ReadStatus(flags), printer->LastOutcome())) {
    CloseItself();
    return false;
  }
  const char mode = DecimalModeFromStatus(flags);
  ConfigureNumber(price_, ArticleAmountConfig(mode));
  ConfigureNumber(turnover_, ArticleAmountConfig(mode));
  return true;
}

void ArticleReadingDialog::OnGet(wxCommandEvent&) {
  const auto number = ReadField(number_, "Артикул Номер");
  if (!number) return;
  auto printer = OpenPrinter();
  if (!printer->IsConnected()) return;
  ArticleRecord article;
  if (!CallDone(printer->ReadArticle(static_cast<int>(*number), article), printer->LastOutcome()))
    return;
  SetTextRedraw(name_, FromCp1251(article.name));
  price_->SetDecimalValue(article.price);
  quantity_->SetDecimalValue(article.soldQuantity);
  turnover_->SetDecimalValue(article.turnover);
  reportNumber_->SetIntegerValue(article.reportNumber);
  reportDate_->SetLabel(FromUtf8(ArticleReportDate(article.lastReportTime)));
  SetTextRedraw(taxGroup_, FromUtf8(TaxGroupLetter(article.taxGroup)));
}
