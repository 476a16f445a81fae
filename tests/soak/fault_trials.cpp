// Randomised fault trials: the driver against the simulated printer (the
// fiscal-sim server on a pseudo-terminal, reached through the real serial
// code), with faults injected between commands and random answers to every
// prompt. Seeded, so a failing trial can be run again.
//
//   fault_trials [--trials N] [--seed S] [--verbose]
//
// Each trial opens a receipt, sells a few items with unique texts and prices,
// pays by card and then closes the receipt, or downloads the fiscal-memory
// stream; any command may meet a fault. After each trial, with the faults
// cleared, it checks:
//  - every call ended within its time-outs (per shown prompt, one attempt);
//  - no sale is registered twice, every sale the host saw succeed ("00") is
//    registered, no sale the printer refused is; the day's registers grow by
//    exactly the registered sales; the card payment is registered at most once;
//  - the download file is a prefix of the printer's stream, and all of it when
//    the call succeeded.
// Prints the figures and exits 1 when any invariant was broken.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <numeric>
#include <random>
#include <string>
#include <vector>

#include "driver/fiscal_printer.h"
#include "driver/status_flags.h"
#include "driver/text.h"
#include "link/prompt_style.h"
#include "link/settings.h"
#include "sim/sim_server.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kPort = 7;
constexpr uint8_t kCmdDownload = 0x75;
constexpr int kCardPayment = 1;
constexpr int kDialogCancelled = 2;

// Short waits so that ten thousand trials take minutes; the printer answers in
// well under a millisecond.
LinkTimeouts TrialTimeouts() {
  LinkTimeouts t;
  t.checkLink = 150;
  t.linkSeries = 200;
  t.reply = 250;
  t.drain = 3;
  return t;
}

// The longest one attempt of a call may take: link checks, their drains, the
// parts of a reply, and slack for a loaded machine.
int AttemptBoundMs() {
  const LinkTimeouts t = TrialTimeouts();
  return t.linkSeries + t.checkLink + t.reply + 4 * t.reply + 1500;
}

struct FaultKind {
  const char* name;
  Fault fault;
  bool condition;  // stays until the operator puts it right
};

const FaultKind kFaults[] = {
    {"nack", Fault::kNack, false},
    {"repeat", Fault::kRepeat, false},
    {"bad-checksum", Fault::kBadChecksum, false},
    {"wrong-seq", Fault::kWrongSeq, false},
    {"wrong-cmd", Fault::kWrongCmd, false},
    {"garbage", Fault::kGarbageFirstByte, false},
    {"zero-byte", Fault::kZeroByte, false},
    {"no-answer", Fault::kNoAnswer, true},
    {"paper-out", Fault::kPaperOut, true},
    {"download-cut", Fault::kDownloadCut, false},
};
constexpr int kFaultKinds = sizeof kFaults / sizeof kFaults[0];
constexpr int kBusyKind = kFaultKinds;  // the printer busy printing for a while

struct Figures {
  int trials = 0;
  int calls = 0;
  int prompts = 0;
  int faults = 0;
  std::map<std::string, int> byFault;
  int sales = 0, salesOk = 0, salesAmbiguous = 0;
  int downloads = 0, downloadsOk = 0;
  std::map<std::string, int> violations;
  int maxCallMs = 0;
};

// Answers every prompt with one of its buttons (or its close box) at random,
// and now and then puts the printer right first, as an operator would.
class RandomUi : public UiHost {
 public:
  RandomUi(std::mt19937& rng, SimServer& sim) : rng_(rng), sim_(sim) {}
  int ShowPrompt(const std::string&, const std::string&, unsigned style, int) override {
    ++prompts;
    if (rng_() % 2) {
      sim_.Inject(Fault::kNoAnswer, 0);
      sim_.Inject(Fault::kPaperOut, 0);
    }
    const auto buttons = PromptStyle::Decode(style).buttons;
    if (buttons.empty() || rng_() % 10 == 0) return kPromptClosedResult;
    return buttons[rng_() % buttons.size()].result;
  }
  int RunDateTimeDialog(const PrinterLine&) override { return kDialogCancelled; }
  int prompts = 0;

 private:
  std::mt19937& rng_;
  SimServer& sim_;
};

class Trials {
 public:
  Trials(unsigned seed, bool verbose) : rng_(seed), verbose_(verbose), ui_(rng_, sim_) {
    PortMap::Instance().Set(kPort, sim_.Path());
    stream_ = sim_.WithDevice([](SimDevice& d) { return d.Execute(kCmdDownload, "").stream; });
  }

  void Run(int trial) {
    ++f_.trials;
    trial_ = trial;
    sim_.ClearFaults();
    if (rng_() % 4 == 0)
      DownloadTrial();
    else
      ReceiptTrial();
    sim_.ClearFaults();
  }

  const Figures& Result() const { return f_; }

 private:
  std::unique_ptr<FiscalPrinter> Connect(UiHost* ui) {
    auto p = std::make_unique<FiscalPrinter>(ui, kPort);
    p->SetTimeouts(TrialTimeouts());
    return p;
  }

  void Violation(const std::string& what) {
    ++f_.violations[what];
    if (verbose_) std::fprintf(stderr, "trial %d: %s\n", trial_, what.c_str());
  }

  // Maybe injects one fault before the next command.
  void MaybeFault() {
    if (rng_() % 100 >= 45) return;
    const int kind = static_cast<int>(rng_() % (kFaultKinds + 1));
    ++f_.faults;
    if (kind == kBusyKind) {
      ++f_.byFault["busy"];
      sim_.BusyFor(20 + static_cast<int>(rng_() % 150));
      return;
    }
    ++f_.byFault[kFaults[kind].name];
    sim_.Inject(kFaults[kind].fault, kFaults[kind].condition ? 1 : 1 + rng_() % 6);
  }

  // Runs one driver call with a fault before it, timing it against its prompts.
  template <class F>
  std::string Call(F f) {
    MaybeFault();
    const int promptsBefore = ui_.prompts;
    const auto start = Clock::now();
    const std::string r = f();
    const int ms = static_cast<int>(
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count());
    const int prompts = ui_.prompts - promptsBefore;
    f_.prompts += prompts;
    ++f_.calls;
    f_.maxCallMs = std::max(f_.maxCallMs, ms);
    if (ms > (prompts + 2) * AttemptBoundMs()) Violation("call outlasted its time-outs");
    // Conditions the operator did not put right end with the call.
    sim_.Inject(Fault::kNoAnswer, 0);
    sim_.Inject(Fault::kPaperOut, 0);
    return r;
  }

  struct Sale {
    std::string text;
    long cents;
    std::string result;
  };

  void ReceiptTrial() {
    const auto before = sim_.WithDevice([](SimDevice& d) { return d.State(); });
    const long registersBefore =
        std::accumulate(before.dailyTotals.begin(), before.dailyTotals.end(), 0L);
    auto p = Connect(&ui_);
    if (!p->IsConnected()) return Violation("port did not open");
    const OperatorRecord op{1, "", "1"};
    Call([&] { return p->OpenFiscalReceipt(op, false, false); });
    if (!sim_.Flags()[Flag::kFiscalReceiptOpen]) {
      // Sales need an open receipt: open it without faults.
      sim_.ClearFaults();
      p.reset();
      CleanUi opener;
      if (Connect(&opener)->OpenFiscalReceipt(op, false, false) != "00")
        return Violation("receipt not opened");
      p = Connect(&ui_);
    }
    std::vector<Sale> sales;
    const int count = 1 + static_cast<int>(rng_() % 4);
    for (int k = 0; k < count; ++k) {
      Sale s;
      s.text = Sprintf("S%06d%d", trial_ % 1000000, k);
      s.cents = 100 + (trial_ % 1000) * 10 + k;
      s.result = Call([&] { return p->SellItem(s.text, 1, s.cents / 100.0, 1, 0); });
      sales.push_back(s);
    }

    // What the printer holds, faults cleared.
    sim_.ClearFaults();
    const auto open = sim_.WithDevice([](SimDevice& d) { return d.State().receipt; });
    long registered = 0;
    for (const Sale& s : sales) {
      ++f_.sales;
      const auto n = std::count_if(open.lines.begin(), open.lines.end(),
                                   [&](const ReceiptLine& l) { return l.text == s.text; });
      if (n > 1) Violation("sale registered twice");
      if (s.result == "00") {
        ++f_.salesOk;
        if (n != 1) Violation("sale the host saw succeed is not registered");
      } else if (!s.result.empty()) {
        if (n != 0) Violation("refused sale registered");
      } else if (n == 1) {
        ++f_.salesAmbiguous;  // the host was told of a failure after it ran
      }
      if (n >= 1) registered += s.cents;
    }

    // Pay the lot by card, with a fault, then close without faults.
    const long total = std::accumulate(open.groups.begin(), open.groups.end(), 0L);
    std::string paid;
    if (total > 0) paid = Call([&] { return p->Payment(kCardPayment, total / 100.0, false, 0); });
    sim_.ClearFaults();
    const auto afterPay = sim_.WithDevice([](SimDevice& d) { return d.State().receipt; });
    if (afterPay.paid[kCardPayment] > total) Violation("payment registered twice");
    if (paid == "00" && afterPay.paid[kCardPayment] != total)
      Violation("payment the host saw succeed is not registered");

    p.reset();  // the line is the closer's alone
    CleanUi closer;
    auto clean = Connect(&closer);
    if (clean->CloseFiscalReceipt() != "00") return Violation("receipt could not be closed");
    const auto after = sim_.WithDevice([](SimDevice& d) { return d.State(); });
    const long registersAfter =
        std::accumulate(after.dailyTotals.begin(), after.dailyTotals.end(), 0L);
    if (registersAfter - registersBefore != registered)
      Violation("registers differ from the registered sales");
  }

  void DownloadTrial() {
    ++f_.downloads;
    auto p = Connect(&ui_);
    if (!p->IsConnected()) return Violation("port did not open");
    std::FILE* file = std::tmpfile();
    if (!file) return Violation("no temporary file");
    const std::string r = Call([&] { return p->DownloadFMToFile(file); });
    std::fflush(file);
    std::rewind(file);
    std::string got;
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, file)) > 0) got.append(buf, n);
    std::fclose(file);
    if (stream_.compare(0, got.size(), got) != 0 || got.size() > stream_.size())
      Violation("download file is not a prefix of the stream");
    if (r == "OK") {
      ++f_.downloadsOk;
      if (got != stream_) Violation("successful download is not the whole stream");
    }
    // Whatever is left of a cut stream is drained before the next trial.
    p.reset();
  }

  // The operator of the fault-free steps around a trial (opening a receipt the
  // faults kept shut, closing it at the end): retries what the line lost, as a
  // loaded machine may delay a reply past the short time-outs, and otherwise
  // goes ahead (pays the rest, reads the status again).
  class CleanUi : public UiHost {
   public:
    int ShowPrompt(const std::string&, const std::string&, unsigned style, int) override {
      const auto buttons = PromptStyle::Decode(style).buttons;
      const auto has = [&](int r) {
        return std::any_of(buttons.begin(), buttons.end(),
                           [r](const PromptButton& b) { return b.result == r; });
      };
      if (has(4) && retries_++ < 20) return 4;
      return has(1) ? 1 : 5;
    }
    int RunDateTimeDialog(const PrinterLine&) override { return kDialogCancelled; }

   private:
    int retries_ = 0;
  };

  SimServer sim_;
  std::mt19937 rng_;
  bool verbose_;
  RandomUi ui_;
  std::string stream_;
  Figures f_;
  int trial_ = 0;
};

}  // namespace

int main(int argc, char** argv) {
  int trials = 300;
  unsigned seed = 1;
  bool verbose = false;
  for (int i = 1; i < argc; ++i) {
    if (!std::strcmp(argv[i], "--trials") && i + 1 < argc) {
      trials = std::atoi(argv[++i]);
    } else if (!std::strcmp(argv[i], "--seed") && i + 1 < argc) {
      seed = static_cast<unsigned>(std::strtoul(argv[++i], nullptr, 10));
    } else if (!std::strcmp(argv[i], "--verbose")) {
      verbose = true;
    } else {
      std::fprintf(stderr, "usage: fault_trials [--trials N] [--seed S] [--verbose]\n");
      return 2;
    }
  }
  const auto start = Clock::now();
  Trials t(seed, verbose);
  for (int i = 0; i < trials; ++i) t.Run(i);
  const Figures& f = t.Result();
  const double s =
      std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count() / 1000.0;
  int violations = 0;
  for (const auto& [what, n] : f.violations) violations += n;
  std::printf("trials %d (seed %u) in %.1f s: %d calls, %d prompts answered at random\n", f.trials,
              seed, s, f.calls, f.prompts);
  std::printf("faults injected %d:", f.faults);
  for (const auto& [name, n] : f.byFault) std::printf(" %s %d", name.c_str(), n);
  std::printf("\nsales %d: %d seen to succeed, %d registered though the host saw a failure\n",
              f.sales, f.salesOk, f.salesAmbiguous);
  std::printf("downloads %d: %d whole\nlongest call %d ms\nviolations %d\n", f.downloads,
              f.downloadsOk, f.maxCallMs, violations);
  for (const auto& [what, n] : f.violations) std::printf("  %s: %d\n", what.c_str(), n);
  return violations ? 1 : 0;
}
