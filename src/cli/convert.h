#pragma once

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>

// Conversions of command-line arguments into the driver's argument types. Each
// returns nothing when the text is not acceptable; the caller names the argument
// in its usage message (ConversionError gives the reason in words).

// A whole integer: optional sign, then decimal digits or 0x/0X and hexadecimal
// digits. Nothing when anything else follows or the value is outside [min, max].
std::optional<int64_t> ParseInteger(const std::string& text, int64_t min, int64_t max);

// A finite decimal number with '.' as the decimal point (an exponent is allowed,
// "inf", "nan", hexadecimal and ',' are not).
std::optional<double> ParseDecimal(const std::string& text);

// "0" or "1".
std::optional<bool> ParseFlag(const std::string& text);

// A tax group: its index 0..7 or its letter А..З (Cyrillic, either case).
std::optional<int> ParseTaxGroup(const std::string& text);

// "DD-MM-YYYY HH:MM:SS" (a real calendar time, local) or "now" (`now` is used).
std::optional<std::time_t> ParseCliTime(const std::string& text, std::time_t now);

// "DD-MM-YYYY", the local time at 00:00 of that day.
std::optional<std::time_t> ParseCliDate(const std::string& text);

// UTF-8 text to Windows-1251 bytes; nothing when the text is not valid UTF-8 or
// holds a character that Windows-1251 has no byte for.
std::optional<std::string> ParseCliText(const std::string& text);

// One character that Windows-1251 can hold, as its byte.
std::optional<char> ParseCliChar(const std::string& text);

// A local calendar time as "DD-MM-YYYY HH:MM:SS" (the form ParseCliTime reads).
std::string FormatCliTime(std::time_t t);
