// A whole receipt run through the receipt operations dialog against the
// simulated printer: what the operator sees in the information frame after
// every step, and what the printer prints.
#include <gtest/gtest.h>

#include "dialog_fixtures.h"
#include "dialogs/receipt_dialog.h"
#include "driver/cp1251.h"

namespace {

constexpr int kPort = 6;
using D = ReceiptDialog;

class ReceiptDialogSimTest : public SimPrinterDialogTest {
 protected:
  ReceiptDialogSimTest() : SimPrinterDialogTest(kPort) {}

  void SetUp() override {
    SimPrinterDialogTest::SetUp();
    // Department 7 is programmed for the sale below.
    sim_.WithDevice([](SimDevice& d) {
      d.State().departments[7].name = *Utf8ToCp1251("Цветя");
      d.State().departments[7].group = 1;
    });
  }

  std::string Text(int id) { return TextOf(dialog_.get(), id); }
  bool Checked(int id) { return IsChecked(dialog_.get(), id); }

  std::unique_ptr<D> dialog_;
};

TEST_F(ReceiptDialogSimTest, WholeFiscalReceiptStepByStep) {
  dialog_ = std::make_unique<D>(nullptr, &ui_, kPort, Services());
  D* d = dialog_.get();
  ASSERT_TRUE(d->Open());
  EXPECT_EQ(d->DecimalMode(), '2');
  EXPECT_FALSE(Checked(D::kIdInfoOpen));

  // Open a fiscal receipt with VAT for operator 2.
  SetText(d, D::kIdOperator, "2");
  SetChecked(d, D::kIdWithVat, true);
  Click(d, D::kIdOpenFiscal);
  EXPECT_TRUE(Checked(D::kIdInfoOpen));
  EXPECT_TRUE(Checked(D::kIdInfoWithVat));
  EXPECT_FALSE(Checked(D::kIdInfoInvoice));
  EXPECT_EQ(Text(D::kIdInfoPurchases), "0");

  // A free item, two at 1.20 in group Б, and its void.
  SetText(d, D::kIdItemName, "Хляб бял");
  SetText(d, D::kIdItemPrice, "1.20");
  SetText(d, D::kIdItemQuantity, "2.000");
  Click(d, D::kIdItemSell);
  EXPECT_EQ(Text(D::kIdInfoPurchases), "1");
  EXPECT_EQ(Text(D::GroupId(1)), "2.40");
  Click(d, D::kIdItemVoid);
  EXPECT_EQ(Text(D::GroupId(1)), "0.00");

  // Article 2 (2.49, group Б).
  SetText(d, D::kIdArticleNumber, "2");
  Click(d, D::kIdArticleSell);
  EXPECT_EQ(Text(D::GroupId(1)), "2.49");

  // Department "7abc" is department 7; its information arrives once the sale's
  // driver has let go of the port.
  SetText(d, D::kIdDepartmentNumber, "7abc");
  SetText(d, D::kIdDepartmentPrice, "3.00");
  Click(d, D::kIdDepartmentSell);
  EXPECT_EQ(Text(D::GroupId(1)), "2.49");
  ProcessPending();
  EXPECT_EQ(Text(D::GroupId(1)), "5.49");

  // "Apply" with 0 only reads the subtotal.
  SetText(d, D::kIdSubtotalValue, "0");
  Click(d, D::kIdApply);
  EXPECT_EQ(Text(D::kIdSubtotalSum), "5.49");
  EXPECT_FALSE(Checked(D::kIdInfoPaymentStarted));

  // Pay 10.00 in cash.
  SetText(d, D::kIdPaymentAmount, "10.00");
  Click(d, D::kIdPay);
  EXPECT_TRUE(Checked(D::kIdInfoPaymentStarted));
  EXPECT_TRUE(Checked(D::kIdInfoPaymentFinished));
  EXPECT_EQ(Text(D::kIdInfoLastChange), "4.51");

  // Close: the number of the receipt, then the frame shows no open receipt.
  const int before = sim_.WithDevice([](SimDevice& s) { return s.State().receiptNumber; });
  Click(d, D::kIdCloseFiscal);
  EXPECT_EQ(Text(D::kIdLastReceipt), std::to_string(before + 1));
  ProcessPending();
  EXPECT_FALSE(Checked(D::kIdInfoOpen));

  // The duplicate.
  sim_.ClearPaper();
  Click(d, D::kIdDuplicate);
  EXPECT_NE(sim_.Paper().find("ДУБЛИКАТ"), std::string::npos);

  EXPECT_TRUE(ui_.prompts.empty()) << ui_.prompts.front().text;
}

TEST_F(ReceiptDialogSimTest, InvoiceReceiptAndTheFrameClearedWhenNothingCanBeRead) {
  dialog_ = std::make_unique<D>(nullptr, &ui_, kPort, Services());
  D* d = dialog_.get();
  ASSERT_TRUE(d->Open());
  SetChecked(d, D::kIdInvoice, true);
  InvoiceDialogAnswerer answerer([] {
    return InvoiceData{*Utf8ToCp1251("Фирма ООД"), *Utf8ToCp1251("Иванов"), "BG123456786",
                       "123456786", *Utf8ToCp1251("София")};
  });
  Click(d, D::kIdOpenFiscal);
  EXPECT_TRUE(Checked(D::kIdInfoOpen));
  EXPECT_TRUE(Checked(D::kIdInfoInvoice));

  SetText(d, D::kIdItemName, "Услуга");
  SetText(d, D::kIdItemPrice, "50.00");
  Click(d, D::kIdItemSell);
  EXPECT_EQ(Text(D::kIdInfoPurchases), "1");

  // The printer stops answering: the link message, then an empty frame.
  sim_.Inject(Fault::kNoAnswer);
  Click(d, D::kIdInformation);
  ASSERT_FALSE(ui_.prompts.empty());
  EXPECT_EQ(ui_.prompts.back().text, "Няма връзка с Фискалния принтер");
  EXPECT_FALSE(Checked(D::kIdInfoOpen));
  EXPECT_FALSE(Checked(D::kIdInfoInvoice));
  EXPECT_EQ(Text(D::kIdInfoPurchases), "0");
  EXPECT_EQ(Text(D::GroupId(1)), "0.00");

  // Back again: closing pays the rest after the question.
  sim_.Inject(Fault::kNoAnswer, 0);
  ui_.prompts.clear();
  ui_.Answer({1});  // "Приключване"
  Click(d, D::kIdCloseFiscal);
  ASSERT_EQ(ui_.prompts.size(), 1u);
  EXPECT_EQ(ui_.prompts[0].text, "Има неприключена сметка от 50.00 лева");
  ProcessPending();
  EXPECT_FALSE(Checked(D::kIdInfoOpen));
}

TEST_F(ReceiptDialogSimTest, WholeNumberPrinterSellsWholeAmounts) {
  sim_.WithDevice([](SimDevice& s) { s.State().decimals = '0'; });
  dialog_ = std::make_unique<D>(nullptr, &ui_, kPort, Services());
  D* d = dialog_.get();
  ASSERT_TRUE(d->Open());
  EXPECT_EQ(d->DecimalMode(), '0');
  auto* price = dynamic_cast<NumericEdit*>(d->FindWindow(D::kIdItemPrice));
  ASSERT_NE(price, nullptr);
  EXPECT_FALSE(price->Rule().DecimalMode());
  EXPECT_TRUE(price->IsAcceptable("99999999"));
  EXPECT_FALSE(price->IsAcceptable("100000000"));
  EXPECT_FALSE(price->IsAcceptable(".5"));
  // Below the minimum, leaving the field brings back the default.
  EXPECT_EQ(price->Rule().OnLeave(L"0"), std::optional<std::wstring>(L"1"));
  EXPECT_EQ(price->Rule().OnLeave(L"-5"), std::optional<std::wstring>(L"1"));

  // What a price field holds reaches the printer as a whole number, and the
  // amounts shown have no decimals.
  SetText(d, D::kIdItemPrice, "12.");
  EXPECT_EQ(d->Form().itemPrice, 12);
  auto* sum = dynamic_cast<NumericEdit*>(d->FindWindow(D::kIdSubtotalSum));
  EXPECT_EQ(sum->Rule().Decimals(), 0);

  Click(d, D::kIdOpenFiscal);
  SetText(d, D::kIdItemName, "Ремонт");
  SetText(d, D::kIdItemPrice, "120");
  Click(d, D::kIdItemSell);
  EXPECT_EQ(Text(D::GroupId(1)), "120");
  EXPECT_TRUE(ui_.prompts.empty()) << ui_.prompts.front().text;
}

}  // namespace
