#include "server/server_config.h"

#include <climits>
#include <cstdlib>
#include <fstream>
#include <initializer_list>
#include <map>
#include <nlohmann/json.hpp>
#include <set>
#include <sstream>

#include "driver/limits.h"
#include "link/settings.h"
#include "server/requests.h"
#include "server/tls.h"

namespace {

constexpr int kFirstDeviceCom = 101;  // --device printers get COM numbers from here on
constexpr int kMaxCom = 255;
constexpr int kMaxRescanInterval = 24 * 60 * 60;  // seconds
constexpr int kMaxLogMb = 10240;

bool ParseInt(const std::string& text, int lo, int hi, int& out) {
  if (text.empty() || text.size() > 9) return false;
  int v = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    v = v * 10 + (c - '0');
  }
  if (v < lo || v > hi) return false;
  out = v;
  return true;
}

bool ParseListen(const std::string& text, ServerConfig& config, std::string& error) {
  const auto colon = text.rfind(':');
  int port = 0;
  if (colon == std::string::npos || colon == 0 ||
      !ParseInt(text.substr(colon + 1), 1, 65535, port)) {
    error = "--listen expects ADDR:PORT, got \"" + text + "\"";
    return false;
  }
  std::string host = text.substr(0, colon);
  if (host.size() > 2 && host.front() == '[' && host.back() == ']')
    host = host.substr(1, host.size() - 2);
  config.host = host;
  config.port = port;
  return true;
}

bool ParseOperator(const std::string& text, ServerConfig& config, std::string& error) {
  const auto colon = text.find(':');
  int number = 0;
  if (colon == std::string::npos ||
      !ParseInt(text.substr(0, colon), Limit::kFirstOperator, Limit::kLastOperator, number) ||
      text.size() - colon - 1 > static_cast<size_t>(Limit::kOperatorPassword)) {
    error = "--operator expects N:PASSWORD (N 1..9, a password of at most " +
            std::to_string(Limit::kOperatorPassword) + " characters), got \"" + text + "\"";
    return false;
  }
  config.defaultOperator = OperatorRecord{number, "", text.substr(colon + 1)};
  return true;
}

// False with `error` naming the first member of `object` not in `known`.
bool OnlyKeys(const nlohmann::json& object, std::initializer_list<const char*> known,
              const std::string& where, std::string& error) {
  if (!object.is_object()) {
    error = where + ": an object is expected";
    return false;
  }
  if (const auto key = FirstUnknownMember(object, known)) {
    error = "unknown setting \"" + where + "." + *key + "\"";
    return false;
  }
  return true;
}

// An origin as browsers send it: scheme://host[:port], nothing after.
bool AddOrigin(const std::string& origin, ServerConfig& config, std::string& error) {
  const auto scheme = origin.find("://");
  const bool ok = scheme != std::string::npos && scheme > 0 && origin.size() > scheme + 3 &&
                  origin.find('/', scheme + 3) == std::string::npos &&
                  origin.find_first_of(" \t\r\n") == std::string::npos;
  if (!ok) {
    error = "an allowed origin is scheme://host[:port], e.g. http://pos.example:8080; got \"" +
            origin + "\"";
    return false;
  }
  config.allowedOrigins.push_back(origin);
  return true;
}

// The COM number for the next --device printer: the first free one from 101.
int FreeCom(const ServerConfig& config) {
  std::set<int> used;
  for (const auto& p : config.printers) used.insert(p.com);
  for (int com = kFirstDeviceCom; com <= kMaxCom; ++com)
    if (!used.count(com)) return com;
  return 0;
}

bool AddPrinter(ServerConfig& config, const std::string& id, int com, const std::string& path,
                int baud, std::string& error) {
  if (id.empty() || path.empty()) {
    error = "a printer needs an id and a device path";
    return false;
  }
  for (char c : id) {
    const bool ok = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                    c == '-' || c == '_';
    if (!ok) {
      error = "printer id \"" + id + "\": letters, digits, '-' and '_' only";
      return false;
    }
  }
  // These are requests of their own under /printers/: a printer so named
  // could never be reached.
  if (id == "rescan" || id == "taskinfo") {
    error = "printer id \"" + id + "\" is taken by POST/GET /printers/" + id + "; choose another";
    return false;
  }
  if (com == 0) com = FreeCom(config);
  if (com == 0) {
    error = "too many printers";
    return false;
  }
  config.printers.push_back(ServedPrinter{id, com, path, baud});
  return true;
}

bool Finish(ServerConfig& config, std::string& error) {
  if (config.help) return true;
  // No printer given: the server finds them itself.
  config.findPrinters = config.printers.empty();
  if (!config.findPrinters && config.rescanInterval > 0) {
    error = "--rescan-interval is for a server that finds its printers (no --com or --device)";
    return false;
  }
  std::set<std::string> ids;
  std::set<int> coms;
  for (const auto& p : config.printers) {
    if (!ids.insert(p.id).second) {
      error = "printer id \"" + p.id + "\" given twice";
      return false;
    }
    if (!coms.insert(p.com).second) {
      error = "COM " + std::to_string(p.com) + " given twice";
      return false;
    }
  }
  // Two workers on one line would garble each other's frames: the same device
  // under two ids (or through a symbolic link) is refused.
  std::map<std::string, std::string> devices;
  for (const auto& p : config.printers) {
    const std::string device = CanonicalDevice(p.path);
    const auto [it, added] = devices.emplace(device, p.id);
    if (!added) {
      error = "printers \"" + it->second + "\" and \"" + p.id + "\" are the same device " + device;
      return false;
    }
  }
  if (config.tlsCert.empty() != config.tlsKey.empty()) {
    error = "--tls-cert and --tls-key go together: the certificate and its private key";
    return false;
  }
  if (!config.tlsCert.empty() && !TlsAvailable()) {
    error = kNoTlsInThisBuild;
    return false;
  }
  if (!IsLoopbackAddress(config.host) && config.token.empty()) {
    error = "listening on " + config.host + " needs --token (every request must carry it)";
    return false;
  }
  return true;
}

}  // namespace

std::string CanonicalDevice(const std::string& path) {
#ifdef _WIN32
  std::string upper = path;
  for (char& c : upper)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  if (upper.rfind("\\\\.\\", 0) == 0) upper = upper.substr(4);
  return upper;
#else
  char resolved[PATH_MAX];
  if (realpath(path.c_str(), resolved)) return resolved;
  return path;
#endif
}

bool IsLoopbackAddress(const std::string& host) {
  return host == "localhost" || host == "::1" || host.rfind("127.", 0) == 0;
}

bool LoadServerConfig(const std::string& text, ServerConfig& config, std::string& error) {
  // Comments (// and /* */) are allowed: the shipped example explains itself.
  const nlohmann::json j = nlohmann::json::parse(text, nullptr, false, /*ignore_comments=*/true);
  if (j.is_discarded() || !j.is_object()) {
    error = "the configuration is not a JSON object";
    return false;
  }
  static const char* const kKeys[] = {
      "listen",       "token",          "allowRaw", "operator", "printers",
      "allowedHosts", "allowedOrigins", "retries",  "log",      "journal",
      "paymentTypes", "rescanInterval", "tlsCert",  "tlsKey",   "logMaxMb"};
  for (auto it = j.begin(); it != j.end(); ++it) {
    bool known = false;
    for (const char* k : kKeys) known = known || it.key() == k;
    if (!known) {
      error = "unknown setting \"" + it.key() + "\"";
      return false;
    }
  }
  try {
    if (j.contains("allowedHosts"))
      for (const auto& h : j.at("allowedHosts"))
        config.allowedHosts.push_back(h.get<std::string>());
    if (j.contains("allowedOrigins")) {
      for (const auto& o : j.at("allowedOrigins")) {
        if (!AddOrigin(o.get<std::string>(), config, error)) return false;
      }
    }
    if (j.contains("retries")) {
      const int retries = j.at("retries").get<int>();
      if (retries < 0 || retries > 10) {
        error = "retries: 0..10";
        return false;
      }
      config.retries = retries;
    }
    if (j.contains("paymentTypes") &&
        !LoadPaymentTypes(j.at("paymentTypes"), config.paymentTypes, error))
      return false;
    if (j.contains("rescanInterval")) {
      const int seconds = j.at("rescanInterval").get<int>();
      if (seconds < 0 || seconds > kMaxRescanInterval) {
        error = "rescanInterval: 0..86400 seconds";
        return false;
      }
      config.rescanInterval = seconds;
    }
    if (j.contains("log")) config.logPath = j.at("log").get<std::string>();
    if (j.contains("logMaxMb")) {
      const int mb = j.at("logMaxMb").get<int>();
      if (mb < 1 || mb > kMaxLogMb) {
        error = "logMaxMb: 1..10240 (MiB)";
        return false;
      }
      config.logMaxMb = mb;
    }
    if (j.contains("journal")) config.journalPath = j.at("journal").get<std::string>();
    if (j.contains("listen") && !ParseListen(j.at("listen").get<std::string>(), config, error))
      return false;
    if (j.contains("token")) config.token = j.at("token").get<std::string>();
    if (j.contains("tlsCert")) config.tlsCert = j.at("tlsCert").get<std::string>();
    if (j.contains("tlsKey")) config.tlsKey = j.at("tlsKey").get<std::string>();
    if (j.contains("allowRaw")) config.allowRaw = j.at("allowRaw").get<bool>();
    if (j.contains("operator")) {
      const auto& op = j.at("operator");
      if (!OnlyKeys(op, {"number", "password"}, "operator", error)) return false;
      const int number = op.at("number").get<int>();
      const std::string password = op.at("password").get<std::string>();
      if (number < Limit::kFirstOperator || number > Limit::kLastOperator ||
          password.size() > static_cast<size_t>(Limit::kOperatorPassword)) {
        error = "operator: number 1..9 and a password of at most " +
                std::to_string(Limit::kOperatorPassword) + " characters";
        return false;
      }
      config.defaultOperator = OperatorRecord{number, "", password};
    }
    if (j.contains("printers")) {
      for (const auto& p : j.at("printers")) {
        if (!OnlyKeys(p, {"id", "path", "baud", "com"}, "printers[]", error)) return false;
        const int baud = p.value("baud", 9600);
        if (!IsSupportedBaudRate(baud)) {
          error = "printer baud " + std::to_string(baud) + " is not a supported line speed";
          return false;
        }
        const int com = p.value("com", 0);
        if (com < 0 || com > kMaxCom) {
          error = "printer com must be 1..255";
          return false;
        }
        const std::string id =
            p.contains("id") ? p.at("id").get<std::string>() : std::to_string(com);
        if (!AddPrinter(config, id, com, p.at("path").get<std::string>(), baud, error))
          return false;
      }
    }
  } catch (const nlohmann::json::exception& e) {
    error = std::string("configuration: ") + e.what();
    return false;
  }
  return true;
}

bool ParseServerArgs(const std::vector<std::string>& args, ServerConfig& config,
                     std::string& error) {
  config = ServerConfig{};
  int baud = 9600;
  for (size_t i = 0; i < args.size(); ++i) {
    std::string name = args[i];
    std::string value;
    bool hasValue = false;
    const auto eq = name.find('=');
    if (name.rfind("--", 0) == 0 && eq != std::string::npos) {
      value = name.substr(eq + 1);
      name = name.substr(0, eq);
      hasValue = true;
    }
    auto take = [&]() {
      if (hasValue) return true;
      if (i + 1 >= args.size()) {
        error = name + " needs a value";
        return false;
      }
      value = args[++i];
      return true;
    };
    if (name == "--help" || name == "-h") {
      config.help = true;
    } else if (name == "--allow-raw") {
      config.allowRaw = true;
    } else if (name == "--allow-origin") {
      if (!take() || !AddOrigin(value, config, error)) return false;
    } else if (name == "--allow-host") {
      if (!take()) return false;
      if (value.empty()) {
        error = "--allow-host needs a host name";
        return false;
      }
      config.allowedHosts.push_back(value);
    } else if (name == "--log") {
      if (!take()) return false;
      config.logPath = value;
    } else if (name == "--log-max-mb") {
      if (!take()) return false;
      if (!ParseInt(value, 1, kMaxLogMb, config.logMaxMb)) {
        error = "--log-max-mb takes 1..10240 (MiB)";
        return false;
      }
    } else if (name == "--journal") {
      if (!take()) return false;
      config.journalPath = value;
    } else if (name == "--listen") {
      if (!take() || !ParseListen(value, config, error)) return false;
    } else if (name == "--token") {
      if (!take()) return false;
      if (value.empty()) {
        error = "--token needs a non-empty value";
        return false;
      }
      config.token = value;
    } else if (name == "--tls-cert" || name == "--tls-key") {
      if (!take()) return false;
      if (value.empty()) {
        error = name + " needs a file";
        return false;
      }
      (name == "--tls-cert" ? config.tlsCert : config.tlsKey) = value;
    } else if (name == "--baud") {
      if (!take()) return false;
      if (!ParseInt(value, 1, 1000000, baud) || !IsSupportedBaudRate(baud)) {
        error = "--baud takes 9600, 19200, 38400, 57600 or 115200";
        return false;
      }
    } else if (name == "--operator") {
      if (!take() || !ParseOperator(value, config, error)) return false;
    } else if (name == "--retries") {
      if (!take()) return false;
      if (!ParseInt(value, 0, 10, config.retries)) {
        error = "--retries takes 0..10";
        return false;
      }
    } else if (name == "--rescan-interval") {
      if (!take()) return false;
      if (!ParseInt(value, 0, kMaxRescanInterval, config.rescanInterval)) {
        error = "--rescan-interval takes 0..86400 seconds";
        return false;
      }
    } else if (name == "--payment-type") {
      if (!take()) return false;
      const auto sep = value.find('=');
      int type = 0;
      if (sep == std::string::npos || !ParseInt(value.substr(sep + 1), 0, 4, type)) {
        error = "--payment-type expects NAME=0..4, got \"" + value + "\"";
        return false;
      }
      if (!config.paymentTypes.Set(value.substr(0, sep), type, error)) return false;
    } else if (name == "--com" || name == "--device") {
      if (!take()) return false;
      const auto sep = value.find('=');
      if (sep == std::string::npos || sep == 0 || sep + 1 == value.size()) {
        error = name + " expects " + (name == "--com" ? "N=PATH" : "ID=PATH") + ", got \"" + value +
                "\"";
        return false;
      }
      const std::string key = value.substr(0, sep);
      int com = 0;
      if (name == "--com" && !ParseInt(key, 1, kMaxCom, com)) {
        error = "--com: N must be 1..255, got \"" + key + "\"";
        return false;
      }
      if (!AddPrinter(config, key, com, value.substr(sep + 1), baud, error)) return false;
    } else if (name == "--config") {
      if (!take()) return false;
      std::ifstream in(value, std::ios::binary);
      if (!in) {
        error = "cannot read " + value;
        return false;
      }
      std::stringstream text;
      text << in.rdbuf();
      if (!LoadServerConfig(text.str(), config, error)) {
        error = value + ": " + error;
        return false;
      }
    } else {
      error = "unknown option \"" + args[i] + "\" (see --help)";
      return false;
    }
  }
  return Finish(config, error);
}

std::string ServerUsage() {
  const std::string https =
      TlsAvailable()
          ? "  --tls-cert FILE      serve https (TLS 1.2 or newer) with this certificate\n"
            "                       (PEM; intermediate certificates may follow it)\n"
            "  --tls-key FILE       the certificate's private key (PEM, no passphrase)\n"
          : "  --tls-cert, --tls-key  not in this build: it has no TLS library\n";
  const std::string note =
      TlsAvailable()
          ? "Without --tls-cert it serves plain http: keep it on loopback, or give it a\n"
            "certificate for the till (docs/fiscal-server.md, \"https\").\n"
          : "This build serves plain http only (it has no TLS library): keep it on\n"
            "loopback or put a TLS proxy in front of it (docs/fiscal-server.md).\n";
  return "usage: fiscal-server [OPTIONS] [--com N=PATH | --device ID=PATH | --config FILE]...\n"
         "\n"
         "Serves fiscal printers over HTTP with JSON, for shop and ERP software.\n"
         "Without --com and --device it finds them: the ports fiscal-cli scan tries\n"
         "(COM 1..8; on Linux also /dev/ttyS*, ttyUSB*, ttyACM*, serial/by-id; on\n"
         "Windows every COM port the system lists), every\n"
         "speed; each printer is served under its serial number in lower case.\n"
         "\n"
         "  --listen ADDR:PORT   where to listen (default 127.0.0.1:8001); an address\n"
         "                       other than loopback needs --token. Loopback\n"
         "                       (127.0.0.1, localhost, ::1) is held on both 127.0.0.1\n"
         "                       and [::1], so no other program can take the port on\n"
         "                       the other one; without ::1, on 127.0.0.1 alone\n"
         "  --com N=PATH         serve the device PATH as printer \"N\" (COM N); repeatable\n"
         "  --device ID=PATH     serve the device PATH as printer ID; repeatable\n"
         "  --baud RATE          line speed of the printers given after it (default 9600)\n"
         "  --rescan-interval SEC  without --com/--device: look for new printers every\n"
         "                       SEC seconds (default 0: at start and on\n"
         "                       POST /printers/rescan only)\n"
         "  --config FILE        the same settings as JSON (see docs/fiscal-server.md)\n"
         "  --token TEXT         every request must carry \"Authorization: Bearer TEXT\"\n" +
         https +
         "  --operator N:PASS    operator for receipts that name none (default 1:0000)\n"
         "  --retries N          retries of a link fault within one request (default 2)\n"
         "  --allow-origin URL   a web page (scheme://host[:port]) that may call; repeatable\n"
         "  --allow-host NAME    a host name requests may be addressed to; repeatable\n"
         "  --journal FILE       the sale-number journal (default: see docs/fiscal-server.md)\n"
         "  --log FILE           one line per request to FILE (default: standard error)\n"
         "  --log-max-mb N       at N MiB (default 4) FILE becomes FILE.1 (replacing\n"
         "                       the older one) and a new FILE is begun\n"
         "  --allow-raw          enable POST /printers/{id}/rawrequest (diagnostics)\n"
         "  --payment-type NAME=N  take the payment NAME (cash, check, card, coupons,\n"
         "                       ext-coupons, packaging, internal-usage, damage, bank,\n"
         "                       reserved1, reserved2) as the printer's type N (0..4);\n"
         "                       default cash=0 card=1 check=2 coupons=3; repeatable\n"
         "  -h, --help           this text\n"
         "\n" +
         note;
}
