#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "driver/cp1251.h"
#include "driver/fiscal_printer.h"
#include "driver/status_flags.h"
#include "driver/text.h"
#include "link/settings.h"
#include "sim/sim_server.h"
#include "support/scripted_ui.h"

// What the host reads back and what is on the paper when it tries to make the
// simulated printer's registers lie: a void below zero, a register past its
// field, a header line laid out for another width.
namespace {

constexpr int kPort = 7;

std::string Cp(const std::string& utf8) {
  return Utf8ToCp1251(utf8).value_or("?");
}

// The printed line that holds `what` ("" when none does).
std::string PaperLine(const std::string& paper, const std::string& what) {
  const size_t at = paper.find(what);
  if (at == std::string::npos) return "";
  const size_t start = paper.rfind('\n', at);
  const size_t end = paper.find('\n', at);
  const size_t from = start == std::string::npos ? 0 : start + 1;
  return paper.substr(from, end == std::string::npos ? std::string::npos : end - from);
}

class RegistersEndToEnd : public ::testing::Test {
 protected:
  void SetUp() override {
    sim = std::make_unique<SimServer>();
    PortMap::Instance().Set(kPort, sim->Path());
    printer = std::make_unique<FiscalPrinter>(&ui, kPort);
    ASSERT_TRUE(printer->IsConnected());
  }
  void TearDown() override {
    printer.reset();
    PortMap::Instance().Clear();
  }

  ScriptedUi ui;
  std::unique_ptr<SimServer> sim;
  std::unique_ptr<FiscalPrinter> printer;
};

TEST_F(RegistersEndToEnd, AVoidThatWouldTurnAGroupNegativeIsRefused) {
  ASSERT_EQ(printer->OpenFiscalReceipt({1, "", "1"}, false, true), "00");
  ASSERT_EQ(printer->SellItem(Cp("Мляко"), 2, 10, 1, -50), "00");  // 5.00 in В
  ASSERT_EQ(printer->SellItem(Cp("Хляб"), 0, 3, 1, 0), "00");      // 3.00 in А
  ui.Answer({1});
  EXPECT_EQ(printer->SellItem(Cp("Мляко"), 2, -10, 1, 0), "07");
  ASSERT_EQ(ui.prompts.size(), 1u);
  EXPECT_NE(ui.prompts[0].text.find("Не е открита транзакция за войдиране"), std::string::npos);

  ReceiptState state;
  ASSERT_EQ(printer->ReadReceiptState(state), "OK");
  EXPECT_DOUBLE_EQ(state.groupSubtotals[2], 5.00);
  ui.Answer({1});  // pay the 8.00 left
  ASSERT_EQ(printer->CloseFiscalReceipt(), "00");
  EXPECT_EQ(ui.prompts.back().text, "Има неприключена сметка от 8.00 лева");

  TaxGroupTotals totals;
  ASSERT_EQ(printer->ReadDailyTaxTotals(totals), "OK");
  EXPECT_DOUBLE_EQ(totals.groups[0], 3.00);
  EXPECT_DOUBLE_EQ(totals.groups[2], 5.00);
  const std::string paper = sim->Paper();
  EXPECT_EQ(paper.find("ВОЙД"), std::string::npos) << paper;
  const std::string total = PaperLine(paper, "ОБЩА СУМА");
  EXPECT_NE(total.find(" 8.00"), std::string::npos) << total;
  EXPECT_EQ(total.find('-'), std::string::npos) << total;
}

TEST_F(RegistersEndToEnd, ASaleThatWouldOverflowTheDayIsRefusedAndTheFieldsKeepTheirPlaces) {
  sim->WithDevice([](SimDevice& d) { d.State().dailyTotals[0] = 9999999899LL; });  // 99 999 998.99
  ASSERT_EQ(printer->OpenFiscalReceipt({1, "", "1"}, false, false), "00");
  ASSERT_EQ(printer->SellItem(Cp("Бензин"), 2, 3, 1, 0), "00");
  ui.Answer({1});
  EXPECT_EQ(printer->SellItem(Cp("Вестник"), 0, 2, 1, 0), "25");
  ASSERT_EQ(ui.prompts.size(), 1u);
  EXPECT_NE(ui.prompts[0].text.find("Препълване в общите регистри"), std::string::npos);
  StatusFlags flags{};
  ASSERT_NE(printer->ReadStatus(flags), "");
  EXPECT_TRUE(flags[8]);

  ASSERT_EQ(printer->Payment(0, 3, false, 0), "00");
  ASSERT_EQ(printer->CloseFiscalReceipt(), "00");
  TaxGroupTotals totals;
  ASSERT_EQ(printer->ReadDailyTaxTotals(totals), "OK");
  EXPECT_DOUBLE_EQ(totals.groups[0], 99999998.99);
  EXPECT_DOUBLE_EQ(totals.groups[2], 3.00);
  EXPECT_EQ(sim->Paper().find("Вестник"), std::string::npos);
}

TEST_F(RegistersEndToEnd, AHeaderLineLaidOutForAnotherWidthIsKeptAtThePrintersWidth) {
  ASSERT_EQ(printer->SetHeaderLine(3, "ABC", 1, 38), "00");
  HeaderLine line;
  ASSERT_EQ(printer->ReadHeaderLine(3, line), "OK");
  EXPECT_EQ(line.width, 42);
  EXPECT_EQ(line.alignment, 1);
  EXPECT_EQ(line.text, "ABC");

  sim->ClearPaper();
  ASSERT_EQ(printer->PrintEmptyServiceReceipt(), "00");
  const std::string printed = PaperLine(sim->Paper(), "ABC");
  EXPECT_EQ(printed.rfind(std::string(19, ' ') + "ABC", 0), 0u) << "[" << printed << "]";
}

}  // namespace
