#pragma once

#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

#include "server/netfp_payments.h"
#include "server/policy_host.h"
#include "server/requests.h"

class FiscalPrinter;

// Putting right a receipt that was interrupted (the printer stopped answering,
// ran out of paper, the server was killed): what was sold is voided and the
// receipt closed while no payment has been made, or, once payment has started,
// exactly the rest is paid in the payment types the client sent and the receipt
// closed. Lines that were not sold are never booked, and nothing is paid in
// cash that the client did not pay in cash.

// A discount (negative) or surcharge by amount on the subtotal, sent once
// `afterSales` sales were registered.
struct SubtotalChange {
  int afterSales = 0;
  double amount = 0;
};

// What a receipt asked for and where the printer stood before it was opened:
// enough to settle it later, kept in the sale journal's started line.
struct SettlePlan {
  std::vector<RequestLine> sales;            // the sale lines in the order sent
  std::vector<SubtotalChange> changes;       // on the subtotal, in the order sent
  bool changesKnown = true;                  // false: a plan of an older version, which kept none
  std::vector<ReceiptPaymentLine> payments;  // as sent (none: all in cash)
  double total = 0;  // the receipt's total as the printer counts it (set from PlanReceipt)
  // Read from the printer just before the receipt was opened. Without them
  // the receipt was never opened (a plan is saved again with them first).
  std::optional<int> receiptBefore;      // the last document number (its four digits)
  std::optional<double> dayTotalBefore;  // the day's turnover over all tax groups
  // The open command was sent for it (known while the request runs; from the
  // journal: the figures were saved).
  bool opened = false;
  int soldKnown = 0;  // sales the printer acknowledged while the request ran (not saved)
  // An earlier attempt changed the subtotal and the receipt still could not be
  // closed: later attempts only void and close, so that retries print no
  // further discounts and surcharges (not saved: a restart tries once more).
  bool changesFailed = false;
};

SettlePlan PlanOf(const ReceiptRequest& request);
// {"sales":[…],"subtotalChanges":[{"afterSales":…,"amount":…}],"payments":[…],"total":…,
//  "receiptBefore":…,"dayTotalBefore":…}; texts UTF-8.
nlohmann::json PlanToJson(const SettlePlan& plan);
// Nothing when `j` is not such an object (an older journal line has none). A
// plan without "subtotalChanges" (an older version's) has changesKnown false.
std::optional<SettlePlan> PlanFromJson(const nlohmann::json& j);

// Reads the last document number and the day's turnover. False when the
// printer did not tell them: the receipt must not be opened then.
bool ReadFiguresBefore(FiscalPrinter& printer, PolicyHost& host, SettlePlan& plan);

enum class Settled {
  kNothingPrinted,  // no receipt of this sale reached the printer, or only an empty one
  kCancelled,       // the sales were voided and the receipt closed: nothing sold
  kCompleted,       // the receipt is closed and paid in full
  kNotNow,          // the printer does not answer or has no paper: try again later
  kCannot,          // a receipt stays open that cannot be put right here
  kUnknown,         // nothing is open, but whether the receipt printed cannot be told
};

struct SettleResult {
  Settled how = Settled::kNotNow;
  std::string words;             // what was done, or why not (English)
  int voided = 0;                // sales voided now
  int payments = 0;              // payments made now
  bool subtotalChanged = false;  // a discount or surcharge was made on the subtotal now
  double paid = 0;               // paid now
  // kCompleted: the receipt as the printer tells it.
  int receiptNumber = 0;
  double amount = 0;
  std::string time;  // "YYYY-MM-DDTHH:MM:SS", the printer's clock
  std::string fiscalMemorySerialNumber;
};

// Settles the receipt of `plan` on `printer`: with a fiscal receipt open,
// voids and closes or pays the rest and closes; before the voids, a discount
// on the subtotal is taken back by a surcharge of the same amount (the printer
// voids no sale that would take its tax group below zero), and what rounding
// leaves over once every sale is voided is taken off, so that the receipt
// closes with nothing in the day's registers; with none open, tells from
// the document number and the day's turnover whether it printed. `names`
// names the payment types in the words. A plan without the figures before
// opening never opened a receipt: one found open is another's and is left alone.
SettleResult SettleReceipt(FiscalPrinter& printer, PolicyHost& host, const SettlePlan& plan,
                           const PaymentTypeMap& names);

// True for the outcomes after which the printer can take a new sale.
bool SettledFree(Settled how);
const char* SettledName(Settled how);  // "nothingPrinted", "cancelled", ...
