#pragma once

#include <optional>
#include <string>

// What a value of a configuration must be for the printer to take it as it
// stands, checked the same way by the backup reader, the CSV reader and the
// restore's pre-flight. The limits are the driver's (driver/limits.h), here in
// the forms the tools compare with (money in cents).

// Widths of the printer's text fields, in Windows-1251 bytes.
int NameWidth();         // operator, department and article names
int PasswordWidth();     // operator passwords
int PaymentNameWidth();  // payment types 1..4
// The widest header line any printer has; a printer's own widths are read back.
int HeaderMaxWidth();
// The largest article price in a decimal mode ('2' two decimals, '0' whole
// numbers; 0 when the mode is not known: the larger of the two), in cents.
long long MaxPriceCents(char decimalMode);
// The largest tax rate, in hundredths of a percent, and the exchange rate limit.
int MaxRateHundredths();
double MaxExchangeRate();

// A money value as a whole number of cents, when it has at most two decimals;
// nothing when it would have to be rounded (1.234) or is not a finite value
// of at least 0.
std::optional<long long> ExactCents(double value);
// Whether `cents` can be written as it stands in `decimalMode`: whole units in
// the whole-number mode, and no more than the mode's largest price.
bool FitsDecimalMode(long long cents, char decimalMode);
// A price for people: "1.20" in two decimals, "1" or "1.20" (when it has a
// fraction) in whole numbers.
std::string PriceText(long long cents, char decimalMode);

enum class TextIssue {
  kOk,
  kNotPrintable,  // a character Windows-1251 has no byte for
  kControl,       // a line break, a tab or another control character
  kTooLong,
  kSemicolon,  // ';' separates the fields of the printer's commands
};

// Checks a UTF-8 text for a printer field of `width` bytes; `field` says the
// text travels in a ';'-separated command. On kOk `cp1251` holds its bytes.
TextIssue CheckText(const std::string& utf8, int width, bool field, std::string& cp1251);

// Whether the Windows-1251 bytes hold a control character (below 0x20, 0x7F).
bool HasControlCharacter(const std::string& bytes);

// A name or password as the printer keeps it: it pads its fields with spaces
// and gives them back without the trailing ones, so those are never held.
std::string StoredText(const std::string& cp1251);
// Whether a text is empty once the printer has trimmed it (only spaces).
bool BlankText(const std::string& cp1251);
// The character payment names are filled with: the printer removes every one
// of them when it gives the name back, so a name cannot hold it.
constexpr char kPaymentFill = '_';
// Decimals an exchange rate is written with.
constexpr int kExchangeDecimals = 5;
// Whether an exchange rate can be written as it stands (at most five decimals).
bool ExactExchangeRate(double rate);

// Whether the bytes are UTF-8 text.
bool IsUtf8(const std::string& bytes);
// A Latin letter that looks like one of the tax groups (A, B, E and their
// small forms look like Cyrillic А, В, Е): the message names it as Latin.
bool LatinLookalike(const std::string& utf8);
// Why a file's text cannot be read as UTF-8: "UTF-16" (a byte-order mark or
// zero bytes), "Windows-1251" (bytes that are not UTF-8), or "" when it is
// UTF-8.
std::string ForeignEncoding(const std::string& bytes);
