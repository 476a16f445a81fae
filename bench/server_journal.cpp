// The sale journal at start: how long a server takes to open a journal that
// has grown large (a journal of receipts' "started" and "finished" lines,
// retries that printed nothing, and task ids), the first time, when it is
// rewritten with what it keeps, and the next time. Then how long one receipt's
// "started" line takes to reach the disk.
// Usage: server_journal [MB] (the journal's size, default 200).
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <string>

#include "server/sale_journal.h"

namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::duration d) {
  return std::chrono::duration<double, std::milli>(d).count();
}

long FileSize(const std::string& path) {
  std::ifstream in(path, std::ios::binary | std::ios::ate);
  return static_cast<long>(in.tellg());
}

// Lines as a busy shop's server writes them, until the file has `bytes`.
void Grow(const std::string& path, long bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  const std::string result =
      R"({"messages":[],"ok":true,"printed":{"opened":true,"payments":1,"sold":3,"voided":0},)"
      R"("receiptAmount":12.4,"receiptDateTime":"2026-12-08T10:11:12","receiptNumber":"0042",)"
      R"("fiscalMemorySerialNumber":"50654321","receiptState":"closed"})";
  long written = 0;
  for (long i = 0; written < bytes; ++i) {
    const std::string sale = "NV123456-0001-" + std::to_string(1000000 + i);
    std::string lines = R"({"fingerprint":"0123456789abcdef","printer":"1","sale":")" + sale +
                        R"(","state":"started","time":"2026-12-08T10:11:12Z"})"
                        "\n";
    if (i % 4 == 3) {  // printed nothing: released
      lines += R"({"printer":"1","sale":")" + sale +
               R"(","state":"released"})"
               "\n";
    } else {
      lines += R"({"fingerprint":"0123456789abcdef","printer":"1","sale":")" + sale +
               R"(","result":)" + result +
               R"(,"state":"finished"})"
               "\n";
    }
    if (i % 8 == 0)
      lines += R"({"fingerprint":"1","printer":"#task","sale":"T)" + std::to_string(i) +
               R"(","state":"started","time":"2026-12-08T10:11:12Z"})"
               "\n";
    out << lines;
    written += static_cast<long>(lines.size());
  }
}

}  // namespace

int main(int argc, char** argv) {
  const long mb = argc > 1 ? std::atol(argv[1]) : 200;
  char folder[] = "/tmp/fs-journal-bench-XXXXXX";
  if (!mkdtemp(folder)) return 1;
  const std::string path = std::string(folder) + "/sales-journal.jsonl";
  Grow(path, mb * 1024 * 1024);
  std::printf("journal of %.1f MB\n", FileSize(path) / 1048576.0);
  for (const char* when : {"first start (rewritten)", "next start"}) {
    const auto start = Clock::now();
    const std::clock_t cpu = std::clock();
    SaleJournal journal;
    std::string error;
    if (!journal.Open(path, error)) {
      std::fprintf(stderr, "%s\n", error.c_str());
      return 1;
    }
    std::printf("%-24s %7.0f ms (CPU %5.0f ms), %zu kept, file now %.1f MB\n", when,
                Ms(Clock::now() - start), 1000.0 * (std::clock() - cpu) / CLOCKS_PER_SEC,
                journal.Size(), FileSize(path) / 1048576.0);
  }
  {
    SaleJournal journal;
    std::string error;
    journal.Open(path, error);
    constexpr int kLines = 200;
    const auto start = Clock::now();
    for (int i = 0; i < kLines; ++i) journal.Start("1", "B" + std::to_string(i), "f", error);
    std::printf("one \"started\" line on the disk: %.2f ms\n", Ms(Clock::now() - start) / kLines);
  }
  std::remove(path.c_str());
  std::remove(JournalFile::LockPath(path).c_str());
  rmdir(folder);
  return 0;
}
