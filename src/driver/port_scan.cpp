#include "driver/port_scan.h"

#include <chrono>
#include <memory>
#include <set>

#ifndef _WIN32
#include <glob.h>
#include <limits.h>
#include <stdlib.h>
#endif

#include "driver/cp1251.h"
#include "driver/fiscal_printer.h"
#include "driver/status_flags.h"
#include "driver/system_error.h"
#include "driver/system_ports.h"
#include "driver/text.h"
#include "link/frame.h"
#include "link/link_errors.h"
#include "link/link_result.h"
#include "link/prompt_style.h"
#include "link/serial_port.h"
#include "link/settings.h"

namespace {

using Clock = std::chrono::steady_clock;

int ElapsedMs(Clock::time_point start) {
  return static_cast<int>(
      std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count());
}

constexpr int kSpeeds[] = {9600, 19200, 38400, 57600, 115200};
// COM numbers the main window offers.
constexpr int kListedPorts = 8;
// How long a line that keeps talking is listened to after the probe.
constexpr int kDrainMs = 25;
constexpr int kMaxDrainMs = 300;

// The device a path stands for, so that a symbolic link and its target are
// tried once.
std::string Identity(const std::string& path) {
#ifdef _WIN32
  return path;
#else
  char resolved[PATH_MAX];
  if (::realpath(path.c_str(), resolved)) return resolved;
  return path;
#endif
}

bool Better(ScanOutcome a, ScanOutcome b) {
  // The most telling outcome of a port's speeds wins.
  const auto rank = [](ScanOutcome o) {
    switch (o) {
      case ScanOutcome::kPrinter:
        return 5;
      case ScanOutcome::kNoStatus:
        return 4;
      case ScanOutcome::kGarbage:
        return 3;
      case ScanOutcome::kNoAnswer:
        return 2;
      default:
        return 1;
    }
  };
  return rank(a) > rank(b);
}

}  // namespace

std::string ScanOutcomeName(ScanOutcome outcome) {
  switch (outcome) {
    case ScanOutcome::kPrinter:
      return "printer";
    case ScanOutcome::kCannotOpen:
      return "cannot open";
    case ScanOutcome::kInUse:
      return "in use by another program";
    case ScanOutcome::kNotSerial:
      return "not a serial port";
    case ScanOutcome::kNoAnswer:
      return "no answer";
    case ScanOutcome::kGarbage:
      return "garbage at this speed";
    case ScanOutcome::kNoStatus:
      return "handshake but no status";
  }
  return "?";
}

const PortScanResult* ScanReport::Found() const {
  for (const auto& p : ports)
    if (p.outcome == ScanOutcome::kPrinter) return &p;
  return nullptr;
}

int SilentUiHost::ShowPrompt(const std::string& text, const std::string&, unsigned, int) {
  lastPrompt_ = text;
  return Prompt::kResultCancel;
}

int SilentUiHost::RunDateTimeDialog(const PrinterLine&) {
  return Prompt::kResultCancel;
}

PortScanner::PortScanner() : speeds_(std::begin(kSpeeds), std::end(kSpeeds)) {}

std::vector<ScanCandidate> PortScanner::Candidates(bool scanDevices) {
  std::vector<ScanCandidate> out;
  std::set<std::string> seen;
  const auto add = [&](const std::string& name, int com, const std::string& path) {
    if (!seen.insert(Identity(path)).second) return;
    out.push_back({name, com, path});
  };
  const PortMap& map = PortMap::Instance();
  for (int n = 1; n <= kListedPorts; ++n) add("COM " + std::to_string(n), n, map.PathFor(n));
  for (const auto& [n, path] : map.Mappings())
    if (n > kListedPorts) add("COM " + std::to_string(n), n, path);
#ifndef _WIN32
  if (scanDevices) {
    for (const char* pattern :
         {"/dev/ttyS*", "/dev/ttyUSB*", "/dev/ttyACM*", "/dev/serial/by-id/*"}) {
      glob_t g{};
      if (::glob(pattern, 0, nullptr, &g) == 0) {
        for (size_t i = 0; i < g.gl_pathc; ++i) add(g.gl_pathv[i], 0, g.gl_pathv[i]);
      }
      ::globfree(&g);
    }
  }
#else
  // The ports Windows lists: a USB adapter's COM10 and up, found without a mapping.
  if (scanDevices)
    for (int n : SystemComPorts()) add("COM " + std::to_string(n), n, map.PathFor(n));
#endif
  return out;
}

ScanReport PortScanner::Scan(const std::vector<ScanCandidate>& candidates) {
  const auto start = Clock::now();
  ScanReport report;
  for (const auto& c : candidates) {
    if (onPort_) onPort_(c);
    report.ports.push_back(ScanPort(c));
  }
  report.elapsedMs = ElapsedMs(start);
  return report;
}

PortScanResult PortScanner::ScanPort(const ScanCandidate& candidate) {
  // Every attempt opens the candidate's path at its own speed; nothing
  // process-wide is changed. A device without a COM number is named by the
  // spare one in the driver's messages (which nobody sees).
  const PrinterLine line{candidate.comPort != 0 ? candidate.comPort : kScratchPort, 0,
                         candidate.path};
  PortScanResult result;
  result.name = candidate.name;
  result.comPort = candidate.comPort;
  result.path = candidate.path;
  result.outcome = ScanOutcome::kNoAnswer;
  bool first = true;
  for (const int baud : speeds_) {
    PrinterLine atSpeed = line;
    atSpeed.baudRate = baud;
    const SpeedAttempt a = TrySpeed(atSpeed, result);
    result.speeds.push_back(a);
    if (first || Better(a.outcome, result.outcome)) result.outcome = a.outcome;
    first = false;
    // A device that cannot be opened cannot be opened at another speed either
    // (nor is one that another program holds free a moment later), and a
    // printer answers at one speed only.
    if (a.outcome == ScanOutcome::kCannotOpen || a.outcome == ScanOutcome::kInUse ||
        a.outcome == ScanOutcome::kNotSerial || a.outcome == ScanOutcome::kPrinter)
      break;
  }
  return result;
}

SpeedAttempt PortScanner::TrySpeed(const PrinterLine& line, PortScanResult& result) {
  const int baud = line.baudRate;
  SpeedAttempt attempt{baud, ScanOutcome::kNoAnswer};
  bool echoed = false;
  {
    SerialPort sp(line.port, line.path, baud, nullptr);
    const int open = sp.TakeError();
    if (open == LinkResult::kOpenFailed && PortInUse(sp.LastSystemError())) {
      attempt.outcome = ScanOutcome::kInUse;
      return attempt;
    }
    if (open == LinkResult::kOpenFailed) {
      attempt.outcome = ScanOutcome::kCannotOpen;
      result.detail = SystemErrorText(sp.LastSystemError());
      return attempt;
    }
    if (open != LinkResult::kOk) {
      attempt.outcome = ScanOutcome::kNotSerial;
      result.detail = SystemErrorText(sp.LastSystemError());
      return attempt;
    }
    // The link probe, repeated within the window: the echo means something
    // speaks the protocol at this speed; other bytes mean the speed (or the
    // device) is wrong.
    const std::string probe(1, static_cast<char>(Frame::kLinkProbe));
    const auto start = Clock::now();
    while (!echoed && ElapsedMs(start) < timeouts_.probeWindow) {
      sp.Send(probe);
      if (sp.TakeError() != 0) break;
      const std::string got = sp.Receive(1, timeouts_.echoWait);
      if (sp.TakeError() != 0) continue;  // nothing yet
      if (got.size() == 1 && static_cast<uint8_t>(got[0]) == Frame::kLinkProbe) {
        echoed = true;
        break;
      }
      attempt.outcome = ScanOutcome::kGarbage;
      const auto drain = Clock::now();
      while (ElapsedMs(drain) < kMaxDrainMs) {
        sp.Receive(1, kDrainMs);
        if (sp.TakeError() != 0) break;
      }
    }
  }
  if (!echoed) return attempt;

  // The handshake answered: read the status and the version through the
  // driver, as any operation would, but without anybody to ask.
  SilentUiHost silent;
  FiscalPrinter printer(&silent, line);
  printer.SetTimeouts(timeouts_.link);
  attempt.outcome = ScanOutcome::kNoStatus;
  if (!printer.IsConnected()) return attempt;
  StatusFlags flags{};
  const std::string status = printer.ReadStatus(flags);
  if (status.empty()) return attempt;
  attempt.outcome = ScanOutcome::kPrinter;
  result.baud = baud;
  result.status.clear();
  for (size_t i = 0; i < status.size(); ++i)
    result.status += Sprintf(i ? " %02x" : "%02x", static_cast<unsigned char>(status[i]));
  result.version = Cp1251ToUtf8(printer.ReadVersion());
  return attempt;
}
