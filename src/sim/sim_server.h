#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "sim/sim_device.h"

// Options of the simulated printer. The defaults suit in-process tests: no
// per-byte delay, a short busy time after printing a report, nothing written
// anywhere but the in-memory paper roll.
struct SimOptions {
  bool factory = false;        // start as a new device (not fiscalized, no factory numbers)
  int baud = 9600;             // the device's line speed
  bool realTiming = false;     // delay each sent byte by its transfer time at `baud`
  int busyMs = 20;             // how long printing a report keeps the device busy
  std::string stateFile;       // keep the device's memory here across runs ("" = none)
  std::string paperFile;       // append the printed paper here as well ("" = none)
  bool paperToStdout = false;  // print the paper on standard output as well
  int headerWidth = 42;        // printed line width: 42 or 38
  int taxGroups = 8;           // tax groups the device has, 3..8 (applies to a fresh start only)
  char decimals = '2';  // '2' amounts with two decimals, '0' whole numbers (fresh start only)
  // How long after a reply (and the printing it started) the same frame again
  // counts as the host's resend of it. The host resends within a few seconds:
  // its link checks take up to 3 s and it waits 3 s for each part of a reply.
  int resendWindowMs = 10000;
};

// Faults the device shows on demand.
//
// Conditions stay until cleared with Inject(f, 0) (or ClearFaults), or until the
// device itself puts them right:
//   PaperOut        no paper: status flag 7, printing commands answer "12"
//   Busy            the ready probe 0x05 is answered with simwire::kBusy
//   NoAnswer        nothing is answered, not even the link probe 0x04
//   ClockNotSet     flag 3 (cleared by setting the clock)
//   ClockIncorrect  flag 6 (cleared by setting the clock)
//   ClockHardware   flag 4; setting the clock is refused with "32"
//   FmMissing       flag 18; fiscal-memory commands answer "82"
//   FmFaulty        flag 19; likewise
//   ReportOverflow  flag 8 (cleared by a daily Z report)
// Events happen once when injected:
//   RamReset        working memory lost (open receipt, duplicate), flags 5 and 3
//   FmNearlyFull    the fiscal memory has 49 free records left (flag 21)
//   FmFull          no free record left (flags 0, 20, 21); Inject(FmFull, 0)
//                   or Inject(FmNearlyFull, 0) restores the normal capacity
// One-shot faults act on the next `count` frames or replies:
//   Nack            the frame is answered NACK and not run
//   Repeat          the frame is answered REPEAT and not run
//   BadChecksum     the reply's checksum is wrong
//   WrongSeq        the reply carries another block number
//   WrongCmd        the next data reply carries another command byte
//   GarbageFirstByte  the reply's first byte is replaced by a meaningless byte
//   ZeroByte        the reply carries a zero byte after its first byte
//   DownloadCut     the download stream stops before its terminator
// The frame of a one-shot reply fault has run; when the host sends the same
// frame again (same block number, command and data) a command that changes
// something gets the same reply without being run twice; a read runs afresh.
// Only a resend is treated so: the same frame arriving more than
// SimOptions::resendWindowMs after the reply, or after the line was opened
// again (a new host session, which starts its block numbers afresh), runs.
enum class Fault {
  kPaperOut,
  kBusy,
  kNoAnswer,
  kClockNotSet,
  kClockIncorrect,
  kClockHardware,
  kFmMissing,
  kFmFaulty,
  kReportOverflow,
  kRamReset,
  kFmNearlyFull,
  kFmFull,
  kNack,
  kRepeat,
  kBadChecksum,
  kWrongSeq,
  kWrongCmd,
  kGarbageFirstByte,
  kZeroByte,
  kDownloadCut,
  // Conditions beyond the usual faults, for the status display:
  kOverheated,  // flag 2; printing commands answer "C2"
  kLowVoltage,  // flag 1
};

// The simulated printer on a pseudo-terminal. The constructor creates the
// pseudo-terminal (its host end is Path()) and serves it on a background thread
// until the object is destroyed. Throws std::runtime_error when the
// pseudo-terminal cannot be created or the state file cannot be read; no other
// member throws. Every member is thread-safe.
class SimServer {
 public:
  explicit SimServer(const SimOptions& options = {});
  ~SimServer();
  SimServer(const SimServer&) = delete;
  SimServer& operator=(const SimServer&) = delete;

  // The host's end of the line, e.g. /dev/pts/7. Open it like a serial port.
  const std::string& Path() const { return path_; }

  // Everything printed so far, UTF-8.
  std::string Paper() const;
  void ClearPaper();

  // Faults (see Fault). For a condition, count > 0 sets and 0 clears it; for an
  // event, count > 0 makes it happen (0 undoes the fiscal-memory fill); for a
  // one-shot fault, it acts on the next `count` replies (0 cancels).
  void Inject(Fault fault, int count = 1);
  // Clears every condition and cancels every pending one-shot fault.
  void ClearFaults();
  // Keeps the device busy for `ms` from now (as while printing).
  void BusyFor(int ms);

  // Runs one control command (the language of fiscal-sim's standard input and
  // control socket, see ControlHelp) and returns its answer, one or more lines.
  std::string Control(const std::string& line);
  static std::string ControlHelp();

  // Runs `f` with the device while no frame is being served, e.g.
  //   int n = sim.WithDevice([](SimDevice& d) { return d.State().receiptNumber; });
  // Changes made through it are saved to the state file afterwards. `f` must
  // not call back into this SimServer (the lock is not recursive).
  template <class F>
  auto WithDevice(F f) {
    std::lock_guard<std::mutex> lock(mu_);
    struct SaveAfter {
      SimServer* s;
      ~SaveAfter() { s->SaveLocked(); }
    } save{this};
    return f(device_);
  }

  // The 32 status flags as the host decodes them.
  std::array<bool, 32> Flags();
  // Frames run so far (resends of the same frame included).
  int FrameCount() const { return frames_.load(); }
  // The commands run so far that change something (every command but the
  // reads), each as its command byte and data field (Windows-1251), in order:
  // what a host has written to the printer.
  struct Written {
    uint8_t cmd = 0;
    std::string data;
  };
  std::vector<Written> Writes() const;
  // The last problem writing the state file, "" when none.
  std::string StateError() const;

  // Moves the server's clock (busy times, the resend window, frame stalls)
  // `ms` forward, so that tests need not wait.
  void AdvanceClockForTesting(int64_t ms) { clockShiftMs_ += ms; }

 private:
  void Run();
  std::string OnFrame(uint8_t seq, uint8_t cmd, const std::string& data);
  std::string Encode(const SimDevice::Reply& r, uint8_t seq, uint8_t cmd);
  bool Busy();
  bool LineMatches();
  void Send(const std::string& bytes, bool garble);
  void SaveLocked();
  // Forgets the last frame when a host has opened the line since, and clears
  // the line's exclusive flag when a host has closed it.
  void NoteOpens();
  int64_t NowMs() const;

  SimOptions opt_;
  std::string path_;
  int master_ = -1;
  int slave_ = -1;  // held open so that the line survives the host's close
  int wake_[2] = {-1, -1};
  int opens_ = -1;  // inotify: opens and closes of the line, -1 when not watched
  std::thread thread_;
  std::atomic<bool> stop_{false};
  std::vector<Written> writes_;  // guarded by mu_
  std::atomic<int> frames_{0};
  std::atomic<int64_t> clockShiftMs_{0};

  mutable std::mutex mu_;
  SimDevice device_;
  std::string stateError_;
  // Conditions of the line.
  bool busy_ = false;
  bool noAnswer_ = false;
  int64_t busyUntilMs_ = 0;
  // Pending one-shot faults.
  int nack_ = 0, repeat_ = 0, badChecksum_ = 0, wrongSeq_ = 0, wrongCmd_ = 0, garbage_ = 0,
      zeroByte_ = 0, downloadCut_ = 0;
  // The last frame run that changed something, and its reply, for resends.
  bool haveLast_ = false;
  uint8_t lastSeq_ = 0, lastCmd_ = 0;
  std::string lastData_;
  SimDevice::Reply lastReply_;
  int64_t lastReplyMs_ = 0;  // when it was last answered, printing included
};
