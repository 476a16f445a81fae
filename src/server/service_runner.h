#pragma once

#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>

namespace service {

// What a service tells the service manager about itself.
enum class State { kStartPending, kRunning, kStopPending, kStopped };

// The service's life from the service manager's point of view, without the
// Windows calls (windows_service_win32.cpp adapts them), so it can be tested
// anywhere:
//   Run (on the service's own thread): kStartPending, then `start` (binds the
//   address); kStopped with exit code 1 when that fails; else kRunning and
//   `serve` until it returns, then kStopped (exit code 0 when it was asked to
//   stop, 1 when serving ended by itself, so the manager's recovery can
//   restart it).
//   Stop (from the control handler's thread, any time, more than once):
//   kStopPending, then `stop` is called until `serve` has returned, so a stop
//   that arrives before serving has begun is not lost.
class Runner {
 public:
  struct Hooks {
    std::function<void(State state, int exitCode)> report;
    std::function<bool(std::string& error)> start;
    std::function<void()> serve;
    std::function<void()> stop;
    std::function<void(const std::string& line)> log;  // what happened, for the log file
  };
  // How often `stop` is repeated while `serve` has not returned.
  static constexpr int kStopRepeatMs = 200;

  explicit Runner(Hooks hooks);

  int Run();
  void Stop();
  State Current() const;

 private:
  void Report(State state, int exitCode);  // with mutex_ held

  Hooks hooks_;
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  State state_ = State::kStartPending;
  bool stopAsked_ = false;
  bool served_ = false;
};

}  // namespace service
