#include <gtest/gtest.h>

#include <cstdio>
#include <ctime>
#include <memory>
#include <string>

#include "driver/cp1251.h"
#include "driver/fiscal_printer.h"
#include "driver/status_flags.h"
#include "driver/text.h"
#include "link/settings.h"
#include "sim/sim_server.h"
#include "support/scripted_ui.h"
#include "support/temp_file.h"

// Receipts, reports and the fiscal-memory download through the driver against
// the simulated printer (a printer in daily use, two decimals).
namespace {

constexpr int kPort = 6;

std::string Cp(const std::string& utf8) {
  return Utf8ToCp1251(utf8).value_or("?");
}

class Driver1EndToEnd : public ::testing::Test {
 protected:
  void SetUp() override {
    sim = std::make_unique<SimServer>();
    PortMap::Instance().Set(kPort, sim->Path());
    printer = Connect();
    ASSERT_TRUE(printer->IsConnected());
  }
  void TearDown() override {
    printer.reset();
    PortMap::Instance().Clear();
  }
  std::unique_ptr<FiscalPrinter> Connect() { return std::make_unique<FiscalPrinter>(&ui, kPort); }

  DailyReportInfo Info() {
    DailyReportInfo info;
    EXPECT_EQ(printer->ReadDailyReportInfo(info), "OK");
    return info;
  }

  // Opens a fiscal receipt for operator 1 and sells 2 x 1.20 in group Б.
  void OpenAndSell() {
    ASSERT_EQ(printer->OpenFiscalReceipt({1, "", "1"}, false, false), "00");
    ASSERT_EQ(printer->SellItem(Cp("Хляб"), 1, 1.20, 2, 0), "00");
  }

  ScriptedUi ui;
  std::unique_ptr<SimServer> sim;
  std::unique_ptr<FiscalPrinter> printer;
};

TEST_F(Driver1EndToEnd, WholeReceipt) {
  int before = 0;
  ASSERT_EQ(printer->ReadLastReceiptNumber(before), "OK");

  OpenAndSell();
  ASSERT_EQ(printer->SellArticle(2, 1, 0, false), "00");                 // 2.49
  ASSERT_EQ(printer->SellInDepartment(Cp("Кафе"), 3, 2, 1, -10), "00");  // 1.80
  double subtotal = 0;
  ASSERT_NE(printer->Subtotal(subtotal, 0, false, false, false), "");
  EXPECT_NEAR(subtotal, 6.69, 0.001);

  ReceiptState state;
  ASSERT_EQ(printer->ReadReceiptState(state), "OK");
  EXPECT_TRUE(state.open);
  EXPECT_EQ(state.purchases, 3);
  EXPECT_FALSE(state.paymentStarted);

  ASSERT_EQ(printer->Payment(1, 5, false, 0), "00");
  // Closing pays the rest in cash after asking.
  ui.Answer({1});
  ASSERT_EQ(printer->CloseFiscalReceipt(), "00");
  ASSERT_EQ(ui.prompts.size(), 1u);
  EXPECT_EQ(ui.prompts[0].text, "Има неприключена сметка от 1.69 лева");

  int after = 0;
  ASSERT_EQ(printer->ReadLastReceiptNumber(after), "OK");
  EXPECT_EQ(after, before + 1);
  EXPECT_FALSE(sim->Flags()[Flag::kFiscalReceiptOpen]);
  EXPECT_NE(sim->Paper().find("Хляб"), std::string::npos);

  PaymentTotals payments;
  ASSERT_EQ(printer->ReadDailyPaymentTotals(payments), "OK");
  EXPECT_NEAR(payments.payments[0], 1.69, 0.001);
  EXPECT_NEAR(payments.payments[1], 5, 0.001);

  // The duplicate once, then refused.
  ASSERT_EQ(printer->PrintDuplicate(), "00");
  EXPECT_EQ(printer->PrintDuplicate(), "");
  EXPECT_EQ(ui.prompts.back().text, "Дубликатът на бележката е вече отпечатан");
}

TEST_F(Driver1EndToEnd, ServiceReceiptAndVoid) {
  ASSERT_EQ(printer->PrintEmptyServiceReceipt(), "00");
  EXPECT_FALSE(sim->Flags()[Flag::kServiceReceiptOpen]);

  OpenAndSell();
  ASSERT_EQ(printer->SellItem(Cp("Хляб"), 1, -1.20, 1, 0), "00");  // a void
  double subtotal = 0;
  ASSERT_NE(printer->Subtotal(subtotal, 0, false, false, false), "");
  EXPECT_NEAR(subtotal, 1.20, 0.001);
  ASSERT_EQ(printer->Payment(0, 1.20, false, 0), "00");
  ASSERT_EQ(printer->CloseFiscalReceipt(), "00");
  EXPECT_TRUE(ui.prompts.empty());
}

TEST_F(Driver1EndToEnd, StatusCheckClosesAnOpenReceiptBeforeAReport) {
  OpenAndSell();
  printer.reset();      // that action is over and lets the port go;
  printer = Connect();  // a later action finds the receipt open
  ui.Answer({1, 1});    // "Затваряне", then "Приключване" for the unpaid 2.40
  ASSERT_EQ(printer->PrintDailyReport(false), "00");
  ASSERT_EQ(ui.prompts.size(), 2u);
  EXPECT_EQ(ui.prompts[0].text, "Отворен Фискален Бон");
  EXPECT_EQ(ui.prompts[1].text, "Има неприключена сметка от 2.40 лева");
  EXPECT_FALSE(sim->Flags()[Flag::kFiscalReceiptOpen]);
}

TEST_F(Driver1EndToEnd, StatusCheckSetsTheClockThroughTheDialog) {
  sim->Inject(Fault::kClockNotSet);
  std::string set;
  ui.OnDateTimeDialog([&](int port) {
    FiscalPrinter clock(&ui, port);
    set = clock.IsConnected() ? clock.SetDateTime(std::time(nullptr)) : "not connected";
  });
  ui.DateTimeResults({1});
  ui.Answer({1});  // "Сверяване"
  ASSERT_EQ(printer->PrintDailyReport(false), "00");
  EXPECT_EQ(set, "00");
  EXPECT_EQ(ui.dateTimeDialogs, 1);
  EXPECT_EQ(ui.prompts.front().text, "Несверен часовник. Сверете Дата и Час");
  EXPECT_FALSE(sim->Flags()[Flag::kClockNotSet]);
}

TEST_F(Driver1EndToEnd, DailyZReport) {
  const DailyReportInfo before = Info();
  // No turnover yet: the zero report is asked for.
  ui.Answer({6});
  ASSERT_EQ(printer->PrintDailyReport(true), "00");
  ASSERT_EQ(ui.prompts.size(), 1u);
  EXPECT_EQ(ui.prompts[0].text, "Искате да направите Нулев Дневен Отчет?");
  const DailyReportInfo after = Info();
  EXPECT_EQ(after.lastFMReport, before.lastFMReport + 1);

  // With turnover it is not.
  OpenAndSell();
  ASSERT_EQ(printer->Payment(0, 2.40, false, 0), "00");
  ASSERT_EQ(printer->CloseFiscalReceipt(), "00");
  ASSERT_EQ(printer->PrintDailyReport(true), "00");
  EXPECT_EQ(ui.prompts.size(), 1u);
  EXPECT_EQ(Info().lastFMReport, after.lastFMReport + 1);
  PaymentTotals payments;
  ASSERT_EQ(printer->ReadDailyPaymentTotals(payments), "OK");
  EXPECT_EQ(payments.payments[0], 0);
}

TEST_F(Driver1EndToEnd, OtherReports) {
  EXPECT_EQ(printer->PrintOperatorReport(false, 1), "00");
  EXPECT_EQ(printer->PrintArticleReport(false), "00");
  EXPECT_EQ(printer->PrintExtendedDailyReport(false), "00");
  EXPECT_EQ(printer->PrintSpecialFMReport(), "00");
  EXPECT_TRUE(ui.prompts.empty());
}

TEST_F(Driver1EndToEnd, FiscalMemoryReports) {
  const int last = Info().lastFMReport;
  ASSERT_GT(last, 0);
  EXPECT_EQ(printer->PrintShortFMReportByBlocks(1, last), "00");
  EXPECT_EQ(printer->PrintDetailedFMReportByBlocks(1, last), "00");
  EXPECT_TRUE(ui.prompts.empty());

  EXPECT_EQ(printer->PrintShortFMReportByBlocks(1, last + 1), "");
  ASSERT_EQ(ui.prompts.size(), 1u);
  EXPECT_NE(ui.prompts[0].text.find(Sprintf("номер: %d.", last)), std::string::npos);

  ui.prompts.clear();
  const std::time_t now = std::time(nullptr);
  EXPECT_EQ(printer->PrintShortFMReportByDates(now - 40 * 86400, now), "00");
  EXPECT_EQ(printer->PrintDetailedFMReportByDates(now - 40 * 86400, now), "00");
  EXPECT_TRUE(ui.prompts.empty());
  // Ending tomorrow: the clock is offered; "Отказ" sends nothing.
  const std::string paper = sim->Paper();
  ui.Answer({2});
  EXPECT_EQ(printer->PrintShortFMReportByDates(now, now + 86400), "");
  EXPECT_EQ(ui.prompts.size(), 1u);
  EXPECT_EQ(ui.prompts[0].style, 0x17u);
  EXPECT_EQ(sim->Paper(), paper);  // nothing printed
}

TEST_F(Driver1EndToEnd, DownloadsTheFiscalMemory) {
  TempFile file;
  ASSERT_NE(file.f, nullptr);
  ASSERT_EQ(printer->DownloadFMToFile(file.f), "OK");
  const std::string stream = file.Contents();
  ASSERT_GT(stream.size(), 1u);
  EXPECT_EQ(stream.back(), '@');
  EXPECT_EQ(stream.find('@'), stream.size() - 1);
  // The link is usable again afterwards.
  EXPECT_EQ(Info().lastFMReport > 0, true);

  // A stream cut short: the time-out message, and what came is kept.
  LinkTimeouts fast;
  fast.reply = 500;
  printer->SetTimeouts(fast);
  sim->Inject(Fault::kDownloadCut);
  TempFile cut;
  EXPECT_EQ(printer->DownloadFMToFile(cut.f), "");
  ASSERT_EQ(ui.prompts.size(), 1u);
  EXPECT_EQ(ui.prompts[0].text, "Просрочено време за получаване на данните!");
  EXPECT_EQ(cut.Contents(), stream.substr(0, stream.size() / 2));
}

}  // namespace
