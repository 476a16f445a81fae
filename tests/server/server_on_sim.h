// fiscal-server over real HTTP in front of the simulated printer, for the
// tests of what a shop's network can do to it: a fixture that starts an Api
// and its HTTP side on a free loopback port, and a raw client that sends
// exactly the bytes a test writes.
#pragma once

#include <gtest/gtest.h>
#include <httplib.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <mutex>
#include <nlohmann/json.hpp>
#include <string>
#include <thread>

#include "server/api.h"
#include "server/http_front.h"
#include "server/tls.h"
#include "sim/sim_server.h"

int CountOf(const std::string& text, const std::string& what);

// A connection that writes what it is given and reads what comes back.
class RawClient {
 public:
  explicit RawClient(int port);
  ~RawClient();
  bool Connected() const { return fd_ >= 0; }
  bool Send(const std::string& bytes);
  // Everything until the peer closes or `ms` pass.
  std::string ReadAll(int ms);
  // One response (headers and Content-Length body), or "" after `ms`.
  std::string ReadResponse(int ms);
  void Close();

 private:
  int fd_ = -1;
  std::string pending_;
};

// The HTTP status of a raw response text, 0 when there is none.
int StatusOf(const std::string& response);

// The whole of `log` (a server's request log, still being written) once it
// holds `part`, or as it stands after about 2 s.
std::string LogOnceItHolds(std::FILE* log, const std::string& part);

class ServerOnSimBase : public ::testing::Test {
 protected:
  void TearDown() override { Stop(); }

  // Starts the server with `config` (the simulated printer is added as "1"),
  // serving https when `tls` is set; `client` then trusts `tlsCa` only.
  void Start(ServerConfig config = {});
  // Starts it with `config` alone; with config.findPrinters it scans first
  // (`discovery`), its log lines going to ScanLog().
  void StartServing(ServerConfig config);
  void Stop();
  std::string ScanLog();

  std::pair<int, nlohmann::json> Post(const std::string& path, const std::string& body,
                                      const httplib::Headers& headers = {},
                                      const char* type = "application/json");
  std::pair<int, nlohmann::json> Get(const std::string& path, const httplib::Headers& headers = {});

  SimServer sim;
  DiscoveryOptions discovery;
  ServerConfig config_;
  std::unique_ptr<Api> api;
  std::unique_ptr<HttpFront> front;
  std::thread serving;
  std::unique_ptr<httplib::Client> client;
  std::unique_ptr<TlsContext> tls;
  std::string tlsCa;
  std::FILE* requestLog = nullptr;  // where the server writes its log, when set

 private:
  std::mutex scanLogLock_;
  std::string scanLog_;
};
