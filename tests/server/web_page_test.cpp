// fiscal-server's own page over real HTTP: its files and headers, the own
// origin its requests come from (and nothing else), and the JSON it reads
// besides the printers' requests (settings, today's sales, the log's tail).
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "server/request_guard.h"
#include "server/web_api.h"
#include "server/web_page.h"
#include "server_on_sim.h"

using nlohmann::json;

namespace {

// A file name of this run's own: tests of several builds may run at once.
std::string UniqueSuffix() {
  return std::to_string(std::chrono::steady_clock::now().time_since_epoch().count());
}

class WebPage : public ServerOnSimBase {
 protected:
  std::string Own() const { return "127.0.0.1:" + std::to_string(front->Port()); }
};

TEST(RequestGuard, OwnOriginIsTheSchemeAndHostTheRequestNames) {
  struct Row {
    const char* host;
    const char* origin;
    bool https;
    int status;
  };
  const Row rows[] = {
      {"127.0.0.1:8001", "http://127.0.0.1:8001", false, 0},
      {"localhost:8001", "http://localhost:8001", false, 0},
      {"127.0.0.1:8001", "https://127.0.0.1:8001", true, 0},
      {"[::1]:8001", "http://[::1]:8001", false, 0},
      {"kasa.local:8001", "http://kasa.local:8001", false, 0},  // an --allow-host name
      {"LOCALHOST:8001", "http://localhost:8001", false, 0},    // host names in any case
      {"127.0.0.1", "http://127.0.0.1", false, 0},              // the default port, left out
      // Anything else stays refused.
      {"127.0.0.1:8001", "https://127.0.0.1:8001", false, 403},  // another scheme
      {"127.0.0.1:8001", "http://127.0.0.1:8001", true, 403},
      {"127.0.0.1:8001", "http://127.0.0.1:8002", false, 403},  // another port: another site
      {"127.0.0.1:8001", "http://localhost:8001", false, 403},
      {"127.0.0.1:8001", "http://127.0.0.1:8001/", false, 403},
      {"127.0.0.1:8001", "null", false, 403},
      {"", "http://", false, 403},  // no Host: no own origin
      {"", "http://127.0.0.1:8001", false, 403},
      // DNS rebinding: the page's own name pointed at the server.
      {"attacker.example:8001", "http://attacker.example:8001", false, 403},
  };
  GuardPolicy policy;
  policy.allowedHosts = {"kasa.local"};
  for (const auto& row : rows) {
    GuardInput in;
    in.method = "POST";
    in.host = row.host;
    in.hasOrigin = true;
    in.origin = row.origin;
    in.https = row.https;
    in.contentType = "application/json";
    in.hasBody = true;
    const GuardVerdict v = CheckRequest(policy, in);
    EXPECT_EQ(v.status, row.status) << row.host << " " << row.origin << " https " << row.https;
    // The own page needs no CORS: nothing is granted to anyone else.
    if (row.status == 0) {
      EXPECT_TRUE(v.headers.empty()) << row.origin;
    }
  }
}

TEST_F(WebPage, FilesAreServedWithTheirTypesAndTheHeadersThatKeepThePageToItself) {
  ServerConfig config;
  config.token = "page-token";
  Start(config);
  struct Row {
    const char* path;
    const char* type;
    const char* holds;
  };
  const Row files[] = {
      {"/", "text/html; charset=utf-8", "<html lang=\"bg\">"},
      {"/index.html", "text/html; charset=utf-8", "Фискален сървър"},
      {"/app.js", "text/javascript; charset=utf-8", "sessionStorage"},
      {"/style.css", "text/css; charset=utf-8", "@media"},
      {"/icon.svg", "image/svg+xml", "<svg"},
  };
  for (const auto& row : files) {
    // No token needed for the page's files: they hold no data.
    auto res = client->Get(row.path);
    ASSERT_TRUE(res) << row.path;
    EXPECT_EQ(res->status, 200) << row.path;
    EXPECT_EQ(res->get_header_value("Content-Type"), row.type) << row.path;
    EXPECT_NE(res->body.find(row.holds), std::string::npos) << row.path;
    EXPECT_EQ(res->get_header_value("Content-Security-Policy"), "default-src 'self'");
    EXPECT_EQ(res->get_header_value("X-Frame-Options"), "DENY");
    EXPECT_EQ(res->get_header_value("Referrer-Policy"), "no-referrer");
    EXPECT_EQ(res->get_header_value("Cache-Control"), "no-cache");
    const std::string etag = res->get_header_value("ETag");
    ASSERT_GE(etag.size(), 3u) << row.path;
    // The same version again: 304 without a body; another tag: the file.
    auto same = client->Get(row.path, {{"If-None-Match", etag}});
    ASSERT_TRUE(same);
    EXPECT_EQ(same->status, 304) << row.path;
    EXPECT_EQ(same->body, "");
    auto other = client->Get(row.path, {{"If-None-Match", "\"0\""}});
    ASSERT_TRUE(other);
    EXPECT_EQ(other->status, 200);
  }
  // No inline script or style: the policy would block them.
  auto html = client->Get("/");
  ASSERT_TRUE(html);
  EXPECT_EQ(html->body.find("<script>"), std::string::npos);
  EXPECT_EQ(html->body.find("<style"), std::string::npos);
  EXPECT_EQ(html->body.find("style=\""), std::string::npos);
  EXPECT_EQ(html->body.find("onclick"), std::string::npos);

  // Only the files themselves; everything else needs the token as before.
  struct Other {
    const char* method;
    const char* path;
    int status;
  };
  const Other others[] = {
      {"GET", "/web/app.js", 401},      {"GET", "/.hidden", 401},  {"GET", "/nope.js", 401},
      {"GET", "/server/settings", 401}, {"GET", "/printers", 401}, {"POST", "/", 405},
      {"POST", "/app.js", 405},
  };
  for (const auto& row : others) {
    httplib::Request req;
    req.method = row.method;
    req.path = row.path;
    auto res = client->send(req);
    ASSERT_TRUE(res) << row.path;
    EXPECT_EQ(res->status, row.status) << row.method << " " << row.path;
  }
}

TEST_F(WebPage, TheServersOwnOriginMayPrintAndAnotherMayNot) {
  Start();
  sim.ClearPaper();
  const std::string own = Own();
  const std::string otherPort = "127.0.0.1:" + std::to_string(front->Port() + 1);
  auto [status, body] = Post("/printers/1/deposit", R"({"amount":0.03})",
                             {{"Origin", "http://" + own}, {"Host", own}});
  EXPECT_EQ(status, 200) << body;
  EXPECT_TRUE(body["ok"]) << body;
  EXPECT_NE(sim.Paper().find("0.03"), std::string::npos);
  sim.ClearPaper();
  const httplib::Headers refused[] = {
      {{"Origin", "http://" + otherPort}, {"Host", own}},
      {{"Origin", "https://" + own}, {"Host", own}},
      {{"Origin", "http://" + own}, {"Host", otherPort}},
  };
  for (const auto& headers : refused) {
    const auto [s, b] = Post("/printers/1/deposit", R"({"amount":0.04})", headers);
    EXPECT_EQ(s, 403) << b;
  }
  EXPECT_EQ(sim.Paper().find("0.04"), std::string::npos);
}

TEST_F(WebPage, SettingsAreShownWithoutTheToken) {
  ServerConfig config;
  config.token = "very-secret-token";
  config.allowedOrigins = {"http://pos.example:8080"};
  config.logPath = "/var/log/fiscal-server/requests.log";
  Start(config);
  auto res = client->Get("/server/settings", {{"Authorization", "Bearer very-secret-token"}});
  ASSERT_TRUE(res);
  EXPECT_EQ(res->status, 200);
  EXPECT_EQ(res->body.find("very-secret-token"), std::string::npos);
  const json s = json::parse(res->body);
  EXPECT_EQ(s["https"], false);
  EXPECT_EQ(s["tokenRequired"], true);
  EXPECT_EQ(s["allowedOrigins"], json::array({"http://pos.example:8080"}));
  EXPECT_EQ(s["log"], "/var/log/fiscal-server/requests.log");
  ASSERT_EQ(s["printers"].size(), 1u);
  EXPECT_EQ(s["printers"][0]["id"], "1");
  EXPECT_EQ(s["printers"][0]["path"], sim.Path());
  auto post = client->Post("/server/settings", {{"Authorization", "Bearer very-secret-token"}},
                           "{}", "application/json");
  ASSERT_TRUE(post);
  EXPECT_EQ(post->status, 405);
}

TEST_F(WebPage, TodaysSalesSayWhatBecameOfEachNumberNewestFirst) {
  Start();
  const char* sale =
      R"({"uniqueSaleNumber":"%s","items":[{"text":"Кафе","unitPrice":%s,"taxGroup":2}]})";
  auto receipt = [&](const std::string& number, const std::string& price) {
    char body[256];
    std::snprintf(body, sizeof body, sale, number.c_str(), price.c_str());
    return Post("/printers/1/receipt", body);
  };
  const auto [s1, printed] = receipt("WEB-1", "2.50");
  ASSERT_EQ(s1, 200) << printed;
  // Refused before anything printed: the journal forgets the number, the page does not.
  const auto [s2, refused] = receipt("WEB-2", "2.505");
  EXPECT_EQ(s2, 400) << refused;
  sim.Control("paper-out on");
  const auto [s3, noPaper] = receipt("WEB-3", "1.00");
  EXPECT_FALSE(noPaper["ok"]) << noPaper;
  sim.Control("paper-out off");

  auto [status, body] = Get("/server/sales?since=2000-01-01T00:00:00.000Z");
  ASSERT_EQ(status, 200) << body;
  const json& rows = body["sales"];
  ASSERT_EQ(rows.size(), 3u) << body;
  std::map<std::string, json> by;
  for (const auto& r : rows) by[r["sale"]] = r;
  EXPECT_EQ(by["WEB-1"]["outcome"], "printed");
  EXPECT_EQ(by["WEB-1"]["receiptNumber"], printed["receiptNumber"]);
  EXPECT_DOUBLE_EQ(by["WEB-1"]["amount"].get<double>(), 2.5);
  EXPECT_EQ(by["WEB-2"]["outcome"], "refused");
  EXPECT_NE(by["WEB-2"]["text"].get<std::string>(), "");
  EXPECT_EQ(by["WEB-3"]["outcome"], "refused");
  for (size_t i = 1; i < rows.size(); ++i)
    EXPECT_GE(rows[i - 1]["time"].get<std::string>(), rows[i]["time"].get<std::string>());

  // Since a moment after them: none. A moment that is not one: refused.
  auto [later, none] = Get("/server/sales?since=2999-01-01T00:00:00Z");
  EXPECT_EQ(later, 200);
  EXPECT_TRUE(none["sales"].empty()) << none;
  for (const char* bad :
       {"yesterday", "2026-12-08", "2026-12-08 00:00:00", "2026-13-0xT00:00:00"}) {
    auto [s, b] = Get(std::string("/server/sales?since=") + bad);
    EXPECT_EQ(s, 400) << bad;
  }
}

TEST_F(WebPage, LogTailOnlyWithALogFile) {
  const std::string path =
      (std::filesystem::temp_directory_path() / ("fs-web-log-" + UniqueSuffix())).string();
  {
    std::ofstream f(path);
    for (int i = 1; i <= 300; ++i) f << "line " << i << "\n";
  }
  ServerConfig config;
  config.logPath = path;
  Start(config);
  auto [status, body] = Get("/server/log?lines=3");
  ASSERT_EQ(status, 200) << body;
  EXPECT_EQ(body["enabled"], true);
  EXPECT_EQ(body["lines"], json::array({"line 298", "line 299", "line 300"}));
  auto [all, dflt] = Get("/server/log");
  EXPECT_EQ(dflt["lines"].size(), 200u);
  for (const char* bad : {"0", "501", "-1", "x", "1000000"}) {
    auto [s, b] = Get(std::string("/server/log?lines=") + bad);
    EXPECT_EQ(s, 400) << bad;
  }
  std::filesystem::remove(path);
  auto [gone, missing] = Get("/server/log");
  EXPECT_EQ(gone, 200);
  EXPECT_TRUE(missing.contains("error")) << missing;
}

// The page shows a status in words: a printer out of paper says so, and only so
// (it used to be told also that the driver had refused the request).
TEST_F(WebPage, StatusOfAPrinterOutOfPaperSaysNoPaperOnly) {
  Start();
  sim.Control("paper-out on");
  auto [status, body] = Get("/printers/1/status");
  sim.Control("paper-out off");
  ASSERT_EQ(status, 200);
  EXPECT_FALSE(body["ok"]);
  ASSERT_EQ(body["messages"].size(), 1u) << body;
  EXPECT_EQ(body["messages"][0]["code"], "E307");
}

// The page reads every few seconds: its files and its own reads are not lines
// of the request log; what it asks of the printers and every refusal are.
TEST_F(WebPage, ThePagesOwnReadsDoNotFillTheRequestLog) {
  ServerConfig config;
  config.token = "log-token";
  requestLog = std::tmpfile();
  Start(config);
  const httplib::Headers auth = {{"Authorization", "Bearer log-token"}};
  ASSERT_TRUE(client->Get("/"));
  ASSERT_TRUE(client->Get("/app.js"));
  ASSERT_TRUE(client->Get("/server/settings", auth));
  ASSERT_TRUE(client->Get("/server/sales", {{"Authorization", "Bearer wrong"}}));
  ASSERT_TRUE(client->Get("/printers/1/status", auth));
  const std::string log = LogOnceItHolds(requestLog, "/printers/1/status");
  EXPECT_NE(log.find("GET /printers/1/status"), std::string::npos) << log;
  EXPECT_NE(log.find("GET /server/sales - 401"), std::string::npos) << log;
  EXPECT_EQ(log.find("GET / "), std::string::npos) << log;
  EXPECT_EQ(log.find("/app.js"), std::string::npos) << log;
  EXPECT_EQ(log.find("/server/settings"), std::string::npos) << log;
  Stop();
  std::fclose(requestLog);
  requestLog = nullptr;
}

TEST_F(WebPage, NoLogFileNoTail) {
  Start();
  auto [status, body] = Get("/server/log");
  EXPECT_EQ(status, 200);
  EXPECT_EQ(body["enabled"], false);
  EXPECT_TRUE(body["lines"].empty());
}

TEST(TailOfFile, KeepsTheLastLinesWhateverTheirEndings) {
  struct Row {
    const char* text;
    size_t lines;
    std::vector<std::string> tail;
  };
  const Row rows[] = {
      {"", 5, {}},
      {"a\n", 5, {"a"}},
      {"a\nb", 5, {"a", "b"}},  // a last line still being written
      {"a\r\nb\r\n", 1, {"b"}},
      {"a\n\nb\n", 2, {"", "b"}},
      {"a\nb\nc\n", 2, {"b", "c"}},
  };
  const std::string path =
      (std::filesystem::temp_directory_path() / ("fs-tail-" + UniqueSuffix())).string();
  for (const auto& row : rows) {
    {
      std::ofstream f(path, std::ios::binary);
      f << row.text;
    }
    std::vector<std::string> out;
    ASSERT_TRUE(TailOfFile(path, row.lines, out));
    EXPECT_EQ(out, row.tail) << row.text;
  }
  // A log larger than what is read: the cut first line is left out, the end is whole.
  {
    std::ofstream f(path, std::ios::binary);
    for (int i = 0; i < 20000; ++i)
      f << "2026-12-08T10:11:12Z 127.0.0.1 1 GET /printers " << i << "\n";
  }
  std::vector<std::string> out;
  ASSERT_TRUE(TailOfFile(path, 500, out));
  ASSERT_EQ(out.size(), 500u);
  EXPECT_EQ(out.back(), "2026-12-08T10:11:12Z 127.0.0.1 1 GET /printers 19999");
  std::filesystem::remove(path);
  EXPECT_FALSE(TailOfFile(path, 5, out));
}

}  // namespace
