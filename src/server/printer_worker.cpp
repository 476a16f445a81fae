#include "server/printer_worker.h"

#include <exception>

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

void PrinterWorker::SetIdleTask(std::chrono::milliseconds after, Job task) {
  std::lock_guard<std::mutex> lock(mutex_);
  idleAfter_ = after;
  idleTask_ = std::move(task);
}

void PrinterWorker::Loop() {
  std::unique_lock<std::mutex> lock(mutex_);
  bool ranSinceIdle = false;
  const auto woken = [&] { return stopping_ || !queue_.empty(); };
  while (true) {
    if (ranSinceIdle && idleTask_) {
      if (!wake_.wait_for(lock, idleAfter_, woken)) {
        ranSinceIdle = false;
        Job task = idleTask_;
        lock.unlock();
        task();
        lock.lock();
        continue;
      }
    } else {
      wake_.wait(lock, woken);
    }
    if (stopping_) return;
    ranSinceIdle = true;
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
