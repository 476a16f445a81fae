// Money over HTTP on the simulated printer: a receipt is opened only when the
// printer will count it as the server does and can close it; only cash gives
// change; a zeroing chain allowed with zeroReports is answered to its end.
#include <string>

#include "server_on_sim.h"

using nlohmann::json;

namespace {

constexpr int kFiscalReceiptOpenFlag = 14;

class ReceiptMoney : public ServerOnSimBase {
 protected:
  int ReceiptNumber() {
    return sim.WithDevice([](SimDevice& d) { return d.State().receiptNumber; });
  }
  double Cash() { return Get("/printers/1/cash").second.value("amount", -1.0); }
  std::string MessagesText(const json& body) {
    std::string all;
    for (const auto& m : body["messages"]) all += m["text"].get<std::string>() + "\n";
    return all;
  }
};

std::string Sale(const std::string& price, const std::string& extra = "") {
  return R"({"text":"A","unitPrice":)" + price + R"(,"taxGroup":2)" + extra + "}";
}

// Each of these printed a receipt that was then voided or annulled, or left
// open, or closed at 0.00: now each is refused with 400 and nothing reaches
// the paper, with the printer's rules read from it or already known.
TEST_F(ReceiptMoney, WhatThePrinterWouldCountOtherwiseIsRefusedWithNothingPrinted) {
  Start();
  // The simulated printer has groups Д..З switched off.
  struct Row {
    std::string items, payments, inError;
  };
  const Row rows[] = {
      {Sale("1.005"), "", "items[0].unitPrice: 1.005 has more decimals"},
      {Sale("0.335", R"(,"quantity":3)"), "", "items[0].unitPrice: 0.335"},
      {Sale("0.015"), "", "items[0].unitPrice: 0.015"},
      {Sale("100", R"(,"quantity":1.0005)"), "", "items[0].quantity: 1.0005 has more than 3"},
      {Sale("10000", R"(,"priceModifierValue":0.004,"priceModifierType":"surcharge-percent")"), "",
       "items[0].priceModifierValue: 0.004"},
      {Sale("10", R"(,"priceModifierValue":12.345,"priceModifierType":"discount-percent")"), "",
       "items[0].priceModifierValue: 12.345"},
      {Sale("99999999"), "", "above this printer's maximum 999999.99"},
      {R"({"text":"A","unitPrice":1,"taxGroup":6})", "", "group 6 is switched off"},
      {Sale("1") + R"(,{"type":"discount-amount","amount":1})", "", "the receipt's total is 0.00"},
      {Sale("1"), R"([{"amount":0.995}])", "payments[0].amount: 0.995"},
      {Sale("2"), R"([{"amount":200,"paymentType":"card"}])",
       "200.00 is more than the 2.00 left to pay; only cash gives change"},
      {Sale("5"), R"([{"amount":5},{"amount":1,"paymentType":"card"}])",
       "payments[1]: the payments before it pay the whole 5.00"},
      {Sale("4") + "," + Sale("0.5", R"(,"quantity":3)"),
       R"([{"amount":3,"paymentType":"check"},{"amount":2.51,"paymentType":"card"}])",
       "2.51 is more than the 2.50 left"},
      {Sale("999999.99", R"(,"quantity":11)"), "", "would pass this printer's limit 9999999.99"},
  };
  const int number = ReceiptNumber();
  const double cash = Cash();
  for (int pass = 0; pass < 2; ++pass) {  // rules read from the printer, then kept
    for (const auto& row : rows) {
      sim.ClearPaper();
      std::string body = R"({"items":[)" + row.items + "]";
      if (!row.payments.empty()) body += R"(,"payments":)" + row.payments;
      const auto [status, answer] = Post("/printers/1/receipt", body + "}");
      EXPECT_EQ(status, 400) << body << answer.dump();
      EXPECT_NE(MessagesText(answer).find(row.inError), std::string::npos) << answer.dump();
      EXPECT_EQ(sim.Paper(), "") << body;
      EXPECT_FALSE(sim.Flags()[kFiscalReceiptOpenFlag]) << body;
    }
  }
  EXPECT_EQ(ReceiptNumber(), number);
  EXPECT_DOUBLE_EQ(Cash(), cash);
}

TEST_F(ReceiptMoney, ReceiptsCloseAtTheTotalTheServerCounted) {
  Start();
  struct Row {
    std::string items, payments;
    double total;
    const char* onPaper;  // besides the total
  };
  const Row rows[] = {
      {Sale("0.33", R"(,"quantity":3)"), "", 0.99, ""},
      {Sale("100", R"(,"quantity":1.001)"), "", 100.10, ""},
      {Sale("10", R"(,"priceModifierValue":12.34,"priceModifierType":"discount-percent")"), "",
       8.77, "-1.23"},
      {Sale("10000", R"(,"priceModifierValue":0.01,"priceModifierType":"surcharge-percent")"), "",
       10001.00, "1.00"},
      {Sale("0.99", R"(,"quantity":2.5)"), R"([{"amount":10}])", 2.48, "7.52"},  // change
      {Sale("2") + R"(,{"type":"discount-amount","amount":0.01})",
       R"([{"amount":1,"paymentType":"card"},{"paymentType":"cash"}])", 1.99, "0.99"},
  };
  for (const auto& row : rows) {
    sim.ClearPaper();
    std::string body = R"({"items":[)" + row.items + "]";
    if (!row.payments.empty()) body += R"(,"payments":)" + row.payments;
    const auto [status, answer] = Post("/printers/1/receipt", body + "}");
    EXPECT_EQ(status, 200) << body;
    EXPECT_TRUE(answer["ok"]) << answer.dump();
    EXPECT_EQ(answer["receiptState"], "closed");
    EXPECT_DOUBLE_EQ(answer.value("receiptAmount", -1.0), row.total) << body;
    char total[32];
    std::snprintf(total, sizeof total, "%.2f", row.total);
    const std::string paper = sim.Paper();
    EXPECT_NE(paper.find("ОБЩА СУМА"), std::string::npos) << paper;
    EXPECT_NE(paper.find(total), std::string::npos) << paper;
    EXPECT_NE(paper.find(row.onPaper), std::string::npos) << paper;
    EXPECT_EQ(paper.find("АНУЛИРАН"), std::string::npos) << paper;
  }
}

// Card 200 for a sale of 2.00 gave 198.00 change from the drawer.
TEST_F(ReceiptMoney, OnlyCashGivesChange) {
  Start();
  const double cash = Cash();
  const auto card =
      Post("/printers/1/receipt",
           R"({"items":[)" + Sale("2") + R"(],"payments":[{"amount":200,"paymentType":"card"}]})");
  EXPECT_EQ(card.first, 400);
  EXPECT_EQ(sim.Paper().find("РЕСТО"), std::string::npos);
  const auto inCash = Post("/printers/1/receipt",
                           R"({"items":[)" + Sale("2") + R"(],"payments":[{"amount":200}]})");
  EXPECT_TRUE(inCash.second["ok"]) << inCash.second.dump();
  EXPECT_NE(sim.Paper().find("198.00"), std::string::npos);
  EXPECT_DOUBLE_EQ(Cash(), cash + 2);
}

TEST_F(ReceiptMoney, WholeNumberPrintersTakeWholeAmountsOnly) {
  sim.WithDevice([](SimDevice& d) {
    SimDevice::UseWholeNumbers(d.State());
    return 0;
  });
  Start();
  const auto half = Post("/printers/1/receipt", R"({"items":[)" + Sale("1.50") + "]}");
  EXPECT_EQ(half.first, 400);
  EXPECT_NE(MessagesText(half.second).find("has more decimals than this printer counts (whole"),
            std::string::npos)
      << half.second.dump();
  // 3 x 0.5 kg at 7: 10.5 rounds to 11.
  const auto whole = Post("/printers/1/receipt", R"({"items":[)" + Sale("7", R"(,"quantity":1.5)") +
                                                     R"(],"payments":[{"amount":20}]})");
  EXPECT_TRUE(whole.second["ok"]) << whole.second.dump();
  EXPECT_DOUBLE_EQ(whole.second.value("receiptAmount", -1.0), 11);
  // Above the two-decimal maximum, within the whole-number one.
  const auto large = Post("/printers/1/receipt", R"({"items":[)" + Sale("1000000") + "]}");
  EXPECT_TRUE(large.second["ok"]) << large.second.dump();
  EXPECT_EQ(Post("/printers/1/receipt", R"({"items":[)" + Sale("100000000") + "]}").first, 400);
}

// The rules are read once and kept; they are read again after the printer
// stopped answering, and after a receipt failed on the printer.
TEST_F(ReceiptMoney, ThePrintersRulesAreReadAgainAfterTheLinkWasLost) {
  Start();
  const std::string half = R"({"items":[)" + Sale("1.50") + "]}";
  EXPECT_TRUE(Post("/printers/1/receipt", half).second["ok"]);
  sim.Inject(Fault::kNoAnswer);
  EXPECT_FALSE(Post("/printers/1/receipt", half).second["ok"]);
  sim.Inject(Fault::kNoAnswer, 0);
  sim.WithDevice([](SimDevice& d) {
    SimDevice::UseWholeNumbers(d.State());
    return 0;
  });
  sim.ClearPaper();
  const auto whole = Post("/printers/1/receipt", half);
  EXPECT_EQ(whole.first, 400) << whole.second.dump();
  EXPECT_EQ(sim.Paper(), "");

  // Another program switches a group off meanwhile: the kept rules let the
  // receipt open, the printer refuses the sale and it is annulled; the rules
  // are read again, and the same cart is then refused before it opens.
  const std::string groupG = R"({"items":[{"text":"A","unitPrice":2,"taxGroup":4}]})";
  sim.WithDevice([](SimDevice& d) { return d.State().rates[3] = -100; });
  const auto annulled = Post("/printers/1/receipt", groupG);
  EXPECT_EQ(annulled.second.value("receiptState", ""), "cancelled") << annulled.second.dump();
  sim.ClearPaper();
  const auto again = Post("/printers/1/receipt", groupG);
  EXPECT_EQ(again.first, 400);
  EXPECT_NE(MessagesText(again.second).find("group 4 is switched off"), std::string::npos);
  EXPECT_EQ(sim.Paper(), "");
}

// A sale that printed is answered again from the journal when resent, even
// when the printer's rules known now would refuse its cart.
TEST_F(ReceiptMoney, AResentSaleIsAnsweredItsFirstResultWhateverTheRulesSayNow) {
  Start();
  const std::string sale =
      R"({"uniqueSaleNumber":"DT279013-0001-0000042","items":[{"text":"A","unitPrice":2,"taxGroup":4}]})";
  const auto first = Post("/printers/1/receipt", sale);
  ASSERT_TRUE(first.second["ok"]) << first.second.dump();
  const std::string task = "/printers/1/receipt?taskId=t-42&asyncTimeout=5000";
  const std::string cart = R"({"items":[{"text":"C","unitPrice":3,"taxGroup":4}]})";
  const auto tasked = Post(task, cart);
  ASSERT_TRUE(tasked.second["ok"]) << tasked.second.dump();
  sim.WithDevice([](SimDevice& d) { return d.State().rates[3] = -100; });
  sim.Inject(Fault::kNoAnswer);  // the rules are read again after this
  EXPECT_FALSE(Get("/printers/1/status").second["ok"]);
  sim.Inject(Fault::kNoAnswer, 0);
  EXPECT_EQ(
      Post("/printers/1/receipt", R"({"items":[{"text":"B","unitPrice":2,"taxGroup":4}]})").first,
      400);
  const auto again = Post("/printers/1/receipt", sale);
  EXPECT_EQ(again.first, 200);
  EXPECT_TRUE(again.second.value("repeated", false)) << again.second.dump();
  EXPECT_EQ(again.second["receiptNumber"], first.second["receiptNumber"]);
  const auto taskAgain = Post(task, cart);
  EXPECT_EQ(taskAgain.first, 200);
  EXPECT_EQ(taskAgain.second.value("receiptNumber", ""), tasked.second["receiptNumber"])
      << taskAgain.second.dump();
}

// The printer's report registers are full: a sale with zeroReports prints the
// reports the printer asks for, answering every question of that chain, and
// says which reports printed.
TEST_F(ReceiptMoney, AZeroingChainAllowedIsAnsweredToItsEnd) {
  FILE* log = std::tmpfile();
  requestLog = log;
  Start();
  sim.Inject(Fault::kReportOverflow);
  const std::string sale = R"({"items":[)" + Sale("1") + "]";
  const auto refused = Post("/printers/1/receipt", sale + "}");
  EXPECT_FALSE(refused.second["ok"]);
  EXPECT_EQ(sim.Paper(), "");  // refused before any report
  EXPECT_FALSE(refused.second.contains("reportsPrinted"));

  const auto [status, answer] =
      Post("/printers/1/receipt", sale + R"(,"corrections":{"zeroReports":true}})");
  EXPECT_TRUE(answer["ok"]) << answer.dump();
  EXPECT_EQ(answer["receiptState"], "closed");
  EXPECT_EQ(answer["reportsPrinted"],
            json::array({"daily Z report", "operator report", "article report"}))
      << answer.dump();
  EXPECT_NE(MessagesText(answer).find("Printed to put the printer right first: daily Z report"),
            std::string::npos);
  const std::string line = LogOnceItHolds(log, "reports printed");
  EXPECT_NE(line.find("200 ok printed"), std::string::npos) << line;
  EXPECT_NE(line.find("reports printed: daily Z report, operator report, article report"),
            std::string::npos)
      << line;
  Stop();
  std::fclose(log);
}

// The chain stops at its first report (no paper): nothing is said to have
// printed, and that report is named as one that may not have.
TEST_F(ReceiptMoney, AZeroingChainThatStopsSaysWhatMayNotHavePrinted) {
  FILE* log = std::tmpfile();
  requestLog = log;
  Start();
  sim.Inject(Fault::kReportOverflow);
  sim.Inject(Fault::kPaperOut);
  const auto [status, answer] =
      Post("/printers/1/receipt",
           R"({"items":[)" + Sale("1") + R"(],"corrections":{"zeroReports":true}})");
  EXPECT_FALSE(answer["ok"]);
  EXPECT_EQ(answer["reportsPrinted"], json::array());
  EXPECT_NE(MessagesText(answer).find("the daily Z report may not have printed"), std::string::npos)
      << answer.dump();
  const std::string line = LogOnceItHolds(log, "maybe daily Z report");
  EXPECT_NE(line.find("200 failed -"), std::string::npos) << line;
  Stop();
  std::fclose(log);
}

}  // namespace
