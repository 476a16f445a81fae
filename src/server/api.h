#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "server/printer_worker.h"
#include "server/server_config.h"

// The HTTP API without the HTTP: a request's method, path, body and
// Authorization header in, a status and a JSON body out. Thread-safe: the
// HTTP library calls it from many threads; each printer's work runs on that
// printer's worker, one request at a time.
//
//   GET  /printers, /printers/{id}, /printers/{id}/status, /printers/{id}/datetime
//   POST /printers/{id}/receipt, xreport, zreport, duplicate, deposit, withdraw,
//        datetime, rawrequest (only with allowRaw)
//
// Every response is {"ok":bool,"messages":[{"type","code","text"}], ...}.
// 400 a refused body (nothing sent), 401 a missing or wrong token, 404 an
// unknown printer or path, 405 a wrong method, 413 a body over 64 KiB, 503 the
// printer's queue is full; otherwise 200, with "ok" false when the printer
// failed or refused (the messages say why, in the driver's words).
struct ApiResponse {
  int status = 200;
  std::string body;  // JSON, UTF-8
};

class Api {
 public:
  static constexpr size_t kMaxBody = 64 * 1024;

  // Maps every printer's COM number to its device (PortMap) and starts its worker.
  explicit Api(const ServerConfig& config);
  ~Api();

  ApiResponse Handle(const std::string& method, const std::string& path, const std::string& body,
                     const std::string& authorization);

  // Tests only: link time-outs for every printer's drivers.
  void SetTimeoutsForTesting(const LinkTimeouts& timeouts);

 private:
  struct Printer;
  Printer* Find(const std::string& id);
  ApiResponse Dispatch(Printer& printer, const std::string& method, const std::string& action,
                       const std::string& body);

  ServerConfig config_;
  std::vector<std::unique_ptr<Printer>> printers_;
};
