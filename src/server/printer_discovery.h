#pragma once

#include <optional>
#include <set>
#include <string>
#include <vector>

#include "driver/port_scan.h"
#include "link/printer_link.h"
#include "server/netfp_device.h"
#include "server/server_config.h"

// Finding the printers when none were given (no --com, --device or configured
// printers): the port scan fiscal-cli scan uses, over the ports the server does
// not serve yet; each printer found has its identity read and is named by its
// serial number. No window, no HTTP, nothing process-wide changed: Api runs it
// and adds what it finds to its printers.

// A printer the scan found, ready to be served.
struct DiscoveredPrinter {
  ServedPrinter printer;    // its id, COM number, device path and speed
  DeviceIdentity identity;  // as read when it was found
};

// What one scan found.
struct DiscoveryResult {
  std::vector<DiscoveredPrinter> found;  // new printers, each with an id of its own
  // One line per printer that answered the scan but cannot be served (its
  // serial number could not be read), for the log.
  std::vector<std::string> skipped;
  int scannedPorts = 0;
  int elapsedMs = 0;
};

struct DiscoveryOptions {
  bool scanDevices = true;  // false: COM mappings only, not /dev (tests)
  std::optional<ScanTimeouts> scanTimeouts;
  std::optional<LinkTimeouts> identityTimeouts;  // the identity read; default the link's
};

// The candidates whose device none of `served` has (symbolic links resolved):
// a served port is never probed, whatever its worker is doing with it.
std::vector<ScanCandidate> UnservedCandidates(const std::vector<ScanCandidate>& candidates,
                                              const std::vector<ServedPrinter>& served);

// The id of a printer with `serialNumber` beside the ids `taken`: the id the
// serial number gives (PrinterIdOf), or that id with "_1", "_2", ... when it is
// taken. Characters an id cannot hold are left out; "" when none is left.
std::string UniquePrinterId(const std::string& serialNumber, const std::set<std::string>& taken);

// The COM number of a device the scan found: its own, or else the first
// number from 101 that none of `taken` has (0 when none is free).
int ComFor(int scannedCom, const std::set<int>& taken);

// Scans the candidates not served yet, reads the identity of each printer
// found and names it beside the printers `served`. Runs on the caller's
// thread, for seconds; never throws and never shows anything.
DiscoveryResult DiscoverPrinters(const std::vector<ScanCandidate>& candidates,
                                 const std::vector<ServedPrinter>& served,
                                 const DiscoveryOptions& options);
