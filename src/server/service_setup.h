#pragma once

#include <string>
#include <vector>

#include "server/server_config.h"

// The parts of fiscal-server's Windows service that do not need Windows: the
// service's names, how the command line asks for it, and the configuration
// file that --install-service writes and the service reads.
namespace service {

constexpr const char* kName = "fiscal-server";
constexpr const char* kDisplayName = "fiscal-server (фискални принтери по HTTP)";
constexpr const char* kDescription =
    "Обслужва фискалните принтери по HTTP и JSON за търговския софтуер.";
// Under %ProgramData%: the folder, the configuration, the log and the sale journal.
constexpr const char* kFolder = "fiscal-service";
constexpr const char* kConfigFile = "fiscal-server.json";
constexpr const char* kLogFile = "fiscal-server.log";
constexpr const char* kJournalFile = "sales-journal.jsonl";  // unless the configuration names one

enum class Action {
  kNone,       // not a service command: the server runs in the console
  kInstall,    // --install-service [the usual options]
  kUninstall,  // --uninstall-service
  kRun,        // --service: started by the service manager
};

struct Command {
  Action action = Action::kNone;
  std::vector<std::string> serverArgs;  // kInstall: the options that configure it
};

// Picks the service option out of `args` (without the program name). False
// with `error` when two are given, or --uninstall-service or --service comes
// with anything else.
bool ParseCommand(const std::vector<std::string>& args, Command& out, std::string& error);

// The configuration as the JSON text that LoadServerConfig reads back to the
// same settings.
std::string ConfigJson(const ServerConfig& config);

// The lines that ServerUsage gains on Windows.
std::string Usage();

}  // namespace service
