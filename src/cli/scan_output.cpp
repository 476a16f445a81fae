#include "cli/scan_output.h"

#include <algorithm>
#include <map>

#include "cli/output.h"
#include "driver/text.h"

namespace {

// "no answer at 9600, 19200; garbage at this speed at 38400" grouped by outcome,
// in the order the speeds were tried.
std::string SpeedSummary(const PortScanResult& p) {
  std::vector<std::pair<ScanOutcome, std::string>> groups;
  for (const auto& s : p.speeds) {
    auto it = std::find_if(groups.begin(), groups.end(),
                           [&](const auto& g) { return g.first == s.outcome; });
    if (it == groups.end()) {
      groups.push_back({s.outcome, std::to_string(s.baud)});
    } else {
      it->second += ", " + std::to_string(s.baud);
    }
  }
  std::string out;
  for (const auto& [outcome, bauds] : groups) {
    if (!out.empty()) out += "; ";
    std::string name = ScanOutcomeName(outcome);
    if (outcome == ScanOutcome::kGarbage) name = "garbage";
    out += name + " at " + bauds;
  }
  return out;
}

std::string PortLine(const PortScanResult& p, size_t nameWidth, size_t pathWidth) {
  std::string s = p.name + std::string(nameWidth - p.name.size() + 2, ' ');
  if (p.path != p.name) s += p.path + std::string(pathWidth - p.path.size() + 2, ' ');
  switch (p.outcome) {
    case ScanOutcome::kPrinter:
      return s + "printer at " + std::to_string(p.baud) + " baud, version \"" +
             QuoteLine(p.version) + "\"";
    case ScanOutcome::kCannotOpen:
    case ScanOutcome::kInUse:
    case ScanOutcome::kNotSerial:
      return s + ScanOutcomeName(p.outcome) + (p.detail.empty() ? "" : " (" + p.detail + ")");
    default:
      return s + SpeedSummary(p);
  }
}

}  // namespace

std::string FormatScanReadable(const ScanReport& report) {
  size_t nameWidth = 0, pathWidth = 0;
  for (const auto& p : report.ports) {
    nameWidth = std::max(nameWidth, p.name.size());
    if (p.path != p.name) pathWidth = std::max(pathWidth, p.path.size());
  }
  std::string out;
  for (const auto& p : report.ports) out += PortLine(p, nameWidth, pathWidth) + '\n';
  if (const PortScanResult* f = report.Found())
    out += "found " + f->name + " at " + std::to_string(f->baud) + " baud\n";
  else
    out += "no printer found\n";
  out += Sprintf("scanned %zu port%s in %.1f s\n", report.ports.size(),
                 report.ports.size() == 1 ? "" : "s", report.elapsedMs / 1000.0);
  return out;
}

std::string FormatScanJson(const ScanReport& report) {
  const PortScanResult* found = report.Found();
  std::string s = "{\"method\":\"scan\",\"ok\":";
  s += found ? "true" : "false";
  s += ",\"found\":";
  if (found) {
    s += "{\"name\":" + JsonString(found->name) + ",\"com\":" + std::to_string(found->comPort) +
         ",\"path\":" + JsonString(found->path) + ",\"baud\":" + std::to_string(found->baud) +
         ",\"version\":" + JsonString(found->version) + "}";
  } else {
    s += "null";
  }
  s += ",\"elapsedMs\":" + std::to_string(report.elapsedMs) + ",\"ports\":[";
  for (size_t i = 0; i < report.ports.size(); ++i) {
    const PortScanResult& p = report.ports[i];
    if (i) s += ',';
    s += "{\"name\":" + JsonString(p.name) + ",\"com\":" + std::to_string(p.comPort) +
         ",\"path\":" + JsonString(p.path) +
         ",\"result\":" + JsonString(ScanOutcomeName(p.outcome)) +
         ",\"detail\":" + JsonString(p.detail) + ",\"baud\":" + std::to_string(p.baud) +
         ",\"version\":" + JsonString(p.version) + ",\"status\":" + JsonString(p.status) +
         ",\"speeds\":[";
    for (size_t j = 0; j < p.speeds.size(); ++j) {
      if (j) s += ',';
      s += "{\"baud\":" + std::to_string(p.speeds[j].baud) +
           ",\"result\":" + JsonString(ScanOutcomeName(p.speeds[j].outcome)) + "}";
    }
    s += "]}";
  }
  s += "]}";
  return s;
}
