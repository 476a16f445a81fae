// fiscal-cli: every driver method from the command line (see docs/fiscal-cli.md).
#include <unistd.h>

#include <iostream>

#include "cli/run_cli.h"
#include "link/utf8_windows.h"

#ifdef _WIN32
#include <windows.h>
#endif

int main(int argc, char** argv) {
#ifdef _WIN32
  // Texts are printed in UTF-8; the console shows them as such.
  SetConsoleOutputCP(CP_UTF8);
  SetConsoleCP(CP_UTF8);
#endif
  const std::vector<std::string> args = Utf8Arguments(argc, argv);
  CliEnvironment env{std::cin, std::cout, std::cerr, false, std::nullopt};
  env.interactive = isatty(STDIN_FILENO) && isatty(STDERR_FILENO);
  env.progress = isatty(STDERR_FILENO);
  return RunCli(args, env);
}
