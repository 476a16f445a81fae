#pragma once

#include <string>

#include "driver/port_scan.h"

// The result of `fiscal-cli scan`.

// One line per port, then the printer found (or that none was) and the time
// the scan took:
//   COM 3  /dev/pts/4  printer at 19200 baud, version "FS-SIM 1.00 ..."
//   COM 1  /dev/ttyS0  no answer at 9600, 19200, 38400, 57600, 115200
//   found COM 3 at 19200 baud
//   scanned 9 ports in 1.9 s
std::string FormatScanReadable(const ScanReport& report);

// One JSON object on one line: ok, found (null or {name, com, path, baud,
// version}), elapsedMs and ports (each with name, com, path, result, detail,
// baud, version, status and speeds [{baud, result}]).
std::string FormatScanJson(const ScanReport& report);
