#pragma once

#include <cstdio>
#include <deque>
#include <map>
#include <mutex>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

// The sale numbers a till has used, kept in a file that survives restarts and
// crashes, so that one sale number never prints two receipts.
//
// One JSON object a line, appended and flushed to the disk before Start and
// Finish return:
//   {"printer":"1","sale":"DT..-17","fingerprint":"…","state":"started","time":"…",
//    "settle":{…}}   ("settle" optional: see ReceiptSettler)
//   {"printer":"1","sale":"DT..-17","fingerprint":"…","state":"finished","result":{…}}
//   {"printer":"1","sale":"DT..-17","state":"released"}   (nothing printed: may be sent again)
// The last line of a number counts. A line cut short by a crash is skipped.
// The newest kKeptSales numbers are kept: when the file holds twice as many
// lines it is rewritten with those (to a new file, then renamed over the old).
// The file is created readable and writable by its owner only.
class SaleJournal {
 public:
  static constexpr size_t kKeptSales = 10000;

  enum class State { kStarted, kFinished };
  struct Entry {
    std::string fingerprint;
    State state = State::kStarted;
    nlohmann::json result;  // kFinished: the response given
    std::string time;       // when it was started (UTC)
    // kStarted: what the receipt asked, for putting it right when it was
    // interrupted ("settle" member of the started line; null when absent).
    nlohmann::json settle;
  };

  // `kept`: how many numbers are kept (smaller in tests).
  explicit SaleJournal(size_t kept = kKeptSales) : kept_(kept) {}
  ~SaleJournal();
  SaleJournal(const SaleJournal&) = delete;
  SaleJournal& operator=(const SaleJournal&) = delete;

  // Reads the journal at `path` and keeps it open for appending (the folder is
  // made when missing). False with `error` when it cannot be read or written.
  // Without Open the journal lives in memory only.
  bool Open(const std::string& path, std::string& error);

  std::optional<Entry> Find(const std::string& printer, const std::string& sale) const;
  // Each returns once the line is on the disk; false with `error` otherwise.
  // `settle` (when not null) is kept with the started line as its member
  // "settle"; starting a number again rewrites it (the last line counts).
  bool Start(const std::string& printer, const std::string& sale, const std::string& fingerprint,
             std::string& error, const nlohmann::json& settle = nullptr);
  bool Finish(const std::string& printer, const std::string& sale, const std::string& fingerprint,
              const nlohmann::json& result, std::string& error);
  bool Release(const std::string& printer, const std::string& sale, std::string& error);

  // The sale numbers of `printer` started but not finished, oldest first,
  // with their entries.
  std::vector<std::pair<std::string, SaleJournal::Entry>> Unfinished(
      const std::string& printer) const;

  size_t Size() const;

 private:
  bool Append(const nlohmann::json& line, std::string& error);
  void Apply(const nlohmann::json& line);
  bool Compact(std::string& error);

  size_t kept_;
  mutable std::mutex mutex_;
  std::string path_;
  std::FILE* file_ = nullptr;
  size_t lines_ = 0;
  std::map<std::string, Entry> entries_;  // printer + '\n' + sale
  std::deque<std::string> order_;         // keys, oldest first
};

// A short digest of what a receipt request asks for (its items, payments and
// operator), to tell a retry of the same cart from another cart.
std::string SaleFingerprint(const nlohmann::json& request);

// Where the journal is kept when --journal does not say: the service's state
// folder ($STATE_DIRECTORY), else $XDG_STATE_HOME or ~/.local/state, under
// fiscal-server/; on Windows %LOCALAPPDATA%\fiscal-server. "" when none is known.
std::string DefaultJournalPath();
