// fiscal-cli's command line and script parser.
//
// Invariants: a rejected line always says why; an accepted script yields one
// call per command line, each naming a method.
#include <cstdint>
#include <vector>

#include "cli/cli_args.h"
#include "fuzz/fuzz_input.h"
#include "fuzz/require.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzInput in(data, size);
  const uint8_t mode = in.Byte();
  const std::string text = in.Rest();
  std::string error;
  if (mode & 1) {
    // Words of a command line, split at zero bytes.
    std::vector<std::string> args;
    size_t from = 0;
    for (size_t i = 0; i <= text.size(); ++i) {
      if (i == text.size() || text[i] == '\0') {
        args.push_back(text.substr(from, i - from));
        from = i + 1;
      }
    }
    CliOptions options;
    if (!ParseOptions(args, options, error)) Require(!error.empty(), "options refused silently");
    CliCall call;
    error.clear();
    if (BuildCall(args, 1700000000, call, error))
      Require(call.method != nullptr, "call without a method");
    else
      Require(!error.empty(), "call refused silently");
  } else {
    std::vector<std::string> words;
    if (!SplitScriptLine(text, words, error)) Require(!error.empty(), "line refused silently");
    std::vector<CliCall> calls;
    error.clear();
    if (ParseScript(text, 1700000000, calls, error)) {
      for (const CliCall& c : calls) Require(c.method != nullptr, "script call without a method");
    } else {
      Require(!error.empty(), "script refused silently");
    }
  }
  return 0;
}
