#pragma once

#include <functional>
#include <string>
#include <vector>

#include "link/printer_link.h"
#include "link/ui_host.h"

// Finding the printer: every candidate port is tried at every line speed with
// the readiness handshake, and where the handshake answers, with a status read
// and the version read. Nothing is shown to the user while it runs (prompts go
// to a silent host and are answered "Отказ"), and every attempt is short, so a
// scan of a handful of ports ends within seconds.
//
// A port another program holds (a backup running on it, the application) is
// skipped: probing it would put bytes into that program's exchange.
//
// Candidates, in this order and each device once (symbolic links resolved):
// COM 1 to 8 as mapped (PortMap), every other COM mapping, then on Linux the
// devices /dev/ttyS*, /dev/ttyUSB*, /dev/ttyACM* and /dev/serial/by-id/*, on
// Windows every other port the system lists (SystemComPorts: COM10 and up).
// Pseudo-terminals are tried only when a COM mapping names them (an unnamed
// one belongs to some terminal window).
//
// Runs on the caller's thread. Each attempt opens the candidate's path at its
// speed (PrinterLine); PortMap is only read, for the candidates, and nothing
// process-wide is changed.

// What was found on one port at one speed, or on the whole port.
enum class ScanOutcome {
  kPrinter,     // the printer answered the status and version reads
  kCannotOpen,  // the device could not be opened (missing, no access)
  kInUse,       // another program holds the port: left alone, not a byte sent
  kNotSerial,   // it opened but is not a serial line (its settings cannot be set)
  kNoAnswer,    // nothing came back
  kGarbage,     // bytes came back, but not the echo: another speed or another device
  kNoStatus,    // the handshake answered, the status read did not
};

// A short English name of the outcome ("printer", "cannot open", "in use by
// another program", "no answer", "garbage at this speed", ...), as fiscal-cli
// prints it.
std::string ScanOutcomeName(ScanOutcome outcome);

struct SpeedAttempt {
  int baud = 0;
  ScanOutcome outcome = ScanOutcome::kNoAnswer;
};

struct PortScanResult {
  std::string name;                              // "COM 3" or the device path
  int comPort = 0;                               // the COM number, 0 when the device has none
  std::string path;                              // the device path tried
  ScanOutcome outcome = ScanOutcome::kNoAnswer;  // the port as a whole (below)
  std::string detail;                // why it could not be opened (the system's text), "" otherwise
  int baud = 0;                      // the speed the printer answered at (outcome Printer)
  std::string version;               // its version text, UTF-8 (outcome Printer)
  std::string status;                // the five status bytes in hexadecimal (outcome Printer)
  std::vector<SpeedAttempt> speeds;  // every speed tried, in order
};

struct ScanReport {
  std::vector<PortScanResult> ports;
  int elapsedMs = 0;
  // The first port with a printer, or null.
  const PortScanResult* Found() const;
};

struct ScanCandidate {
  std::string name;
  int comPort = 0;  // 0: none (kScratchPort names it in the driver's messages)
  std::string path;
};

// Time-outs of one attempt, in milliseconds. The handshake window is generous
// against the protocol's (USB adapters deliver bytes in bursts every few ms).
struct ScanTimeouts {
  int probeWindow = 150;  // sending the link probe and waiting for its echo
  int echoWait = 40;      // for one echo
  LinkTimeouts link = {300, 400, 600, 40, 25, 80};  // the status and version reads
};

class PortScanner {
 public:
  // The COM number that names a device without one.
  static constexpr int kScratchPort = 255;

  PortScanner();

  // The candidate ports (see above): PortMap, and /dev on Linux or the system's list on Windows.
  // `scanDevices` false leaves the /dev devices and the system's list out (tests).
  static std::vector<ScanCandidate> Candidates(bool scanDevices = true);

  void SetSpeeds(std::vector<int> speeds) { speeds_ = std::move(speeds); }
  void SetTimeouts(const ScanTimeouts& t) { timeouts_ = t; }
  // Called before each port is tried (e.g. to show progress); may be empty.
  void OnPort(std::function<void(const ScanCandidate&)> f) { onPort_ = std::move(f); }

  // Tries every candidate. Never shows anything and never throws.
  ScanReport Scan(const std::vector<ScanCandidate>& candidates);
  PortScanResult ScanPort(const ScanCandidate& candidate);

 private:
  SpeedAttempt TrySpeed(const PrinterLine& line, PortScanResult& result);

  std::vector<int> speeds_;
  ScanTimeouts timeouts_;
  std::function<void(const ScanCandidate&)> onPort_;
};

// A UI host that shows nothing: every prompt is answered "Отказ" (2), the date
// and time dialog is cancelled. It keeps the last prompt's text.
class SilentUiHost : public UiHost {
 public:
  int ShowPrompt(const std::string& text, const std::string& caption, unsigned style,
                 int textStyle) override;
  int RunDateTimeDialog(const PrinterLine& line) override;
  const std::string& LastPrompt() const { return lastPrompt_; }

 private:
  std::string lastPrompt_;
};
