// The window-free halves of the fiscal-memory report, report data and payment
// types dialogs, against a scripted printer.
#include <gtest/gtest.h>

#include <map>
#include <set>

#include "dialog_fixtures.h"
#include "dialogs/fm_report_range.h"
#include "dialogs/payment_rows.h"
#include "dialogs/report_data_groups.h"
#include "driver/cp1251.h"
#include "driver/status_flags.h"
#include "driver/text.h"

namespace {

constexpr int kPort = 5;
using Reply = FakeDevice::Reply;

std::string Amount(double v) {
  return Sprintf("%011.2f", v);
}

// Writes `text` into `s` at `pos`, growing it with ';' as needed.
void Put(std::string& s, size_t pos, const std::string& text) {
  if (s.size() < pos + text.size()) s.resize(pos + text.size(), ';');
  s.replace(pos, text.size(), text);
}

// ---------------------------------------------------------------------------
// Calendar

TEST(PreviousMonth, FirstAndLastDayAtThePrintersHourAndMinute) {
  const struct {
    ClockFields now;
    int year, month, lastDay;
  } cases[] = {
      {{2008, 3, 15, 10, 20, 33}, 2008, 2, 29},  // leap year
      {{2009, 1, 10, 8, 5, 0}, 2008, 12, 31},    // January: December of the year before
      {{2100, 3, 1, 0, 0, 0}, 2100, 2, 28},      // divisible by 4, yet no leap year
      {{2000, 3, 31, 23, 59, 59}, 2000, 2, 29},  // divisible by 400: leap year
      {{2026, 5, 31, 12, 0, 0}, 2026, 4, 30},   {{2026, 10, 2, 12, 0, 0}, 2026, 9, 30},
      {{2026, 8, 2, 12, 0, 0}, 2026, 7, 31},
  };
  for (const auto& c : cases) {
    const DayRange r = PreviousMonth(c.now);
    SCOPED_TRACE(Sprintf("%04d-%02d", c.now.year, c.now.month));
    EXPECT_EQ(r.from.year, c.year);
    EXPECT_EQ(r.from.month, c.month);
    EXPECT_EQ(r.from.day, 1);
    EXPECT_EQ(r.to.year, c.year);
    EXPECT_EQ(r.to.month, c.month);
    EXPECT_EQ(r.to.day, c.lastDay);
    for (const ClockFields* f : {&r.from, &r.to}) {
      EXPECT_EQ(f->hour, c.now.hour);
      EXPECT_EQ(f->minute, c.now.minute);
      EXPECT_EQ(f->second, 0);
    }
  }
}

// ---------------------------------------------------------------------------
// Against a scripted printer

class DialogLogicTest : public ScriptedPrinterDialogTest {
 protected:
  DialogLogicTest() : ScriptedPrinterDialogTest(kPort) {}
  void SetUp() override {
    ScriptedPrinterDialogTest::SetUp();
    printer_ = Services().OpenPrinter(&ui_, kPort);
    ASSERT_TRUE(printer_->IsConnected());
  }
  void TearDown() override {
    printer_.reset();
    ScriptedPrinterDialogTest::TearDown();
  }
  static Reply ReportInfo(int lastReport) {
    return Reply::Data(Sprintf("5;00012;%05d;00003;05-03-2008 14:30", lastReport));
  }
  std::unique_ptr<FiscalPrinter> printer_;
};

TEST_F(DialogLogicTest, BlocksPresetIsTheWholeRangeOrClosesTheDialog) {
  device_.Queue(0x6E, ReportInfo(57));
  FmBlocksPreset p = ReadFmBlocksPreset(*printer_);
  EXPECT_EQ(p.opening, FmReportOpening::kReady);
  EXPECT_EQ(p.lastReport, 57);

  device_.Queue(0x6E, ReportInfo(0));
  EXPECT_EQ(ReadFmBlocksPreset(*printer_).opening, FmReportOpening::kNoReports);

  device_.Queue(0x6E, Reply::Nack());
  EXPECT_EQ(ReadFmBlocksPreset(*printer_).opening, FmReportOpening::kClose);
}

TEST_F(DialogLogicTest, DatesPresetIsThePreviousMonthByThePrintersClock) {
  device_.Queue(0x6E, ReportInfo(3));
  device_.Queue(0x68, Reply::Data("15-03-2008 10:20"));
  FmDatesPreset p = ReadFmDatesPreset(*printer_);
  EXPECT_EQ(p.opening, FmReportOpening::kReady);
  ASSERT_TRUE(p.range);
  EXPECT_EQ(FormatTime(ComposeLocalTime(p.range->from), "%d-%m-%Y %H:%M:%S"),
            "01-02-2008 10:20:00");
  EXPECT_EQ(FormatTime(ComposeLocalTime(p.range->to), "%d-%m-%Y %H:%M:%S"), "29-02-2008 10:20:00");

  // The clock cannot be read: the dialog stays, its pickers as they were.
  device_.Queue(0x6E, ReportInfo(3));
  device_.Queue(0x68, Reply::Nack());
  p = ReadFmDatesPreset(*printer_);
  EXPECT_EQ(p.opening, FmReportOpening::kReady);
  EXPECT_FALSE(p.range);

  // No reports: the clock is not even read.
  device_.ClearRecords();
  device_.Queue(0x6E, ReportInfo(0));
  EXPECT_EQ(ReadFmDatesPreset(*printer_).opening, FmReportOpening::kNoReports);
  EXPECT_TRUE(FramesOf(0x68).empty());
}

TEST_F(DialogLogicTest, ReportButtonsRunTheirOwnCommand) {
  for (int i = 0; i < 2; ++i) device_.Queue(0x6E, ReportInfo(57));
  EXPECT_FALSE(PrintFmReportByBlocks(*printer_, FmReportDetail::kShort, 2, 57).empty());
  EXPECT_FALSE(PrintFmReportByBlocks(*printer_, FmReportDetail::kDetailed, 1, 5).empty());
  ASSERT_EQ(FramesOf(0x79).size(), 1u);
  EXPECT_EQ(FramesOf(0x79)[0].data, "0002;0057");
  ASSERT_EQ(FramesOf(0x78).size(), 1u);
  EXPECT_EQ(FramesOf(0x78)[0].data, "0001;0005");

  const std::time_t from = ComposeLocalTime({2008, 3, 5, 10, 20, 0});
  const std::time_t to = ComposeLocalTime({2008, 3, 7, 10, 20, 0});
  for (int i = 0; i < 2; ++i) {
    device_.Queue(0x6E, ReportInfo(57));
    device_.Queue(0x68, Reply::Data("15-03-2008 10:20"));
  }
  EXPECT_FALSE(PrintFmReportByDates(*printer_, FmReportDetail::kShort, from, to).empty());
  EXPECT_FALSE(PrintFmReportByDates(*printer_, FmReportDetail::kDetailed, from, to).empty());
  ASSERT_EQ(FramesOf(0x7B).size(), 1u);
  EXPECT_EQ(FramesOf(0x7B)[0].data, "050308;070308");
  ASSERT_EQ(FramesOf(0x7A).size(), 1u);
  EXPECT_TRUE(ui_.prompts.empty());
}

// Records what the report data reads show, by field id.
class RecordingDataForm : public ReportDataForm {
 public:
  void ShowAmount(int id, double v) override { amounts[id] = v; }
  void ShowCount(int id, int v) override { counts[id] = v; }
  void ShowDate(int id, std::time_t t) override { dates[id] = t; }
  int OperatorNumber() override { return op; }
  std::map<int, double> amounts;
  std::map<int, int> counts;
  std::map<int, std::time_t> dates;
  int op = 1;
};

TEST(ReportDataGroups, DecimalsFromTheStatusAndTheDateLabel) {
  StatusFlags flags{};
  EXPECT_EQ(AmountDecimals(flags), 0);
  flags[Flag::kDecimals] = true;
  EXPECT_EQ(AmountDecimals(flags), 2);
  EXPECT_EQ(ReportDateText(ComposeLocalTime({2008, 3, 5, 14, 30, 0})), "05 март 2008  14:30");
  EXPECT_EQ(OperatorForRead(3), 3);
  EXPECT_EQ(OperatorForRead(0), 1);
  EXPECT_EQ(OperatorForRead(10), 1);
}

TEST(ReportDataGroups, EveryFieldIdOnceInEachDialog) {
  for (const auto* groups : {&DailyDataGroups(), &OperatorDataGroups()}) {
    std::set<int> ids;
    size_t fields = 0;
    for (const DataGroup& g : *groups) {
      ids.insert(g.getId);
      for (const DataField& f : g.fields) ids.insert(f.id);
      fields += g.fields.size() + 1;
    }
    EXPECT_EQ(ids.size(), fields);
  }
}

TEST_F(DialogLogicTest, DailyGetAllStopsAtTheFirstFailedRead) {
  std::string taxes;
  for (int g = 0; g < 8; ++g) Put(taxes, 12 * static_cast<size_t>(g), Amount(g + 0.5));
  device_.Queue(0x6D, Reply::Data(taxes));
  std::string pay = "0;";
  for (int i = 0; i < 5; ++i) Put(pay, 2 + 12 * static_cast<size_t>(i), Amount(10 * i + 1));
  device_.Queue(0x6E, Reply::Data(pay));
  device_.Queue(0x6E, Reply::Nack());  // the deposits
  RecordingDataForm form;
  ReadAllDailyGroups(*printer_, form);
  EXPECT_DOUBLE_EQ(form.amounts.at(1337), 0.5);  // group А
  EXPECT_DOUBLE_EQ(form.amounts.at(1383), 7.5);  // group З
  EXPECT_DOUBLE_EQ(form.amounts.at(1343), 1);    // payment 0
  EXPECT_DOUBLE_EQ(form.amounts.at(1347), 41);   // payment 4
  EXPECT_EQ(form.amounts.size(), 13u);
  EXPECT_TRUE(form.counts.empty());
  EXPECT_TRUE(form.dates.empty());
  const auto daily = FramesOf(0x6E);
  ASSERT_GE(daily.size(), 2u);
  EXPECT_EQ(daily[0].data, "0");
  EXPECT_EQ(daily[1].data, "2");
  for (const auto& f : daily) EXPECT_NE(f.data, "3");
}

TEST_F(DialogLogicTest, DailyServiceAndReportInfoFillCountsAmountsAndTheDate) {
  std::string in = "2;";
  for (int i = 0; i < 5; ++i) Put(in, 2 + 12 * static_cast<size_t>(i), Amount(i + 0.25));
  Put(in, 62, "00006");
  device_.Queue(0x6E, Reply::Data(in));
  device_.Queue(0x6E, Reply::Data("5;00012;00120;00003;05-03-2008 14:30"));
  RecordingDataForm form;
  EXPECT_TRUE(ReadDailyGroup(*printer_, form, 1355));
  EXPECT_TRUE(ReadDailyGroup(*printer_, form, 1380));
  EXPECT_EQ(form.counts.at(1367), 6);
  EXPECT_DOUBLE_EQ(form.amounts.at(1356), 0.25);
  EXPECT_DOUBLE_EQ(form.amounts.at(1360), 4.25);
  EXPECT_EQ(form.counts.at(1376), 12);
  EXPECT_EQ(form.counts.at(1377), 120);
  EXPECT_EQ(form.counts.at(1378), 3);
  EXPECT_EQ(ReportDateText(form.dates.at(1379)), "05 март 2008  14:30");
  EXPECT_FALSE(ReadDailyGroup(*printer_, form, 1999));
}

TEST_F(DialogLogicTest, OperatorReadsAskForTheFieldsOperator) {
  RecordingDataForm form;
  form.op = 3;
  std::string counters =
      "1;3;00007;00002;" + Amount(1.25) + ";00003;" + Amount(2.5) + ";00004;" + Amount(3.75);
  device_.Queue(0x6F, Reply::Data(counters));
  EXPECT_TRUE(ReadOperatorGroup(*printer_, form, 1401));
  EXPECT_EQ(form.counts.at(1387), 7);
  EXPECT_EQ(form.counts.at(1388), 2);
  EXPECT_DOUBLE_EQ(form.amounts.at(1389), 1.25);
  EXPECT_EQ(form.counts.at(1392), 4);
  EXPECT_DOUBLE_EQ(form.amounts.at(1393), 3.75);

  // An emptied field reads operator 1, as leaving it would write.
  form.op = 0;
  device_.Queue(0x6F, Reply::Data("6;1;" + Amount(1) + ";" + Amount(2) + ";" + Amount(3) + ";" +
                                  Amount(4) + ";" + Amount(5)));
  EXPECT_TRUE(ReadOperatorGroup(*printer_, form, report_data::kReturnedSumsGet));
  EXPECT_DOUBLE_EQ(form.amounts.at(1420), 1);
  EXPECT_DOUBLE_EQ(form.amounts.at(1424), 5);
  const auto frames = FramesOf(0x6F);
  ASSERT_EQ(frames.size(), 2u);
  EXPECT_EQ(frames[0].data, "1;3");
  EXPECT_EQ(frames[1].data, "6;1");
}

TEST_F(DialogLogicTest, OperatorGetAllOrderAndStop) {
  RecordingDataForm form;
  form.op = 2;
  device_.Queue(0x6F, Reply::Data("4;2;" + Amount(1) + ";" + Amount(2) + ";" + Amount(3) + ";" +
                                  Amount(4) + ";" + Amount(5)));
  device_.Queue(0x6F, Reply::Data("2;2;" + Amount(1) + ";" + Amount(2) + ";" + Amount(3) + ";" +
                                  Amount(4) + ";" + Amount(5) + ";00009"));
  device_.Queue(0x6F, Reply::Nack());
  ReadAllOperatorGroups(*printer_, form);
  EXPECT_DOUBLE_EQ(form.amounts.at(1386), 5);
  EXPECT_EQ(form.counts.at(1394), 9);
  EXPECT_EQ(form.counts.count(1406), 0u);
  std::vector<std::string> sent;
  for (const auto& f : FramesOf(0x6F)) sent.push_back(f.data);
  ASSERT_GE(sent.size(), 3u);
  EXPECT_EQ(sent[0], "4;2");
  EXPECT_EQ(sent[1], "2;2");
  EXPECT_EQ(sent[2], "3;2");
  for (const auto& s : sent) EXPECT_TRUE(s != "1;2" && s != "5;2" && s != "6;2") << s;
}

// Records the payment dialog's controls.
class RecordingPaymentForm : public PaymentForm {
 public:
  std::optional<std::string> Name(int n) override { return names[n]; }
  void SetName(int n, const std::string& name) override {
    names[n] = name;
    ticked.insert(n);
  }
  double Rate() override { return rate; }
  void SetRateText(const std::string& t) override {
    rateText = t;
    ticked.insert(4);
  }
  bool Ticked(int n) override { return ticked.count(n) > 0; }
  void RateRefused() override { ++refusals; }
  std::map<int, std::string> names;
  std::set<int> ticked;
  double rate = 0;
  std::string rateText;
  int refusals = 0;
};

Reply PaymentNamesReply() {
  return Reply::Data(Utf8ToCp1251Lossy("В БРОЙ____;КАРТА_____;ЧЕК_______;ВАУЧЕР____;ВАЛУТА____;") +
                     " 001.95583");
}

TEST_F(DialogLogicTest, PaymentGetsFillRowsFromOneRead) {
  RecordingPaymentForm form;
  device_.Queue(0x64, PaymentNamesReply());
  RunPaymentButton(*printer_, form, kPaymentRows[3].getId);
  EXPECT_EQ(form.names[4], Utf8ToCp1251Lossy("ВАЛУТА"));
  EXPECT_EQ(form.rateText, "001.95583");

  form = {};
  form.ticked = {1, 3};
  EXPECT_TRUE(PaymentButtonNeedsPrinter(payment_ids::kGetSelected, form));
  device_.ClearRecords();
  device_.Queue(0x64, PaymentNamesReply());
  RunPaymentButton(*printer_, form, payment_ids::kGetSelected);
  EXPECT_EQ(form.names[1], Utf8ToCp1251Lossy("КАРТА"));
  EXPECT_EQ(form.names[3], Utf8ToCp1251Lossy("ВАУЧЕР"));
  EXPECT_EQ(form.names.count(2), 0u);
  EXPECT_EQ(FramesOf(0x64).size(), 1u);
}

TEST_F(DialogLogicTest, PaymentSetsReadFirstAndStopAtAFailure) {
  RecordingPaymentForm form;
  form.names = {{1, "A"}, {2, "B"}, {3, "C"}, {4, "D"}};
  // The names cannot be read: nothing is programmed.
  device_.Queue(0x64, Reply::Nack());
  RunPaymentButton(*printer_, form, kPaymentRows[1].setId);
  EXPECT_TRUE(FramesOf(0x44).empty());

  // Rows 1 and 3 ticked: 1 is programmed, then 3.
  form.ticked = {1, 3};
  device_.Queue(0x64, PaymentNamesReply());
  RunPaymentButton(*printer_, form, payment_ids::kSetSelected);
  auto frames = FramesOf(0x44);
  ASSERT_EQ(frames.size(), 2u);
  EXPECT_EQ(frames[0].data, "1;A_________");
  EXPECT_EQ(frames[1].data, "3;C_________");

  // Row 1 refused: row 3 is not tried.
  device_.ClearRecords();
  device_.Queue(0x64, PaymentNamesReply());
  device_.Queue(0x44, Reply::Ack("04"));
  RunPaymentButton(*printer_, form, payment_ids::kSetSelected);
  EXPECT_EQ(FramesOf(0x44).size(), 1u);

  // Payment 4 sends its rate; a rate that is no number is refused with a word.
  device_.ClearRecords();
  form.rate = 1.95583;
  device_.Queue(0x64, PaymentNamesReply());
  RunPaymentButton(*printer_, form, kPaymentRows[3].setId);
  frames = FramesOf(0x44);
  ASSERT_EQ(frames.size(), 1u);
  EXPECT_EQ(frames[0].data, "4;D_________;0001.95583");
  form.rate = -1.0;
  device_.Queue(0x64, PaymentNamesReply());
  RunPaymentButton(*printer_, form, kPaymentRows[3].setId);
  EXPECT_EQ(FramesOf(0x44).size(), 1u);
  EXPECT_EQ(form.refusals, 1);
}

TEST(PaymentRows, OnlyPrinterButtonsWithSomethingToDoNeedThePrinter) {
  RecordingPaymentForm form;
  EXPECT_FALSE(PaymentButtonNeedsPrinter(payment_ids::kGetSelected, form));
  EXPECT_FALSE(PaymentButtonNeedsPrinter(payment_ids::kSetSelected, form));
  EXPECT_FALSE(PaymentButtonNeedsPrinter(payment_ids::kSelectAll, form));
  EXPECT_TRUE(PaymentButtonNeedsPrinter(kPaymentRows[1].getId, form));
  EXPECT_TRUE(PaymentButtonNeedsPrinter(kPaymentRows[2].setId, form));
  EXPECT_EQ(RateTextFromPrinter(" 1 .95583 "), "1.95583");
}

}  // namespace
