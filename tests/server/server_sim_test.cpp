// fiscal-server over real HTTP in front of the simulated printer on its
// pseudo-terminal: what the shop's software sends, what the printer prints.
#include <gtest/gtest.h>
#include <httplib.h>

#include <future>
#include <nlohmann/json.hpp>
#include <thread>
#include <vector>

#include "server/api.h"
#include "server/http_front.h"
#include "sim/sim_server.h"

using nlohmann::json;

namespace {

int CountOf(const std::string& text, const std::string& what) {
  int n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

class ServerOnSim : public ::testing::Test {
 protected:
  void SetUp() override { Start(""); }
  void TearDown() override { Stop(); }

  void Start(const std::string& token) {
    ServerConfig config;
    config.printers.push_back(ServedPrinter{"1", 201, sim.Path(), 9600});
    config.defaultOperator = OperatorRecord{1, "", "1"};
    config.token = token;
    config.allowRaw = true;
    api = std::make_unique<Api>(config);
    LinkTimeouts fast;
    fast.checkLink = 300;
    fast.linkSeries = 400;
    fast.reply = 400;
    api->SetTimeoutsForTesting(fast);
    front = std::make_unique<HttpFront>(*api);
    ASSERT_TRUE(front->Bind("127.0.0.1", 0));
    serving = std::thread([this] { front->Serve(); });
    client = std::make_unique<httplib::Client>("127.0.0.1", front->Port());
    client->set_read_timeout(60, 0);
    for (int i = 0; i < 100 && !client->Get("/printers/none"); ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }

  void Stop() {
    if (!front) return;
    front->Stop();
    serving.join();
    front.reset();
    api.reset();
  }

  // Status and JSON body of a request.
  std::pair<int, json> Post(const std::string& path, const std::string& body,
                            const httplib::Headers& headers = {}) {
    auto res = client->Post(path.c_str(), headers, body, "application/json");
    if (!res) return {0, json()};
    return {res->status, json::parse(res->body, nullptr, false)};
  }
  std::pair<int, json> Get(const std::string& path, const httplib::Headers& headers = {}) {
    auto res = client->Get(path.c_str(), headers);
    if (!res) return {0, json()};
    return {res->status, json::parse(res->body, nullptr, false)};
  }

  SimServer sim;
  std::unique_ptr<Api> api;
  std::unique_ptr<HttpFront> front;
  std::thread serving;
  std::unique_ptr<httplib::Client> client;
};

const char* const kReceipt = R"({
  "uniqueSaleNumber": "DT000001-0001-0000001",
  "items": [
    {"text": "Кафе", "quantity": 2, "unitPrice": 1.50, "taxGroup": 2,
     "priceModifierValue": 10, "priceModifierType": "discount-percent"},
    {"type": "comment", "text": "Приятен ден"},
    {"text": "Вода", "unitPrice": 0.80, "taxGroup": 2}
  ],
  "payments": [{"amount": 2.00, "paymentType": "cash"}, {"amount": 1.50, "paymentType": "card"}]
})";

TEST_F(ServerOnSim, ReceiptWithDiscountAndTwoPaymentsPrintsExactlyThat) {
  sim.ClearPaper();
  const auto [status, body] = Post("/printers/1/receipt", kReceipt);
  ASSERT_EQ(status, 200) << body.dump();
  ASSERT_TRUE(body["ok"]) << body.dump();
  EXPECT_EQ(body["receiptState"], "closed");
  EXPECT_DOUBLE_EQ(body["receiptAmount"].get<double>(), 3.50);  // 2 x 1.50 - 10 % + 0.80
  EXPECT_GT(std::stoi(body["receiptNumber"].get<std::string>()), 0);
  EXPECT_EQ(body["receiptDateTime"].get<std::string>().size(), 19u);
  const std::string paper = sim.Paper();
  EXPECT_NE(paper.find("Кафе"), std::string::npos) << paper;
  EXPECT_NE(paper.find("Вода"), std::string::npos);
  EXPECT_NE(paper.find("Приятен ден"), std::string::npos);
  EXPECT_NE(paper.find("-10.00%"), std::string::npos) << paper;
  EXPECT_NE(paper.find("3.50"), std::string::npos);
  EXPECT_EQ(CountOf(paper, "ФИСКАЛЕН БОН"), 1) << paper;
}

TEST_F(ServerOnSim, RepeatedSaleNumberPrintsOnce) {
  sim.ClearPaper();
  const auto first = Post("/printers/1/receipt", kReceipt);
  ASSERT_TRUE(first.second["ok"]) << first.second.dump();
  const int frames = sim.FrameCount();
  const auto again = Post("/printers/1/receipt", kReceipt);
  ASSERT_EQ(again.first, 200);
  EXPECT_TRUE(again.second["ok"]);
  EXPECT_TRUE(again.second["repeated"]);
  EXPECT_EQ(again.second["receiptNumber"], first.second["receiptNumber"]);
  EXPECT_EQ(sim.FrameCount(), frames);  // the printer was not even asked
  EXPECT_EQ(CountOf(sim.Paper(), "ФИСКАЛЕН БОН"), 1);
}

TEST_F(ServerOnSim, ConcurrentReceiptsAreSerializedAndAllRegistered) {
  const int64_t before = sim.WithDevice([](SimDevice& d) { return d.State().dailyTotals[1]; });
  sim.ClearPaper();
  constexpr int kClients = 4;
  std::vector<std::future<std::pair<int, bool>>> results;
  for (int i = 0; i < kClients; ++i) {
    results.push_back(std::async(std::launch::async, [this, i] {
      httplib::Client c("127.0.0.1", front->Port());
      c.set_read_timeout(120, 0);
      const json body = {{"uniqueSaleNumber", "PAR-" + std::to_string(i)},
                         {"items", {{{"text", "Хляб"}, {"unitPrice", 1.10}, {"taxGroup", 2}}}}};
      auto res = c.Post("/printers/1/receipt", body.dump(), "application/json");
      if (!res) return std::make_pair(0, false);
      return std::make_pair(res->status, json::parse(res->body)["ok"].get<bool>());
    }));
  }
  for (auto& r : results) {
    const auto [status, ok] = r.get();
    EXPECT_EQ(status, 200);
    EXPECT_TRUE(ok);
  }
  EXPECT_EQ(CountOf(sim.Paper(), "ФИСКАЛЕН БОН"), kClients);
  const int64_t after = sim.WithDevice([](SimDevice& d) { return d.State().dailyTotals[1]; });
  EXPECT_EQ(after - before, kClients * 110);
}

TEST_F(ServerOnSim, BadBodiesGet400AndSendNothing) {
  const int frames = sim.FrameCount();
  const std::vector<std::string> bodies = {
      "{not json",
      "[1,2]",
      R"({"items":[{"text":"日本","unitPrice":1,"taxGroup":1}]})",
      R"({"items":[{"text":"A","unitPrice":1,"taxGroup":1,"price":2}]})",
      R"({"items":[{"text":"A","unitPrice":1e15,"taxGroup":1}]})",
  };
  for (const auto& b : bodies) {
    const auto [status, body] = Post("/printers/1/receipt", b);
    EXPECT_EQ(status, 400) << b;
    EXPECT_FALSE(body["ok"]) << b;
    EXPECT_EQ(body["messages"][0]["type"], "error");
  }
  EXPECT_EQ(Post("/printers/1/deposit", R"({"amount":"5"})").first, 400);
  EXPECT_EQ(Post("/printers/1/receipt", std::string(70 * 1024, ' ')).first, 413);
  EXPECT_EQ(Post("/printers/9/receipt", kReceipt).first, 404);
  EXPECT_EQ(Get("/printers/1/receipt").first, 405);
  EXPECT_EQ(sim.FrameCount(), frames);
}

TEST_F(ServerOnSim, StatusReportsAndClock) {
  auto [status, body] = Get("/printers/1/status");
  ASSERT_EQ(status, 200);
  EXPECT_TRUE(body["ok"]);
  EXPECT_TRUE(body["status"]["flags"]["fiscalized"]);
  EXPECT_TRUE(body["status"]["ok"]);

  sim.Inject(Fault::kPaperOut);
  std::tie(status, body) = Get("/printers/1/status");
  EXPECT_FALSE(body["status"]["ok"]);
  EXPECT_EQ(body["status"]["errors"][0], "noPaper");
  // A receipt on a printer without paper: refused, and nothing was opened.
  std::tie(status, body) = Post("/printers/1/receipt", kReceipt);
  EXPECT_FALSE(body["ok"]);
  EXPECT_EQ(body["receiptState"], "none");
  sim.Inject(Fault::kPaperOut, 0);

  std::tie(status, body) = Get("/printers");
  ASSERT_EQ(body.size(), 1u);
  EXPECT_EQ(body["1"]["id"], "1");
  EXPECT_TRUE(body["1"]["connected"]);
  EXPECT_NE(body["1"]["model"].get<std::string>(), "");

  // Moving the clock by years needs the request's consent.
  std::tie(status, body) =
      Post("/printers/1/datetime", R"({"deviceDateTime":"2031-05-06T07:08:09"})");
  EXPECT_FALSE(body["ok"]) << body.dump();
  std::tie(status, body) = Post("/printers/1/datetime", R"({"deviceDateTime":"2031-05-06T07:08:09",
                                                           "corrections":{"setClock":true}})");
  EXPECT_TRUE(body["ok"]) << body.dump();
  std::tie(status, body) = Get("/printers/1/datetime");
  EXPECT_EQ(body["deviceDateTime"].get<std::string>().substr(0, 13), "2031-05-06T07");

  sim.ClearPaper();
  std::tie(status, body) = Post("/printers/1/xreport", "");
  EXPECT_TRUE(body["ok"]) << body.dump();
  std::tie(status, body) = Post("/printers/1/deposit", R"({"amount":25.5})");
  EXPECT_TRUE(body["ok"]) << body.dump();
  // Above the printer's maximum in its two-decimal mode: nothing is sent, and
  // the answer says why instead of failing without a word.
  std::tie(status, body) = Post("/printers/1/deposit", R"({"amount":1000000})");
  EXPECT_FALSE(body["ok"]) << body.dump();
  EXPECT_NE(body["messages"].dump().find("999999.99"), std::string::npos) << body.dump();
  std::tie(status, body) = Post("/printers/1/rawrequest", R"({"command":"0x21"})");
  EXPECT_TRUE(body["ok"]);
  EXPECT_NE(body["rawResponse"].get<std::string>(), "");
}

TEST_F(ServerOnSim, PrinterThatStopsAnsweringGivesAnErrorInTime) {
  sim.Inject(Fault::kNoAnswer);
  const auto start = std::chrono::steady_clock::now();
  const auto [status, body] = Post("/printers/1/receipt", kReceipt);
  const auto took = std::chrono::steady_clock::now() - start;
  EXPECT_EQ(status, 200);
  EXPECT_FALSE(body["ok"]);
  EXPECT_EQ(body["printed"]["opened"], false);
  bool link = false;
  for (const auto& m : body["messages"]) link = link || m["reason"] == "link";
  EXPECT_TRUE(link) << body.dump();
  EXPECT_LT(took, std::chrono::seconds(20));
  // Nothing was printed, so the same sale number may be tried again.
  sim.Inject(Fault::kNoAnswer, 0);
  EXPECT_TRUE(Post("/printers/1/receipt", kReceipt).second["ok"]);
}

TEST_F(ServerOnSim, TokenIsRequiredWhenSet) {
  Stop();
  Start("s3cret");
  EXPECT_EQ(Get("/printers/1/status").first, 401);
  EXPECT_EQ(Get("/printers/1/status", {{"Authorization", "Bearer wrong!"}}).first, 401);
  EXPECT_EQ(Get("/printers/1/status", {{"Authorization", "Bearer s3cret"}}).first, 200);
}

}  // namespace
