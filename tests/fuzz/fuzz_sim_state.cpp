// The simulated printer's state-file loader.
//
// Invariants: a file that loads saves to a file that loads back to the same
// file again (the state survives restarts unchanged); a refused file says why.
#include <stdlib.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <sstream>

#include "fuzz/require.h"
#include "sim/sim_device.h"
#include "sim/state_file.h"

namespace {

const std::string& Dir() {
  static const std::string dir = [] {
    char tmpl[] = "/tmp/fuzz-sim-state-XXXXXX";
    const char* d = ::mkdtemp(tmpl);
    return std::string(d ? d : "/tmp");
  }();
  return dir;
}

std::string ReadAll(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  std::ostringstream s;
  s << f.rdbuf();
  return s.str();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string in = Dir() + "/in.state", once = Dir() + "/once.state",
                    twice = Dir() + "/twice.state";
  {
    std::ofstream f(in, std::ios::binary | std::ios::trunc);
    f.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  DeviceState state = SimDevice::SampleState(42);
  const std::string error = LoadState(in, state);
  if (!error.empty()) return 0;
  Require(SaveState(state, once).empty(), "saving a loaded state");
  DeviceState again = SimDevice::SampleState(42);
  Require(LoadState(once, again).empty(), "a saved state loads");
  Require(SaveState(again, twice).empty(), "saving a reloaded state");
  Require(ReadAll(once) == ReadAll(twice), "state changes across a save and load");
  return 0;
}
