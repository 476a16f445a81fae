// The control language of the simulated printer: one command per line, typed
// on fiscal-sim's standard input, sent to its control socket, or given with
// --fault on its command line.
#include <sstream>
#include <vector>

#include "sim/sim_server.h"
#include "sim/sim_text.h"

using namespace simtext;

namespace {
struct FaultName {
  const char* name;
  Fault fault;
  enum Kind { kCondition, kEvent, kOneShot } kind;
  const char* help;
};

const FaultName kFaults[] = {
    {"paper-out", Fault::kPaperOut, FaultName::kCondition, "no paper (flag 7)"},
    {"busy", Fault::kBusy, FaultName::kCondition, "answer the ready probe busy"},
    {"no-answer", Fault::kNoAnswer, FaultName::kCondition, "answer nothing, not even 0x04"},
    {"clock-not-set", Fault::kClockNotSet, FaultName::kCondition, "clock not set (flag 3)"},
    {"clock-incorrect", Fault::kClockIncorrect, FaultName::kCondition, "clock incorrect (flag 6)"},
    {"clock-error", Fault::kClockHardware, FaultName::kCondition, "clock hardware error (flag 4)"},
    {"fm-missing", Fault::kFmMissing, FaultName::kCondition, "fiscal memory missing (flag 18)"},
    {"fm-faulty", Fault::kFmFaulty, FaultName::kCondition, "fiscal memory faulty (flag 19)"},
    {"overflow", Fault::kReportOverflow, FaultName::kCondition,
     "report registers overflow (flag 8)"},
    {"ram-reset", Fault::kRamReset, FaultName::kEvent, "lose working memory (flags 5, 3)"},
    {"fm-nearly-full", Fault::kFmNearlyFull, FaultName::kEvent,
     "leave 49 free fiscal-memory records (off: normal size)"},
    {"fm-full", Fault::kFmFull, FaultName::kEvent, "leave no free record (off: normal size)"},
    {"overheat", Fault::kOverheated, FaultName::kCondition, "print head overheated (flag 2)"},
    {"low-voltage", Fault::kLowVoltage, FaultName::kCondition, "supply voltage dropped (flag 1)"},
    {"nack", Fault::kNack, FaultName::kOneShot, "answer the next N frames NACK"},
    {"repeat", Fault::kRepeat, FaultName::kOneShot, "answer the next N frames REPEAT"},
    {"bad-checksum", Fault::kBadChecksum, FaultName::kOneShot,
     "wrong checksum in the next N replies"},
    {"wrong-seq", Fault::kWrongSeq, FaultName::kOneShot,
     "wrong block number in the next N replies"},
    {"wrong-cmd", Fault::kWrongCmd, FaultName::kOneShot,
     "wrong command byte in the next N data replies"},
    {"garbage", Fault::kGarbageFirstByte, FaultName::kOneShot,
     "a meaningless first byte in the next N replies"},
    {"zero-byte", Fault::kZeroByte, FaultName::kOneShot, "a zero byte in the next N replies"},
    {"download-cut", Fault::kDownloadCut, FaultName::kOneShot,
     "the next N download streams stop before their terminator"},
};

const char* kFlagNames[32] = {"FM read-only",
                              "voltage drop",
                              "overheated",
                              "clock not set",
                              "clock error",
                              "RAM reset",
                              "clock incorrect",
                              "no paper",
                              "report overflow",
                              "daily unzeroed",
                              "article unzeroed",
                              "operator unzeroed",
                              "duplicate pending",
                              "service receipt",
                              "fiscal receipt",
                              "extended receipt",
                              "VAT in receipt",
                              "invoice",
                              "FM missing",
                              "FM faulty",
                              "FM full",
                              "FM under 50 free",
                              "decimals",
                              "fiscalized",
                              "factory numbers",
                              "auto cut",
                              "transparent display",
                              "baud rate",
                              "drawer",
                              "logo",
                              "detailed journal off",
                              "currency"};
}  // namespace

std::string SimServer::ControlHelp() {
  std::string out = "Control commands (one per line; N defaults to 1, on/off to on):\n";
  for (const auto& f : kFaults) {
    const char* arg = f.kind == FaultName::kOneShot ? " [N]"
                      : f.fault == Fault::kRamReset ? ""
                      : f.kind == FaultName::kEvent ? " [off]"
                                                    : " [on|off]";
    out += Sprintf("  %-28s %s\n", (std::string(f.name) + arg).c_str(), f.help);
  }
  out +=
      "  paper                        put paper in (same as paper-out off)\n"
      "  busy-for MS                  busy for MS milliseconds\n"
      "  fm-fill N                    write N more daily reports into the fiscal memory\n"
      "  clear                        clear every condition and pending fault\n"
      "  status                       show the status flags that are set\n"
      "  help                         this list\n";
  return out;
}

std::string SimServer::Control(const std::string& line) {
  std::istringstream in(line);
  std::string word, arg;
  in >> word >> arg;
  if (word.empty()) return "";
  if (word == "help" || word == "?") return ControlHelp();
  if (word == "paper") {
    Inject(Fault::kPaperOut, 0);
    return "ok: paper in\n";
  }
  if (word == "clear") {
    ClearFaults();
    return "ok: faults cleared\n";
  }
  if (word == "busy-for") {
    const int ms = std::atoi(arg.c_str());
    if (ms <= 0 || ms > 600000) return "error: busy-for needs milliseconds (1..600000)\n";
    BusyFor(ms);
    return "ok: busy for " + arg + " ms\n";
  }
  if (word == "fm-fill") {
    char* end = nullptr;
    const long n = std::strtol(arg.c_str(), &end, 10);
    if (arg.empty() || *end || n < 1 || n > 100000)
      return "error: fm-fill needs a count 1..100000\n";
    const int written = WithDevice([n](SimDevice& d) { return d.FillFm(static_cast<int>(n)); });
    return "ok: fm-fill " + std::to_string(written) + " records written\n";
  }
  if (word == "status") {
    const auto f = Flags();
    std::string out = "flags:";
    for (int i = 0; i < 32; ++i)
      if (f[i]) out += Sprintf(" %d(%s)", i, kFlagNames[i]);
    return out + "\n";
  }
  for (const auto& f : kFaults) {
    if (word != f.name) continue;
    int count = 1;
    if (f.kind == FaultName::kOneShot) {
      if (!arg.empty()) {
        char* end = nullptr;
        const long v = std::strtol(arg.c_str(), &end, 10);
        if (*end || v < 0 || v > 100000) return "error: " + word + " takes a count 0..100000\n";
        count = static_cast<int>(v);
      }
    } else if (arg == "off" || arg == "0") {
      count = 0;
    } else if (!arg.empty() && arg != "on" && arg != "1") {
      return "error: " + word + " takes on or off\n";
    }
    Inject(f.fault, count);
    std::string answer = "ok: " + word;
    if (f.kind == FaultName::kOneShot)
      answer += ' ' + std::to_string(count);
    else
      answer += count ? " on" : " off";
    return answer + "\n";
  }
  return "error: unknown command '" + word + "' (try help)\n";
}
