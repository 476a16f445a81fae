// The device's documents and rounding: VAT and adjustments rounded once,
// every document numbered, empty receipts, fiscal-memory report totals, and
// the state a new or a smaller printer starts from.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "device_fixture.h"

namespace {

// The amount at the right end of the first printed line holding `what`.
std::string AmountOn(const std::string& paper, const std::string& what) {
  for (const auto& line : PaperLines(paper))
    if (line.find(what) != std::string::npos) return line.substr(line.rfind(' ') + 1);
  return "(no line " + what + ")";
}

TEST(DocumentsTest, VatIsRoundedOnceFromTheExactValue) {
  EXPECT_EQ(VatIn(600, 900, '0'), 0);     // 6 at 9 %: 0.495
  EXPECT_EQ(VatIn(1200, 900, '0'), 100);  // 12 at 9 %: 0.99
  EXPECT_EQ(VatIn(1090, 900, '2'), 90);   // 10.90 at 9 %: 0.90
  EXPECT_EQ(VatIn(100, 2000, '2'), 17);   // 1.00 at 20 %: 0.1667
  EXPECT_EQ(VatIn(-100, 2000, '2'), -17);
  EXPECT_EQ(VatIn(500, 0, '2'), 0);

  DeviceState s = SimDevice::SampleState(42);
  s.decimals = '0';
  Device d(s);
  d.Open();
  ASSERT_EQ(d.Code(0x31, "Нощувка;Г;000000006"), "00");
  d.PayAndClose();
  EXPECT_EQ(AmountOn(d.Paper(), "ДДС Г"), "0");
  ASSERT_EQ(d.Code(0x7C, "X"), "00");
  EXPECT_EQ(AmountOn(d.Paper(), "   ДДС Г"), "0");
}

TEST(DocumentsTest, ASubtotalAdjustmentIsSharedByRoundingAndTheLargestGroupTakesTheRest) {
  struct Case {
    const char* what;
    std::vector<std::string> sales;
    std::string adjustment;
    std::vector<double> groups;  // А, Б, В, Г afterwards
  };
  const Case cases[] = {
      {"shares rounded, not cut",
       {"X;А;0000002.00", "Y;Б;0000001.00"},
       "0;0:-000001.00",
       {1.33, 0.67, 0, 0}},
      {"remainder to the largest group, not the last",
       {"X;А;0000004.00", "Y;Б;0000001.00", "Z;В;0000001.00", "W;Г;0000001.00"},
       "0;0:-000001.00",
       {3.42, 0.86, 0.86, 0.86}},
      {"a surcharge likewise",
       {"X;А;0000002.00", "Y;Б;0000001.00"},
       "0;0:0000001.00",
       {2.67, 1.33, 0, 0}},
      {"a percentage",
       {"X;А;0000000.10", "Y;Б;0000000.10", "Z;В;0000000.10"},
       "0;0,-50.00%",
       {0.05, 0.05, 0.05, 0}},
  };
  for (const auto& c : cases) {
    Device d;
    d.Open();
    for (const auto& sale : c.sales) ASSERT_EQ(d.Code(0x31, sale), "00") << c.what;
    ASSERT_EQ(d.Code(0x33, c.adjustment), "data") << c.what;
    const std::string st = d.Data(0x72);
    const size_t at[] = {6, 18, 30, 70};
    for (int g = 0; g < 4; ++g)
      EXPECT_DOUBLE_EQ(FieldDouble(st, at[g], at[g] + 10), c.groups[g]) << c.what << " group " << g;
  }
}

TEST(DocumentsTest, EveryPrintedDocumentHasItsOwnNumber) {
  Device d;
  const int first = d.S().receiptNumber;
  d.Open();
  ASSERT_EQ(d.Code(0x31, "X;Б;0000001.00"), "00");
  d.PayAndClose();
  const char* reports[][2] = {{"\x7C", "X"},         {"\x7D", "X;0"}, {"\x7E", "X"}, {"\x7F", "X"},
                              {"\x79", "0001;0003"}, {"\x77", ""},    {"\x7C", "Z"}};
  std::vector<std::string> numbers;
  for (const auto& r : reports) {
    ASSERT_EQ(d.Code(static_cast<uint8_t>(r[0][0]), r[1]), "00") << r[1];
    numbers.push_back(d.Data(0x71));
  }
  EXPECT_EQ(d.S().receiptNumber, first + 1 + 7);
  for (size_t i = 0; i < numbers.size(); ++i)
    EXPECT_EQ(numbers[i], Sprintf("%04d", first + 2 + static_cast<int>(i)));
  // The numbers on the paper: each footer's "№" differs from the one before.
  std::vector<std::string> printed;
  for (const auto& line : PaperLines(d.Paper()))
    if (line.rfind("№ ", 0) == 0) printed.push_back(line.substr(0, line.find(' ', 4)));
  ASSERT_EQ(printed.size(), 8u);
  for (size_t i = 1; i < printed.size(); ++i) EXPECT_NE(printed[i], printed[i - 1]);
}

TEST(DocumentsTest, AnEmptyFiscalReceiptIsCancelledNotCounted) {
  Device d;
  const int number = d.S().receiptNumber;
  const auto invoiceNext = d.S().invoiceNext;
  for (const char* open : {"1;1;0;1", "1;1;0;0;1;Фирма;Иван;BG1;123;София;"}) {
    ASSERT_EQ(d.Code(0x30, open), "00");
    ASSERT_EQ(d.Code(0x38), "00");  // the host's status check closes it this way
    EXPECT_FALSE(d.D().Flags()[14]);
  }
  EXPECT_EQ(d.S().daily.customers, 0);
  EXPECT_FALSE(d.D().Flags()[9]);   // no turnover: the day needs no Z
  EXPECT_FALSE(d.D().Flags()[11]);  // nor the operator
  EXPECT_EQ(d.S().invoiceNext, invoiceNext);
  EXPECT_EQ(d.S().receiptNumber, number + 2);  // printed, so numbered
  EXPECT_NE(d.Paper().find("АНУЛИРАН БОН"), std::string::npos);
  EXPECT_EQ(d.Paper().find("ФИСКАЛЕН БОН"), std::string::npos);
  EXPECT_EQ(d.Code(0x3A), "02");  // nothing to duplicate

  // A receipt whose sales were all voided is a receipt: it is closed as one.
  d.Open();
  ASSERT_EQ(d.Code(0x31, "X;Б;0000001.00"), "00");
  ASSERT_EQ(d.Code(0x31, "X;Б;-000001.00"), "00");
  ASSERT_EQ(d.Code(0x38), "00");
  EXPECT_EQ(d.S().daily.customers, 1);
  EXPECT_EQ(d.S().daily.voids, 1);
}

// The Z reports of the fiscal memory in the mode each was made in, their
// totals in one mode stated on the paper.
TEST(DocumentsTest, FiscalMemoryReportTotalsAreTheSumOfItsLines) {
  DeviceState s = SimDevice::SampleState(42);
  s.decimals = '0';  // the printer works in whole numbers now
  FmRecord whole = s.fm.back();
  whole.number = 4;
  whole.decimals = '0';
  whole.totals = {1000, 2000, 0, 0, 0, 0, 0, 0};
  s.fm.push_back(whole);
  s.reportNumber = 5;
  Device d(s);
  ASSERT_EQ(d.Code(0x78, "0001;0004"), "00");
  double lines = 0, groups = 0;
  std::string total;
  bool stated = false;
  for (const auto& line : PaperLines(d.Paper())) {
    const std::string amount = line.substr(line.rfind(' ') + 1);
    if (line.rfind("Z 000", 0) == 0) lines += std::atof(amount.c_str());
    if (line.rfind("ОБЩО ", 0) == 0) {
      // "ОБЩО А ..." for a group, "ОБЩО ..." for all of them.
      if (line[std::string("ОБЩО ").size()] != ' ')
        groups += std::atof(amount.c_str());
      else
        total = amount;
    }
    stated = stated || line.find("ДЕСЕТИЧНА ТОЧКА") != std::string::npos;
  }
  EXPECT_NEAR(lines, 805.10 + 745.10 + 685.10 + 30, 0.001);
  EXPECT_NEAR(std::atof(total.c_str()), lines, 0.001) << total;
  EXPECT_NEAR(groups, lines, 0.001);
  EXPECT_NE(total.find('.'), std::string::npos) << "two decimals when any record has them";
  EXPECT_TRUE(stated);
}

TEST(DocumentsTest, ZReportsBeforeFiscalizationLeaveTheFiscalMemoryNumberingAlone) {
  Device d(SimDevice::FactoryState(42));
  ASSERT_EQ(d.Code(0x48, FormatTime(std::time(nullptr), "%d-%m-%y %H:%M:%S")), "00");
  const std::string none = "01-01-2000 00:00";
  EXPECT_EQ(d.Data(0x6E, "5").substr(20), none);
  EXPECT_EQ(d.Data(0x6F, "5;1").substr(10), none);
  EXPECT_EQ(d.Data(0x6B, "00001").substr(71, 16), none);
  ASSERT_EQ(d.Code(0x7C, "Z"), "00");
  ASSERT_EQ(d.Code(0x7C, "Z"), "00");
  ASSERT_EQ(d.Code(0x40, "000000;123456;654321;000000"), "00");
  ASSERT_EQ(d.Code(0x41, "000000;1;    123456786"), "00");
  ASSERT_EQ(d.Code(0x41, "000000;2"), "00");
  ASSERT_EQ(d.Code(0x7C, "Z"), "00");
  ASSERT_EQ(d.S().fm.back().type, FmRecord::kZReport);
  EXPECT_EQ(d.S().fm.back().number, 1);
  const std::string info = d.Data(0x6E, "5");
  EXPECT_EQ(info.substr(0, 14), "5;00002;00001;");
}

TEST(DocumentsTest, ASmallerPrinterSellsItsSamplesInGroupsItHas) {
  DeviceState s = SimDevice::SampleState(42);
  SimDevice::LimitGroups(s, 3);
  EXPECT_EQ(s.groupCount, 3);
  for (const auto& [n, a] : s.articles) EXPECT_LT(a.group, 3) << n;
  for (const auto& [n, dep] : s.departments) EXPECT_LT(dep.group, 3) << n;
  for (const auto& r : s.fm)
    for (int g = 3; g < kGroups; ++g) EXPECT_EQ(r.totals[g], 0) << r.number;
  Device d(s);
  d.Open();
  EXPECT_EQ(d.Code(0x32, " 00007"), "00");  // Нощувка
}

TEST(DocumentsTest, ALongItemTextLosesNothing) {
  for (int width : {42, 38}) {
    Device d(SimDevice::SampleState(width));
    d.Open();
    const std::string text = "Сирене краве БДС от Смолян 1 кг пакет";  // 37 letters
    ASSERT_EQ(d.Code(0x31, text + ";Б;0000012.34"), "00");
    const std::string paper = d.Paper();
    const std::string kept = Cp1251ToUtf8(Utf8ToCp1251Lossy(text).substr(0, 36));
    EXPECT_NE(paper.find(kept), std::string::npos) << paper;
    EXPECT_EQ(AmountOn(paper, "12.34"), "Б");
  }
}

}  // namespace
