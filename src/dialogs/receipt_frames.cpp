// The receipt dialog's window: its nine frames of controls. What the controls
// do is in receipt_dialog.cpp; the commands behind the buttons are in
// receipt_actions.cpp.
#include "dialogs/layout.h"
#include "dialogs/receipt_dialog.h"
#include "dialogs/ui_text.h"
#include "driver/limits.h"

using namespace layout;

namespace {

// The sell and void buttons under each kind of sale.
wxSizer* SaleButtons(wxWindow* parent, int sellId, int voidId) {
  return ButtonRow(parent, {{sellId, "Продажба"}, {voidId, "Войд"}});
}

}  // namespace

ReceiptDialog::NumberField& ReceiptDialog::AddNumber(NumberField& field, int id, wxWindow* parent,
                                                     int widthChars) {
  field.edit = new NumericEdit(parent, id);
  field.edit->SetMinSize(wxSize(GetCharWidth() * widthChars + 16, -1));
  return field;
}

void ReceiptDialog::AddQuantityAndPercent(wxFlexGridSizer* grid, wxWindow* parent,
                                          NumberField& quantity, int quantityId,
                                          NumberField& percent, int percentId) {
  LabelledRow(grid, parent, "Количество:", AddNumber(quantity, quantityId, parent, 10).edit);
  LabelledRow(grid, parent, "Надбавка/Отстъпка:", AddNumber(percent, percentId, parent, 6).edit,
              "%");
}

void ReceiptDialog::BuildControls() {
  auto* left = new wxBoxSizer(wxVERTICAL);
  left->Add(BuildOpenFrame(), 0, wxEXPAND | wxBOTTOM, kGap);
  left->Add(BuildCloseFrame(), 0, wxEXPAND | wxBOTTOM, kGap);
  left->Add(BuildArticleFrame(), 0, wxEXPAND | wxBOTTOM, kGap);
  left->Add(BuildSubtotalFrame(), 0, wxEXPAND);

  auto* middle = new wxBoxSizer(wxVERTICAL);
  middle->Add(BuildItemFrame(), 0, wxEXPAND | wxBOTTOM, kGap);
  middle->Add(BuildDepartmentFrame(), 0, wxEXPAND | wxBOTTOM, kGap);
  middle->Add(BuildTextFrame(), 0, wxEXPAND);

  auto* right = new wxBoxSizer(wxVERTICAL);
  right->Add(BuildInfoFrame(), 0, wxEXPAND | wxBOTTOM, kGap);
  right->Add(BuildPaymentFrame(), 0, wxEXPAND);

  auto* columns = new wxBoxSizer(wxHORIZONTAL);
  columns->Add(left, 0, wxEXPAND | wxRIGHT, 2 * kGap);
  columns->Add(middle, 0, wxEXPAND | wxRIGHT, 2 * kGap);
  columns->Add(right, 0, wxEXPAND);

  auto* top = new wxBoxSizer(wxVERTICAL);
  top->Add(columns, 1, wxEXPAND | wxALL, 2 * kGap);
  top->Add(Button(this, kIdExit, "Exit"), 0, wxALIGN_RIGHT | wxRIGHT | wxBOTTOM, 2 * kGap);
  SetSizerAndFit(top);
  CentreOnParent();
}

wxSizer* ReceiptDialog::BuildOpenFrame() {
  wxStaticBoxSizer* frame = Frame(this, "Отваряне на бон");
  wxWindow* box = frame->GetStaticBox();
  AddNumber(operator_, kIdOperator, box, 3);
  operatorSpin_ = new wxSpinButton(box, kIdOperatorSpin, wxDefaultPosition, wxDefaultSize,
                                   wxSP_VERTICAL | wxSP_ARROW_KEYS);
  operatorSpin_->SetRange(Limit::kFirstOperator, Limit::kLastOperator);
  operatorSpin_->SetValue(1);
  frame->Add(Row({Label(box, "Номер на оператор"), operator_.edit, operatorSpin_}), 0, wxALL, kGap);
  frame->Add(ButtonRow(box, {{kIdOpenService, "Служебен"}, {kIdOpenFiscal, "Фискален"}}), 0, wxALL,
             kGap);
  withVat_ = new wxCheckBox(box, kIdWithVat, FromUtf8("С ДДС"));
  detailed_ = new wxCheckBox(box, kIdDetailed, FromUtf8("Подробен"));
  invoice_ = new wxCheckBox(box, kIdInvoice, FromUtf8("Фактура"));
  frame->Add(Row({withVat_, detailed_, invoice_}), 0, wxALL, kGap);
  return frame;
}

wxSizer* ReceiptDialog::BuildCloseFrame() {
  wxStaticBoxSizer* frame = Frame(this, "Затваряне на бон");
  wxWindow* box = frame->GetStaticBox();
  frame->Add(ButtonRow(box, {{kIdCloseService, "Служебен"}, {kIdCloseFiscal, "Фискален"}}), 0,
             wxALL, kGap);
  lastReceipt_ = new ColorLabel(box, kIdLastReceipt, wxEmptyString);
  lastReceipt_->SetMinSize(wxSize(GetCharWidth() * 8, -1));
  lastReceipt_->SetLabelColor(wxColour(255, 0, 0));
  frame->Add(Row({Label(box, "N Посл.Бон:"), lastReceipt_}), 0, wxALL, kGap);
  frame->Add(
      ButtonRow(box, {{kIdGetLastReceipt, "Get Посл.Бон"}, {kIdDuplicate, "Печат на дубликат"}}), 0,
      wxALL, kGap);
  return frame;
}

wxSizer* ReceiptDialog::BuildArticleFrame() {
  wxStaticBoxSizer* frame = Frame(this, "Продажба на артикул от ФПр");
  wxWindow* box = frame->GetStaticBox();
  wxFlexGridSizer* grid = Grid(3);
  LabelledRow(grid, box,
              "Артикул номер:", AddNumber(articleNumber_, kIdArticleNumber, box, 5).edit);
  AddQuantityAndPercent(grid, box, articleQuantity_, kIdArticleQuantity, articlePercent_,
                        kIdArticlePercent);
  frame->Add(grid, 0, wxALL, kGap);
  frame->Add(SaleButtons(box, kIdArticleSell, kIdArticleVoid), 0, wxALL, kGap);
  return frame;
}

wxSizer* ReceiptDialog::BuildSubtotalFrame() {
  wxStaticBoxSizer* frame = Frame(this, "Междинна сума");
  wxWindow* box = frame->GetStaticBox();
  subtotalPrint_ = new wxCheckBox(box, kIdSubtotalPrint, FromUtf8("Печат"));
  subtotalDisplay_ = new wxCheckBox(box, kIdSubtotalDisplay, FromUtf8("Визуализиране на Дисплея"));
  subtotalIsAmount_ = new wxCheckBox(box, kIdSubtotalIsAmount, FromUtf8("Стойност"));
  frame->Add(Row({subtotalPrint_, subtotalDisplay_}), 0, wxALL, kGap);
  frame->Add(subtotalIsAmount_, 0, wxLEFT | wxRIGHT, kGap);
  wxFlexGridSizer* grid = Grid(3);
  // The unit follows the kind of value, so it is a control of its own.
  grid->Add(Label(box, "Надбавка/Отстъпка:"), 0, wxALIGN_CENTER_VERTICAL);
  grid->Add(AddNumber(subtotalValue_, kIdSubtotalValue, box, 10).edit);
  subtotalUnit_ = new wxStaticText(box, kIdSubtotalUnit, "%");
  subtotalUnit_->SetMinSize(wxSize(GetCharWidth() * 2, -1));
  grid->Add(subtotalUnit_, 0, wxALIGN_CENTER_VERTICAL);
  LabelledRow(grid, box, "Сума:", AddNumber(subtotalSum_, kIdSubtotalSum, box, 10).edit);
  frame->Add(grid, 0, wxALL, kGap);
  frame->Add(Button(box, kIdApply, "Apply"), 0, wxALL, kGap);
  return frame;
}

wxSizer* ReceiptDialog::BuildItemFrame() {
  wxStaticBoxSizer* frame = Frame(this, "Продажба на свободен артикул");
  wxWindow* box = frame->GetStaticBox();
  itemName_ = new wxTextCtrl(box, kIdItemName);
  frame->Add(Row({Label(box, "Име:")}), 0, wxLEFT | wxRIGHT | wxTOP, kGap);
  frame->Add(itemName_, 0, wxEXPAND | wxALL, kGap);
  wxFlexGridSizer* grid = Grid(3);
  taxGroup_ = Choice(box, kIdTaxGroup, {"А", "Б", "В", "Г", "Д", "Е", "Ж", "З"}, 1);
  LabelledRow(grid, box, "Дан.Група:", taxGroup_);
  LabelledRow(grid, box, "Цена:", AddNumber(itemPrice_, kIdItemPrice, box, 10).edit);
  AddQuantityAndPercent(grid, box, itemQuantity_, kIdItemQuantity, itemPercent_, kIdItemPercent);
  frame->Add(grid, 0, wxALL, kGap);
  frame->Add(SaleButtons(box, kIdItemSell, kIdItemVoid), 0, wxALL, kGap);
  return frame;
}

wxSizer* ReceiptDialog::BuildDepartmentFrame() {
  wxStaticBoxSizer* frame = Frame(this, "Продажба в департамент");
  wxWindow* box = frame->GetStaticBox();
  departmentName_ = new wxTextCtrl(box, kIdDepartmentName);
  departmentName_->SetMaxLength(Limit::kItemText);
  frame->Add(Row({Label(box, "Име:")}), 0, wxLEFT | wxRIGHT | wxTOP, kGap);
  frame->Add(departmentName_, 0, wxEXPAND | wxALL, kGap);
  wxFlexGridSizer* grid = Grid(3);
  departmentNumber_ = new wxTextCtrl(box, kIdDepartmentNumber, "1", wxDefaultPosition,
                                     wxSize(GetCharWidth() * 4 + 16, -1));
  departmentSpin_ = new wxSpinButton(box, kIdDepartmentSpin, wxDefaultPosition, wxDefaultSize,
                                     wxSP_VERTICAL | wxSP_ARROW_KEYS);
  departmentSpin_->SetRange(1, 19);
  departmentSpin_->SetValue(1);
  LabelledRow(grid, box, "Номер:", Row({departmentNumber_, departmentSpin_}));
  LabelledRow(grid, box, "Цена:", AddNumber(departmentPrice_, kIdDepartmentPrice, box, 10).edit);
  AddQuantityAndPercent(grid, box, departmentQuantity_, kIdDepartmentQuantity, departmentPercent_,
                        kIdDepartmentPercent);
  frame->Add(grid, 0, wxALL, kGap);
  frame->Add(SaleButtons(box, kIdDepartmentSell, kIdDepartmentVoid), 0, wxALL, kGap);
  return frame;
}

wxSizer* ReceiptDialog::BuildTextFrame() {
  wxStaticBoxSizer* frame = Frame(this, "Свободен текст");
  wxWindow* box = frame->GetStaticBox();
  freeText_ = new wxTextCtrl(box, kIdFreeText);
  frame->Add(freeText_, 0, wxEXPAND | wxALL, kGap);
  alignment_ = Choice(box, kIdAlignment, {"Left", "Centered", "Right"}, 0);
  frame->Add(Row({alignment_, Button(box, kIdPrintText, "Печат")}), 0, wxALL, kGap);
  return frame;
}

wxSizer* ReceiptDialog::BuildInfoFrame() {
  wxStaticBoxSizer* frame = Frame(this, "Информация за текущия бон");
  wxWindow* box = frame->GetStaticBox();
  struct BoxDef {
    int id;
    const char* caption;
  };
  const BoxDef boxes[] = {{kIdInfoOpen, "Отворен бон"},
                          {kIdInfoWithVat, "С ДДС"},
                          {kIdInfoVoidForbidden, "Забранен Войд"},
                          {kIdInfoDetailed, "Подробен"},
                          {kIdInfoPaymentStarted, "Започнато плащане"},
                          {kIdInfoPaymentFinished, "Завършено плащане"},
                          {kIdInfoInvoice, "Фактура"}};
  auto* checks = new wxGridSizer(2, kGap, 2 * kGap);
  for (size_t i = 0; i < infoBoxes_.size(); ++i) {
    // Read-only: they show what the printer reports. They stay enabled so that
    // they read clearly; a click is undone and they take no keyboard focus.
    infoBoxes_[i] = new wxCheckBox(box, boxes[i].id, FromUtf8(boxes[i].caption));
    infoBoxes_[i]->DisableFocusFromKeyboard();
    infoBoxes_[i]->Bind(wxEVT_CHECKBOX,
                        [this, i](wxCommandEvent&) { infoBoxes_[i]->SetValue(infoShown_[i]); });
    checks->Add(infoBoxes_[i]);
  }
  frame->Add(checks, 0, wxALL, kGap);

  wxFlexGridSizer* grid = Grid(2);
  LabelledPair(grid, box,
               "Последно ресто:", AddNumber(lastChange_, kIdInfoLastChange, box, 10).edit);
  LabelledPair(grid, box, "Тип на последното ресто:",
               AddNumber(lastChangeType_, kIdInfoLastChangeType, box, 2).edit);
  LabelledPair(grid, box, "Брой Покупки:", AddNumber(purchases_, kIdInfoPurchases, box, 4).edit);
  frame->Add(grid, 0, wxALL, kGap);

  frame->Add(Label(box, "Междинна сума по групи:"), 0, wxLEFT | wxRIGHT | wxTOP, kGap);
  const char* names[] = {"Група А:", "Група Б:", "Група В:", "Група Г:",
                         "Група Д:", "Група Е:", "Група Ж:", "Група З:"};
  wxFlexGridSizer* groups = Grid(4);
  for (int g = 0; g < 8; ++g) {
    groups->Add(Label(box, names[g]), 0, wxALIGN_CENTER_VERTICAL);
    groups->Add(AddNumber(groups_[static_cast<size_t>(g)], GroupId(g), box, 10).edit);
  }
  frame->Add(groups, 0, wxALL, kGap);
  for (NumberField* f : {&lastChange_, &lastChangeType_, &purchases_}) f->edit->SetEditable(false);
  for (NumberField& f : groups_) f.edit->SetEditable(false);
  frame->Add(Button(box, kIdInformation, "Информация"), 0, wxALL, kGap);
  return frame;
}

wxSizer* ReceiptDialog::BuildPaymentFrame() {
  wxStaticBoxSizer* frame = Frame(this, "Плащане");
  wxWindow* box = frame->GetStaticBox();
  wxFlexGridSizer* grid = Grid(2);
  grid->Add(Label(box, "Вид плащане:"), 0, wxALIGN_CENTER_VERTICAL);
  paymentType_ = Choice(box, kIdPaymentType, {"0", "1", "2", "3", "4"}, 0);
  noChange_ = new wxToggleButton(box, kIdNoChange, FromUtf8("Без ресто"));
  grid->Add(Row({paymentType_, noChange_}));
  grid->Add(Label(box, "Ресто:"), 0, wxALIGN_CENTER_VERTICAL);
  changeType_ =
      Choice(box, kIdChangeType, {"в брой (пл. 0)", "от типа плащане", "във валута (пл. 4)"}, 1);
  grid->Add(changeType_);
  LabelledPair(grid, box, "Сума:", AddNumber(paymentAmount_, kIdPaymentAmount, box, 10).edit);
  frame->Add(grid, 0, wxALL, kGap);
  frame->Add(Button(box, kIdPay, "Плащане"), 0, wxALL, kGap);
  return frame;
}
