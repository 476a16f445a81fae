#pragma once

#include <string>
#include <vector>

#include <sys/types.h>

// The simulated printer (fiscal-sim) as a child process: it prints the path of
// its pseudo-terminal on the first line of its standard output, then (unless
// told to print into a file) its paper roll. POSIX only, like the simulator.
//
// Not thread-safe; used from the UI thread. The destructor stops the child.
class SimulatorProcess {
 public:
  SimulatorProcess() = default;
  ~SimulatorProcess();
  SimulatorProcess(const SimulatorProcess&) = delete;
  SimulatorProcess& operator=(const SimulatorProcess&) = delete;

  // Starts `program` with `args` and waits at most `timeoutMs` for the device
  // path. On failure returns false with a one-line reason in `error` (and no
  // child is left running).
  bool Start(const std::string& program, const std::vector<std::string>& args, int timeoutMs,
             std::string& error);

  const std::string& DevicePath() const { return devicePath_; }
  bool Running() const { return pid_ > 0; }

  // What the child wrote to its standard output since the last call (never
  // blocks; "" when nothing is there).
  std::string ReadOutput();

  // Asks the child to stop (SIGTERM), waits up to 2 s, then kills it.
  void Stop();

 private:
  pid_t pid_ = -1;
  int out_ = -1;  // read end of the child's standard output
  std::string devicePath_;
  std::string pending_;  // output read past the first line
};

// Where the fiscal-sim executable is: $FISCAL_SIM when set, else next to
// `selfPath` (the running program), else in the build tree's sibling folder
// (../sim/), else "fiscal-sim" as found on PATH.
std::string FindSimulator(const std::string& selfPath);
