#pragma once

#include <cstdint>
#include <ctime>
#include <string>
#include <utility>
#include <vector>

#include "cli/out_value.h"

class FiscalPrinter;

// The methods fiscal-cli exposes: one row per driver method, with its arguments
// in the method's order (out-parameters are not given on the command line) and
// the code that calls it and decodes its out-parameters.

enum class ArgKind {
  kInteger,   // decimal or 0x-hexadecimal, within the row's range
  kDecimal,   // '.' as decimal point
  kFlag,      // 0 or 1
  kTaxGroup,  // 0..7 or А..З
  kTime,      // "DD-MM-YYYY HH:MM:SS" or now
  kDate,      // "DD-MM-YYYY"
  kText,      // UTF-8, sent as Windows-1251
  kChar,      // one character, sent as its Windows-1251 byte
  kPath,      // a file name, used as given
};

struct ArgSpec {
  const char* name;
  ArgKind kind;
  int64_t min = INT32_MIN;  // Integer only
  int64_t max = INT32_MAX;
};

// An argument after conversion; only the member of its kind is meaningful.
struct ArgValue {
  int64_t integer = 0;
  double decimal = 0;
  bool flag = false;
  std::time_t time = 0;
  std::string text;  // Text and Char: Windows-1251 bytes; Path: as given
};

// What an invoker works with: the printer (null for the rows that need none),
// the converted arguments and the out-parameters it decodes.
struct Invocation {
  FiscalPrinter* printer = nullptr;
  std::vector<ArgValue> args;
  std::vector<OutField> out;
  std::string error;  // a local failure (a file that cannot be opened), UTF-8

  int Int(size_t i) const { return static_cast<int>(args[i].integer); }
  double Dec(size_t i) const { return args[i].decimal; }
  bool Flag(size_t i) const { return args[i].flag; }
  const std::string& Text(size_t i) const { return args[i].text; }
  std::time_t Time(size_t i) const { return args[i].time; }
};

// Calls the method and returns its result (Windows-1251; empty = failed). Fills
// `out` only after a non-empty result.
using Invoker = std::string (*)(Invocation&);

struct MethodSpec {
  MethodSpec(std::string n, std::vector<ArgSpec> a, Invoker i, bool printer = true,
             std::vector<std::string> o = {})
      : name(std::move(n)),
        args(std::move(a)),
        invoke(i),
        needsPrinter(printer),
        outputs(std::move(o)) {}

  std::string name;   // SellItem
  std::string kebab;  // sell-item
  std::vector<ArgSpec> args;
  Invoker invoke;
  bool needsPrinter = true;
  // Names of the out-parameters, in output order (for --list).
  std::vector<std::string> outputs;
};

// Every exposed method, in a stable order.
const std::vector<MethodSpec>& Methods();

// The row whose name or kebab-case name is `name`, or null.
const MethodSpec* FindMethod(const std::string& name);

// SellItem -> sell-item, DownloadFMToFile -> download-fm-to-file.
std::string KebabCase(const std::string& name);

// One line per method for --list: kebab name, arguments and out-parameters.
std::string ListMethods();

// The words of an argument kind, for messages and --list ("integer", "tax group").
const char* ArgKindName(ArgKind kind);
