// The decimal-point mode and the printer's clock, and the two helpers through
// which the status check and the date reports wait for the printer and hand the
// port to the date and time dialog.
#include <chrono>
#include <cstdint>

#include "driver/commands.h"
#include "driver/fiscal_printer.h"
#include "driver/status_flags.h"
#include "driver/text.h"
#include "link/link_result.h"

namespace {

constexpr int kDialogCancelled = 2;

// A printer that keeps answering busy is given this long before the wait gives
// up; the next command then reports "busy" with the usual retry choice.
constexpr auto kBusyLimit = std::chrono::minutes(2);

}  // namespace

std::string FiscalPrinter::ReadDecimalPoint(char& mode) {
  StatusFlags flags{};
  if (CheckStatus(flags, Require::kFiscalMemory).empty()) return std::string();
  const std::string reply = Transact(Cmd::kReadDecimalPoint, "");
  // After "Продължи" the reply is the refusal's ACK code, not a mode.
  if (Done(reply)) mode = reply[0];
  return reply;
}

std::string FiscalPrinter::ReadDateTime(std::time_t& time) {
  StatusFlags flags{};
  if (CheckStatus(flags, Require::kFactoryNumbers | Require::kClock | Require::kFiscalMemory)
          .empty())
    return std::string();
  const std::string reply = Transact(Cmd::kReadDateTime, "");
  if (Done(reply)) time = ParseDateTime(reply);
  return reply;
}

bool FiscalPrinter::WaitUntilNotBusy() {
  const auto start = std::chrono::steady_clock::now();
  int answer = CheckLink(Timeouts().checkLink);
  while (answer == LinkResult::kBusy && std::chrono::steady_clock::now() - start <= kBusyLimit)
    answer = CheckLink(Timeouts().checkLink);
  return answer == LinkResult::kReady;
}

int FiscalPrinter::RunDateTimeDialogDetached() {
  Disconnect();
  const int result = Owner() ? Owner()->RunDateTimeDialog(Line()) : kDialogCancelled;
  Reconnect();
  // Without the port there is nothing left to check; treat it as a cancel.
  if (!IsConnected()) return kDialogCancelled;
  return result;
}
