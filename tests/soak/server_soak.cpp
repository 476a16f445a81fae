// Soak of fiscal-server's money path: a point-of-sale client sells one cart
// after another, resending each sale number until it gets a definite answer
// (ok:true), while the server is killed at random (SIGKILL) and started again,
// and the simulated printer runs out of paper and stops answering at random.
// Seeded, so a failing run can be run again.
//
//   server_soak --server PATH [--sales N] [--seed S] [--kill-ms MIN:MAX]
//               [--fault-ms MIN:MAX] [--fault-len-ms MIN:MAX] [--verbose]
//
// At the end, on the simulated printer's paper and in its registers:
//  - every sale number is on exactly one paid receipt (no double print);
//  - no receipt is left open;
//  - every voided or annulled receipt belongs to a sale that printed later
//    (the carts are all valid: only a fault may void one);
//  - the day's turnover grew by the carts' totals and the drawer by the cash
//    taken.
// Prints the figures and exits 1 when any of them fails.
#include <httplib.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <nlohmann/json.hpp>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "sim/sim_server.h"

using nlohmann::json;
using Clock = std::chrono::steady_clock;

namespace {

struct Range {
  int min = 0, max = 0;
};

struct Options {
  std::string server;
  int sales = 25;
  unsigned seed = 1;
  Range killMs{1500, 4000};     // between two kills
  Range faultMs{1000, 3000};    // between two printer faults
  Range faultLenMs{300, 1500};  // how long a fault lasts
  int saleTimeoutS = 120;       // a sale without a definite answer by then is a failure
  bool verbose = false;
};

bool ParseRange(const char* text, Range& r) {
  return std::sscanf(text, "%d:%d", &r.min, &r.max) == 2 && r.min >= 0 && r.max >= r.min;
}

int FreePort() {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t len = sizeof a;
  if (bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 ||
      getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len) != 0) {
    close(fd);
    return 0;
  }
  close(fd);
  return ntohs(a.sin_port);
}

// The fiscal-server process, started and killed at will.
class ServerProcess {
 public:
  ServerProcess(std::string binary, std::string device, std::string journal, int port)
      : binary_(std::move(binary)),
        device_(std::move(device)),
        journal_(std::move(journal)),
        port_(port) {}
  ~ServerProcess() { Kill(); }

  bool Start() {
    const pid_t pid = fork();
    if (pid < 0) return false;
    if (pid == 0) {
      const std::string listen = "127.0.0.1:" + std::to_string(port_);
      const std::string device = "1=" + device_;
      std::freopen("/dev/null", "w", stdout);
      std::freopen((journal_ + ".log").c_str(), "a", stderr);
      execl(binary_.c_str(), binary_.c_str(), "--listen", listen.c_str(), "--device",
            device.c_str(), "--journal", journal_.c_str(), "--operator", "1:1", "--retries", "1",
            static_cast<char*>(nullptr));
      _exit(127);
    }
    std::lock_guard<std::mutex> lock(mutex_);
    pid_ = pid;
    return true;
  }
  void Kill() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (pid_ <= 0) return;
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
    pid_ = -1;
  }

 private:
  std::string binary_, device_, journal_;
  int port_;
  std::mutex mutex_;
  pid_t pid_ = -1;
};

struct Sale {
  std::string number;
  json body;
  long long totalCents = 0;
  long long cashCents = 0;
};

std::string Price(long long cents) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%lld.%02lld", cents / 100, cents % 100);
  return buf;
}

Sale MakeSale(int index, std::mt19937& rng) {
  Sale s;
  char number[32];
  std::snprintf(number, sizeof number, "SOAK-%05d", index);
  s.number = number;
  json items = json::array();
  items.push_back({{"type", "comment"}, {"text", "#" + s.number}});
  const int lines = 1 + static_cast<int>(rng() % 4);
  for (int i = 0; i < lines; ++i) {
    const long long cents = 10 + static_cast<long long>(rng() % 2000);
    s.totalCents += cents;
    items.push_back({{"text", "Item " + std::to_string(index) + "-" + std::to_string(i)},
                     {"unitPrice", json::parse(Price(cents))},
                     {"taxGroup", 1 + static_cast<int>(rng() % 2)}});
  }
  json payments = json::array();
  switch (rng() % 4) {
    case 0:  // all in cash
      s.cashCents = s.totalCents;
      break;
    case 1: {  // part by card, the rest in cash
      const long long card = 1 + static_cast<long long>(rng() % s.totalCents);
      payments.push_back({{"paymentType", "card"}, {"amount", json::parse(Price(card))}});
      payments.push_back({{"paymentType", "cash"}});
      s.cashCents = s.totalCents - card;
      break;
    }
    case 2: {  // cash with change
      const long long given = (s.totalCents / 100 + 5) * 100;
      payments.push_back({{"paymentType", "cash"}, {"amount", json::parse(Price(given))}});
      s.cashCents = s.totalCents;
      break;
    }
    default:  // all by card
      payments.push_back({{"paymentType", "card"}});
      break;
  }
  s.body = {{"uniqueSaleNumber", s.number}, {"items", items}};
  if (!payments.empty()) s.body["payments"] = payments;
  return s;
}

struct Figures {
  std::atomic<int> kills{0}, paperFaults{0}, silentFaults{0}, requests{0};
  int sales = 0, printed = 0, voided = 0, annulled = 0, doublePrints = 0, stuck = 0, others = 0;
};

// The paper as documents, each ending with the line under its number line
// ("№ 0000123  date", then the receipt's kind: "ФИСКАЛЕН БОН" ...).
std::vector<std::string> Documents(const std::string& paper) {
  std::vector<std::string> docs;
  size_t start = 0;
  for (size_t at = paper.find("\n№ "); at != std::string::npos; at = paper.find("\n№ ", at)) {
    const size_t kind = paper.find("БОН", at);
    const size_t end = kind == std::string::npos ? kind : paper.find('\n', kind);
    if (end == std::string::npos) break;
    docs.push_back(paper.substr(start, end - start));
    start = at = end;
  }
  return docs;
}

// A receipt that took money: its total is not zero (a receipt whose sales were
// all voided prints a total of 0.00).
bool Paid(const std::string& doc) {
  const size_t at = doc.find("ОБЩА СУМА");
  if (at == std::string::npos) return false;
  const std::string line = doc.substr(at, doc.find('\n', at) - at);
  return line.find_first_of("123456789", std::string("ОБЩА СУМА").size()) != std::string::npos;
}

}  // namespace

int main(int argc, char** argv) {
  Options o;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    const char* next = i + 1 < argc ? argv[i + 1] : "";
    if (a == "--server")
      o.server = argv[++i];
    else if (a == "--sales")
      o.sales = std::atoi(argv[++i]);
    else if (a == "--seed")
      o.seed = static_cast<unsigned>(std::strtoul(argv[++i], nullptr, 10));
    else if (a == "--kill-ms" && ParseRange(next, o.killMs))
      ++i;
    else if (a == "--fault-ms" && ParseRange(next, o.faultMs))
      ++i;
    else if (a == "--fault-len-ms" && ParseRange(next, o.faultLenMs))
      ++i;
    else if (a == "--verbose")
      o.verbose = true;
    else {
      std::fprintf(stderr,
                   "usage: server_soak --server PATH [--sales N] [--seed S] [--kill-ms MIN:MAX] "
                   "[--fault-ms MIN:MAX] [--fault-len-ms MIN:MAX] [--verbose]\n");
      return 2;
    }
  }
  if (o.server.empty() || o.sales <= 0) {
    std::fprintf(stderr, "server_soak: --server PATH is needed\n");
    return 2;
  }
  std::signal(SIGPIPE, SIG_IGN);
  const auto started = Clock::now();
  std::mt19937 rng(o.seed);
  SimServer sim;
  char folder[] = "/tmp/fs-soak-XXXXXX";
  if (!mkdtemp(folder)) return 1;
  const std::string journal = std::string(folder) + "/sales.jsonl";
  const int port = FreePort();
  ServerProcess server(o.server, sim.Path(), journal, port);
  if (!server.Start()) return 1;

  struct Before {
    long long day = 0, cash = 0;
  };
  const Before before = sim.WithDevice([](SimDevice& d) {
    Before b;
    for (auto g : d.State().dailyTotals) b.day += g;
    b.cash = d.State().dailyPayments[0];
    return b;
  });
  sim.ClearPaper();

  Figures f;
  std::atomic<bool> done{false};
  std::mutex rngLock;
  auto random = [&](Range r) {
    std::lock_guard<std::mutex> lock(rngLock);
    return r.min + static_cast<int>(rng() % static_cast<unsigned>(r.max - r.min + 1));
  };
  auto sleepMs = [&](int ms) {
    const auto end = Clock::now() + std::chrono::milliseconds(ms);
    while (!done && Clock::now() < end) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  };
  std::thread killer([&] {
    while (!done) {
      sleepMs(random(o.killMs));
      if (done) break;
      server.Kill();
      ++f.kills;
      sleepMs(random({50, 300}));
      server.Start();
    }
  });
  std::thread faults([&] {
    while (!done) {
      sleepMs(random(o.faultMs));
      if (done) break;
      const bool paper = random({0, 1}) == 0;
      sim.Inject(paper ? Fault::kPaperOut : Fault::kNoAnswer);
      ++(paper ? f.paperFaults : f.silentFaults);
      sleepMs(random(o.faultLenMs));
      sim.Inject(paper ? Fault::kPaperOut : Fault::kNoAnswer, 0);
    }
  });

  std::vector<Sale> sales;
  std::map<std::string, int> violations;
  long long totalCents = 0, cashCents = 0;
  for (int i = 1; i <= o.sales; ++i) {
    std::mt19937 cartRng(o.seed * 7919 + static_cast<unsigned>(i));
    Sale sale = MakeSale(i, cartRng);
    const auto deadline = Clock::now() + std::chrono::seconds(o.saleTimeoutS);
    bool sold = false;
    while (!sold && Clock::now() < deadline) {
      httplib::Client client("127.0.0.1", port);
      client.set_connection_timeout(1, 0);
      client.set_read_timeout(60, 0);
      ++f.requests;
      auto res = client.Post("/printers/1/receipt", sale.body.dump(), "application/json");
      if (!res) {  // the server is down or was killed while it answered
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        continue;
      }
      const json answer = json::parse(res->body, nullptr, false);
      if (o.verbose)
        std::fprintf(stderr, "%s: %d %s\n", sale.number.c_str(), res->status,
                     answer.dump().substr(0, 300).c_str());
      if (res->status == 200 && answer.value("ok", false)) {
        sold = true;
        break;
      }
      for (const auto& m : answer.value("messages", json::array())) {
        const std::string reason = m.value("reason", "");
        // A valid cart is never refused for itself.
        if (reason == "saleNumber" || reason == "total" || reason == "request" ||
            reason == "rejected")
          ++violations["refused a valid cart (" + reason + ")"];
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    ++f.sales;
    if (!sold) {
      ++f.stuck;
      ++violations["no definite answer within " + std::to_string(o.saleTimeoutS) + " s"];
    }
    totalCents += sale.totalCents;
    cashCents += sale.cashCents;
    sales.push_back(sale);
  }
  done = true;
  killer.join();
  faults.join();
  sim.ClearFaults();
  // The last server settles what a kill may have left; then it goes too.
  server.Start();
  for (int i = 0; i < 100; ++i) {
    httplib::Client client("127.0.0.1", port);
    client.set_connection_timeout(1, 0);
    auto res = client.Post("/printers/1/settle", "", "application/json");
    if (res && res->status == 200 && json::parse(res->body, nullptr, false).value("ok", false))
      break;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  server.Kill();

  // The paper.
  const std::string paper = sim.Paper();
  std::map<std::string, int> printedOf, voidedOf;
  for (const std::string& doc : Documents(paper)) {
    const size_t mark = doc.find("#SOAK-");
    const std::string number = mark == std::string::npos ? "" : doc.substr(mark + 1, 10);
    if (doc.find("АНУЛИРАН БОН") != std::string::npos) {
      ++f.annulled;
      ++voidedOf[number];
    } else if (doc.find("ФИСКАЛЕН БОН") != std::string::npos) {
      if (Paid(doc)) {
        ++f.printed;
        ++printedOf[number];
      } else {
        ++f.voided;
        ++voidedOf[number];
      }
    } else {
      ++f.others;
    }
  }
  for (const Sale& s : sales) {
    const int n = printedOf.count(s.number) ? printedOf[s.number] : 0;
    if (n > 1) ++f.doublePrints;
    if (n != 1) ++violations["a sale number printed " + std::to_string(n) + " times"];
  }
  for (const auto& [number, count] : voidedOf)
    if (!number.empty() && !printedOf.count(number))
      violations["voided or annulled and never printed"] += count;
  const bool open = sim.WithDevice([](SimDevice& d) { return d.State().receipt.kind != 0; });
  if (open) ++violations["a receipt left open"];
  const Before after = sim.WithDevice([](SimDevice& d) {
    Before b;
    for (auto g : d.State().dailyTotals) b.day += g;
    b.cash = d.State().dailyPayments[0];
    return b;
  });
  if (after.day - before.day != totalCents) ++violations["the day's turnover is not the carts'"];
  if (after.cash - before.cash != cashCents) ++violations["the drawer is not the cash taken"];

  const double seconds = std::chrono::duration<double>(Clock::now() - started).count();
  std::printf(
      "server soak (seed %u): %d sales in %.1f s, %d requests; %d kills (SIGKILL), %d paper-out "
      "and %d no-answer faults\n"
      "paper: %d receipts paid, %d voided, %d annulled, %d double prints; turnover %s "
      "(expected %s), drawer %s (cash taken %s), receipt left open: %s\n",
      o.seed, f.sales, seconds, f.requests.load(), f.kills.load(), f.paperFaults.load(),
      f.silentFaults.load(), f.printed, f.voided, f.annulled, f.doublePrints,
      Price(after.day - before.day).c_str(), Price(totalCents).c_str(),
      Price(after.cash - before.cash).c_str(), Price(cashCents).c_str(), open ? "yes" : "no");
  for (const auto& [what, count] : violations)
    std::printf("VIOLATION: %s (%d)\n", what.c_str(), count);
  if (violations.empty()) {
    std::remove(journal.c_str());
    std::remove((journal + ".log").c_str());
    rmdir(folder);
  } else {
    std::printf("journal and server log kept in %s\n", folder);
  }
  return violations.empty() ? 0 : 1;
}
