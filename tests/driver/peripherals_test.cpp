#include <functional>
#include <string>

#include "command_fixture.h"
#include "driver/text.h"

namespace {

class PeripheralsTest : public ScriptedPrinterTest {};

// ---------------------------------------------------------------------------
// Customer display

TEST_F(PeripheralsTest, DisplayLineFitsTwentyCharacters) {
  struct Case {
    int line;
    std::string text;
    int alignment;
    char cmd;
    std::string data;
  } cases[] = {
      {1, "ABCDEFGHIJKLMNOPQRSTUVWXY", 0, '%', "ABCDEFGHIJKLMNOPQRST"},
      {1, "ABCDEFGHIJKLMNOPQRSTUVWXY", 2, '%', "ABCDEFGHIJKLMNOPQRST"},
      {2, "Hello", 1, '&', "       Hello        "},
      {2, "Hello", 2, '&', "               Hello"},
      {1, Cp("Цена"), 0, '%', Cp("Цена") + std::string(16, ' ')},
  };
  for (const auto& c : cases) {
    device.ClearRecords();
    EXPECT_EQ(printer->DisplayLine(c.line, c.text, c.alignment), "00");
    EXPECT_EQ(DataOf(c.cmd), c.data) << c.text;
  }
}

TEST_F(PeripheralsTest, DisplayLineOtherThanOneOrTwoSendsNothing) {
  EXPECT_EQ(printer->DisplayLine(0, "x", 0), "");
  EXPECT_EQ(printer->DisplayLine(3, "x", 0), "");
  EXPECT_TRUE(device.Frames().empty());
}

// ---------------------------------------------------------------------------
// Payment names

TEST_F(PeripheralsTest, SetPaymentNameData) {
  struct Case {
    int n;
    std::string name;
    double rate;
    std::string data;
  } cases[] = {
      {4, "ABCDEFGHIJKL", 1.95583, "4;ABCDEFGHIJ;0001.95583"},
      {2, Cp("Чек"), 0, "2;" + Cp("Чек") + "_______"},
      {4, "EUR", 0, "4;EUR_______"},
      {3, "Card", 1.5, "3;Card______"},  // only type 4 has a rate
      {4, "EUR", 9999.99999, "4;EUR_______;9999.99999"},
  };
  for (const auto& c : cases) {
    device.ClearRecords();
    EXPECT_EQ(printer->SetPaymentName(c.n, c.name, c.rate), "00");
    EXPECT_EQ(DataOf('D'), c.data);
  }
  EXPECT_TRUE(ui.prompts.empty());
}

TEST_F(PeripheralsTest, SetPaymentNameRefusals) {
  EXPECT_EQ(printer->SetPaymentName(0, "Cash", 0), "");
  EXPECT_EQ(printer->SetPaymentName(5, "X", 0), "");
  // A rate that does not fit its ten characters, or makes no sense.
  EXPECT_EQ(printer->SetPaymentName(4, "EUR", 10000), "");
  EXPECT_EQ(printer->SetPaymentName(4, "EUR", -1.5), "");
  EXPECT_TRUE(ui.prompts.empty());

  EXPECT_EQ(printer->SetPaymentName(1, "", 0), "");
  ASSERT_EQ(ui.prompts.size(), 1u);
  EXPECT_EQ(ui.prompts[0].text, "Моля въведете име на плащане!");
  EXPECT_EQ(ui.prompts[0].caption, "Грешка");
  EXPECT_EQ(ui.prompts[0].style, 0x10u);
  EXPECT_EQ(SentCommands(), "");
}

TEST_F(PeripheralsTest, ReadPaymentNamesStripsFill) {
  const std::string reply = Cp("В брой____;Чек_______;Карта_____;Кредит____;EUR_______;1.95583___");
  device.Queue('d', FakeDevice::Reply::Data(reply));
  PaymentNames names;
  EXPECT_EQ(printer->ReadPaymentNames(names), reply);
  EXPECT_EQ(names[0], Cp("В брой"));
  EXPECT_EQ(names[1], Cp("Чек"));
  EXPECT_EQ(names[4], "EUR");
  EXPECT_EQ(names[5], "1.95583");

  device.Queue('d', FakeDevice::Reply::Data("Cash______;Ch"));
  EXPECT_EQ(printer->ReadPaymentNames(names), "Cash______;Ch");
  EXPECT_EQ(names[0], "Cash");
  EXPECT_EQ(names[1], "Ch");
  EXPECT_EQ(names[5], "");
}

// ---------------------------------------------------------------------------
// Departments

std::string DepartmentReply(const std::string& quantity) {
  std::string r =
      "05;" + FitText(Cp("Напитки"), 20, 0, ' ') + ";2;" + FitText("1 234.50", 11, 2, ' ');
  if (!quantity.empty()) r += ";" + quantity;
  return r;
}

TEST_F(PeripheralsTest, ReadDepartmentDecodesFields) {
  const std::string full = DepartmentReply(FitText("12.500", 11, 2, ' '));
  device.Queue('g', FakeDevice::Reply::Data(full));
  Department d;
  d.number = 5;
  EXPECT_EQ(printer->ReadDepartment(d), full);
  EXPECT_EQ(DataOf('g'), "05");
  EXPECT_EQ(d.number, 5);
  EXPECT_EQ(d.name, Cp("Напитки"));
  EXPECT_EQ(d.taxGroup, 2);
  EXPECT_DOUBLE_EQ(d.turnover, 1234.5);
  EXPECT_DOUBLE_EQ(d.quantity, 12.5);
}

TEST_F(PeripheralsTest, ReadDepartmentWithoutQuantity) {
  std::string forty = DepartmentReply("") + ";12";  // 37 + 3 characters
  ASSERT_EQ(forty.size(), 40u);
  device.Queue('g', FakeDevice::Reply::Data(forty));
  Department d;
  d.number = 5;
  d.quantity = 7;
  EXPECT_EQ(printer->ReadDepartment(d), forty);
  EXPECT_EQ(d.quantity, -1.0);
  EXPECT_DOUBLE_EQ(d.turnover, 1234.5);
}

TEST_F(PeripheralsTest, DepartmentTaxGroupIsTheLowFourBits) {
  const std::pair<char, int> cases[] = {{'9', 9}, {'A', 1}, {'\xC3', 3}};
  for (const auto& [byte, group] : cases) {
    std::string reply = DepartmentReply("");
    reply[24] = byte;
    device.Queue('g', FakeDevice::Reply::Data(reply));
    Department d;
    EXPECT_NE(printer->ReadDepartment(d), "");
    EXPECT_EQ(d.taxGroup, group) << byte;
  }
}

TEST_F(PeripheralsTest, SetDepartmentData) {
  Department d;
  d.number = 3;
  d.name = Cp("Хляб");
  d.taxGroup = 1;
  EXPECT_EQ(printer->SetDepartment(d), "00");
  EXPECT_EQ(DataOf('G'), "03;" + Cp("Хляб") + std::string(16, ' ') + ";1");

  d.taxGroup = 8;
  EXPECT_EQ(printer->SetDepartment(d), "");
  EXPECT_EQ(SentCommands(), "G");
}

// ---------------------------------------------------------------------------
// Invoice range and returned sums

TEST_F(PeripheralsTest, SetInvoiceRangeZeroFills) {
  EXPECT_EQ(printer->SetInvoiceRange({"123", "4567"}), "00");
  EXPECT_EQ(DataOf('P'), "0000000123;0000004567");

  // Cutting would program a different number; letters are not numbers.
  EXPECT_EQ(printer->SetInvoiceRange({"12345678901", "99999999999"}), "");
  EXPECT_EQ(printer->SetInvoiceRange({"12a", "4567"}), "");
  EXPECT_EQ(printer->SetInvoiceRange({"", "4567"}), "");
  EXPECT_EQ(printer->SetInvoiceRange({"9999999999", "9999999999"}), "00");
  EXPECT_EQ(SentCommands(), "PP");
}

TEST_F(PeripheralsTest, ReadOperatorReturnedSums) {
  OperatorReturnedSums sums;
  sums.operatorNumber = 0;
  EXPECT_EQ(printer->ReadOperatorReturnedSums(sums), "");
  sums.operatorNumber = 10;
  EXPECT_EQ(printer->ReadOperatorReturnedSums(sums), "");
  EXPECT_EQ(SentCommands(), "");

  std::string reply = "6;3";
  for (const char* s : {"12.50", "0.00", "3.10", "100.00", "7.77"})
    reply += ";" + FitText(s, 11, 2, ' ');
  device.Queue('o', FakeDevice::Reply::Data(reply));
  sums.operatorNumber = 3;
  EXPECT_EQ(printer->ReadOperatorReturnedSums(sums), "OK");
  EXPECT_EQ(DataOf('o'), "6;3");
  EXPECT_EQ(sums.operatorNumber, 3);
  EXPECT_EQ(sums.sums, (std::array<double, 5>{12.5, 0, 3.1, 100, 7.77}));
}

// ---------------------------------------------------------------------------
// Display and printouts without data of their own

TEST_F(PeripheralsTest, CommandsWithFixedData) {
  struct Case {
    const char* name;
    std::function<std::string(FiscalPrinter&)> call;
    char cmd;
    std::string data;
  };
  const std::string text45 = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrs";
  const Case cases[] = {
      {"clear display", [](FiscalPrinter& p) { return p.ClearDisplay(); }, '$', ""},
      {"both lines cut to 40", [&](FiscalPrinter& p) { return p.DisplayBothLines(text45, 2); },
       '\'', text45.substr(0, 40)},
      {"both lines centred", [](FiscalPrinter& p) { return p.DisplayBothLines("Hello", 1); }, '\'',
       std::string(17, ' ') + "Hello" + std::string(18, ' ')},
      {"both lines right", [](FiscalPrinter& p) { return p.DisplayBothLines("Hello", 2); }, '\'',
       std::string(35, ' ') + "Hello"},
      {"display date and time", [](FiscalPrinter& p) { return p.DisplayDateTime(); }, '(', ""},
      {"diagnostics", [](FiscalPrinter& p) { return p.PrintDiagnostics(); }, '"', ""},
      {"journal report", [](FiscalPrinter& p) { return p.PrintJournalReport(); }, '|', "E"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    device.ClearRecords();
    EXPECT_EQ(c.call(*printer), "00");
    EXPECT_EQ(SentCommands(), std::string(1, c.cmd));
    EXPECT_EQ(DataOf(static_cast<uint8_t>(c.cmd)), c.data);
  }
  EXPECT_TRUE(ui.prompts.empty());
}

TEST_F(PeripheralsTest, ReadInvoiceRangeDropsTrailingSpaces) {
  device.Queue('p', FakeDevice::Reply::Data("123       ;0000004567"));
  InvoiceRange range{"x", "y"};
  EXPECT_EQ(printer->ReadInvoiceRange(range), "123       ;0000004567");
  EXPECT_EQ(range.first, "123");
  EXPECT_EQ(range.last, "0000004567");  // leading zeros are the number's own
}

}  // namespace
