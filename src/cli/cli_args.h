#pragma once

#include <deque>
#include <string>
#include <vector>

#include "cli/methods.h"

// The command line of fiscal-cli:
//   fiscal-cli [OPTIONS] METHOD [ARG...]
//   fiscal-cli [OPTIONS] --script FILE        FILE '-' is standard input
//   fiscal-cli --list
//   fiscal-cli [OPTIONS] scan                 look for the printer on every port
// Options come before METHOD (everything after it is an argument, so negative
// numbers need no quoting); "--name=value" and "--name value" are both accepted.
struct CliOptions {
  std::string device;                    // --device PATH, empty if not given
  std::vector<std::string> comMappings;  // --com N=PATH, checked, in order
  int port = 1;                          // --port N
  int baud = 9600;                       // --baud RATE
  std::deque<int> answers;               // --answers LIST
  bool json = false;
  bool trace = false;
  std::string record;  // --record FILE: every byte of the session, "" if not given
  bool help = false;
  bool list = false;
  bool hasScript = false;
  std::string script;                // --script FILE
  std::vector<std::string> command;  // METHOD ARG...
};

// Parses the options. Returns false with a one-line message naming the bad
// option when the line is not acceptable (unknown option, missing or bad value,
// both METHOD and --script, neither).
bool ParseOptions(const std::vector<std::string>& args, CliOptions& options, std::string& error);

// One method call, its arguments converted.
struct CliCall {
  const MethodSpec* method = nullptr;
  std::vector<ArgValue> args;
};

// Resolves METHOD and converts its arguments. `now` is the time `now` stands for.
// Returns false with a message naming the method and the bad argument.
bool BuildCall(const std::vector<std::string>& words, std::time_t now, CliCall& call,
               std::string& error);

// Splits one script line into words: blanks separate them; "..." and '...' keep
// blanks in one word; inside "...", \" and \\ stand for " and \. Returns false
// with a message for an unterminated quote.
bool SplitScriptLine(const std::string& line, std::vector<std::string>& words, std::string& error);

// The calls of a script: blank lines and lines starting with '#' skipped. A bad
// line fails the whole script (nothing runs), with its line number in the message.
bool ParseScript(const std::string& text, std::time_t now, std::vector<CliCall>& calls,
                 std::string& error);

// The text of --help.
std::string UsageText();
