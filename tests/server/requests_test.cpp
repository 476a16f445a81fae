#include "server/requests.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include <nlohmann/json.hpp>

#include "server/receipt_total.h"
#include "server/server_config.h"

using nlohmann::json;

namespace {

const PaymentTypeMap kPayments;

const char* const kGoodReceipt = R"({
  "uniqueSaleNumber": "DT279013-0001-0000017",
  "operator": {"id": "2", "password": "2"},
  "items": [
    {"text": "Хляб бял", "quantity": 2, "unitPrice": 1.20, "taxGroup": 2},
    {"type": "comment", "text": "Благодарим!"},
    {"text": "Мляко", "unitPrice": 2.35, "taxGroup": 2,
     "priceModifierValue": 10, "priceModifierType": "discount-percent"}
  ],
  "payments": [{"amount": 3.00, "paymentType": "cash"}, {"amount": 2, "paymentType": "card"}]
})";

TEST(ServerRequests, ReceiptReadsEveryFieldInPrinterTerms) {
  ReceiptRequest r;
  std::string error;
  ASSERT_TRUE(ParseReceiptRequest(json::parse(kGoodReceipt), kPayments, r, error)) << error;
  EXPECT_EQ(r.uniqueSaleNumber, "DT279013-0001-0000017");
  EXPECT_EQ(r.op.number, 2);
  EXPECT_EQ(r.op.password, "2");
  ASSERT_EQ(r.lines.size(), 3u);
  EXPECT_EQ(r.lines[0].text, "\xD5\xEB\xFF\xE1 \xE1\xFF\xEB");  // Windows-1251
  EXPECT_EQ(r.lines[0].taxGroup, 1);                            // Б
  EXPECT_DOUBLE_EQ(r.lines[0].quantity, 2);
  EXPECT_EQ(r.lines[1].kind, LineKind::kComment);
  EXPECT_DOUBLE_EQ(r.lines[2].quantity, 1);
  EXPECT_DOUBLE_EQ(r.lines[2].percent, -10);
  ASSERT_EQ(r.payments.size(), 2u);
  EXPECT_EQ(r.payments[1].type, 1);
  EXPECT_TRUE(r.warnings.empty());
}

TEST(ServerRequests, RefusesBadReceiptsNamingTheField) {
  struct Row {
    const char* body;
    const char* fieldInError;
  };
  const Row rows[] = {
      {R"({"items":[]})", "items"},
      {R"({"items":[{"type":"comment","text":"x"}]})", "at least one sale"},
      {R"({"items":[{"text":"A","unitPrice":1,"taxGroup":9}]})", "items[0].taxGroup"},
      {R"({"items":[{"text":"A","unitPrice":1,"taxGroup":0}]})", "items[0].taxGroup"},
      {R"({"items":[{"text":"A","unitPrice":"1","taxGroup":1}]})", "items[0].unitPrice"},
      {R"({"items":[{"text":"A","unitPrice":-1,"taxGroup":1}]})", "items[0].unitPrice"},
      {R"({"items":[{"text":"A","unitPrice":1e12,"taxGroup":1}]})", "items[0].unitPrice"},
      {R"({"items":[{"text":"A","unitPrice":1,"taxGroup":1,"quantity":0}]})", "items[0].quantity"},
      {R"({"items":[{"text":"€ ok","unitPrice":1,"taxGroup":1},{"text":"日本","unitPrice":1,"taxGroup":1}]})",
       "items[1].text"},
      {R"({"items":[{"text":"","unitPrice":1,"taxGroup":1}]})", "items[0].text"},
      {R"({"items":[{"text":"A","unitPrice":1,"taxGroup":1,"colour":"red"}]})", "colour"},
      {R"({"items":[{"text":"A","unitPrice":1,"taxGroup":1,"priceModifierValue":5}]})",
       "go together"},
      {R"({"items":[{"text":"A","unitPrice":1,"taxGroup":1,"priceModifierValue":100,"priceModifierType":"discount-percent"}]})",
       "priceModifierValue"},
      {R"({"items":[{"text":"A","unitPrice":1,"taxGroup":1,"priceModifierValue":5,"priceModifierType":"discount-amount"}]})",
       "priceModifierType"},
      {R"({"items":[{"text":"A","unitPrice":1,"taxGroup":1}],"payments":[{"amount":1,"paymentType":"bitcoin"}]})",
       "payments[0].paymentType"},
      {R"({"items":[{"text":"A","unitPrice":1,"taxGroup":1}],"payments":[{"paymentType":"cash"},{"paymentType":"card"}]})",
       "payments[1].amount"},
      {R"({"items":[{"text":"A","unitPrice":1,"taxGroup":1}],"operator":{"id":10}})", "operator"},
      {R"({"items":[{"text":"A","unitPrice":1,"taxGroup":1}],"uniqueSaleNumber":17})",
       "uniqueSaleNumber"},
      {R"({"items":[{"text":"A","unitPrice":1,"taxGroup":1}],"invoice":true})", "invoice"},
  };
  for (const auto& row : rows) {
    ReceiptRequest r;
    std::string error;
    EXPECT_FALSE(ParseReceiptRequest(json::parse(row.body), kPayments, r, error)) << row.body;
    EXPECT_NE(error.find(row.fieldInError), std::string::npos) << row.body << " -> " << error;
  }
}

// Each limit on both sides: the last value the printer takes passes, the next
// one is refused naming its field.
TEST(ServerRequests, LimitsOnBothSides) {
  const auto sale = [](const std::string& members) {
    return R"({"items":[{"text":"A",)" + members + "}]}";
  };
  const auto withOperator = [](const std::string& op) {
    return R"({"items":[{"text":"A","unitPrice":1,"taxGroup":1}],"operator":)" + op + "}";
  };
  const auto withPayment = [](const std::string& payment) {
    return R"({"items":[{"text":"A","unitPrice":1,"taxGroup":1}],"payments":[)" + payment + "]}";
  };
  struct Row {
    std::string body;
    bool accepted;
  } rows[] = {
      {sale(R"("unitPrice":99999999,"taxGroup":1)"), true},
      {sale(R"("unitPrice":99999999.01,"taxGroup":1)"), false},
      {sale(R"("unitPrice":1,"taxGroup":1,"quantity":999999.999)"), true},
      {sale(R"("unitPrice":1,"taxGroup":1,"quantity":1000000)"), false},
      {sale(
           R"("unitPrice":1,"taxGroup":1,"priceModifierValue":99.99,"priceModifierType":"discount-percent")"),
       true},
      {sale(
           R"("unitPrice":1,"taxGroup":1,"priceModifierValue":100,"priceModifierType":"discount-percent")"),
       false},
      {sale(R"("unitPrice":1,"taxGroup":8)"), true},
      {sale(R"("unitPrice":1,"taxGroup":9)"), false},
      {withOperator(R"({"id":1,"password":"1234"})"), true},
      {withOperator(R"({"id":1,"password":"12345"})"), false},
      {withOperator(R"({"id":9})"), true},
      {withOperator(R"({"id":0})"), false},
      {withOperator(R"({"id":"9"})"), true},
      {withOperator(R"({"id":"0"})"), false},
      {withPayment(R"({"amount":99999999,"paymentType":4})"), true},
      {withPayment(R"({"amount":100000000,"paymentType":0})"), false},
      {withPayment(R"({"amount":1,"paymentType":5})"), false},
  };
  for (const auto& row : rows) {
    ReceiptRequest r;
    std::string error;
    EXPECT_EQ(ParseReceiptRequest(json::parse(row.body), kPayments, r, error), row.accepted)
        << row.body << " -> " << error;
  }
  SumRequest sum;
  std::string error;
  EXPECT_TRUE(ParseSumRequest(json::parse(R"({"amount":99999999})"), kPayments, sum, error))
      << error;
  EXPECT_FALSE(ParseSumRequest(json::parse(R"({"amount":100000000})"), kPayments, sum, error));
  EXPECT_FALSE(
      ParseSumRequest(json::parse(R"({"amount":1,"operator":{"id":1,"password":"12345"}})"),
                      kPayments, sum, error));
  EXPECT_NE(error.find("operator.password"), std::string::npos) << error;
}

TEST(ServerRequests, LongTextsAreCutToThePrinterWidthWithAWarning) {
  ReceiptRequest r;
  std::string error;
  const std::string longName(50, 'X');
  ASSERT_TRUE(ParseReceiptRequest(
      json{{"items", {{{"text", longName}, {"unitPrice", 1}, {"taxGroup", 1}}}}}, kPayments, r,
      error));
  EXPECT_EQ(r.lines[0].text, std::string(kItemTextWidth, 'X'));
  ASSERT_EQ(r.warnings.size(), 1u);
  EXPECT_NE(r.warnings[0].find("items[0].text"), std::string::npos);
}

TEST(ServerRequests, OtherBodies) {
  std::string error;
  SumRequest sum;
  EXPECT_TRUE(ParseSumRequest(json::parse(R"({"amount":12.5,"paymentType":"card"})"), kPayments,
                              sum, error));
  EXPECT_EQ(sum.paymentType, 1);
  EXPECT_FALSE(ParseSumRequest(json::parse(R"({"amount":0})"), kPayments, sum, error));
  EXPECT_FALSE(ParseSumRequest(json::parse(R"({"amount":-5})"), kPayments, sum, error));

  std::time_t t = 0;
  EXPECT_TRUE(
      ParseDateTimeRequest(json::parse(R"({"deviceDateTime":"2026-12-07T10:11:12"})"), t, error));
  EXPECT_EQ(FormatDeviceTime(t), "2026-12-07T10:11:12");
  for (const char* bad : {"2026-02-30T10:00:00", "2026-12-07", "07-12-2026 10:00:00",
                          "2026-12-07T24:00:00", "2026-12-07T10:00:00X"}) {
    EXPECT_FALSE(ParseDateTimeRequest(json{{"deviceDateTime", bad}}, t, error)) << bad;
  }

  RawRequest raw;
  EXPECT_TRUE(ParseRawRequest(json::parse(R"({"command":"0x21"})"), raw, error));
  EXPECT_EQ(raw.command, 0x21);
  EXPECT_FALSE(ParseRawRequest(json::parse(R"({"command":16})"), raw, error));
  EXPECT_FALSE(ParseRawRequest(json::parse(R"({"command":"0x21z"})"), raw, error));

  Corrections c;
  EXPECT_TRUE(ParseCorrections(json::parse(R"({"corrections":{"setClock":true}})"), c, error));
  EXPECT_TRUE(c.setClock);
  EXPECT_FALSE(c.zeroReports);
  EXPECT_FALSE(ParseCorrections(json::parse(R"({"corrections":{"setClock":1}})"), c, error));
  EXPECT_FALSE(ParseCorrections(json::parse(R"({"corrections":{"format":true}})"), c, error));
}

TEST(ServerConfig, CommandLine) {
  ServerConfig c;
  std::string error;
  ASSERT_TRUE(ParseServerArgs({"--com", "1=/dev/ttyUSB0", "--baud", "19200", "--device",
                               "kasa-2=/dev/ttyUSB1", "--operator", "3:3333"},
                              c, error))
      << error;
  ASSERT_EQ(c.printers.size(), 2u);
  EXPECT_EQ(c.printers[0].id, "1");
  EXPECT_EQ(c.printers[0].com, 1);
  EXPECT_EQ(c.printers[0].baud, 9600);
  EXPECT_EQ(c.printers[1].id, "kasa-2");
  EXPECT_EQ(c.printers[1].baud, 19200);
  EXPECT_GT(c.printers[1].com, 100);
  EXPECT_EQ(c.defaultOperator.number, 3);
  EXPECT_EQ(c.host, "127.0.0.1");
  EXPECT_EQ(c.port, 8001);

  const std::vector<std::vector<std::string>> bad = {
      {"--com", "1=/dev/a", "--rescan-interval", "5"},       // no printer to find
      {"--com", "1=/dev/a", "--com", "1=/dev/b"},            // one id twice
      {"--com", "0=/dev/a"},                                 // COM 0
      {"--com", "1=/dev/a", "--listen", "0.0.0.0:8001"},     // open to the network, no token
      {"--com", "1=/dev/a", "--listen", "127.0.0.1:99999"},  // no such port
      {"--com", "1=/dev/a", "--baud", "12345"},
      {"--device", "a b=/dev/a"},
      {"--com", "1=/dev/a", "--bogus"},
      {"--com", "1=/dev/a", "--tls-key", "till.key"},  // a key without its certificate
  };
  for (const auto& args : bad) {
    EXPECT_FALSE(ParseServerArgs(args, c, error)) << (args.empty() ? "" : args.back());
    EXPECT_FALSE(error.empty());
  }
  EXPECT_TRUE(
      ParseServerArgs({"--com", "1=/dev/a", "--listen", "0.0.0.0:8001", "--token", "s3"}, c, error))
      << error;

  ServerConfig fromJson;
  ASSERT_TRUE(LoadServerConfig(
      R"({"listen":"127.0.0.1:9000","printers":[{"id":"main","path":"/dev/ttyS0","baud":115200}],
          "tlsCert":"till.crt","tlsKey":"till.key"})",
      fromJson, error))
      << error;
  EXPECT_EQ(fromJson.port, 9000);
  EXPECT_EQ(fromJson.tlsCert + " " + fromJson.tlsKey, "till.crt till.key");
  EXPECT_EQ(fromJson.printers.at(0).baud, 115200);
  EXPECT_FALSE(LoadServerConfig(R"({"printers":[{"id":"x"}]})", fromJson, error));
  EXPECT_FALSE(LoadServerConfig("[1,2", fromJson, error));

  // The package's example configuration, comments and all, is one the server takes.
  std::ifstream example(std::string(FS_SOURCE_DIR) + "/packaging/fiscal-server.json");
  const std::string text((std::istreambuf_iterator<char>(example)), {});
  ServerConfig shipped;
  ASSERT_TRUE(LoadServerConfig(text, shipped, error)) << error;
  EXPECT_NE(text.find("//"), std::string::npos);
  EXPECT_EQ(shipped.printers.at(0).path, "/dev/ttyUSB0");
}

}  // namespace

namespace {

// The protocol's own shapes, as POS software sends them.
TEST(NetFpRequests, ReceiptInTheProtocolsShapes) {
  ReceiptRequest r;
  std::string error;
  ASSERT_TRUE(ParseReceiptRequest(json::parse(R"({
    "uniqueSaleNumber": "NV000123-0002-0000001", "operator": "0002", "operatorPassword": "22",
    "items": [
      {"text": "Кафе", "unitPrice": 2, "taxGroup": 2, "department": 3},
      {"type": "discount-amount", "amount": 0.5},
      {"type": "footer-comment", "text": "Заповядайте пак"},
      {"type": "sale", "text": "Вода", "unitPrice": 1, "taxGroup": 2,
       "priceModifierValue": 5, "priceModifierType": "surcharge-percent"},
      {"type": "surcharge-amount", "amount": 0.25}],
    "payments": [{"paymentType": "card", "amount": 1}, {"paymentType": "coupons"}]})"),
                                  kPayments, r, error))
      << error;
  EXPECT_EQ(r.op.number, 2);
  EXPECT_EQ(r.op.password, "22");
  ASSERT_EQ(r.lines.size(), 5u);
  EXPECT_EQ(r.lines[0].department, 3);
  EXPECT_EQ(r.lines[1].kind, LineKind::kSubtotalAmount);
  EXPECT_DOUBLE_EQ(r.lines[1].amount, -0.5);
  EXPECT_EQ(r.lines[2].kind, LineKind::kFooterComment);
  EXPECT_DOUBLE_EQ(r.lines[3].percent, 5);
  EXPECT_DOUBLE_EQ(r.lines[4].amount, 0.25);
  ASSERT_EQ(r.payments.size(), 2u);
  EXPECT_EQ(r.payments[0].type, 1);
  EXPECT_EQ(r.payments[1].type, 3);
  EXPECT_FALSE(r.payments[1].amount);  // the rest
}

TEST(NetFpRequests, OperatorChoiceFallsBackToTheConfiguredOperator) {
  const OperatorRecord configured{1, "", "0000"};
  struct Row {
    const char* body;
    int number;
    const char* password;
  };
  const Row rows[] = {
      {R"({})", 1, "0000"},
      {R"({"operator":"","operatorPassword":""})", 1, "0000"},
      {R"({"operatorPassword":"9"})", 1, "9"},
      {R"({"operator":"1"})", 1, "0000"},
      {R"({"operator":"3"})", 3, ""},
      {R"({"operator":"3","operatorPassword":"33"})", 3, "33"},
      {R"({"operator":{"id":4,"password":"44"}})", 4, "44"},
  };
  for (const auto& row : rows) {
    OperatorChoice op;
    std::string error;
    ASSERT_TRUE(ParseCashRequest(json::parse(row.body), op, error)) << row.body << error;
    const OperatorRecord got = op.Resolve(configured);
    EXPECT_EQ(got.number, row.number) << row.body;
    EXPECT_EQ(got.password, row.password) << row.body;
  }
  for (const char* bad : {R"({"operator":"10"})", R"({"operator":"x"})", R"({"operator":0})",
                          R"({"operatorPassword":"12345"})", R"({"operatorPassword":7})",
                          R"({"operator":{"id":1},"operatorPassword":"1"})", R"({"amount":1})"}) {
    OperatorChoice op;
    std::string error;
    EXPECT_FALSE(ParseCashRequest(json::parse(bad), op, error)) << bad;
  }
}

TEST(NetFpRequests, WhatThePrinterCannotDoIsRefusedNamingWhy) {
  struct Row {
    const char* body;
    const char* inError;
  };
  const Row rows[] = {
      // The printer changes a line by percent only: an amount is never converted.
      {R"({"items":[{"text":"A","unitPrice":3,"taxGroup":1,"priceModifierValue":1,"priceModifierType":"discount-amount"}]})",
       "percent only"},
      {R"({"items":[{"text":"A","unitPrice":3,"taxGroup":1,"priceModifierValue":1,"priceModifierType":"surcharge-amount"}]})",
       "percent only"},
      {R"({"items":[{"text":"A","unitPrice":3,"taxGroup":1}],"payments":[{"paymentType":"bank","amount":3}]})",
       "cash, check, card, coupons"},
      {R"({"items":[{"type":"discount-amount","amount":1},{"text":"A","unitPrice":3,"taxGroup":1}]})",
       "needs a sale before it"},
      {R"({"items":[{"text":"A","unitPrice":3,"taxGroup":1},{"type":"discount-amount","amount":0}]})",
       "items[1].amount"},
      {R"({"items":[{"text":"A","unitPrice":3,"taxGroup":1},{"type":"discount-amount"}]})",
       "items[1].amount: missing"},
      {R"({"items":[{"text":"A","unitPrice":3,"taxGroup":1,"department":100}]})",
       "items[0].department"},
      {R"({"items":[{"type":"footer-comment"},{"text":"A","unitPrice":3,"taxGroup":1}]})",
       "items[0].text"},
      {R"({"items":[{"type":"refund","text":"A"}]})", "items[0].type"},
  };
  for (const auto& row : rows) {
    ReceiptRequest r;
    std::string error;
    EXPECT_FALSE(ParseReceiptRequest(json::parse(row.body), kPayments, r, error)) << row.body;
    EXPECT_NE(error.find(row.inError), std::string::npos) << row.body << " -> " << error;
  }
}

TEST(NetFpRequests, PaymentTypesAreMappedAsConfigured) {
  PaymentTypeMap map;
  std::string error;
  EXPECT_EQ(map.SupportedText(), "cash, check, card, coupons");
  EXPECT_FALSE(map.Find("bank"));
  ASSERT_TRUE(LoadPaymentTypes(json::parse(R"({"bank":4,"coupons":null})"), map, error)) << error;
  EXPECT_EQ(map.Find("bank"), 4);
  EXPECT_FALSE(map.Find("coupons"));
  EXPECT_EQ(map.Supported(), (std::vector<std::string>{"cash", "check", "card", "bank"}));
  for (const char* bad : {R"({"bitcoin":1})", R"({"bank":5})", R"({"bank":"4"})", R"([1])"})
    EXPECT_FALSE(LoadPaymentTypes(json::parse(bad), map, error)) << bad;
  EXPECT_EQ(map.Find("bank"), 4);
}

TEST(NetFpRequests, ReversalFieldsAreCheckedBeforeItIsRefused) {
  const json good = json::parse(R"({
    "uniqueSaleNumber": "NV000123-0001-0000007", "receiptNumber": "0085",
    "receiptDateTime": "2026-12-07T10:11:12", "fiscalMemorySerialNumber": "50000456",
    "reason": "refund", "items": [{"text": "A", "unitPrice": 3, "taxGroup": 1}]})");
  ReversalRequest r;
  std::string error;
  ASSERT_TRUE(ParseReversalRequest(good, kPayments, r, error)) << error;
  EXPECT_EQ(r.reason, "refund");
  EXPECT_EQ(r.receiptNumber, "0085");
  for (const char* key : {"uniqueSaleNumber", "receiptNumber", "receiptDateTime",
                          "fiscalMemorySerialNumber", "reason", "items"}) {
    json bad = good;
    bad.erase(key);
    EXPECT_FALSE(ParseReversalRequest(bad, kPayments, r, error)) << key;
  }
  json badReason = good;
  badReason["reason"] = "mistake";
  EXPECT_FALSE(ParseReversalRequest(badReason, kPayments, r, error));
  EXPECT_NE(error.find("taxbase-reduction"), std::string::npos);
}

TEST(NetFpRequests, ClockTakesWhatJavaScriptSends) {
  std::string error;
  std::time_t local = 0, withMs = 0, utc = 0, plus2 = 0;
  ASSERT_TRUE(ParseDateTimeRequest(json{{"deviceDateTime", "2026-12-08T10:15:00"}}, local, error));
  ASSERT_TRUE(
      ParseDateTimeRequest(json{{"deviceDateTime", "2026-12-08T10:15:00.123"}}, withMs, error));
  EXPECT_EQ(withMs, local);
  ASSERT_TRUE(
      ParseDateTimeRequest(json{{"deviceDateTime", "2026-12-08T08:15:00.000Z"}}, utc, error));
  ASSERT_TRUE(
      ParseDateTimeRequest(json{{"deviceDateTime", "2026-12-08T10:15:00+02:00"}}, plus2, error));
  EXPECT_EQ(utc, plus2);  // the same instant
  std::tm tm{};
  gmtime_r(&utc, &tm);
  EXPECT_EQ(tm.tm_hour, 8);
  for (const char* bad : {"2026-12-08T10:15:00.", "2026-12-08T10:15:00+2",
                          "2026-12-08T10:15:00+15:00", "2026-12-08T10:15:00 Z"})
    EXPECT_FALSE(ParseDateTimeRequest(json{{"deviceDateTime", bad}}, local, error)) << bad;
}

TEST(NetFpRequests, RawRequestsFirstCharacterIsTheCommand) {
  RawRequest raw;
  std::string error;
  ASSERT_TRUE(ParseRawRequest(json{{"rawRequest", "!"}}, raw, error)) << error;
  EXPECT_EQ(raw.command, 0x21);
  EXPECT_EQ(raw.data, "");
  ASSERT_TRUE(ParseRawRequest(json{{"rawRequest", "7Ден"}}, raw, error));
  EXPECT_EQ(raw.command, '7');
  EXPECT_EQ(raw.data, "\xC4\xE5\xED");
  EXPECT_FALSE(ParseRawRequest(json{{"rawRequest", ""}}, raw, error));
  EXPECT_FALSE(ParseRawRequest(json{{"rawRequest", "\x01"}}, raw, error));
  EXPECT_FALSE(ParseRawRequest(json{{"rawRequest", "!"}, {"command", 33}}, raw, error));
}

}  // namespace

namespace {

TEST(NetFpRequests, SubtotalChangesAndTheRestAreCountedBeforeThePrinter) {
  struct Row {
    const char* body;
    const char* inError;  // "": accepted
  };
  const Row rows[] = {
      // 3.00 - 0.50 = 2.50: the rest by card covers it, 2.50 in cash does too.
      {R"({"items":[{"text":"A","unitPrice":3,"taxGroup":1},{"type":"discount-amount","amount":0.5}],
          "payments":[{"amount":1},{"paymentType":"card"}]})",
       ""},
      {R"({"items":[{"text":"A","unitPrice":3,"taxGroup":1},{"type":"discount-amount","amount":0.5}],
          "payments":[{"amount":2.5}]})",
       ""},
      {R"({"items":[{"text":"A","unitPrice":3,"taxGroup":1},{"type":"surcharge-amount","amount":0.5}],
          "payments":[{"amount":3}]})",
       "3.00 do not cover the receipt's total 3.50"},
      {R"({"items":[{"text":"A","unitPrice":3,"taxGroup":1},{"type":"discount-amount","amount":3.01}]})",
       "the discount is more than the subtotal 3.00"},
  };
  for (const auto& row : rows) {
    ReceiptRequest r;
    std::string error;
    ASSERT_TRUE(ParseReceiptRequest(json::parse(row.body), kPayments, r, error)) << error;
    ReceiptRules rules;
    rules.groupOn.fill(true);
    EXPECT_EQ(CheckReceiptSums(r, rules, error), *row.inError == '\0') << row.body;
    if (*row.inError) {
      EXPECT_NE(error.find(row.inError), std::string::npos) << error;
    }
  }
}

}  // namespace
