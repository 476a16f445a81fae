// Fiscal set-up and the programmable tables, read back at the positions a host
// decodes them.
#include "sim_fixture.h"

namespace {
class ProgrammingTest : public SimTest {};

class FactoryTest : public SimTest {
 protected:
  FactoryTest() : SimTest(Factory()) {}
  static SimOptions Factory() {
    SimOptions o;
    o.factory = true;
    return o;
  }
};

TEST_F(FactoryTest, WholeFiscalization) {
  auto f = Flags();
  EXPECT_FALSE(f[23]);
  EXPECT_FALSE(f[24]);
  EXPECT_TRUE(f[3]);  // a new clock is not set
  EXPECT_EQ(Data(0x60), "NV000000;50000000");
  EXPECT_EQ(Code(0x41, "000000;1;    123456786"), "F2");  // factory numbers first
  EXPECT_EQ(Code(0x40, "     1;000777;000888;000000"), "92");
  EXPECT_EQ(Code(0x40, "000000;777;888;0"), "04");
  EXPECT_EQ(Code(0x40, "000000;000777;000888;000000"), "00");
  EXPECT_TRUE(Flags()[24]);
  EXPECT_EQ(Code(0x40, "000000;000777;000888;000000"), "02");  // once only
  const std::string numbers = Data(0x60);
  EXPECT_EQ(FieldInt(numbers, 2, 7), 777);
  EXPECT_EQ(FieldInt(numbers, 11, 16), 888);

  EXPECT_EQ(Code(0x41, "000000;1;    123456786"), "32");  // clock not set
  EXPECT_EQ(Code(0x48, FormatTime(std::time(nullptr), "%d-%m-%y %H:%M:%S")), "00");
  EXPECT_EQ(Code(0x41, "000000;2"), "F2");  // no tax number yet
  EXPECT_EQ(Code(0x41, "000000;1;    12345678a"), "04");
  EXPECT_EQ(Code(0x41, "000000;1;    123456786"), "00");
  // Spaces removed and the last character dropped give the number.
  std::string tax = RemoveChar(Data(0x61), ' ', 0);
  tax.pop_back();
  EXPECT_EQ(tax, "123456786");
  EXPECT_EQ(Code(0x41, "000000;2"), "00");
  f = Flags();
  EXPECT_TRUE(f[23]);
  const auto st = State();
  ASSERT_EQ(st.fm.size(), 1u);
  EXPECT_EQ(st.fm[0].type, FmRecord::kFiscalization);
  EXPECT_EQ(Code(0x41, "000000;2"), "02");
  EXPECT_EQ(Code(0x41, "000000;1;    999999999"), "02");
  EXPECT_NE(sim_->Paper().find("ФИСКАЛИЗАЦИЯ"), std::string::npos);
}

TEST_F(ProgrammingTest, TaxRates) {
  const std::string rates = Data(0x62);
  EXPECT_EQ(rates, "00.00%;20.00%;20.00%;09.00%;-1.00%;-1.00%;-1.00%;-1.00%");
  for (int k = 0; k < 8; ++k) EXPECT_EQ(rates[7 * k + 5], '%');
  EXPECT_EQ(Code(0x42, "     9;00.00%;20.00%;20.00%;09.00%;-1.00%;-1.00%;-1.00%;-1.00%"), "92");
  EXPECT_EQ(Code(0x42, "000000;-1.00%;20.00%;20.00%;09.00%;-1.00%;-1.00%;-1.00%;-1.00%"), "04");
  EXPECT_EQ(Code(0x42, "000000;00.00%;20.00%;20.00%;09.00%;05.00%;-1.00%;-1.00%;-1.00%"), "00");
  EXPECT_EQ(FieldDouble(Data(0x62), 28, 32), 5.0);
  EXPECT_EQ(State().fm.back().type, FmRecord::kTaxRates);
  OpenReceipt();
  EXPECT_EQ(Code(0x31, "X;Д;0000001.00"), "00");  // group Д is on now
}

TEST_F(ProgrammingTest, WholeNumberMode) {
  EXPECT_EQ(Data(0x63), "2");
  EXPECT_EQ(Code(0x43, "000000;1"), "04");
  EXPECT_EQ(Code(0x43, "000000;0"), "00");
  EXPECT_EQ(Data(0x63), "0");
  EXPECT_FALSE(Flags()[22]);
  OpenReceipt();
  EXPECT_EQ(Code(0x31, "X;Б;000000012"), "00");
  EXPECT_EQ(Data(0x33, "0;0"), "000000012");
  EXPECT_EQ(FieldDouble(Data(0x72), 18, 28), 12.0);
  EXPECT_EQ(Data(0x72).substr(18, 11), "00000000012");
}

TEST_F(ProgrammingTest, HeaderLines) {
  EXPECT_EQ(Code(0x49, "3;   ABC   "), "00");
  EXPECT_EQ(Data(0x69, "3"), "3;" + FitText("ABC", 42, 1, ' ') + ";");  // at the printer's width
  EXPECT_EQ(Code(0x49, "9;" + std::string(15, 'x')), "00");
  EXPECT_EQ(Data(0x69, "9"), "9;" + std::string(12, 'x') + ";");
  EXPECT_EQ(Code(0x49, "0;" + std::string(25, 'y')), "00");
  EXPECT_EQ(Data(0x69, "0").size(), 23u);
  EXPECT_EQ(Data(0x69, "1").size(), 45u);  // 42 characters wide
  EXPECT_EQ(Code(0x49, "x;abc"), "04");
  EXPECT_EQ(Code(0x69, "12"), "04");
}

TEST_F(ProgrammingTest, FewerTaxGroupsGiveAShorterRateList) {
  SimOptions o;
  o.taxGroups = 4;
  SimServer four(o);
  SimClient c(four.Path());
  const std::string rates = c.Transact(0x62, "").data;
  EXPECT_EQ(rates, "00.00%;20.00%;20.00%;09.00%");
  EXPECT_GE(rates.size(), 26u);
  EXPECT_LT(rates.size(), 33u);
  EXPECT_EQ(c.Transact(0x42, "000000;00.00%;20.00%;20.00%;09.00%").code, "00");
}

TEST_F(ProgrammingTest, CurrencyOnTheReceipt) {
  EXPECT_EQ(Code(0x45, "0001;0;0;1;0;0;1;"), "00");
  OpenReceipt();
  EXPECT_EQ(Code(0x31, "X;Б;0000019.56"), "00");
  EXPECT_EQ(Code(0x35, "4;0;0000019.56;0;"), "00");
  const std::string paper = sim_->Paper();
  EXPECT_NE(paper.find("ВАЛУТА                               10.00"), std::string::npos) << paper;
  EXPECT_NE(paper.find("10.00 x 1.95583"), std::string::npos) << paper;
}

TEST_F(ProgrammingTest, NarrowHeader) {
  SimOptions o;
  o.headerWidth = 38;
  SimServer narrow(o);
  SimClient c(narrow.Path());
  EXPECT_EQ(c.Transact(0x69, "1").data.size(), 41u);
}

TEST_F(ProgrammingTest, OperatorsAndPasswords) {
  const std::string op = Data(0x6A, "3");
  EXPECT_EQ(op.size(), 27u);
  EXPECT_EQ(U(RemoveChar(op.substr(2, 20), ' ', 2)), "Оператор 3");
  EXPECT_EQ(op.substr(23, 4), "3   ");
  EXPECT_EQ(Code(0x4A, "0;X;1"), "04");
  EXPECT_EQ(Code(0x4A, "3;Иван Петров         ;42  "), "00");
  EXPECT_EQ(U(Data(0x6A, "3")), "3;Иван Петров         ;42  ");
  EXPECT_EQ(Code(0x30, "3;3;0;1"), "92");
  EXPECT_EQ(Code(0x30, "3;42;0;1"), "00");
}

TEST_F(ProgrammingTest, Articles) {
  EXPECT_EQ(Code(0x4B, "00010;Сирене              ;000012.90;Г;Ђ;"), "00");
  const std::string a = Data(0x6B, "00010");
  EXPECT_EQ(a.size(), 89u);
  EXPECT_EQ(FieldInt(a, 0, 4), 10);
  EXPECT_EQ(U(RemoveChar(a.substr(6, 20), ' ', 2)), "Сирене");
  EXPECT_DOUBLE_EQ(FieldDouble(a, 27, 37), 12.90);
  EXPECT_EQ(a[39] & 7, 3);
  EXPECT_EQ(a[88] & 0x7F, 0);
  EXPECT_EQ(Data(0x6B, "00001")[88] & 0x7F, 1);
  EXPECT_EQ(Code(0x4B, "00010;X                   ;-00001.00;Г;Ђ;"), "04");
  EXPECT_EQ(Code(0x4B, "00010;X                   ;000001.00;Е;Ђ;"), "09");
  EXPECT_EQ(Code(0x4B, "01001;X                   ;000001.00;А;Ђ;"), "04");
  EXPECT_EQ(Code(0x6B, "01001"), "04");
  OpenReceipt();
  EXPECT_EQ(Code(0x32, " 00010"), "00");
  EXPECT_DOUBLE_EQ(FieldDouble(Data(0x72), 70, 80), 12.90);  // group Г
}

TEST_F(ProgrammingTest, DepartmentsPaymentsInvoicesParameters) {
  EXPECT_EQ(Code(0x47, "07;Цветя              ;1"), "00");
  const std::string d = Data(0x67, "07");
  EXPECT_GT(d.size(), 40u);
  EXPECT_EQ(FieldInt(d, 0, 1), 7);
  EXPECT_EQ(U(RemoveChar(d.substr(3, 20), ' ', 2)), "Цветя");
  EXPECT_EQ(d[24] & 0x0F, 1);
  EXPECT_EQ(Code(0x47, "07;X;9"), "04");

  EXPECT_EQ(Code(0x44, "2;Кредит____"), "00");
  EXPECT_EQ(Code(0x44, "4;Евро______;0001.95583"), "00");
  EXPECT_EQ(Code(0x44, "0;Пари______"), "04");
  const std::string names = Data(0x64);
  EXPECT_EQ(U(RemoveChar(names.substr(22, 10), '_', 0)), "Кредит");
  EXPECT_EQ(U(RemoveChar(names.substr(44, 10), '_', 0)), "Евро");
  EXPECT_EQ(names.substr(55, 10), "0001.95583");

  EXPECT_EQ(Code(0x50, "0000000123;0000004567"), "00");
  EXPECT_EQ(Data(0x70), "0000000123;0000004567");
  EXPECT_EQ(Code(0x50, "0000000200;0000000100"), "04");

  EXPECT_EQ(Code(0x45, "0042;1;1;0;1;1;1;"), "00");
  const std::string p = Data(0x65);
  EXPECT_EQ(FieldInt(p, 0, 3), 42);
  EXPECT_EQ(p.substr(5, 11), "1;1;0;1;1;1");
  const auto f = Flags();
  EXPECT_TRUE(f[29]);   // logo
  EXPECT_TRUE(f[28]);   // drawer
  EXPECT_FALSE(f[25]);  // cutter
  EXPECT_TRUE(f[26]);
  EXPECT_TRUE(f[30]);  // short journal: S4 bit 3 set
  EXPECT_TRUE(f[31]);
  const std::string s = Data(0x20);
  EXPECT_EQ(static_cast<unsigned char>(s[4]), 0x80 | 0x02 | 0x08 | 0x10 | 0x20 | 0x40);
}

TEST_F(ProgrammingTest, Clock) {
  EXPECT_EQ(Code(0x48, "07-12-27 10:11:12"), "00");
  EXPECT_EQ(Data(0x68).substr(0, 16), "07-12-2027 10:11");
  // Not before the last fiscal-memory record.
  EXPECT_EQ(Code(0x48, "01-01-20 10:00:00"), "02");
  EXPECT_EQ(Code(0x48, "31-02-27 10:00:00"), "04");
  EXPECT_EQ(Code(0x48, "07-12-27 25:00:00"), "04");
  EXPECT_EQ(Code(0x48, "garbage"), "04");
  EXPECT_EQ(Code(0x28), "00");
  EXPECT_EQ(State().display[0].substr(5, 10), "07-12-2027");
}
}  // namespace
