// Every request of the Net.FP protocol over real HTTP against the simulated
// printer, in the shapes POS software sends, checked on the printer's paper
// and registers.
#include <ctime>
#include <nlohmann/json.hpp>
#include <thread>

#include "server_on_sim.h"

using nlohmann::json;

namespace {

class NetFpOnSim : public ServerOnSimBase {
 protected:
  void SetUp() override {
    ServerConfig config;
    config.allowRaw = true;
    Start(config);
  }

  template <typename F>
  auto Device(F f) {
    return sim.WithDevice([&](SimDevice& d) { return f(d.State()); });
  }
};

bool HasMessage(const json& body, const std::string& code, const std::string& text) {
  for (const auto& m : body["messages"])
    if (m["code"] == code && m["text"].get<std::string>().find(text) != std::string::npos)
      return true;
  return false;
}

TEST_F(NetFpOnSim, PrintersAreAnObjectOfDeviceInfoKeyedById) {
  auto [status, body] = Get("/printers");
  ASSERT_EQ(status, 200);
  ASSERT_TRUE(body.is_object()) << body.dump();
  ASSERT_EQ(body.size(), 1u) << body.dump();
  const json& info = body["1"];
  EXPECT_EQ(info["serialNumber"], "NV123456");
  EXPECT_EQ(info["fiscalMemorySerialNumber"], "50654321");
  EXPECT_EQ(info["model"], "FS-SIM");
  EXPECT_EQ(info["firmwareVersion"], "1.00 07-12-2026");
  EXPECT_EQ(info["taxIdentificationNumber"], "123456786");
  EXPECT_EQ(info["itemTextMaxLength"], 36);
  EXPECT_EQ(info["commentTextMaxLength"], 34);
  EXPECT_EQ(info["operatorPasswordMaxLength"], 4);
  EXPECT_EQ(info["supportedPaymentTypes"], json({"cash", "check", "card", "coupons"}));
  EXPECT_EQ(info["supportsSubTotalAmountModifiers"], true);
  EXPECT_NE(info["uri"].get<std::string>().find(sim.Path()), std::string::npos);

  // The id the serial number gives reaches the same printer as the configured one.
  std::tie(status, body) = Get("/printers/nv123456");
  ASSERT_EQ(status, 200) << body.dump();
  EXPECT_EQ(body["serialNumber"], "NV123456");
  EXPECT_EQ(body["id"], "1");
  EXPECT_EQ(Get("/printers/nv999999").first, 404);
}

TEST_F(NetFpOnSim, StatusSaysOkWithTheClockOrWhatIsWrongInThePrintersWords) {
  auto [status, body] = Get("/printers/1/status");
  ASSERT_EQ(status, 200);
  EXPECT_EQ(body["ok"], true) << body.dump();
  EXPECT_EQ(body["messages"], json::array());
  const std::string clock = body["deviceDateTime"].get<std::string>();
  EXPECT_EQ(clock.size(), 19u);
  EXPECT_EQ(clock[10], 'T');

  sim.Inject(Fault::kPaperOut);
  std::tie(status, body) = Get("/printers/1/status");
  EXPECT_EQ(body["ok"], false);
  EXPECT_TRUE(HasMessage(body, "E307", "Няма хартия")) << body.dump();
  sim.Inject(Fault::kPaperOut, 0);

  // A printer that stops answering stays listed and its status says so.
  sim.Inject(Fault::kNoAnswer, 100);
  std::tie(status, body) = Get("/printers/1/status");
  EXPECT_EQ(status, 200);
  EXPECT_EQ(body["ok"], false);
  EXPECT_TRUE(HasMessage(body, "E101", "")) << body.dump();
  std::tie(status, body) = Get("/printers");
  EXPECT_EQ(body["1"]["connected"], false) << body.dump();
  sim.ClearFaults();
}

const char* const kProtocolReceipt = R"({
  "uniqueSaleNumber": "NV123456-0001-0000001",
  "operator": "1", "operatorPassword": "1",
  "items": [
    {"text": "Минерална вода", "quantity": 2, "unitPrice": 1.25, "taxGroup": 2, "department": 2},
    {"type": "comment", "text": "Промоция"},
    {"text": "Кафе", "unitPrice": 2.00, "taxGroup": 2,
     "priceModifierValue": 10, "priceModifierType": "discount-percent"},
    {"type": "discount-amount", "amount": 0.30},
    {"type": "footer-comment", "text": "Заповядайте отново"}
  ],
  "payments": [{"paymentType": "cash", "amount": 2.00}, {"paymentType": "card"}]
})";

TEST_F(NetFpOnSim, ReceiptInTheProtocolsShapesPrintsAndRegistersExactly) {
  sim.ClearPaper();
  const auto before = Device([](const DeviceState& s) { return s.dailyPayments; });
  const auto [status, body] = Post("/printers/1/receipt", kProtocolReceipt);
  ASSERT_EQ(status, 200) << body.dump();
  ASSERT_EQ(body["ok"], true) << body.dump();
  // 2 x 1.25 + 2.00 - 10 % - 0.30 = 4.00: 2.00 in cash and the rest, 2.00, by card.
  EXPECT_DOUBLE_EQ(body["receiptAmount"].get<double>(), 4.00);
  const int number = Device([](const DeviceState& s) { return s.receiptNumber; });
  char expected[8];
  std::snprintf(expected, sizeof expected, "%04d", number % 10000);
  EXPECT_EQ(body["receiptNumber"], expected);
  EXPECT_EQ(body["fiscalMemorySerialNumber"], "50654321");
  EXPECT_EQ(body["receiptDateTime"].get<std::string>().size(), 19u);
  const auto after = Device([](const DeviceState& s) { return s.dailyPayments; });
  EXPECT_EQ(after[0] - before[0], 200);
  EXPECT_EQ(after[1] - before[1], 200);
  EXPECT_EQ(Device([](const DeviceState& s) { return s.departments.at(2).turnover; }), 250);

  const std::string paper = sim.Paper();
  EXPECT_EQ(CountOf(paper, "ФИСКАЛЕН БОН"), 1) << paper;
  EXPECT_NE(paper.find("Минерална вода"), std::string::npos) << paper;
  EXPECT_NE(paper.find("Промоция"), std::string::npos);
  EXPECT_NE(paper.find("ОТСТЪПКА"), std::string::npos);
  EXPECT_NE(paper.find("-0.30"), std::string::npos);
  // The footer comment comes after the payments.
  const size_t footer = paper.find("Заповядайте отново");
  ASSERT_NE(footer, std::string::npos);
  EXPECT_LT(paper.find("ОБЩА СУМА"), footer);
}

TEST_F(NetFpOnSim, WhatThePrinterCannotDoPrintsNothing) {
  sim.ClearPaper();
  const int frames = sim.FrameCount();
  // A line discounted by an amount: the printer discounts lines by percent only.
  auto [status, body] = Post("/printers/1/receipt", R"({"items":[{"text":"A","unitPrice":3,
      "taxGroup":1,"priceModifierValue":1,"priceModifierType":"discount-amount"}]})");
  EXPECT_EQ(status, 400);
  EXPECT_EQ(body["ok"], false);
  EXPECT_TRUE(HasMessage(body, "E400", "percent only")) << body.dump();
  // A payment type the printer has no mapping for names the supported ones.
  std::tie(status, body) = Post("/printers/1/receipt", R"({"items":[{"text":"A","unitPrice":3,
      "taxGroup":1}],"payments":[{"paymentType":"bank"}]})");
  EXPECT_EQ(status, 400);
  EXPECT_TRUE(HasMessage(body, "E400", "cash, check, card, coupons")) << body.dump();
  // A reversal receipt: its fields are checked, then it is refused.
  std::tie(status, body) = Post("/printers/1/reversalreceipt", R"({"items":[{"text":"A",
      "unitPrice":3,"taxGroup":1}],"uniqueSaleNumber":"NV123456-0001-0000001",
      "receiptNumber":"0001","receiptDateTime":"2026-12-07T10:00:00",
      "fiscalMemorySerialNumber":"50654321"})");
  EXPECT_EQ(status, 400);
  EXPECT_NE(body["messages"][0]["text"].get<std::string>().find("reason"), std::string::npos);
  std::tie(status, body) = Post("/printers/1/reversalreceipt", R"({"items":[{"text":"A",
      "unitPrice":3,"taxGroup":1}],"uniqueSaleNumber":"NV123456-0001-0000001",
      "receiptNumber":"0001","receiptDateTime":"2026-12-07T10:00:00",
      "fiscalMemorySerialNumber":"50654321","reason":"refund"})");
  EXPECT_EQ(status, 200);
  EXPECT_EQ(body["ok"], false);
  EXPECT_TRUE(HasMessage(body, "E410", "Сторно")) << body.dump();
  EXPECT_EQ(sim.FrameCount(), frames);
  EXPECT_EQ(sim.Paper(), "");

  // A department whose tax group differs from the line's: nothing is opened.
  std::tie(status, body) = Post("/printers/1/receipt", R"({"items":[{"text":"Вестник",
      "unitPrice":1,"taxGroup":2,"department":4}]})");
  EXPECT_EQ(body["ok"], false);
  EXPECT_TRUE(HasMessage(body, "E400", "Отдел 4 е в данъчна група А")) << body.dump();
  EXPECT_EQ(body["printed"]["opened"], false);
  EXPECT_EQ(CountOf(sim.Paper(), "ФИСКАЛЕН БОН"), 0);
}

TEST_F(NetFpOnSim, DepositWithdrawAndCashByThePrintersCounters) {
  auto [status, body] = Get("/printers/1/cash");
  ASSERT_EQ(body["ok"], true) << body.dump();
  const double start = body["amount"].get<double>();
  sim.ClearPaper();
  std::tie(status, body) =
      Post("/printers/1/deposit", R"({"amount":50,"operator":"1","operatorPassword":"1"})");
  ASSERT_EQ(body["ok"], true) << body.dump();
  std::tie(status, body) = Post("/printers/1/withdraw", R"({"amount":12.5})");
  ASSERT_EQ(body["ok"], true) << body.dump();
  std::tie(status, body) =
      Post("/printers/1/receipt", R"({"items":[{"text":"Хляб","unitPrice":1.1,"taxGroup":2}]})");
  ASSERT_EQ(body["ok"], true) << body.dump();
  std::tie(status, body) = Post("/printers/1/cash", R"({"operator":"1"})");
  ASSERT_EQ(body["ok"], true) << body.dump();
  EXPECT_NEAR(body["amount"].get<double>() - start, 50 - 12.5 + 1.1, 0.001);
  const std::string paper = sim.Paper();
  EXPECT_NE(paper.find("СЛУЖЕБНО ВНЕСЕНИ"), std::string::npos) << paper;
  EXPECT_NE(paper.find("СЛУЖЕБНО ИЗВЕДЕНИ"), std::string::npos);
  EXPECT_EQ(Device([](const DeviceState& s) { return s.serviceIn.sums[0]; }), 5000);
  // A wrong operator password is the printer's refusal, not a sum.
  std::tie(status, body) =
      Post("/printers/1/deposit", R"({"amount":5,"operator":"1","operatorPassword":"9999"})");
  EXPECT_EQ(body["ok"], false) << body.dump();
  EXPECT_EQ(Device([](const DeviceState& s) { return s.serviceIn.sums[0]; }), 5000);
}

TEST_F(NetFpOnSim, ReportsDuplicateClockAndRawRequest) {
  sim.ClearPaper();
  ASSERT_EQ(Post("/printers/1/receipt", R"({"items":[{"text":"Хляб","unitPrice":1,"taxGroup":2}]})")
                .second["ok"],
            true);
  auto [status, body] = Post("/printers/1/duplicate", "");
  EXPECT_EQ(body["ok"], true) << body.dump();
  EXPECT_EQ(CountOf(sim.Paper(), "ДУБЛИКАТ"), 2) << sim.Paper();
  std::tie(status, body) = Post("/printers/1/xreport", "");
  EXPECT_EQ(body["ok"], true) << body.dump();
  EXPECT_NE(sim.Paper().find("X ОТЧЕТ"), std::string::npos);
  std::tie(status, body) = Post("/printers/1/zreport", "{}");
  EXPECT_EQ(body["ok"], true) << body.dump();
  EXPECT_NE(sim.Paper().find("Z ОТЧЕТ"), std::string::npos);
  EXPECT_EQ(Device([](const DeviceState& s) { return s.dailyPayments[0]; }), 0);

  // What JavaScript's Date.toJSON sends: UTC, with milliseconds.
  std::time_t now = std::time(nullptr) + 3600;
  std::tm utc{};
  gmtime_r(&now, &utc);
  char sent[40];
  std::strftime(sent, sizeof sent, "%Y-%m-%dT%H:%M:%S.000Z", &utc);
  std::tie(status, body) = Post("/printers/1/datetime", json{{"deviceDateTime", sent}}.dump());
  EXPECT_EQ(body["ok"], true) << body.dump();
  std::tm local{};
  localtime_r(&now, &local);
  char expected[40];
  std::strftime(expected, sizeof expected, "%Y-%m-%dT%H:%M", &local);
  std::tie(status, body) = Get("/printers/1/status");
  EXPECT_EQ(body["deviceDateTime"].get<std::string>().substr(0, 16), expected);

  std::tie(status, body) = Post("/printers/1/rawrequest", R"({"rawRequest":"!"})");
  EXPECT_EQ(body["ok"], true) << body.dump();
  EXPECT_EQ(body["rawResponse"].get<std::string>().rfind("FS-SIM", 0), 0u) << body.dump();
}

TEST_F(NetFpOnSim, AsyncTasksAreQueuedAnsweredAndNeverRunTwice) {
  sim.ClearPaper();
  const std::string receipt = R"({"items":[{"text":"Хляб","unitPrice":1,"taxGroup":2}]})";
  auto [status, body] = Post("/printers/1/receipt?asyncTimeout=0&taskId=T-1", receipt);
  ASSERT_EQ(status, 200);
  EXPECT_EQ(body["taskId"], "T-1") << body.dump();
  EXPECT_FALSE(body.contains("receiptNumber"));
  json info;
  for (int i = 0; i < 600; ++i) {
    info = Get("/printers/taskinfo?id=T-1").second;
    if (info["taskStatus"] == "finished") break;
    EXPECT_TRUE(info["taskStatus"] == "enqueued" || info["taskStatus"] == "running") << info;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  ASSERT_EQ(info["taskStatus"], "finished");
  EXPECT_EQ(info["result"]["ok"], true) << info.dump();
  // Reading it takes nothing away: a page that fetched it leaves it to the till.
  EXPECT_EQ(Get("/printers/taskinfo?id=T-1").second["result"], info["result"]);
  // The same task id again is the same task: its result, and nothing printed.
  std::tie(status, body) = Post("/printers/1/receipt?taskId=T-1", receipt);
  EXPECT_EQ(body["receiptNumber"], info["result"]["receiptNumber"]) << body.dump();
  EXPECT_EQ(CountOf(sim.Paper(), "ФИСКАЛЕН БОН"), 1);

  // Waiting long enough gives the result itself; a server-made id comes with it.
  std::tie(status, body) = Post("/printers/1/xreport?asyncTimeout=60000", "");
  EXPECT_EQ(body["ok"], true) << body.dump();
  EXPECT_FALSE(body["taskId"].get<std::string>().empty());
  EXPECT_EQ(Get("/printers/taskinfo?id=never-seen").second["taskStatus"], "unknown");
  EXPECT_EQ(Post("/printers/1/xreport?asyncTimeout=-1", "").first, 400);
  EXPECT_EQ(Get("/printers/taskinfo").first, 400);
}

}  // namespace
