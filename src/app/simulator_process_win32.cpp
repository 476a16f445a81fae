// Windows has no pseudo-terminals and no fiscal-sim: --simulator says so, and a
// COM port mapped to a simulator on another machine (or under Wine, to the
// Linux fiscal-sim) takes its place.
#include "app/simulator_process.h"

SimulatorProcess::~SimulatorProcess() = default;

bool SimulatorProcess::Start(const std::string&, const std::vector<std::string>&, int,
                             std::string& error) {
  error =
      "the simulated printer runs on Linux only; connect a printer (or a COM port "
      "linked to a simulated one) instead";
  return false;
}

std::string SimulatorProcess::ReadOutput() {
  return std::string();
}

void SimulatorProcess::Stop() {}

std::string FindSimulator(const std::string&) {
  return std::string();
}
