// The plain logic behind the parameters, invoice numbers and service sums
// dialogs, on a scripted printer: the exact frames each button sends, what a
// reply puts into the fields, and that a refusal or a missing value sends
// nothing.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "dialogs/invoice_range_logic.h"
#include "dialogs/parameters_logic.h"
#include "dialogs/service_sums_logic.h"
#include "driver/cp1251.h"
#include "link/prompt_style.h"
#include "support/fake_device.h"
#include "support/scripted_ui.h"

namespace {

constexpr int kPort = 2;

// A scripted printer with everything in order and one FiscalPrinter on it.
class ServiceLogicTest : public ::testing::Test {
 protected:
  void SetUp() override { device_.MapTo(kPort); }

  // The frames after the status reads, as "cmd:data" lines.
  std::vector<std::string> Sent() const {
    std::vector<std::string> out;
    for (const auto& f : device_.Frames())
      if (f.cmd != 0x20) out.push_back(std::string(1, static_cast<char>(f.cmd)) + ":" + f.data);
    return out;
  }

  FakeDevice device_;
  ScriptedUi ui_;
};

// --- Parameters -------------------------------------------------------------

struct FakeParametersForm : ParametersForm {
  void Show(const PrintParameters& p) override { shown = p; }
  std::optional<PrintParameters> Entered() override { return entered; }
  std::optional<PrintParameters> shown;
  std::optional<PrintParameters> entered;
};

using ParametersLogic = ServiceLogicTest;

TEST_F(ParametersLogic, SetSendsTheRecordGetShowsWhatWasRead) {
  FakeParametersForm form;
  PrintParameters p;
  p.deviceNumber = 12;
  p.logo = true;
  p.autoCut = true;
  p.currency = true;
  form.entered = p;
  device_.Queue('e', FakeDevice::Reply::Data("0345;0;1;0;1;1;0"));
  FiscalPrinter printer(&ui_, kPort);
  ASSERT_TRUE(printer.IsConnected());
  EXPECT_EQ(SetParameters(printer, form), "00");
  ASSERT_TRUE(GetParameters(printer, form));
  EXPECT_EQ(Sent(), (std::vector<std::string>{"E:0012;1;0;1;0;0;1;", "e:"}));
  ASSERT_TRUE(form.shown);
  EXPECT_EQ(form.shown->deviceNumber, 345);
  EXPECT_FALSE(form.shown->logo);
  EXPECT_TRUE(form.shown->drawer);
  EXPECT_TRUE(form.shown->transparentDisplay);
  EXPECT_TRUE(form.shown->shortJournal);
  EXPECT_FALSE(form.shown->currency);
}

TEST_F(ParametersLogic, NothingSentWithoutANumberAndAFailedReadShowsNothing) {
  FakeParametersForm form;  // Entered() gives none
  device_.Queue('e', FakeDevice::Reply::Nack());
  FiscalPrinter printer(&ui_, kPort);
  ASSERT_TRUE(printer.IsConnected());
  EXPECT_EQ(SetParameters(printer, form), "");
  EXPECT_TRUE(Sent().empty());
  // The link error is answered "Отказ" (the scripted host's fallback).
  EXPECT_FALSE(GetParameters(printer, form));
  EXPECT_FALSE(form.shown);
}

// --- Invoice numbers -----------------------------------------------------------

struct FakeInvoiceForm : InvoiceRangeForm {
  std::string First() override { return first; }
  std::string Last() override { return last; }
  void SetFirst(const std::string& t) override { first = t; }
  void SetLast(const std::string& t) override { last = t; }
  void SetNext(const std::string& t) override { next = t; }
  void AskForMore() override { ++asked; }
  FakeInvoiceForm(std::string f = "", std::string l = "", std::string n = "")
      : first(std::move(f)), last(std::move(l)), next(std::move(n)) {}
  std::string first, last, next;
  int asked = 0;
};

using InvoiceRangeLogic = ServiceLogicTest;

TEST_F(InvoiceRangeLogic, GetShowsTheStartOfTheRangeTooNotOnlyTheNextNumber) {
  FakeInvoiceForm form;
  device_.Queue('p', FakeDevice::Reply::Data("0000000123;0000004567"));
  FiscalPrinter printer(&ui_, kPort);
  ASSERT_TRUE(printer.IsConnected());
  ASSERT_TRUE(GetInvoiceRange(printer, form));
  EXPECT_EQ(form.first, "0000000123");
  EXPECT_EQ(form.last, "0000004567");
  EXPECT_EQ(form.next, "0000000123");
}

// A read refused and passed over with "Продължи" has only the ACK code to
// decode: it is no range either.
TEST_F(InvoiceRangeLogic, AFailedGetLeavesTheFieldsEmpty) {
  const std::pair<FakeDevice::Reply, int> cases[] = {
      {FakeDevice::Reply::Nack(), Prompt::kResultAbort},
      {FakeDevice::Reply::Ack("01"), Prompt::kResultContinue},
  };
  for (const auto& [reply, answer] : cases) {
    FakeInvoiceForm form("1", "2", "3");
    device_.Queue('p', reply);
    ui_.Answer({answer});
    FiscalPrinter printer(&ui_, kPort);
    ASSERT_TRUE(printer.IsConnected());
    EXPECT_FALSE(GetInvoiceRange(printer, form)) << answer;
    EXPECT_EQ(form.first + form.last + form.next, "") << answer;
  }
}

TEST_F(InvoiceRangeLogic, SetNeedsBothNumbersAndSendsThemAsTenDigits) {
  FiscalPrinter printer(&ui_, kPort);
  ASSERT_TRUE(printer.IsConnected());
  for (const auto& [first, last] : {std::pair{"", "4567"}, {"123", ""}, {"", ""}}) {
    FakeInvoiceForm form(first, last);
    EXPECT_FALSE(SetInvoiceRange(printer, form));
    EXPECT_EQ(form.asked, 1) << first << "/" << last;
  }
  EXPECT_TRUE(device_.Frames().empty());

  FakeInvoiceForm form("123", "4567");
  EXPECT_TRUE(SetInvoiceRange(printer, form));
  EXPECT_EQ(form.asked, 0);
  EXPECT_EQ(Sent(), (std::vector<std::string>{"P:0000000123;0000004567"}));
}

// A refusal is an answer too: the dialog reads the range back after it, so
// the fields show what the printer kept rather than the refused numbers.
TEST_F(InvoiceRangeLogic, ARangeThePrinterRefusedIsReadBackLikeATakenOne) {
  // "Продължи" or "Отказ" past the command error: the printer kept its range
  // either way, and the fields must show it.
  for (const int answer : {Prompt::kResultContinue, Prompt::kResultAbort}) {
    device_.Queue('P', FakeDevice::Reply::Ack("04"));
    ui_.Answer({answer});
    FakeInvoiceForm form("900", "100");
    FiscalPrinter printer(&ui_, kPort);
    ASSERT_TRUE(printer.IsConnected());
    EXPECT_TRUE(SetInvoiceRange(printer, form)) << answer;
  }
  EXPECT_EQ(ui_.prompts.size(), 2u);
}

TEST(InvoiceDigits, OnlyDigitsStay) {
  EXPECT_EQ(DigitsOnly("12a3 4-5.6"), "123456");
  EXPECT_EQ(DigitsOnly(Utf8ToCp1251Lossy("№ ")), "");
}

// --- Service sums ----------------------------------------------------------------

struct FakeSumForm : ServiceSumForm {
  std::optional<int> Operator() override { return op; }
  std::optional<double> Amount() override { return amount; }
  int PaymentType() override { return type; }
  std::optional<int> op = 1;
  std::optional<double> amount = 1.0;
  int type = 0;
};

class ServiceSumLogic : public ServiceLogicTest {
 protected:
  // Operator n answers with the password n repeated twice; amounts have two
  // decimals unless `mode` says whole numbers.
  void Answer(char mode) {
    device_.SetHandler([mode](const FakeDevice::ReceivedFrame& f) {
      if (f.cmd == 0x20) return FakeDevice::Reply::Data(FakeDevice::StatusBytes({22, 23, 24}));
      if (f.cmd == 'j')
        return FakeDevice::Reply::Data(f.data + ";" + std::string(20, 'N') + ";" + f.data + f.data +
                                       "  ");
      if (f.cmd == 'c') return FakeDevice::Reply::Data(std::string(1, mode));
      return FakeDevice::Reply::Ack("00");
    });
  }
  std::string SumFrame() const {
    for (const auto& f : device_.Frames())
      if (f.cmd == ';') return f.data;
    return "none";
  }
};

TEST_F(ServiceSumLogic, WithdrawalSendsTheNegatedAmountWithThePasswordRead) {
  Answer('0');
  FakeSumForm form;
  form.op = 2;
  form.amount = 25;
  form.type = 3;
  FiscalPrinter printer(&ui_, kPort);
  ASSERT_TRUE(printer.IsConnected());
  EXPECT_EQ(RunServiceSum(printer, form, ServiceSumKind::kWithdrawal), "00");
  EXPECT_EQ(SumFrame(), "2;22  ;3;-00000025");
}

TEST_F(ServiceSumLogic, DepositWithDecimals) {
  Answer('2');
  FakeSumForm form;
  form.op = 9;
  form.amount = 12.34;
  form.type = 4;
  FiscalPrinter printer(&ui_, kPort);
  ASSERT_TRUE(printer.IsConnected());
  EXPECT_EQ(RunServiceSum(printer, form, ServiceSumKind::kDeposit), "00");
  EXPECT_EQ(SumFrame(), "9;99  ;4;0000012.34");
}

TEST_F(ServiceSumLogic, NothingSentWhenAFieldIsEmptyOrTheOperatorCannotBeRead) {
  Answer('2');
  FiscalPrinter printer(&ui_, kPort);
  ASSERT_TRUE(printer.IsConnected());
  FakeSumForm noOperator;
  noOperator.op = std::nullopt;
  FakeSumForm noAmount;
  noAmount.amount = std::nullopt;
  for (FakeSumForm* form : {&noOperator, &noAmount})
    EXPECT_EQ(RunServiceSum(printer, *form, ServiceSumKind::kDeposit), "");
  EXPECT_TRUE(device_.Frames().empty());

  device_.Queue('j', FakeDevice::Reply::Nack());
  FakeSumForm form;
  EXPECT_EQ(RunServiceSum(printer, form, ServiceSumKind::kWithdrawal), "");
  EXPECT_EQ(SumFrame(), "none");
}

}  // namespace
