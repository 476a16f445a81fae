#include "app/service_options.h"

namespace {

// "--name VALUE" or "--name=VALUE"; advances `i` past what it used.
bool TakeValue(const std::vector<std::string>& args, size_t& i, const std::string& name,
               std::string& value, bool& matched, std::string& error) {
  const std::string& arg = args[i];
  matched = false;
  if (arg == name) {
    matched = true;
    if (i + 1 >= args.size()) {
      error = name + " needs a value";
      return false;
    }
    value = args[++i];
    return true;
  }
  if (arg.rfind(name + "=", 0) == 0) {
    matched = true;
    value = arg.substr(name.size() + 1);
    return true;
  }
  return true;
}

}  // namespace

bool ParseServiceOptions(const std::vector<std::string>& args, ServiceOptions& options,
                         std::string& error) {
  options = ServiceOptions{};
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "--help" || arg == "-h") {
      options.help = true;
      continue;
    }
    if (arg == "--simulator") {
      options.simulator = true;
      continue;
    }
    std::string value;
    bool matched = false;
    if (!TakeValue(args, i, "--com", value, matched, error)) return false;
    if (matched) {
      const auto eq = value.find('=');
      if (eq == std::string::npos || eq == 0 || eq + 1 == value.size()) {
        error = "--com expects N=PATH, got \"" + value + "\"";
        return false;
      }
      options.portMappings.push_back(value);
      continue;
    }
    if (!TakeValue(args, i, "--paper", value, matched, error)) return false;
    if (matched) {
      if (value.empty()) {
        error = "--paper needs a file name";
        return false;
      }
      options.paperFile = value;
      continue;
    }
    if (!TakeValue(args, i, "--record", value, matched, error)) return false;
    if (matched) {
      if (value.empty()) {
        error = "--record needs a file name";
        return false;
      }
      options.recordFile = value;
      continue;
    }
    error = "unknown argument \"" + arg + "\"";
    return false;
  }
  if (!options.paperFile.empty() && !options.simulator) {
    error = "--paper goes with --simulator";
    return false;
  }
  return true;
}

std::string ServiceUsage() {
  return "usage: fiscal-service [--com N=PATH]... [--simulator [--paper FILE]] [--record FILE]\n"
         "\n"
         "The service program for fiscal printers on a serial line.\n"
         "\n"
         "  --com N=PATH     use the device PATH as COM N (N from 1 to 255; repeatable).\n"
         "                   Without a mapping COM N is /dev/ttyS<N-1>.\n"
         "  --simulator      start the simulated printer (fiscal-sim) on a pseudo-terminal,\n"
         "                   map COM 1 to it, show its paper roll in a window and stop it\n"
         "                   when the program closes.\n"
         "  --paper FILE     with --simulator: the simulated printer prints into FILE.\n"
         "  --record FILE    write every byte sent to and read from the printer, with its\n"
         "                   timing, into FILE (fiscal-sim --replay plays it back).\n"
         "  -h, --help       show this text.\n";
}
