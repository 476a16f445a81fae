// What a shop's network, its browser and its slow or impatient clients can do
// to fiscal-server, over real HTTP in front of the simulated printer.
#include <sys/wait.h>

#include <cstdio>
#include <future>
#include <vector>

#include "server/request_guard.h"
#include "server_on_sim.h"

using nlohmann::json;

namespace {

class HttpSafety : public ServerOnSimBase {};

TEST_F(HttpSafety, SecondServerOnTheSamePortIsRefusedAndSaysWhy) {
  Start();
  HttpFront second(*api);
  EXPECT_FALSE(second.Bind("127.0.0.1", front->Port()));
  EXPECT_NE(second.BindError(), "");
  // The program itself: the reason on standard error, exit status 1.
  const std::string command = std::string(FS_BINARY_DIR) +
                              "/src/server/fiscal-server --com 1=/dev/null --journal /dev/null "
                              "--listen 127.0.0.1:" +
                              std::to_string(front->Port()) + " 2>&1";
  FILE* out = popen(command.c_str(), "r");
  ASSERT_NE(out, nullptr);
  std::string text;
  char buf[256];
  while (fgets(buf, sizeof buf, out)) text += buf;
  const int status = pclose(out);
  EXPECT_EQ(WEXITSTATUS(status), 1) << text;
  EXPECT_NE(text.find("in use"), std::string::npos) << text;
}

TEST_F(HttpSafety, AWebPageOnAnotherSiteCannotPrint) {
  ServerConfig config;
  config.allowedOrigins = {"http://pos.example:8080"};
  config.allowedHosts = {"kasa.local"};
  Start(config);
  sim.ClearPaper();
  const int frames = sim.FrameCount();
  struct Row {
    httplib::Headers headers;
    const char* type;
    int status;
  };
  const Row refused[] = {
      // The reported attack: another site's page, its own host name, a simple request.
      {{{"Origin", "http://evil.example"}, {"Host", "attacker.example:8001"}}, "text/plain", 403},
      {{{"Host", "attacker.example:8001"}}, "application/json", 403},  // DNS rebinding
      {{{"Origin", "http://evil.example"}}, "application/json", 403},
      {{{"Origin", "null"}}, "application/json", 403},
      {{{"Origin", "http://pos.example:8080"}}, "text/plain", 415},  // needs JSON
      {{}, "application/x-www-form-urlencoded", 415},
  };
  for (const auto& row : refused) {
    const auto [status, body] =
        Post("/printers/1/deposit", R"({"amount":0.01})", row.headers, row.type);
    EXPECT_EQ(status, row.status) << row.type;
    EXPECT_FALSE(body["ok"]);
  }
  EXPECT_EQ(sim.FrameCount(), frames);
  EXPECT_EQ(sim.Paper().find("0.01"), std::string::npos);

  // The allowed page, under an allowed name, is answered and may read the answer.
  auto res = client->Post("/printers/1/deposit",
                          {{"Origin", "http://pos.example:8080"}, {"Host", "kasa.local:8001"}},
                          R"({"amount":0.02})", "application/json");
  ASSERT_TRUE(res);
  EXPECT_EQ(res->status, 200) << res->body;
  EXPECT_EQ(res->get_header_value("Access-Control-Allow-Origin"), "http://pos.example:8080");
  // Preflights: answered for the allowed page only.
  httplib::Request pre;
  pre.method = "OPTIONS";
  pre.path = "/printers/1/receipt";
  pre.headers = {{"Origin", "http://pos.example:8080"}, {"Access-Control-Request-Method", "POST"}};
  auto ok = client->send(pre);
  ASSERT_TRUE(ok);
  EXPECT_EQ(ok->status, 204);
  EXPECT_NE(ok->get_header_value("Access-Control-Allow-Headers").find("Content-Type"),
            std::string::npos);
  pre.headers = {{"Origin", "http://evil.example"}, {"Access-Control-Request-Method", "POST"}};
  auto no = client->send(pre);
  ASSERT_TRUE(no);
  EXPECT_EQ(no->status, 403);
  EXPECT_EQ(no->get_header_value("Access-Control-Allow-Origin"), "");
}

TEST(RequestGuard, HostNamesThisServer) {
  const GuardPolicy policy{{"Kasa.Local"}, {}};
  const struct {
    const char* host;
    bool allowed;
  } rows[] = {
      {"127.0.0.1:8001", true},    {"localhost:8001", true},
      {"[::1]:8001", true},        {"192.168.1.5", true},
      {"KASA.local:80", true},     {"", true},
      {"attacker.example", false}, {"localhost.evil.example", false},
      {"1.2.3.4.evil", false},     {"127.0.0.1.nip.io:8001", false},
  };
  for (const auto& row : rows) {
    GuardInput in;
    in.method = "GET";
    in.host = row.host;
    EXPECT_EQ(CheckRequest(policy, in).status == 0, row.allowed) << row.host;
  }
}

TEST_F(HttpSafety, SlowClientsNeverKeepANewOneWaiting) {
  Start();
  front->SetRequestDeadlineForTesting(1500);
  std::vector<std::unique_ptr<RawClient>> slow;
  for (int i = 0; i < 64; ++i) {
    slow.push_back(std::make_unique<RawClient>(front->Port()));
    // Headers begun, never finished; and a body promised, never sent.
    slow.back()->Send(
        i % 2 ? "POST /printers/1/receipt HTTP/1.1\r\nHost: 127.0.0.1\r\n"
              : "POST /printers/1/zreport HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Length: 100\r\n"
                "Content-Type: application/json\r\n\r\n{");
  }
  const auto start = std::chrono::steady_clock::now();
  const auto [status, body] = Get("/printers/1/status");
  EXPECT_EQ(status, 200);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1000));
  // A client that keeps sending a byte now and then still gets no more than
  // the whole-request time: it is answered 408 and closed.
  RawClient trickle(front->Port());
  const auto began = std::chrono::steady_clock::now();
  std::string got;
  for (int i = 0; i < 40 && got.empty(); ++i) {
    trickle.Send("X");
    got = trickle.ReadAll(100);
  }
  EXPECT_EQ(StatusOf(got), 408) << got;
  EXPECT_LT(std::chrono::steady_clock::now() - began, std::chrono::milliseconds(3500));
  EXPECT_EQ(slow[0]->ReadAll(100).find("HTTP/1.1 408"), 0u);
}

TEST_F(HttpSafety, AnOverloadedPrinterAnswers503AtOnce) {
  Start();
  sim.Inject(Fault::kNoAnswer);  // every request now takes seconds
  std::vector<std::future<std::pair<int, std::chrono::steady_clock::duration>>> calls;
  const int kCalls = static_cast<int>(Api::kMaxQueuedPerPrinter) + 5;
  for (int i = 0; i < kCalls; ++i) {
    calls.push_back(std::async(std::launch::async, [this] {
      httplib::Client c("127.0.0.1", front->Port());
      c.set_read_timeout(120, 0);
      const auto start = std::chrono::steady_clock::now();
      auto res = c.Get("/printers/1/status");
      return std::make_pair(res ? res->status : 0, std::chrono::steady_clock::now() - start);
    }));
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  int busy = 0;
  for (auto& call : calls) {
    const auto [status, took] = call.get();
    if (status != 503) continue;
    ++busy;
    EXPECT_LT(took, std::chrono::milliseconds(1000));
  }
  EXPECT_GE(busy, 3);
  sim.Inject(Fault::kNoAnswer, 0);
}

TEST_F(HttpSafety, AJobWhoseClientLeftNeverReachesThePrinter) {
  Start();
  sim.ClearPaper();
  sim.Inject(Fault::kNoAnswer);  // the printer is slow to take the first job
  auto first = std::async(std::launch::async, [this] { return Get("/printers/1/status").first; });
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  {
    RawClient impatient(front->Port());
    const std::string body =
        R"({"uniqueSaleNumber":"GONE-1","items":[{"text":"Изоставен","unitPrice":1,"taxGroup":2}]})";
    impatient.Send(
        "POST /printers/1/receipt HTTP/1.1\r\nHost: 127.0.0.1\r\n"
        "Content-Type: application/json\r\nContent-Length: " +
        std::to_string(body.size()) + "\r\n\r\n" + body);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }  // gives up and closes
  sim.Inject(Fault::kNoAnswer, 0);
  first.get();
  // The worker reached the receipt after its client had gone: nothing printed.
  EXPECT_EQ(Get("/printers/1/status").first, 200);
  EXPECT_EQ(sim.Paper().find("Изоставен"), std::string::npos) << sim.Paper();
}

TEST_F(HttpSafety, HttpDetails) {
  ServerConfig config;
  config.token = "s3cret";
  Start(config);
  RawClient raw(front->Port());
  // The documented curl -X POST: no body, no Content-Length; answered at once.
  const auto start = std::chrono::steady_clock::now();
  raw.Send(
      "POST /printers/1/xreport HTTP/1.1\r\nHost: 127.0.0.1\r\n"
      "Authorization: bearer s3cret\r\n\r\n");
  const std::string xreport = raw.ReadResponse(20000);
  EXPECT_EQ(StatusOf(xreport), 200) << xreport;
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(4));
  struct Row {
    const char* request;
    int status;
    const char* code;
  };
  const Row rows[] = {
      {"POST /printers/1/deposit HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Length: 2\r\n"
       "Content-Length: 15\r\n"
       "Authorization: Bearer s3cret\r\n\r\n{}",
       400, "request"},
      {"DELETE /printers/1/status HTTP/1.1\r\nHost: 127.0.0.1\r\nAuthorization: Bearer "
       "s3cret\r\n\r\n",
       405, "method"},
      {"GET /printers/1/nothing HTTP/1.1\r\nHost: 127.0.0.1\r\nAuthorization: Bearer "
       "s3cret\r\n\r\n",
       404, "path"},
      {"GET /printers/7/status HTTP/1.1\r\nHost: 127.0.0.1\r\nAuthorization: Bearer s3cret\r\n\r\n",
       404, "printer-id"},
      {"GET /printers/1/rawrequest HTTP/1.1\r\nHost: 127.0.0.1\r\nAuthorization: Bearer "
       "s3cret\r\n\r\n",
       404, "path"},
      {"GET /printers/1/status HTTP/1.1\r\nHost: 127.0.0.1\r\nAuthorization: Bearer "
       "s3cret-and-more\r\n\r\n",
       401, "token"},
      {"GET /printers/1/status HTTP/1.1\r\nHost: 127.0.0.1\r\nAuthorization: Basic s3cret\r\n\r\n",
       401, "token"},
      {"GET /printers/1/status HTTP/1.1\r\nHost: 127.0.0.1\r\nTransfer-Encoding: chunked\r\n\r\n",
       411, "request"},
  };
  for (const auto& row : rows) {
    RawClient c(front->Port());
    c.Send(row.request);
    const std::string got = c.ReadResponse(10000);
    EXPECT_EQ(StatusOf(got), row.status) << row.request << "\n" << got;
    EXPECT_NE(got.find(std::string("\"reason\":\"") + row.code + "\""), std::string::npos) << got;
  }
}

}  // namespace

namespace {

TEST_F(HttpSafety, EveryFailureSaysWhyAndEveryRequestIsLogged) {
  ServerConfig config;
  config.token = "s3cret-token";
  Start(config);
  std::FILE* log = std::tmpfile();
  front->SetLog(log);
  const httplib::Headers auth = {{"Authorization", "Bearer s3cret-token"}};
  // Over the printer's maximum (two decimals): refused by the driver, silently before.
  auto [status, body] = Post("/printers/1/deposit", R"({"amount":5000000})", auth);
  EXPECT_EQ(status, 200);
  EXPECT_FALSE(body["ok"]);
  ASSERT_FALSE(body["messages"].empty()) << body.dump();
  EXPECT_EQ(body["messages"][0]["reason"], "rejected") << body.dump();
  // A printer that never answers says so in its own code.
  sim.Inject(Fault::kNoAnswer);
  std::tie(status, body) = Post("/printers/1/xreport", "", auth, "");
  sim.Inject(Fault::kNoAnswer, 0);
  EXPECT_FALSE(body["ok"]);
  bool link = false;
  for (const auto& m : body["messages"]) link = link || m["reason"] == "link";
  EXPECT_TRUE(link) << body.dump();
  const std::string receipt = R"({"uniqueSaleNumber":"LOG-1",
    "items":[{"text":"Хляб","unitPrice":1.10,"taxGroup":2}]})";
  EXPECT_TRUE(Post("/printers/1/receipt", receipt, auth).second["ok"]);

  std::fflush(log);
  std::rewind(log);
  std::string text;
  char buf[512];
  while (std::fgets(buf, sizeof buf, log)) text += buf;
  std::fclose(log);
  EXPECT_EQ(CountOf(text, "\n"), 3) << text;
  EXPECT_NE(text.find(" 127.0.0.1 1 POST /printers/1/deposit - 200 failed - "), std::string::npos)
      << text;
  EXPECT_NE(text.find(" 127.0.0.1 1 POST /printers/1/receipt LOG-1 200 ok printed "),
            std::string::npos)
      << text;
  EXPECT_EQ(text.find("s3cret"), std::string::npos);
  front->SetLog(nullptr);
}

}  // namespace
