// Figures of the link against the simulated printer on a paced line (each byte
// takes its time at the line speed), each beside the floor the protocol itself
// sets, measured in one run:
//   - download of the fiscal-memory report stream: the host's bytes per second
//     beside a raw reader's on the same simulated line, and both beside the
//     line rate;
//   - one status read: p50/p99 above the floor (the 25 ms drain of the link
//     check plus the reply's bytes at the line speed);
//   - a 100-item receipt: wall time over the sum of its transactions' floors;
//   - CPU time of the waiting thread while a reply is slow (the printer busy,
//     or not answering at all), over the wall time.
// Usage: line_figures [RECORDS] (daily records in the fiscal memory, default 2000).
#include <fcntl.h>
#include <poll.h>
#include <sys/resource.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "driver/fiscal_printer.h"
#include "link/frame.h"
#include "link/serial_trace.h"
#include "link/settings.h"
#include "sim/sim_server.h"
#include "support/scripted_ui.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kPort = 7;
constexpr double kDrainMs = 25.0;

double Ms(Clock::duration d) {
  return std::chrono::duration<double, std::milli>(d).count();
}

double LineBytesPerSecond(int baud) {
  return baud / 10.0;
}

// Counts the bytes the printer sends in replies (the one-byte handshake answers
// are not paced) and the link checks that got through: each ends with the ready
// probe 0x05 after one 25 ms drain.
struct LineCount {
  long replyBytes = 0;
  long linkChecks = 0;
  void Reset() { *this = LineCount{}; }
};
LineCount g_count;

// The counter watches the line for as long as the returned scope lives.
std::unique_ptr<ScopedSerialTrace> InstallCounter() {
  return std::make_unique<ScopedSerialTrace>([](int, bool sent, const std::string& bytes) {
    if (sent && bytes.size() == 1 && static_cast<uint8_t>(bytes[0]) == Frame::kReadyProbe)
      ++g_count.linkChecks;
    if (!sent && bytes.size() > 1) g_count.replyBytes += static_cast<long>(bytes.size());
    // Single bytes read one by one (replies read byte-wise) count too, except
    // the echo of a probe.
    if (!sent && bytes.size() == 1) {
      const auto b = static_cast<uint8_t>(bytes[0]);
      if (b != Frame::kLinkProbe && b != Frame::kReadyProbe) ++g_count.replyBytes;
    }
  });
}

double FloorMs(int baud) {
  return g_count.linkChecks * kDrainMs + g_count.replyBytes * 1000.0 / LineBytesPerSecond(baud);
}

// Reads the download stream with no protocol code at all: the command frame,
// then everything until the terminator '@'. Bytes per second.
double RawDownload(const std::string& path, int baud, size_t& size) {
  const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY);
  if (fd < 0) return 0;
  termios t{};
  ::tcgetattr(fd, &t);
  ::cfmakeraw(&t);
  const speed_t speed = baud == 115200 ? B115200 : baud == 38400 ? B38400 : B9600;
  ::cfsetispeed(&t, speed);
  ::cfsetospeed(&t, speed);
  ::tcsetattr(fd, TCSANOW, &t);
  ::tcflush(fd, TCIOFLUSH);
  const std::string frame = Frame::BuildCommand(Frame::kFirstSequence, 0x75, "");
  const auto start = Clock::now();
  if (::write(fd, frame.data(), frame.size()) != static_cast<ssize_t>(frame.size())) return 0;
  std::string got;
  char buf[4096];
  Clock::time_point end = start;
  while (true) {
    pollfd p{fd, POLLIN, 0};
    if (::poll(&p, 1, 3000) <= 0) break;
    const ssize_t n = ::read(fd, buf, sizeof buf);
    if (n <= 0) break;
    got.append(buf, static_cast<size_t>(n));
    end = Clock::now();
    if (got.size() > 8 && got.back() == '@') break;
  }
  ::close(fd);
  size = got.size();
  return got.size() / std::chrono::duration<double>(end - start).count();
}

double HostDownload(int baud, size_t& size) {
  ScriptedUi ui;
  FiscalPrinter printer(&ui, PrinterLine{kPort, baud});
  std::FILE* f = std::tmpfile();
  const auto start = Clock::now();
  const bool ok = !printer.DownloadFMToFile(f).empty();
  const auto end = Clock::now();
  size = ok ? static_cast<size_t>(std::ftell(f)) : 0;
  std::fclose(f);
  return size / std::chrono::duration<double>(end - start).count();
}

void Download(int baud, int records) {
  SimOptions o;
  o.realTiming = true;
  o.baud = baud;
  SimServer sim(o);
  sim.WithDevice([records](SimDevice& d) {
    d.State().fmCapacity = std::max(d.State().fmCapacity, records + 10);
    return d.FillFm(records);
  });
  PortMap::Instance().Set(kPort, sim.Path());
  size_t rawSize = 0, hostSize = 0;
  const double raw = RawDownload(sim.Path(), baud, rawSize);
  const double host = HostDownload(baud, hostSize);
  const double line = LineBytesPerSecond(baud);
  std::printf(
      "download %6d baud  %7zu bytes  host %8.0f B/s (%5.1f%% of line)  raw reader %8.0f B/s "
      "(%5.1f%%)  host/raw %.3f\n",
      baud, hostSize, host, 100 * host / line, raw, 100 * raw / line, raw > 0 ? host / raw : 0);
  std::printf("figure: download at %d baud, host / raw reader | %.3f | >= 0.98\n", baud,
              raw > 0 ? host / raw : 0);
  std::printf("figure: download at %d baud, host / line rate | %.1f %% | >= 95 %%\n", baud,
              100 * host / line);
  std::printf("figure: download at %d baud, raw reader / line rate | %.1f %% | >= 99 %%\n", baud,
              100 * raw / line);
}

void Transaction(int baud, int runs) {
  SimOptions o;
  o.realTiming = true;
  o.baud = baud;
  SimServer sim(o);
  PortMap::Instance().Set(kPort, sim.Path());
  ScriptedUi ui;
  PrinterLink link(&ui, PrinterLine{kPort, baud});
  std::vector<double> over;
  for (int i = 0; i < runs; ++i) {
    g_count.Reset();
    const auto start = Clock::now();
    const std::string reply = link.Transact(0x20, "");
    const double took = Ms(Clock::now() - start);
    if (reply.empty()) std::fprintf(stderr, "status read failed\n");
    over.push_back(took - FloorMs(baud));
  }
  std::sort(over.begin(), over.end());
  std::printf("status read %6d baud  above the floor: p50 %6.2f ms  p99 %6.2f ms  (%d runs)\n",
              baud, over[over.size() / 2], over[std::min(over.size() - 1, over.size() * 99 / 100)],
              runs);
  std::printf(
      "figure: status read at %d baud above its floor, p50 / p99 | %.2f / %.2f ms | <= 1 / "
      "2 ms\n",
      baud, over[over.size() / 2], over[std::min(over.size() - 1, over.size() * 99 / 100)]);
}

void Receipt(int baud, int items) {
  SimOptions o;
  o.realTiming = true;
  o.baud = baud;
  SimServer sim(o);
  PortMap::Instance().Set(kPort, sim.Path());
  ScriptedUi ui;
  g_count.Reset();
  const auto start = Clock::now();
  {
    FiscalPrinter p(&ui, PrinterLine{kPort, baud});
    p.OpenFiscalReceipt(OperatorRecord{1, "", "1"}, false, false);
    for (int i = 0; i < items; ++i) p.SellItem("Item", 1, 1.00, 1, 0);
    double total = 0;
    p.Subtotal(total, 0, false, false, false);
    p.Payment(0, total, false, 0);
    p.CloseFiscalReceipt();
  }
  const double wall = Ms(Clock::now() - start);
  const double floor = FloorMs(baud);
  std::printf(
      "%d-item receipt %6d baud  wall %8.0f ms  floors %8.0f ms  ratio %.3f  (%ld link "
      "checks)\n",
      items, baud, wall, floor, wall / floor, g_count.linkChecks);
  std::printf("figure: %d-item receipt at %d baud, wall / sum of floors | %.3f | <= 1.05\n", items,
              baud, wall / floor);
}

double ThreadCpuMs() {
  rusage u{};
  ::getrusage(RUSAGE_THREAD, &u);
  return (u.ru_utime.tv_sec + u.ru_stime.tv_sec) * 1000.0 +
         (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1000.0;
}

void WaitingCpu() {
  SimServer sim;
  PortMap::Instance().Set(kPort, sim.Path());
  ScriptedUi ui;
  auto measure = [&](const char* what, const std::function<void()>& action) {
    const double cpu0 = ThreadCpuMs();
    const auto start = Clock::now();
    action();
    const double wall = Ms(Clock::now() - start);
    const double cpu = ThreadCpuMs() - cpu0;
    std::printf("waiting: %-34s wall %6.0f ms  CPU %6.1f ms  (%.2f%%)\n", what, wall, cpu,
                100 * cpu / wall);
    std::printf("figure: CPU while waiting, %s | %.2f %% | <= 5 %%\n", what, 100 * cpu / wall);
  };
  {
    FiscalPrinter p(&ui, kPort);
    sim.BusyFor(3000);
    measure("printer busy for 3 s (status read)", [&] {
      StatusFlags flags{};
      p.ReadStatus(flags);
    });
  }
  {
    FiscalPrinter p(&ui, kPort);
    sim.Inject(Fault::kNoAnswer);
    measure("no answer, then \"Отказ\"", [&] {
      StatusFlags flags{};
      p.ReadStatus(flags);
    });
    sim.Inject(Fault::kNoAnswer, 0);
  }
}

}  // namespace

int main(int argc, char** argv) {
  const int records = argc > 1 ? std::max(1, std::atoi(argv[1])) : 2000;
  const auto counter = InstallCounter();
  std::printf("Link figures against the simulated printer on a paced line\n");
  for (int baud : {9600, 115200}) Download(baud, records);
  for (int baud : {9600, 115200}) Transaction(baud, 200);
  for (int baud : {9600, 115200}) Receipt(baud, 100);
  WaitingCpu();
  return 0;
}
