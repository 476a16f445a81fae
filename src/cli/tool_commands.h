#pragma once

#include <string>
#include <vector>

#include "cli/run_cli.h"
#include "link/ui_host.h"

// fiscal-cli's whole-table commands, beside the driver's methods (ToolUsageText
// lists their options): backup, restore, diff, export-* and import-* of the
// articles, departments and operators. They run the shared jobs of
// tools/config_jobs.h on the printer that --device/--port name, with the same
// prompts as the methods. Exit statuses: 0 done, 1 failed, incomplete,
// interrupted, or a restore whose only differences are fiscal settings left
// alone (diff: the files differ), 2 usage error, a file that cannot be used or
// values the printer would refuse (nothing sent).

// Whether `name` is one of these commands.
bool IsToolCommand(const std::string& name);

// Checks the arguments of `words` (the command and its arguments); false with a
// one-line message when they are not acceptable.
bool CheckToolArguments(const std::vector<std::string>& words, std::string& error);

// Runs the command on the printer on `line` (PortMap is in place); prompts go
// to `ui`. `progressLine` writes a progress line on env.err that
// rewrites itself (for a terminal); `json` prints one JSON object instead of
// the readable lines. Ctrl-C lets the command in progress finish, sends
// nothing more and reports what was written.
int RunToolCommand(const std::vector<std::string>& words, CliEnvironment& env, UiHost& ui,
                   const PrinterLine& line, bool progressLine, bool json);

// The lines of --help for these commands.
std::string ToolUsageText();
