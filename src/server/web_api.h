#pragma once

#include <cstddef>
#include <deque>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "server/api.h"
#include "server/sale_journal.h"
#include "server/server_config.h"

// The JSON the server's page reads besides the printers' own requests; each
// needs the token like every request (GET only):
//
//   GET /server/settings   what the server was started with, read-only:
//                          {"listen","port","https","printers":[{id,path,baud,com}],
//                           "allowedOrigins","allowedHosts","journal","log",
//                           "tokenRequired","allowRaw","findPrinters"} (never the token)
//   GET /server/sales?since=UTC   the sale numbers started since that moment
//                          ("2026-12-08T00:00:00Z", the page's midnight), newest
//                          first, at most kMaxSales: {"sales":[{"printer","sale",
//                          "time","outcome","receiptNumber","amount",
//                          "receiptDateTime","text"}]}; outcome is "printed",
//                          "cancelled", "unfinished" (started, never finished, or
//                          left open) or "refused" (nothing printed: those are
//                          kept in memory only, since the server started)
//   GET /server/log?lines=N       the last N lines (1..kMaxLogLines, default 200)
//                          of --log: {"enabled":bool,"lines":[…]}; without --log
//                          the log goes to standard error and is not shown

// The sale numbers refused with nothing printed, which the journal forgets at
// once (the number may be sent again): the newest kKept, in memory. Thread-safe.
class RefusedSales {
 public:
  static constexpr size_t kKept = 500;
  struct Row {
    std::string printer, sale, time, text;  // time: UTC as in the journal
  };
  void Add(const std::string& printer, const std::string& sale, const std::string& text);
  std::vector<Row> Since(const std::string& since) const;  // newest first

 private:
  mutable std::mutex lock_;
  std::deque<Row> rows_;
};

struct WebApiContext {
  const ServerConfig& config;
  std::string journalPath;
  const SaleJournal& journal;
  const RefusedSales& refused;
};

constexpr size_t kMaxSales = 2000;
constexpr size_t kMaxLogLines = 500;

// Answers GET /server/{what}; 404 for another name, 405 for another method.
ApiResponse WebApi(const WebApiContext& context, const std::string& method, const std::string& what,
                   const std::multimap<std::string, std::string>& query);

// The last `lines` lines of the text file at `path` (read from its end only:
// a log of any size costs the same). False when it cannot be read.
bool TailOfFile(const std::string& path, size_t lines, std::vector<std::string>& out);
