#include "server/requests.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "server/server_config.h"

using nlohmann::json;

namespace {

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
  ASSERT_TRUE(ParseReceiptRequest(json::parse(kGoodReceipt), r, error)) << error;
  EXPECT_EQ(r.uniqueSaleNumber, "DT279013-0001-0000017");
  ASSERT_TRUE(r.op);
  EXPECT_EQ(r.op->number, 2);
  EXPECT_EQ(r.op->password, "2");
  ASSERT_EQ(r.lines.size(), 3u);
  EXPECT_EQ(r.lines[0].text, "\xD5\xEB\xFF\xE1 \xE1\xFF\xEB");  // Windows-1251
  EXPECT_EQ(r.lines[0].taxGroup, 1);                            // Б
  EXPECT_DOUBLE_EQ(r.lines[0].quantity, 2);
  EXPECT_TRUE(r.lines[1].comment);
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
      {R"({"items":[{"text":"A","unitPrice":1,"taxGroup":1}],"payments":[{"paymentType":"cash"}]})",
       "payments[0].amount"},
      {R"({"items":[{"text":"A","unitPrice":1,"taxGroup":1}],"operator":{"id":10}})", "operator"},
      {R"({"items":[{"text":"A","unitPrice":1,"taxGroup":1}],"uniqueSaleNumber":17})",
       "uniqueSaleNumber"},
      {R"({"items":[{"text":"A","unitPrice":1,"taxGroup":1}],"invoice":true})", "invoice"},
  };
  for (const auto& row : rows) {
    ReceiptRequest r;
    std::string error;
    EXPECT_FALSE(ParseReceiptRequest(json::parse(row.body), r, error)) << row.body;
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
    EXPECT_EQ(ParseReceiptRequest(json::parse(row.body), r, error), row.accepted)
        << row.body << " -> " << error;
  }
  SumRequest sum;
  std::string error;
  EXPECT_TRUE(ParseSumRequest(json::parse(R"({"amount":99999999})"), sum, error)) << error;
  EXPECT_FALSE(ParseSumRequest(json::parse(R"({"amount":100000000})"), sum, error));
  EXPECT_FALSE(ParseSumRequest(
      json::parse(R"({"amount":1,"operator":{"id":1,"password":"12345"}})"), sum, error));
  EXPECT_NE(error.find("operator.password"), std::string::npos) << error;
}

TEST(ServerRequests, LongTextsAreCutToThePrinterWidthWithAWarning) {
  ReceiptRequest r;
  std::string error;
  const std::string longName(50, 'X');
  ASSERT_TRUE(ParseReceiptRequest(
      json{{"items", {{{"text", longName}, {"unitPrice", 1}, {"taxGroup", 1}}}}}, r, error));
  EXPECT_EQ(r.lines[0].text, std::string(kItemTextWidth, 'X'));
  ASSERT_EQ(r.warnings.size(), 1u);
  EXPECT_NE(r.warnings[0].find("items[0].text"), std::string::npos);
}

TEST(ServerRequests, OtherBodies) {
  std::string error;
  SumRequest sum;
  EXPECT_TRUE(ParseSumRequest(json::parse(R"({"amount":12.5,"paymentType":"card"})"), sum, error));
  EXPECT_EQ(sum.paymentType, 1);
  EXPECT_FALSE(ParseSumRequest(json::parse(R"({"amount":0})"), sum, error));
  EXPECT_FALSE(ParseSumRequest(json::parse(R"({"amount":-5})"), sum, error));

  std::time_t t = 0;
  EXPECT_TRUE(
      ParseDateTimeRequest(json::parse(R"({"deviceDateTime":"2026-12-07T10:11:12"})"), t, error));
  EXPECT_EQ(FormatDeviceTime(t), "2026-12-07T10:11:12");
  for (const char* bad : {"2026-02-30T10:00:00", "2026-12-07", "07-12-2026 10:00:00",
                          "2026-12-07T24:00:00", "2026-12-07T10:00:00Z"}) {
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
      {},                                                    // no printer
      {"--com", "1=/dev/a", "--com", "1=/dev/b"},            // one id twice
      {"--com", "0=/dev/a"},                                 // COM 0
      {"--com", "1=/dev/a", "--listen", "0.0.0.0:8001"},     // open to the network, no token
      {"--com", "1=/dev/a", "--listen", "127.0.0.1:99999"},  // no such port
      {"--com", "1=/dev/a", "--baud", "12345"},
      {"--device", "a b=/dev/a"},
      {"--com", "1=/dev/a", "--bogus"},
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
      R"({"listen":"127.0.0.1:9000","printers":[{"id":"main","path":"/dev/ttyS0","baud":115200}]})",
      fromJson, error))
      << error;
  EXPECT_EQ(fromJson.port, 9000);
  EXPECT_EQ(fromJson.printers.at(0).baud, 115200);
  EXPECT_FALSE(LoadServerConfig(R"({"printers":[{"id":"x"}]})", fromJson, error));
  EXPECT_FALSE(LoadServerConfig("[1,2", fromJson, error));
}

}  // namespace
