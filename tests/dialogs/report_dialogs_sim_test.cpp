// The fiscal-memory report, report data and payment types dialogs against the
// simulated printer: what they preset, what the printer printed or holds.
#include <gtest/gtest.h>

#include <algorithm>

#include "dialog_fixtures.h"
#include "dialogs/fm_blocks_dialog.h"
#include "dialogs/fm_dates_dialog.h"
#include "dialogs/payment_types_dialog.h"
#include "dialogs/report_data_dialog.h"
#include "dialogs/ui_text.h"
#include "driver/cp1251.h"
#include "driver/text.h"

namespace {

constexpr int kPort = 6;

std::string Cp(const std::string& utf8) {
  return Utf8ToCp1251Lossy(utf8);
}

class ReportDialogsSimTest : public SimPrinterDialogTest {
 protected:
  ReportDialogsSimTest() : SimPrinterDialogTest(kPort) {}

  // A receipt of operator 1: 2 x 1.20 in group Б, paid in cash.
  void SellBread() {
    auto printer = Services().OpenPrinter(&ui_, kPort);
    ASSERT_TRUE(printer->IsConnected());
    ASSERT_EQ(printer->OpenFiscalReceipt({1, "", "1"}, false, false), "00");
    ASSERT_EQ(printer->SellItem(Cp("Хляб"), 1, 1.20, 2, 0), "00");
    ASSERT_NE(printer->Payment(0, 5.00, false, 0), "");
    ASSERT_NE(printer->CloseFiscalReceipt(), "");
  }

  // Leaves the fiscal memory without daily reports.
  void RemoveDailyReports() {
    sim_.WithDevice([](SimDevice& d) {
      auto& fm = d.State().fm;
      fm.erase(std::remove_if(fm.begin(), fm.end(),
                              [](const FmRecord& r) { return r.type == FmRecord::kZReport; }),
               fm.end());
    });
  }

  // Services whose message box counts what it was asked to show.
  DialogServices CountingServices() {
    DialogServices services = Services();
    services.messageBox = [this](wxWindow*, const wxString& text, const wxString&, long style) {
      ++messages_;
      lastMessage_ = text;
      EXPECT_TRUE(style & wxICON_STOP);
      return wxOK;
    };
    return services;
  }

  int messages_ = 0;
  wxString lastMessage_;
};

TEST_F(ReportDialogsSimTest, BlocksReportOffersEveryReportAndPrintsBothKinds) {
  FmBlocksDialog dialog(nullptr, &ui_, kPort, Services());
  ASSERT_TRUE(dialog.ReadAtOpening());
  // The sample printer has three daily reports in its fiscal memory.
  EXPECT_EQ(dialog.From()->GetValue(), "1");
  EXPECT_EQ(dialog.To()->GetValue(), "3");
  EXPECT_FALSE(dialog.To()->IsAcceptable("4"));
  EXPECT_EQ(dialog.ToSpin()->GetMax(), 3);

  SetText(&dialog, FmBlocksDialog::kIdFrom, "2");
  sim_.ClearPaper();
  Click(&dialog, FmBlocksDialog::kIdShort);
  std::string paper = sim_.Paper();
  EXPECT_NE(paper.find("ОТЧЕТ НА ФП ПО БЛОКОВЕ 0002-0003"), std::string::npos) << paper;
  EXPECT_NE(paper.find("СЪКРАТЕН"), std::string::npos);

  sim_.ClearPaper();
  Click(&dialog, FmBlocksDialog::kIdDetailed);
  paper = sim_.Paper();
  EXPECT_NE(paper.find("ОТЧЕТ НА ФП ПО БЛОКОВЕ 0002-0003"), std::string::npos) << paper;
  EXPECT_NE(paper.find("ПОДРОБЕН"), std::string::npos);
  EXPECT_FALSE(dialog.ClosedItself());
  EXPECT_TRUE(ui_.prompts.empty()) << ui_.prompts.front().text;
}

TEST_F(ReportDialogsSimTest, WithoutReportsBothDialogsSayItOnceAndClose) {
  RemoveDailyReports();
  FmBlocksDialog blocks(nullptr, &ui_, kPort, CountingServices());
  EXPECT_EQ(blocks.ShowModal(), wxID_CANCEL);
  EXPECT_TRUE(blocks.ClosedItself());
  FmDatesDialog dates(nullptr, &ui_, kPort, CountingServices());
  EXPECT_EQ(dates.ShowModal(), wxID_CANCEL);
  EXPECT_TRUE(dates.ClosedItself());
  EXPECT_EQ(messages_, 2);
  EXPECT_EQ(lastMessage_, FromUtf8("Фискалният принтер няма фискални отчети"));
}

TEST_F(ReportDialogsSimTest, DatesReportPresetsThePreviousMonthAndPrintsIt) {
  FmDatesDialog dialog(nullptr, &ui_, kPort, Services());
  ASSERT_TRUE(dialog.ReadAtOpening());
  const ClockFields now = SplitLocalTime(std::time(nullptr));
  const DayRange expected = PreviousMonth(now);
  const ClockFields from = dialog.FromFields(), to = dialog.ToFields();
  EXPECT_EQ(from.year, expected.from.year);
  EXPECT_EQ(from.month, expected.from.month);
  EXPECT_EQ(from.day, 1);
  EXPECT_EQ(to.month, expected.to.month);
  EXPECT_EQ(to.day, expected.to.day);

  sim_.ClearPaper();
  Click(&dialog, FmDatesDialog::kIdShort);
  const std::string title = "ОТЧЕТ НА ФП " + FormatTime(ComposeLocalTime(from), "%d-%m-%Y") +
                            " - " + FormatTime(ComposeLocalTime(to), "%d-%m-%Y");
  EXPECT_NE(sim_.Paper().find(title), std::string::npos) << sim_.Paper();
  EXPECT_NE(sim_.Paper().find("СЪКРАТЕН"), std::string::npos);
  EXPECT_FALSE(dialog.ClosedItself());
  EXPECT_TRUE(ui_.prompts.empty()) << ui_.prompts.front().text;
}

TEST_F(ReportDialogsSimTest, DailyDataGetAllShowsTheDaysCounters) {
  SellBread();
  DailyReportDataDialog dialog(nullptr, &ui_, kPort, Services());
  ASSERT_TRUE(dialog.ReadAtOpening());
  EXPECT_EQ(dialog.Field(1338)->GetValue(), "0.00");  // the default, with two decimals
  Click(&dialog, report_data::kDailyGetAll);
  EXPECT_EQ(dialog.Field(1338)->GetValue(), "2.40");  // group Б
  EXPECT_EQ(dialog.Field(1337)->GetValue(), "0.00");
  EXPECT_EQ(dialog.Field(1343)->GetValue(), "2.40");  // cash
  EXPECT_EQ(dialog.Field(1369)->GetValue(), "1");     // one customer
  EXPECT_EQ(dialog.Field(1376)->GetValue(), "4");     // the current report
  EXPECT_EQ(dialog.Field(1377)->GetValue(), "3");     // the last in the fiscal memory
  EXPECT_FALSE(dialog.DateLabel(1379)->GetLabel().empty());
  EXPECT_TRUE(ui_.prompts.empty()) << ui_.prompts.front().text;
}

TEST_F(ReportDialogsSimTest, OperatorDataGetAllReadsTheOperatorAndItsReturnedSums) {
  SellBread();
  OperatorReportDataDialog dialog(nullptr, &ui_, kPort, Services());
  ASSERT_TRUE(dialog.ReadAtOpening());
  EXPECT_EQ(dialog.Field(report_data::kOperatorNumber)->GetValue(), "1");
  dialog.Field(1420)->ChangeValue("x");  // returned sums: shown again afterwards
  Click(&dialog, report_data::kOperatorGetAll);
  ProcessPending();
  EXPECT_EQ(dialog.Field(1382)->GetValue(), "2.40");  // received in cash
  EXPECT_EQ(dialog.Field(1387)->GetValue(), "1");     // one customer
  EXPECT_EQ(dialog.Field(1420)->GetValue(), "2.60");  // the change given
  EXPECT_FALSE(dialog.DateLabel(1404)->GetLabel().empty());

  // Operator 2 sold nothing.
  SetText(&dialog, report_data::kOperatorNumber, "2");
  Click(&dialog, 1402);
  EXPECT_EQ(dialog.Field(1382)->GetValue(), "0.00");
  EXPECT_TRUE(ui_.prompts.empty()) << ui_.prompts.front().text;
}

TEST_F(ReportDialogsSimTest, PaymentNamesAndRateAreReadAndProgrammed) {
  PaymentTypesDialog dialog(nullptr, &ui_, kPort, Services());
  EXPECT_EQ(dialog.RateField()->GetValue(), "1.0");
  for (int p = 1; p <= 4; ++p) EXPECT_FALSE(dialog.Tick(p)->GetValue()) << p;

  Click(&dialog, kPaymentRows[1].getId);
  EXPECT_EQ(dialog.NameField(2)->GetValue(), FromUtf8("ЧЕК"));
  EXPECT_TRUE(dialog.Tick(2)->GetValue());
  Click(&dialog, kPaymentRows[3].getId);
  EXPECT_EQ(dialog.RateField()->GetValue(), "0001.95583");

  SetText(&dialog, kPaymentRows[1].nameId, "ЧЕКОВЕ");
  SetText(&dialog, payment_ids::kRate, "1.5");
  EXPECT_TRUE(dialog.Tick(4)->GetValue());
  Click(&dialog, payment_ids::kSetSelected);
  sim_.WithDevice([](SimDevice& d) {
    EXPECT_EQ(d.State().paymentNames[2], Utf8ToCp1251Lossy("ЧЕКОВЕ"));
    EXPECT_EQ(d.State().paymentNames[4], Utf8ToCp1251Lossy("ВАЛУТА"));
    EXPECT_EQ(d.State().exchangeRate, 150000);
  });

  // With no row ticked, "Set Selected" sends nothing.
  Click(&dialog, payment_ids::kUnselectAll);
  const int frames = sim_.FrameCount();
  Click(&dialog, payment_ids::kSetSelected);
  EXPECT_EQ(sim_.FrameCount(), frames);
  EXPECT_TRUE(ui_.prompts.empty()) << ui_.prompts.front().text;
}

TEST_F(ReportDialogsSimTest, ARateThatIsNoNumberIsNotSentAndTheUserIsTold) {
  PaymentTypesDialog dialog(nullptr, &ui_, kPort, CountingServices());
  SetText(&dialog, kPaymentRows[3].nameId, "EUR");
  SetText(&dialog, payment_ids::kRate, ".");
  Click(&dialog, kPaymentRows[3].setId);
  EXPECT_EQ(messages_, 1);
  EXPECT_EQ(lastMessage_, FromUtf8(kRateRefusedText));
  sim_.WithDevice([](SimDevice& d) {
    EXPECT_EQ(d.State().paymentNames[4], Utf8ToCp1251Lossy("ВАЛУТА"));
    EXPECT_EQ(d.State().exchangeRate, 195583);
  });
}

}  // namespace
