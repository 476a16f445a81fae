#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "sim/device_state.h"

// Reading and writing the device's numbers. Money is in hundredths; in
// whole-number mode ('0') the printer reads and writes whole units.

// A decimal number that fills the whole text ("0000003.20", "-000012.50",
// "001000000", "1.5"). Nothing for an empty text, stray characters, or values
// beyond +-1e12.
std::optional<double> ParseNumber(const std::string& text);

// Money from a number of the wire in the given decimal mode.
std::optional<Money> ParseMoney(const std::string& text, char decimals);

// For the paper: "12.30" (two decimals) or "12" (whole numbers).
std::string MoneyText(Money m, char decimals);

// A reply field of `width` characters, zero-filled: "%0W.2f" or whole units.
std::string MoneyField(Money m, char decimals, int width = 11);

// Quantity in thousandths as "2.500".
std::string QuantityText(int64_t q);

// Percentage in hundredths as "-10.00".
std::string PercentText(int p);

// value * quantity / 1000 and value * percent / 10000, rounded half away from
// zero to the unit of the mode (whole units in whole-number mode).
Money Scale(Money value, int64_t quantity, char decimals);
Money Percent(Money value, int percent, char decimals);
// Rounds to the mode's unit.
Money RoundToMode(Money m, char decimals);
// The VAT contained in a sum that includes it, at `rate` hundredths of a per
// cent: sum * rate / (100 % + rate), rounded once, from the exact value, to
// the mode's unit.
Money VatIn(Money sum, int rate, char decimals);
// value * part / whole rounded half away from zero to the mode's unit (0 when
// whole is 0): one group's share of a subtotal adjustment.
Money ShareOf(Money value, Money part, Money whole, char decimals);
