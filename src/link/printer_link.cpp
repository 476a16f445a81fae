#include "link/printer_link.h"

#include <chrono>

#include "link/frame.h"
#include "link/link_errors.h"
#include "link/link_result.h"
#include "link/prompt_style.h"
#include "link/settings.h"

namespace {

using Clock = std::chrono::steady_clock;

int ElapsedMs(Clock::time_point start) {
  return static_cast<int>(
      std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count());
}

bool IsAbort(int choice) {
  return choice == Prompt::kResultCancel || choice == Prompt::kResultAbort;
}
bool IsRetry(int choice) {
  return choice == Prompt::kResultRetry;
}

// The smallest data reply's LEN: SEQ, CMD, no data, checksum and terminator.
constexpr int kMinReplyLength = 0x23;
// REPEATs answered by sending the frame again within one call.
constexpr int kMaxRepeats = 100;

}  // namespace

PrinterLink::PrinterLink(UiHost* owner, const PrinterLine& line)
    : owner_(owner), port_(line.port & 0xFF), baudRate_(line.baudRate), path_(line.path) {
  OpenWithRetry();
}

PrinterLink::~PrinterLink() = default;

int PrinterLink::OpenWithRetry() {
  connected_ = false;
  // A fresh port starts a fresh exchange: the printer expects block numbers
  // from the first one again, after Reconnect as after construction.
  sequence_ = Frame::kFirstSequence;
  int result;
  int choice;
  do {
    serialPort_.reset();
    serialPort_ = std::make_unique<SerialPort>(port_, path_, baudRate_, owner_);
    result = serialPort_->TakeError();
    choice = ReportLinkError(result);
  } while (IsRetry(choice));
  connected_ = result == LinkResult::kOk;
  return choice;
}

void PrinterLink::Disconnect() {
  serialPort_.reset();
  connected_ = false;
}

int PrinterLink::Reconnect() {
  return OpenWithRetry();
}

int PrinterLink::ShowPrompt(PromptId id, const std::string& text, const std::string& caption,
                            unsigned style, int textStyle) {
  lastPrompt_ = owner_ ? text : std::string();
  if (!owner_) return kPromptClosedResult;  // nobody to ask: as if the window had been closed
  return owner_->ShowPromptWithId(id, text, caption, style, textStyle);
}

int PrinterLink::ReportLinkError(int code) {
  const int sysErr = serialPort_ ? serialPort_->LastSystemError() : 0;
  const auto msg = LinkErrorMessage(code, port_, sysErr);
  if (!msg) return 0;
  return ShowPrompt(PromptId::kLinkFault, msg->text, msg->caption, msg->style, 1);
}

int PrinterLink::ReportCommandError(const std::string& code) {
  const auto msg = CommandErrorMessage(code);
  if (!msg) return 0;
  return ShowPrompt(PromptId::kPrinterError, msg->text, msg->caption, msg->style, 1);
}

std::string PrinterLink::EndOutOfRange(const std::string& what) {
  outcome_ = CallOutcome{CallEnd::kOutOfRange, {}, false, what};
  return std::string();
}

std::string PrinterLink::EndAfterPrompt(CallEnd end) {
  outcome_ = CallOutcome{end, {}, !lastPrompt_.empty(), lastPrompt_};
  return std::string();
}

std::string PrinterLink::ComputeChecksum(const std::string& body) {
  return Frame::Checksum(body);
}

bool PrinterLink::DrainInput() {
  // Stray bytes: read one at a time until the line has been quiet for the drain
  // time. A line that keeps talking is given up on after the reply time-out.
  const auto start = Clock::now();
  while (ElapsedMs(start) < timeouts_.reply) {
    serialPort_->Receive(1, timeouts_.drain);
    if (serialPort_->TakeError() != 0) return true;
  }
  return false;
}

int PrinterLink::CheckLink(int timeoutMs) {
  if (!serialPort_) return LinkResult::kSendNotOpen;
  SerialPort& sp = *serialPort_;
  const auto start = Clock::now();
  while (true) {
    sp.Send(std::string(1, static_cast<char>(Frame::kLinkProbe)));
    if (int e = sp.TakeError()) return e;
    const std::string echo = sp.Receive(1, timeouts_.probeEcho);
    const int e = sp.TakeError();
    if (e != 0 && e != LinkResult::kTimeout) return e;
    if (e == 0) {
      if (echo.size() == 1 && static_cast<uint8_t>(echo[0]) == Frame::kLinkProbe) break;
      // Something else is talking on the line; no echo came in time.
      if (!DrainInput()) return LinkResult::kNoAnswer;
    }
    if (ElapsedMs(start) >= timeoutMs) return LinkResult::kNoAnswer;
  }
  // An echo followed by endless bytes: whatever it is, it is not ready.
  if (!DrainInput()) return LinkResult::kBusy;
  sp.Send(std::string(1, static_cast<char>(Frame::kReadyProbe)));
  if (int e = sp.TakeError()) return e;
  const std::string ready = sp.Receive(1, timeouts_.readyEcho);
  const int e = sp.TakeError();
  if (e == LinkResult::kTimeout) return LinkResult::kBusy;
  if (e != 0) return e;
  if (ready.size() == 1 && static_cast<uint8_t>(ready[0]) == Frame::kReadyProbe)
    return LinkResult::kReady;
  DrainInput();
  return LinkResult::kBusy;
}

std::string PrinterLink::Transact(uint8_t cmd, const std::string& data) {
  lastWasAck_ = false;
  lastPrompt_.clear();
  if (!connected_ || !serialPort_) {
    // The failed opening was reported when it happened.
    outcome_ = CallOutcome{CallEnd::kLinkFailed, {}, owner_ != nullptr, "Портът не е отворен"};
    return std::string();
  }
  // The length byte holds at most 0xFF - 0x23 data bytes; a longer command
  // cannot be framed (it would wrap into a different length). The logo frame
  // has a fixed size of its own.
  const bool logo = cmd == Frame::kLogoCommand;
  if (logo ? data.size() != Frame::kLogoSize : data.size() > Frame::kMaxData) {
    ShowPrompt(PromptId::kCommandTooLong, "Командата е твърде дълга за един кадър", "Грешка",
               Prompt::kIconStop | Prompt::kOk, 1);
    return EndAfterPrompt(CallEnd::kOutOfRange);
  }

  if (owner_) owner_->CommandStarting();

  // What the user's answer to a reported failure means here.
  enum class Verdict { kCarry, kRetry, kAbort };
  const auto report = [this](int code) {
    const int choice = ReportLinkError(code);
    return IsAbort(choice) ? Verdict::kAbort : IsRetry(choice) ? Verdict::kRetry : Verdict::kCarry;
  };
  // Reports each failed check (a non-zero code) in order, until an abort or a retry.
  const auto check = [&](std::initializer_list<int> codes) {
    for (int code : codes) {
      if (code == 0) continue;
      const Verdict v = report(code);
      if (v != Verdict::kCarry) return v;
    }
    return Verdict::kCarry;
  };
  // Reads `count` bytes of the reply. Carry means they are all there. The port
  // ends its text at a zero byte and reports no error for a zero in the last
  // place, so a text one byte short without an error lost a 0x00 there: put it
  // back (a terminator may be any byte; a first byte of 0x00 is judged below
  // like any other). A failed read can only be retried, when the user asks,
  // or given up: there is nothing to go on with.
  const auto receive = [&](int count, std::string& out) {
    out = serialPort_->Receive(count, timeouts_.reply);
    const int e = serialPort_->TakeError();
    if (e == 0) {
      out.resize(static_cast<size_t>(count), '\0');
      return Verdict::kCarry;
    }
    return report(e) == Verdict::kRetry ? Verdict::kRetry : Verdict::kAbort;
  };
  const auto send = [&](const uint8_t* bytes, size_t count) {
    serialPort_->SendRaw(bytes, count);
    return report(serialPort_->TakeError());
  };

  int repeats = 0;  // never reset within one call
  while (true) {    // one attempt
    const auto attemptStart = Clock::now();
    int link;
    do {
      link = CheckLink(timeouts_.checkLink);
    } while (link != LinkResult::kReady && ElapsedMs(attemptStart) < timeouts_.linkSeries);
    Verdict v = report(link);
    if (v == Verdict::kAbort) return EndAfterPrompt(CallEnd::kLinkFailed);
    if (v == Verdict::kRetry) continue;

    while (true) {  // send the frame (again, after REPEAT) and read one reply
      const std::string head =
          logo ? Frame::BuildLogoHeader(sequence_) : Frame::BuildCommand(sequence_, cmd, data);
      v = send(reinterpret_cast<const uint8_t*>(head.data()), head.size());
      if (logo && v != Verdict::kRetry && v != Verdict::kAbort)
        v = send(reinterpret_cast<const uint8_t*>(data.data()), data.size());
      if (v != Verdict::kCarry) break;

      std::string first;
      if ((v = receive(1, first)) != Verdict::kCarry) break;

      const uint8_t start = static_cast<uint8_t>(first[0]);
      if (start == Frame::kStx) {
        std::string len, rest;
        if ((v = receive(1, len)) != Verdict::kCarry) break;
        const int lenByte = static_cast<uint8_t>(len[0]);
        if (lenByte < kMinReplyLength) {
          // Too short to hold SEQ, CMD, checksum and terminator: a corrupted
          // reply. Nothing trustworthy can be returned from it, so "Продължи"
          // gives up like "Отказ"; only "Повтори" sends the frame again.
          DrainInput();
          v = report(LinkResult::kStxChecksum) == Verdict::kRetry ? Verdict::kRetry
                                                                  : Verdict::kAbort;
          break;
        }
        if ((v = receive(lenByte - 0x1E, rest)) != Verdict::kCarry) break;
        const size_t n = rest.size();
        v = check({ComputeChecksum(len + rest.substr(0, n - 3)) == rest.substr(n - 3, 2)
                       ? 0
                       : LinkResult::kStxChecksum,
                   static_cast<uint8_t>(rest[0]) == sequence_ ? 0 : LinkResult::kStxSequence,
                   static_cast<uint8_t>(rest[1]) == cmd ? 0 : LinkResult::kStxCommand});
        if (v != Verdict::kCarry) break;
        sequence_ = Frame::NextSequence(sequence_);
        outcome_ = CallOutcome{};
        return rest.substr(2, n - 5);
      }
      if (start == Frame::kAck) {
        std::string rest;
        if ((v = receive(6, rest)) != Verdict::kCarry) break;
        v = check(
            {ComputeChecksum(rest.substr(0, 3)) == rest.substr(3, 2) ? 0 : LinkResult::kAckChecksum,
             static_cast<uint8_t>(rest[0]) == sequence_ ? 0 : LinkResult::kAckSequence});
        if (v != Verdict::kCarry) break;
        sequence_ = Frame::NextSequence(sequence_);
        const std::string code = rest.substr(1, 2);
        lastPrompt_.clear();
        const int choice = ReportCommandError(code);
        if (IsRetry(choice)) {
          v = Verdict::kRetry;
          break;
        }
        // The second character names the command's error ('0': none); the
        // first a condition of the printer the message also reports.
        const bool refused = code.size() < 2 || code[1] != '0';
        const bool told = !lastPrompt_.empty();
        if (IsAbort(choice)) {
          outcome_ = CallOutcome{refused ? CallEnd::kPrinterRefused : CallEnd::kCancelled, code,
                                 told, lastPrompt_};
          return std::string();
        }
        outcome_ = CallOutcome{refused && choice != 0 ? CallEnd::kPrinterRefused : CallEnd::kDone,
                               code, told, lastPrompt_};
        lastWasAck_ = true;
        return code;
      }
      // A REPEAT (up to kMaxRepeats in one call) sends the same frame again
      // with the same block number, and nothing else does without the user's
      // "Повтори": every resend may make the printer carry a command out twice.
      // A retry starts a new attempt, whose handshake clears the line first.
      if (start == Frame::kRepeat && ++repeats <= kMaxRepeats) continue;
      v = report(start == Frame::kRepeat ? LinkResult::kTooManyRepeats
                 : start == Frame::kNack ? LinkResult::kNack
                                         : LinkResult::kUnknownStart);
      if (v == Verdict::kCarry) v = Verdict::kAbort;  // nobody asked for it again
      break;
    }
    if (v == Verdict::kAbort) return EndAfterPrompt(CallEnd::kLinkFailed);
  }
}
