// The printer's worker: its idle task (the settling of an interrupted receipt)
// runs when asked and again while it has more to do, never ahead of a job.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "server/printer_worker.h"

namespace {

using namespace std::chrono_literals;

bool WaitFor(const std::function<bool()>& done) {
  for (int i = 0; i < 200 && !done(); ++i) std::this_thread::sleep_for(10ms);
  return done();
}

TEST(PrinterWorkerIdle, RunsWhenWokenAgainWhileItHasMoreToDoAndNeverAheadOfAJob) {
  PrinterWorker worker(ServedPrinter{"1", 201, "/dev/null", 9600});
  std::atomic<int> runs{0};
  std::atomic<int> left{3};  // the task has more to do three times
  std::atomic<bool> jobRunning{false}, overlapped{false};
  worker.SetIdleTask(
      [&] {
        overlapped = overlapped || jobRunning;
        ++runs;
        return --left > 0;
      },
      20ms);
  std::this_thread::sleep_for(100ms);
  EXPECT_EQ(runs, 0) << "not before it is asked for";
  worker.WakeIdle();
  EXPECT_TRUE(WaitFor([&] { return runs == 3; }));
  std::this_thread::sleep_for(100ms);
  EXPECT_EQ(runs, 3) << "no more once it says it is done";
  // Asked while a job runs: after the job.
  left = 1;
  worker.Run([&] {
    jobRunning = true;
    worker.WakeIdle();
    std::this_thread::sleep_for(50ms);
    jobRunning = false;
  });
  EXPECT_TRUE(WaitFor([&] { return runs == 4; }));
  EXPECT_FALSE(overlapped);
}

}  // namespace
