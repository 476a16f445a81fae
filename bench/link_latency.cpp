// Latency of one status transaction against a device that answers at once, on
// a pseudo-terminal. Prints the median host overhead above the protocol's own
// floor: the 25 ms drain that CheckLink waits after the echo by design (a
// pseudo-terminal adds no transfer time for the bytes).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <vector>

#include "link/printer_link.h"
#include "link/settings.h"
#include "support/fake_device.h"
#include "support/scripted_ui.h"

namespace {

void BM_StatusTransaction(benchmark::State& state) {
  FakeDevice dev;
  dev.MapTo(1);
  ScriptedUi ui;
  PrinterLink link(&ui, 1);
  const double floorMs = link.Timeouts().drain;
  std::vector<double> samples;
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    const std::string reply = link.Transact(0x20, "");
    const auto end = std::chrono::steady_clock::now();
    if (reply.size() != 6) state.SkipWithError("no status reply");
    samples.push_back(std::chrono::duration<double, std::milli>(end - start).count());
  }
  std::sort(samples.begin(), samples.end());
  const double median = samples.empty() ? 0 : samples[samples.size() / 2];
  state.counters["median_ms"] = median;
  state.counters["floor_ms"] = floorMs;
  state.counters["overhead_ms"] = median - floorMs;
  PortMap::Instance().Clear();
}
BENCHMARK(BM_StatusTransaction)->Iterations(200)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
