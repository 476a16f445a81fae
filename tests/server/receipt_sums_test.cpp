// A receipt's sums: checked before anything is sent, and compared with the
// printer's own subtotal before any payment.
#include <memory>

#include "driver/commands.h"
#include "server/receipt_total.h"
#include "server_on_sim.h"
#include "support/fake_device.h"

using nlohmann::json;

namespace {

class ReceiptSums : public ServerOnSimBase {};

TEST_F(ReceiptSums, UnderpaidOrZeroReceiptsAreRefusedBeforeThePrinter) {
  Start();
  // Exactly covered, and overpaid in cash (change): both print. The first
  // receipt reads the printer's rules, which are kept while it answers.
  EXPECT_TRUE(Post("/printers/1/receipt",
                   R"({"items":[{"text":"A","unitPrice":1.15,"quantity":3,"taxGroup":2}],
                       "payments":[{"amount":3.45}]})")
                  .second["ok"]);
  EXPECT_TRUE(Post("/printers/1/receipt",
                   R"({"items":[{"text":"A","unitPrice":0.99,"taxGroup":2,
                       "priceModifierValue":12.5,"priceModifierType":"surcharge-percent"}],
                       "payments":[{"amount":20}]})")
                  .second["ok"]);
  const int frames = sim.FrameCount();
  struct Row {
    const char* body;
    const char* inError;
  };
  const Row rows[] = {
      // 2 x 1.50 - 10 % + 0.80 = 3.50, paid 3.49.
      {R"({"items":[{"text":"A","quantity":2,"unitPrice":1.50,"taxGroup":2,
          "priceModifierValue":10,"priceModifierType":"discount-percent"},
          {"text":"B","unitPrice":0.80,"taxGroup":2}],
          "payments":[{"amount":2.00},{"amount":1.49,"paymentType":"card"}]})",
       "3.49 do not cover the receipt's total 3.50"},
      {R"({"items":[{"text":"A","unitPrice":0,"taxGroup":2}]})", "items[0].unitPrice"},
      {R"({"items":[{"text":"A","unitPrice":1,"taxGroup":2}],"payments":[{"amount":0}]})",
       "payments[0].amount"},
      {R"({"items":[{"text":"A","unitPrice":0.01,"quantity":0.1,"taxGroup":2}]})", "worth 0.00"},
  };
  for (const auto& row : rows) {
    const auto [status, body] = Post("/printers/1/receipt", row.body);
    EXPECT_EQ(status, 400) << row.body;
    ASSERT_FALSE(body["messages"].empty()) << row.body;
    EXPECT_NE(body["messages"][0]["text"].get<std::string>().find(row.inError), std::string::npos)
        << body.dump();
  }
  EXPECT_EQ(Post("/printers/1/deposit", R"({"amount":0})").first, 400);
  EXPECT_EQ(sim.FrameCount(), frames);
}

ReceiptRules Rules(bool twoDecimals) {
  ReceiptRules rules;
  rules.twoDecimals = twoDecimals;
  rules.groupOn.fill(true);
  return rules;
}

// Each line counted in the printer's units, rounded half away from zero as the
// printer rounds; -1: refused, because the field the driver writes would
// carry another value than the one given.
TEST(ReceiptTotal, CountsAsThePrinterDoes) {
  struct Row {
    double price, quantity, percent;
    long long twoDecimals, whole;  // units of the mode, -1 refused
  };
  const Row rows[] = {
      {1.50, 2, -10, 270, -1},  {0.99, 1, 12.5, 111, -1},
      {1.005, 1, 0, -1, -1},                              // goes to the printer as 1.00
      {0.333, 3, 0, -1, -1},    {2.49, 0.5, 0, 125, -1},  // 1.245 rounds up
      {10, 1.234, -50, 617, 6}, {999999.99, 1, 0, 99999999, -1},
      {3, 1.0005, 0, -1, -1},  // goes as quantity 1.000
      {10, 1, -12.345, -1, -1}, {10000, 1, 0.004, -1, -1},
      {7, 0.5, 0, 350, 4},  // 3.5 whole units round up
  };
  for (const auto& row : rows) {
    for (bool two : {true, false}) {
      ReceiptRequest r;
      RequestLine line;
      line.unitPrice = row.price;
      line.quantity = row.quantity;
      line.percent = row.percent;
      r.lines.push_back(line);
      ReceiptPlan plan;
      std::string error;
      const long long want = two ? row.twoDecimals : row.whole;
      EXPECT_EQ(PlanReceipt(r, Rules(two), plan, error), want >= 0)
          << row.price << " x " << row.quantity << " " << row.percent << " " << error;
      if (want >= 0) {
        EXPECT_EQ(plan.total, want) << row.price;
      }
    }
  }
}

// Payments in the order given, each as it will be sent: a payment without an
// amount takes what the others leave (nothing: left out); only cash (type 0)
// may pay more than is left.
TEST(ReceiptPlan, PaymentsAsTheyWillBeSent) {
  using Paid = std::vector<std::pair<int, long long>>;  // type, hundredths
  struct Row {
    double total;
    std::vector<std::pair<int, double>> given;  // amount < 0: the rest
    Paid sent;                                  // empty: refused
  };
  const Row rows[] = {
      {12, {{1, -1}, {0, 5}}, {{1, 700}, {0, 500}}},
      {3, {{0, 5}, {1, -1}}, {{0, 500}}},
      {3, {{1, 2}, {0, -1}}, {{1, 200}, {0, 100}}},
      {3, {}, {{0, 300}}},
      {3, {{1, 3.01}}, {}},
      {3, {{4, 3.01}}, {}},  // foreign currency gives no change either
      {3, {{0, 3}, {1, 1}}, {}},
      {3, {{2, 1}, {0, 0.5}}, {}},
      {3, {{2, 1}, {0, 10}}, {{2, 100}, {0, 1000}}},
  };
  for (const auto& row : rows) {
    ReceiptRequest r;
    RequestLine line;
    line.unitPrice = row.total;
    r.lines.push_back(line);
    for (const auto& [type, amount] : row.given) {
      ReceiptPaymentLine p;
      p.type = type;
      if (amount >= 0) p.amount = amount;
      r.payments.push_back(p);
    }
    ReceiptPlan plan;
    std::string error;
    const bool planned = PlanReceipt(r, Rules(true), plan, error);
    EXPECT_EQ(planned, !row.sent.empty()) << row.total << " " << error;
    if (!planned) continue;
    Paid sent;
    for (const auto& p : plan.payments) sent.emplace_back(p.type, p.amount);
    EXPECT_EQ(sent, row.sent) << row.total;
  }
}

// A printer on a scripted line that keeps just enough state for a receipt:
// its subtotal is `subtotal` until a sale is voided or a payment made, 0 afterwards.
struct ScriptedPrinter {
  explicit ScriptedPrinter(const std::string& subtotal, int retries = 2) {
    auto open = this->open;
    auto voided = this->voided;
    auto paid = this->paid;
    device.SetHandler([open, voided, paid, subtotal](const FakeDevice::ReceivedFrame& f) {
      if (f.cmd == Cmd::kOpenFiscalReceipt) *open = true;
      if (f.cmd == Cmd::kCloseFiscalReceipt) *open = false;
      if (f.cmd == Cmd::kSellItem && f.data.find('-') != std::string::npos) *voided = true;
      if (f.cmd == Cmd::kPayment) *paid = true;
      if (f.cmd == Cmd::kSubtotal)
        return FakeDevice::Reply::Data(*voided || *paid ? "0.00" : subtotal);
      if (f.cmd == Cmd::kReadDecimalPoint) return FakeDevice::Reply::Data("2");
      if (f.cmd == Cmd::kReceiptState) {
        std::string state(71, '0');
        state[0] = *open ? '1' : '0';  // no payment yet
        return FakeDevice::Reply::Data(state);
      }
      if (f.cmd == 0x20) {
        std::vector<int> flags = {22, 23, 24};  // decimals, fiscalized, factory numbers
        if (*open) flags.push_back(14);         // a fiscal receipt is open
        return FakeDevice::Reply::Data(FakeDevice::StatusBytes(flags));
      }
      return FakeDevice::Reply::Ack("00");
    });
    ServerConfig config;
    config.printers.push_back(ServedPrinter{"1", 202, device.Path(), 9600});
    config.defaultOperator = OperatorRecord{1, "", "1"};
    config.retries = retries;
    api = std::make_unique<Api>(config);
    LinkTimeouts fast;
    fast.checkLink = 300;
    fast.linkSeries = 400;
    fast.reply = 400;
    api->SetTimeoutsForTesting(fast);
  }
  json Receipt(const std::string& body) {
    return json::parse(api->Handle("POST", "/printers/1/receipt", body, "").body);
  }

  FakeDevice device;
  std::shared_ptr<bool> open = std::make_shared<bool>(false);
  std::shared_ptr<bool> voided = std::make_shared<bool>(false);
  std::shared_ptr<bool> paid = std::make_shared<bool>(false);
  std::unique_ptr<Api> api;
};

// A printer whose subtotal is not the request's total: the sales are voided
// and the receipt is closed empty before any payment, with both figures named.
TEST(ReceiptSumsOnAPrinter, ASubtotalThatDiffersCancelsTheReceipt) {
  ScriptedPrinter printer("99.99");
  const json body = printer.Receipt(
      R"({"items":[{"text":"Сирене","unitPrice":4.20,"taxGroup":2}],"payments":[{"amount":5}]})");
  EXPECT_FALSE(body["ok"]) << body.dump();
  EXPECT_EQ(body["receiptState"], "cancelled") << body.dump();
  EXPECT_EQ(body["printed"]["payments"], 0);
  bool named = false;
  for (const auto& m : body["messages"])
    named = named || (m["reason"] == "total" &&
                      m["text"].get<std::string>().find("99.99") != std::string::npos &&
                      m["text"].get<std::string>().find("4.20") != std::string::npos);
  EXPECT_TRUE(named) << body.dump();
  EXPECT_EQ(body["printed"]["voided"], 1);
  EXPECT_TRUE(*printer.voided);
  for (const auto& f : printer.device.Frames()) EXPECT_NE(f.cmd, Cmd::kPayment);
}

// A noisy line: each command has its own retries, so faults on two commands
// of one receipt are both retried (one budget for the request ran out).
TEST(ReceiptSumsOnAPrinter, EachCommandHasItsOwnRetries) {
  ScriptedPrinter printer("4.20", 1);
  const auto bad = FakeDevice::Reply::Ack("00").WithChecksum("00");
  printer.device.Queue(Cmd::kOpenFiscalReceipt, bad);
  printer.device.Queue(Cmd::kSellItem, bad);
  printer.device.Queue(Cmd::kCloseFiscalReceipt, bad);
  const json body = printer.Receipt(
      R"({"items":[{"text":"Сирене","unitPrice":4.20,"taxGroup":2}],"payments":[{"amount":5}]})");
  EXPECT_TRUE(body["ok"]) << body.dump();
  EXPECT_EQ(body["receiptState"], "closed");
  int retried = 0;
  for (const auto& m : body["messages"]) retried += m["reason"] == "link";
  EXPECT_EQ(retried, 3) << body.dump();
}

}  // namespace
