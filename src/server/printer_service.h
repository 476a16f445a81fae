#pragma once

#include <nlohmann/json.hpp>

#include "driver/records.h"
#include "server/netfp_payments.h"
#include "server/policy_host.h"
#include "server/receipt_recovery.h"
#include "server/receipt_total.h"
#include "server/requests.h"

class FiscalPrinter;

// The work of each request on an open printer. Results are JSON members of the
// response; what the printer said goes into the host's messages.

// "version" and "factoryNumbers" ({"printer","memory"} as the printer shows
// them); members left out when the printer does not answer.
nlohmann::json ReadPrinterInfo(FiscalPrinter& printer);

// The 32 flags by name, with "errors" and "warnings" listing the set flags that
// stop sales or need attention; "ok" when no error flag is set.
nlohmann::json StatusToJson(const StatusFlags& flags);

// What became of a receipt request on the printer.
struct SaleOutcome {
  bool ok = false;      // closed as asked
  bool opened = false;  // a fiscal receipt was opened (paper used)
  int sold = 0;         // sales registered
  int voided = 0;       // sales voided again after a failure
  int payments = 0;     // payments registered
  // "closed", "cancelled" (voided and closed), "open", "none", "unknown" (nothing
  // open, but whether it printed cannot be told)
  std::string state = "none";
  // Left open (or maybe open) because the printer stopped answering or ran out
  // of paper: to be settled as soon as it answers (see ReceiptSettler).
  bool interrupted = false;
  double amount = 0;  // the receipt's total
  int receiptNumber = 0;
  std::string time;  // "YYYY-MM-DDTHH:MM:SS", the printer's clock to the second
  std::string fiscalMemorySerialNumber;
};

// Whether a driver call succeeded: a non-empty result of a call that ended done
// (a refusal passed over or SetDateTime's "BP" is not success). An end nobody
// was told about (an argument outside the printer's range, such as a deposit
// above its maximum) gets its message into `host` here; the other ends reached
// the host as prompts when they happened.
bool CallSucceeded(const FiscalPrinter& printer, PolicyHost& host, const std::string& result);
// The same for a call whose text may be empty when done (a raw command's data
// reply): the driver's outcome alone decides.
bool CallEndedDone(const FiscalPrinter& printer, PolicyHost& host);

// Checks that every department sold in has the line's tax group (nothing is
// opened otherwise), opens a fiscal receipt, registers the lines in order
// (sales, comments, discounts and surcharges on the subtotal), compares the
// printer's subtotal with `money` (PlanReceipt of the request on this
// printer), then sends its payments, then
// the footer comments, closes it and reads its number, time and the fiscal
// memory's serial number (`memorySerialNumber` when the caller knows it for
// the printer on this link; read otherwise). A failure after the receipt was
// opened (or when the open command's answer was lost) settles it at once
// (SettleReceipt with `plan`, what the journal keeps for settling): voided and
// closed before payment, the rest paid in the client's payment types after;
// when the printer cannot be reached or has no paper the outcome is
// `interrupted`. `names` names payment types in the messages.
SaleOutcome RunReceipt(FiscalPrinter& printer, PolicyHost& host, const ReceiptRequest& request,
                       const OperatorRecord& op, const ReceiptPlan& money, SettlePlan plan,
                       const PaymentTypeMap& names, const std::string& memorySerialNumber = "");

nlohmann::json OutcomeToJson(const SaleOutcome& outcome);

// The receipt number as the printer tells it to the host: its last four
// digits ("0085").
std::string ReceiptNumberText(int number);
