#include "cli/cli_args.h"

#include <sstream>

#include "cli/convert.h"
#include "link/frame.h"
#include "link/settings.h"

namespace {

// Options that take a value.
bool TakesValue(const std::string& name) {
  return name == "--device" || name == "--com" || name == "--port" || name == "--baud" ||
         name == "--answers" || name == "--script" || name == "--record";
}

bool IsFlagOption(const std::string& name) {
  return name == "--json" || name == "--trace" || name == "--help" || name == "--list";
}

bool ParseComMapping(const std::string& mapping) {
  const size_t eq = mapping.find('=');
  if (eq == std::string::npos || eq + 1 >= mapping.size()) return false;
  return ParseInteger(mapping.substr(0, eq), 1, 255).has_value();
}

bool ParseAnswers(const std::string& list, std::deque<int>& answers, std::string& error) {
  std::string item;
  std::istringstream in(list);
  while (std::getline(in, item, ',')) {
    const auto v = ParseInteger(item, INT32_MIN, INT32_MAX);
    if (!v) {
      error = "--answers: \"" + item + "\" is not a number";
      return false;
    }
    answers.push_back(static_cast<int>(*v));
  }
  return true;
}

bool ApplyOption(const std::string& name, const std::string& value, CliOptions& o,
                 std::string& error) {
  if (name == "--device") {
    if (value.empty()) {
      error = "--device: the path is empty";
      return false;
    }
    o.device = value;
  } else if (name == "--com") {
    if (!ParseComMapping(value)) {
      error = "--com: \"" + value + "\" is not N=PATH with N from 1 to 255";
      return false;
    }
    o.comMappings.push_back(value);
  } else if (name == "--port") {
    const auto v = ParseInteger(value, 1, 255);
    if (!v) {
      error = "--port: \"" + value + "\" is not a port number from 1 to 255";
      return false;
    }
    o.port = static_cast<int>(*v);
  } else if (name == "--baud") {
    const auto v = ParseInteger(value, 1, INT32_MAX);
    if (!v || !IsSupportedBaudRate(static_cast<int>(*v))) {
      error = "--baud: \"" + value + "\" is not one of 9600, 19200, 38400, 57600, 115200";
      return false;
    }
    o.baud = static_cast<int>(*v);
  } else if (name == "--answers") {
    return ParseAnswers(value, o.answers, error);
  } else if (name == "--record") {
    if (value.empty()) {
      error = "--record: the file name is empty";
      return false;
    }
    o.record = value;
  } else if (name == "--script") {
    if (value.empty()) {
      error = "--script: the file name is empty";
      return false;
    }
    o.hasScript = true;
    o.script = value;
  }
  return true;
}

std::string Describe(const MethodSpec& m) {
  std::string s = m.kebab;
  for (const auto& a : m.args) s += std::string(" ") + a.name;
  return s;
}

bool ConvertArg(const ArgSpec& spec, const std::string& word, std::time_t now, ArgValue& v,
                std::string& why) {
  switch (spec.kind) {
    case ArgKind::kInteger:
      if (const auto n = ParseInteger(word, spec.min, spec.max)) {
        v.integer = *n;
        return true;
      }
      why = ParseInteger(word, INT64_MIN, INT64_MAX)
                ? "is out of range " + std::to_string(spec.min) + ".." + std::to_string(spec.max)
                : "is not an integer";
      return false;
    case ArgKind::kDecimal:
      if (const auto d = ParseDecimal(word)) {
        v.decimal = *d;
        return true;
      }
      why = "is not a number";
      return false;
    case ArgKind::kFlag:
      if (const auto f = ParseFlag(word)) {
        v.flag = *f;
        return true;
      }
      why = "is not 0 or 1";
      return false;
    case ArgKind::kTaxGroup:
      if (const auto g = ParseTaxGroup(word)) {
        v.integer = *g;
        return true;
      }
      why = "is not a tax group 0..7 or А..З";
      return false;
    case ArgKind::kTime:
      if (const auto t = ParseCliTime(word, now)) {
        v.time = *t;
        return true;
      }
      why = "is not a time DD-MM-YYYY HH:MM:SS or now";
      return false;
    case ArgKind::kDate:
      if (const auto t = ParseCliDate(word)) {
        v.time = *t;
        return true;
      }
      why = "is not a date DD-MM-YYYY";
      return false;
    case ArgKind::kText:
      if (const auto t = ParseCliText(word)) {
        v.text = *t;
        return true;
      }
      why = "has a character that Windows-1251 cannot hold";
      return false;
    case ArgKind::kChar:
      if (const auto c = ParseCliChar(word)) {
        v.text = std::string(1, *c);
        return true;
      }
      why = "is not one character that Windows-1251 can hold";
      return false;
    case ArgKind::kPath:
      if (!word.empty() && word.find('\0') == std::string::npos) {
        v.text = word;
        return true;
      }
      why = "is not a file name";
      return false;
  }
  return false;
}

}  // namespace

bool ParseOptions(const std::vector<std::string>& args, CliOptions& o, std::string& error) {
  size_t i = 0;
  for (; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--") {
      ++i;
      break;
    }
    if (a.size() < 2 || a[0] != '-' || a[1] != '-') break;  // METHOD
    const size_t eq = a.find('=');
    const std::string name = a.substr(0, eq);
    if (IsFlagOption(name)) {
      if (eq != std::string::npos) {
        error = name + " takes no value";
        return false;
      }
      o.json |= name == "--json";
      o.trace |= name == "--trace";
      o.help |= name == "--help";
      o.list |= name == "--list";
      continue;
    }
    if (!TakesValue(name)) {
      error = "unknown option " + name;
      return false;
    }
    std::string value;
    if (eq != std::string::npos) {
      value = a.substr(eq + 1);
    } else if (i + 1 < args.size()) {
      value = args[++i];
    } else {
      error = name + " needs a value";
      return false;
    }
    if (!ApplyOption(name, value, o, error)) return false;
  }
  o.command.assign(args.begin() + static_cast<std::ptrdiff_t>(i), args.end());
  if (o.help || o.list) return true;
  if (o.hasScript && !o.command.empty()) {
    error = "give either METHOD or --script, not both (\"" + o.command[0] + "\")";
    return false;
  }
  if (!o.hasScript && o.command.empty()) {
    error = "no METHOD given (see --help, --list)";
    return false;
  }
  return true;
}

bool BuildCall(const std::vector<std::string>& words, std::time_t now, CliCall& call,
               std::string& error) {
  if (words.empty()) {
    error = "no METHOD given";
    return false;
  }
  const MethodSpec* m = FindMethod(words[0]);
  if (!m) {
    error = "unknown method \"" + words[0] + "\" (see --list)";
    return false;
  }
  const size_t given = words.size() - 1;
  if (given != m->args.size()) {
    error = m->name + ": " + std::to_string(m->args.size()) + " argument" +
            (m->args.size() == 1 ? "" : "s") + " expected (" + Describe(*m) + "), " +
            std::to_string(given) + " given";
    return false;
  }
  call.method = m;
  call.args.assign(m->args.size(), ArgValue{});
  for (size_t i = 0; i < m->args.size(); ++i) {
    std::string why;
    if (!ConvertArg(m->args[i], words[i + 1], now, call.args[i], why)) {
      error = m->name + ": argument " + m->args[i].name + " \"" + words[i + 1] + "\" " + why;
      return false;
    }
  }
  // The logo frame carries exactly the logo's bytes and nothing else can stand in.
  if (m->name == "Transact" && call.args[0].integer == Frame::kLogoCommand &&
      call.args[1].text.size() != Frame::kLogoSize) {
    error = "Transact: argument data must be exactly " + std::to_string(Frame::kLogoSize) +
            " bytes for command 0x4c (use load-logo)";
    return false;
  }
  return true;
}

bool SplitScriptLine(const std::string& line, std::vector<std::string>& words, std::string& error) {
  words.clear();
  size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t' || line[i] == '\r')) ++i;
    if (i >= line.size()) break;
    std::string word;
    while (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '\r') {
      const char c = line[i];
      if (c == '"' || c == '\'') {
        const size_t open = i++;
        bool closed = false;
        while (i < line.size()) {
          if (line[i] == c) {
            closed = true;
            ++i;
            break;
          }
          if (c == '"' && line[i] == '\\' && i + 1 < line.size() &&
              (line[i + 1] == '"' || line[i + 1] == '\\')) {
            ++i;
          }
          word += line[i++];
        }
        if (!closed) {
          error = "unterminated quote at column " + std::to_string(open + 1);
          return false;
        }
      } else {
        word += c;
        ++i;
      }
    }
    words.push_back(word);
  }
  return true;
}

bool ParseScript(const std::string& text, std::time_t now, std::vector<CliCall>& calls,
                 std::string& error) {
  std::istringstream in(text);
  std::string line;
  int number = 0;
  while (std::getline(in, line)) {
    ++number;
    const size_t start = line.find_first_not_of(" \t\r");
    if (start == std::string::npos || line[start] == '#') continue;
    std::vector<std::string> words;
    std::string why;
    CliCall call;
    if (!SplitScriptLine(line, words, why) || !BuildCall(words, now, call, why)) {
      error = "script line " + std::to_string(number) + ": " + why;
      return false;
    }
    calls.push_back(std::move(call));
  }
  return true;
}

std::string UsageText() {
  return R"(Usage:
  fiscal-cli [OPTIONS] METHOD [ARG...]
  fiscal-cli [OPTIONS] --script FILE        FILE '-' is standard input
  fiscal-cli --list                          every method with its arguments
  fiscal-cli [OPTIONS] scan                  look for the printer on every port

Options:
  --device PATH     the port to open (serial device, symlink or pseudo-terminal)
  --com N=PATH      map COM N to PATH (repeatable)
  --port N          the COM number to use (default 1)
  --baud RATE       9600 (default), 19200, 38400, 57600 or 115200
  --answers LIST    comma-separated button results answering the prompts in order
  --json            one JSON object per method call
  --trace           every byte sent and received, on standard error
  --record FILE     write every byte of the session with its timing into FILE
                    (a text file fiscal-sim --replay plays back)
  --help            this text

METHOD is a driver method (SellItem) or its kebab-case form (sell-item).
Arguments: integers decimal or 0x-hex; decimals with '.'; booleans 0/1; tax
groups 0..7 or А..З; times "DD-MM-YYYY HH:MM:SS" or now; dates "DD-MM-YYYY";
texts in UTF-8. An operator is given as its number and password.

scan tries COM 1..8, every --com mapping and the serial devices the system
lists (/dev on Linux; on Windows COM10 and up too) at every speed, and prints per port the printer found or why not;
with --json one object. It uses no --port, --baud or --answers.

Exit status: 0 every method succeeded (scan: a printer was found); 1 a method
failed (or no connection; scan: none found); 2 usage error: a bad option or
argument, a value outside the printer's limits (that call sent nothing), or a
file that cannot be read or written (--script, --record, a method's file).
)";
}
