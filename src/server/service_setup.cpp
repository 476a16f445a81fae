#include "server/service_setup.h"

#include <nlohmann/json.hpp>
#include <optional>

namespace service {

namespace {

constexpr const char* kInstallOption = "--install-service";
constexpr const char* kUninstallOption = "--uninstall-service";
constexpr const char* kRunOption = "--service";

}  // namespace

bool ParseCommand(const std::vector<std::string>& args, Command& out, std::string& error) {
  out = Command{};
  for (const std::string& arg : args) {
    Action action = Action::kNone;
    if (arg == kInstallOption) action = Action::kInstall;
    if (arg == kUninstallOption) action = Action::kUninstall;
    if (arg == kRunOption) action = Action::kRun;
    if (action == Action::kNone) {
      out.serverArgs.push_back(arg);
      continue;
    }
    if (out.action != Action::kNone) {
      error = "give one of " + std::string(kInstallOption) + ", " + kUninstallOption + " and " +
              kRunOption;
      return false;
    }
    out.action = action;
  }
  if ((out.action == Action::kUninstall || out.action == Action::kRun) && !out.serverArgs.empty()) {
    error = std::string(out.action == Action::kRun ? kRunOption : kUninstallOption) +
            " takes no other option (the service reads its settings from its configuration "
            "file)";
    return false;
  }
  return true;
}

std::string ConfigJson(const ServerConfig& config) {
  nlohmann::ordered_json j;
  const bool v6 = config.host.find(':') != std::string::npos;
  j["listen"] = (v6 ? "[" + config.host + "]" : config.host) + ":" + std::to_string(config.port);
  if (!config.token.empty()) j["token"] = config.token;
  j["allowRaw"] = config.allowRaw;
  j["operator"] = {{"number", config.defaultOperator.number},
                   {"password", config.defaultOperator.password}};
  j["retries"] = config.retries;
  if (config.rescanInterval > 0) j["rescanInterval"] = config.rescanInterval;
  if (!config.allowedHosts.empty()) j["allowedHosts"] = config.allowedHosts;
  if (!config.allowedOrigins.empty()) j["allowedOrigins"] = config.allowedOrigins;
  if (!config.logPath.empty()) j["log"] = config.logPath;
  if (config.logMaxMb != ServerConfig{}.logMaxMb) j["logMaxMb"] = config.logMaxMb;
  if (!config.journalPath.empty()) j["journal"] = config.journalPath;
  // Every name, mapped or not, so that the file says the whole map.
  nlohmann::ordered_json payments = nlohmann::ordered_json::object();
  for (const std::string& name : PaymentTypeMap::Names()) {
    const std::optional<int> type = config.paymentTypes.Find(name);
    payments[name] = type ? nlohmann::ordered_json(*type) : nlohmann::ordered_json(nullptr);
  }
  j["paymentTypes"] = payments;
  j["printers"] = nlohmann::ordered_json::array();
  for (const ServedPrinter& p : config.printers)
    j["printers"].push_back({{"id", p.id}, {"com", p.com}, {"path", p.path}, {"baud", p.baud}});
  return j.dump(2) + "\n";
}

std::string Usage() {
  return "\n"
         "As a Windows service (run as an administrator):\n"
         "  --install-service [OPTIONS]  write OPTIONS to %ProgramData%\\fiscal-service\\\n"
         "                       fiscal-server.json, install the service \"fiscal-server\"\n"
         "                       (started with Windows, running as NT SERVICE\\fiscal-server)\n"
         "                       and start it; again to change them. The folder is given to\n"
         "                       the administrators, whoever made it; the service does not\n"
         "                       start when others may change its configuration\n"
         "  --uninstall-service  stop and remove the service\n"
         "  --service            how the service manager starts it\n";
}

}  // namespace service
