// fiscal-server: the printers over HTTP and JSON (see docs/fiscal-server.md).
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "link/utf8_file.h"
#include "link/utf8_windows.h"
#include "server/api.h"
#include "server/http_front.h"
#include "server/request_log.h"
#include "server/sale_journal.h"
#include "server/server_config.h"
#include "server/tls.h"

#ifdef _WIN32
#include "server/service_setup.h"
#include "server/windows_service.h"
#else
#include <csignal>
#endif

namespace {

HttpFront* g_front = nullptr;
Api* g_api = nullptr;

// Stops the server: requests not yet run are answered 503 and tasks that
// never ran are recorded so; the jobs running finish; then the HTTP side stops.
void StopServer() {
  g_api->Shutdown();
  g_front->Stop();
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args = Utf8Arguments(argc, argv);
  ServerConfig config;
  std::string error;
#ifdef _WIN32
  // The service's own commands; the service reads its options from its file.
  service::Command serviceCommand;
  if (!service::ParseCommand(args, serviceCommand, error)) {
    std::fprintf(stderr, "fiscal-server: %s\n", error.c_str());
    return 2;
  }
  if (serviceCommand.action != service::Action::kNone) return RunServiceCommand(serviceCommand);
#endif
  if (!ParseServerArgs(args, config, error)) {
    std::fprintf(stderr, "fiscal-server: %s\n", error.c_str());
    return 2;
  }
  if (config.help) {
    std::fputs(ServerUsage().c_str(), stdout);
#ifdef _WIN32
    std::fputs(service::Usage().c_str(), stdout);
#endif
    return 0;
  }
#ifndef _WIN32
  // Signals are taken by one thread that stops the server; the others block them.
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  sigaddset(&stopSignals, SIGINT);
  sigaddset(&stopSignals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
  std::signal(SIGPIPE, SIG_IGN);
#endif

  // The certificate is checked before anything else starts: a till's https
  // that cannot work is said at once, not at the first request.
  std::unique_ptr<TlsContext> tls;
  if (!config.tlsCert.empty()) {
    std::vector<std::string> warnings;
    tls = TlsContext::Load(config.tlsCert, config.tlsKey, error, warnings);
    for (const auto& w : warnings) std::fprintf(stderr, "fiscal-server: warning: %s\n", w.c_str());
    if (!tls) {
      std::fprintf(stderr, "fiscal-server: %s\n", error.c_str());
      return 1;
    }
  }

  Api api(config);
  HttpFront front(api);
  const char* scheme = tls ? "https" : "http";
  if (tls) front.SetTls(std::move(tls));
  if (!front.Bind(config.host, config.port)) {
    std::fprintf(stderr, "fiscal-server: cannot listen on %s:%d: %s%s\n", config.host.c_str(),
                 config.port, front.BindError().c_str(),
                 front.BindError().find("in use") != std::string::npos
                     ? " (is another fiscal-server running?)"
                     : "");
    return 1;
  }
  const std::string journal =
      config.journalPath.empty() ? DefaultJournalPath() : config.journalPath;
  std::string journalError;
  if (journal.empty()) {
    std::fprintf(stderr, "fiscal-server: no folder for the sale journal: give --journal FILE\n");
    return 1;
  }
  if (!api.OpenJournal(journal, journalError)) {
    std::fprintf(stderr, "fiscal-server: %s\n", journalError.c_str());
    return 1;
  }
  for (const auto& w : api.JournalWarnings())
    std::fprintf(stderr, "fiscal-server: warning: %s\n", w.c_str());
  std::shared_ptr<RequestLog> log;
  if (config.logPath.empty()) {
    log = std::make_shared<RequestLog>(stderr);
  } else {
    std::string logError;
    log = RequestLog::Open(config.logPath, config.logMaxMb * 1024ull * 1024ull, logError);
    if (!log) {
      std::fprintf(stderr, "fiscal-server: cannot write the log %s: %s\n", config.logPath.c_str(),
                   logError.c_str());
      return 1;
    }
  }
  front.SetRequestLog(log);
  // No printer given: they are found now, before the first request is served.
  api.StartFinding([log](const std::string& line) { log->Line(line); });
  g_front = &front;
  g_api = &api;
  std::printf("fiscal-server: listening on %s (%s), %zu printer(s), sale journal %s\n",
              front.Addresses().c_str(), scheme, api.PrinterCount(), journal.c_str());
  std::fflush(stdout);
#ifdef _WIN32
  StopOnConsoleClose([] { StopServer(); });
  front.Serve();
#else
  std::thread waiter([&] {
    int sig = 0;
    sigwait(&stopSignals, &sig);
    StopServer();
  });
  front.Serve();
  pthread_kill(waiter.native_handle(), SIGTERM);
  waiter.join();
#endif
  return 0;
}
