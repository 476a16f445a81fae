#include "server/api.h"

#include <nlohmann/json.hpp>

#include "driver/cp1251.h"
#include "driver/fiscal_printer.h"
#include "link/settings.h"
#include "server/printer_service.h"
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

json MessagesJson(const std::vector<ServerMessage>& messages) {
  json list = json::array();
  for (const auto& m : messages)
    list.push_back({{"type", m.type}, {"code", m.code}, {"text", m.text}});
  return list;
}

ApiResponse Error(int status, const std::string& code, const std::string& text) {
  json body = {{"ok", false},
               {"messages", json::array({{{"type", "error"}, {"code", code}, {"text", text}}})}};
  return ApiResponse{status, body.dump()};
}

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
  for (size_t i = 0; i < kScheme.size(); ++i) {
    char c = authorization[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != kScheme[i]) return "";
  }
  size_t start = kScheme.size();
  while (start < authorization.size() && authorization[start] == ' ') ++start;
  return authorization.substr(start);
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

}  // namespace

struct Api::Printer {
  explicit Printer(const ServedPrinter& info) : worker(info) {}
  PrinterWorker worker;
};

Api::Api(const ServerConfig& config) : config_(config) {
  for (const auto& p : config_.printers) {
    PortMap::Instance().Set(p.com, p.path);
    printers_.push_back(std::make_unique<Printer>(p));
  }
}

Api::~Api() = default;

bool Api::OpenJournal(const std::string& path, std::string& error) {
  return journal_.Open(path, error);
}

void Api::SetTimeoutsForTesting(const LinkTimeouts& timeouts) {
  for (auto& p : printers_) p->worker.SetTimeoutsForTesting(timeouts);
}

Api::Printer* Api::Find(const std::string& id) {
  for (auto& p : printers_)
    if (p->worker.Info().id == id) return p.get();
  return nullptr;
}

ApiResponse Api::Handle(const std::string& method, const std::string& path, const std::string& body,
                        const std::string& authorization) {
  ApiRequest request;
  request.method = method;
  request.path = path;
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
  const std::string& path = in.path;
  const std::string& body = in.body;
  if (!config_.token.empty() && !SameSecret(BearerToken(in.authorization), config_.token))
    return Error(kUnauthorized, "token", "A valid \"Authorization: Bearer TOKEN\" is required");
  if (body.size() > kMaxBody) return Error(kTooLarge, "request", "The body is over 64 KiB");
  const auto parts = Split(path);
  if (parts.empty() || parts[0] != "printers" || parts.size() > 3)
    return Error(kNotFound, "path", "No such endpoint: " + path);
  if (parts.size() == 1) {
    if (method != "GET") return Error(kBadMethod, "method", "GET /printers");
    json list = json::array();
    for (auto& p : printers_) {
      const ApiResponse one = Dispatch(*p, "GET", "", "", in.clientGone);
      list.push_back(json::parse(one.body));
    }
    return ApiResponse{kOk, json{{"ok", true}, {"printers", list}}.dump()};
  }
  Printer* printer = Find(parts[1]);
  if (!printer) return Error(kNotFound, "printer", "No printer \"" + parts[1] + "\"");
  return Dispatch(*printer, method, parts.size() == 3 ? parts[2] : "", body, in.clientGone);
}

ApiResponse Api::Dispatch(Printer& printer, const std::string& method, const std::string& action,
                          const std::string& body, const std::function<bool()>& clientGone) {
  const ServedPrinter& info = printer.worker.Info();
  const bool isGet =
      action.empty() || action == "status" || (action == "datetime" && method == "GET");
  static const char* const kPosts[] = {"receipt", "xreport",  "zreport",  "duplicate",
                                       "deposit", "withdraw", "datetime", "rawrequest"};
  bool known = isGet;
  for (const char* a : kPosts) known = known || action == a;
  if (!known) return Error(kNotFound, "path", "No such endpoint: " + action);
  if (action == "rawrequest" && !config_.allowRaw)
    return Error(kNotFound, "path", "rawrequest is off (fiscal-server --allow-raw)");
  if (isGet != (method == "GET"))
    return Error(kBadMethod, "method", (isGet ? "GET " : "POST ") + action);

  // The body, checked whole before the printer is touched.
  json request = json::object();
  if (!isGet && !body.empty()) {
    request = json::parse(body, nullptr, false);
    if (request.is_discarded()) return Error(kBadRequest, "json", "The body is not valid JSON");
    if (!request.is_object()) return Error(kBadRequest, "json", "The body must be a JSON object");
  }
  std::string error;
  Corrections corrections;
  if (!ParseCorrections(request, corrections, error)) return Error(kBadRequest, "request", error);
  ReceiptRequest receipt;
  SumRequest sum;
  RawRequest raw;
  std::time_t when = 0;
  bool valid = true;
  if (action == "receipt")
    valid = ParseReceiptRequest(request, receipt, error) && CheckReceiptSums(receipt, error);
  if (action == "deposit" || action == "withdraw") valid = ParseSumRequest(request, sum, error);
  if (action == "datetime" && !isGet) valid = ParseDateTimeRequest(request, when, error);
  if (action == "rawrequest") valid = ParseRawRequest(request, raw, error);
  if (action == "xreport" || action == "zreport" || action == "duplicate")
    valid = ParseEmptyRequest(request, error);
  if (!valid) return Error(kBadRequest, "request", error);
  if (action == "zreport") corrections.zeroDayReport = true;

  const std::string& sale = receipt.uniqueSaleNumber;
  const std::string fingerprint = action == "receipt" ? SaleFingerprint(request) : "";
  std::optional<ApiResponse> early;  // answered without the printer
  json result = json::object();
  bool ok = false;
  std::vector<ServerMessage> messages;
  const int retries = isGet ? 0 : config_.retries;
  const PrinterWorker::RunResult run = printer.worker.Run(
      [&] {
        if (!sale.empty()) {
          if (const auto entry = journal_.Find(info.id, sale)) {
            const UsedSaleAnswer used = AnswerUsedSale(*entry, info.id, sale, fingerprint);
            early = ApiResponse(used.status, used.body.dump());
            early->ok = used.body.value("ok", false);
            return;
          }
          std::string journalError;
          if (!journal_.Start(info.id, sale, fingerprint, journalError)) {
            early = Error(kInternal, "journal", journalError + "; nothing was printed");
            return;
          }
        }
        PolicyHost host(corrections, retries,
                        [&printer](UiHost* h) { return printer.worker.Open(h); });
        for (const auto& w : receipt.warnings) host.Add("warning", "request", w);
        std::unique_ptr<FiscalPrinter> fp = printer.worker.Open(&host);
        if (fp->IsConnected()) {
          if (action.empty()) {
            result = ReadPrinterInfo(*fp);
            ok = result.contains("version");
          } else if (action == "status") {
            StatusFlags flags{};
            ok = CallSucceeded(*fp, host, fp->ReadStatus(flags));
            if (ok) result["status"] = StatusToJson(flags);
          } else if (action == "datetime" && isGet) {
            std::time_t t = 0;
            ok = CallSucceeded(*fp, host, fp->ReadDateTime(t));
            if (ok) result["deviceDateTime"] = FormatDeviceTime(t);
          } else if (action == "datetime") {
            // A date before the last fiscal-memory record ends told ("BP"): the
            // host has the driver's message.
            ok = CallSucceeded(*fp, host, fp->SetDateTime(when));
          } else if (action == "xreport" || action == "zreport") {
            ok = CallSucceeded(*fp, host, fp->PrintDailyReport(action == "zreport"));
          } else if (action == "duplicate") {
            ok = CallSucceeded(*fp, host, fp->PrintDuplicate());
          } else if (action == "deposit" || action == "withdraw") {
            const double amount = action == "deposit" ? sum.amount : -sum.amount;
            ok = CallSucceeded(*fp, host,
                               fp->ServiceSumInOut(sum.op.value_or(config_.defaultOperator),
                                                   sum.paymentType, amount));
          } else if (action == "rawrequest") {
            const std::string reply = fp->Transact(static_cast<uint8_t>(raw.command), raw.data);
            ok = !reply.empty();
            if (ok) result["response"] = Cp1251ToUtf8(reply);
          } else if (action == "receipt") {
            const SaleOutcome outcome =
                RunReceipt(*fp, host, receipt, receipt.op.value_or(config_.defaultOperator));
            ok = outcome.ok;
            result = OutcomeToJson(outcome);
          }
        }
        const bool connected = fp->IsConnected();
        fp.reset();  // the line is free again before the response goes out
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
        messages = host.Messages();
        if (!sale.empty()) {
          json kept = result;
          kept["ok"] = ok;
          kept["messages"] = MessagesJson(messages);
          std::string journalError;
          const bool printed = result.value("printed", json::object()).value("opened", false);
          // A receipt that printed nothing may be sent again under its number.
          if (!(printed ? journal_.Finish(info.id, sale, fingerprint, kept, journalError)
                        : journal_.Release(info.id, sale, journalError)))
            messages.push_back(ServerMessage{"error", "journal", journalError});
        }
      },
      clientGone);
  if (run == PrinterWorker::RunResult::kFull)
    return Error(kBusy, "busy", "Too many requests wait for printer \"" + info.id + "\"");
  if (run == PrinterWorker::RunResult::kDropped)
    return Error(kClientGone, "gone",
                 "The client left before its turn; nothing was sent to the printer");
  ApiResponse out(kOk, "");
  if (early) out = *early;
  out.printer = info.id;
  out.saleNumber = sale;
  if (early) return out;
  out.ok = ok;
  static const char* const kPrinting[] = {"xreport", "zreport", "duplicate", "deposit", "withdraw"};
  for (const char* a : kPrinting) out.printed = out.printed || (ok && action == a);
  out.printed = out.printed || result.value("printed", json::object()).value("opened", false);
  if (action.empty()) {
    result["id"] = info.id;
    result["port"] = info.path;
    result["com"] = info.com;
    result["speed"] = info.baud;
    result["connected"] = ok;
  }
  result["ok"] = ok;
  result["messages"] = MessagesJson(messages);
  out.body = result.dump();
  return out;
}
