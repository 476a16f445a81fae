// The control language of the simulated printer: lines from the input run one
// after another.
//
// Invariants: every command line gets an answer, and every answer says "ok",
// "error", shows the flags or the help.
#include <cstdint>

#include "fuzz/require.h"
#include "sim/sim_server.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static SimServer* sim = new SimServer();  // one pseudo-terminal for the whole run
  sim->Control("clear");
  const std::string text(reinterpret_cast<const char*>(data), size);
  size_t from = 0;
  while (from <= text.size()) {
    size_t end = text.find('\n', from);
    if (end == std::string::npos) end = text.size();
    const std::string line = text.substr(from, end - from);
    from = end + 1;
    const std::string answer = sim->Control(line);
    if (answer.empty()) continue;  // a blank line
    const bool known = answer.rfind("ok", 0) == 0 || answer.rfind("error", 0) == 0 ||
                       answer.rfind("flags:", 0) == 0 || answer.rfind("Control commands", 0) == 0;
    Require(known, "control answer neither ok, error, flags nor help");
    Require(answer.back() == '\n', "control answer ends its line");
  }
  return 0;
}
