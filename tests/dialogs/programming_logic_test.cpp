// The plain logic behind the header-lines, operators, article and department
// dialogs: counters, the texts a read puts into a field, the layout choice, the
// printed operator list (bytes on a scripted printer) and the field rules.
#include <gtest/gtest.h>

#include <ctime>

#include "dialogs/article_fields.h"
#include "dialogs/cliche_lines.h"
#include "dialogs/operator_list.h"
#include "driver/cp1251.h"
#include "support/fake_device.h"
#include "support/scripted_ui.h"

namespace {

std::string Cp(const std::string& utf8) {
  return Utf8ToCp1251(utf8).value_or("?");
}

const ClicheRow& RowOfLine(int line) {
  for (const ClicheRow& r : kClicheRows)
    if (r.line == line) return r;
  throw std::logic_error("no such line");
}

}  // namespace

TEST(ClicheLines, RowsInDialogOrderWithTheirLimits) {
  std::string order;
  for (const ClicheRow& r : kClicheRows) order += static_cast<char>('0' + r.line);
  EXPECT_EQ(order, "1234567890");
  for (int width : {kClicheNarrowWidth, kClicheWideWidth}) {
    for (int line = 1; line <= 8; ++line) EXPECT_EQ(ClicheRowLimit(RowOfLine(line), width), width);
    // The label and the greeting keep their widths in both layouts.
    EXPECT_EQ(ClicheRowLimit(RowOfLine(9), width), 12);
    EXPECT_EQ(ClicheRowLimit(RowOfLine(0), width), 20);
  }
}

TEST(ClicheLines, CountersTurnRedNearTheLimit) {
  const struct {
    int line, width, length;
    const char* shown;
    bool red;
  } cases[] = {
      {3, 38, 0, "38", false}, {3, 38, 32, "6", false}, {3, 38, 33, "5", true},
      {8, 42, 36, "6", false}, {8, 42, 37, "5", true},  {9, 38, 10, "2", false},
      {9, 42, 11, "1", true},  {0, 38, 16, "4", false}, {0, 42, 17, "3", true},
      {1, 38, 40, "-2", true},  // a longer text put there by a read
  };
  for (const auto& c : cases) {
    const CharCounter counter = ClicheCounter(RowOfLine(c.line), c.width, c.length);
    EXPECT_EQ(counter.text, c.shown) << c.line << "/" << c.width << "/" << c.length;
    EXPECT_EQ(counter.red, c.red) << c.line << "/" << c.width << "/" << c.length;
  }
}

TEST(ClicheLines, ReadTextOfLabelAndGreetingIsCutThenTrimmed) {
  // 14 characters: cut to 12, then the blanks at both ends go.
  EXPECT_EQ(ClicheFieldText(RowOfLine(9), Cp("  ЕИК:  ABCDEF")), Cp("ЕИК:  ABCD"));
  EXPECT_EQ(ClicheFieldText(RowOfLine(9), "  \t "), "");
  EXPECT_EQ(ClicheFieldText(RowOfLine(0), std::string(22, 'x')), std::string(20, 'x'));
  // Full-width lines are shown as read, inner and outer spaces alike.
  EXPECT_EQ(ClicheFieldText(RowOfLine(2), "  A  B   "), "  A  B   ");
}

TEST(ClicheLines, WideLayoutOnlyForALine1Kept42Long) {
  HeaderLine h;
  for (const auto& [width, expected] : {std::pair{42, 42}, {38, 38}, {0, 38}, {41, 38}, {43, 38}}) {
    h.width = width;
    EXPECT_EQ(ClicheWidthForLine1(h), expected) << width;
  }
}

TEST(OperatorList, NameCounterTurnsRedAbove16) {
  EXPECT_EQ(OperatorNameCounter(0), (CharCounter{"20", false}));
  EXPECT_EQ(OperatorNameCounter(16), (CharCounter{"4", false}));
  EXPECT_EQ(OperatorNameCounter(17), (CharCounter{"3", true}));
  EXPECT_EQ(OperatorNameCounter(20), (CharCounter{"0", true}));
}

TEST(OperatorList, LinesAreFittedColumns) {
  EXPECT_EQ(OperatorListHeading(), Cp("Оп.N           Име          Парола"));
  EXPECT_EQ(OperatorListHeading().size(), 34u);
  EXPECT_EQ(OperatorListLine(3, Cp("Иван"), "12"), Cp("   3   Иван                  12  "));
  // Longer texts are cut to their columns.
  EXPECT_EQ(OperatorListLine(9, std::string(25, 'N'), "123456"),
            "   9   " + std::string(20, 'N') + "  1234");
}

// The printed list on a scripted printer: exact frames, in order.
class OperatorListPrint : public ::testing::Test {
 protected:
  static constexpr int kPort = 7;
  void SetUp() override {
    device_.MapTo(kPort);
    device_.SetFlag(24, true);  // factory numbers written
    device_.SetFlag(23, true);  // fiscalized
    device_.SetHandler([](const FakeDevice::ReceivedFrame& f) {
      if (f.cmd == 0x20) return FakeDevice::Reply::Data(FakeDevice::StatusBytes({23, 24}));
      if (f.cmd == 'j')
        return FakeDevice::Reply::Data(f.data + ";" + Cp("Оператор ") + f.data +
                                       std::string(10, ' ') + ";" + f.data + f.data + "  ");
      return FakeDevice::Reply::Ack("00");
    });
  }

  // The commands sent after the status reads, as a string.
  std::string Sent() const {
    std::string out;
    for (const auto& f : device_.Frames())
      if (f.cmd != 0x20) out += static_cast<char>(f.cmd);
    return out;
  }
  std::vector<std::string> Printed() const {
    std::vector<std::string> out;
    for (const auto& f : device_.Frames())
      if (f.cmd == '7') out.push_back(f.data);
    return out;
  }

  FakeDevice device_;
  ScriptedUi ui_;
};

TEST_F(OperatorListPrint, SelectedRowsThenFourFeedsAndTheEnd) {
  FiscalPrinter printer(&ui_, kPort);
  ASSERT_TRUE(printer.IsConnected());
  std::vector<int> read;
  EXPECT_TRUE(PrintOperatorList(printer, {2, 7}, kFeedsAfterSelected,
                                [&](const OperatorRecord& r) { read.push_back(r.number); }));
  EXPECT_EQ(Sent(), "7j7j7++++)");
  EXPECT_EQ(read, (std::vector<int>{2, 7}));
  const auto printed = Printed();
  ASSERT_EQ(printed.size(), 3u);
  // The text command fits every line to 34 characters.
  EXPECT_EQ(printed[1], Cp("   2   Оператор 2            22   "));
  EXPECT_TRUE(ui_.prompts.empty());
}

TEST_F(OperatorListPrint, AFailedReadEndsTheListWithoutFeeding) {
  device_.Queue('j', FakeDevice::Reply::Data("1;" + std::string(20, 'A') + ";1111"));
  device_.Queue('j', FakeDevice::Reply::Data("2;" + std::string(20, 'B') + ";2222"));
  device_.Queue('j', FakeDevice::Reply::Data("3;" + std::string(20, 'C') + ";3333"));
  device_.Queue('j', FakeDevice::Reply::Nack());
  FiscalPrinter printer(&ui_, kPort);
  ASSERT_TRUE(printer.IsConnected());
  ui_.SetFallback(2);  // "Отказ" to the link error
  std::vector<int> read;
  EXPECT_FALSE(PrintOperatorList(printer, {1, 2, 3, 4, 5, 6, 7, 8, 9}, kFeedsAfterAll,
                                 [&](const OperatorRecord& r) { read.push_back(r.number); }));
  EXPECT_EQ(read, (std::vector<int>{1, 2, 3}));
  EXPECT_EQ(Sent(), "7j7j7j7j");
  EXPECT_FALSE(ui_.prompts.empty());
}

TEST_F(OperatorListPrint, AFailedFeedLeavesThePrintoutUnfinished) {
  device_.Queue('+', FakeDevice::Reply::Ack("00"));
  device_.Queue('+', FakeDevice::Reply::Nack());
  FiscalPrinter printer(&ui_, kPort);
  ASSERT_TRUE(printer.IsConnected());
  EXPECT_FALSE(PrintOperatorList(printer, {5}, kFeedsAfterSelected, nullptr));
  EXPECT_EQ(Sent(), "7j7++");
}

TEST(ArticleFields, PriceFieldFollowsTheDecimalMode) {
  EXPECT_EQ(ArticlePriceConfig('0'), (NumericFieldConfig{false, 0, 99999999, 0, 8, 0}));
  EXPECT_EQ(ArticlePriceConfig('2'), (NumericFieldConfig{true, 0, 999999.99, 2, 9, 0}));
  EXPECT_EQ(ArticleAmountConfig('0').decimals, 0);
  EXPECT_EQ(ArticleAmountConfig('2').decimals, 2);
}

TEST(ArticleFields, TaxGroupLettersAndTheSelectorAgree) {
  for (int i = 0; i < 8; ++i) EXPECT_EQ(TaxGroupLetter(i), kTaxGroupItems[static_cast<size_t>(i)]);
  EXPECT_EQ(TaxGroupLetter(3), "Г");
  EXPECT_EQ(TaxGroupLetter(8), "");
  EXPECT_EQ(TaxGroupLetter(-1), "");
}

TEST(ArticleFields, ReportDateAndDepartmentAmounts) {
  std::tm tm{};
  tm.tm_year = 2026 - 1900;
  tm.tm_mon = 11;
  tm.tm_mday = 7;
  tm.tm_hour = 9;
  tm.tm_min = 5;
  tm.tm_isdst = -1;
  EXPECT_EQ(ArticleReportDate(std::mktime(&tm)), "07 декември 2026  09:05");
  EXPECT_EQ(DepartmentAmount(1234.5), "1234.50");
  EXPECT_EQ(DepartmentAmount(0), "0.00");
}

TEST(ArticleFields, DepartmentChecksNeedANumberAndForSetAName) {
  EXPECT_EQ(DepartmentGetProblem(""), "Моля въведете номер на департамент!");
  EXPECT_EQ(DepartmentGetProblem("45"), "");
  EXPECT_EQ(DepartmentSetProblem("3", ""), "Моля въведете повече информация!");
  EXPECT_EQ(DepartmentSetProblem("", "Хляб"), "Моля въведете повече информация!");
  EXPECT_EQ(DepartmentSetProblem("3", "Хляб"), "");
}
