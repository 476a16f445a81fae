// Number fields typed into as an operator would (key events into the real
// controls of the receipt dialog), and what the simulated printer then holds:
// no lone sign, comma or stray point ever turns into a wrong amount.
#include <gtest/gtest.h>

#include <wx/clipbrd.h>
#include <wx/dataobj.h>

#include "dialog_fixtures.h"
#include "dialogs/receipt_dialog.h"
#include "driver/cp1251.h"

namespace {

constexpr int kPort = 8;
using D = ReceiptDialog;

class NumberFieldsSimTest : public SimPrinterDialogTest {
 protected:
  NumberFieldsSimTest() : SimPrinterDialogTest(kPort) {}

  void OpenDialog() {
    dialog_ = std::make_unique<D>(nullptr, &ui_, kPort, Services());
    ASSERT_TRUE(dialog_->Open());
  }

  NumericEdit* Field(int id) { return dynamic_cast<NumericEdit*>(dialog_->FindWindow(id)); }

  void Key(int id, int key, wxChar uni) {
    wxWindow* target = dialog_->FindWindow(id);
    wxKeyEvent ev(wxEVT_CHAR);
    ev.m_keyCode = key;
    ev.m_uniChar = uni;
    ev.SetEventObject(target);
    target->GetEventHandler()->ProcessEvent(ev);
  }

  // Selects the field's text and types `keys` over it, as the operator would.
  void Type(int id, const std::string& keys) {
    Field(id)->SelectAll();
    for (char c : keys) Key(id, static_cast<unsigned char>(c), static_cast<wxChar>(c));
  }

  void Leave(int id) {
    wxFocusEvent ev(wxEVT_KILL_FOCUS, id);
    ev.SetEventObject(dialog_->FindWindow(id));
    dialog_->FindWindow(id)->GetEventHandler()->ProcessEvent(ev);
  }

  std::string Text(int id) { return TextOf(dialog_.get(), id); }

  std::vector<ReceiptLine> Lines() {
    return sim_.WithDevice([](SimDevice& d) { return d.State().receipt.lines; });
  }

  void OpenReceiptAndName(const char* name) {
    Click(dialog_.get(), D::kIdOpenFiscal);
    SetText(dialog_.get(), D::kIdItemName, name);
  }

  std::unique_ptr<D> dialog_;
};

TEST_F(NumberFieldsSimTest, ALoneMinusLeftInAPercentFieldSellsWithoutAdjustment) {
  OpenDialog();
  OpenReceiptAndName("Хляб");
  Type(D::kIdItemPrice, "1,20");  // the Bulgarian decimal comma
  Type(D::kIdItemPercent, "-");
  Leave(D::kIdItemPercent);
  EXPECT_EQ(Text(D::kIdItemPercent), "0.00");
  Click(dialog_.get(), D::kIdItemSell);

  const auto lines = Lines();
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0].price, 120);
  EXPECT_EQ(lines[0].adjustment, 0);
  EXPECT_EQ(sim_.Paper().find("ОТСТЪПКА"), std::string::npos);
  EXPECT_TRUE(ui_.prompts.empty());
}

TEST_F(NumberFieldsSimTest, KeypadCommaInQuantityAndPayment) {
  OpenDialog();
  OpenReceiptAndName("Сирене");
  Type(D::kIdItemPrice, "10");
  Key(D::kIdItemPrice, WXK_NUMPAD_DECIMAL, ',');
  Type(D::kIdItemQuantity, "0,5");
  EXPECT_EQ(Text(D::kIdItemPrice), "10.");
  EXPECT_EQ(Text(D::kIdItemQuantity), "0.5");
  Click(dialog_.get(), D::kIdItemSell);
  auto lines = Lines();
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0].price, 1000);
  EXPECT_EQ(lines[0].quantity, 500);

  // Pay 2,50 of the 5.00: a comma typed into the payment is its point too.
  Type(D::kIdPaymentAmount, "2,50");
  Click(dialog_.get(), D::kIdPay);
  const Money paid = sim_.WithDevice([](SimDevice& d) { return d.State().receipt.paidTotal; });
  EXPECT_EQ(paid, 250);
  EXPECT_TRUE(ui_.prompts.empty());
}

TEST_F(NumberFieldsSimTest, AWholeNumberPrinterNeverGetsAFractionCutOff) {
  sim_.WithDevice([](SimDevice& s) { s.State().decimals = '0'; });
  OpenDialog();
  OpenReceiptAndName("Ремонт");
  // The point and the comma are refused like any stray character, typed or
  // pasted; what the field shows is what is sold.
  Type(D::kIdItemPrice, "12.");
  Key(D::kIdItemPrice, ',', ',');
  EXPECT_EQ(Text(D::kIdItemPrice), "12");
  ASSERT_TRUE(wxTheClipboard->Open());
  wxTheClipboard->SetData(new wxTextDataObject("12.5"));
  wxTheClipboard->Close();
  Field(D::kIdItemPrice)->SetInsertionPointEnd();
  Field(D::kIdItemPrice)->Paste();
  EXPECT_EQ(Text(D::kIdItemPrice), "12");
  Click(dialog_.get(), D::kIdItemSell);
  const auto lines = Lines();
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0].price, 1200);
  EXPECT_TRUE(ui_.prompts.empty());
}

TEST_F(NumberFieldsSimTest, InformationFieldsShowOnlyWhatThePrinterReported) {
  OpenDialog();
  OpenReceiptAndName("Мляко");
  SetText(dialog_.get(), D::kIdItemPrice, "2.40");
  Click(dialog_.get(), D::kIdItemSell);
  const int group = D::GroupId(1);
  ASSERT_EQ(Text(group), "2.40");

  // Backspace, typing, Delete and a paste all leave the printer's figure.
  Field(group)->SetInsertionPointEnd();
  Key(group, WXK_BACK, WXK_BACK);
  Key(group, '9', '9');
  Key(group, WXK_DELETE, WXK_DELETE);
  ASSERT_TRUE(wxTheClipboard->Open());
  wxTheClipboard->SetData(new wxTextDataObject("7"));
  wxTheClipboard->Close();
  Field(group)->Paste();
  Field(group)->WriteText("1");  // a drop or a middle-button paste
  EXPECT_EQ(Text(group), "2.40");
  Type(D::kIdInfoPurchases, "5");
  EXPECT_EQ(Text(D::kIdInfoPurchases), "1");

  const Money held = sim_.WithDevice([](SimDevice& d) { return d.State().receipt.groups[1]; });
  EXPECT_EQ(held, 240);
}

}  // namespace
