// Checks of the configuration and of request fields that guard the printer.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include <nlohmann/json.hpp>

#include "server/http_connection.h"
#include "server/http_request.h"
#include "server/net_socket.h"
#include "server/requests.h"
#include "server/server_config.h"

using nlohmann::json;

namespace {

TEST(ServerConfigFile, RefusesWhatItDoesNotKnow) {
  struct Row {
    const char* text;
    const char* inError;  // "" : accepted
  };
  const Row rows[] = {
      {R"({"printers":[{"id":"1","path":"/dev/ttyS0"}],"allowedOrigins":["http://pos.example:8080"],
           "allowedHosts":["kasa.local"],"journal":"/tmp/j","log":"/tmp/l","retries":3})",
       ""},
      {R"({"printers":[{"id":"1","path":"/dev/ttyS0"}],"tokne":"x"})", "tokne"},
      {R"({"printers":[{"id":"1","path":"/dev/ttyS0","speed":9600}]})", "speed"},
      {R"({"printers":[],"operator":{"number":1,"password":"0000","name":"x"}})", "name"},
      {R"({"printers":[],"operator":{"number":1,"password":"123456"}})", "at most 4"},
      {R"({"printers":[],"allowedOrigins":["http://pos.example/path"]})", "scheme://host"},
      {R"({"printers":[],"allowedOrigins":["pos.example"]})", "scheme://host"},
      {R"({"printers":[],"retries":11})", "retries"},
      {R"({"printers":[{"id":"rescan","path":"/dev/ttyS0"}]})", "taken by"},
      {R"({"printers":[{"id":"taskinfo","path":"/dev/ttyS0"}]})", "taken by"},
      {R"({"printers":[{"id":"Rescan-2","path":"/dev/ttyS0"}]})", ""},
  };
  for (const auto& row : rows) {
    ServerConfig config;
    std::string error;
    const bool ok = LoadServerConfig(row.text, config, error);
    EXPECT_EQ(ok, *row.inError == '\0') << row.text << ": " << error;
    if (!ok) {
      EXPECT_NE(error.find(row.inError), std::string::npos) << error;
    }
  }
  ServerConfig config;
  std::string error;
  EXPECT_FALSE(ParseServerArgs({"--com", "1=/dev/ttyS0", "--operator", "1:123456"}, config, error));
  EXPECT_TRUE(ParseServerArgs({"--com", "1=/dev/ttyS0", "--allow-origin", "https://pos.example",
                               "--allow-host", "kasa.local"},
                              config, error))
      << error;
  EXPECT_EQ(config.allowedOrigins.at(0), "https://pos.example");
}

TEST(ServerRequestFields, ControlCharactersAndRawCommandCodes) {
  ReceiptRequest receipt;
  std::string error;
  for (const char* text : {"A\\nB", "A\\tB", "A\\u0000", "A\\u001b[2J", "A\\u007f"}) {
    const std::string body =
        std::string(R"({"items":[{"text":")") + text + R"(","unitPrice":1,"taxGroup":1}]})";
    EXPECT_FALSE(ParseReceiptRequest(json::parse(body), PaymentTypeMap(), receipt, error)) << body;
    EXPECT_NE(error.find("control character"), std::string::npos) << error;
  }
  struct Row {
    json command;
    int expected;  // -1: refused
  };
  const Row rows[] = {{"041", 0x41}, {"0x41", 0x41}, {"41", 0x41}, {"ff", 0xFF},
                      {65, 0x41},    {"-41", -1},    {" 41", -1},  {"0x", -1},
                      {"100", -1},   {"1f", -1},     {"", -1}};
  for (const auto& row : rows) {
    RawRequest raw;
    const bool ok = ParseRawRequest(json{{"command", row.command}}, raw, error);
    EXPECT_EQ(ok, row.expected >= 0) << row.command.dump();
    if (ok) {
      EXPECT_EQ(raw.command, row.expected) << row.command.dump();
    }
  }
}

TEST(HttpRequestParser, ReadsWholeRequestsAndRefusesBrokenOnes) {
  struct Row {
    const char* bytes;
    HttpParse state;
    int status;
    const char* body;
  };
  const Row rows[] = {
      {"POST /a HTTP/1.1\r\nHost: x\r\n\r\n", HttpParse::kDone, 0, ""},  // no length: empty
      {"POST /a HTTP/1.1\r\nHost: x\r\nContent-Length: 2\r\n\r\n{}", HttpParse::kDone, 0, "{}"},
      {"POST /a HTTP/1.1\r\nHost: x\r\ncontent-length: 2\r\nContent-Length: 2\r\n\r\n{}",
       HttpParse::kDone, 0, "{}"},
      {"POST /a HTTP/1.1\r\nHost: x\r\nContent-Length: 5\r\n\r\n{}", HttpParse::kNeedMore, 0, ""},
      {"GET /a HTTP/1.1\r\nHost: x\r\n", HttpParse::kNeedMore, 0, ""},
      {"\r\n\r\nGET /a HTTP/1.1\r\nHost: x\r\n\r\n", HttpParse::kDone, 0, ""},
      {"GET /a HTTP/1.0\r\n\r\n", HttpParse::kDone, 0, ""},  // 1.0 needs no Host
      {"POST /a HTTP/1.1\r\nHost: x\r\nContent-Length: 2\r\nContent-Length: 3\r\n\r\n{}",
       HttpParse::kBad, 400, ""},
      {"POST /a HTTP/1.1\r\nHost: x\r\nContent-Length: -1\r\n\r\n", HttpParse::kBad, 400, ""},
      {"POST /a HTTP/1.1\r\nHost: x\r\nContent-Length: 1e3\r\n\r\n", HttpParse::kBad, 400, ""},
      {"POST /a HTTP/1.1\r\nHost: x\r\nContent-Length: 70000\r\n\r\n", HttpParse::kBad, 413, ""},
      {"POST /a HTTP/1.1\r\nHost: x\r\nTransfer-Encoding: chunked\r\n\r\n", HttpParse::kBad, 411,
       ""},
      {"GET /a HTTP/2.0\r\n\r\n", HttpParse::kBad, 505, ""},
      {"GET a HTTP/1.1\r\n\r\n", HttpParse::kBad, 400, ""},
      {"GET /a  HTTP/1.1\r\n\r\n", HttpParse::kBad, 400, ""},
      {"GET /a HTTP/1.1\r\nNo colon\r\n\r\n", HttpParse::kBad, 400, ""},
      // One header must never become two, and every reader must see the same lines.
      {"GET /a HTTP/1.1\r\nHost: x\r\nX: y\nTransfer-Encoding: chunked\r\n\r\n", HttpParse::kBad,
       400, ""},
      {"GET /a HTTP/1.1\r\nHost: x\r\nX: y\rZ\r\n\r\n", HttpParse::kBad, 400, ""},
      {"GET /a HTTP/1.1\r\nHost: x\r\nX: a\x01b\r\n\r\n", HttpParse::kBad, 400, ""},
      {"GET /a HTTP/1.1\r\nHost: x\r\nX: a\x7f\r\n\r\n", HttpParse::kBad, 400, ""},
      {"GET /a HTTP/1.1\r\nHost: x\r\nX: a\tb\r\n\r\n", HttpParse::kDone, 0, ""},  // a tab is fine
      {"GET /a\x01b HTTP/1.1\r\nHost: x\r\n\r\n", HttpParse::kBad, 400, ""},
      // Bare LF: refused at once, not after the time-out.
      {"GET /a HTTP/1.1\nHost: x\n\n", HttpParse::kBad, 400, ""},
      {"GET /a HTTP/1.1\n", HttpParse::kBad, 400, ""},
      // Host: exactly one in HTTP/1.1.
      {"GET /a HTTP/1.1\r\n\r\n", HttpParse::kBad, 400, ""},
      {"GET /a HTTP/1.1\r\nHost: x\r\nHost: y\r\n\r\n", HttpParse::kBad, 400, ""},
      {"GET /a HTTP/1.0\r\nHost: x\r\nHost: y\r\n\r\n", HttpParse::kBad, 400, ""},
      {"POST /a HTTP/1.1\r\nHost: x\r\nExpect: 200-ok\r\nContent-Length: 2\r\n\r\n",
       HttpParse::kBad, 417, ""},
  };
  for (const auto& row : rows) {
    HttpRequest request;
    const HttpParseResult r = ParseHttpRequest(row.bytes, 64 * 1024, request);
    EXPECT_EQ(r.state, row.state) << row.bytes;
    EXPECT_EQ(r.status, row.status) << row.bytes;
    if (r.state == HttpParse::kDone) {
      EXPECT_EQ(request.body, row.body);
    }
  }
  HttpRequest request;
  EXPECT_EQ(ParseHttpRequest(std::string(20000, 'A'), 1024, request).status, 431);
  // Blank lines before the request count into the header limit.
  std::string blank;
  for (int i = 0; i < 9000; ++i) blank += "\r\n";
  EXPECT_EQ(ParseHttpRequest(blank, 1024, request).status, 431);
  EXPECT_EQ(ParseHttpRequest(blank + "GET / HTTP/1.1\r\nHost: x\r\n\r\n", 1024, request).status,
            431);
  // The limit the refusal names is the real one.
  const auto big = ParseHttpRequest("POST /a HTTP/1.1\r\nHost: x\r\nContent-Length: 3000\r\n\r\n",
                                    2048, request);
  EXPECT_EQ(big.status, 413);
  EXPECT_NE(big.error.find("2 KiB"), std::string::npos) << big.error;
  EXPECT_EQ(big.error.find("64"), std::string::npos) << big.error;
}

TEST(HttpRequestParser, ConnectionIsATokenListAndExpectWaitsForTheBody) {
  const struct {
    const char* headers;
    bool keepAlive;
  } rows[] = {
      {"HTTP/1.1\r\nHost: x\r\n", true},
      {"HTTP/1.1\r\nHost: x\r\nConnection: close\r\n", false},
      {"HTTP/1.1\r\nHost: x\r\nConnection: keep-alive, close\r\n", false},
      {"HTTP/1.1\r\nHost: x\r\nConnection: Keep-Alive\r\nConnection: Close\r\n", false},
      {"HTTP/1.1\r\nHost: x\r\nConnection: upgrade,keep-alive\r\n", true},
      {"HTTP/1.0\r\n", false},
      {"HTTP/1.0\r\nConnection: TE, Keep-Alive\r\n", true},
      {"HTTP/1.0\r\nConnection: keep-alive, close\r\n", false},
  };
  for (const auto& row : rows) {
    HttpRequest request;
    const std::string bytes = std::string("GET /a ") + row.headers + "\r\n";
    ASSERT_EQ(ParseHttpRequest(bytes, 1024, request).state, HttpParse::kDone) << bytes;
    EXPECT_EQ(request.keepAlive, row.keepAlive) << bytes;
  }
  HttpRequest request;
  const std::string head =
      "POST /a HTTP/1.1\r\nHost: x\r\nExpect: 100-Continue\r\nContent-Length: 2\r\n\r\n";
  const auto waiting = ParseHttpRequest(head, 1024, request);
  EXPECT_EQ(waiting.state, HttpParse::kNeedMore);
  EXPECT_TRUE(waiting.headersComplete && waiting.expectContinue);
  EXPECT_EQ(ParseHttpRequest(head + "{}", 1024, request).state, HttpParse::kDone);
  // The reader of a connection says it once, and reads the pipelined requests one by one.
  HttpConnectionReader reader(1024);
  const std::string two = head + "{}GET /b HTTP/1.1\r\nHost: x\r\n\r\n";
  reader.Add(head.data(), head.size());
  EXPECT_TRUE(reader.Next().sendContinue);
  EXPECT_FALSE(reader.Next().sendContinue);
  reader.Add(two.data() + head.size(), two.size() - head.size());
  EXPECT_EQ(reader.Next().request.body, "{}");
  EXPECT_EQ(reader.Next().request.path, "/b");
  EXPECT_TRUE(reader.Empty());
}

}  // namespace

namespace {

TEST(ServerConfigDevices, OneDeviceUnderTwoIdsIsRefused) {
  // In a folder of its own: a leftover link of another user's run cannot be replaced.
  std::string folder = ::testing::TempDir() + "/fs-same-device-XXXXXX";
  ASSERT_NE(mkdtemp(folder.data()), nullptr);
  const std::string link = folder + "/kasa";
  ASSERT_EQ(symlink("/dev/null", link.c_str()), 0);
  ServerConfig config;
  std::string error;
  EXPECT_FALSE(
      ParseServerArgs({"--com", "1=/dev/null", "--device", "kasa=" + link}, config, error));
  EXPECT_NE(error.find("same device /dev/null"), std::string::npos) << error;
  EXPECT_FALSE(
      ParseServerArgs({"--com", "1=/dev/null", "--com", "2=/dev/../dev/null"}, config, error));
  EXPECT_TRUE(ParseServerArgs({"--com", "1=/dev/null", "--com", "2=/dev/zero"}, config, error))
      << error;
  std::remove(link.c_str());
  rmdir(folder.c_str());
}

}  // namespace

namespace {

TEST(ServerConfigLog, TheLogCapIsTakenFromTheCommandLineAndTheFile) {
  const struct {
    std::vector<std::string> args;
    const char* json;
    int mb;  // 0: refused
  } rows[] = {
      {{}, nullptr, 4},
      {{"--log-max-mb", "12"}, nullptr, 12},
      {{"--log-max-mb=1"}, nullptr, 1},
      {{"--log-max-mb", "0"}, nullptr, 0},
      {{"--log-max-mb", "10241"}, nullptr, 0},
      {{"--log-max-mb", "x"}, nullptr, 0},
      {{}, R"({"log":"/tmp/x.log","logMaxMb":7})", 7},
      {{}, R"({"logMaxMb":0})", 0},
      {{}, R"({"logMaxMb":"7"})", 0},
  };
  for (const auto& row : rows) {
    ServerConfig config;
    std::string error;
    std::vector<std::string> args = row.args;
    args.insert(args.end(), {"--com", "1=/dev/null"});
    bool ok = ParseServerArgs(args, config, error);
    if (ok && row.json) ok = LoadServerConfig(row.json, config, error);
    EXPECT_EQ(ok, row.mb != 0) << (row.json ? row.json : args[0]) << " " << error;
    if (ok) {
      EXPECT_EQ(config.logMaxMb, row.mb);
    }
  }
}

// A socket read tells data, nothing yet and the peer's end apart; a write
// to a peer that is gone is an error, never a block or a success.
TEST(NetSocketIo, ReadsAndWritesSayHowTheyEnded) {
  NetSocket watch = kNoSocket, wake = kNoSocket;
  ASSERT_TRUE(NetStartup());
  ASSERT_TRUE(NetWakePair(watch, wake));
  char buffer[16];
  EXPECT_EQ(NetRead(watch, buffer, sizeof buffer).status, IoStatus::kWouldBlock);
  const IoResult wrote = NetWrite(wake, "abc", 3);
  EXPECT_EQ(wrote.status, IoStatus::kData);
  EXPECT_EQ(wrote.bytes, 3u);
  const IoResult got = NetRead(watch, buffer, sizeof buffer);
  ASSERT_EQ(got.status, IoStatus::kData);
  EXPECT_EQ(std::string(buffer, got.bytes), "abc");
  NetClose(wake);
  const IoResult end = NetRead(watch, buffer, sizeof buffer);
  EXPECT_EQ(end.status, IoStatus::kClosed);
  EXPECT_EQ(end.bytes, 0u);
  EXPECT_EQ(NetWrite(watch, "x", 1).status, IoStatus::kError);
  NetClose(watch);
}

}  // namespace
