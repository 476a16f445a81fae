// The device's registers as a fiscal printer keeps them: never negative,
// never past their fields, header lines at the printer's own width.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "device_fixture.h"

namespace {

// Group `g` of the open receipt as the receipt-state reply carries it.
double ReceiptGroup(Device& d, int g) {
  const std::string st = d.Data(0x72);
  const size_t at = g < 3 ? 6 + 12 * g : 70 + 12 * (g - 3);
  return FieldDouble(st, at, at + 10);
}

TEST(RegistersTest, AVoidNeverTakesAGroupOrAnItemBelowZero) {
  struct Case {
    const char* what;
    std::vector<std::string> before;  // commands 0x31 ("text;G;price...") or "sub:" 0x33
    std::string voidLine;
    std::string code;
  };
  const Case cases[] = {
      {"discounted sale voided at full price, other group",
       {"Мляко;В;0000010.00,-50.00%", "Хляб;А;0000003.00"},
       "Мляко;В;-000010.00",
       "07"},
      {"discounted sale voided at full price, same group",
       {"Мляко;В;0000010.00,-50.00%", "Сирене;В;0000010.00"},
       "Мляко;В;-000010.00",
       "07"},
      {"void after a subtotal discount",
       {"Мляко;В;0000010.00", "Хляб;А;0000003.00", "sub:0;0,-50.00%"},
       "Мляко;В;-000010.00",
       "07"},
      {"void with the sale's own discount",
       {"Мляко;В;0000010.00,-50.00%"},
       "Мляко;В;-000010.00,-50.00%",
       "00"},
      {"void of part of a quantity",
       {"Мляко;В;0000002.00*000003.000"},
       "Мляко;В;-000002.00*000002.000",
       "00"},
      {"void of more than was sold", {"Мляко;В;0000002.00"}, "Мляко;В;-000002.00*000002.000", "07"},
  };
  for (const auto& c : cases) {
    Device d;
    d.Open();
    for (const auto& cmd : c.before) {
      if (cmd.rfind("sub:", 0) == 0)
        ASSERT_EQ(d.Code(0x33, cmd.substr(4)), "data") << c.what;
      else
        ASSERT_EQ(d.Code(0x31, cmd), "00") << c.what;
    }
    const double before = ReceiptGroup(d, 2);
    EXPECT_EQ(d.Code(0x31, c.voidLine), c.code) << c.what;
    if (c.code != "00") {
      EXPECT_DOUBLE_EQ(ReceiptGroup(d, 2), before) << c.what;
    }
    for (int g = 0; g < kGroups; ++g) EXPECT_GE(ReceiptGroup(d, g), 0.0) << c.what;
    d.PayAndClose();
    for (int g = 0; g < kGroups; ++g) EXPECT_GE(d.S().dailyTotals[g], 0) << c.what;
    for (const auto& line : PaperLines(d.Paper()))
      if (line.find("ОБЩА СУМА") != std::string::npos) {
        EXPECT_EQ(line.find('-'), std::string::npos) << c.what << ": " << line;
      }
  }
}

// Sets register `r` of a sample printer just below the limit; a sale of
// 0.02 more in group Б (cash) must then be refused.
TEST(RegistersTest, NothingIsSoldOrPaidThatWouldPassARegistersField) {
  const Money nearly = kRegisterLimit - 1;  // 99 999 999.98
  struct Case {
    const char* what;
    void (*setup)(DeviceState&, Money);
    std::string sale;  // 0x31 data, or "pay:" + 0x35 data after a 0.02 sale
    std::string code;
  };
  const Case cases[] = {
      {"day's group total", [](DeviceState& s, Money m) { s.dailyTotals[1] = m; },
       "Хляб;Б;0000000.02", "25"},
      {"day's cash", [](DeviceState& s, Money m) { s.dailyPayments[0] = m; },
       "pay:0;0;0000000.02;0;", "25"},
      {"operator's cash", [](DeviceState& s, Money m) { s.operators[0].payments[0] = m; },
       "pay:0;0;0000000.02;0;", "25"},
      {"day's discounts", [](DeviceState& s, Money m) { s.daily.discountSum = m; },
       "Хляб;Б;0000000.20,-10.00%", "25"},
      {"article turnover", [](DeviceState& s, Money m) { s.articles[1].turnover = m; },
       "art: 00001", "25"},
      {"article quantity",
       [](DeviceState& s, Money) { s.articles[1].quantity = kQuantityLimit - 500; }, "art: 00001",
       "25"},
      {"department turnover", [](DeviceState& s, Money m) { s.departments[1].turnover = m; },
       "art: 00001", "25"},
      {"a register with room", [](DeviceState& s, Money m) { s.dailyTotals[1] = m - 2; },
       "Хляб;Б;0000000.02", "00"},
  };
  for (const auto& c : cases) {
    DeviceState s = SimDevice::SampleState(42);
    c.setup(s, nearly);
    Device d(s);
    d.Open();
    std::string code;
    if (c.sale.rfind("pay:", 0) == 0) {
      ASSERT_EQ(d.Code(0x31, "Хляб;Б;0000000.02"), "00") << c.what;
      code = d.Code(0x35, c.sale.substr(4));
    } else if (c.sale.rfind("art:", 0) == 0) {
      code = d.Code(0x32, c.sale.substr(4));
    } else {
      code = d.Code(0x31, c.sale);
    }
    EXPECT_EQ(code, c.code) << c.what;
    EXPECT_EQ(d.D().Flags()[8], c.code == "25") << c.what;  // overflow flag raised
    // Whatever was refused, the open receipt can still be finished, and every
    // field of every read keeps its width.
    if (d.Data(0x33, "0;0") == "0000000.00") {
      ASSERT_EQ(d.Code(0x31, "Хляб;А;0000000.01"), "00");
    }
    d.PayAndClose();
    EXPECT_EQ(d.Data(0x6D).size(), 8u * 11 + 7) << c.what;
    EXPECT_EQ(d.Data(0x6E, "0").size(), 1u + 5 * 12) << c.what;
    EXPECT_EQ(d.Data(0x6E, "1").size(), 61u) << c.what;
    EXPECT_EQ(d.Data(0x6F, "4;1").size(), 3u + 5 * 12) << c.what;
    EXPECT_EQ(d.Data(0x6B, "00001").size(), 89u) << c.what;
    EXPECT_EQ(d.Data(0x67, "01").size(), 49u) << c.what;
  }
}

TEST(RegistersTest, TheOverflowFlagHoldsUntilTheDailyZ) {
  DeviceState s = SimDevice::SampleState(42);
  s.dailyTotals[1] = kRegisterLimit;
  Device d(s);
  d.Open();
  EXPECT_EQ(d.Code(0x31, "Хляб;Б;0000000.01"), "25");
  EXPECT_EQ(d.Code(0x31, "Хляб;А;0000000.01"), "00");  // group А still has room
  d.PayAndClose();
  EXPECT_EQ(d.Code(0x30, "1;1;0;1"), "22");  // no receipt until the reports are zeroed
  EXPECT_EQ(d.Code(0x7C, "Z"), "00");
  EXPECT_FALSE(d.D().Flags()[8]);
  d.Open();
  EXPECT_EQ(d.Code(0x31, "Хляб;Б;0000000.01"), "00");
}

TEST(RegistersTest, AReceiptStaysWithinItsOwnFields) {
  for (char mode : {'2', '0'}) {
    DeviceState s = SimDevice::SampleState(42);
    s.decimals = mode;
    Device d(s);
    d.Open();
    // Two-decimal mode: 10 x 999 999.99 = 9 999 999.90, the most the
    // 10-character subtotal holds; whole numbers: 99 999 999 in one group.
    const std::string sale = mode == '2' ? "X;Б;0999999.99*000010.000" : "X;Б;099999999";
    ASSERT_EQ(d.Code(0x31, sale), "00") << mode;
    EXPECT_EQ(d.Code(0x31, mode == '2' ? "Y;А;0000000.10" : "Y;Б;000000001"), "05") << mode;
    const std::string sub = d.Data(0x33, "0;0");
    EXPECT_EQ(sub.size(), mode == '2' ? 10u : 9u) << sub;
    EXPECT_EQ(d.Code(0x33, "0;0,10.00%"), "05") << mode;  // a surcharge would pass it too
    EXPECT_EQ(d.Data(0x72).size(), 129u) << mode;
  }
}

TEST(RegistersTest, ServiceSumsStayWithinTheirFields) {
  DeviceState s = SimDevice::SampleState(42);
  s.serviceIn.sums[1] = kRegisterLimit - 100;
  Device d(s);
  EXPECT_EQ(d.Code(0x3B, "1;1;1;0000001.01"), "25");
  EXPECT_TRUE(d.D().Flags()[8]);
  EXPECT_EQ(d.Code(0x3B, "1;1;1;0000001.00"), "00");
  EXPECT_EQ(d.Data(0x6E, "2").size(), 1u + 5 * 12 + 6);
}

TEST(RegistersTest, HeaderLinesAreKeptAtThePrintersWidth) {
  struct Case {
    int width;         // the printer's
    std::string sent;  // what the host laid out (line 3 unless it starts with "n;")
    std::string kept;
  };
  const std::string abc = "ABC";
  const Case cases[] = {
      {42, FitText(abc, 38, 1, ' '), FitText(abc, 42, 1, ' ')},
      {42, FitText(abc, 38, 0, ' '), FitText(abc, 42, 0, ' ')},
      {42, FitText(abc, 38, 2, ' '), FitText(abc, 42, 2, ' ')},
      {38, FitText(abc, 42, 1, ' '), FitText(abc, 38, 1, ' ')},
      {38, std::string(40, 'x'), std::string(38, 'x')},
      {42, "  AB     ", FitText("  AB     ", 42, 1, ' ')},
      {42, "", std::string(42, ' ')},
      {42, "0;" + FitText("THANK YOU", 18, 1, ' '), FitText("THANK YOU", 20, 1, ' ')},
  };
  for (const auto& c : cases) {
    Device d(SimDevice::SampleState(c.width));
    const bool zero = c.sent.rfind("0;", 0) == 0;
    const std::string data = zero ? c.sent : "3;" + c.sent;
    ASSERT_EQ(d.Code(0x49, data), "00") << c.sent;
    const std::string kept = Utf8ToCp1251Lossy(c.kept);
    EXPECT_EQ(d.Data(0x69, zero ? "0" : "3"), std::string(zero ? "0;" : "3;") + kept + ";")
        << c.sent;
  }
}

}  // namespace
