#pragma once

#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "driver/port_scan.h"
#include "link/printer_link.h"

// Where fiscal-cli reads and writes, and the test seams.
struct CliEnvironment {
  std::istream& in;   // the script for "--script -", and interactive answers
  std::ostream& out;  // one record per method call
  std::ostream& err;  // usage errors, prompt lines, the trace
  // Unanswered prompts are asked on `in` (a terminal). Never when the script is
  // read from `in`.
  bool interactive = false;
  // Time-outs for every FiscalPrinter the run creates (tests only).
  std::optional<LinkTimeouts> timeouts;
  // The whole-table commands keep a progress line on `err` (a terminal).
  bool progress = false;
  // scan: time-outs of each attempt (tests), and whether the devices under /dev
  // are candidates besides the COM ports (tests leave them out).
  std::optional<ScanTimeouts> scanTimeouts = {};
  bool scanDevices = true;
};

// Runs fiscal-cli with `args` (without the program name). Returns the exit
// status: 0 every method returned a non-empty text and ended done, 1 one returned
// an empty text (the run stops there) or ended otherwise (a refusal the user
// passed over with "Продължи" lets the run go on), 2 usage error: a bad option
// or argument (nothing opened, nothing sent), a value the driver refused
// without sending it (out of range, SetDateTime's "BP"; the run stops there) or
// a file that cannot be read or written (--script, --record, a method's or a
// tool's file).
//
// Opens its printers on the options' port and speed (nothing process-wide holds
// them); sets PortMap from the options (the map is cleared first) and, with
// --trace, the serial trace hook for the duration of the run.
int RunCli(const std::vector<std::string>& args, CliEnvironment& env);
