#include "server/api.h"
#include "server/api_parts.h"

#include <nlohmann/json.hpp>

#include <chrono>
#include <cmath>
#include <cstdio>

#include "driver/cp1251.h"
#include "driver/fiscal_printer.h"
#include "driver/status_flags.h"
#include "link/settings.h"
#include "server/held_link.h"
#include "server/http_request.h"
#include "server/netfp_answers.h"
#include "server/netfp_device.h"
#include "server/printer_pin.h"
#include "server/printer_service.h"
#include "server/receipt_rules.h"
#include "server/receipt_settler.h"
#include "server/receipt_total.h"
#include "server/request_guard.h"
#include "server/requests.h"
#include "server/sale_numbers.h"
#include "server/web_api.h"
#include "server/web_page.h"

using nlohmann::json;
using namespace api_parts;

namespace {

constexpr int kNoContent = 204;
constexpr int kUnauthorized = 401;
constexpr int kNotFound = 404;
constexpr int kBadMethod = 405;
constexpr int kTooLarge = 413;
constexpr int kClientGone = 408;

constexpr int kInternal = 500;
// Finished tasks remembered in memory after they were reported.
constexpr size_t kKeptTasks = 1000;
// The longest wait a client may ask for with asyncTimeout (ten minutes).
constexpr long long kMaxAsyncTimeoutMs = 600000;
// How often a printer with an interrupted receipt is tried again while no
// request comes (each request tries first too).
constexpr std::chrono::milliseconds kSettleRetry{3000};
constexpr std::chrono::milliseconds kSettleRetryForTesting{200};

ApiResponse Stopping() {
  return Error(kBusy, "busy",
               "The server is stopping: nothing was sent to the printer; send the request again "
               "once the server is back");
}

// The result of a task the server stopped before its turn: now and after a restart.
json NeverRan() {
  return {{"ok", false},
          {"messages",
           MessagesJson({{MessageType::kError, "busy",
                          "The server stopped before this task's turn: it never ran and nothing "
                          "was sent to the printer; send it again under a new task id"}})}};
}

// One of a bounded number of places (handler threads held by one printer's
// requests): taken when fewer than `max` are, given back when it goes.
class Place {
 public:
  Place(std::atomic<size_t>& count, size_t max) : count_(count), taken_(++count_ <= max) {
    if (!taken_) --count_;
  }
  ~Place() {
    if (taken_) --count_;
  }
  Place(const Place&) = delete;
  Place& operator=(const Place&) = delete;
  bool Taken() const { return taken_; }

 private:
  std::atomic<size_t>& count_;
  bool taken_;
};

// Compares without an early exit and over the length given, so the time
// taken tells neither how much matched nor how long the secret is.
bool SameSecret(const std::string& given, const std::string& secret) {
  if (secret.empty()) return false;
  unsigned char diff = given.size() == secret.size() ? 0 : 1;
  for (size_t i = 0; i < given.size(); ++i) diff |= given[i] ^ secret[i % secret.size()];
  return diff == 0;
}

// The token of "Bearer TOKEN" (the scheme in any case), or "" when it is not one.
std::string BearerToken(const std::string& authorization) {
  static const std::string kScheme = "bearer ";
  if (authorization.size() <= kScheme.size()) return "";
  if (LowerAscii(authorization.substr(0, kScheme.size())) != kScheme) return "";
  size_t start = kScheme.size();
  while (start < authorization.size() && authorization[start] == ' ') ++start;
  return authorization.substr(start);
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// "a=1&b=x%20y" -> {a: 1, b: "x y"}; '+' is a space, a broken escape stays as sent.
std::multimap<std::string, std::string> ParseQuery(const std::string& query) {
  auto decode = [](const std::string& s) {
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
      if (s[i] == '+') {
        out += ' ';
      } else if (s[i] == '%' && i + 2 < s.size() + 0 && HexDigit(s[i + 1]) >= 0 &&
                 HexDigit(s[i + 2]) >= 0) {
        out += static_cast<char>(HexDigit(s[i + 1]) * 16 + HexDigit(s[i + 2]));
        i += 2;
      } else {
        out += s[i];
      }
    }
    return out;
  };
  std::multimap<std::string, std::string> out;
  size_t at = 0;
  while (at <= query.size()) {
    const size_t end = std::min(query.find('&', at), query.size());
    const std::string pair = query.substr(at, end - at);
    if (!pair.empty()) {
      const size_t eq = pair.find('=');
      out.emplace(decode(pair.substr(0, eq)),
                  eq == std::string::npos ? "" : decode(pair.substr(eq + 1)));
    }
    at = end + 1;
  }
  return out;
}

std::vector<std::string> Split(const std::string& path) {
  std::vector<std::string> parts;
  size_t i = 0;
  while (i < path.size()) {
    while (i < path.size() && path[i] == '/') ++i;
    const size_t j = path.find('/', i);
    const size_t end = j == std::string::npos ? path.size() : j;
    if (end > i) parts.push_back(path.substr(i, end - i));
    i = end;
  }
  return parts;
}

const std::string* QueryValue(const std::multimap<std::string, std::string>& query,
                              const std::string& key) {
  const auto it = query.find(key);
  return it == query.end() ? nullptr : &it->second;
}

struct Endpoint {
  const char* name;
  bool get;
  bool post;
  Action action;
};

constexpr Endpoint kEndpoints[] = {
    {"", true, false, Action::kInfo},
    {"status", true, false, Action::kStatus},
    {"receipt", false, true, Action::kReceipt},
    {"reversalreceipt", false, true, Action::kReversal},
    {"xreport", false, true, Action::kXReport},
    {"zreport", false, true, Action::kZReport},
    {"duplicate", false, true, Action::kDuplicate},
    {"deposit", false, true, Action::kDeposit},
    {"withdraw", false, true, Action::kWithdraw},
    {"cash", true, true, Action::kCash},
    {"rawrequest", false, true, Action::kRaw},
    {"datetime", true, true, Action::kSetClock},  // GET reads it
    {"settle", false, true, Action::kSettle},
};

}  // namespace

Api::Api(const ServerConfig& config)
    : config_(config),
      refused_(std::make_unique<RefusedSales>()),
      taskStore_(std::make_unique<JournalTaskStore>(journal_)),
      tasks_(kKeptTasks, taskStore_.get()) {
  // Each worker opens its printer by path and speed (PrinterLine): nothing
  // process-wide is set for it.
  for (const auto& p : config_.printers) {
    printers_.push_back(std::make_unique<Printer>(p, journal_, config_.paymentTypes));
    WatchReceipts(*printers_.back());
  }
}

void Api::WatchReceipts(Printer& printer) {
  printer.worker.SetIdleTask(
      [this, &printer] {
        if (printer.settler.Pending()) SettlePending(printer, 0);
        return printer.settler.Pending();
      },
      testTimeouts_ ? kSettleRetryForTesting : kSettleRetry);
  printer.settler.LoadFromJournal();
  if (printer.settler.Pending()) printer.worker.WakeIdle();
}

ReceiptSettler::Report Api::SettlePending(Printer& printer, int retries) {
  ReceiptSettler::Report report;
  PolicyHost host(Corrections{}, retries, [&printer](UiHost* h) { return printer.worker.Open(h); });
  FiscalPrinter& fp = printer.link.Take(&host);
  printer.worker.Prepare(fp);
  std::string onLine;
  const bool same = fp.IsConnected() && printer.pin.Confirm(fp, printer.link.Generation(),
                                                            onLine) == PrinterPin::Check::kSame;
  if (same) report = printer.settler.Run(fp, host);
  printer.link.Give();
  if (same) return report;
  // Only the printer the receipt was printed on is touched.
  report.any = true;
  report.result.how = Settled::kNotNow;
  report.result.words = onLine.empty()
                            ? "The printer does not answer; the interrupted receipt is settled "
                              "as soon as it does"
                            : OtherPrinterText(onLine, printer.pin.SerialNumber()) +
                                  "; the interrupted receipt waits for its printer";
  return report;
}

Api::~Api() {
  Shutdown();
  {
    std::lock_guard<std::mutex> lock(stopLock_);
    stopping_ = true;
  }
  stopWake_.notify_all();
  if (rescanThread_.joinable()) rescanThread_.join();
  // The workers go first: each finishes the job it runs (which reports to the
  // tasks and the journal) and drops the ones waiting.
  std::vector<std::unique_ptr<Printer>> all;
  {
    std::lock_guard<std::mutex> lock(printersLock_);
    all.swap(printers_);
  }
  all.clear();
  tasks_.FinishUnrun(NeverRan());
}

void Api::Shutdown() {
  shutdown_ = true;
  tasks_.Stop();
}

size_t Api::PrinterCount() {
  std::lock_guard<std::mutex> lock(printersLock_);
  return printers_.size();
}

void Api::StartFinding(std::function<void(const std::string& line)> log) {
  if (!config_.findPrinters) return;
  findLog_ = std::move(log);
  Scan(true);
  if (config_.rescanInterval > 0) rescanThread_ = std::thread([this] { RescanLoop(); });
}

void Api::RescanLoop() {
  const auto interval = std::chrono::seconds(config_.rescanInterval);
  std::unique_lock<std::mutex> lock(stopLock_);
  while (!stopWake_.wait_for(lock, interval, [this] { return stopping_; })) {
    lock.unlock();
    Scan(false);
    lock.lock();
  }
}

size_t Api::Rescan() {
  return Scan(true);
}

size_t Api::Scan(bool summaryAlways) {
  std::lock_guard<std::mutex> scanning(rescanLock_);
  std::vector<ServedPrinter> served;
  {
    std::lock_guard<std::mutex> lock(printersLock_);
    for (const auto& p : printers_) served.push_back(p->worker.Info());
  }
  const DiscoveryResult result =
      DiscoverPrinters(PortScanner::Candidates(discovery_.scanDevices), served, discovery_);
  {
    std::lock_guard<std::mutex> lock(printersLock_);
    for (const auto& found : result.found) {
      printers_.push_back(
          std::make_unique<Printer>(found.printer, journal_, config_.paymentTypes, found.identity));
      if (testTimeouts_) printers_.back()->worker.SetTimeoutsForTesting(testTimeouts_);
      WatchReceipts(*printers_.back());
    }
  }
  // A periodic scan that found nothing new says nothing.
  if (findLog_ && (summaryAlways || !result.found.empty() || !result.skipped.empty())) {
    const std::string prefix = "scan: ";
    for (const auto& found : result.found)
      findLog_(prefix + "printer " + found.printer.id + " on " + found.printer.path + " at " +
               std::to_string(found.printer.baud) + " baud");
    for (const auto& line : result.skipped) findLog_(prefix + line);
    char tried[64];
    std::snprintf(tried, sizeof tried, "%d ports tried in %.1f s", result.scannedPorts,
                  result.elapsedMs / 1000.0);
    const size_t total = served.size() + result.found.size();
    findLog_(prefix + (total == 0 ? "no printer found (" + std::string(tried) +
                                        "); POST /printers/rescan looks again"
                                  : std::to_string(result.found.size()) + " new, " +
                                        std::to_string(total) + " served (" + tried + ")"));
  }
  return result.found.size();
}

bool Api::OpenJournal(const std::string& path, std::string& error) {
  journalPath_ = path;
  if (!journal_.Open(path, error)) return false;
  // Receipts a killed server left: each printer settles its own before its next job.
  std::lock_guard<std::mutex> lock(printersLock_);
  for (auto& p : printers_) {
    p->settler.LoadFromJournal();
    if (p->settler.Pending()) p->worker.WakeIdle();
  }
  return true;
}

void Api::SetTimeoutsForTesting(const LinkTimeouts& timeouts) {
  std::lock_guard<std::mutex> lock(printersLock_);
  testTimeouts_ = timeouts;
  for (auto& p : printers_) {
    p->worker.SetTimeoutsForTesting(timeouts);
    WatchReceipts(*p);  // tried again sooner
  }
}

Api::Printer* Api::Find(const std::string& id) {
  std::lock_guard<std::mutex> lock(printersLock_);
  for (auto& p : printers_)
    if (p->worker.Info().id == id) return p.get();
  for (auto& p : printers_) {
    std::lock_guard<std::mutex> hold(p->identityLock);
    if (p->identity && PrinterIdOf(p->identity->serialNumber) == id) return p.get();
  }
  return nullptr;
}

ApiResponse Api::Handle(const std::string& method, const std::string& path, const std::string& body,
                        const std::string& authorization) {
  ApiRequest request;
  request.method = method;
  const size_t mark = path.find('?');
  request.path = path.substr(0, mark);
  if (mark != std::string::npos) request.query = path.substr(mark + 1);
  request.body = body;
  request.authorization = authorization;
  if (!body.empty()) request.contentType = "application/json";
  return Handle(request);
}

ApiResponse Api::Handle(const ApiRequest& in) {
  GuardInput guard;
  guard.method = in.method;
  guard.host = in.host;
  guard.hasOrigin = in.hasOrigin;
  guard.origin = in.origin;
  guard.contentType = in.contentType;
  guard.hasBody = !in.body.empty();
  guard.https = in.https;
  const GuardVerdict verdict =
      CheckRequest(GuardPolicy{config_.allowedHosts, config_.allowedOrigins}, guard);
  ApiResponse out;
  if (verdict.status == kNoContent) {
    out.status = kNoContent;
  } else if (verdict.status != 0) {
    out = Error(verdict.status, verdict.code, verdict.text);
  } else {
    out = Route(in);
  }
  out.headers.insert(out.headers.end(), verdict.headers.begin(), verdict.headers.end());
  return out;
}

ApiResponse Api::Route(const ApiRequest& in) {
  const std::string& method = in.method;
  // The page's own files hold no data: they load without the token.
  if (ApiResponse page; ServeWebPage(in, page)) {
    page.unlogged = page.status < kBadRequest;
    return page;
  }
  if (!config_.token.empty() && !SameSecret(BearerToken(in.authorization), config_.token))
    return Error(kUnauthorized, "token", "A valid \"Authorization: Bearer TOKEN\" is required");
  if (in.body.size() > kMaxBody) return Error(kTooLarge, "too-large", "The body is over 64 KiB");
  const Query query = ParseQuery(in.query);
  const auto parts = Split(in.path);
  if (parts.size() == 2 && parts[0] == "server") {
    ApiResponse out =
        WebApi(WebApiContext{config_, journalPath_, journal_, *refused_}, method, parts[1], query);
    out.unlogged = out.status < kBadRequest;
    return out;
  }
  if (parts.empty() || parts[0] != "printers" || parts.size() > 3)
    return Error(kNotFound, "path", "No such endpoint: " + in.path);
  if (parts.size() == 1) {
    if (method != "GET") return Error(kBadMethod, "method", "GET /printers");
    return ListPrinters(in.clientGone);
  }
  if (parts.size() == 2 && parts[1] == "rescan") {
    if (method != "POST") return Error(kBadMethod, "method", "POST /printers/rescan");
    return RescanRequest(in);
  }
  if (parts.size() == 2 && parts[1] == "taskinfo") {
    if (method != "GET") return Error(kBadMethod, "method", "GET /printers/taskinfo?id=TASK");
    return TaskInfo(query);
  }
  Printer* printer = Find(parts[1]);
  if (!printer) return Error(kNotFound, "printer-id", "No printer \"" + parts[1] + "\"");
  return Dispatch(*printer, method, parts.size() == 3 ? parts[2] : "", query, in.body,
                  in.clientGone);
}

ApiResponse Api::ListPrinters(const std::function<bool()>& clientGone) {
  std::vector<Printer*> all;
  {
    std::lock_guard<std::mutex> lock(printersLock_);
    for (auto& p : printers_) all.push_back(p.get());
  }
  json list = json::object();
  for (Printer* p : all) {
    const ApiResponse one = Dispatch(*p, "GET", "", Query{}, "", clientGone);
    list[p->worker.Info().id] = json::parse(one.body, nullptr, false);
  }
  ApiResponse out{kOk, list.dump()};
  out.ok = true;  // the table was made; each printer's own "ok" says how it answered
  return out;
}

ApiResponse Api::RescanRequest(const ApiRequest& in) {
  if (!config_.findPrinters)
    return Error(kNotFound, "path",
                 "The printers were given with --com/--device: the server does not look for "
                 "others");
  if (!in.body.empty()) {
    const json request = json::parse(in.body, nullptr, false);
    if (request.is_discarded() || !request.is_object())
      return Error(kBadRequest, "json", "The body must be empty or a JSON object");
    if (const auto key = FirstUnknownMember(request, {}))
      return Error(kBadRequest, "request", "rescan: unknown field \"" + *key + "\"");
  }
  Rescan();
  return ListPrinters(in.clientGone);
}

ApiResponse Api::TaskInfo(const Query& query) {
  const std::string* id = QueryValue(query, "id");
  if (!id || !TaskRegistry::ValidId(*id))
    return Error(kBadRequest, "request", "taskinfo needs ?id=TASK");
  json result;
  const TaskRegistry::State state = tasks_.Info(*id, result);
  json body = {
      {"ok", true}, {"messages", json::array()}, {"taskStatus", TaskRegistry::StateName(state)}};
  if (state == TaskRegistry::State::kFinished) body["result"] = result;
  return Reply(kOk, body);
}

ApiResponse Api::Dispatch(Printer& printer, const std::string& method, const std::string& name,
                          const Query& query, const std::string& body,
                          const std::function<bool()>& clientGone) {
  const ServedPrinter& info = printer.worker.Info();
  const Endpoint* route = nullptr;
  for (const auto& r : kEndpoints)
    if (name == r.name) route = &r;
  if (!route) return Error(kNotFound, "path", "No such endpoint: " + name);
  if (route->action == Action::kRaw && !config_.allowRaw)
    return Error(kNotFound, "path", "rawrequest is off (fiscal-server --allow-raw)");
  const bool isGet = method == "GET";
  if ((isGet && !route->get) || (method == "POST" && !route->post) ||
      (method != "GET" && method != "POST"))
    return Error(kBadMethod, "method",
                 std::string(route->get ? "GET " : "") + (route->get && route->post ? "or " : "") +
                     (route->post ? "POST " : "") + name);

  // The body, checked whole before the printer is touched.
  json request = json::object();
  if (!isGet && !body.empty()) {
    request = json::parse(body, nullptr, false);
    if (request.is_discarded()) return Error(kBadRequest, "json", "The body is not valid JSON");
    if (!request.is_object()) return Error(kBadRequest, "json", "The body must be a JSON object");
  }
  auto job = std::make_shared<Prepared>();
  job->action = route->action;
  if (job->action == Action::kSetClock && isGet) job->action = Action::kReadClock;
  std::string error;
  if (!ParseCorrections(request, job->corrections, error))
    return Error(kBadRequest, "request", error);
  bool valid = true;
  switch (job->action) {
    case Action::kReceipt:
      valid = ParseReceiptRequest(request, config_.paymentTypes, job->receipt, error);
      // With the printer's rules known already, a receipt it would not take is
      // refused here, without a turn on the printer; otherwise its job checks.
      // A sale number already used is answered by its job from the journal,
      // and a task id by its task, whatever the rules say now.
      if (const auto rules = printer.rules.Known();
          valid && rules && !QueryValue(query, "taskId") &&
          (job->receipt.uniqueSaleNumber.empty() ||
           !journal_.Find(info.id, job->receipt.uniqueSaleNumber)))
        valid = CheckReceiptSums(job->receipt, *rules, error);
      break;
    case Action::kReversal:
      valid = ParseReversalRequest(request, config_.paymentTypes, job->reversal, error);
      break;
    case Action::kDeposit:
    case Action::kWithdraw:
      valid = ParseSumRequest(request, config_.paymentTypes, job->sum, error);
      break;
    case Action::kCash:
      valid = ParseCashRequest(request, job->op, error);
      break;
    case Action::kSetClock:
      valid = ParseDateTimeRequest(request, job->when, error);
      break;
    case Action::kRaw:
      valid = ParseRawRequest(request, job->raw, error);
      break;
    case Action::kXReport:
    case Action::kZReport:
    case Action::kDuplicate:
    case Action::kSettle:
      valid = ParseEmptyRequest(request, error);
      break;
    default:
      break;
  }
  if (!valid) {
    if (job->action == Action::kReceipt && !job->receipt.uniqueSaleNumber.empty())
      refused_->Add(info.id, job->receipt.uniqueSaleNumber, error);
    return Error(kBadRequest, "request", error);
  }
  if (job->action == Action::kZReport) job->corrections.zeroDayReport = true;
  if (job->action == Action::kReceipt) job->fingerprint = SaleFingerprint(request);

  if (shutdown_) return Stopping();
  if (!isGet && (QueryValue(query, "asyncTimeout") || QueryValue(query, "taskId")))
    return RunAsTask(printer, job, query, clientGone);
  const Place place(printer.handlers, kMaxHandlersPerPrinter);
  if (!place.Taken())
    return Error(kBusy, "busy", "Too many requests wait for printer \"" + info.id + "\"");
  ApiResponse answer;
  // A request whose turn comes after Shutdown is not run.
  const PrinterWorker::RunResult run = printer.worker.Run(
      [&] { answer = shutdown_ ? Stopping() : Execute(printer, *job); }, clientGone);
  if (run == PrinterWorker::RunResult::kFull)
    return Error(kBusy, "busy", "Too many requests wait for printer \"" + info.id + "\"");
  if (run == PrinterWorker::RunResult::kDropped)
    return Error(kClientGone, "gone",
                 "The client left before its turn; nothing was sent to the printer");
  return answer;
}

ApiResponse Api::RunAsTask(Printer& printer, std::shared_ptr<Prepared> job, const Query& query,
                           const std::function<bool()>& clientGone) {
  std::optional<std::chrono::milliseconds> wait;
  if (const std::string* t = QueryValue(query, "asyncTimeout")) {
    long long ms = -1;
    if (!t->empty() && t->size() <= 9 && t->find_first_not_of("0123456789") == std::string::npos)
      ms = std::stoll(*t);
    if (ms < 0 || ms > kMaxAsyncTimeoutMs)
      return Error(kBadRequest, "request", "asyncTimeout: milliseconds from 0 to 600000");
    wait = std::chrono::milliseconds(ms);
  }
  std::string id;
  if (const std::string* given = QueryValue(query, "taskId")) {
    if (!TaskRegistry::ValidId(*given))
      return Error(kBadRequest, "request", "taskId: 1 to 64 printable characters");
    id = *given;
  } else {
    id = TaskRegistry::NewId();
  }
  // A known id is that task again: nothing new is queued.
  if (tasks_.Add(id, printer.worker.Info().id)) {
    const bool queued = printer.worker.Post([this, &printer, job, id] {
      if (shutdown_) {
        tasks_.Finish(id, NeverRan());
        return;
      }
      tasks_.Start(id);
      const auto started = std::chrono::steady_clock::now();
      ApiResponse result;
      try {
        result = Execute(printer, *job);
      } catch (const std::exception& e) {
        result = Error(kInternal, "internal", std::string("Internal error: ") + e.what());
      }
      tasks_.Finish(id, json::parse(result.body, nullptr, false));
      if (taskLog_)
        taskLog_(id, result,
                 std::chrono::duration_cast<std::chrono::milliseconds>(
                     std::chrono::steady_clock::now() - started));
    });
    if (!queued) {
      tasks_.Drop(id);
      return Error(kBusy, "busy",
                   "Too many requests wait for printer \"" + printer.worker.Info().id + "\"");
    }
  }
  // A wait holds a handler thread: only a few per printer and per task do;
  // beyond them the task id is answered at once, as when the time is up.
  json result;
  TaskRegistry::State state = TaskRegistry::State::kUnknown;
  {
    const bool waits = !wait || wait->count() > 0;
    const Place waiting(printer.taskWaits, waits ? kMaxTaskWaitsPerPrinter : 0);
    const Place handler(printer.handlers, waiting.Taken() ? kMaxHandlersPerPrinter : 0);
    state = tasks_.Wait(id, handler.Taken() ? wait : std::chrono::milliseconds(0), result,
                        clientGone, kMaxWaitsPerTask);
  }
  if (state == TaskRegistry::State::kFinished) {
    result["taskId"] = id;
    ApiResponse out = Answered(printer.worker.Info().id, job->receipt.uniqueSaleNumber, result,
                               PrintsWhenOk(job->action));
    out.printed = false;  // logged when it ran, not again when it is read
    return out;
  }
  // Queued or still running: the log names the printer; what it printed is
  // known when it finishes.
  if (shutdown_) {
    json body = json::parse(Stopping().body);
    body["messages"][0]["text"] =
        "The server is stopping before this task finished: ask GET /printers/taskinfo?id=" + id +
        " once the server is back";
    body["taskId"] = id;
    ApiResponse out = Reply(kBusy, body);
    out.printer = printer.worker.Info().id;
    out.saleNumber = job->receipt.uniqueSaleNumber;
    return out;
  }
  ApiResponse out = Reply(kOk, {{"ok", true}, {"messages", json::array()}, {"taskId", id}});
  out.printer = printer.worker.Info().id;
  out.saleNumber = job->receipt.uniqueSaleNumber;
  return out;
}
