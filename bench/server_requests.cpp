// fiscal-server against the simulated printer: requests per second, p99
// latency and transactions of a status read and of a three-item receipt over
// HTTP, each beside the same work done by the bare driver on the same printer
// in the same run.
// The printer (its handshake and replies) is the limit; the ratio shows what
// HTTP, JSON and the worker add. Then 64 clients at once on one printer
// (latency of the answered ones, 503s, other errors) and four printers served
// at once beside four times one printer's rate.
#include <httplib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <thread>
#include <vector>

#include "driver/fiscal_printer.h"
#include "link/settings.h"
#include "server/api.h"
#include "server/http_front.h"
#include "server/printer_pin.h"
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

// 64 keep-alive clients reading one printer's status at once; a 503 is
// retried after a short pause, as a till would.
void Concurrent(int port, int perClient) {
  constexpr int kClients = 64;
  std::vector<std::vector<double>> times(kClients);
  std::vector<int> busy(kClients, 0), failed(kClients, 0);
  std::vector<std::thread> clients;
  const auto start = std::chrono::steady_clock::now();
  for (int c = 0; c < kClients; ++c) {
    clients.emplace_back([&, c] {
      httplib::Client client("127.0.0.1", port);
      client.set_read_timeout(60, 0);
      for (int done = 0; done < perClient;) {
        const auto t0 = std::chrono::steady_clock::now();
        auto r = client.Get("/printers/1/status");
        if (r && r->status == 503) {
          ++busy[c];
          std::this_thread::sleep_for(std::chrono::milliseconds(20));
          continue;
        }
        if (!r || r->status != 200) ++failed[c];
        times[c].push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0)
                .count());
        ++done;
      }
    });
  }
  for (auto& t : clients) t.join();
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::vector<double> all;
  int busyTotal = 0, failedTotal = 0;
  for (int c = 0; c < kClients; ++c) {
    all.insert(all.end(), times[c].begin(), times[c].end());
    busyTotal += busy[c];
    failedTotal += failed[c];
  }
  std::sort(all.begin(), all.end());
  std::printf(
      "64 clients, 1 printer   %7.1f req/s  p50 %7.2f ms  p99 %7.2f ms  503s %d  errors %d\n",
      all.size() / seconds, all[all.size() / 2], all[all.size() * 99 / 100], busyTotal,
      failedTotal);
  std::printf(
      "figure: fiscal-server 64 clients: p50, p99, 503s, errors | %.1f ms, %.1f ms, %d, %d\n",
      all[all.size() / 2], all[all.size() * 99 / 100], busyTotal, failedTotal);
}

// Status reads per second with `printers` simulated printers served at once,
// one client each.
double Printers(int printers, int perClient) {
  std::vector<std::unique_ptr<SimServer>> sims;
  ServerConfig config;
  for (int i = 0; i < printers; ++i) {
    sims.push_back(std::make_unique<SimServer>());
    config.printers.push_back(
        ServedPrinter{std::to_string(i + 1), 211 + i, sims.back()->Path(), 9600});
  }
  Api api(config);
  HttpFront front(api);
  if (!front.Bind("127.0.0.1", 0)) return 0;
  std::thread serving([&] { front.Serve(); });
  std::vector<std::thread> clients;
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < printers; ++i) {
    clients.emplace_back([&, i] {
      httplib::Client client("127.0.0.1", front.Port());
      client.set_read_timeout(60, 0);
      const std::string path = "/printers/" + std::to_string(i + 1) + "/status";
      for (int n = 0; n < perClient; ++n) client.Get(path.c_str());
    });
  }
  for (auto& t : clients) t.join();
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  front.Stop();
  serving.join();
  return printers * perClient / seconds;
}

}  // namespace

int main(int argc, char** argv) {
  const int runs = argc > 1 ? std::max(5, std::atoi(argv[1])) : 50;
  SimServer sim;
  Figures serverStatus{}, serverReceipt{};
  double statusFrames = 0, receiptFrames = 0;
  {
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
    // The frames each request sends, the port's first opening (and its
    // identity read) included.
    int frames = sim.FrameCount();
    serverStatus = Measure(runs, [&] { return ok(client.Get("/printers/1/status")); });
    statusFrames = double(sim.FrameCount() - frames) / runs;
    frames = sim.FrameCount();
    serverReceipt = Measure(
        runs, [&] { return ok(client.Post("/printers/1/receipt", receipt, "application/json")); });
    receiptFrames = double(sim.FrameCount() - frames) / runs;
    Concurrent(front.Port(), std::max(2, runs / 10));
    front.Stop();
    serving.join();
  }  // the server lets the printer's port go

  // The same work through the driver alone, one printer object per action as
  // the server and the application do.
  ScriptedUi ui;
  const PrinterLine line{201, 9600, sim.Path()};
  const Figures bareStatus = Measure(runs, [&] {
    FiscalPrinter p(&ui, line);
    StatusFlags flags{};
    return !p.ReadStatus(flags).empty();
  });
  int frames = sim.FrameCount();
  const Figures bareReceipt = Measure(runs, [&] {
    FiscalPrinter p(&ui, line);
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
  const double bareReceiptFrames = double(sim.FrameCount() - frames) / runs;
  // What the first request on a newly opened port adds: the check that the
  // printer on the line is still the one its id stands for (its serial
  // number read).
  PrinterPin pin;
  const Figures identity = Measure(runs, [&] {
    FiscalPrinter p(&ui, line);
    std::string onLine;
    return pin.Confirm(p, onLine) == PrinterPin::Check::kSame;
  });
  std::printf("fiscal-server on the simulated printer (no line delay), %d runs each\n", runs);
  Print("status", serverStatus, bareStatus);
  Print("3-item receipt", serverReceipt, bareReceipt);
  std::printf(
      "transactions a request  status: server %.2f, bare 1 | 3-item receipt: server %.2f, "
      "bare %.2f\n",
      statusFrames, receiptFrames, bareReceiptFrames);
  std::printf("figure: fiscal-server status read: transactions | %.2f | <= 3\n", statusFrames);
  std::printf("figure: fiscal-server 3-item receipt: server / bare driver time | %.3f | <= 1.08\n",
              bareReceipt.p50Ms > 0 ? serverReceipt.p50Ms / bareReceipt.p50Ms : 0.0);
  std::printf(
      "printer identity check  p50 %7.2f ms  p99 %7.2f ms (once per opening of the port; %.1f %% "
      "of the receipt's p50)\n",
      identity.p50Ms, identity.p99Ms,
      serverReceipt.p50Ms > 0 ? 100 * identity.p50Ms / serverReceipt.p50Ms : 0.0);
  std::printf("figure: fiscal-server identity check on opening the port: p50 | %.2f ms\n",
              identity.p50Ms);
  const double one = Printers(1, runs);
  const double four = Printers(4, runs);
  std::printf("4 printers at once      %7.1f req/s  | 4 x one printer %7.1f req/s  (%.0f %%)\n",
              four, 4 * one, 4 * one > 0 ? 100 * four / (4 * one) : 0.0);
  std::printf("figure: fiscal-server 4 printers: req/s, 4 x one printer's | %.1f/s, %.1f/s\n", four,
              4 * one);
  return 0;
}
