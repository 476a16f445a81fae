#include "server/printer_discovery.h"

#include <chrono>

#include "driver/fiscal_printer.h"
#include "link/settings.h"
#include "server/server_config.h"

namespace {

constexpr int kFirstFreeCom = 101;  // as --device printers are numbered
constexpr int kLastCom = 255;
constexpr char kSuffixMark = '_';

bool IdCharacter(char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '-' ||
         c == kSuffixMark;
}

// The path a candidate opens: its COM mapping's, or its own.
std::string PathOf(const ScanCandidate& c) {
  return c.path.empty() ? PortMap::Instance().PathFor(c.comPort) : c.path;
}

}  // namespace

std::vector<ScanCandidate> UnservedCandidates(const std::vector<ScanCandidate>& candidates,
                                              const std::vector<ServedPrinter>& served) {
  std::set<std::string> busy;
  for (const auto& p : served) busy.insert(CanonicalDevice(p.path));
  std::vector<ScanCandidate> out;
  for (const auto& c : candidates)
    if (!busy.count(CanonicalDevice(PathOf(c)))) out.push_back(c);
  return out;
}

std::string UniquePrinterId(const std::string& serialNumber, const std::set<std::string>& taken) {
  std::string base;
  for (char c : PrinterIdOf(serialNumber))
    if (IdCharacter(c)) base += c;
  if (base.empty()) return "";
  std::string id = base;
  for (int n = 1; taken.count(id); ++n) id = base + kSuffixMark + std::to_string(n);
  return id;
}

int ComFor(int scannedCom, const std::set<int>& taken) {
  if (scannedCom > 0 && !taken.count(scannedCom)) return scannedCom;
  for (int com = kFirstFreeCom; com <= kLastCom; ++com)
    if (!taken.count(com)) return com;
  return 0;
}

DiscoveryResult DiscoverPrinters(const std::vector<ScanCandidate>& candidates,
                                 const std::vector<ServedPrinter>& served,
                                 const DiscoveryOptions& options) {
  const auto start = std::chrono::steady_clock::now();
  DiscoveryResult result;
  PortScanner scanner;
  if (options.scanTimeouts) scanner.SetTimeouts(*options.scanTimeouts);
  const ScanReport report = scanner.Scan(UnservedCandidates(candidates, served));
  result.scannedPorts = static_cast<int>(report.ports.size());

  std::set<std::string> ids;
  std::set<int> coms;
  for (const auto& p : served) {
    ids.insert(p.id);
    coms.insert(p.com);
  }
  // The printer answered the scan: its identity is read with the usual
  // patience, so that a slow reply does not leave it unserved.
  const LinkTimeouts timeouts = options.identityTimeouts.value_or(LinkTimeouts{});
  for (const PortScanResult& port : report.ports) {
    if (port.outcome != ScanOutcome::kPrinter) continue;
    const int com = ComFor(port.comPort, coms);
    if (com == 0) {
      result.skipped.push_back(port.path + ": a printer, but no COM number is left for it");
      continue;
    }
    SilentUiHost silent;
    FiscalPrinter printer(&silent, PrinterLine{com, port.baud, port.path});
    printer.SetTimeouts(timeouts);
    const std::optional<DeviceIdentity> identity = ReadDeviceIdentity(printer);
    const std::string id = identity ? UniquePrinterId(identity->serialNumber, ids) : "";
    if (id.empty()) {
      result.skipped.push_back(port.path + ": a printer at " + std::to_string(port.baud) +
                               " baud, but its serial number could not be read; give it with "
                               "--device ID=PATH");
      continue;
    }
    ids.insert(id);
    coms.insert(com);
    result.found.push_back({ServedPrinter{id, com, port.path, port.baud}, *identity});
  }
  result.elapsedMs = static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                          std::chrono::steady_clock::now() - start)
                                          .count());
  return result;
}
