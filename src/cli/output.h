#pragma once

#include <string>
#include <vector>

#include "cli/out_value.h"
#include "link/call_outcome.h"

// The record printed for one method call. `result` is the method's result in
// Windows-1251; `fields` are its decoded out-parameters (left out after a failure);
// `outcome` how the driver's call ended (null for methods that use no printer).

// One readable line: `Method result="..." name=value ...`, or `Method failed` for
// an empty result. A call that did not end done adds its end, and the message
// nobody was shown: `Method failed (out-of-range): ...`,
// `Method result="01" end=printer-refused message="..."`.
// No line break at the end.
std::string FormatReadable(const std::string& method, const std::string& result,
                           const std::vector<OutField>& fields,
                           const CallOutcome* outcome = nullptr);

// One JSON object on one line: method, ok (result non-empty and the call done),
// result (UTF-8), end (CallEndWord) and message when the call did not end done, and
// one member per out-parameter. No line break at the end.
std::string FormatJson(const std::string& method, const std::string& result,
                       const std::vector<OutField>& fields, const CallOutcome* outcome = nullptr);

// A JSON string literal (with quotes) of UTF-8 text; control characters escaped.
std::string JsonString(const std::string& utf8);
// A number as JSON: the shortest text that reads back as the same double;
// infinities and NaN as null.
std::string JsonNumber(double v);
// Escapes '\\', '"' and control characters (\n, \r, \t, \xNN) of a text that is
// written between double quotes on one line.
std::string QuoteLine(const std::string& utf8);
