#include "server/printer_worker.h"

#include <chrono>
#include <exception>
#include <optional>

#include "driver/fiscal_printer.h"
#include "link/settings.h"

struct PrinterWorker::Pending {
  Job job;
  std::function<bool()> clientGone;
  bool done = false;
  RunResult result = RunResult::kFull;
  std::exception_ptr thrown;
};

PrinterWorker::PrinterWorker(ServedPrinter printer, size_t maxQueued)
    : printer_(std::move(printer)), maxQueued_(maxQueued) {
  thread_ = std::thread([this] { Loop(); });
}

PrinterWorker::~PrinterWorker() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
    for (auto& p : queue_) p->done = true;
    queue_.clear();
  }
  wake_.notify_all();
  thread_.join();
}

PrinterWorker::RunResult PrinterWorker::Run(Job job, std::function<bool()> clientGone) {
  auto pending = std::make_shared<Pending>();
  pending->job = std::move(job);
  pending->clientGone = std::move(clientGone);
  std::unique_lock<std::mutex> lock(mutex_);
  if (stopping_ || queue_.size() >= maxQueued_) return RunResult::kFull;
  queue_.push_back(pending);
  wake_.notify_all();
  wake_.wait(lock, [&] { return pending->done; });
  if (pending->thrown) std::rethrow_exception(pending->thrown);
  return pending->result;
}

bool PrinterWorker::Post(Job job) {
  auto pending = std::make_shared<Pending>();
  pending->job = std::move(job);
  std::lock_guard<std::mutex> lock(mutex_);
  if (stopping_ || queue_.size() >= maxQueued_) return false;
  queue_.push_back(pending);
  wake_.notify_all();
  return true;
}

void PrinterWorker::SetIdleTask(std::function<bool()> task, std::chrono::milliseconds every) {
  std::lock_guard<std::mutex> lock(mutex_);
  idleTask_ = std::move(task);
  idleEvery_ = every;
}

void PrinterWorker::WakeIdle() {
  std::lock_guard<std::mutex> lock(mutex_);
  idleWanted_ = idleNow_ = true;
  wake_.notify_all();
}

void PrinterWorker::SetQuietTask(std::chrono::milliseconds after, Job task) {
  std::lock_guard<std::mutex> lock(mutex_);
  quietAfter_ = after;
  quietTask_ = std::move(task);
}

void PrinterWorker::Loop() {
  using Clock = std::chrono::steady_clock;
  std::unique_lock<std::mutex> lock(mutex_);
  bool quietDue = false;      // the printer was used since the quiet task last ran
  Clock::time_point lastUse;  // when it was last used (a job or the idle task)
  Clock::time_point idleFrom = Clock::now();
  const auto ready = [&] { return stopping_ || !queue_.empty() || idleNow_; };
  while (true) {
    if (!ready()) {
      std::optional<Clock::time_point> next;
      if (quietDue && quietTask_) next = lastUse + quietAfter_;
      if (idleWanted_ && idleTask_ && (!next || idleFrom + idleEvery_ < *next))
        next = idleFrom + idleEvery_;
      if (next)
        wake_.wait_until(lock, *next, ready);
      else
        wake_.wait(lock, ready);
    }
    if (stopping_) return;
    if (queue_.empty()) {
      const auto now = Clock::now();
      if (idleWanted_ && idleTask_ && now >= idleFrom + idleEvery_) idleNow_ = true;
      if (idleNow_) {
        idleNow_ = false;
        const auto task = idleTask_;
        lock.unlock();
        const bool more = task && task();
        lock.lock();
        idleWanted_ = more;
        idleFrom = lastUse = Clock::now();
        quietDue = true;
      } else if (quietDue && quietTask_ && now >= lastUse + quietAfter_) {
        quietDue = false;
        const Job task = quietTask_;
        lock.unlock();
        task();
        lock.lock();
      }
      continue;
    }
    auto pending = queue_.front();
    queue_.pop_front();
    lock.unlock();
    RunResult result = RunResult::kDropped;
    if (!pending->clientGone || !pending->clientGone()) {
      result = RunResult::kDone;
      // A job that throws must not take the worker (and the printer) with it.
      try {
        pending->job();
      } catch (...) {
        pending->thrown = std::current_exception();
      }
    }
    lock.lock();
    idleFrom = lastUse = Clock::now();
    quietDue = true;
    pending->result = result;
    pending->done = true;
    wake_.notify_all();
  }
}

std::unique_ptr<FiscalPrinter> PrinterWorker::Open(UiHost* host) const {
  auto printer = std::make_unique<FiscalPrinter>(
      host, PrinterLine{printer_.com, printer_.baud, printer_.path});
  if (timeouts_) printer->SetTimeouts(*timeouts_);
  return printer;
}

void PrinterWorker::Prepare(FiscalPrinter& printer) const {
  if (timeouts_) printer.SetTimeouts(*timeouts_);
}
