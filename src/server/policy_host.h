#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "link/ui_host.h"

class FiscalPrinter;

// How serious a message is. Clients see it as the text MessageTypeText gives.
enum class MessageType { kInfo, kWarning, kError };

// The protocol's word for a type: "info", "warning" or "error".
const char* MessageTypeText(MessageType type);

// One entry of a response's "messages": what the driver would have shown.
struct ServerMessage {
  MessageType type;
  std::string code;  // "link", "printer", "refused", "paper", "notice"
  std::string text;  // UTF-8, the driver's own text
};

// The state-changing answers a request may allow (all refused by default).
struct Corrections {
  bool zeroReports = false;   // zero reports that block the command
  bool closeReceipt = false;  // close a receipt left open (pays the rest in cash)
  bool setClock = false;      // set the clock to this computer's time when the status
                              // check asks; confirm moving it by two days or more
  bool zeroDayReport = false;  // answer "Да" to "Искате да направите Нулев ..."
};

// Answers the driver's prompts by a fixed policy instead of asking a person,
// and records every prompt as a message for the response:
//  - link faults (no answer, bad checksum, NACK, ...) are retried up to
//    `retries` times for each command, then cancelled (so the steps that
//    cancel a failed receipt get their own retries);
//  - printer refusals (ACK error codes) are cancelled;
//  - every prompt is told apart by the driver's PromptId, never by its words
//    or buttons; one without a name is refused;
//  - corrective actions (zeroing, closing a receipt, setting the clock) are
//    taken only when `corrections` allows them, otherwise cancelled. A chain
//    of zeroing the policy agreed to is answered to its end: the question
//    whether to print a report that holds nothing ("Нулев ... Отчет?"), which
//    the chain's reports ask, is answered yes too, so that it never stops
//    half-way with some reports printed and the request failed;
//  - a paper prompt is cancelled, a notice (OK only) is acknowledged.
// Never blocks. Used on the thread of one printer's worker only.
class PolicyHost : public UiHost {
 public:
  // Opens a second printer on the same line for setting the clock.
  using Opener = std::function<std::unique_ptr<FiscalPrinter>(UiHost*)>;

  PolicyHost(Corrections corrections, int retries, Opener opener);

  int ShowPrompt(const std::string& text, const std::string& caption, unsigned style,
                 int textStyle) override;
  int ShowPromptWithId(PromptId id, const std::string& text, const std::string& caption,
                       unsigned style, int textStyle) override;
  int RunDateTimeDialog(const PrinterLine& line) override;
  void CommandStarting() override { retriesLeft_ = retries_; }

  const std::vector<ServerMessage>& Messages() const { return messages_; }
  bool HasError() const;
  // Adds a message of the server's own (validation of a reply, a summary).
  void Add(MessageType type, const std::string& code, const std::string& text);

  // The reports the policy agreed to print to put the printer right
  // (zeroReports), in order ("daily Z report", "operator report", "article
  // report"). The first ReportsConfirmed() of them have printed: the driver
  // came back for the next step of the chain. The last one has printed when
  // the command the check ran for went out afterwards.
  const std::vector<std::string>& ReportsAgreed() const { return reports_; }
  size_t ReportsConfirmed() const { return confirmed_; }

 private:
  Corrections corrections_;
  int retries_;
  int retriesLeft_;
  Opener opener_;
  std::vector<ServerMessage> messages_;
  bool zeroing_ = false;  // a zeroing chain the policy agreed to is under way
  std::vector<std::string> reports_;
  size_t confirmed_ = 0;
};
