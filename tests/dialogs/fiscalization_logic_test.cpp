// The plain logic behind the fiscalization and factory numbers dialogs: what a
// rate read means for the controls, what "Set" sends, the displays, and the
// command sequences of the printouts and of the first receipt, on a scripted
// printer.
#include <gtest/gtest.h>

#include "dialogs/factory_numbers.h"
#include "dialogs/fiscalization_logic.h"
#include "driver/cp1251.h"
#include "link/prompt_style.h"
#include "support/fake_device.h"
#include "support/scripted_ui.h"

namespace {

using namespace fiscal;

std::string Cp(const std::string& utf8) {
  return Utf8ToCp1251(utf8).value_or("?");
}

TEST(FiscalRates, ReadOfAPrinterWithThreeGroupsLocksTheOthers) {
  const auto c = RateControlsFromRead({0, 20, 9, -2, -2, -2, -2, -2});
  EXPECT_EQ(c[1].value, 20.0);
  EXPECT_EQ(c[2].value, 9.0);
  EXPECT_FALSE(c[kGroupG].fieldEnabled);
  EXPECT_FALSE(c[kGroupG].value);
  for (int g = kFirstSwitchable; g < kGroups; ++g) {
    EXPECT_FALSE(c[static_cast<size_t>(g)].checked) << g;
    EXPECT_FALSE(c[static_cast<size_t>(g)].checkEnabled) << g;
    EXPECT_FALSE(c[static_cast<size_t>(g)].fieldEnabled) << g;
  }
}

TEST(FiscalRates, SwitchedOffGroupCanBeSwitchedOnAgain) {
  const auto c = RateControlsFromRead({0, 20, 20, 9, -1, 5.5, 0, -2});
  EXPECT_TRUE(c[kGroupG].fieldEnabled);
  EXPECT_EQ(c[kGroupG].value, 9.0);
  // Д switched off: unticked, its field off, but the box stays usable.
  EXPECT_FALSE(c[4].checked);
  EXPECT_TRUE(c[4].checkEnabled);
  EXPECT_FALSE(c[4].fieldEnabled);
  EXPECT_TRUE(c[5].checked);
  EXPECT_TRUE(c[5].fieldEnabled);
  EXPECT_EQ(c[5].value, 5.5);
  EXPECT_TRUE(c[6].checked) << "a rate of 0 is a group in use";
  EXPECT_FALSE(c[7].checkEnabled);
}

TEST(FiscalRates, SetSendsUntickedGroupsAsOffAndStopsAtAFieldWithoutANumber) {
  std::array<RateEntry, kGroups> e{};
  const double values[kGroups] = {0, 20, 20, 9, 12.5, 0, 0, 0};
  for (int g = 0; g < kGroups; ++g) e[static_cast<size_t>(g)] = {values[g], g != 6};
  e[7].checked = false;
  e[7].value.reset();  // an unticked group's field is not looked at
  RatesToSend out = RatesFromEntries(e);
  EXPECT_EQ(out.badGroup, -1);
  EXPECT_EQ(out.rates, (TaxRates{0, 20, 20, 9, 12.5, 0, -1, -1}));

  e[kGroupG].value.reset();  // Г has no check box: its field must hold a number
  EXPECT_EQ(RatesFromEntries(e).badGroup, kGroupG);
  e[kGroupG].value = 7;
  e[4].value.reset();
  EXPECT_EQ(RatesFromEntries(e).badGroup, 4);
  EXPECT_EQ(RateCaption(4), "група Д:");
  EXPECT_EQ(RateCaption(0), "група А:");
}

TEST(FiscalDecimal, RadioButtonsFromTheModeRead) {
  EXPECT_EQ(DecimalChoiceAtOpening('0'), DecimalChoice::kWhole);
  EXPECT_EQ(DecimalChoiceAtOpening('2'), DecimalChoice::kFractional);
  EXPECT_EQ(DecimalChoiceAtOpening('1'), DecimalChoice::kNone);
  EXPECT_EQ(DecimalChoiceAfterGet('0'), DecimalChoice::kWhole);
  EXPECT_EQ(DecimalChoiceAfterGet('1'), DecimalChoice::kFractional);
  // Neither button chosen sends whole numbers.
  EXPECT_EQ(DecimalModeToSet(false), '0');
  EXPECT_EQ(DecimalModeToSet(true), '2');
}

TEST(FiscalDisplay, NumbersAndDateTexts) {
  EXPECT_EQ(PrinterNumberText(12345), "NV012345");
  EXPECT_EQ(MemoryNumberText(7), "50000007");
  EXPECT_EQ(PrinterNumberText(0), "NV000000");
  std::tm tm{};
  tm.tm_year = 2026 - 1900;
  tm.tm_mon = 2;
  tm.tm_mday = 4;
  tm.tm_hour = 7;
  tm.tm_min = 30;
  tm.tm_isdst = -1;
  EXPECT_EQ(PrinterDateText(std::mktime(&tm)), "04 март 2026  07:30");
  EXPECT_STREQ(MarkText(true), "!");
  EXPECT_STREQ(MarkText(false), "");
}

TEST(FactoryNumberFields, OnlySixDigitsPass) {
  using namespace factory_numbers;
  const struct {
    const char* text;
    bool ok;
  } cases[] = {{"012345", true},  {"000000", true},   {"999999", true},
               {"12345", false},  {"1234567", false}, {"-12345", false},
               {"123a56", false}, {" 12345", false},  {"", false}};
  for (const auto& c : cases) EXPECT_EQ(IsSixDigitNumber(c.text), c.ok) << c.text;
  Entry e{"000000", "012345", "654321", 0};
  EXPECT_EQ(FirstBadField(e), Field::kNone);
  e.memoryNumber = "65432";
  EXPECT_EQ(FirstBadField(e), Field::kMemoryNumber);
  e.printerNumber = "12345";
  EXPECT_EQ(FirstBadField(e), Field::kPrinterNumber) << "the printer number is checked first";
}

// A printer with factory numbers, fiscalized, that answers every command.
class FiscalSequences : public ::testing::Test {
 protected:
  static constexpr int kPort = 7;
  void SetUp() override {
    device_.MapTo(kPort);
    status_ = {23, 24};
    device_.SetHandler([this](const FakeDevice::ReceivedFrame& f) {
      switch (f.cmd) {
        case 0x20: {
          std::vector<int> flags = status_;
          if (receiptOpen_) flags.push_back(14);  // a fiscal receipt is open
          if (sold_) flags.push_back(9);          // the day has turnover
          return FakeDevice::Reply::Data(FakeDevice::StatusBytes(flags));
        }
        case 0x30:
          receiptOpen_ = true;
          return FakeDevice::Reply::Ack("00");
        case 0x38:
          receiptOpen_ = false;
          sold_ = true;
          return FakeDevice::Reply::Ack("00");
        case 0x60:
          return FakeDevice::Reply::Data("NV012345;50654321");
        case 0x63:
          return FakeDevice::Reply::Data("2");
        case 'j':
          return FakeDevice::Reply::Data(f.data + ";" + Cp("Оператор ") + f.data +
                                         std::string(10, ' ') + ";" + f.data + f.data + "  ");
        case 0x33:  // subtotal: nothing left to pay
          return FakeDevice::Reply::Data("0.00");
        case 0x73:  // the last fiscal-memory record
          return FakeDevice::Reply::Data("07-12-2026;0001;0002");
        case 0x6E:  // daily report information: one report in the fiscal memory
          return FakeDevice::Reply::Data("5;0002;0001;0001;07-12-2026 18:00");
        case 0x68:  // the printer's clock
          return FakeDevice::Reply::Data("08-12-2026 09:15:00");
        default:
          return FakeDevice::Reply::Ack("00");
      }
    });
  }

  std::unique_ptr<FiscalPrinter> Open() {
    auto printer = std::make_unique<FiscalPrinter>(&ui_, kPort);
    LinkTimeouts t;
    t.checkLink = 200;
    t.linkSeries = 300;
    t.reply = 300;
    printer->SetTimeouts(t);
    return printer;
  }

  // The commands sent after the status reads, as a string.
  std::string Sent() const {
    std::string out;
    for (const auto& f : device_.Frames())
      if (f.cmd != 0x20) out += static_cast<char>(f.cmd);
    return out;
  }
  std::vector<std::string> DataOf(uint8_t cmd) const {
    std::vector<std::string> out;
    for (const auto& f : device_.Frames())
      if (f.cmd == cmd) out.push_back(f.data);
    return out;
  }

  std::vector<int> status_;
  bool receiptOpen_ = false;  // the device thread's alone
  bool sold_ = false;
  FakeDevice device_;
  ScriptedUi ui_;
};

TEST_F(FiscalSequences, RefreshReadsNumbersThenStatusForTheMarks) {
  status_ = {9, 11, 23, 24};  // daily and operator reports not zeroed
  auto printer = Open();
  ASSERT_TRUE(printer->IsConnected());
  FiscalDisplay d;
  ASSERT_TRUE(ReadFiscalDisplay(*printer, d));
  EXPECT_EQ(d.printerNumber, "NV012345");
  EXPECT_EQ(d.memoryNumber, "50654321");
  EXPECT_TRUE(d.dailyNotZeroed);
  EXPECT_TRUE(d.operatorNotZeroed);
  EXPECT_FALSE(d.articleNotZeroed);
  EXPECT_EQ(Sent(), "`");
  EXPECT_EQ(device_.Frames().back().cmd, 0x20) << "the numbers first, then the status";
}

TEST_F(FiscalSequences, OperatorListIsNineReceiptLinesAndTwoFeeds) {
  auto printer = Open();
  ASSERT_TRUE(printer->IsConnected());
  EXPECT_TRUE(PrintOperatorsInReceipt(*printer));
  std::string expected = "7";
  for (int n = 1; n <= 9; ++n) expected += "j7";
  EXPECT_EQ(Sent(), expected + "++");
  const auto lines = DataOf('7');
  ASSERT_EQ(lines.size(), 10u);
  EXPECT_EQ(lines[0], Cp("Оп.N           Име          Парола"));
  EXPECT_EQ(lines[3], Cp("   3   Оператор 3            33   "));
  EXPECT_TRUE(ui_.prompts.empty());
}

TEST_F(FiscalSequences, FirstReceiptSellsOnceThenPrintsBothReports) {
  auto printer = Open();
  ASSERT_TRUE(printer->IsConnected());
  EXPECT_EQ(RunFirstReceipt(*printer), FirstReceiptEnd::kDone);
  // Operator read, open, sale, payment, close, daily Z, last record, then
  // the detailed report by dates (the reads the driver makes between them
  // left out).
  std::string steps;
  for (char c : Sent())
    if (std::string("j0158|sz").find(c) != std::string::npos) steps += c;
  EXPECT_EQ(steps, "j0158|sz") << Sent();
  ASSERT_EQ(DataOf(0x30).size(), 1u);
  EXPECT_EQ(DataOf(0x30)[0].substr(0, 1), "1") << "operator 1";
  ASSERT_EQ(DataOf(0x31).size(), 1u);
  EXPECT_EQ(DataOf(0x31)[0].find(Cp("Фискализация")), 0u);
  EXPECT_EQ(DataOf(0x7C), std::vector<std::string>{"Z"});
  ASSERT_EQ(DataOf(0x7A).size(), 1u);
  EXPECT_EQ(DataOf(0x7A)[0], "071226;071226") << "the day of the last record, from and to";
}

TEST_F(FiscalSequences, FirstReceiptStopsAfterTheZReportWhenThePrinterFallsSilent) {
  device_.SetProbeAfter(0x7C, FakeDevice::Probe::kSilent);
  auto printer = Open();
  ASSERT_TRUE(printer->IsConnected());
  EXPECT_EQ(RunFirstReceipt(*printer), FirstReceiptEnd::kNotReady);
  const std::string sent = Sent();
  EXPECT_EQ(sent.back(), '|') << sent;
  EXPECT_TRUE(DataOf(0x73).empty());
}

TEST_F(FiscalSequences, FirstReceiptStopsWhenTheSaleIsRefused) {
  device_.Queue(0x31, FakeDevice::Reply::Ack("04"));
  ui_.SetFallback(2);  // "Отказ" to the printer's error
  auto printer = Open();
  ASSERT_TRUE(printer->IsConnected());
  EXPECT_EQ(RunFirstReceipt(*printer), FirstReceiptEnd::kStopped);
  EXPECT_EQ(Sent().find('5'), std::string::npos) << Sent();
  EXPECT_TRUE(DataOf(0x7C).empty());
}

TEST_F(FiscalSequences, ZeroingRunsTheZReportOfEachKind) {
  status_ = {9, 10, 11, 23, 24};
  ui_.SetFallback(6);
  auto printer = Open();
  ASSERT_TRUE(printer->IsConnected());
  EXPECT_TRUE(ZeroReport(*printer, ZeroedReport::kDaily));
  EXPECT_TRUE(ZeroReport(*printer, ZeroedReport::kOperators));
  EXPECT_TRUE(ZeroReport(*printer, ZeroedReport::kArticles));
  EXPECT_EQ(DataOf(0x7C), std::vector<std::string>{"Z"});
  ASSERT_EQ(DataOf(0x7D).size(), 1u);
  EXPECT_EQ(DataOf(0x7D)[0].substr(0, 1), "Z");
  ASSERT_EQ(DataOf(0x7E).size(), 1u);
}

// A Z report the printer refused zeroed nothing, "Продължи" or not: its mark stays.
TEST_F(FiscalSequences, ARefusedZReportIsNotZeroed) {
  auto printer = Open();
  ASSERT_TRUE(printer->IsConnected());
  size_t sent = 0;
  for (const int answer : {Prompt::kResultContinue, Prompt::kResultAbort}) {
    device_.Queue(0x7C, FakeDevice::Reply::Ack("01"));
    ui_.Answer({Prompt::kResultYes, answer});  // a zero report: "Да"; then the refusal
    EXPECT_FALSE(ZeroReport(*printer, ZeroedReport::kDaily)) << answer;
    EXPECT_EQ(DataOf(0x7C).size(), ++sent);
  }
}

// A step the printer refused is not done, "Продължи" or not: the first receipt
// stops before its payment and the operator list after its heading.
TEST_F(FiscalSequences, ARefusedStepStopsTheFlowWhetherPassedOverOrNot) {
  for (const int answer : {Prompt::kResultContinue, Prompt::kResultAbort}) {
    device_.ClearRecords();
    receiptOpen_ = false;
    device_.Queue(0x31, FakeDevice::Reply::Ack("04"));
    ui_.Answer({answer});
    auto printer = Open();
    ASSERT_TRUE(printer->IsConnected());
    EXPECT_EQ(RunFirstReceipt(*printer), FirstReceiptEnd::kStopped) << answer;
    EXPECT_EQ(Sent().find('5'), std::string::npos) << answer << ": " << Sent();
    EXPECT_TRUE(DataOf(0x7C).empty()) << answer;

    device_.ClearRecords();
    device_.Queue('7', FakeDevice::Reply::Ack("01"));
    ui_.Answer({answer});
    EXPECT_FALSE(PrintOperatorsInReceipt(*printer)) << answer;
    EXPECT_EQ(Sent(), "7") << answer;
  }
}

}  // namespace
