#include "server/service_runner.h"

#include <chrono>
#include <thread>

namespace service {

Runner::Runner(Hooks hooks) : hooks_(std::move(hooks)) {}

State Runner::Current() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return state_;
}

// Under mutex_: the manager hears the states in the order they were taken.
void Runner::Report(State state, int exitCode) {
  state_ = state;
  hooks_.report(state, exitCode);
}

int Runner::Run() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    Report(State::kStartPending, 0);
  }
  std::string error;
  if (!hooks_.start(error)) {
    hooks_.log("cannot start: " + error);
    std::lock_guard<std::mutex> lock(mutex_);
    served_ = true;
    Report(State::kStopped, 1);
    return 1;
  }
  hooks_.log("started");
  {
    // A stop asked for while starting keeps its kStopPending.
    std::lock_guard<std::mutex> lock(mutex_);
    if (!stopAsked_) Report(State::kRunning, 0);
  }

  // Repeats `stop` once asked, until serving has ended.
  std::thread stopper([this] {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [this] { return stopAsked_ || served_; });
    while (!served_) {
      lock.unlock();
      hooks_.stop();
      lock.lock();
      changed_.wait_for(lock, std::chrono::milliseconds(kStopRepeatMs), [this] { return served_; });
    }
  });
  hooks_.serve();
  bool asked = false;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    served_ = true;
    asked = stopAsked_;
  }
  changed_.notify_all();
  stopper.join();
  hooks_.log(asked ? "stopped" : "serving ended without a stop request");
  const int exitCode = asked ? 0 : 1;
  std::lock_guard<std::mutex> lock(mutex_);
  Report(State::kStopped, exitCode);
  return exitCode;
}

void Runner::Stop() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (stopAsked_ || served_) return;
    stopAsked_ = true;
    Report(State::kStopPending, 0);
  }
  changed_.notify_all();
}

}  // namespace service
