// fiscal-server against the simulated printer: requests per second and p99
// latency of a status read and of a three-item receipt over HTTP, each beside
// the same work done by the bare driver on the same printer in the same run.
// The printer (its handshake and replies) is the limit; the ratio shows what
// HTTP, JSON and the worker add.
#include <httplib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <nlohmann/json.hpp>
#include <thread>
#include <vector>

#include "driver/fiscal_printer.h"
#include "link/settings.h"
#include "server/api.h"
#include "server/http_front.h"
#include "sim/sim_server.h"
#include "support/scripted_ui.h"

namespace {

struct Figures {
  double perSecond;
  double p50Ms;
  double p99Ms;
};

Figures Measure(int runs, const std::function<bool()>& once) {
  std::vector<double> ms;
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < runs; ++i) {
    const auto t0 = std::chrono::steady_clock::now();
    if (!once()) std::fprintf(stderr, "a request failed\n");
    ms.push_back(
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count());
  }
  const double total =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::sort(ms.begin(), ms.end());
  return Figures{runs / total, ms[ms.size() / 2],
                 ms[std::min(ms.size() - 1, ms.size() * 99 / 100)]};
}

void Print(const char* what, const Figures& server, const Figures& bare) {
  std::printf(
      "%-22s server %7.1f req/s  p50 %7.2f ms  p99 %7.2f ms | bare driver %7.1f/s  "
      "p50 %7.2f ms | server/bare time %.3f\n",
      what, server.perSecond, server.p50Ms, server.p99Ms, bare.perSecond, bare.p50Ms,
      bare.p50Ms > 0 ? server.p50Ms / bare.p50Ms : 0.0);
  std::printf(
      "figure: fiscal-server %s: req/s, p99, server / bare driver time | %.1f/s, %.1f ms, "
      "%.3f | printer-bound\n",
      what, server.perSecond, server.p99Ms, bare.p50Ms > 0 ? server.p50Ms / bare.p50Ms : 0.0);
}

}  // namespace

int main(int argc, char** argv) {
  const int runs = argc > 1 ? std::max(5, std::atoi(argv[1])) : 50;
  SimServer sim;
  ServerConfig config;
  config.printers.push_back(ServedPrinter{"1", 201, sim.Path(), 9600});
  config.defaultOperator = OperatorRecord{1, "", "1"};
  Api api(config);
  HttpFront front(api);
  if (!front.Bind("127.0.0.1", 0)) return 1;
  std::thread serving([&] { front.Serve(); });
  httplib::Client client("127.0.0.1", front.Port());
  client.set_read_timeout(60, 0);

  const std::string receipt = R"({"items":[
      {"text":"Хляб","unitPrice":1.20,"taxGroup":2},
      {"text":"Мляко","unitPrice":2.35,"taxGroup":2},
      {"text":"Вода","unitPrice":0.80,"taxGroup":2,"quantity":3}]})";
  auto ok = [](const httplib::Result& r) {
    return r && r->status == 200 && nlohmann::json::parse(r->body)["ok"].get<bool>();
  };
  const Figures serverStatus = Measure(runs, [&] { return ok(client.Get("/printers/1/status")); });
  const Figures serverReceipt = Measure(
      runs, [&] { return ok(client.Post("/printers/1/receipt", receipt, "application/json")); });
  front.Stop();
  serving.join();

  // The same work through the driver alone, one printer object per action as
  // the server and the application do.
  ScriptedUi ui;
  const Figures bareStatus = Measure(runs, [&] {
    FiscalPrinter p(&ui, 201);
    StatusFlags flags{};
    return !p.ReadStatus(flags).empty();
  });
  const Figures bareReceipt = Measure(runs, [&] {
    FiscalPrinter p(&ui, 201);
    double total = 0;
    int number = 0;
    std::time_t time = 0;
    return !p.OpenFiscalReceipt(OperatorRecord{1, "", "1"}, false, false).empty() &&
           !p.SellItem("\xD5\xEB\xFF\xE1", 1, 1.20, 1, 0).empty() &&
           !p.SellItem("\xCC\xEB\xFF\xEA\xEE", 1, 2.35, 1, 0).empty() &&
           !p.SellItem("\xC2\xEE\xE4\xE0", 1, 0.80, 3, 0).empty() &&
           !p.Subtotal(total, 0, false, false, false).empty() &&
           !p.Payment(0, total, false, 0).empty() && !p.CloseFiscalReceipt().empty() &&
           !p.ReadLastReceiptNumber(number).empty() && !p.ReadDateTime(time).empty();
  });
  std::printf("fiscal-server on the simulated printer (no line delay), %d runs each\n", runs);
  Print("status", serverStatus, bareStatus);
  Print("3-item receipt", serverReceipt, bareReceipt);
  return 0;
}
