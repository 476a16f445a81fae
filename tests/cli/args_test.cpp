#include "cli/cli_args.h"

#include <gtest/gtest.h>

#include <set>

#include "link/frame.h"

namespace {

std::string OptionsError(const std::vector<std::string>& args) {
  CliOptions o;
  std::string error;
  if (ParseOptions(args, o, error)) return "";
  return error;
}

TEST(CliOptions, AcceptsTheDocumentedForms) {
  CliOptions o;
  std::string error;
  ASSERT_TRUE(
      ParseOptions({"--com", "3=/dev/pts/7", "--port=3", "--baud", "19200", "--answers", "4,2,0x6",
                    "--json", "--trace", "service-sum-in-out", "1", "0000", "0", "-25"},
                   o, error))
      << error;
  EXPECT_EQ(o.comMappings, std::vector<std::string>{"3=/dev/pts/7"});
  EXPECT_EQ(o.port, 3);
  EXPECT_EQ(o.baud, 19200);
  EXPECT_EQ(o.answers, (std::deque<int>{4, 2, 6}));
  EXPECT_TRUE(o.json);
  EXPECT_TRUE(o.trace);
  // Everything after METHOD is an argument, a negative amount included.
  EXPECT_EQ(o.command, (std::vector<std::string>{"service-sum-in-out", "1", "0000", "0", "-25"}));

  CliOptions s;
  ASSERT_TRUE(ParseOptions({"--device", "/dev/ttyUSB0", "--script", "-"}, s, error)) << error;
  EXPECT_EQ(s.device, "/dev/ttyUSB0");
  EXPECT_TRUE(s.hasScript);
  EXPECT_EQ(s.script, "-");
  EXPECT_EQ(s.port, 1);
  EXPECT_EQ(s.baud, 9600);

  CliOptions l;
  EXPECT_TRUE(ParseOptions({"--list"}, l, error));
  EXPECT_TRUE(l.list);
}

TEST(CliOptions, UsageErrorsNameTheOption) {
  struct Case {
    std::vector<std::string> args;
    const char* named;
  };
  const Case cases[] = {
      {{"--baud", "4800", "read-status"}, "--baud"},
      {{"--baud", "fast", "read-status"}, "--baud"},
      {{"--port", "0", "read-status"}, "--port"},
      {{"--port", "256", "read-status"}, "--port"},
      {{"--com", "1", "read-status"}, "--com"},
      {{"--com", "x=/dev/a", "read-status"}, "--com"},
      {{"--com", "2=", "read-status"}, "--com"},
      {{"--answers", "1,,2", "read-status"}, "--answers"},
      {{"--answers", "yes", "read-status"}, "--answers"},
      {{"--device"}, "--device"},
      {{"--verbose", "read-status"}, "--verbose"},
      {{"--json=1", "read-status"}, "--json"},
      {{"--script", "a.txt", "read-status"}, "read-status"},
      {{"--json"}, "METHOD"},
  };
  for (const auto& c : cases) {
    const std::string e = OptionsError(c.args);
    EXPECT_NE(e.find(c.named), std::string::npos) << "args " << c.args[0] << " gave: " << e;
    EXPECT_EQ(e.find('\n'), std::string::npos) << e;
  }
}

std::string CallError(const std::vector<std::string>& words) {
  CliCall call;
  std::string error;
  if (BuildCall(words, 0, call, error)) return "";
  return error;
}

TEST(CliCalls, ConvertsArgumentsByKind) {
  CliCall call;
  std::string error;
  ASSERT_TRUE(BuildCall({"SellItem", "Хляб", "Б", "1.20", "2", "-5"}, 0, call, error)) << error;
  EXPECT_EQ(call.method->name, "SellItem");
  EXPECT_EQ(call.args[0].text, "\xD5\xEB\xFF\xE1");
  EXPECT_EQ(call.args[1].integer, 1);
  EXPECT_DOUBLE_EQ(call.args[2].decimal, 1.2);
  EXPECT_DOUBLE_EQ(call.args[4].decimal, -5);

  ASSERT_TRUE(BuildCall({"check-status", "0x2080F"}, 0, call, error)) << error;
  EXPECT_EQ(call.args[0].integer, 0x2080F);
  ASSERT_TRUE(BuildCall({"set-date-time", "now"}, 777, call, error)) << error;
  EXPECT_EQ(call.args[0].time, 777);
  ASSERT_TRUE(BuildCall({"transact", "0x21", ""}, 0, call, error)) << error;
  EXPECT_EQ(call.args[0].integer, 0x21);
}

TEST(CliCalls, UsageErrorsNameMethodAndArgument) {
  struct Case {
    std::vector<std::string> words;
    std::vector<const char*> mentions;
  };
  const Case cases[] = {
      {{"PrintZReport"}, {"unknown method", "PrintZReport"}},
      {{"sellItem", "a", "0", "1", "1", "0"}, {"unknown method"}},
      {{"SellItem", "x", "0", "1"}, {"SellItem", "5 arguments", "3 given"}},
      {{"read-status", "1"}, {"ReadStatus", "0 arguments", "1 given"}},
      {{"SellItem", "x", "0", "1,5", "1", "0"}, {"price", "1,5", "not a number"}},
      {{"SellItem", "x", "Ж9", "1", "1", "0"}, {"taxGroup", "tax group"}},
      {{"SellItem", "кафе ☕", "0", "1", "1", "0"}, {"text", "Windows-1251"}},
      {{"OpenFiscalReceipt", "1", "0000", "yes", "0"}, {"detailed", "0 or 1"}},
      {{"OpenFiscalReceipt", "one", "0000", "1", "0"}, {"operator", "not an integer"}},
      {{"SetArticle", "1", "x", "1", "0", "300"}, {"department", "out of range 0..255"}},
      {{"SetDateTime", "31-02-2026 10:00:00"}, {"time", "DD-MM-YYYY HH:MM:SS"}},
      {{"PrintShortFMReportByDates", "01-01-2026", "2026-01-31"}, {"to", "DD-MM-YYYY"}},
      {{"SetDecimalPoint", "0000", "ab"}, {"mode", "one character"}},
      {{"Transact", "0x100", ""}, {"command", "out of range"}},
      {{"Transact", "0x4C", "short"}, {"Transact", "3902"}},
  };
  for (const auto& c : cases) {
    const std::string e = CallError(c.words);
    ASSERT_FALSE(e.empty()) << c.words[0];
    for (const char* m : c.mentions) EXPECT_NE(e.find(m), std::string::npos) << e;
    EXPECT_EQ(e.find('\n'), std::string::npos) << e;
  }
}

TEST(CliScript, SplitsWordsWithQuotes) {
  struct Case {
    const char* line;
    std::vector<std::string> words;
  };
  const Case cases[] = {
      {"sell-item Хляб Б 1.20 1 0", {"sell-item", "Хляб", "Б", "1.20", "1", "0"}},
      {"  set-article\t1 \"Бял хляб\" 1.20 Б 0",
       {"set-article", "1", "Бял хляб", "1.20", "Б", "0"}},
      {"x 'a \"b\"' \"c \\\"d\\\" \\\\\"", {"x", "a \"b\"", "c \"d\" \\"}},
      {"transact 0x21 \"\"", {"transact", "0x21", ""}},
      {"a\r", {"a"}},
  };
  for (const auto& c : cases) {
    std::vector<std::string> words;
    std::string error;
    ASSERT_TRUE(SplitScriptLine(c.line, words, error)) << c.line;
    EXPECT_EQ(words, c.words) << c.line;
  }
  std::vector<std::string> words;
  std::string error;
  EXPECT_FALSE(SplitScriptLine("print-receipt-text \"open 1", words, error));
  EXPECT_NE(error.find("quote"), std::string::npos);
}

TEST(CliScript, SkipsCommentsAndRejectsTheWholeScriptOnOneBadLine) {
  std::vector<CliCall> calls;
  std::string error;
  ASSERT_TRUE(
      ParseScript("# articles\n\nset-article 1 Хляб 1.20 Б 0\n   # indented\n"
                  "read-article 1\n",
                  0, calls, error))
      << error;
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[0].method->name, "SetArticle");
  EXPECT_EQ(calls[1].method->name, "ReadArticle");

  calls.clear();
  EXPECT_FALSE(ParseScript("read-status\nsell-item x 0 abc 1 0\n", 0, calls, error));
  EXPECT_NE(error.find("line 2"), std::string::npos) << error;
  EXPECT_NE(error.find("price"), std::string::npos) << error;
}

TEST(CliMethods, KebabNames) {
  struct Case {
    const char* name;
    const char* kebab;
  };
  const Case cases[] = {
      {"SellItem", "sell-item"},
      {"ReadStatus", "read-status"},
      {"DownloadFMToFile", "download-fm-to-file"},
      {"ReadLastFMRecord", "read-last-fm-record"},
      {"PrintDetailedFMReportByDates", "print-detailed-fm-report-by-dates"},
      {"ServiceSumInOut", "service-sum-in-out"},
      {"EraseEeprom", "erase-eeprom"},
  };
  for (const auto& c : cases) EXPECT_EQ(KebabCase(c.name), c.kebab);
}

TEST(CliMethods, EveryDriverMethodHasOneRow) {
  const char* required[] = {
      "ReadStatus",
      "CheckStatus",
      "ReadVersion",
      "PrintEmptyServiceReceipt",
      "Transact",
      "OpenServiceReceipt",
      "CloseServiceReceipt",
      "OpenFiscalReceipt",
      "OpenInvoiceReceipt",
      "SellItem",
      "SellArticle",
      "Subtotal",
      "SellInDepartment",
      "Payment",
      "PrintReceiptText",
      "CloseFiscalReceipt",
      "PrintDuplicate",
      "ServiceSumInOut",
      "ReadLastReceiptNumber",
      "ReadReceiptState",
      "ReadDailyTaxTotals",
      "ReadDailyPaymentTotals",
      "ReadDailyCounters",
      "ReadDailyServiceIn",
      "ReadDailyServiceOut",
      "ReadDailyReportInfo",
      "ReadOperatorTotals",
      "ReadOperatorServiceIn",
      "ReadOperatorServiceOut",
      "ReadOperatorPayments",
      "ReadOperatorReportInfo",
      "ReadLastFMRecord",
      "ReadFreeFMRecords",
      "PrintDailyReport",
      "PrintArticleReport",
      "PrintExtendedDailyReport",
      "PrintOperatorReport",
      "PrintSpecialFMReport",
      "PrintDetailedFMReportByBlocks",
      "PrintShortFMReportByBlocks",
      "PrintDetailedFMReportByDates",
      "PrintShortFMReportByDates",
      "DownloadFMToFile",
      "SetTaxNumber",
      "Fiscalize",
      "ReadTaxNumber",
      "ReadHeaderTaxNumber",
      "SetDateTime",
      "SetDecimalPoint",
      "ReadTaxRates",
      "SetTaxRates",
      "SetFactoryNumbers",
      "ReadFactoryNumbers",
      "EraseEeprom",
      "SetHeaderLine",
      "ReadHeaderLine",
      "SetOperator",
      "ReadOperator",
      "SetArticle",
      "ReadArticle",
      "SetParameters",
      "ReadParameters",
      "LoadLogo",
      "PrintLogo",
      "ClearDisplay",
      "DisplayLine",
      "DisplayBothLines",
      "DisplayDateTime",
      "FeedPaper",
      "FeedPaperNoCheck",
      "FinishPrintout",
      "PrintDiagnostics",
      "PrintJournalReport",
      "SetPaymentName",
      "ReadPaymentNames",
      "ReadDepartment",
      "SetDepartment",
      "ReadInvoiceRange",
      "SetInvoiceRange",
      "ReadOperatorReturnedSums",
      "ReadDecimalPoint",
      "ReadDateTime",
  };
  for (const char* name : required) {
    const MethodSpec* m = FindMethod(name);
    ASSERT_NE(m, nullptr) << name;
    EXPECT_EQ(FindMethod(m->kebab), m) << name;
  }
  std::set<std::string> names;
  for (const auto& m : Methods()) {
    EXPECT_TRUE(names.insert(m.name).second) << m.name;
    EXPECT_TRUE(names.insert(m.kebab).second) << m.kebab;
    EXPECT_NE(m.invoke, nullptr) << m.name;
  }
  // Spelled-out records: an operator as number and password, eight tax rates.
  EXPECT_EQ(FindMethod("OpenFiscalReceipt")->args.size(), 4u);
  EXPECT_EQ(FindMethod("SetTaxRates")->args.size(), 9u);
  EXPECT_EQ(FindMethod("SetParameters")->args.size(), 7u);
  const std::string list = ListMethods();
  EXPECT_NE(list.find("sell-item text:text taxGroup:tax-group price:number"), std::string::npos);
}

}  // namespace
