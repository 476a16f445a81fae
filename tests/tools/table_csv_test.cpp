// CSV tables: every corrupted row is refused with its line and column, good
// files of either separator are read, and what is written reads back.
#include <gtest/gtest.h>

#include "driver/cp1251.h"
#include "tools/table_csv.h"

namespace {

const std::string kArticleHeader = "Артикул Номер,Артикул Име,Артикул Цена,Дан.Група,Департамент\n";

struct BadCase {
  const char* label;
  CsvTable table;
  std::string text;
  char mode;
  int line;
  int column;
  CsvIssue issue;
  CsvEncoding encoding = CsvEncoding::kDetect;
};

TEST(TableCsv, CorruptedRowsNameTheirLineAndColumn) {
  const std::vector<BadCase> cases = {
      {"price with letters", CsvTable::kArticles,
       kArticleHeader + "1,Хляб,1.20,Б,0\n2,Мляко,2.3x,Б,0\n", 0, 3, 3, CsvIssue::kNotNumber},
      {"three decimals", CsvTable::kArticles, kArticleHeader + "1,Хляб,1.205,Б,0\n", 0, 2, 3,
       CsvIssue::kTooManyDecimals},
      {"decimals in whole-number mode", CsvTable::kArticles, kArticleHeader + "1,Хляб,1.20,Б,0\n",
       '0', 2, 3, CsvIssue::kWholeNumbersOnly},
      {"Latin B for a group", CsvTable::kArticles, kArticleHeader + "1,Хляб,1.20,B,0\n", 0, 2, 4,
       CsvIssue::kLatinTaxGroup},
      {"price above the two-decimal limit", CsvTable::kArticles,
       kArticleHeader + "1,Хляб,1000000,Б,0\n", '2', 2, 3, CsvIssue::kOutOfRange},
      {"negative price", CsvTable::kArticles, kArticleHeader + "1,Хляб,-1,Б,0\n", 0, 2, 3,
       CsvIssue::kNotNumber},
      {"article 0", CsvTable::kArticles, kArticleHeader + "0,Хляб,1,Б,0\n", 0, 2, 1,
       CsvIssue::kOutOfRange},
      {"article 1001", CsvTable::kArticles, kArticleHeader + "1001,Хляб,1,Б,0\n", 0, 2, 1,
       CsvIssue::kOutOfRange},
      {"number with a sign", CsvTable::kArticles, kArticleHeader + "+5,Хляб,1,Б,0\n", 0, 2, 1,
       CsvIssue::kNotWholeNumber},
      {"name of 21 characters", CsvTable::kArticles,
       kArticleHeader + "1,АБВГДЕЖЗИЙКЛМНОПРСТУФ,1,Б,0\n", 0, 2, 2, CsvIssue::kTooLong},
      {"empty name", CsvTable::kArticles, kArticleHeader + "1,,1,Б,0\n", 0, 2, 2, CsvIssue::kEmpty},
      {"unprintable character", CsvTable::kArticles, kArticleHeader + "1,Хляб ☺,1,Б,0\n", 0, 2, 2,
       CsvIssue::kNotPrintable},
      {"semicolon in a name", CsvTable::kDepartments, "Номер,Име,Дан.Група\n1,\"a;b\",Б\n", 0, 2, 2,
       CsvIssue::kSemicolon},
      {"Latin A for the group", CsvTable::kArticles, kArticleHeader + "1,Хляб,1,A,0\n", 0, 2, 4,
       CsvIssue::kLatinTaxGroup},
      {"Latin Q for the group", CsvTable::kArticles, kArticleHeader + "1,Хляб,1,Q,0\n", 0, 2, 4,
       CsvIssue::kNotTaxGroup},
      {"department 100", CsvTable::kArticles, kArticleHeader + "1,Хляб,1,Б,100\n", 0, 2, 5,
       CsvIssue::kOutOfRange},
      {"missing field", CsvTable::kArticles, kArticleHeader + "1,Хляб,1,Б\n", 0, 2, 0,
       CsvIssue::kFieldCount},
      {"extra field", CsvTable::kArticles, kArticleHeader + "1,Хляб,1,Б,0,x\n", 0, 2, 0,
       CsvIssue::kFieldCount},
      {"number given twice", CsvTable::kArticles,
       kArticleHeader + "7,Хляб,1,Б,0\n8,Мляко,1,Б,0\n7,Вода,1,Б,0\n", 0, 4, 1,
       CsvIssue::kRepeatedNumber},
      {"unclosed quote", CsvTable::kArticles, kArticleHeader + "1,\"Хляб,1,Б,0\n", 0, 2, 0,
       CsvIssue::kUnclosedQuote},
      {"not UTF-8 (Windows-1251 bytes)", CsvTable::kArticles,
       kArticleHeader + "1,\xD5\xEB\xFF\xE1,1,Б,0\n", 0, 2, 0, CsvIssue::kNotUtf8,
       CsvEncoding::kUtf8},
      {"unknown column", CsvTable::kArticles, "Артикул Номер,Име,Артикул Цена,Дан.Група\n", 0, 1, 2,
       CsvIssue::kUnknownColumn},
      {"missing column", CsvTable::kArticles, "Артикул Номер,Артикул Име,Артикул Цена,Дан.Група\n",
       0, 1, 0, CsvIssue::kMissingColumn},
      {"repeated column", CsvTable::kDepartments, "Номер,Име,Име,Дан.Група\n", 0, 1, 3,
       CsvIssue::kRepeatedColumn},
      {"empty file", CsvTable::kOperators, "\n\n", 0, 1, 0, CsvIssue::kEmptyFile},
      {"department 0", CsvTable::kDepartments, "Номер,Име,Дан.Група\n0,Хляб,Б\n", 0, 2, 1,
       CsvIssue::kOutOfRange},
      {"operator 10", CsvTable::kOperators, "Оператор,Име на оператор,Парола\n10,Иван,1\n", 0, 2, 1,
       CsvIssue::kOutOfRange},
      {"password of 5", CsvTable::kOperators, "Оператор,Име на оператор,Парола\n1,Иван,12345\n", 0,
       2, 3, CsvIssue::kTooLong},
      // A spreadsheet cell with a line break would become a name with one.
      {"line break in a quoted name", CsvTable::kDepartments,
       "Номер,Име,Дан.Група\n1,\"Две\nчасти\",Б\n2,Хляб,Ю\n", 0, 2, 2, CsvIssue::kControl},
      {"CRLF in a quoted name", CsvTable::kArticles, kArticleHeader + "1,\"Хляб\r\nбял\",1,Б,0\n",
       0, 2, 2, CsvIssue::kControl},
      {"tab in a password", CsvTable::kOperators,
       "Оператор,Име на оператор,Парола\n1,Иван,\"1\t2\"\n", 0, 2, 3, CsvIssue::kControl},
  };
  for (const BadCase& c : cases) {
    CsvRecords records;
    CsvProblem problem;
    CsvDialect dialect;
    dialect.encoding = c.encoding;
    EXPECT_FALSE(ParseTableCsv(c.table, c.text, c.mode, records, problem, dialect)) << c.label;
    EXPECT_EQ(problem.line, c.line) << c.label;
    EXPECT_EQ(problem.column, c.column) << c.label;
    EXPECT_EQ(problem.issue, c.issue) << c.label << ": " << DescribeCsvProblem(problem, false);
  }
}

// Each limit on both sides: the last value the printer takes is read, the next
// one is refused in its column.
TEST(TableCsv, LimitsOnBothSides) {
  const std::string kOperatorHeader = "Оператор,Име на оператор,Парола\n";
  struct Row {
    CsvTable table;
    std::string text;
    char mode;
    int column;  // 0 when the row is read
  } rows[] = {
      {CsvTable::kArticles, kArticleHeader + "1000,Хляб,999999.99,З,99\n", '2', 0},
      {CsvTable::kArticles, kArticleHeader + "1,Хляб,1000000,Б,0\n", '2', 3},
      {CsvTable::kArticles, kArticleHeader + "1,Хляб,99999999,Б,0\n", '0', 0},
      {CsvTable::kArticles, kArticleHeader + "1,Хляб,100000000,Б,0\n", '0', 3},
      {CsvTable::kArticles, kArticleHeader + "1,АБВГДЕЖЗИЙКЛМНОПРСТУ,1,Б,0\n", '2', 0},
      {CsvTable::kDepartments, "Номер,Име,Дан.Група\n99,Хляб,Б\n", '2', 0},
      {CsvTable::kDepartments, "Номер,Име,Дан.Група\n100,Хляб,Б\n", '2', 1},
      {CsvTable::kOperators, kOperatorHeader + "9,Иван,1234\n", '2', 0},
      {CsvTable::kOperators, kOperatorHeader + "1,АБВГДЕЖЗИЙКЛМНОПРСТУФ,1\n", '2', 2},
  };
  for (const auto& row : rows) {
    CsvRecords records;
    CsvProblem problem;
    EXPECT_EQ(ParseTableCsv(row.table, row.text, row.mode, records, problem), row.column == 0)
        << row.text;
    if (row.column != 0) {
      EXPECT_EQ(problem.column, row.column) << row.text;
    }
  }
}

TEST(TableCsv, MessagesNameLineColumnAndCaption) {
  CsvRecords records;
  CsvProblem problem;
  ASSERT_FALSE(ParseTableCsv(CsvTable::kArticles, kArticleHeader + "1,Хляб,1,Б,0\n2,Мляко,x,Б,0\n",
                             0, records, problem));
  EXPECT_EQ(DescribeCsvProblem(problem, false), "line 3, column 3 (Артикул Цена): is not a number");
  EXPECT_EQ(DescribeCsvProblem(problem, true), "ред 3, колона 3 (Артикул Цена): не е число");

  ASSERT_FALSE(
      ParseTableCsv(CsvTable::kArticles, "Артикул Номер,Артикул Име\n", 0, records, problem));
  EXPECT_EQ(DescribeCsvProblem(problem, false), "line 1: the column \"Артикул Цена\" is missing");
}

TEST(TableCsv, SpreadsheetFormsAreRead) {
  // Semicolons, a decimal comma, a byte-order mark, CRLF, captions with the
  // dialogs' colons, columns in another order, quotes, blank lines.
  const std::string text =
      "\xEF\xBB\xBF"
      "Дан.Група;Артикул Номер:;Артикул Име;Департамент;Артикул Цена\r\n"
      "б;12;\"Кафе \"\"Арабика\"\", 250г\";3;7,50\r\n"
      "\r\n"
      "З; 1000 ;Последен;;0\r\n";
  CsvRecords records;
  CsvProblem problem;
  ASSERT_TRUE(ParseTableCsv(CsvTable::kArticles, text, '2', records, problem))
      << DescribeCsvProblem(problem, false);
  ASSERT_EQ(records.articles.size(), 2u);
  const ArticleRecord& a = records.articles[0];
  EXPECT_EQ(a.number, 12);
  EXPECT_EQ(Cp1251ToUtf8(a.name), "Кафе \"Арабика\", 250г");
  EXPECT_DOUBLE_EQ(a.price, 7.50);
  EXPECT_EQ(a.taxGroup, 1);
  EXPECT_EQ(a.department, 3);
  EXPECT_EQ(records.articles[1].number, 1000);
  EXPECT_EQ(records.articles[1].taxGroup, 7);
  EXPECT_EQ(records.articles[1].department, 0);  // an empty department is none
  EXPECT_EQ(records.lines, (std::vector<int>{2, 4}));
}

TEST(TableCsv, WrittenTablesReadBack) {
  PrinterConfig config;
  ArticleRecord a;
  a.number = 5;
  a.name = *Utf8ToCp1251("Сок, \"ябълка\"");
  a.price = 2.5;
  a.taxGroup = 3;
  a.department = 12;
  config.articles = std::vector<ArticleRecord>{a};
  OperatorRecord o{9, *Utf8ToCp1251("Мария"), "0000"};
  config.operators = std::vector<OperatorRecord>{o};

  const std::string csv = WriteTableCsv(CsvTable::kArticles, config, '2');
  EXPECT_NE(csv.find("5,\"Сок, \"\"ябълка\"\"\",2.50,Г,12\r\n"), std::string::npos) << csv;
  CsvRecords records;
  CsvProblem problem;
  ASSERT_TRUE(ParseTableCsv(CsvTable::kArticles, csv, '2', records, problem))
      << DescribeCsvProblem(problem, false);
  ASSERT_EQ(records.articles.size(), 1u);
  EXPECT_EQ(records.articles[0].name, a.name);
  EXPECT_DOUBLE_EQ(records.articles[0].price, 2.5);
  EXPECT_EQ(records.articles[0].department, 12);

  ASSERT_TRUE(ParseTableCsv(CsvTable::kOperators, WriteTableCsv(CsvTable::kOperators, config, '2'),
                            0, records, problem));
  ASSERT_EQ(records.operators.size(), 1u);
  EXPECT_EQ(records.operators[0].number, 9);
  EXPECT_EQ(records.operators[0].password, "0000");
}

// The Bulgarian spreadsheet dialect both ways: ';', a decimal comma and
// Windows-1251, which the reader recognises without being told.
TEST(TableCsv, BulgarianSpreadsheetDialectBothWays) {
  PrinterConfig config;
  ArticleRecord a;
  a.number = 5;
  a.name = *Utf8ToCp1251("Сок; ябълка");
  a.price = 2.5;
  a.taxGroup = 1;
  config.articles = std::vector<ArticleRecord>{a};
  CsvDialect bg;
  bg.separator = ';';
  bg.decimalComma = true;
  bg.encoding = CsvEncoding::kCp1251;
  const std::string csv = WriteTableCsv(CsvTable::kArticles, config, '2', bg);
  EXPECT_EQ(csv, *Utf8ToCp1251("Артикул Номер;Артикул Име;Артикул Цена;Дан.Група;Департамент\r\n"
                               "5;\"Сок; ябълка\";2,50;Б;0\r\n"));
  CsvRecords records;
  CsvProblem problem;
  // The name's ';' is refused on the way back, as the printer cannot take it;
  // the rest of the row was read in the dialect.
  ASSERT_FALSE(ParseTableCsv(CsvTable::kArticles, csv, '2', records, problem));
  EXPECT_EQ(problem.issue, CsvIssue::kSemicolon);
  EXPECT_EQ(problem.line, 2);

  const std::string cp = *Utf8ToCp1251(
      "Артикул Номер;Артикул Име;Артикул Цена;Дан.Група;Департамент\r\n7;Хляб бял;1,20;Б;0\r\n");
  ASSERT_TRUE(ParseTableCsv(CsvTable::kArticles, cp, '2', records, problem))
      << DescribeCsvProblem(problem, true);
  EXPECT_EQ(Cp1251ToUtf8(records.articles[0].name), "Хляб бял");
  EXPECT_DOUBLE_EQ(records.articles[0].price, 1.20);

  // A tab-separated file with a decimal comma, as asked.
  CsvDialect tabs;
  tabs.separator = '\t';
  tabs.decimalComma = true;
  ASSERT_TRUE(ParseTableCsv(CsvTable::kArticles,
                            "Артикул Номер\tАртикул Име\tАртикул Цена\tДан.Група\tДепартамент\n"
                            "8\tМляко\t2,49\tБ\t0\n",
                            '2', records, problem, tabs));
  EXPECT_DOUBLE_EQ(records.articles[0].price, 2.49);
}

// What spreadsheets save: rows of separators only, separators after the last
// column, thousands separated by a space or a no-break space, tabs between
// fields (recognised by themselves).
TEST(TableCsv, SpreadsheetExportsWithEmptyColumnsAndDigitGroupsAreRead) {
  const struct {
    const char* label;
    std::string text;
    double price;
  } cases[] = {
      {"row of separators", kArticleHeader + ",,,,\n1,Хляб,1.20,Б,0\n,,,,\n", 1.20},
      {"trailing separators",
       "Артикул Номер;Артикул Име;Артикул Цена;Дан.Група;Департамент;;\n1;Хляб;1,20;Б;0;;\n", 1.20},
      {"space between thousands",
       "Артикул Номер;Артикул Име;Артикул Цена;Дан.Група;Департамент\n1;Хляб;1 234,50;Б;0\n",
       1234.50},
      {"no-break space between thousands",
       "Артикул Номер;Артикул Име;Артикул Цена;Дан.Група;Департамент\n1;Хляб;12\xC2\xA0"
       "345,05;Б;0\n",
       12345.05},
      {"tabs",
       "Артикул Номер\tАртикул Име\tАртикул Цена\tДан.Група\tДепартамент\n1\tХляб\t1,20\tБ\t0\n",
       1.20},
  };
  for (const auto& c : cases) {
    CsvRecords records;
    CsvProblem problem;
    ASSERT_TRUE(ParseTableCsv(CsvTable::kArticles, c.text, '2', records, problem))
        << c.label << ": " << DescribeCsvProblem(problem, false);
    ASSERT_EQ(records.articles.size(), 1u) << c.label;
    EXPECT_DOUBLE_EQ(records.articles[0].price, c.price) << c.label;
    EXPECT_EQ(Cp1251ToUtf8(records.articles[0].name), "Хляб") << c.label;
  }
  // A space that does not separate digit groups is still not a number.
  CsvRecords records;
  CsvProblem problem;
  EXPECT_FALSE(ParseTableCsv(CsvTable::kArticles, kArticleHeader + "1,Хляб,1 .20,Б,0\n", '2',
                             records, problem));
  EXPECT_EQ(problem.issue, CsvIssue::kNotNumber);
}

// A name's own spaces travel both ways: export quotes them, import keeps them.
TEST(TableCsv, LeadingSpacesOfANameRoundTrip) {
  PrinterConfig config;
  ArticleRecord a;
  a.number = 3;
  a.name = *Utf8ToCp1251("  Отстъп");
  a.price = 1;
  a.taxGroup = 1;
  config.articles = std::vector<ArticleRecord>{a};
  const std::string csv = WriteTableCsv(CsvTable::kArticles, config, '2');
  EXPECT_NE(csv.find("3,\"  Отстъп\",1.00"), std::string::npos) << csv;
  CsvRecords records;
  CsvProblem problem;
  ASSERT_TRUE(ParseTableCsv(CsvTable::kArticles, csv, '2', records, problem));
  EXPECT_EQ(records.articles[0].name, a.name);
}

TEST(TableCsv, RefusalsSayWhatIsWrongInWords) {
  CsvProblem p;
  p.line = 2;
  p.column = 4;
  p.columnName = "Дан.Група";
  p.issue = CsvIssue::kLatinTaxGroup;
  p.detail = "B";
  EXPECT_EQ(DescribeCsvProblem(p, false),
            "line 2, column 4 (Дан.Група): is the Latin letter B: tax groups are the Cyrillic "
            "letters А..З");
  p.issue = CsvIssue::kWholeNumbersOnly;
  EXPECT_EQ(DescribeCsvProblem(p, true),
            "ред 2, колона 4 (Дан.Група): има знаци след точката: принтерът работи в цели числа и "
            "цената не може да има такива");
}

}  // namespace
