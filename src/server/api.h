#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "server/netfp_tasks.h"
#include "server/printer_discovery.h"
#include "server/printer_worker.h"
#include "server/receipt_settler.h"
#include "server/sale_journal.h"
#include "server/server_config.h"

// The HTTP API without the HTTP: a request's method, path, query, headers and
// body in, a status and a JSON body out. Thread-safe: the HTTP side calls it
// from many threads; each printer's work runs on that printer's worker, one
// request at a time. The requests and answers are those of the Net.FP
// protocol (docs/fiscal-server.md has the table):
//
//   GET  /printers (an object keyed by printer id), /printers/{id} (device info),
//        /printers/{id}/status, /printers/{id}/cash, /printers/{id}/datetime,
//        /printers/taskinfo?id=TASK
//   POST /printers/{id}/receipt, reversalreceipt (refused: the printer has no
//        such receipt), xreport, zreport, duplicate, deposit, withdraw,
//        datetime, cash, rawrequest (only with allowRaw), settle (puts right a
//        receipt left open by an interruption, see ReceiptSettler)
//   POST /printers/rescan (when the server finds its printers: see StartFinding)
//   GET  / and the page's files (web_page.h, no token needed), /server/settings,
//        /server/sales, /server/log (web_api.h)
//
// A printer is found by its configured id or by the id its serial number gives.
// Every POST may carry ?asyncTimeout=MS and ?taskId=ID (see TaskRegistry).
// Answers are {"ok":bool,"messages":[{"type","code","text","reason"}], ...}.
// 400 a refused body (nothing sent), 401 a missing or wrong token, 404 an
// unknown printer or path, 405 a wrong method, 413 a body over 64 KiB, 503 the
// printer's queue is full; otherwise 200, with "ok" false when the printer
// failed or refused (the messages say why, in the driver's words).
class RefusedSales;

struct ApiResponse {
  ApiResponse() = default;
  ApiResponse(int s, std::string b) : status(s), body(std::move(b)) {}

  int status = 200;
  std::string body;         // JSON, UTF-8
  std::string contentType;  // "": JSON; otherwise the page's files (web_page.h)
  std::vector<std::pair<std::string, std::string>> headers;  // extra ones (CORS)
  // For the request log: the printer, the sale number, whether it did what was
  // asked (the body's "ok"; for the printers table, which has none, whether
  // the table was made) and whether anything reached the paper.
  std::string printer;
  std::string saleNumber;
  bool ok = false;
  bool printed = false;
  // What the log should say besides: another printer answered on the port.
  std::string note;
  // Not a line of the request log: the page's files and its own reads, which
  // it asks for every few seconds and would fill the log with.
  bool unlogged = false;
};

// A request as the HTTP side read it.
struct ApiRequest {
  std::string method;
  std::string path;
  std::string query;  // after the '?', as sent ("asyncTimeout=0&taskId=abc")
  std::string body;
  std::string authorization;  // the Authorization header
  std::string host;           // the Host header
  bool hasOrigin = false;
  std::string origin;
  std::string contentType;
  bool https = false;       // reached over TLS: the scheme of the server's own origin
  std::string ifNoneMatch;  // the If-None-Match header (the page's files)
  // True once the client has gone (closed its connection). A printer job whose
  // client is gone before it starts is dropped. Empty: the client stays.
  std::function<bool()> clientGone;
};

class Api {
 public:
  static constexpr size_t kMaxBody = 64 * 1024;
  // Requests that may wait for one printer (besides the one it runs): kept well
  // below what the HTTP side can hold, so an overloaded printer answers 503 at once.
  static constexpr size_t kMaxQueuedPerPrinter = 8;
  // Handler threads one printer's requests may hold at once, waiting for a
  // task's result included: the HTTP side has this many per printer, so a
  // printer that is slow, or a client that waits long for a task, never takes
  // the handlers another printer's requests need. Beyond it a request is
  // answered 503 at once, a wait for a task its task id at once.
  static constexpr size_t kMaxHandlersPerPrinter = kMaxQueuedPerPrinter + 1;
  // Of those, the ones that may wait for tasks (asyncTimeout), and for one task.
  static constexpr size_t kMaxTaskWaitsPerPrinter = 4;
  static constexpr size_t kMaxWaitsPerTask = 2;

  // Starts every printer's worker; each opens its device by path and speed.
  explicit Api(const ServerConfig& config);
  // Shuts down (if not yet), lets each worker finish the job it runs, and
  // records the tasks that never ran as such.
  ~Api();

  // The server stops (SIGTERM, the service manager): call before the HTTP
  // side stops. Requests not yet run are answered 503 and never reach a
  // printer; a task that never ran is answered, now and after a restart,
  // that it never ran; the job a printer runs now finishes; waits for tasks
  // end at once (503 with the task id). Thread-safe; more than once is fine.
  void Shutdown();

  ApiResponse Handle(const ApiRequest& request);
  // The same for a local client that sends no Host, Origin or Content-Type.
  ApiResponse Handle(const std::string& method, const std::string& path, const std::string& body,
                     const std::string& authorization);

  // Keeps the sale-number journal, and with it the task ids, in the file
  // `path` (read now). Without it the journal lives in memory only. False with
  // `error` when it cannot be used.
  bool OpenJournal(const std::string& path, std::string& error);
  // What opening the journal skipped or repaired (lines that could not be read).
  std::vector<std::string> JournalWarnings() const { return journal_.Warnings(); }

  // With config.findPrinters: scans for printers now (on the caller's thread)
  // and then every config.rescanInterval seconds (when set) on a thread of its
  // own, until the Api is destroyed. `log` gets a line (without a time stamp:
  // "scan: printer nv123456 on /dev/ttyUSB0 at 9600 baud") per printer found
  // and per scan (a periodic scan that finds nothing new says nothing); it is
  // called from that thread too. Call once.
  void StartFinding(std::function<void(const std::string& line)> log);
  // One scan of the ports not served yet (POST /printers/rescan): every printer
  // found is served under its serial-number id. Served printers keep their ids
  // and stay listed, answering or not; their ports are not touched. One scan at
  // a time. Returns how many printers were added.
  size_t Rescan();

  size_t PrinterCount();

  // Called on the printer's thread when an async task has run, with its
  // answer and how long it took: the log's line for what it printed. Set
  // before serving.
  using TaskLog = std::function<void(const std::string& taskId, const ApiResponse& result,
                                     std::chrono::milliseconds took)>;
  void SetTaskLog(TaskLog log) { taskLog_ = std::move(log); }

  // Tests only: link time-outs for every printer's drivers (those found later too),
  // and interrupted receipts tried again sooner.
  void SetTimeoutsForTesting(const LinkTimeouts& timeouts);
  // Tests only: what the scan tries and its time-outs.
  void SetDiscoveryForTesting(const DiscoveryOptions& options) { discovery_ = options; }

 private:
  struct Printer;
  struct Prepared;
  using Query = std::multimap<std::string, std::string>;
  Printer* Find(const std::string& id);
  ApiResponse Route(const ApiRequest& request);
  ApiResponse Dispatch(Printer& printer, const std::string& method, const std::string& action,
                       const Query& query, const std::string& body,
                       const std::function<bool()>& clientGone);
  ApiResponse ListPrinters(const std::function<bool()>& clientGone);
  ApiResponse RescanRequest(const ApiRequest& request);
  void RescanLoop();
  // Rescan; `summaryAlways` false: no log line when nothing new was found.
  size_t Scan(bool summaryAlways);
  ApiResponse TaskInfo(const Query& query);
  ApiResponse RunAsTask(Printer& printer, std::shared_ptr<Prepared> job, const Query& query,
                        const std::function<bool()>& clientGone);
  // Runs a checked request on its printer's worker thread: the whole answer.
  ApiResponse Execute(Printer& printer, const Prepared& job);
  class JobRun;  // Execute's steps, one function each
  // Interrupted receipts: the printer settles them before its next job and by
  // itself while idle (loaded from the journal at start).
  void WatchReceipts(Printer& printer);
  // On the printer's worker: settles its kept receipt on the printer the id
  // stands for (only there); `retries` for link faults.
  ReceiptSettler::Report SettlePending(Printer& printer, int retries);
  // POST /printers/{id}/settle: what was settled, or what is open, in words.
  nlohmann::json SettleAnswer(Printer& printer, const ReceiptSettler::Report& report, bool& ok);

  // Declared before the printers, whose jobs use them: the workers stop
  // (in ~Api, and in any case first) before these go.
  ServerConfig config_;
  SaleJournal journal_;
  std::string journalPath_;  // as opened, for the page's settings
  // Sale numbers refused with nothing printed, for the page (web_api.h).
  std::unique_ptr<RefusedSales> refused_;
  std::unique_ptr<TaskStore> taskStore_;  // tasks in the journal
  TaskRegistry tasks_;
  TaskLog taskLog_;
  std::atomic<bool> shutdown_{false};
  std::mutex printersLock_;
  std::vector<std::unique_ptr<Printer>> printers_;  // only ever added to
  std::optional<LinkTimeouts> testTimeouts_;

  // Finding printers: one scan at a time; the periodic one stops with the Api.
  DiscoveryOptions discovery_;
  std::mutex rescanLock_;
  std::function<void(const std::string&)> findLog_;
  std::mutex stopLock_;
  std::condition_variable stopWake_;
  bool stopping_ = false;
  std::thread rescanThread_;
};
