// Filling the fiscal memory with daily records, so that long reports and large
// downloads can be tried without months of Z reports.
#include <algorithm>

#include "sim/sim_device.h"

int SimDevice::FillFm(int n) {
  const int room = std::max(0, s_.fmCapacity - static_cast<int>(s_.fm.size()));
  n = std::clamp(n, 0, room);
  if (n == 0) return 0;
  // Records keep their date order: spread the new ones between the last one and now.
  const std::time_t now = Now();
  const std::time_t last = s_.fm.empty() ? now - n * 86400L : s_.fm.back().time;
  const std::time_t step = std::max<std::time_t>(1, (now - last) / (n + 1));
  for (int i = 1; i <= n; ++i) {
    FmRecord z;
    z.type = FmRecord::kZReport;
    z.number = s_.reportNumber++;
    z.time = std::min(now, last + i * step);
    z.rates = s_.rates;
    z.decimals = s_.decimals;
    // Sample day totals that differ from record to record.
    z.totals = {125 * (i % 7), 48760 + 10 * i, 12500 + i % 100, 5000, 0, 0, 0, 0};
    s_.fm.push_back(z);
  }
  s_.lastReport = s_.fm.back().time;
  return n;
}
