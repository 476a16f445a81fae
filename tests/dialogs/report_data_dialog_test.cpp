// The report data dialogs against a scripted printer: decimals from the status,
// closing on a failed opening, and the operator dialog's returned sums.
#include <gtest/gtest.h>

#include "dialog_fixtures.h"
#include "dialogs/report_data_dialog.h"
#include "driver/status_flags.h"
#include "driver/text.h"

namespace {

constexpr int kPort = 3;
using Reply = FakeDevice::Reply;

std::string Sums(const std::string& head, double first) {
  std::string out = head;
  for (int i = 0; i < 5; ++i) out += ";" + Sprintf("%011.2f", first + i);
  return out;
}

class ReportDataDialogTest : public ScriptedPrinterDialogTest {
 protected:
  ReportDataDialogTest() : ScriptedPrinterDialogTest(kPort) {}
};

TEST_F(ReportDataDialogTest, AmountsTakeTheirDecimalsFromThePrinter) {
  device_.SetFlag(Flag::kDecimals, false);
  DailyReportDataDialog whole(nullptr, &ui_, kPort, Services());
  ASSERT_TRUE(whole.ReadAtOpening());
  device_.Queue(0x6E, Reply::Data(Sums("0", 12)));
  Click(&whole, 1340);
  EXPECT_EQ(whole.Field(1343)->GetValue(), "12");

  device_.SetFlag(Flag::kDecimals, true);
  DailyReportDataDialog decimals(nullptr, &ui_, kPort, Services());
  ASSERT_TRUE(decimals.ReadAtOpening());
  device_.Queue(0x6E, Reply::Data(Sums("0", 12)));
  Click(&decimals, 1340);
  EXPECT_EQ(decimals.Field(1343)->GetValue(), "12.00");
  // A negative amount is not shown: the field keeps its text.
  device_.Queue(0x6E, Reply::Data(Sums("0", -3)));
  Click(&decimals, 1340);
  EXPECT_EQ(decimals.Field(1343)->GetValue(), "12.00");
  EXPECT_EQ(decimals.Field(1344)->GetValue(), "13.00");
  EXPECT_EQ(decimals.Field(1346)->GetValue(), "0.00");
}

TEST_F(ReportDataDialogTest, ClosesItselfWhenTheStatusCannotBeRead) {
  device_.Queue(0x20, Reply::Nack());
  OperatorReportDataDialog dialog(nullptr, &ui_, kPort, Services());
  EXPECT_EQ(dialog.ShowModal(), wxID_CANCEL);
  EXPECT_TRUE(dialog.ClosedItself());
}

TEST_F(ReportDataDialogTest, OperatorGetAllReadsTheReturnedSumsEvenAfterAFailure) {
  OperatorReportDataDialog dialog(nullptr, &ui_, kPort, Services());
  ASSERT_TRUE(dialog.ReadAtOpening());
  SetText(&dialog, report_data::kOperatorNumber, "3");
  device_.Queue(0x6F, Reply::Nack());  // operator payments
  device_.Queue(0x6F, Reply::Data(Sums("6;3", 1)));
  Click(&dialog, report_data::kOperatorGetAll);
  ProcessPending();
  EXPECT_EQ(dialog.Field(1420)->GetValue(), "1.00");
  EXPECT_EQ(dialog.Field(1424)->GetValue(), "5.00");
  const auto frames = FramesOf(0x6F);
  ASSERT_FALSE(frames.empty());
  EXPECT_EQ(frames.front().data, "4;3");
  EXPECT_EQ(frames.back().data, "6;3");
}

}  // namespace
