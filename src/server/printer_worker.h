#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

#include "link/printer_link.h"
#include "server/server_config.h"

class FiscalPrinter;
class UiHost;

// One printer's worker: a thread that runs the printer's requests one after
// another, so that two requests never share the line. Each job opens its own
// FiscalPrinter (Open), does its work and closes it, as the application does,
// so another program can use the printer between requests.
//
// HTTP threads only hand jobs over and wait for them; a client that is slow or
// gone never holds the worker (the job owns no socket).
class PrinterWorker {
 public:
  using Job = std::function<void()>;

  // `maxQueued` bounds the jobs waiting (not counting the one running).
  explicit PrinterWorker(ServedPrinter printer, size_t maxQueued = 8);
  // Finishes the job running, drops the waiting ones (their waiters are told),
  // joins the thread.
  ~PrinterWorker();
  PrinterWorker(const PrinterWorker&) = delete;
  PrinterWorker& operator=(const PrinterWorker&) = delete;

  enum class RunResult {
    kDone,     // the job ran (an exception it threw is thrown again from Run)
    kFull,     // not run: `maxQueued` jobs wait already, or the worker stops
    kDropped,  // not run: its client was gone when its turn came
  };
  // Runs `job` on the worker and waits for it. When its turn comes and
  // `clientGone` (if given) says the client has gone, the job is dropped
  // without touching the printer; once started it always finishes.
  RunResult Run(Job job, std::function<bool()> clientGone = {});
  // Queues `job` and returns at once (a task whose client comes back for the
  // result). False, without queueing it, when the queue is full or the worker
  // stops. An exception the job throws is caught and lost: the job must not throw.
  bool Post(Job job);

  // Work the worker does by itself while no job waits: `task` runs on the
  // worker's thread `every` after the queue went empty, again and again for as
  // long as it returns true (more to do), and after each WakeIdle. Set before
  // the first WakeIdle; the task must not throw.
  void SetIdleTask(std::function<bool()> task, std::chrono::milliseconds every);
  // Asks for the idle task: it runs at once when no job waits, else after the jobs.
  void WakeIdle();
  // Runs `task` on the worker's thread once no job (nor idle task) has run for
  // `after` since the last one (once per quiet spell): closing a kept port.
  // The task must not throw.
  void SetQuietTask(std::chrono::milliseconds after, Job task);

  // A driver on this printer's line (its path) at its own speed. Nothing
  // process-wide is read or changed: workers open their printers at once.
  std::unique_ptr<FiscalPrinter> Open(UiHost* host) const;

  const ServedPrinter& Info() const { return printer_; }
  // Gives a driver this worker opened earlier the link settings it opens with now.
  void Prepare(FiscalPrinter& printer) const;

  // Link time-outs for every driver this worker opens. Tests only.
  void SetTimeoutsForTesting(std::optional<LinkTimeouts> timeouts) { timeouts_ = timeouts; }

 private:
  struct Pending;
  void Loop();

  ServedPrinter printer_;
  size_t maxQueued_;
  std::optional<LinkTimeouts> timeouts_;
  std::mutex mutex_;
  std::condition_variable wake_;
  std::deque<std::shared_ptr<Pending>> queue_;
  bool stopping_ = false;
  std::function<bool()> idleTask_;
  std::chrono::milliseconds idleEvery_{0};
  bool idleWanted_ = false;  // the idle task has more to do
  bool idleNow_ = false;     // WakeIdle asked: run it without waiting
  std::chrono::milliseconds quietAfter_{0};
  Job quietTask_;
  std::thread thread_;
};
