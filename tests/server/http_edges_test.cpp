// The edges of fiscal-server's own HTTP layer, over raw sockets: what a
// careless or hostile client sends, how it leaves, and what the log keeps.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <future>
#include <sstream>

#include "server/request_log.h"
#include "server_on_sim.h"

namespace {

class HttpEdges : public ServerOnSimBase {
 protected:
  // One raw request on a new connection: the whole answer (until closed or `ms`).
  std::string Ask(const std::string& bytes, int ms = 3000) {
    RawClient c(front->Port());
    c.Send(bytes);
    return c.ReadResponse(ms);
  }
  std::string LogText() {
    std::fflush(requestLog);
    std::rewind(requestLog);
    std::string text;
    char buf[4096];
    while (std::fgets(buf, sizeof buf, requestLog)) text += buf;
    return text;
  }
};

int Ipv6Socket() {
  return socket(AF_INET6, SOCK_STREAM, 0);
}

bool BindLoopback6(int fd, int port) {
  sockaddr_in6 a{};
  a.sin6_family = AF_INET6;
  a.sin6_addr = in6addr_loopback;
  a.sin6_port = htons(static_cast<uint16_t>(port));
  int on = 1;
  setsockopt(fd, IPPROTO_IPV6, IPV6_V6ONLY, &on, sizeof on);
  return bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
}

TEST_F(HttpEdges, LoopbackIsHeldOnBothFamilies) {
  const int probe = Ipv6Socket();
  const bool hasIpv6Loopback = probe >= 0 && BindLoopback6(probe, 0);
  if (probe >= 0) close(probe);
  if (!hasIpv6Loopback) GTEST_SKIP() << "no ::1 on this computer";
  Start();
  EXPECT_NE(front->Addresses().find("[::1]:" + std::to_string(front->Port())), std::string::npos)
      << front->Addresses();
  // Another program cannot take [::1] on the server's port...
  const int thief = Ipv6Socket();
  EXPECT_FALSE(BindLoopback6(thief, front->Port()));
  close(thief);
  // ...and a client that tries ::1 first reaches the server itself.
  httplib::Client v6("::1", front->Port());
  const auto res = v6.Get("/printers/1/status");
  ASSERT_TRUE(res);
  EXPECT_EQ(res->status, 200);
}

// What the program prints and its exit status (it is stopped after 2 s).
std::pair<std::string, int> RunServer(const std::string& prefix, const std::string& options) {
  const std::string command = prefix + "timeout -s TERM 2 " + std::string(FS_BINARY_DIR) +
                              "/src/server/fiscal-server --com 1=/dev/null --journal " +
                              ::testing::TempDir() + "/fs-bind-journal-" +
                              std::to_string(getpid()) + " " + options + " 2>&1";
  FILE* out = popen(command.c_str(), "r");
  std::string text;
  char buf[256];
  while (out && fgets(buf, sizeof buf, out)) text += buf;
  const int status = out ? pclose(out) : -1;
  return {text, WIFEXITED(status) ? WEXITSTATUS(status) : -1};
}

TEST(HttpBind, IPv6LoopbackHeldByAnotherProgramOrMissing) {
  const int thief = Ipv6Socket();
  if (thief < 0 || !BindLoopback6(thief, 0)) GTEST_SKIP() << "no ::1 on this computer";
  listen(thief, 1);
  sockaddr_in6 a{};
  socklen_t size = sizeof a;
  getsockname(thief, reinterpret_cast<sockaddr*>(&a), &size);
  const std::string port = std::to_string(ntohs(a.sin6_port));
  // Another program took [::1] first: the server does not start, and says why.
  const auto [refused, status] = RunServer("", "--listen 127.0.0.1:" + port);
  close(thief);
  EXPECT_EQ(status, 1) << refused;
  EXPECT_NE(refused.find("[::1]:" + port), std::string::npos) << refused;
  // A computer without ::1 (a network namespace of its own where it is off):
  // 127.0.0.1 alone.
  const auto [alone, code] = RunServer(
      "unshare -rn sh -c 'ip link set lo up && echo 1 > "
      "/proc/sys/net/ipv6/conf/lo/disable_ipv6 && exec \"$0\" \"$@\"' ",
      "--listen localhost:8001");
  if (alone.find("unshare") != std::string::npos || alone.find("denied") != std::string::npos)
    GTEST_SKIP() << "no network namespace here: " << alone;
  EXPECT_NE(alone.find("listening on 127.0.0.1:8001 (http)"), std::string::npos) << alone;
}

TEST_F(HttpEdges, MalformedRequestsAreAnsweredAtOnce) {
  Start();
  std::string blank;
  for (int i = 0; i < 9000; ++i) blank += "\r\n";
  const struct {
    std::string bytes;
    int status;
    const char* says;
  } rows[] = {
      {"GET /printers/1/status HTTP/1.1\nHost: 127.0.0.1\n\n", 400, "CR LF"},
      {"GET /printers HTTP/1.1\r\nHost: 127.0.0.1\r\nX: y\nTransfer-Encoding: chunked\r\n\r\n", 400,
       "CR LF"},
      {std::string("GET /printers HTTP/1.1\r\nHost: 127.0.0.1\r\nX: a\0b\r\n\r\n", 51), 400,
       "control character"},
      {"GET /printers HTTP/1.1\r\n\r\n", 400, "Host"},
      {"GET /printers HTTP/1.1\r\nHost: 127.0.0.1\r\nHost: evil.example\r\n\r\n", 400, "Host"},
      {blank, 431, "too long"},
      {"POST /printers/1/deposit HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Length: 70000\r\n\r\n", 413,
       "70000 bytes) is over the limit of 64 KiB"},
      // Bytes that are not UTF-8 where the answer quotes them: refused, not 500.
      {"GET /printers/\xff\xfe/status HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n", 404, "printer-id"},
      {"GET /\xc3\x28 HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n", 404, "path"},
      {"GET /printers HTTP/1.1\r\nHost: kasa\xff.local\r\n\r\n", 403, "host"},
      {"GET /printers HTTP/1.1\r\nHost: 127.0.0.1\r\nOrigin: http://\xe0\x80.example\r\n\r\n", 403,
       "origin"},
  };
  for (const auto& row : rows) {
    const auto start = std::chrono::steady_clock::now();
    const std::string got = Ask(row.bytes);
    EXPECT_EQ(StatusOf(got), row.status) << got;
    EXPECT_NE(got.find(row.says), std::string::npos) << got;
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1500));
  }
}

TEST_F(HttpEdges, ConnectionExpectAndHead) {
  Start();
  // "keep-alive, close" is a list that says close: the server closes after its answer.
  RawClient closing(front->Port());
  closing.Send(
      "GET /printers/1/status HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: keep-alive, "
      "close\r\n\r\n");
  const auto start = std::chrono::steady_clock::now();
  const std::string all = closing.ReadAll(5000);
  EXPECT_EQ(StatusOf(all), 200) << all;
  EXPECT_NE(all.find("Connection: close"), std::string::npos) << all;
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(4000));

  // Expect: 100-continue is answered before the body is sent.
  RawClient careful(front->Port());
  const std::string body = R"({"amount":0.01})";
  careful.Send(
      "POST /printers/1/deposit HTTP/1.1\r\nHost: 127.0.0.1\r\n"
      "Content-Type: application/json\r\nExpect: 100-continue\r\nContent-Length: " +
      std::to_string(body.size()) + "\r\n\r\n");
  EXPECT_EQ(careful.ReadAll(500).rfind("HTTP/1.1 100 Continue\r\n\r\n", 0), 0u);
  careful.Send(body);
  EXPECT_EQ(StatusOf(careful.ReadResponse(5000)), 200);

  // HEAD: the head of GET's answer, its length, no body; the connection goes on.
  RawClient head(front->Port());
  head.Send("HEAD /printers/1/status HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n");
  const std::string got = head.ReadAll(1500);
  EXPECT_EQ(StatusOf(got), 200) << got;
  ASSERT_NE(got.find("\r\n\r\n"), std::string::npos);
  EXPECT_EQ(got.substr(got.find("\r\n\r\n") + 4), "") << got;
  EXPECT_EQ(got.find("Content-Length: 0"), std::string::npos) << got;
  head.Send("GET /printers/1/status HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n");
  EXPECT_EQ(StatusOf(head.ReadResponse(5000)), 200);
}

// A client that ends its sending side after its request and waits.
TEST_F(HttpEdges, AHalfClosedClientIsAnsweredAClosedOneIsNot) {
  Start();
  sim.ClearPaper();
  for (const bool wholly : {false, true}) {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<uint16_t>(front->Port()));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
    sim.Inject(Fault::kNoAnswer);  // the printer is busy with the job before
    auto before = std::async(std::launch::async, [this] { return Get("/printers/1/status"); });
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    const std::string text = wholly ? "Затворил" : "Полузатворил";
    const std::string body = R"({"items":[{"text":")" + text + R"(","unitPrice":1,"taxGroup":2}]})";
    const std::string request =
        "POST /printers/1/receipt HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Type: "
        "application/json\r\nContent-Length: " +
        std::to_string(body.size()) + "\r\n\r\n" + body;
    ASSERT_EQ(send(fd, request.data(), request.size(), 0), static_cast<ssize_t>(request.size()));
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    if (wholly) {
      close(fd);
    } else {
      shutdown(fd, SHUT_WR);
    }
    sim.Inject(Fault::kNoAnswer, 0);
    before.get();
    if (wholly) {
      EXPECT_EQ(Get("/printers/1/status").first, 200);
      EXPECT_EQ(sim.Paper().find(text), std::string::npos) << sim.Paper();
      continue;
    }
    std::string got;
    char buf[4096];
    timeval tv{10, 0};
    setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
    for (ssize_t n; (n = recv(fd, buf, sizeof buf, 0)) > 0;)
      got.append(buf, static_cast<size_t>(n));
    close(fd);
    // The probe (an interim answer every HTTP/1.1 client takes), then the receipt's.
    EXPECT_EQ(got.rfind("HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 200 OK", 0), 0u) << got;
    EXPECT_NE(got.find("\"ok\":true"), std::string::npos) << got;
    EXPECT_EQ(CountOf(sim.Paper(), text), 1) << sim.Paper();
  }
}

TEST_F(HttpEdges, IdleConnectionsMakeRoomFirst) {
  Start();
  front->SetMaxConnectionsForTesting(6);
  std::vector<std::unique_ptr<RawClient>> partial;
  std::vector<std::unique_ptr<RawClient>> idle;
  for (int i = 0; i < 3; ++i) {
    partial.push_back(std::make_unique<RawClient>(front->Port()));
    partial.back()->Send("GET /printers HTTP/1.1\r\n");
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  for (int i = 0; i < 3; ++i) {
    idle.push_back(std::make_unique<RawClient>(front->Port()));
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  // Three more: the three idle ones go, the longest idle first, not the ones part-way.
  std::vector<std::unique_ptr<RawClient>> more;
  for (int i = 0; i < 3; ++i) {
    more.push_back(std::make_unique<RawClient>(front->Port()));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(idle[static_cast<size_t>(i)]->ReadAll(1000), "");  // closed, no answer
  }
  for (auto& p : partial) {
    p->Send("Host: 127.0.0.1\r\n\r\n");
    EXPECT_EQ(StatusOf(p->ReadResponse(3000)), 200);
  }
}

TEST_F(HttpEdges, ARequestReadIsNeverDroppedForRoom) {
  Start();
  front->SetMaxConnectionsForTesting(4);
  sim.Inject(Fault::kNoAnswer);
  RawClient waiting(front->Port());
  waiting.Send("GET /printers/1/status HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n");
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  std::vector<std::unique_ptr<RawClient>> crowd;
  for (int i = 0; i < 12; ++i) {
    crowd.push_back(std::make_unique<RawClient>(front->Port()));
    crowd.back()->Send("GET /printers HTTP/1.1\r\n");
  }
  sim.Inject(Fault::kNoAnswer, 0);
  EXPECT_EQ(StatusOf(waiting.ReadResponse(10000)), 200);
}

TEST_F(HttpEdges, TheLogHasOneBoundedLinePerRequest) {
  requestLog = std::tmpfile();
  Start();
  const std::string forged = "S-1\n2026-12-08T10:11:12Z 127.0.0.1 1 POST /forged";
  nlohmann::json receipt = {{"uniqueSaleNumber", forged + std::string(1, '\0') + "cut"},
                            {"items", {{{"text", "Хляб"}, {"unitPrice", 1}, {"taxGroup", 2}}}}};
  EXPECT_EQ(Post("/printers/1/receipt", receipt.dump()).first, 200);
  EXPECT_EQ(Get("/" + std::string(5000, 'p')).first, 404);
  EXPECT_EQ(Get("/printers/taskinfo?id=nothing").first, 200);
  // An async receipt: its line when it has printed.
  const auto [status, queued] = Post(
      "/printers/1/receipt?asyncTimeout=0",
      R"({"uniqueSaleNumber":"ASYNC-1","items":[{"text":"Мляко","unitPrice":2,"taxGroup":2}]})");
  ASSERT_EQ(status, 200);
  const std::string text = LogOnceItHolds(requestLog, " TASK ");
  EXPECT_EQ(CountOf(text, "\n"), 6) << text;  // the fixture's first request, then ours
  EXPECT_NE(text.find(" POST /printers/1/receipt S-1\\x0a2026-12-08T10:11:12Z\\x20127.0.0.1\\x201"
                      "\\x20POST\\x20/forged\\x00cut 200 ok printed "),
            std::string::npos)
      << text;
  EXPECT_NE(text.find(" GET /" + std::string(255, 'p') + "... - 404 failed"), std::string::npos);
  EXPECT_NE(text.find(" GET /printers/taskinfo - 200 ok - "), std::string::npos) << text;
  EXPECT_NE(text.find(" POST /printers/1/receipt ASYNC-1 200 ok - "), std::string::npos) << text;
  EXPECT_NE(
      text.find(" task 1 TASK " + queued["taskId"].get<std::string>() + " ASYNC-1 200 ok printed "),
      std::string::npos)
      << text;
}

// CPU time (user and system, in clock ticks) the process `pid` has used.
long CpuTicks(int pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::istringstream fields(text.substr(text.rfind(')') + 2));
  std::string f;
  long utime = 0;
  long stime = 0;
  for (int i = 3; i <= 15 && fields >> f; ++i) {
    if (i == 14) utime = std::stol(f);
    if (i == 15) stime = std::stol(f);
  }
  return utime + stime;
}

TEST(HttpDescriptors, OutOfFileDescriptorsTheServerRestsAndMakesRoom) {
  const std::string dir = ::testing::TempDir() + "/fs-fd-" + std::to_string(getpid());
  std::filesystem::create_directories(dir);
  int port = 0;
  {
    // A free port: bound, read, let go.
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof a;
    bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
    getsockname(fd, reinterpret_cast<sockaddr*>(&a), &size);
    port = ntohs(a.sin_port);
    close(fd);
  }
  const std::string command = "sh -c 'echo $$; ulimit -n 40; exec " + std::string(FS_BINARY_DIR) +
                              "/src/server/fiscal-server --com 1=/dev/null --journal " + dir +
                              "/journal --log " + dir +
                              "/log --listen 127.0.0.1:" + std::to_string(port) + "'";
  FILE* out = popen(command.c_str(), "r");
  ASSERT_NE(out, nullptr);
  char line[512];
  ASSERT_TRUE(std::fgets(line, sizeof line, out));
  const int pid = std::atoi(line);
  ASSERT_TRUE(std::fgets(line, sizeof line, out));  // listening
  ASSERT_NE(std::string(line).find("listening"), std::string::npos) << line;
  std::vector<std::unique_ptr<RawClient>> idle;
  for (int i = 0; i < 60; ++i) idle.push_back(std::make_unique<RawClient>(port));
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  const long before = CpuTicks(pid);
  std::this_thread::sleep_for(std::chrono::milliseconds(1000));
  const long used = CpuTicks(pid) - before;
  EXPECT_LT(used, sysconf(_SC_CLK_TCK) / 5) << "ticks in 1 s";  // under 20 %: no spinning
  const auto start = std::chrono::steady_clock::now();
  RawClient fresh(port);
  fresh.Send("GET /nothing HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n");
  EXPECT_EQ(StatusOf(fresh.ReadResponse(3000)), 404);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1500));
  kill(pid, SIGTERM);
  pclose(out);
  std::ifstream in(dir + "/log");
  const std::string log((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(CountOf(log, "out of file descriptors"), 1) << log;
  std::filesystem::remove_all(dir);
}

TEST(RequestLog, TheFileKeepsToItsCapWithOneOlderFile) {
  const std::string path = ::testing::TempDir() + "/fs-log-cap-" + std::to_string(getpid());
  std::filesystem::remove(path);
  std::filesystem::remove(path + ".1");
  std::string error;
  auto log = RequestLog::Open(path, 5000, error);
  ASSERT_TRUE(log) << error;
  for (int i = 0; i < 100; ++i) log->Write(std::string(99, 'a' + i % 26));
  log->Write(std::string(10000, 'x'));  // one line is cut, never a file over its cap
  log.reset();
  EXPECT_LE(std::filesystem::file_size(path), 5000u);
  EXPECT_LE(std::filesystem::file_size(path + ".1"), 5000u);
  EXPECT_GE(std::filesystem::file_size(path + ".1"), 4900u);
  std::ifstream in(path);
  std::string last;
  for (std::string line; std::getline(in, line);) last = line;
  EXPECT_EQ(last.size(), RequestLog::kMaxLineBytes);
  EXPECT_EQ(last.substr(last.size() - 3), "...");
  std::filesystem::remove(path);
  std::filesystem::remove(path + ".1");
  // What escaping gives: one field, no control byte, no broken character.
  EXPECT_EQ(EscapeForLog("a b\\\x01\xff\xd0\x96", true), "a\\x20b\\\\\\x01\\xff\xd0\x96");
  EXPECT_EQ(EscapeForLog("\xd0\x96\xd0\x96", false, 3), "\xd0\x96...");
}

}  // namespace
