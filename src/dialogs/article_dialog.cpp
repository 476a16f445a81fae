#include "dialogs/article_dialog.h"

#include <wx/button.h>
#include <wx/sizer.h>
#include <wx/valtext.h>

#include "dialogs/field_spin.h"
#include "dialogs/ui_text.h"
#include "driver/limits.h"
#include "driver/text.h"

namespace {
constexpr int kNameChars = 20;
}  // namespace

ArticleDialog::ArticleDialog(wxWindow* parent, UiHost* ui, const PrinterLine& line,
                             DialogServices services)
    : ArticleFormDialog(parent, "Програмиране на Артикули", ui, line, std::move(services),
                        kIdNumber, kIdNumberSpin) {
  const int charWidth = GetCharWidth();
  auto* name = new wxTextCtrl(this, kIdName);
  price_ = new NumericEdit(this, kIdPrice, wxDefaultPosition, wxSize(charWidth * 12 + 16, -1));
  priceConfig_ = ArticlePriceConfig('2');
  ConfigureNumber(price_, priceConfig_);
  taxGroup_ = new wxChoice(this, kIdTaxGroup);
  for (const char* g : kTaxGroupItems) taxGroup_->Append(FromUtf8(g));
  taxGroup_->SetSelection(kDefaultTaxGroup);
  department_ = new wxTextCtrl(this, kIdDepartment, "0", wxDefaultPosition,
                               wxSize(charWidth * 4 + 16, -1), 0, wxTextValidator(wxFILTER_DIGITS));
  department_->SetMaxLength(kDepartmentFieldLength);
  auto* departmentSpin = new wxSpinButton(this, kIdDepartmentSpin, wxDefaultPosition, wxDefaultSize,
                                          wxSP_VERTICAL | wxSP_ARROW_KEYS);
  departmentSpin->SetRange(0, kArticleDepartmentMax);

  AddRow("Артикул Име:", name);
  AddRow("Артикул Цена:", price_);
  AddRow("Дан.Група:", taxGroup_);
  AddRow("Департамент:", department_, departmentSpin);
  wxSizer* top = Arrange({{kIdGet, "Get"}, {kIdSet, "Set"}, {kIdExit, "Exit"}});

  // The name in the fixed-pitch font, as wide as the printer's name field.
  name->SetMinSize(wxSize(charWidth * 24, -1));
  name_ = CreateMonospaceEdit(name, 0, false);
  name_->SetMaxLength(kNameChars);
  SetSizerAndFit(top);
  CentreOnParent();

  TieSpinToField(departmentSpin, department_);
  Bind(wxEVT_BUTTON, &ArticleDialog::OnGet, this, kIdGet);
  Bind(wxEVT_BUTTON, &ArticleDialog::OnSet, this, kIdSet);
  SetExitButton(kIdExit, kResultDone);
}

bool ArticleDialog::Open() {
  const std::optional<char> mode = ReadDecimalMode();
  if (!mode) return false;
  priceConfig_ = ArticlePriceConfig(*mode);
  ConfigureNumber(price_, priceConfig_);
  return true;
}

void ArticleDialog::OnGet(wxCommandEvent&) {
  const std::optional<ArticleRecord> article = ReadTypedArticle();
  if (!article) return;
  SetTextRedraw(name_, FromCp1251(article->name));
  if (priceConfig_.decimal) {
    price_->SetDecimalValue(article->price);
  } else if (const auto whole = WholePrice(article->price, price_->Rule().IntegerMaximum())) {
    price_->SetIntegerValue(*whole);
  }
  // A group the selector does not have shows as none chosen: a Set then asks
  // for one rather than writing the group of the article shown before.
  taxGroup_->SetSelection(TaxGroupSelection(article->taxGroup));
  department_->SetValue(wxString::Format("%u", unsigned{article->department}));
}

void ArticleDialog::OnSet(wxCommandEvent&) {
  // Every number is checked before the port is opened: none goes out wrong.
  const auto number = ReadField(Number(), "Артикул Номер");
  if (!number) return;
  const auto price = ReadField(price_, "Артикул Цена");
  if (!price) return;
  // 0: the article belongs to no department.
  const auto department =
      ReadField(department_, department_->GetValue(), DepartmentNumberRule(0), "Департамент");
  if (!department) return;
  if (taxGroup_->GetSelection() == wxNOT_FOUND) {
    ShowMessage(FromUtf8(kChooseTaxGroupText), FromUtf8("Грешка"), wxOK | wxICON_STOP);
    taxGroup_->SetFocus();
    return;
  }
  const auto name = PrinterText(name_, "Артикул Име");
  if (!name) return;
  auto printer = OpenPrinter();
  if (!printer->IsConnected()) return;
  printer->SetArticle(static_cast<int>(*number), *name, *price, taxGroup_->GetSelection(),
                      static_cast<uint8_t>(*department));
}
