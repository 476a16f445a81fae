// fiscal-cli: every driver method from the command line (see docs/fiscal-cli.md).
#include <unistd.h>

#include <iostream>

#include "cli/run_cli.h"

#ifdef _WIN32
#include <windows.h>
// shellapi.h needs windows.h first.
#include <shellapi.h>

namespace {

// The arguments as UTF-8: argv holds them in the ANSI code page, which cannot
// carry every text (and is not UTF-8 on a Bulgarian desktop).
std::vector<std::string> Utf8Arguments() {
  std::vector<std::string> out;
  int argc = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  if (!argv) return out;
  for (int i = 1; i < argc; ++i) {
    const int n = WideCharToMultiByte(CP_UTF8, 0, argv[i], -1, nullptr, 0, nullptr, nullptr);
    std::string s(n > 0 ? static_cast<size_t>(n) : 1u, '\0');
    if (n > 0) WideCharToMultiByte(CP_UTF8, 0, argv[i], -1, s.data(), n, nullptr, nullptr);
    s.resize(s.size() - 1);  // the terminating zero
    out.push_back(s);
  }
  LocalFree(argv);
  return out;
}

}  // namespace
#endif

int main(int argc, char** argv) {
#ifdef _WIN32
  // Texts are printed in UTF-8; the console shows them as such.
  SetConsoleOutputCP(CP_UTF8);
  SetConsoleCP(CP_UTF8);
  std::vector<std::string> args = Utf8Arguments();
  (void)argc;
  (void)argv;
#else
  std::vector<std::string> args(argv + 1, argv + argc);
#endif
  CliEnvironment env{std::cin, std::cout, std::cerr, false, std::nullopt};
  env.interactive = isatty(STDIN_FILENO) && isatty(STDERR_FILENO);
  env.progress = isatty(STDERR_FILENO);
  return RunCli(args, env);
}
