#pragma once

#include <string>
#include <vector>

// The serial ports the system itself lists, by COM number, ascending, each
// once. On Windows these are the values of HKLM\HARDWARE\DEVICEMAP\SERIALCOMM,
// where a USB adapter appears (often as COM10 and up) as soon as it is
// plugged in; elsewhere none, since the scan looks under /dev instead.
// Reads the registry on every call; never fails (an unreadable key is no ports).
std::vector<int> SystemComPorts();

// The number of a system port name: "COM12" gives 12 (any letter case). 0 for
// anything else: no number, other characters, a number outside 1..255, the
// way PortMap numbers ports.
int ComNumberOf(const std::string& name);
