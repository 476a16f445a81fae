// The backup file: what is written reads back the same, and a damaged file is
// refused with the member that is wrong.
#include <gtest/gtest.h>

#include "driver/cp1251.h"
#include "tools/config_json.h"

namespace {

std::string Cp(const char* utf8) {
  return Utf8ToCp1251(utf8).value();
}

PrinterConfig Sample() {
  PrinterConfig c;
  c.origin.version = "FS 1.0";
  c.origin.printerNumber = 123456;
  c.decimalPoint = '2';
  c.taxRates = std::vector<double>{0, 20, 20, 9, -1};
  c.header = std::vector<HeaderLine>{{0, Cp("ДОБРЕ ДОШЛИ"), 1, 20}, {1, "", 1, 42}};
  PrintParameters p;
  p.deviceNumber = 17;
  p.drawer = true;
  p.currency = true;
  c.parameters = p;
  PaymentSetup pay;
  pay.names = {Cp("КАРТА"), Cp("ЧЕК"), Cp("ВАУЧЕР"), Cp("ВАЛУТА")};
  pay.exchangeRate = 1.95583;
  c.payments = pay;
  c.invoices = InvoiceRange{"1", "0000001000"};
  c.operators = std::vector<OperatorRecord>{{1, Cp("Иван"), "1"}, {2, "", ""}};
  Department d;
  d.number = 4;
  d.name = Cp("Напитки");
  d.taxGroup = 1;
  c.departments = std::vector<Department>{d};
  ArticleRecord a;
  a.number = 1000;
  a.name = Cp("Кафе");
  a.price = 1.3;
  a.taxGroup = 7;
  a.department = 4;
  c.articles = std::vector<ArticleRecord>{a};
  return c;
}

TEST(ConfigJson, WrittenFileReadsBackTheSame) {
  const PrinterConfig c = Sample();
  const std::string text = ConfigToJson(c);
  PrinterConfig r;
  std::string error;
  ASSERT_TRUE(ConfigFromJson(text, r, error)) << error << "\n" << text;
  EXPECT_EQ(r.origin.printerNumber, 123456);
  EXPECT_EQ(r.decimalPoint, '2');
  EXPECT_EQ(*r.taxRates, *c.taxRates);
  ASSERT_EQ(r.header->size(), 2u);
  EXPECT_EQ((*r.header)[0].text, (*c.header)[0].text);
  EXPECT_EQ((*r.header)[0].alignment, 1);
  EXPECT_EQ(r.parameters->deviceNumber, 17);
  EXPECT_TRUE(r.parameters->drawer);
  EXPECT_FALSE(r.parameters->logo);
  EXPECT_TRUE(r.parameters->currency);
  EXPECT_EQ(r.payments->names, c.payments->names);
  EXPECT_DOUBLE_EQ(r.payments->exchangeRate, 1.95583);
  EXPECT_EQ(r.invoices->last, "0000001000");
  ASSERT_EQ(r.operators->size(), 2u);
  EXPECT_EQ((*r.operators)[0].name, Cp("Иван"));
  EXPECT_EQ((*r.departments)[0].name, Cp("Напитки"));
  EXPECT_EQ((*r.articles)[0].number, 1000);
  EXPECT_DOUBLE_EQ((*r.articles)[0].price, 1.3);
  EXPECT_EQ((*r.articles)[0].taxGroup, 7);
  // Readable for a person: UTF-8 texts and tax group letters.
  EXPECT_NE(text.find("\"taxGroup\": \"З\""), std::string::npos) << text;
}

TEST(ConfigJson, SectionsLeftOutStayAbsent) {
  PrinterConfig r;
  std::string error;
  ASSERT_TRUE(ConfigFromJson(
      R"({"format":"fiscal-service-backup","formatVersion":1,"operators":[]})", r, error))
      << error;
  EXPECT_TRUE(r.operators.has_value());
  EXPECT_FALSE(r.articles.has_value());
  EXPECT_FALSE(r.taxRates.has_value());
  EXPECT_FALSE(r.decimalPoint.has_value());
}

TEST(ConfigJson, DamagedFilesNameTheMember) {
  const std::string head = R"({"format":"fiscal-service-backup","formatVersion":1,)";
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"{", "не е JSON (ред 1, колона 2)"},
      {R"({"format":"other","formatVersion":1})", "не е файл с настройки"},
      {R"({"format":"fiscal-service-backup","formatVersion":2})", "formatVersion 2 е по-нов"},
      {head + R"("articles":[{"number":1,"name":"А","price":-1,"taxGroup":"Б","department":0}]})",
       "articles[0].price: има повече от 2 знака след десетичната точка или е отрицателно"},
      {head + R"("articles":[{"number":1,"name":"А","price":1,"taxGroup":"Q","department":0}]})",
       "articles[0].taxGroup"},
      {head + R"("articles":[{"number":1,"name":"А","price":1,"taxGroup":"Б"}]})",
       "articles[0]: липсва \"department\""},
      {head + R"("articles":[{"number":2,"name":"А","price":1,"taxGroup":"Б","department":0},)" +
           R"({"number":2,"name":"Б","price":1,"taxGroup":"Б","department":0}]})",
       "articles[1]: номер 2 се среща два пъти"},
      {head + R"("operators":[{"number":1,"name":"АБВГДЕЖЗИЙКЛМНОПРСТУФ","password":""}]})",
       "operators[0].name: е по-дълго от 20 знака"},
      {head + R"("operators":[{"number":1,"name":"☺","password":""}]})",
       "operators[0].name: съдържа знак, който принтерът не може"},
      {head + R"("operators":[{"number":1,"name":"a;b","password":""}]})",
       "operators[0].name: съдържа ';'"},
      {head + R"("taxRates":{"А":-1}})", "taxRates.А: е извън 0..99.99"},
      {head + R"("taxRates":{"А":0,"В":9}})", "taxRates: трябва да изброи групите"},
      {head + R"("decimalPoint":1})", "decimalPoint: не е 0 или 2"},
      {head + R"("invoiceRange":{"first":"12a","last":"5"}})", "invoiceRange.first"},
      {head + R"("header":[{"line":10,"text":"","alignment":"left"}]})", "header[0].line"},
      {head + R"("header":[{"line":1,"text":"","alignment":"middle"}]})", "header[0].alignment"},
      {head + R"("payments":{"names":[],"exchangeRate":1}})",
       "payments.names: трябва да изброи видовете 1 до 4"},
      // A misspelt member is an error, not a section quietly left alone.
      {head + R"("articels":[]})", "файлът: непознат член \"articels\""},
      {head + R"("articles":[{"number":1,"name":"А","prize":1,"price":1,"taxGroup":"Б",)"
              R"("department":0}]})",
       "articles[0]: непознат член \"prize\""},
      {head + R"("printer":{"serial":1}})", "printer: непознат член \"serial\""},
      // Control characters in any text, as the CSV reader refuses them.
      {head + R"("operators":[{"number":1,"name":"Иван\nПетров","password":""}]})",
       "operators[0].name: съдържа управляващ знак"},
      {head + R"("operators":[{"number":1,"name":"Иван","password":"1\t2"}]})",
       "operators[0].password: съдържа управляващ знак"},
      {head + R"("header":[{"line":1,"text":"A\u0007","alignment":"left"}]})",
       "header[0].text: съдържа управляващ знак"},
      // Money is never rounded to fit.
      {head +
           R"("articles":[{"number":1,"name":"А","price":1.234,"taxGroup":"Б","department":0}]})",
       "articles[0].price: има повече от 2 знака"},
      {head + R"("articles":[{"number":1,"name":"А","price":100000000,"taxGroup":"Б",)"
              R"("department":0}]})",
       "articles[0].price: е извън 0..99999999"},
      {head + R"("taxRates":{"А":9.005}})", "taxRates.А: има повече от 2 знака"},
      // Text that is not JSON says where.
      {"{\n  \"format\": \"fiscal-service-backup\",\n  \"formatVersion\": 1,\n  \"header\": [,]\n}",
       "не е JSON (ред 4, колона 14)"},
  };
  for (const auto& [text, expected] : cases) {
    PrinterConfig r;
    std::string error;
    EXPECT_FALSE(ConfigFromJson(text, r, error)) << text;
    EXPECT_NE(error.find(expected), std::string::npos) << text << "\n -> " << error;
  }
}

// Values the printer would hold otherwise than the file says: refused with
// the member named, before anything is opened.
TEST(ConfigJson, ValuesThePrinterCannotHoldAreRefused) {
  const std::string head = R"({"format":"fiscal-service-backup","formatVersion":1,)";
  const auto payments = [&](const std::string& name, const std::string& rate) {
    return head + R"("payments":{"names":[{"type":1,"name":")" + name +
           R"("},{"type":2,"name":"ЧЕК"},{"type":3,"name":"В"},{"type":4,"name":"ВАЛУТА"}],)" +
           R"("exchangeRate":)" + rate + "}}";
  };
  std::string utf16 = "\xFF\xFE{\0}\0";
  const std::vector<std::pair<std::string, std::string>> cases = {
      {head + R"("articles":[{"number":1,"name":"   ","price":1,"taxGroup":"Б","department":0}]})",
       "articles[0].name: е празно или само от интервали"},
      {head + R"("departments":[{"number":1,"name":"  ","taxGroup":"Б"}]})",
       "departments[0].name: е празно или само от интервали"},
      {payments("КАР_ТА", "1.95583"), "payments.names[0].name: съдържа '_'"},
      {payments("КАРТА", "1.955835"), "payments.exchangeRate: има повече от 5 знака"},
      {head + R"("articles":[{"number":1,"name":"А","price":1,"taxGroup":"B","department":0}]})",
       "articles[0].taxGroup: „B“ е латинска буква"},
      {head + R"("departments":[{"number":1,"name":"А","taxGroup":"a"}]})",
       "departments[0].taxGroup: „a“ е латинска буква"},
      {utf16, "файлът е в UTF-16, а не в UTF-8"},
      {head + "\"articles\":[{\"number\":1,\"name\":\"\xD5\xEB\xFF\xE1\",\"price\":1,"
              "\"taxGroup\":\"\xC1\",\"department\":0}]}",
       "файлът е в Windows-1251, а не в UTF-8"},
  };
  EXPECT_TRUE([&] {
    PrinterConfig ok;
    std::string error;
    return ConfigFromJson(payments("КАРТА", "1.95583"), ok, error);
  }());
  for (const auto& [text, expected] : cases) {
    PrinterConfig r;
    std::string error;
    EXPECT_FALSE(ConfigFromJson(text, r, error)) << text;
    EXPECT_NE(error.find(expected), std::string::npos) << text << "\n -> " << error;
  }
}

// Each limit on both sides: the last value the printer takes is read, the next
// one is refused naming its member. Article prices follow the file's decimal mode.
TEST(ConfigJson, LimitsOnBothSides) {
  const std::string head = R"({"format":"fiscal-service-backup","formatVersion":1,)";
  const auto article = [&](const std::string& mode, const std::string& price) {
    return head + mode + R"("articles":[{"number":1,"name":"А","price":)" + price +
           R"(,"taxGroup":"Б","department":0}]})";
  };
  const auto op = [&](const std::string& name, const std::string& password) {
    return head + R"("operators":[{"number":1,"name":")" + name + R"(","password":")" + password +
           R"("}]})";
  };
  struct Row {
    std::string text;
    bool accepted;
    const char* member;
  } rows[] = {
      {article(R"("decimalPoint":2,)", "999999.99"), true, ""},
      {article(R"("decimalPoint":2,)", "1000000"), false, "articles[0].price"},
      {article(R"("decimalPoint":0,)", "99999999"), true, ""},
      {article(R"("decimalPoint":0,)", "100000000"), false, "articles[0].price"},
      {article("", "99999999"), true, ""},
      {article("", "100000000"), false, "articles[0].price"},
      {op("АБВГДЕЖЗИЙКЛМНОПРСТУ", "1234"), true, ""},
      {op("АБВГДЕЖЗИЙКЛМНОПРСТУ", "12345"), false, "operators[0].password"},
      {head + R"("taxRates":{"А":99.99}})", true, ""},
      {head + R"("taxRates":{"А":100}})", false, "taxRates.А"},
      {head + R"("invoiceRange":{"first":"1234567890","last":"1"}})", true, ""},
      {head + R"("invoiceRange":{"first":"12345678901","last":"1"}})", false, "invoiceRange.first"},
      {head + R"("parameters":{"deviceNumber":9999,"logo":false,"drawer":false,"autoCut":false,)"
              R"("transparentDisplay":false,"shortJournal":false,"currency":false}})",
       true, ""},
      {head + R"("parameters":{"deviceNumber":10000,"logo":false,"drawer":false,"autoCut":false,)"
              R"("transparentDisplay":false,"shortJournal":false,"currency":false}})",
       false, "parameters.deviceNumber"},
  };
  for (const auto& row : rows) {
    PrinterConfig r;
    std::string error;
    EXPECT_EQ(ConfigFromJson(row.text, r, error), row.accepted) << row.text << "\n -> " << error;
    EXPECT_NE(error.find(row.member), std::string::npos) << row.text << "\n -> " << error;
  }
}

}  // namespace
