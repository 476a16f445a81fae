#pragma once

#include <string>
#include <vector>

// What the command line of fiscal-service asks for.
struct ServiceOptions {
  std::vector<std::string> portMappings;  // each "N=PATH" as given to --com
  bool simulator = false;                 // start fiscal-sim and map COM 1 to it
  std::string paperFile;                  // --paper: where the simulator prints
  std::string recordFile;                 // --record: every byte on the line goes here
  bool help = false;
};

// Parses the arguments (without the program name). Accepts "--com N=PATH" and
// "--com=N=PATH" (repeatable), "--simulator", "--paper FILE" / "--paper=FILE"
// (with --simulator only), "--record FILE" / "--record=FILE" and "--help" / "-h". Returns false and
// sets `error` to a one-line reason on anything else; a mapping is only checked for its form here
// (PortMap::ParseAndSet applies it).
bool ParseServiceOptions(const std::vector<std::string>& args, ServiceOptions& options,
                         std::string& error);

// The usage text printed by --help and after a bad argument.
std::string ServiceUsage();
