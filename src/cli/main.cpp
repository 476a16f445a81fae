// fiscal-cli: every driver method from the command line (see docs/fiscal-cli.md).
#include <unistd.h>

#include <iostream>

#include "cli/run_cli.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  CliEnvironment env{std::cin, std::cout, std::cerr, false, std::nullopt};
  env.interactive = isatty(STDIN_FILENO) && isatty(STDERR_FILENO);
  return RunCli(args, env);
}
