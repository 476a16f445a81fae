// The receipt operations dialog against a scripted printer: what each button
// sends, the information frame, and the field configurations.
#include <gtest/gtest.h>

#include <mutex>

#include "dialog_fixtures.h"
#include "dialogs/invoice_data_dialog.h"
#include "dialogs/receipt_dialog.h"
#include "driver/cp1251.h"
#include "driver/text.h"

namespace {

constexpr int kPort = 5;
using Reply = FakeDevice::Reply;
using Frame = FakeDevice::ReceivedFrame;
using D = ReceiptDialog;

// The printer's answer to the receipt state read (command 0x72).
struct StateReply {
  bool open = true;
  int purchases = 0;
  std::array<double, 8> groups{};
  bool voidForbidden = false, withVat = false, detailed = false;
  bool paymentStarted = false, paymentFinished = false, invoice = false;
  double lastChange = 0;
  int changeType = 0;

  std::string Text() const {
    std::string r(129, ' ');
    auto put = [&r](size_t at, const std::string& s) { r.replace(at, s.size(), s); };
    auto flag = [](bool b) { return std::string(b ? "1" : "0"); };
    put(0, flag(open));
    put(2, Sprintf("%03d", purchases));
    const size_t groupAt[8] = {6, 18, 30, 70, 82, 94, 106, 118};
    for (size_t g = 0; g < 8; ++g) put(groupAt[g], Sprintf("%11.2f", groups[g]));
    put(42, flag(voidForbidden));
    put(44, flag(withVat));
    put(46, flag(detailed));
    put(48, flag(paymentStarted));
    put(50, flag(paymentFinished));
    put(54, flag(invoice));
    put(56, Sprintf("%11.2f", lastChange));
    put(68, Sprintf("%d", changeType));
    return r;
  }
};

class ReceiptDialogTest : public ScriptedPrinterDialogTest {
 protected:
  ReceiptDialogTest() : ScriptedPrinterDialogTest(kPort) {}

  void SetUp() override {
    ScriptedPrinterDialogTest::SetUp();
    SetPrinter({14, 22, 23, 24}, '2');
    device_.SetHandler([this](const Frame& f) { return Answer(f); });
  }

  void SetPrinter(const std::vector<int>& flags, char decimals) {
    std::lock_guard<std::mutex> l(mu_);
    flags_ = flags;
    decimals_ = decimals;
  }
  void SetState(const StateReply& s) {
    std::lock_guard<std::mutex> l(mu_);
    state_ = s.Text();
  }
  void SetSubtotal(const std::string& s) {
    std::lock_guard<std::mutex> l(mu_);
    subtotal_ = s;
  }

  Reply Answer(const Frame& f) {
    std::lock_guard<std::mutex> l(mu_);
    switch (f.cmd) {
      case 0x20:
        return Reply::Data(FakeDevice::StatusBytes(flags_));
      case 0x38:  // closing a fiscal receipt: none is open afterwards
        std::erase(flags_, 14);
        return Reply::Ack("00");
      case 0x63:
        return Reply::Data(std::string(1, decimals_));
      case 0x6A:  // operator: number, name (20), password (4)
        return Reply::Data(f.data + ";" + FitText("OPERATOR", 20, 0, ' ') + ";" + "1234");
      case 0x71:
        return Reply::Data("0042");
      case 0x72:
        return Reply::Data(state_);
      case 0x33:
        return Reply::Data(subtotal_);
      default:
        return Reply::Ack("00");
    }
  }

  // Command bytes without the status reads and decimal-point queries around them.
  std::vector<uint8_t> Commands() const {
    std::vector<uint8_t> out;
    for (const auto& f : device_.Frames())
      if (f.cmd != 0x20 && f.cmd != 0x63) out.push_back(f.cmd);
    return out;
  }

  std::mutex mu_;
  std::vector<int> flags_;
  char decimals_ = '2';
  std::string state_ = StateReply{}.Text();
  std::string subtotal_ = "0.00";
};

TEST_F(ReceiptDialogTest, OpeningWithoutPrinterClosesBeforeTheUserCanAct) {
  PortMap::Instance().Set(kPort, "/nonexistent/tty-for-receipt-test");
  D dialog(nullptr, &ui_, kPort, Services());
  bool ran = false;
  EXPECT_EQ(RunModal(dialog, [&] { ran = true; }), 1);
  EXPECT_FALSE(ran);
  EXPECT_TRUE(dialog.ClosedItself());
  ASSERT_EQ(ui_.prompts.size(), 1u);
  EXPECT_EQ(ui_.prompts[0].text, "Не може да бъде отворен COM 5");
}

TEST_F(ReceiptDialogTest, OpeningShowsTheOpenReceiptAndExitReturnsOne) {
  StateReply s;
  s.purchases = 3;
  s.groups = {1.5, 20.25, 0, 0, 0, 0, 0, 7.75};
  s.withVat = true;
  s.paymentStarted = true;
  s.lastChange = 0.5;
  s.changeType = 2;
  SetState(s);
  D dialog(nullptr, &ui_, kPort, Services());
  const int result = RunModal(dialog, [&] {
    EXPECT_TRUE(IsChecked(&dialog, D::kIdInfoOpen));
    EXPECT_TRUE(IsChecked(&dialog, D::kIdInfoWithVat));
    EXPECT_TRUE(IsChecked(&dialog, D::kIdInfoPaymentStarted));
    EXPECT_FALSE(IsChecked(&dialog, D::kIdInfoInvoice));
    EXPECT_EQ(TextOf(&dialog, D::kIdInfoPurchases), "3");
    EXPECT_EQ(TextOf(&dialog, D::GroupId(0)), "1.50");
    EXPECT_EQ(TextOf(&dialog, D::GroupId(1)), "20.25");
    EXPECT_EQ(TextOf(&dialog, D::GroupId(7)), "7.75");
    EXPECT_EQ(TextOf(&dialog, D::kIdInfoLastChange), "0.50");
    EXPECT_EQ(TextOf(&dialog, D::kIdInfoLastChangeType), "2");
    Click(&dialog, D::kIdExit);
  });
  EXPECT_EQ(result, 1);
  // The state was read by a driver of its own while the opening one let go.
  const auto reads = FramesOf(0x72);
  ASSERT_EQ(reads.size(), 1u);
  EXPECT_EQ(reads[0].seq, 0x21) << "the information read did not start a driver of its own";
}

TEST_F(ReceiptDialogTest, FreeItemVoidSendsTheSaleWithTheNegatedPrice) {
  D dialog(nullptr, &ui_, kPort, Services());
  ASSERT_TRUE(dialog.Open());
  SetText(&dialog, D::kIdItemName, "Хляб");
  Select(&dialog, D::kIdTaxGroup, 2);
  SetText(&dialog, D::kIdItemPrice, "1.50");
  SetText(&dialog, D::kIdItemQuantity, "2.000");
  SetText(&dialog, D::kIdItemPercent, "-10.00");
  device_.ClearRecords();
  Click(&dialog, D::kIdItemSell);
  Click(&dialog, D::kIdItemVoid);
  const auto sales = FramesOf(0x31);
  ASSERT_EQ(sales.size(), 2u);
  const std::string name = FitText(*Utf8ToCp1251("Хляб"), 36, 0, ' ');
  EXPECT_EQ(sales[0].data, name + ";\xC2;0000001.50*000002.000,-10.00%");
  EXPECT_EQ(sales[1].data, name + ";\xC2;-000001.50*000002.000,-10.00%");
  // Each sale is followed by a state read on a driver of its own.
  EXPECT_EQ(Commands(), (std::vector<uint8_t>{0x31, 0x72, 0x31, 0x72}));
}

TEST_F(ReceiptDialogTest, DepartmentNumberIsItsLeadingIntegerAndInformationIsPosted) {
  D dialog(nullptr, &ui_, kPort, Services());
  ASSERT_TRUE(dialog.Open());
  SetText(&dialog, D::kIdDepartmentName, "Dept");
  SetText(&dialog, D::kIdDepartmentNumber, "7abc");
  SetText(&dialog, D::kIdDepartmentPrice, "2.00");
  device_.ClearRecords();
  Click(&dialog, D::kIdDepartmentVoid);
  const auto sales = FramesOf(0x34);
  ASSERT_EQ(sales.size(), 1u);
  EXPECT_EQ(sales[0].data, FitText("Dept", 36, 0, ' ') + ";\x87;-000002.00*000001.000");
  // The state read waits until the sale's driver has released the port.
  EXPECT_TRUE(FramesOf(0x72).empty());
  StateReply s;
  s.purchases = 1;
  s.groups[1] = -2;
  s.voidForbidden = true;
  SetState(s);
  ProcessPending();
  const auto reads = FramesOf(0x72);
  ASSERT_EQ(reads.size(), 1u);
  EXPECT_EQ(reads[0].seq, 0x21);
  EXPECT_TRUE(IsChecked(&dialog, D::kIdInfoVoidForbidden));
  EXPECT_EQ(TextOf(&dialog, D::kIdInfoPurchases), "1");
}

TEST_F(ReceiptDialogTest, ApplyWithZeroSendsOnlyTheFlagsAndShowsTheSubtotal) {
  D dialog(nullptr, &ui_, kPort, Services());
  ASSERT_TRUE(dialog.Open());
  SetChecked(&dialog, D::kIdSubtotalPrint, true);
  SetText(&dialog, D::kIdSubtotalValue, "0");
  SetSubtotal("12.50");
  device_.ClearRecords();
  Click(&dialog, D::kIdApply);
  const auto subtotals = FramesOf(0x33);
  ASSERT_EQ(subtotals.size(), 2u);
  EXPECT_EQ(subtotals[0].data, "1;0");
  EXPECT_EQ(subtotals[1].data, "0;0");
  EXPECT_EQ(TextOf(&dialog, D::kIdSubtotalSum), "12.50");
  // The state is read with the same driver, right after.
  const auto reads = FramesOf(0x72);
  ASSERT_EQ(reads.size(), 1u);
  EXPECT_GT(reads[0].seq, subtotals[1].seq);
}

TEST_F(ReceiptDialogTest, InvoiceUsesTheInvoiceDataAndIgnoresVatAndDetail) {
  SetPrinter({22, 23, 24}, '2');
  D dialog(nullptr, &ui_, kPort, Services());
  ASSERT_TRUE(dialog.Open());
  SetChecked(&dialog, D::kIdWithVat, true);
  SetChecked(&dialog, D::kIdDetailed, true);
  SetChecked(&dialog, D::kIdInvoice, true);
  SetText(&dialog, D::kIdOperator, "3");
  int asked = 0;
  std::optional<InvoiceData> answer;
  InvoiceDialogAnswerer answerer([&] {
    ++asked;
    return answer;
  });
  Click(&dialog, D::kIdOpenFiscal);  // cancelled
  EXPECT_EQ(asked, 1);
  EXPECT_TRUE(FramesOf(0x30).empty());

  answer = InvoiceData{"Firma", "Ivanov", "BG123", "123", "Sofia"};
  Click(&dialog, D::kIdOpenFiscal);
  const auto opens = FramesOf(0x30);
  ASSERT_EQ(opens.size(), 1u);
  EXPECT_EQ(opens[0].data, "3;1234;0;0;1;" + FitText("Firma", 26, 0, ' ') + ";" +
                               FitText("Ivanov", 16, 0, ' ') + ";" + FitText("BG123", 13, 0, ' ') +
                               ";" + FitText("123", 13, 0, ' ') + ";" +
                               FitText("Sofia", 30, 0, ' ') + ";");
  ASSERT_EQ(FramesOf(0x6A).size(), 2u);
  EXPECT_EQ(FramesOf(0x6A)[0].data, "3");

  // Without "Фактура" the flags go to an ordinary fiscal receipt.
  SetChecked(&dialog, D::kIdInvoice, false);
  Click(&dialog, D::kIdOpenFiscal);
  ASSERT_EQ(FramesOf(0x30).size(), 2u);
  EXPECT_EQ(FramesOf(0x30)[1].data, "3;1234;1;1");
}

TEST_F(ReceiptDialogTest, InformationIsClearedWhenTheStateCannotBeRead) {
  StateReply s;
  s.purchases = 4;
  s.groups[0] = 9.99;
  s.invoice = true;
  s.lastChange = 1;
  s.changeType = 1;
  SetState(s);
  D dialog(nullptr, &ui_, kPort, Services());
  ASSERT_TRUE(dialog.Open());
  ASSERT_TRUE(IsChecked(&dialog, D::kIdInfoInvoice));
  ASSERT_EQ(TextOf(&dialog, D::kIdInfoPurchases), "4");
  // The frame only shows what the printer said: clicks on its boxes are undone.
  SetChecked(&dialog, D::kIdInfoInvoice, false);
  SetChecked(&dialog, D::kIdInfoDetailed, true);
  EXPECT_TRUE(IsChecked(&dialog, D::kIdInfoInvoice));
  EXPECT_FALSE(IsChecked(&dialog, D::kIdInfoDetailed));

  device_.Queue(0x72, Reply::Nack());
  Click(&dialog, D::kIdInformation);
  for (int id : {D::kIdInfoOpen, D::kIdInfoWithVat, D::kIdInfoVoidForbidden, D::kIdInfoDetailed,
                 D::kIdInfoPaymentStarted, D::kIdInfoPaymentFinished, D::kIdInfoInvoice})
    EXPECT_FALSE(IsChecked(&dialog, id)) << id;
  EXPECT_EQ(TextOf(&dialog, D::kIdInfoPurchases), "0");
  EXPECT_EQ(TextOf(&dialog, D::kIdInfoLastChangeType), "0");
  EXPECT_EQ(TextOf(&dialog, D::kIdInfoLastChange), "0.00");
  EXPECT_EQ(TextOf(&dialog, D::GroupId(0)), "0.00");
  ASSERT_FALSE(ui_.prompts.empty());
  EXPECT_EQ(ui_.prompts.back().text, "Получен е NACK");
}

TEST_F(ReceiptDialogTest, ClosingShowsTheLastReceiptAndPostsInformation) {
  D dialog(nullptr, &ui_, kPort, Services());
  ASSERT_TRUE(dialog.Open());
  device_.ClearRecords();
  SetSubtotal("0.00");
  Click(&dialog, D::kIdCloseFiscal);
  EXPECT_EQ(TextOf(&dialog, D::kIdLastReceipt), "42");
  EXPECT_TRUE(FramesOf(0x72).empty());
  ProcessPending();
  EXPECT_EQ(FramesOf(0x72).size(), 1u);
  auto* label = dynamic_cast<ColorLabel*>(dialog.FindWindow(D::kIdLastReceipt));
  ASSERT_NE(label, nullptr);
  EXPECT_EQ(label->GetLabelColor(), wxColour(255, 0, 0));
}

TEST_F(ReceiptDialogTest, PaymentSendsTheListIndexesAndTheAmount) {
  StateReply s;  // an open receipt, payment not finished
  SetState(s);
  D dialog(nullptr, &ui_, kPort, Services());
  ASSERT_TRUE(dialog.Open());
  Select(&dialog, D::kIdPaymentType, 4);
  Select(&dialog, D::kIdChangeType, 2);
  SetChecked(&dialog, D::kIdNoChange, true);
  SetText(&dialog, D::kIdPaymentAmount, "25.30");
  Click(&dialog, D::kIdPay);
  const auto payments = FramesOf(0x35);
  ASSERT_EQ(payments.size(), 1u);
  EXPECT_EQ(payments[0].data, "4;1;0000025.30;2;");
}

TEST_F(ReceiptDialogTest, ValueKindSwitchesTheSubtotalField) {
  D dialog(nullptr, &ui_, kPort, Services());
  ASSERT_TRUE(dialog.Open());
  auto* value = dynamic_cast<NumericEdit*>(dialog.FindWindow(D::kIdSubtotalValue));
  SetChecked(&dialog, D::kIdSubtotalIsAmount, true);
  EXPECT_EQ(TextOf(&dialog, D::kIdSubtotalUnit), "");
  EXPECT_EQ(value->Rule().DecimalMaximum(), 999999.99);
  SetText(&dialog, D::kIdSubtotalValue, "150.00");
  SetChecked(&dialog, D::kIdSubtotalIsAmount, false);
  EXPECT_EQ(TextOf(&dialog, D::kIdSubtotalUnit), "%");
  EXPECT_EQ(TextOf(&dialog, D::kIdSubtotalValue), "0.00");
  EXPECT_EQ(value->Rule().DecimalMaximum(), 99.99);
  SetText(&dialog, D::kIdSubtotalValue, "5.5");
  SetChecked(&dialog, D::kIdSubtotalIsAmount, true);
  SetChecked(&dialog, D::kIdSubtotalIsAmount, false);
  EXPECT_EQ(TextOf(&dialog, D::kIdSubtotalValue), "5.50");
}

TEST_F(ReceiptDialogTest, AlignmentRecreatesTheFreeTextKeepingTextAndLimit) {
  D dialog(nullptr, &ui_, kPort, Services());
  ASSERT_TRUE(dialog.Open());
  SetText(&dialog, D::kIdFreeText, "Благодарим Ви!");
  Select(&dialog, D::kIdAlignment, 1);
  auto* edit = dynamic_cast<MonospaceEdit*>(dialog.FindWindow(D::kIdFreeText));
  ASSERT_NE(edit, nullptr);
  EXPECT_EQ(edit->MaxLength(), 34u);
  EXPECT_TRUE(edit->HasFlag(wxTE_CENTRE));
  EXPECT_EQ(TextOf(&dialog, D::kIdFreeText), "Благодарим Ви!");
  Click(&dialog, D::kIdPrintText);
  const auto lines = FramesOf(0x37);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0].data, FitText(*Utf8ToCp1251("Благодарим Ви!"), 34, 1, ' '));
  auto* name = dynamic_cast<MonospaceEdit*>(dialog.FindWindow(D::kIdItemName));
  ASSERT_NE(name, nullptr);
  EXPECT_EQ(name->MaxLength(), 36u);
}

TEST_F(ReceiptDialogTest, UpDownControlsStepTheTypedNumber) {
  D dialog(nullptr, &ui_, kPort, Services());
  auto* spin = dynamic_cast<wxSpinButton*>(dialog.FindWindow(D::kIdDepartmentSpin));
  ASSERT_NE(spin, nullptr);
  // Typing moves the control; a number beyond its range puts it at the end.
  auto type = [&](const char* text) {
    auto* edit = dynamic_cast<wxTextCtrl*>(dialog.FindWindow(D::kIdDepartmentNumber));
    edit->SetValue(text);  // sends the text event as typing does
  };
  type("12abc");
  EXPECT_EQ(spin->GetValue(), 12);
  type("40");
  EXPECT_EQ(spin->GetValue(), 19);
  // A step writes the control's number into the field.
  spin->SetValue(5);
  wxSpinEvent step(wxEVT_SPIN, D::kIdDepartmentSpin);
  step.SetPosition(5);
  step.SetEventObject(spin);
  spin->GetEventHandler()->ProcessEvent(step);
  EXPECT_EQ(TextOf(&dialog, D::kIdDepartmentNumber), "5");
  auto* opSpin = dynamic_cast<wxSpinButton*>(dialog.FindWindow(D::kIdOperatorSpin));
  dynamic_cast<wxTextCtrl*>(dialog.FindWindow(D::kIdOperator))->SetValue("7");
  EXPECT_EQ(opSpin->GetValue(), 7);
}

TEST(InvoiceDataDialogTest, FieldsGoToTheirPlacesWithinThePrinterWidths) {
  InvoiceDataDialog dialog(nullptr);
  const struct {
    int id;
    unsigned long limit;
  } limits[] = {{InvoiceDataDialog::kIdRecipient, 26},
                {InvoiceDataDialog::kIdBuyer, 16},
                {InvoiceDataDialog::kIdIdNumber, 13},
                {InvoiceDataDialog::kIdVatNumber, 13},
                {InvoiceDataDialog::kIdAddress, 30}};
  for (const auto& l : limits) {
    // Typing stops at the limit: one character more is not taken.
    wxTextCtrl* edit = dialog.Field(l.id);
    edit->ChangeValue(wxString(' ', l.limit));
    edit->SetInsertionPointEnd();
    edit->WriteText("x");
    EXPECT_EQ(edit->GetValue().length(), l.limit) << l.id;
  }
  const int result = RunModal(dialog, [&] {
    SetText(&dialog, InvoiceDataDialog::kIdRecipient, "Фирма ООД");
    SetText(&dialog, InvoiceDataDialog::kIdBuyer, "Иванов");
    SetText(&dialog, InvoiceDataDialog::kIdIdNumber, "123456786");
    SetText(&dialog, InvoiceDataDialog::kIdVatNumber, "BG123456786");
    SetText(&dialog, InvoiceDataDialog::kIdAddress, "София");
    Click(&dialog, wxID_OK);
  });
  EXPECT_EQ(result, wxID_OK);
  const InvoiceData d = dialog.Data();
  EXPECT_EQ(d.recipient, *Utf8ToCp1251("Фирма ООД"));
  EXPECT_EQ(d.buyer, *Utf8ToCp1251("Иванов"));
  EXPECT_EQ(d.idNumber, "123456786");
  EXPECT_EQ(d.vatNumber, "BG123456786");
  EXPECT_EQ(d.address, *Utf8ToCp1251("София"));

  InvoiceDataDialog cancelled(nullptr);
  EXPECT_EQ(RunModal(cancelled, [&] { Click(&cancelled, wxID_CANCEL); }), wxID_CANCEL);
}

}  // namespace
