#include "server/api.h"

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

using nlohmann::json;

namespace {

constexpr int kOk = 200;
constexpr int kNoContent = 204;
constexpr int kBadRequest = 400;
constexpr int kUnauthorized = 401;
constexpr int kNotFound = 404;
constexpr int kBadMethod = 405;
constexpr int kTooLarge = 413;
constexpr int kClientGone = 408;
constexpr int kBusy = 503;

constexpr int kInternal = 500;
constexpr const char* kWrongPrinter = "wrongPrinter";
// Finished tasks remembered in memory after they were reported.
constexpr size_t kKeptTasks = 1000;
// The longest wait a client may ask for with asyncTimeout (ten minutes).
constexpr long long kMaxAsyncTimeoutMs = 600000;
// How often a printer with an interrupted receipt is tried again while no
// request comes (each request tries first too).
constexpr std::chrono::milliseconds kSettleRetry{3000};
constexpr std::chrono::milliseconds kSettleRetryForTesting{200};

ApiResponse Error(int status, const std::string& reason, const std::string& text) {
  return ApiResponse{status, ErrorBody(reason, text)};
}

ApiResponse Stopping() {
  return Error(kBusy, "busy",
               "The server is stopping: nothing was sent to the printer; send the request again "
               "once the server is back");
}

// The result of a task the server stopped before its turn: now and after a restart.
json NeverRan() {
  return {{"ok", false},
          {"messages",
           MessagesJson({{"error", "busy",
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

std::string UriOf(const ServedPrinter& p) {
  return "serial://" + p.path + "?baud=" + std::to_string(p.baud);
}

// The answer with what the request log needs: the printer, the sale number,
// whether it did what was asked and whether anything reached the paper.
// `printsWhenOk`: a request that prints when it succeeds (reports, sums).
ApiResponse Answered(const std::string& printer, const std::string& saleNumber, const json& answer,
                     bool printsWhenOk) {
  ApiResponse out(kOk, answer.dump());
  out.printer = printer;
  out.saleNumber = saleNumber;
  out.ok = answer.value("ok", false);
  out.printed =
      answer.value("printed", json::object()).value("opened", false) || (out.ok && printsWhenOk);
  for (const auto& m : answer.value("messages", json::array()))
    if (m.value("reason", "") == kWrongPrinter) out.note = m.value("text", "");
  return out;
}

enum class Action {
  kInfo,
  kStatus,
  kReadClock,
  kSetClock,
  kReceipt,
  kReversal,
  kXReport,
  kZReport,
  kDuplicate,
  kDeposit,
  kWithdraw,
  kCash,
  kRaw,
  kSettle,
};

// True when the printer stopped answering during the job (its retries ran out).
bool LinkFailed(const PolicyHost& host) {
  for (const auto& m : host.Messages())
    if (m.type == "error" && (m.code == "link" || m.code == "noAnswer")) return true;
  return false;
}

// The reports a zeroing chain printed before the job's own command went out
// (zeroReports), named in a message, in "reportsPrinted" and in the returned
// note for the log. `wentOn`: that command went out after the chain, so its
// last report printed too; otherwise the last may not have. `printed` is set
// when one surely did.
std::string TellReports(PolicyHost& host, bool wentOn, json& result, bool& printed) {
  const std::vector<std::string>& agreed = host.ReportsAgreed();
  printed = false;
  if (agreed.empty()) return "";
  const size_t sure = wentOn ? agreed.size() : host.ReportsConfirmed();
  std::string names;
  json list = json::array();
  for (size_t i = 0; i < sure; ++i) {
    names += (i ? ", " : "") + agreed[i];
    list.push_back(agreed[i]);
  }
  result["reportsPrinted"] = list;
  printed = sure > 0;
  std::string text = "Printed to put the printer right first: " + (names.empty() ? "-" : names);
  if (sure < agreed.size()) text += "; the " + agreed.back() + " may not have printed";
  host.Add("warning", "corrected", text);
  return "reports printed: " + (names.empty() ? "-" : names) +
         (sure < agreed.size() ? ", maybe " + agreed.back() : "");
}

bool PrintsWhenOk(Action action) {
  return action == Action::kXReport || action == Action::kZReport || action == Action::kDuplicate ||
         action == Action::kDeposit || action == Action::kWithdraw;
}

// Jobs that print or change money or fiscal state: they run only on the
// printer the id stands for (PrinterPin). A raw command may be any of them.
bool NeedsThePinnedPrinter(Action action) {
  return PrintsWhenOk(action) || action == Action::kReceipt || action == Action::kSetClock ||
         action == Action::kRaw || action == Action::kSettle;
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

struct Api::Printer {
  Printer(const ServedPrinter& info, SaleJournal& journal, const PaymentTypeMap& names,
          std::optional<DeviceIdentity> known = std::nullopt)
      : settler(journal, info.id, names),
        link([this](UiHost* host) { return worker.Open(host); }, info.path),
        identity(std::move(known)),
        pin(identity ? identity->serialNumber : "",
            identity ? identity->fiscalMemorySerialNumber : ""),
        worker(info) {
    worker.SetQuietTask(HeldLink::kIdleRelease, [this] { link.Release(); });
  }
  ReceiptSettler settler;  // an interrupted receipt, settled on the worker's thread
  HeldLink link;           // the printer's port between jobs
  // Handler threads held by this printer's requests, and those of them
  // waiting for tasks (Api::kMaxHandlersPerPrinter, kMaxTaskWaitsPerPrinter).
  std::atomic<size_t> handlers{0};
  std::atomic<size_t> taskWaits{0};
  std::mutex identityLock;
  std::optional<DeviceIdentity> identity;  // as last read from the printer the id stands for
  PrinterPin pin;                          // which printer that is
  ReceiptRulesCache rules;                 // its decimal mode and tax groups, while it answers
  // Last: its thread, which uses the members above, is joined first.
  PrinterWorker worker;
};

// A request checked whole, ready to run on the printer.
struct Api::Prepared {
  Action action = Action::kInfo;
  Corrections corrections;
  ReceiptRequest receipt;
  ReversalRequest reversal;
  SumRequest sum;
  OperatorChoice op;
  RawRequest raw;
  std::time_t when = 0;
  std::string fingerprint;  // of a receipt: tells a retry from another cart
};

Api::Api(const ServerConfig& config)
    : config_(config),
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
  const bool same =
      fp.IsConnected() &&
      printer.pin.Confirm(fp, printer.link.Generation(), onLine) == PrinterPin::Check::kSame;
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
  if (!config_.token.empty() && !SameSecret(BearerToken(in.authorization), config_.token))
    return Error(kUnauthorized, "token", "A valid \"Authorization: Bearer TOKEN\" is required");
  if (in.body.size() > kMaxBody) return Error(kTooLarge, "too-large", "The body is over 64 KiB");
  const Query query = ParseQuery(in.query);
  const auto parts = Split(in.path);
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
  return ApiResponse{kOk, body.dump()};
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
  if (!valid) return Error(kBadRequest, "request", error);
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
    ApiResponse out(kBusy, body.dump());
    out.printer = printer.worker.Info().id;
    out.saleNumber = job->receipt.uniqueSaleNumber;
    return out;
  }
  ApiResponse out(kOk, json{{"ok", true}, {"messages", json::array()}, {"taskId", id}}.dump());
  out.printer = printer.worker.Info().id;
  out.saleNumber = job->receipt.uniqueSaleNumber;
  out.ok = true;
  return out;
}

json Api::SettleAnswer(Printer& printer, const ReceiptSettler::Report& report, bool& ok) {
  json answer = json::object();
  std::vector<ServerMessage> messages;
  if (report.any) {
    const SettleResult& r = report.result;
    ok = SettledFree(r.how);
    answer["settled"] = SettledName(r.how);
    if (!report.sale.empty()) answer["uniqueSaleNumber"] = report.sale;
    answer["printed"] = {{"voided", r.voided}, {"payments", r.payments}};
    if (r.how == Settled::kCompleted) {
      answer["receiptNumber"] = ReceiptNumberText(r.receiptNumber);
      answer["receiptAmount"] = std::round(r.amount * 100) / 100;
    }
    messages.push_back({ok ? "info" : "error", "receipt", r.words});
  } else {
    // Nothing of this server's to settle: says whether the printer holds a receipt.
    PolicyHost host(Corrections{}, config_.retries,
                    [&printer](UiHost* h) { return printer.worker.Open(h); });
    FiscalPrinter& fp = printer.link.Take(&host);
    printer.worker.Prepare(fp);
    StatusFlags flags{};
    const bool read = fp.IsConnected() && CallSucceeded(fp, host, fp.ReadStatus(flags));
    printer.link.Give();
    messages = host.Messages();
    if (!read) {
      ok = false;
      answer["settled"] = "notNow";
      messages.push_back({"error", "noAnswer", "The printer does not answer"});
    } else if (flags[Flag::kFiscalReceiptOpen] || flags[Flag::kServiceReceiptOpen]) {
      ok = false;
      answer["settled"] = "cannot";
      messages.push_back({"error", "receipt",
                          "A receipt is open that this server did not leave open: its lines "
                          "are not known here, so it is not voided or paid; close it at the "
                          "printer or in the program that opened it"});
    } else {
      ok = true;
      answer["settled"] = "nothing";
      messages.push_back({"info", "receipt", "Nothing to settle: no receipt is open"});
    }
  }
  answer["ok"] = ok;
  answer["messages"] = MessagesJson(messages);
  return answer;
}

ApiResponse Api::Execute(Printer& printer, const Prepared& job) {
  const ServedPrinter& info = printer.worker.Info();
  const ReceiptRequest& receipt = job.receipt;
  const std::string& sale = receipt.uniqueSaleNumber;
  json result = json::object();
  bool ok = false;
  int httpStatus = kOk;  // 400 for a receipt the printer's rules refuse
  // An interrupted receipt is put right before anything else reaches the
  // printer, so that a resend of its number finds the outcome.
  std::optional<ReceiptSettler::Report> settled;
  if (printer.settler.Pending()) {
    // A read of a silent printer must not wait for the retries of the settling.
    const bool read = job.action == Action::kInfo || job.action == Action::kStatus ||
                      job.action == Action::kReadClock || job.action == Action::kCash;
    settled = SettlePending(printer, read ? 0 : config_.retries);
  }
  if (job.action == Action::kSettle) {
    bool settleOk = false;
    json answer = SettleAnswer(printer, settled.value_or(ReceiptSettler::Report{}), settleOk);
    ApiResponse out = Answered(info.id, "", answer, false);
    out.printed = settled && settled->result.how != Settled::kNotNow &&
                  (settled->result.voided > 0 || settled->result.payments > 0 ||
                   settled->result.how == Settled::kCancelled);
    return out;
  }
  const SettlePlan plan = PlanOf(receipt);
  if (!sale.empty()) {
    if (const auto entry = journal_.Find(info.id, sale)) {
      const UsedSaleAnswer used = AnswerUsedSale(*entry, info.id, sale, job.fingerprint);
      ApiResponse out(used.status, used.body.dump());
      out.printer = info.id;
      out.saleNumber = sale;
      out.ok = used.body.value("ok", false);
      return out;
    }
    std::string journalError;
    // Nothing is sent to the printer unless the journal holds the number.
    if (!journal_.Start(info.id, sale, job.fingerprint, journalError, PlanToJson(plan))) {
      ApiResponse out = Error(kBusy, "journal", journalError + "; nothing was printed");
      out.printer = info.id;
      out.saleNumber = sale;
      return out;
    }
  }
  const int retries =
      job.action == Action::kInfo || job.action == Action::kStatus ? 0 : config_.retries;
  // An interrupted receipt of this server's is settled by the server alone:
  // closing it by paying the rest in cash would book what was never sold.
  Corrections corrections = job.corrections;
  const bool blocked = printer.settler.Pending();
  if (blocked) corrections.closeReceipt = false;
  PolicyHost host(corrections, retries, [&printer](UiHost* h) { return printer.worker.Open(h); });
  if (settled && SettledFree(settled->result.how))
    host.Add("warning", "receipt", settled->result.words);
  for (const auto& w : receipt.warnings) host.Add("warning", "request", w);
  std::vector<ServerMessage> status;
  FiscalPrinter* fp = nullptr;  // the printer's kept link, until Give below
  if (job.action == Action::kReversal) {
    host.Add("error", "unsupported",
             "Сторно бонове не се поддържат: принтерът няма команда за сторно бон; нищо не е "
             "отпечатано");
  } else {
    fp = &printer.link.Take(&host);
    printer.worker.Prepare(*fp);
  }
  // Another printer on this port: its serial number. A job that needs the
  // pinned printer is then not sent; reads answer, saying so. The serial
  // number is read once per opening of the port (see PrinterPin).
  std::string onLine;
  bool confirmed = true;
  // A status request checks after its own status read (below).
  if (fp && fp->IsConnected() && NeedsThePinnedPrinter(job.action)) {
    const PrinterPin::Check check = printer.pin.Confirm(*fp, printer.link.Generation(), onLine);
    if (check != PrinterPin::Check::kOther) onLine.clear();
    if (check != PrinterPin::Check::kSame && NeedsThePinnedPrinter(job.action)) {
      confirmed = false;
      if (check == PrinterPin::Check::kOther)
        host.Add("error", kWrongPrinter,
                 OtherPrinterText(onLine, printer.pin.SerialNumber()) + "; нищо не е изпратено");
      else if (!host.HasError())
        host.Add("error", "link",
                 "Серийният номер на принтера не може да бъде прочетен; нищо не е изпратено");
    }
  }
  // A receipt not started answers the receipt's members all the same.
  if (!confirmed && job.action == Action::kReceipt) result = OutcomeToJson(SaleOutcome{});
  std::optional<DeviceIdentity> otherIdentity;  // device info of another printer on the port
  bool answered = false;
  if (fp && fp->IsConnected() && confirmed) {
    switch (job.action) {
      case Action::kInfo: {
        const auto identity = ReadDeviceIdentity(*fp);
        ok = answered = identity.has_value();
        if (identity && printer.pin.Compare(identity->serialNumber) == PrinterPin::Check::kOther) {
          onLine = identity->serialNumber;
          otherIdentity = identity;
          break;
        }
        std::lock_guard<std::mutex> lock(printer.identityLock);
        if (identity) printer.identity = identity;
        break;
      }
      case Action::kStatus: {
        StatusFlags flags{};
        ok = CallSucceeded(*fp, host, fp->ReadStatus(flags));
        if (ok) {
          // Whose status it is: another printer's says so (below).
          if (printer.pin.ConfirmAfterStatus(*fp, printer.link.Generation(), flags, onLine) !=
              PrinterPin::Check::kOther)
            onLine.clear();
          result["status"] = StatusToJson(flags);
          status = StatusMessages(flags);
          ok = result["status"]["ok"].get<bool>();
          const std::string clock = ReadDeviceClock(*fp, flags);
          if (!clock.empty()) result["deviceDateTime"] = clock;
          // A receipt left open takes no sale, whoever opened it.
          if (blocked) {
            host.Add("error", "receipt", printer.settler.Blocking());
            ok = false;
          } else if (flags[Flag::kFiscalReceiptOpen] || flags[Flag::kServiceReceiptOpen]) {
            host.Add("error", "receipt",
                     "A receipt is open on the printer that this server did not leave "
                     "open: no sale can be printed until it is closed (at the printer, or "
                     "by the program that opened it)");
            ok = false;
          }
        }
        break;
      }
      case Action::kReadClock: {
        std::time_t t = 0;
        const std::string clock = fp->ReadDateTime(t);
        ok = CallSucceeded(*fp, host, clock) && !DeviceTimeOf(clock).empty();
        if (ok) result["deviceDateTime"] = DeviceTimeOf(clock);
        break;
      }
      case Action::kSetClock: {
        // A date before the last fiscal-memory record ends told ("BP"): the
        // host has the driver's message.
        ok = CallSucceeded(*fp, host, fp->SetDateTime(job.when));
        break;
      }
      case Action::kXReport:
      case Action::kZReport:
        ok = CallSucceeded(*fp, host, fp->PrintDailyReport(job.action == Action::kZReport));
        break;
      case Action::kDuplicate:
        ok = CallSucceeded(*fp, host, fp->PrintDuplicate());
        break;
      case Action::kDeposit:
      case Action::kWithdraw: {
        const double amount = job.action == Action::kDeposit ? job.sum.amount : -job.sum.amount;
        ok = CallSucceeded(*fp, host,
                           fp->ServiceSumInOut(job.sum.op.Resolve(config_.defaultOperator),
                                               job.sum.paymentType, amount));
        break;
      }
      case Action::kCash: {
        const auto cash = ReadCashInDrawer(*fp);
        ok = cash.has_value();
        if (ok) result["amount"] = *cash;
        break;
      }
      case Action::kRaw: {
        // A data reply may be empty and still be the printer's whole answer:
        // how the exchange ended decides, not the length of its text.
        const std::string reply = fp->Transact(static_cast<uint8_t>(job.raw.command), job.raw.data);
        ok = CallEndedDone(*fp, host);
        if (ok) result["rawResponse"] = Cp1251ToUtf8(reply);
        break;
      }
      case Action::kReceipt: {
        SaleOutcome outcome;
        SettlePlan before = plan;
        ReceiptPlan money;
        std::string refusal, journalError;
        if (blocked) {
          host.Add("error", "receipt", printer.settler.Blocking());
        } else if (const auto rules = printer.rules.Get(*fp, host); !rules) {
          // The printer did not tell its rules: the host holds why; nothing opened.
        } else if (!PlanReceipt(receipt, *rules, money, refusal)) {
          // Nothing is opened that the printer could not close: the receipt is
          // counted by this printer's rules first.
          host.Add("error", "request", refusal + "; nothing was printed");
          httpStatus = kBadRequest;
        } else {
          before.total = UnitsToAmount(money.total, money.rules);
          if (!sale.empty() && !ReadFiguresBefore(*fp, host, before)) {
            // Without them a receipt cut short by a crash could not be told printed
            // or not. (A receipt without a sale number is not resent: it goes without.)
            host.Add("error", "receipt",
                     "The printer's last receipt number and the day's turnover could not be "
                     "read before opening the receipt; nothing was printed");
          } else if (!sale.empty() && !journal_.Start(info.id, sale, job.fingerprint,
                                                      journalError, PlanToJson(before))) {
            host.Add("error", "journal", journalError + "; nothing was printed");
          } else {
            outcome = RunReceipt(*fp, host, receipt, receipt.op.Resolve(config_.defaultOperator),
                                 money, before, config_.paymentTypes,
                                 printer.pin.MemorySerialNumberOn(printer.link.Generation()));
            if (outcome.interrupted) {
              before.opened = true;
              printer.settler.Keep(sale, job.fingerprint, before);
              printer.worker.WakeIdle();  // tried again by itself until settled
            }
          }
        }
        ok = outcome.ok;
        result = OutcomeToJson(outcome);
        break;
      }
      case Action::kReversal:
      case Action::kSettle:
        break;
    }
  }
  const bool connected = fp && fp->IsConnected();
  if (fp) printer.link.Give();  // kept for the next job, or closed when it failed
  fp = nullptr;
  // The receipt rules are read again after the link was lost (the printer may
  // have been changed meanwhile), another printer answered, a raw command may
  // have changed them, or a receipt failed on the printer after it opened
  // (its rules may have changed under another program).
  const bool receiptFailed = job.action == Action::kReceipt && !ok &&
                             result.value("printed", json::object()).value("opened", false);
  if (!connected || LinkFailed(host) || !onLine.empty() || job.action == Action::kRaw ||
      receiptFailed)
    printer.rules.Forget();
  // Every failure says why: the printer that never answered apart from the
  // request the driver refused before sending it (a value over the printer's limit).
  if (!ok && !host.HasError()) {
    if (!connected)
      host.Add("error", "noAnswer", "The printer on " + info.path + " cannot be reached");
    else
      host.Add("error", "rejected",
               "The driver refused the request before sending it: a value this printer "
               "does not accept (for example an amount over its maximum), or a state "
               "that does not allow it");
  }
  // Reads of another printer answer what it said, and that it is not this one.
  if (confirmed && !onLine.empty()) {
    host.Add("error", kWrongPrinter, OtherPrinterText(onLine, printer.pin.SerialNumber()));
    ok = false;
  }
  bool reportsPrinted = false;
  const std::string reports =
      TellReports(host, ok || result.value("printed", json::object()).value("opened", false),
                  result, reportsPrinted);
  std::vector<ServerMessage> messages = host.Messages();
  messages.insert(messages.end(), status.begin(), status.end());
  if (job.action == Action::kInfo) {
    std::lock_guard<std::mutex> lock(printer.identityLock);
    const std::optional<DeviceIdentity>& shown = otherIdentity ? otherIdentity : printer.identity;
    if (shown) result = DeviceInfoJson(*shown, UriOf(info), config_.paymentTypes);
    result["id"] = info.id;
    result["port"] = info.path;
    result["com"] = info.com;
    result["speed"] = info.baud;
    result["connected"] = answered;
  }
  result["ok"] = ok;
  result["messages"] = MessagesJson(messages);
  if (!sale.empty()) {
    std::string journalError;
    const std::string state = result.value("receiptState", std::string("none"));
    // A receipt that sold nothing (nothing printed, or voided and cancelled) frees
    // its number; one left open or unknown stays started until it is settled.
    const bool kept = state == "open" || state == "unknown";
    if (!kept &&
        !(state == "closed" ? journal_.Finish(info.id, sale, job.fingerprint, result, journalError)
                            : journal_.Release(info.id, sale, journalError))) {
      messages.push_back(ServerMessage{"error", "journal", journalError});
      result["messages"] = MessagesJson(messages);
    }
  }
  ApiResponse out = Answered(info.id, sale, result, PrintsWhenOk(job.action));
  out.status = httpStatus;
  out.printed = out.printed || reportsPrinted;
  if (!reports.empty()) out.note += (out.note.empty() ? "" : "; ") + reports;
  return out;
}
