#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "server/receipt_rules.h"
#include "server/requests.h"

// A receipt counted as the printer will count it, before anything is sent, in
// whole units of the printer's money (hundredths in two-decimal mode, whole
// units otherwise), never in floating point:
//  - every amount goes to the printer as a field of the mode's decimals
//    ("%010.2f" or "%09.f"), a quantity with three ("*%010.3f") and a
//    percentage with two (",%06.2f%%"). A value with more decimals than its
//    field would be changed on the way (1.005 goes as 1.00, 0.004 % as 0), so
//    it is refused rather than guessed at;
//  - a line is its price times its quantity, rounded half away from zero to the
//    mode's unit; its discount or surcharge is that amount times the percentage,
//    rounded the same way, and added;
//  - a subtotal change is added where it stands; the printer takes none while
//    the subtotal is 0 and none that takes it below 0;
//  - payments go in the order given; one without an amount pays what the others
//    leave (left out when that is nothing). Only cash (the printer's type 0) may
//    pay more than is left, the rest being change; any other type is refused,
//    as is a payment after the total is paid (the printer refuses it and the
//    receipt stays open).
// Anything that would make the printer refuse a command half-way (a price
// above its maximum, a switched-off tax group, a total of 0 or above its
// receipt register) is refused too: a receipt is opened only when it can close.

struct ReceiptPlan {
  struct Payment {
    int type = 0;        // the printer's payment type 0..4
    int64_t amount = 0;  // in the mode's units
  };
  ReceiptRules rules;             // of the printer it was counted for
  int64_t total = 0;              // the receipt's total, in the mode's units
  std::vector<Payment> payments;  // as they will be sent; none given: the total in cash
};

// False with `error` (naming the item or payment and the figures) when the
// printer would not take the receipt as asked.
bool PlanReceipt(const ReceiptRequest& request, const ReceiptRules& rules, ReceiptPlan& plan,
                 std::string& error);

// The same, for the check alone.
bool CheckReceiptSums(const ReceiptRequest& request, const ReceiptRules& rules, std::string& error);

// What a sale line adds to its tax group, in the mode's units of `rules`: its
// price times its quantity with its discount or surcharge, rounded as the
// printer rounds. The line's figures are taken as they go onto the wire (the
// check above refuses any with more decimals than that).
int64_t SaleUnits(const RequestLine& line, const ReceiptRules& rules);

// `units` of the mode as the amount the driver takes (its field then carries
// exactly these digits).
double UnitsToAmount(int64_t units, const ReceiptRules& rules);
// "12.30" (two decimals) or "12".
std::string UnitsText(int64_t units, const ReceiptRules& rules);
// An amount the printer answered ("0000012.30") in the mode's units; the
// nearest unit.
int64_t AmountToUnits(double amount, const ReceiptRules& rules);
