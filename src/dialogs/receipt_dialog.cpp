#include "dialogs/receipt_dialog.h"

#include <algorithm>

#include "dialogs/invoice_data_dialog.h"
#include "dialogs/ui_text.h"
#include "driver/limits.h"
#include "driver/status_flags.h"
#include "driver/text.h"

// --- Number fields -----------------------------------------------------------

void ReceiptDialog::NumberField::Configure(const NumericFieldConfig& c) {
  config = c;
  if (c.decimal)
    edit->ConfigureDecimal(c.minimum, c.maximum, c.decimals, c.length, c.fallback);
  else
    edit->ConfigureInteger(static_cast<int>(c.minimum), static_cast<int>(c.maximum), c.length,
                           static_cast<int>(c.fallback));
}

double ReceiptDialog::NumberField::Value() const {
  return edit->DecimalReading().value_or(0.0);
}

// --- Construction -----------------------------------------------------------

void ReceiptDialog::FollowField(wxSpinButton* spin, const wxString& text) {
  const int value = LeadingInteger(ToCp1251(text));
  spin->SetValue(std::clamp(value, spin->GetMin(), spin->GetMax()));
}

ReceiptDialog::ReceiptDialog(wxWindow* parent, UiHost* ui, const PrinterLine& line,
                             DialogServices services)
    : PrinterDialog(parent, FromUtf8("Операции с бонове"), ui, line, std::move(services)) {
  invoiceSource_ = [this] { return InvoiceDataDialog::Ask(this, Services()); };
  BuildControls();

  // Printer lines in the fixed-pitch font, limited to what the printer takes.
  freeText_ = CreateMonospaceEdit(freeText_, 0, false);
  freeText_->SetMaxLength(Limit::kCommentText);
  itemName_ = CreateMonospaceEdit(itemName_, 0, false);
  itemName_->SetMaxLength(Limit::kItemText);

  // Fixed configurations; the amount fields follow the printer once it is read.
  purchases_.Configure({false, 0, 999, 0, 3, 0});
  lastChangeType_.Configure({false, 0, 9, 0, 1, 0});
  operator_.Configure({false, 1, 9, 0, 1, 1});
  articleNumber_.Configure({false, 1, 1000, 0, 4, 1});
  for (NumberField* f : {&articleQuantity_, &itemQuantity_, &departmentQuantity_})
    f->Configure(QuantityFieldConfig());
  for (NumberField* f : {&articlePercent_, &itemPercent_, &departmentPercent_, &subtotalValue_})
    f->Configure(PercentFieldConfig());
  ConfigureByMode();

  Bind(wxEVT_BUTTON, &ReceiptDialog::OnButton, this);
  SetExitButton(kIdExit, kResultChanged);
  Bind(wxEVT_CHECKBOX, &ReceiptDialog::OnIsAmountChanged, this, kIdSubtotalIsAmount);
  Bind(wxEVT_CHOICE, &ReceiptDialog::OnAlignmentChanged, this, kIdAlignment);
  // Each up-down control steps the number its field holds, also when typed.
  operatorSpin_->Bind(wxEVT_SPIN,
                      [this](wxSpinEvent& e) { operator_.edit->SetIntegerValue(e.GetPosition()); });
  departmentSpin_->Bind(wxEVT_SPIN, [this](wxSpinEvent& e) {
    departmentNumber_->ChangeValue(wxString::Format("%d", e.GetPosition()));
  });
  Bind(wxEVT_TEXT, [this](wxCommandEvent& e) {
    if (e.GetId() == kIdOperator) FollowField(operatorSpin_, operator_.edit->GetValue());
    if (e.GetId() == kIdDepartmentNumber)
      FollowField(departmentSpin_, departmentNumber_->GetValue());
    e.Skip();
  });
}

// --- Opening ----------------------------------------------------------------

void ReceiptDialog::ConfigureByMode() {
  itemPrice_.Configure(PriceFieldConfig(decimalMode_));
  departmentPrice_.Configure(PriceFieldConfig(decimalMode_));
  paymentAmount_.Configure(PaymentFieldConfig(decimalMode_));
  const NumericFieldConfig amounts = AmountDisplayFieldConfig(decimalMode_);
  subtotalSum_.Configure(amounts);
  lastChange_.Configure(amounts);
  for (NumberField& f : groups_) f.Configure(amounts);
  // A subtotal value entered as an amount follows the mode as well.
  if (subtotalIsAmount_->GetValue())
    subtotalValue_.Configure(SubtotalValueConfig(true, decimalMode_, subtotalValue_.Value()));
}

bool ReceiptDialog::Open() {
  const auto printer = OpenPrinter();
  StatusFlags flags{};
  if (!printer->IsConnected() || !CallDone(printer->ReadStatus(flags), printer->LastOutcome())) {
    CloseItself(kResultChanged);
    return false;
  }
  decimalMode_ = DecimalModeFromStatus(flags);
  ConfigureByMode();
  if (flags[Flag::kFiscalReceiptOpen]) RefreshWhileHolding(*printer);
  return true;
}

// --- Actions ----------------------------------------------------------------

ReceiptForm ReceiptDialog::Form() const {
  ReceiptForm f;
  f.operatorNumber = static_cast<int>(operator_.Value());
  f.withVat = withVat_->GetValue();
  f.detailed = detailed_->GetValue();
  f.invoice = invoice_->GetValue();

  // Texts an action prints are taken again by TextsReady, without loss.
  f.itemName = ToCp1251(itemName_->GetValue());
  f.taxGroup = taxGroup_->GetSelection();
  f.itemPrice = itemPrice_.Value();
  f.itemQuantity = itemQuantity_.Value();
  f.itemPercent = itemPercent_.Value();

  f.articleNumber = static_cast<int>(articleNumber_.Value());
  f.articleQuantity = articleQuantity_.Value();
  f.articlePercent = articlePercent_.Value();

  f.departmentName = ToCp1251(departmentName_->GetValue());
  f.departmentNumber = ToCp1251(departmentNumber_->GetValue());
  f.departmentPrice = departmentPrice_.Value();
  f.departmentQuantity = departmentQuantity_.Value();
  f.departmentPercent = departmentPercent_.Value();

  f.subtotalValue = subtotalValue_.Value();
  f.subtotalIsAmount = subtotalIsAmount_->GetValue();
  f.subtotalPrint = subtotalPrint_->GetValue();
  f.subtotalDisplay = subtotalDisplay_->GetValue();

  f.freeText = ToCp1251(freeText_->GetValue());
  f.alignment = alignment_->GetSelection();

  f.paymentType = paymentType_->GetSelection();
  f.noChange = noChange_->GetValue();
  f.changeType = changeType_->GetSelection();
  f.paymentAmount = paymentAmount_.Value();
  return f;
}

void ReceiptDialog::OnButton(wxCommandEvent& event) {
  static const struct {
    int id;
    ReceiptAction action;
  } kButtons[] = {
      {kIdOpenService, ReceiptAction::kOpenService},
      {kIdOpenFiscal, ReceiptAction::kOpenFiscal},
      {kIdCloseService, ReceiptAction::kCloseService},
      {kIdCloseFiscal, ReceiptAction::kCloseFiscal},
      {kIdGetLastReceipt, ReceiptAction::kGetLastReceipt},
      {kIdDuplicate, ReceiptAction::kPrintDuplicate},
      {kIdItemSell, ReceiptAction::kSellItem},
      {kIdItemVoid, ReceiptAction::kVoidItem},
      {kIdArticleSell, ReceiptAction::kSellArticle},
      {kIdArticleVoid, ReceiptAction::kVoidArticle},
      {kIdDepartmentSell, ReceiptAction::kSellDepartment},
      {kIdDepartmentVoid, ReceiptAction::kVoidDepartment},
      {kIdApply, ReceiptAction::kApply},
      {kIdPrintText, ReceiptAction::kPrintText},
      {kIdInformation, ReceiptAction::kInformation},
      {kIdPay, ReceiptAction::kPay},
  };
  for (const auto& b : kButtons) {
    if (b.id != event.GetId()) continue;
    if (b.action == ReceiptAction::kInformation)
      RunInformation();
    else
      RunAction(b.action);
    return;
  }
  event.Skip();
}

bool ReceiptDialog::NumbersReady(ReceiptAction action) {
  // Frame captions name the field where several share one label.
  static constexpr const char* kItem = "Продажба на свободен артикул";
  static constexpr const char* kArticle = "Продажба на артикул от ФПр";
  static constexpr const char* kDepartment = "Продажба в департамент";
  static constexpr const char* kQuantity = "Количество";
  static constexpr const char* kPercent = "Надбавка/Отстъпка";
  for (ReceiptNumber n : NumbersReadBy(action)) {
    if (n == ReceiptNumber::kDepartmentNumber) {
      // A plain text field: its leading integer is the department.
      if (!ReadField(departmentNumber_, departmentNumber_->GetValue(), DepartmentNumberRule(),
                     "Номер", kDepartment))
        return false;
      continue;
    }
    const struct {
      ReceiptNumber number;
      NumberField* field;
      const char* name;
      const char* frame;
    } kFields[] = {
        {ReceiptNumber::kOperator, &operator_, "Номер на оператор", ""},
        {ReceiptNumber::kItemPrice, &itemPrice_, "Цена", kItem},
        {ReceiptNumber::kItemQuantity, &itemQuantity_, kQuantity, kItem},
        {ReceiptNumber::kItemPercent, &itemPercent_, kPercent, kItem},
        {ReceiptNumber::kArticleNumber, &articleNumber_, "Артикул номер", ""},
        {ReceiptNumber::kArticleQuantity, &articleQuantity_, kQuantity, kArticle},
        {ReceiptNumber::kArticlePercent, &articlePercent_, kPercent, kArticle},
        {ReceiptNumber::kDepartmentPrice, &departmentPrice_, "Цена", kDepartment},
        {ReceiptNumber::kDepartmentQuantity, &departmentQuantity_, kQuantity, kDepartment},
        {ReceiptNumber::kDepartmentPercent, &departmentPercent_, kPercent, kDepartment},
        {ReceiptNumber::kSubtotalValue, &subtotalValue_, kPercent, "Междинна сума"},
        {ReceiptNumber::kPaymentAmount, &paymentAmount_, "Сума", "Плащане"},
    };
    for (const auto& f : kFields) {
      if (f.number == n && !ReadField(f.field->edit, f.name, f.frame)) return false;
    }
  }
  return true;
}

bool ReceiptDialog::TextsReady(ReceiptAction action, ReceiptForm& form) {
  for (ReceiptText t : TextsReadBy(action)) {
    const struct {
      ReceiptText text;
      wxTextCtrl* field;
      const char* name;
      const char* frame;
      std::string* value;
    } kFields[] = {
        {ReceiptText::kItemName, itemName_, "Име", "Продажба на свободен артикул", &form.itemName},
        {ReceiptText::kDepartmentName, departmentName_, "Име", "Продажба в департамент",
         &form.departmentName},
        {ReceiptText::kFreeText, freeText_, "Свободен текст", "", &form.freeText},
    };
    for (const auto& f : kFields) {
      if (f.text != t) continue;
      const std::optional<std::string> text = PrinterText(f.field, f.name, f.frame);
      if (!text) return false;
      *f.value = *text;
    }
  }
  return true;
}

void ReceiptDialog::RunAction(ReceiptAction action) {
  ReceiptForm form = Form();
  if (!NumbersReady(action) || !TextsReady(action, form)) return;
  const auto printer = OpenPrinter();
  if (!printer->IsConnected()) return;
  const ReceiptOutcome out = RunReceiptAction(*printer, action, form, invoiceSource_);
  if (out.lastReceiptNumber) lastReceipt_->SetLabel(wxString::Format("%d", *out.lastReceiptNumber));
  if (out.subtotal) subtotalSum_.edit->SetDecimalValue(*out.subtotal);
  if (out.stateRead) ShowState(out.state);
  switch (out.follow) {
    case ReceiptOutcome::Follow::kRefresh:
      RefreshWhileHolding(*printer);
      break;
    case ReceiptOutcome::Follow::kPostInfo:
      // Runs from the event loop, after this handler has closed the port.
      CallAfter(&ReceiptDialog::RunInformation);
      break;
    case ReceiptOutcome::Follow::kNone:
      break;
  }
}

void ReceiptDialog::RunInformation() {
  const auto printer = OpenPrinter();
  // Without a connection nothing can be read: the frame must not keep showing
  // a receipt that may no longer be there.
  ShowState(printer->IsConnected() ? ReadReceiptInfo(*printer) : std::nullopt);
}

void ReceiptDialog::RefreshWhileHolding(FiscalPrinter& printer) {
  printer.Disconnect();
  RunInformation();
  printer.Reconnect();
}

void ReceiptDialog::ShowState(const std::optional<ReceiptState>& state) {
  if (!state) {
    infoShown_.fill(false);
    for (wxCheckBox* box : infoBoxes_) box->SetValue(false);
    purchases_.edit->SetIntegerValue(0);
    lastChangeType_.edit->SetIntegerValue(0);
    lastChange_.edit->SetDecimalValue(0);
    for (NumberField& f : groups_) f.edit->SetDecimalValue(0);
    return;
  }
  const ReceiptState& s = *state;
  infoShown_ = {s.open,           s.withVat,         s.voidForbidden, s.detailed,
                s.paymentStarted, s.paymentFinished, s.invoice};
  for (size_t i = 0; i < infoBoxes_.size(); ++i) infoBoxes_[i]->SetValue(infoShown_[i]);
  for (size_t g = 0; g < groups_.size(); ++g) groups_[g].edit->SetDecimalValue(s.groupSubtotals[g]);
  lastChange_.edit->SetDecimalValue(s.lastChange);
  lastChangeType_.edit->SetIntegerValue(s.lastChangeType);
  purchases_.edit->SetIntegerValue(s.purchases);
}

// --- Change handlers --------------------------------------------------------

void ReceiptDialog::OnIsAmountChanged(wxCommandEvent&) {
  const bool isAmount = subtotalIsAmount_->GetValue();
  subtotalUnit_->SetLabel(isAmount ? "" : "%");
  subtotalValue_.Configure(SubtotalValueConfig(isAmount, decimalMode_, subtotalValue_.Value()));
}

void ReceiptDialog::OnAlignmentChanged(wxCommandEvent&) {
  RecreateFreeText(alignment_->GetSelection());
}

void ReceiptDialog::RecreateFreeText(int alignment) {
  // The operator sees the line aligned as it will be printed.
  freeText_ = CreateMonospaceEdit(freeText_, alignment, false);
}
