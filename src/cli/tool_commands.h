#pragma once

#include <string>
#include <vector>

#include "cli/run_cli.h"
#include "link/ui_host.h"

// fiscal-cli's whole-table commands, beside the driver's methods:
//   backup FILE                       the printer's programming into a JSON file
//   restore FILE [--dry-run] [--include-fiscal] [--password PASS]
//   export-articles FILE, import-articles FILE (departments, operators alike)
// They run on the printer that --device/--port name, with the same prompts and
// exit statuses as the methods (0 done, 1 failed or incomplete, 2 usage error
// or a file that cannot be used: nothing sent).

// Whether `name` is one of these commands.
bool IsToolCommand(const std::string& name);

// Checks the arguments of `words` (the command and its arguments); false with a
// one-line message when they are not acceptable.
bool CheckToolArguments(const std::vector<std::string>& words, std::string& error);

// Runs the command. The port settings (CurrentPort, PortMap) are in place;
// prompts go to `ui`. `progressLine` writes a progress line on env.err that
// rewrites itself (for a terminal).
int RunToolCommand(const std::vector<std::string>& words, CliEnvironment& env, UiHost& ui,
                   bool progressLine);

// The lines of --help for these commands.
std::string ToolUsageText();
