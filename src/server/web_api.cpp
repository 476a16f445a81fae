#include "server/web_api.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstddef>
#include <cstdio>

#include "link/utf8_file.h"
#include "server/netfp_answers.h"
#include "server/utc_time.h"

using nlohmann::json;

namespace {

constexpr int kOk = 200;
constexpr int kBadRequest = 400;
constexpr int kNotFound = 404;
constexpr int kBadMethod = 405;
constexpr size_t kDefaultLogLines = 200;
// The end of the log read for its tail: lines are short (about 100 bytes).
constexpr long kTailBytes = 256 * 1024;

ApiResponse Fail(int status, const std::string& reason, const std::string& text) {
  return ApiResponse{
      status, json{{"ok", false}, {"messages", MessagesJson({{MessageType::kError, reason, text}})}}
                  .dump()};
}

ApiResponse Answer(json body) {
  body["ok"] = true;
  body["messages"] = json::array();
  // Log lines may hold bytes that are not UTF-8: they are shown replaced.
  ApiResponse out{kOk, body.dump(-1, ' ', false, json::error_handler_t::replace)};
  out.ok = true;
  return out;
}

const std::string* Value(const std::multimap<std::string, std::string>& query,
                         const std::string& key) {
  const auto it = query.find(key);
  return it == query.end() ? nullptr : &it->second;
}

ApiResponse Settings(const WebApiContext& c) {
  const ServerConfig& config = c.config;
  json printers = json::array();
  for (const auto& p : config.printers)
    printers.push_back({{"id", p.id}, {"path", p.path}, {"baud", p.baud}, {"com", p.com}});
  return Answer({{"listen", config.host + ":" + std::to_string(config.port)},
                 {"port", config.port},
                 {"https", !config.tlsCert.empty()},
                 {"printers", printers},
                 {"allowedOrigins", config.allowedOrigins},
                 {"allowedHosts", config.allowedHosts},
                 {"journal", c.journalPath},
                 {"log", config.logPath},
                 {"tokenRequired", !config.token.empty()},
                 {"allowRaw", config.allowRaw},
                 {"findPrinters", config.findPrinters}});
}

// What became of a sale number, in the page's words for it.
std::string Outcome(const SaleJournal::Entry& e) {
  if (e.state != SaleJournal::State::kFinished) return "unfinished";
  const std::string state = e.result.value("receiptState", "");
  if (state == "cancelled") return "cancelled";
  if (state == "open") return "unfinished";
  return "printed";
}

std::string FirstMessage(const json& result) {
  for (const auto& m : result.value("messages", json::array()))
    if (m.value("type", "") == "error") return m.value("text", "");
  return "";
}

bool ValidSince(const std::string& s) {
  // "2026-12-08T00:00:00Z", or the same with milliseconds as JavaScript writes it.
  static const std::string kShape = "dddd-dd-ddTdd:dd:dd";
  if (s.size() < kShape.size()) return false;
  for (size_t i = 0; i < kShape.size(); ++i)
    if (kShape[i] == 'd' ? (s[i] < '0' || s[i] > '9') : s[i] != kShape[i]) return false;
  return true;
}

ApiResponse Sales(const WebApiContext& c, const std::multimap<std::string, std::string>& query) {
  std::string since;
  if (const std::string* s = Value(query, "since")) {
    if (!ValidSince(*s))
      return Fail(kBadRequest, "request", "since: a moment in UTC, e.g. 2026-12-08T00:00:00Z");
    since = s->substr(0, 19) + "Z";
  }
  json rows = json::array();
  for (const auto& s : c.journal.Sales(since, kMaxSales)) {
    const json& r = s.entry.result;
    json row = {{"printer", s.printer},
                {"sale", s.sale},
                {"time", s.entry.time},
                {"outcome", Outcome(s.entry)}};
    if (r.is_object()) {
      if (r.contains("receiptNumber")) row["receiptNumber"] = r["receiptNumber"];
      if (r.contains("receiptAmount")) row["amount"] = r["receiptAmount"];
      if (r.contains("receiptDateTime")) row["receiptDateTime"] = r["receiptDateTime"];
      row["text"] = FirstMessage(r);
    }
    rows.push_back(row);
  }
  for (const auto& s : c.refused.Since(since))
    rows.push_back({{"printer", s.printer},
                    {"sale", s.sale},
                    {"time", s.time},
                    {"outcome", "refused"},
                    {"text", s.text}});
  // Newest first, both lists together (the times are ISO texts).
  std::stable_sort(rows.begin(), rows.end(), [](const json& a, const json& b) {
    return a["time"].get<std::string>() > b["time"].get<std::string>();
  });
  if (rows.size() > kMaxSales) rows.erase(rows.begin() + kMaxSales, rows.end());
  return Answer({{"sales", rows}});
}

ApiResponse Log(const WebApiContext& c, const std::multimap<std::string, std::string>& query) {
  size_t lines = kDefaultLogLines;
  if (const std::string* n = Value(query, "lines")) {
    if (n->empty() || n->size() > 3 || n->find_first_not_of("0123456789") != std::string::npos ||
        std::stoul(*n) < 1 || std::stoul(*n) > kMaxLogLines)
      return Fail(kBadRequest, "request", "lines: 1 to " + std::to_string(kMaxLogLines));
    lines = std::stoul(*n);
  }
  if (c.config.logPath.empty()) return Answer({{"enabled", false}, {"lines", json::array()}});
  std::vector<std::string> tail;
  if (!TailOfFile(c.config.logPath, lines, tail))
    return Answer({{"enabled", true},
                   {"lines", json::array()},
                   {"error", "The log " + c.config.logPath + " cannot be read"}});
  json list = json::array();
  for (const auto& l : tail) list.push_back(l);
  return Answer({{"enabled", true}, {"lines", list}});
}

}  // namespace

void RefusedSales::Add(const std::string& printer, const std::string& sale,
                       const std::string& text) {
  std::lock_guard<std::mutex> hold(lock_);
  rows_.push_back(Row{printer, sale, UtcNow(), text});
  while (rows_.size() > kKept) rows_.pop_front();
}

std::vector<RefusedSales::Row> RefusedSales::Since(const std::string& since) const {
  std::lock_guard<std::mutex> hold(lock_);
  std::vector<Row> out;
  for (auto it = rows_.rbegin(); it != rows_.rend(); ++it)
    if (it->time >= since) out.push_back(*it);
  return out;
}

bool TailOfFile(const std::string& path, size_t lines, std::vector<std::string>& out) {
  out.clear();
  std::FILE* f = OpenFileUtf8(path, "rb");
  if (!f) return false;
  std::string text;
  if (std::fseek(f, 0, SEEK_END) == 0) {
    const long size = std::ftell(f);
    const long from = size > kTailBytes ? size - kTailBytes : 0;
    if (size >= 0 && std::fseek(f, from, SEEK_SET) == 0) {
      text.resize(static_cast<size_t>(size - from));
      text.resize(std::fread(text.data(), 1, text.size(), f));
      // Started mid-file: the first, partial line is not shown.
      if (from > 0)
        text.erase(0, text.find('\n') == std::string::npos ? text.size() : text.find('\n') + 1);
    }
  }
  std::fclose(f);
  std::vector<std::string> all;
  size_t at = 0;
  while (at < text.size()) {
    size_t nl = text.find('\n', at);
    if (nl == std::string::npos) nl = text.size();
    std::string line = text.substr(at, nl - at);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    all.push_back(line);
    at = nl + 1;
  }
  const size_t first = all.size() > lines ? all.size() - lines : 0;
  out.assign(all.begin() + static_cast<std::ptrdiff_t>(first), all.end());
  return true;
}

ApiResponse WebApi(const WebApiContext& context, const std::string& method, const std::string& what,
                   const std::multimap<std::string, std::string>& query) {
  if (what != "settings" && what != "sales" && what != "log")
    return Fail(kNotFound, "path", "No such endpoint: /server/" + what);
  if (method != "GET") return Fail(kBadMethod, "method", "GET /server/" + what);
  if (what == "settings") return Settings(context);
  if (what == "sales") return Sales(context, query);
  return Log(context, query);
}
