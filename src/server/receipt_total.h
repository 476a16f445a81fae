#pragma once

#include <string>

#include "server/requests.h"

// A receipt's total as the printer counts it: each sale's price times its
// quantity rounded to the printer's money unit, its discount or surcharge
// rounded the same way and added, the lines summed. `twoDecimals`: the printer
// counts in hundredths (its decimal mode); otherwise in whole units.
double ReceiptTotal(const ReceiptRequest& request, bool twoDecimals = true);

// Refuses (false, `error` naming the figures) a receipt whose payments cannot
// cover its total or that has a sale worth nothing after its discount: the
// printer would refuse it half-way and leave the receipt open.
bool CheckReceiptSums(const ReceiptRequest& request, std::string& error);

// True when two amounts differ by a unit of the printer's money or more.
bool AmountsDiffer(double a, double b, bool twoDecimals = true);
