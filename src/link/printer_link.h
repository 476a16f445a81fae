#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "link/call_outcome.h"
#include "link/serial_port.h"
#include "link/settings.h"
#include "link/ui_host.h"

// Time-outs of the link, in milliseconds. The defaults are the protocol's; the
// port scan and tests pass shorter ones through PrinterLink::SetTimeouts.
struct LinkTimeouts {
  int checkLink = 2000;   // one CheckLink call inside an attempt
  int linkSeries = 3000;  // series of link checks in one attempt
  int reply = 3000;       // each part of a reply
  int probeEcho = 3;      // echo of 0x04
  int drain = 25;         // draining stray bytes
  int readyEcho = 50;     // answer to 0x05
};

// The core of FiscalPrinter: owns the port for one action, performs the
// readiness handshake, frames commands, numbers blocks and checks replies.
// Every failure is reported to the user through the UI host at once, and the
// user's choice decides: 2 or 3 abort, 4 retry, anything else carries on.
//
// Lifetime: one object per user action. It owns its SerialPort; block numbers
// start at 0x20 with each object. Not thread-safe; never throws.
class PrinterLink {
 public:
  // Opens `line` (its COM number's low 8 bits name it), offering "Повтори" and
  // "Отказ" while the open fails. `owner` may be null only in code that never
  // meets a failure (it then answers every prompt with 2). The line is the
  // caller's: the link reads no process-wide port or speed (a COM number alone
  // is that port at the factory speed, PrinterLine's default).
  PrinterLink(UiHost* owner, const PrinterLine& line);
  virtual ~PrinterLink();

  PrinterLink(const PrinterLink&) = delete;
  PrinterLink& operator=(const PrinterLink&) = delete;

  bool IsConnected() const { return connected_; }

  // Sends one command and returns the DATA of a data reply, the two-character
  // code of an ACK, or "" after any failure or abort (already shown to the user).
  // Command 'L' (0x4C) is the logo frame: `data` must hold the 3902 logo bytes.
  // The frame goes out again only after a REPEAT (at most 100 in one call) or
  // when the user answers "Повтори" to a shown message; the last byte of a
  // reply (its terminator) may have any value.
  std::string Transact(uint8_t cmd, const std::string& data);

  // Readiness handshake. Returns 51 ready, 50 busy, 52 no answer within
  // `timeoutMs`, or a SerialPort error code. Stray bytes are drained, for at
  // most the reply time-out each time: a line that keeps talking before the
  // echo of 0x04 gives 52, after it 50.
  int CheckLink(int timeoutMs);

  // Releases the port (for a dialog that opens its own driver on it).
  void Disconnect();
  // Reopens the port at the speed this object was first opened with, offering
  // retry like the constructor, and starts again at block number 0x20. Returns
  // the last user choice (0 when it opened).
  int Reconnect();

  // Shows a prompt through the UI host; returns the pressed button's result.
  // Texts are UTF-8; an empty caption means the application's name. Every
  // prompt is named (prompt_id.h): a host answering without a person decides by it.
  int ShowPrompt(PromptId id, const std::string& text, const std::string& caption, unsigned style,
                 int textStyle = 1);
  // Shows the message of a LinkResult code; 0 (nothing shown) for codes without one.
  int ReportLinkError(int code);
  // Shows the message of a printer's two-character ACK code; 0 when it has none.
  int ReportCommandError(const std::string& code);

  static std::string ComputeChecksum(const std::string& body);

  // True when the last text Transact returned was an ACK's error code rather
  // than the data of a reply (a refusal the user chose to pass over looks like
  // a short reply otherwise).
  bool LastReplyWasAck() const { return lastWasAck_; }

  // How the last call ended (call_outcome.h). Transact sets it on every return;
  // the driver's methods set it where they end a call themselves, so after any
  // method of FiscalPrinter it describes that method's result.
  const CallOutcome& LastOutcome() const { return outcome_; }
  // Whether the method that returned `result` did what it was asked: CallDone
  // on that result and LastOutcome(). Call it right after the method, as
  // `printer.Done(printer.Method(...))`: a refusal passed over with "Продължи"
  // is a non-empty result that is not done.
  bool Done(const std::string& result) const { return CallDone(result, outcome_); }
  // For the driver's methods. Each records the end and returns "".
  // An argument outside its range: nothing sent, nobody told; `what` (UTF-8)
  // says what is wrong, for callers that tell the user themselves.
  std::string EndOutOfRange(const std::string& what);
  // Ends the call after the prompt just shown (its text becomes the message).
  std::string EndAfterPrompt(CallEnd end);

  UiHost* Owner() const { return owner_; }
  int Port() const { return port_; }
  int BaudRate() const { return baudRate_; }
  // The line this object was opened on (a dialog the driver runs on the same
  // printer opens its own driver on it).
  PrinterLine Line() const { return PrinterLine{port_, baudRate_, path_}; }
  uint8_t Sequence() const { return sequence_; }
  // The open port, or null when disconnected (the report download reads from it).
  SerialPort* Serial() const { return serialPort_.get(); }

  void SetTimeouts(const LinkTimeouts& t) { timeouts_ = t; }
  const LinkTimeouts& Timeouts() const { return timeouts_; }

 private:
  int OpenWithRetry();
  // Reads and drops stray bytes until the line is quiet for the drain time.
  // False when it kept talking for the whole reply time-out.
  bool DrainInput();

  bool connected_ = false;
  UiHost* owner_;
  int port_;
  int baudRate_;
  std::string path_;  // "" = PortMap's path for port_
  uint8_t sequence_ = 0x20;
  bool lastWasAck_ = false;
  CallOutcome outcome_;
  std::string lastPrompt_;  // the text of the last prompt shown
  std::unique_ptr<SerialPort> serialPort_;
  LinkTimeouts timeouts_;
};
