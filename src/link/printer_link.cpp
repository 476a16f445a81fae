#include "link/printer_link.h"

#include <chrono>

#include "link/frame.h"
#include "link/link_errors.h"
#include "link/link_result.h"
#include "link/settings.h"

namespace {

using Clock = std::chrono::steady_clock;

int ElapsedMs(Clock::time_point start) {
  return static_cast<int>(
      std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count());
}

bool IsAbort(int choice) {
  return choice == 2 || choice == 3;
}
bool IsRetry(int choice) {
  return choice == 4;
}

}  // namespace

PrinterLink::PrinterLink(UiHost* owner, int port)
    : owner_(owner), port_(port & 0xFF), baudRate_(CurrentBaudRate) {
  OpenWithRetry();
}

PrinterLink::~PrinterLink() = default;

int PrinterLink::OpenWithRetry() {
  connected_ = false;
  int result;
  int choice;
  do {
    serialPort_.reset();
    serialPort_ = std::make_unique<SerialPort>(port_, baudRate_, 0, 0, 8, owner_);
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

int PrinterLink::ShowPrompt(const std::string& text, const std::string& caption, unsigned style,
                            int textStyle) {
  if (!owner_) return 2;  // nobody to ask: as if the window had been closed
  return owner_->ShowPrompt(text, caption, style, textStyle);
}

int PrinterLink::ReportLinkError(int code) {
  const int sysErr = serialPort_ ? serialPort_->LastSystemError() : 0;
  const auto msg = LinkErrorMessage(code, port_, sysErr);
  if (!msg) return 0;
  return ShowPrompt(msg->text, msg->caption, msg->style, 1);
}

int PrinterLink::ReportCommandError(const std::string& code) {
  const auto msg = CommandErrorMessage(code);
  if (!msg) return 0;
  return ShowPrompt(msg->text, msg->caption, msg->style, 1);
}

std::string PrinterLink::ComputeChecksum(const std::string& body) {
  return Frame::Checksum(body);
}

void PrinterLink::DrainInput() {
  // Stray bytes: read one at a time until the line has been quiet for a while.
  while (true) {
    serialPort_->Receive(1, timeouts_.drain);
    if (serialPort_->TakeError() != 0) return;
  }
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
      DrainInput();
    }
    if (ElapsedMs(start) >= timeoutMs) return LinkResult::kNoAnswer;
  }
  DrainInput();
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
  if (!connected_ || !serialPort_) return std::string();
  // The length byte holds at most 0xFF - 0x23 data bytes; a longer command
  // cannot be framed (it would wrap into a different length). The logo frame
  // has a fixed size of its own.
  if (cmd == Frame::kLogoCommand ? data.size() != Frame::kLogoSize
                                 : data.size() > Frame::kMaxData) {
    ShowPrompt("Командата е твърде дълга за един кадър", "Грешка", 0x10, 1);
    return std::string();
  }
  int repeats = 0;  // never reset within one call

  // Reads `count` bytes of the reply. Returns false when the user aborted
  // (`abort` set) or asked to retry / the bytes are missing (`retry` set).
  auto receive = [&](int count, std::string& out, bool& abort, bool& retry) {
    out = serialPort_->Receive(count, timeouts_.reply);
    const int e = serialPort_->TakeError();
    if (e == 0 && static_cast<int>(out.size()) == count) return true;
    const int choice = ReportLinkError(e);
    if (IsAbort(choice)) {
      abort = true;
    } else {
      retry = true;  // "Повтори", or the bytes are simply not there to go on with
    }
    return false;
  };

  while (true) {  // one attempt
    bool retry = false;
    const auto attemptStart = Clock::now();
    int link;
    do {
      link = CheckLink(timeouts_.checkLink);
    } while (link != LinkResult::kReady && ElapsedMs(attemptStart) < timeouts_.linkSeries);
    int choice = ReportLinkError(link);
    if (IsAbort(choice)) return std::string();
    if (IsRetry(choice)) continue;

    bool newAttempt = false;
    while (true) {  // send the frame (again, after REPEAT) and read one reply
      const std::string current =
          cmd == Frame::kLogoCommand ? std::string() : Frame::BuildCommand(sequence_, cmd, data);
      if (cmd == Frame::kLogoCommand) {
        serialPort_->Send(Frame::BuildLogoHeader(sequence_));
        choice = ReportLinkError(serialPort_->TakeError());
        if (IsAbort(choice)) return std::string();
        if (IsRetry(choice)) retry = true;
        if (!retry) {
          serialPort_->SendRaw(reinterpret_cast<const uint8_t*>(data.data()), data.size());
          choice = ReportLinkError(serialPort_->TakeError());
          if (IsAbort(choice)) return std::string();
          if (IsRetry(choice)) retry = true;
        }
      } else {
        serialPort_->Send(current);
        choice = ReportLinkError(serialPort_->TakeError());
        if (IsAbort(choice)) return std::string();
        if (IsRetry(choice)) retry = true;
      }
      if (retry) {
        newAttempt = true;
        break;
      }

      std::string first;
      bool abort = false;
      if (!receive(1, first, abort, retry)) {
        if (abort) return std::string();
        newAttempt = true;
        break;
      }

      const uint8_t start = static_cast<uint8_t>(first[0]);
      if (start == Frame::kStx) {
        std::string len, rest;
        if (receive(1, len, abort, retry)) {
          const int lenByte = static_cast<uint8_t>(len[0]);
          if (lenByte < 0x23) {
            // Too short to hold SEQ, CMD, checksum and terminator: a corrupted
            // reply. Nothing trustworthy can be returned from it.
            DrainInput();
            choice = ReportLinkError(LinkResult::kStxChecksum);
            if (IsAbort(choice)) return std::string();
            retry = true;
          } else if (receive(lenByte - 0x1E, rest, abort, retry)) {
            const size_t n = rest.size();
            const std::string body = len + rest.substr(0, n - 3);
            const int checks[3] = {
                ComputeChecksum(body) == rest.substr(n - 3, 2) ? 0 : LinkResult::kStxChecksum,
                static_cast<uint8_t>(rest[0]) == sequence_ ? 0 : LinkResult::kStxSequence,
                static_cast<uint8_t>(rest[1]) == cmd ? 0 : LinkResult::kStxCommand};
            bool accepted = true;
            for (int code : checks) {
              if (code == 0) continue;
              choice = ReportLinkError(code);
              if (IsAbort(choice)) return std::string();
              if (IsRetry(choice)) {
                retry = true;
                accepted = false;
                break;
              }
            }
            if (accepted) {
              sequence_ = Frame::NextSequence(sequence_);
              return rest.substr(2, n - 5);
            }
          }
        }
        if (abort) return std::string();
      } else if (start == Frame::kAck) {
        std::string rest;
        if (receive(6, rest, abort, retry)) {
          const int checks[2] = {
              ComputeChecksum(rest.substr(0, 3)) == rest.substr(3, 2) ? 0
                                                                      : LinkResult::kAckChecksum,
              static_cast<uint8_t>(rest[0]) == sequence_ ? 0 : LinkResult::kAckSequence};
          bool accepted = true;
          for (int code : checks) {
            if (code == 0) continue;
            choice = ReportLinkError(code);
            if (IsAbort(choice)) return std::string();
            if (IsRetry(choice)) {
              retry = true;
              accepted = false;
              break;
            }
          }
          if (accepted) {
            sequence_ = Frame::NextSequence(sequence_);
            const std::string code = rest.substr(1, 2);
            choice = ReportCommandError(code);
            if (IsAbort(choice)) return std::string();
            if (!IsRetry(choice)) {
              lastWasAck_ = true;
              return code;
            }
            retry = true;
          }
        }
        if (abort) return std::string();
      } else if (start == Frame::kRepeat) {
        if (++repeats > 100) {
          choice = ReportLinkError(LinkResult::kTooManyRepeats);
          if (IsAbort(choice)) return std::string();
          if (IsRetry(choice)) retry = true;
        }
      } else {
        choice =
            ReportLinkError(start == Frame::kNack ? LinkResult::kNack : LinkResult::kUnknownStart);
        if (IsAbort(choice)) return std::string();
        if (IsRetry(choice)) retry = true;
      }

      // After a REPEAT (ever, in this call) the same frame goes out again with
      // the same block number. A retry starts a new attempt instead: sending the
      // frame once more first, with nobody reading its reply, could make a
      // printer register the same sale twice.
      if (repeats != 0 && !retry) continue;
      newAttempt = retry;
      break;
    }
    if (!newAttempt) return std::string();
  }
}
