#include <functional>
#include <limits>

#include "driver/text.h"
#include "scripted_printer.h"

namespace {

using ReportData = PrinterScript;

std::string Amount(double v) {
  return Sprintf("%011.2f", v);
}

// `head` followed by a counters record: 7 customers, 2 discounts for 1.25,
// 3 surcharges for 2.5 and 4 voids for 3.75.
std::string CountersReply(std::string head) {
  const size_t at = head.size();
  Put(head, at, "00007");
  Put(head, at + 6, "00002");
  Put(head, at + 12, Amount(1.25));
  Put(head, at + 24, "00003");
  Put(head, at + 30, Amount(2.5));
  Put(head, at + 42, "00004");
  Put(head, at + 48, Amount(3.75));
  return head;
}

// The counters of CountersReply, read back.
void ExpectCounters(const ReceiptCounters& c) {
  EXPECT_EQ(c.customers, 7);
  EXPECT_EQ(c.discounts, 2);
  EXPECT_DOUBLE_EQ(c.discountSum, 1.25);
  EXPECT_EQ(c.surcharges, 3);
  EXPECT_DOUBLE_EQ(c.surchargeSum, 2.5);
  EXPECT_EQ(c.voids, 4);
  EXPECT_DOUBLE_EQ(c.voidSum, 3.75);
}

TEST_F(ReportData, DailyReportInfoFullAndShort) {
  DailyReportInfo info;
  dev.Queue(0x6E, Reply::Data("5;00012;00120;00003;05-03-2008 14:30"));
  EXPECT_EQ(printer->ReadDailyReportInfo(info), "OK");
  EXPECT_EQ(DataOf(0x6E), "5");
  EXPECT_EQ(info.reportNumber, 12);
  EXPECT_EQ(info.lastFMReport, 120);
  EXPECT_EQ(info.journalNumber, 3);
  EXPECT_EQ(FormatTime(info.lastReportTime, "%d.%m.%Y %H:%M"), "05.03.2008 14:30");

  // The date alone reads as 00:00.
  dev.Queue(0x6E, Reply::Data("5;00013;00121;00004;06-03-2008"));
  EXPECT_EQ(printer->ReadDailyReportInfo(info), "OK");
  EXPECT_EQ(info.reportNumber, 13);
  EXPECT_EQ(FormatTime(info.lastReportTime, "%d.%m.%Y %H:%M"), "06.03.2008 00:00");

  // A reply that stops early: the missing fields read 0.
  dev.Queue(0x6E, Reply::Data("5;00014;001"));
  EXPECT_EQ(printer->ReadDailyReportInfo(info), "OK");
  EXPECT_EQ(info.reportNumber, 14);
  EXPECT_EQ(info.lastFMReport, 1);
  EXPECT_EQ(info.journalNumber, 0);
  EXPECT_EQ(info.lastReportTime, 0);

  // No reply: untouched.
  dev.Queue(0x6E, Reply::Nack());
  EXPECT_EQ(printer->ReadDailyReportInfo(info), "");
  EXPECT_EQ(info.reportNumber, 14);
}

TEST_F(ReportData, DailyTotals) {
  std::string taxes;
  for (int g = 0; g < 8; ++g) Put(taxes, 12 * static_cast<size_t>(g), Amount(g + 0.5));
  dev.Queue(0x6D, Reply::Data(taxes));
  TaxGroupTotals t;
  EXPECT_EQ(printer->ReadDailyTaxTotals(t), "OK");
  EXPECT_EQ(t.groups, (std::array<double, 8>{0.5, 1.5, 2.5, 3.5, 4.5, 5.5, 6.5, 7.5}));

  std::string pay = "0;";
  for (int i = 0; i < 5; ++i) Put(pay, 2 + 12 * static_cast<size_t>(i), Amount(10 * i + 1));
  dev.Queue(0x6E, Reply::Data(pay));
  PaymentTotals p;
  EXPECT_EQ(printer->ReadDailyPaymentTotals(p), "OK");
  EXPECT_EQ(p.payments, (std::array<double, 5>{1, 11, 21, 31, 41}));

  dev.Queue(0x6E, Reply::Data(CountersReply("1;")));
  ReceiptCounters c;
  EXPECT_EQ(printer->ReadDailyCounters(c), "OK");
  ExpectCounters(c);

  std::string service = "2;";
  for (int i = 0; i < 5; ++i) Put(service, 2 + 12 * static_cast<size_t>(i), Amount(i));
  Put(service, 62, "00009");
  dev.Queue(0x6E, Reply::Data(service));
  ServiceTotals s;
  EXPECT_EQ(printer->ReadDailyServiceIn(s), "OK");
  EXPECT_EQ(s.amounts, (std::array<double, 5>{0, 1, 2, 3, 4}));
  EXPECT_EQ(s.count, 9);
  dev.Queue(0x6E, Reply::Data(service.substr(0, 35)));  // short: what is there
  EXPECT_EQ(printer->ReadDailyServiceOut(s), "OK");
  EXPECT_EQ(s.amounts, (std::array<double, 5>{0, 1, 2, 0, 0}));
  EXPECT_EQ(s.count, 0);

  EXPECT_EQ(DataOf(0x6E, 0), "0");
  EXPECT_EQ(DataOf(0x6E, 1), "1");
  EXPECT_EQ(DataOf(0x6E, 2), "2");
  EXPECT_EQ(DataOf(0x6E, 3), "3");
}

TEST_F(ReportData, OperatorReadsAreShiftedByTheOperatorField) {
  dev.Queue(0x6F, Reply::Data(CountersReply("1;3;")));
  ReceiptCounters c;
  EXPECT_EQ(printer->ReadOperatorTotals(3, c), "OK");
  EXPECT_EQ(c.operatorNumber, 3);
  ExpectCounters(c);

  std::string amounts = "2;4;";
  for (int i = 0; i < 5; ++i) Put(amounts, 4 + 12 * static_cast<size_t>(i), Amount(i + 1));
  Put(amounts, 64, "00011");
  ServiceTotals s;
  dev.Queue(0x6F, Reply::Data(amounts));
  EXPECT_EQ(printer->ReadOperatorServiceIn(4, s), "OK");
  EXPECT_EQ(s.operatorNumber, 4);
  EXPECT_EQ(s.amounts, (std::array<double, 5>{1, 2, 3, 4, 5}));
  EXPECT_EQ(s.count, 11);
  dev.Queue(0x6F, Reply::Data(amounts));
  EXPECT_EQ(printer->ReadOperatorServiceOut(4, s), "OK");
  PaymentTotals p;
  dev.Queue(0x6F, Reply::Data(amounts.substr(0, 63)));
  EXPECT_EQ(printer->ReadOperatorPayments(4, p), "OK");
  EXPECT_EQ(p.operatorNumber, 4);
  EXPECT_EQ(p.payments, (std::array<double, 5>{1, 2, 3, 4, 5}));

  OperatorReportInfo info;
  dev.Queue(0x6F, Reply::Data("5;9;00042;05-03-2008 14:30"));
  EXPECT_EQ(printer->ReadOperatorReportInfo(9, info), "OK");
  EXPECT_EQ(info.operatorNumber, 9);
  EXPECT_EQ(info.reportNumber, 42);
  EXPECT_EQ(FormatTime(info.lastReportTime, "%d.%m.%Y %H:%M"), "05.03.2008 14:30");

  EXPECT_EQ(DataOf(0x6F, 0), "1;3");
  EXPECT_EQ(DataOf(0x6F, 1), "2;4");
  EXPECT_EQ(DataOf(0x6F, 2), "3;4");
  EXPECT_EQ(DataOf(0x6F, 3), "4;4");
  EXPECT_EQ(DataOf(0x6F, 4), "5;9");
}

TEST_F(ReportData, FiscalMemoryRecords) {
  dev.Queue(0x73, Reply::Data("05-03-2008;0012;0034"));
  FMRecordInfo r;
  EXPECT_EQ(printer->ReadLastFMRecord(r), "OK");
  EXPECT_EQ(FormatTime(r.date, "%d.%m.%Y %H:%M"), "05.03.2008 00:00");
  EXPECT_EQ(r.first, 12);
  EXPECT_EQ(r.second, 34);

  dev.Queue(0x74, Reply::Data("1234"));
  int count = 0;
  EXPECT_EQ(printer->ReadFreeFMRecords(count), "OK");
  EXPECT_EQ(count, 1234);

  // A garbled count does not overflow: it reads as the largest number.
  dev.Queue(0x74, Reply::Data(std::string(30, '7')));
  EXPECT_EQ(printer->ReadFreeFMRecords(count), "OK");
  EXPECT_EQ(count, std::numeric_limits<int>::max());
}

TEST_F(ReportData, ReadsNeedFactoryNumbers) {
  dev.Queue(0x20, Reply::Data(FakeDevice::StatusBytes({Flag::kFiscalized})));
  DailyReportInfo info;
  EXPECT_EQ(printer->ReadDailyReportInfo(info), "");
  EXPECT_EQ(PromptTexts(), std::vector<std::string>{"Незаписани Фабрични Номера"});
  EXPECT_EQ(CountOf(0x6E), 0);
}

}  // namespace
