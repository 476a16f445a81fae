#include "cli/run_cli.h"

#include <algorithm>
#include <chrono>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <memory>
#include <sstream>

#include "cli/cli_args.h"
#include "cli/cli_ui.h"
#include "cli/output.h"
#include "cli/scan_output.h"
#include "cli/tool_commands.h"
#include "driver/fiscal_printer.h"
#include "driver/line_trace.h"
#include "driver/port_scan.h"
#include "link/line_recording.h"
#include "link/serial_trace.h"
#include "link/settings.h"

namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

// The status of a call that did not end done. A value the driver refused
// without sending it (outside the printer's limits, "BP") is the caller's
// mistake like a bad argument, and a file of this computer that cannot be read
// or written is the same status wherever it happens (--record, a tool's file, a
// method's file); what the printer or the line did is a failure.
int FailureStatus(const CallOutcome* outcome) {
  if (outcome == nullptr) return kExitFailed;
  switch (outcome->end) {
    case CallEnd::kOutOfRange:
    case CallEnd::kFileFailed:
      return kExitUsage;
    default:
      return kExitFailed;
  }
}

int Usage(CliEnvironment& env, const std::string& message) {
  env.err << "fiscal-cli: " << message << '\n' << std::flush;
  return kExitUsage;
}

bool ReadScript(const std::string& name, std::istream& in, std::string& text, std::string& error) {
  if (name == "-") {
    text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return true;
  }
  // The name is UTF-8; through a path it opens on Windows too.
  std::ifstream file(std::filesystem::path(std::u8string(name.begin(), name.end())),
                     std::ios::binary);
  if (!file) {
    error = "--script: cannot read \"" + name + "\"";
    return false;
  }
  text.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
  if (file.bad()) {
    error = "--script: cannot read \"" + name + "\"";
    return false;
  }
  return true;
}

// Installs the trace hook for one run and removes it again.
class TraceScope {
 public:
  TraceScope(bool on, std::ostream& err) {
    if (!on) return;
    hook_ = std::make_unique<ScopedSerialTrace>(
        [this, &err](int /*port*/, bool sent, const std::string& bytes) {
          err << formatter_.Format(sent, bytes, std::chrono::system_clock::now()) << '\n';
        });
  }
  TraceScope(const TraceScope&) = delete;
  TraceScope& operator=(const TraceScope&) = delete;

 private:
  TraceFormatter formatter_;
  std::unique_ptr<ScopedSerialTrace> hook_;
};

// fiscal-cli scan: every candidate port at every speed, one report.
int RunScan(const CliOptions& options, CliEnvironment& env) {
  PortScanner scanner;
  if (env.scanTimeouts) scanner.SetTimeouts(*env.scanTimeouts);
  const ScanReport report = scanner.Scan(PortScanner::Candidates(env.scanDevices));
  env.out << (options.json ? FormatScanJson(report) + '\n' : FormatScanReadable(report))
          << std::flush;
  return report.Found() ? kExitOk : kExitFailed;
}

}  // namespace

int RunCli(const std::vector<std::string>& args, CliEnvironment& env) {
  CliOptions options;
  std::string error;
  if (!ParseOptions(args, options, error)) return Usage(env, error);
  if (options.help) {
    env.out << UsageText();
    if (const std::string tools = ToolUsageText(); !tools.empty())
      env.out << "\nWhole tables (see docs/backup.md):\n" << tools;
    return kExitOk;
  }
  if (options.list) {
    env.out << ListMethods();
    return kExitOk;
  }

  const bool scan = !options.hasScript && !options.command.empty() && options.command[0] == "scan";
  if (scan && options.command.size() > 1)
    return Usage(env, "scan takes no arguments (\"" + options.command[1] + "\")");

  // Every line is checked before anything is opened or sent.
  const std::time_t now = std::time(nullptr);
  std::vector<CliCall> calls;
  const bool tool =
      !options.hasScript && !options.command.empty() && IsToolCommand(options.command[0]);
  if (scan) {
    // nothing to convert
  } else if (tool) {
    if (!CheckToolArguments(options.command, error)) return Usage(env, error);
  } else if (options.hasScript) {
    std::string text;
    if (!ReadScript(options.script, env.in, text, error)) return Usage(env, error);
    if (text.rfind("\xEF\xBB\xBF", 0) == 0) text.erase(0, 3);  // a UTF-8 byte-order mark
    if (!ParseScript(text, now, calls, error)) return Usage(env, error);
  } else {
    CliCall call;
    if (!BuildCall(options.command, now, call, error)) return Usage(env, error);
    calls.push_back(std::move(call));
  }

  PortMap& map = PortMap::Instance();
  map.Clear();
  for (const auto& mapping : options.comMappings) map.ParseAndSet(mapping);
  if (!options.device.empty()) map.Set(options.port, options.device);
  // The options' port and speed: every printer of this run is opened on it.
  const PrinterLine line{options.port, options.baud};
  LineRecorder recorder;
  if (!options.record.empty() && !recorder.Start(options.record, error))
    return Usage(env, "--record: " + error);
  TraceScope trace(options.trace, env.err);
  if (scan) return RunScan(options, env);

  const bool interactive = env.interactive && !(options.hasScript && options.script == "-");
  CliUi ui(options.answers, env.in, env.err, interactive);
  ui.SetTimeouts(env.timeouts);
  if (tool) return RunToolCommand(options.command, env, ui, line, env.progress, options.json);

  int status = kExitOk;
  // One printer for the whole run, opened by the first method that needs it.
  std::unique_ptr<FiscalPrinter> printer;
  for (const auto& call : calls) {
    Invocation inv;
    inv.args = call.args;
    std::string result;
    if (call.method->needsPrinter) {
      if (!printer) {
        printer = std::make_unique<FiscalPrinter>(&ui, line);
        if (env.timeouts) printer->SetTimeouts(*env.timeouts);
      }
      inv.printer = printer.get();
    }
    if (!call.method->needsPrinter || printer->IsConnected()) result = call.method->invoke(inv);
    if (!inv.error.empty())
      env.err << "fiscal-cli: " << call.method->name << ": " << inv.error << '\n';
    if (result.empty()) inv.out.clear();
    // A method that reached the printer says how it ended; a local failure
    // (inv.error) or a port that did not open has no call behind it.
    const CallOutcome* outcome =
        inv.printer != nullptr && printer->IsConnected() && inv.error.empty()
            ? &printer->LastOutcome()
            : nullptr;
    env.out << (options.json ? FormatJson(call.method->name, result, inv.out, outcome)
                             : FormatReadable(call.method->name, result, inv.out, outcome))
            << '\n'
            << std::flush;
    // A local failure is a file of this computer that could not be opened or written.
    if (!inv.error.empty()) return kExitUsage;
    if (result.empty()) return FailureStatus(outcome);
    if (outcome != nullptr && !outcome->Done()) {
      status = std::max(status, FailureStatus(outcome));
      // A refusal the user passed over with "Продължи" lets the run go on, as
      // the answer asked; anything else (SetDateTime's "BP") stops it.
      if (outcome->end != CallEnd::kPrinterRefused) return status;
    }
  }
  return status;
}
