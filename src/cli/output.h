#pragma once

#include <string>
#include <vector>

#include "cli/out_value.h"

// The record printed for one method call. `result` is the method's result in
// Windows-1251; `fields` are its decoded out-parameters (left out after a failure).

// One readable line: `Method result="..." name=value ...`, or `Method failed` for
// an empty result. No line break at the end.
std::string FormatReadable(const std::string& method, const std::string& result,
                           const std::vector<OutField>& fields);

// One JSON object on one line: method, ok (result non-empty), result (UTF-8) and
// one member per out-parameter. No line break at the end.
std::string FormatJson(const std::string& method, const std::string& result,
                       const std::vector<OutField>& fields);

// A JSON string literal (with quotes) of UTF-8 text; control characters escaped.
std::string JsonString(const std::string& utf8);
// A number as JSON: the shortest text that reads back as the same double;
// infinities and NaN as null.
std::string JsonNumber(double v);
// Escapes '\\', '"' and control characters (\n, \r, \t, \xNN) of a text that is
// written between double quotes on one line.
std::string QuoteLine(const std::string& utf8);
