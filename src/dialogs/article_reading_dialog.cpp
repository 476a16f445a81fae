#include "dialogs/article_reading_dialog.h"

#include <wx/button.h>
#include <wx/sizer.h>

#include "dialogs/field_spin.h"
#include "dialogs/ui_text.h"
#include "driver/limits.h"

namespace {
constexpr int kAlignLeft = 0;
constexpr int kAlignRight = 2;
}  // namespace

ArticleReadingDialog::ArticleReadingDialog(wxWindow* parent, UiHost* ui, const PrinterLine& line,
                                           DialogServices services)
    : ArticleFormDialog(parent, "Четене на Артикули", ui, line, std::move(services), kIdNumber,
                        kIdNumberSpin) {
  const int charWidth = GetCharWidth();
  const wxSize amountSize(charWidth * 15 + 16, -1);
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

  AddRow("Артикул Име:", name);
  AddRow("Дан.Група:", taxGroup);
  AddRow("Артикул Цена", price_);
  AddRow("Продадено Кол.", quantity_);
  AddRow("Оборот", turnover_);
  AddRow("Номер на отчет:", reportNumber_);
  AddRow("Дата на последен отчет:", reportDate_);
  wxSizer* top = Arrange({{kIdGet, "Get"}, {kIdExit, "Exit"}});
  name_ = CreateMonospaceEdit(name, kAlignLeft, true);
  taxGroup_ = CreateMonospaceEdit(taxGroup, kAlignRight, true);
  SetSizerAndFit(top);
  CentreOnParent();

  Bind(wxEVT_BUTTON, &ArticleReadingDialog::OnGet, this, kIdGet);
  SetExitButton(kIdExit, kResultDone);
}

bool ArticleReadingDialog::Open() {
  const std::optional<char> mode = ReadDecimalMode();
  if (!mode) return false;
  ConfigureNumber(price_, ArticleAmountConfig(*mode));
  ConfigureNumber(turnover_, ArticleAmountConfig(*mode));
  return true;
}

void ArticleReadingDialog::OnGet(wxCommandEvent&) {
  const std::optional<ArticleRecord> article = ReadTypedArticle();
  if (!article) return;
  SetTextRedraw(name_, FromCp1251(article->name));
  price_->SetDecimalValue(article->price);
  quantity_->SetDecimalValue(article->soldQuantity);
  turnover_->SetDecimalValue(article->turnover);
  reportNumber_->SetIntegerValue(article->reportNumber);
  reportDate_->SetLabel(FromUtf8(ArticleReportDate(article->lastReportTime)));
  SetTextRedraw(taxGroup_, FromUtf8(TaxGroupLetter(article->taxGroup)));
}
