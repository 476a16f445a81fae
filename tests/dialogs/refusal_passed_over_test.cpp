// A command the printer refused is not done when the user passes the refusal
// over with "Продължи": the driver then returns the refusal's ACK code, a
// non-empty text, and the dialogs' window-free halves must not take it for
// success (no refresh, no follow-up read, no next row).
#include <gtest/gtest.h>

#include <atomic>
#include <vector>

#include "dialog_fixtures.h"
#include "dialogs/payment_rows.h"
#include "dialogs/receipt_actions.h"
#include "driver/text.h"
#include "link/prompt_style.h"

namespace {

constexpr int kPort = 6;
using Reply = FakeDevice::Reply;
using Frame = FakeDevice::ReceivedFrame;
using Follow = ReceiptOutcome::Follow;

// A fiscalized printer with a fiscal receipt open that carries out everything.
class RefusalPassedOverTest : public ScriptedPrinterDialogTest {
 protected:
  RefusalPassedOverTest() : ScriptedPrinterDialogTest(kPort) {}

  void SetUp() override {
    ScriptedPrinterDialogTest::SetUp();
    device_.SetHandler([this](const Frame& f) {
      switch (f.cmd) {
        case 0x20:
          return Reply::Data(FakeDevice::StatusBytes(receiptOpen_ ? std::vector<int>{14, 22, 23, 24}
                                                                  : std::vector<int>{22, 23, 24}));
        case 0x38:  // closing: no receipt is open afterwards
          receiptOpen_ = false;
          return Reply::Ack("00");
        case 0x63:
          return Reply::Data("2");
        case 0x6A:  // operator: number, name (20), password (4)
          return Reply::Data(f.data + ";" + FitText("OPERATOR", 20, 0, ' ') + ";" + "1234");
        case 0x71:
          return Reply::Data("0042");
        case 0x33:
          return Reply::Data("0.00");
        case 0x64:
          return Reply::Data("A_________;B_________;C_________;D_________;E_________; 001.95583");
        default:
          return Reply::Ack("00");
      }
    });
    printer_ = Services().OpenPrinter(&ui_, kPort);
    ASSERT_TRUE(printer_->IsConnected());
  }
  void TearDown() override {
    printer_.reset();
    ScriptedPrinterDialogTest::TearDown();
  }

  std::atomic<bool> receiptOpen_{true};  // a fiscal receipt (status flag 14)
  std::unique_ptr<FiscalPrinter> printer_;
};

TEST_F(RefusalPassedOverTest, AReceiptActionIsNotDone) {
  ReceiptForm form;
  form.itemName = "x";
  form.itemPrice = 1;
  form.freeText = "text";
  form.paymentAmount = 1;
  const struct {
    ReceiptAction action;
    uint8_t cmd;  // the command the printer refuses
  } cases[] = {
      {ReceiptAction::kSellItem, 0x31},    {ReceiptAction::kVoidItem, 0x31},
      {ReceiptAction::kSellArticle, 0x32}, {ReceiptAction::kSellDepartment, 0x34},
      {ReceiptAction::kPay, 0x35},         {ReceiptAction::kPrintText, 0x37},
      {ReceiptAction::kCloseFiscal, 0x38}, {ReceiptAction::kApply, 0x33},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.action));
    receiptOpen_ = true;
    // Carried out, the action is done (so the refusal below is what matters).
    const ReceiptOutcome done = RunReceiptAction(*printer_, c.action, form, nullptr);
    EXPECT_TRUE(done.ok);
    for (const int answer : {Prompt::kResultContinue, Prompt::kResultAbort}) {
      receiptOpen_ = true;
      device_.Queue(c.cmd, Reply::Ack("01"));
      ui_.Answer({answer});
      const ReceiptOutcome out = RunReceiptAction(*printer_, c.action, form, nullptr);
      EXPECT_FALSE(out.ok) << answer;
      EXPECT_EQ(out.follow, Follow::kNone) << answer;
      EXPECT_FALSE(out.lastReceiptNumber.has_value()) << answer;
    }
  }
}

// Set Selected stops at a row the printer refused, passed over or not.
TEST_F(RefusalPassedOverTest, APaymentRowRefusedStopsTheRowsAfterIt) {
  class Form : public PaymentForm {
   public:
    std::optional<std::string> Name(int n) override { return std::string(1, 'A' + n); }
    void SetName(int, const std::string&) override {}
    double Rate() override { return 1; }
    void SetRateText(const std::string&) override {}
    bool Ticked(int n) override { return n == 1 || n == 3; }
    void RateRefused() override {}
  } form;
  receiptOpen_ = false;
  for (const int answer : {Prompt::kResultContinue, Prompt::kResultAbort}) {
    device_.ClearRecords();
    device_.Queue(0x44, Reply::Ack("04"));
    ui_.Answer({answer});
    RunPaymentButton(*printer_, form, payment_ids::kSetSelected);
    EXPECT_EQ(FramesOf(0x44).size(), 1u) << answer;
  }
}

}  // namespace
