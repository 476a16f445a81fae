#pragma once

#include <string>
#include <vector>

#include "driver/records.h"
#include "server/netfp_payments.h"

// What fiscal-server serves and how: from its command line or a JSON file.
struct ServedPrinter {
  std::string id;    // in the URL: /printers/{id}
  int com = 0;       // the COM number the driver opens (mapped to `path`)
  std::string path;  // the serial device
  int baud = 9600;
};

struct ServerConfig {
  std::string host = "127.0.0.1";
  int port = 8001;
  std::vector<ServedPrinter> printers;
  std::string token;    // when set, every request must carry it
  std::string tlsCert;  // with tlsKey: https (PEM files), in builds that have TLS
  std::string tlsKey;
  bool allowRaw = false;                          // POST /printers/{id}/rawrequest
  OperatorRecord defaultOperator{1, "", "0000"};  // for receipts that name none
  int retries = 2;  // "Повтори" answers to link faults within one request
  // Host names (besides loopback names and addresses) requests may be sent to,
  // and the web pages (origins, "http://pos.example:8080") that may call.
  std::vector<std::string> allowedHosts;
  std::vector<std::string> allowedOrigins;
  std::string logPath;          // "": the request log goes to standard error
  int logMaxMb = 4;             // the log file's cap (MiB): then FILE.1 and a new FILE
  std::string journalPath;      // "": DefaultJournalPath()
  PaymentTypeMap paymentTypes;  // the protocol's payment names -> the printer's 0..4
  // No printer given: the server finds them with the port scan (Api::StartFinding),
  // and looks again every `rescanInterval` seconds (0: only when asked).
  bool findPrinters = false;
  int rescanInterval = 0;
  bool help = false;
};

// Parses the command line (without the program name). Options:
//   --listen ADDR:PORT, --com N=PATH, --device ID=PATH, --baud RATE (for the
//   printers that follow), --config FILE, --token TEXT, --allow-raw,
//   --operator N:PASSWORD, --retries N, --payment-type NAME=N,
//   --rescan-interval SEC, --tls-cert FILE, --tls-key FILE, --log FILE,
//   --log-max-mb N, --help.
// False with `error` set on a usage error. Checks the whole: unique ids, a
// token whenever the address is not a loopback one, and the TLS files both or
// neither (and none in a build without TLS). Without any printer,
// `findPrinters` is set (and only then may `rescanInterval` be given).
bool ParseServerArgs(const std::vector<std::string>& args, ServerConfig& config,
                     std::string& error);

// Reads the same settings from a JSON text:
//   {"listen":"127.0.0.1:8001","token":"...","allowRaw":false,
//    "operator":{"number":1,"password":"0000"},"paymentTypes":{"bank":4},
//    "tlsCert":"/etc/fiscal-server/till.crt","tlsKey":"/etc/fiscal-server/till.key",
//    "printers":[{"id":"1","path":"/dev/ttyUSB0","baud":9600}, ...],
//    "rescanInterval":0,"log":"...","logMaxMb":4}
// into `config` (printers are added). False with `error` on bad content.
bool LoadServerConfig(const std::string& json, ServerConfig& config, std::string& error);

// True for 127.0.0.0/8, ::1 and "localhost".
bool IsLoopbackAddress(const std::string& host);

// The device a path names, so that a link and its target are one device: links
// resolved (the path itself when it does not exist); on Windows upper case
// without the \\.\ prefix.
std::string CanonicalDevice(const std::string& path);

std::string ServerUsage();
