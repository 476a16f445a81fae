// The control language of the simulated printer: one command per line, typed
// on fiscal-sim's standard input, sent to its control socket, or given with
// --fault on its command line.
#include <sstream>
#include <vector>

#include "driver/text.h"
#include "sim/sim_server.h"

namespace {
struct FaultName {
  const char* name;
  Fault fault;
  enum Kind { Condition, Event, OneShot } kind;
  const char* help;
};

const FaultName kFaults[] = {
    {"paper-out", Fault::PaperOut, FaultName::Condition, "no paper (flag 7)"},
    {"busy", Fault::Busy, FaultName::Condition, "answer the ready probe busy"},
    {"no-answer", Fault::NoAnswer, FaultName::Condition, "answer nothing, not even 0x04"},
    {"clock-not-set", Fault::ClockNotSet, FaultName::Condition, "clock not set (flag 3)"},
    {"clock-incorrect", Fault::ClockIncorrect, FaultName::Condition, "clock incorrect (flag 6)"},
    {"clock-error", Fault::ClockHardware, FaultName::Condition, "clock hardware error (flag 4)"},
    {"fm-missing", Fault::FmMissing, FaultName::Condition, "fiscal memory missing (flag 18)"},
    {"fm-faulty", Fault::FmFaulty, FaultName::Condition, "fiscal memory faulty (flag 19)"},
    {"overflow", Fault::ReportOverflow, FaultName::Condition, "report registers overflow (flag 8)"},
    {"ram-reset", Fault::RamReset, FaultName::Event, "lose working memory (flags 5, 3)"},
    {"fm-nearly-full", Fault::FmNearlyFull, FaultName::Event,
     "leave 49 free fiscal-memory records (off: normal size)"},
    {"fm-full", Fault::FmFull, FaultName::Event, "leave no free record (off: normal size)"},
    {"overheat", Fault::Overheated, FaultName::Condition, "print head overheated (flag 2)"},
    {"low-voltage", Fault::LowVoltage, FaultName::Condition, "supply voltage dropped (flag 1)"},
    {"nack", Fault::Nack, FaultName::OneShot, "answer the next N frames NACK"},
    {"repeat", Fault::Repeat, FaultName::OneShot, "answer the next N frames REPEAT"},
    {"bad-checksum", Fault::BadChecksum, FaultName::OneShot,
     "wrong checksum in the next N replies"},
    {"wrong-seq", Fault::WrongSeq, FaultName::OneShot, "wrong block number in the next N replies"},
    {"wrong-cmd", Fault::WrongCmd, FaultName::OneShot,
     "wrong command byte in the next N data replies"},
    {"garbage", Fault::GarbageFirstByte, FaultName::OneShot,
     "a meaningless first byte in the next N replies"},
    {"zero-byte", Fault::ZeroByte, FaultName::OneShot, "a zero byte in the next N replies"},
    {"download-cut", Fault::DownloadCut, FaultName::OneShot,
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
    const char* arg = f.kind == FaultName::OneShot ? " [N]"
                      : f.fault == Fault::RamReset ? ""
                      : f.kind == FaultName::Event ? " [off]"
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
    Inject(Fault::PaperOut, 0);
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
    if (f.kind == FaultName::OneShot) {
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
    if (f.kind == FaultName::OneShot)
      answer += ' ' + std::to_string(count);
    else
      answer += count ? " on" : " off";
    return answer + "\n";
  }
  return "error: unknown command '" + word + "' (try help)\n";
}
