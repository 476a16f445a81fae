#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "server/journal_file.h"

// The sale numbers a till has used, kept in a file that survives restarts and
// crashes, so that one sale number never prints two receipts.
//
// One JSON object a line, appended and pushed to the disk before Start,
// Finish and Release return (JournalFile: locked against a second server,
// torn lines cut off, failed writes cut back):
//   {"printer":"1","sale":"DT..-17","fingerprint":"…","state":"started","time":"…",
//    "settle":{…}}   ("settle" optional: see ReceiptSettler)
//   {"printer":"1","sale":"DT..-17","fingerprint":"…","state":"finished","result":{…}}
//   {"printer":"1","sale":"DT..-17","state":"released","reason":"…"}
//       (nothing printed: the number may be sent again; "reason" optional)
// The last line of a number counts. A line that cannot be read (cut short, not
// JSON, a member of the wrong type) is skipped with a warning naming it
// (Warnings), never stopping the server.
//
// Retention: the newest kKeptSales numbers that printed or may have printed
// (started or finished), all printers together; a released number frees its
// place at once. Records under a "printer" that begins with '#' (the task ids,
// see JournalTaskStore) are not sales: they are kept apart, as many again, and
// never push a sale number out. The file is rewritten with what is kept (see
// JournalFile::Replace) at open when it holds anything else, and while running
// whenever kept-count more lines have gathered; a rewrite that fails leaves
// the old file in use and is tried again later.
//
// Memory follows the file: a Start whose line could not be written changes
// nothing (the number stays free). Finish and Release record a fact that holds
// whether or not the line reached the disk (the receipt printed; nothing
// printed), so they change memory even when they return false: the file then
// errs on the side of "started", which a restart answers with 409, never a
// second receipt. Thread-safe.
class SaleJournal {
 public:
  static constexpr size_t kKeptSales = 10000;
  // A line longer than this is not one of ours (a result is well below).
  static constexpr size_t kMaxLine = 1 << 20;
  // Warnings kept from Open; one more says how many were left out.
  static constexpr size_t kMaxWarnings = 20;

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
  SaleJournal(const SaleJournal&) = delete;
  SaleJournal& operator=(const SaleJournal&) = delete;

  // Reads the journal at `path` (the folder is made when missing) and keeps
  // it open and locked. False with `error` when it cannot be read or written,
  // is not a regular file, or another server holds it. Without Open the
  // journal lives in memory only.
  bool Open(const std::string& path, std::string& error);
  // What Open skipped or repaired, one text each ("line 12 skipped: …").
  std::vector<std::string> Warnings() const;

  std::optional<Entry> Find(const std::string& printer, const std::string& sale) const;
  // Each returns once the line is on the disk; false with `error` otherwise.
  // `settle` (when not null) is kept with the started line as its member
  // "settle"; starting a number again rewrites it (the last line counts).
  bool Start(const std::string& printer, const std::string& sale, const std::string& fingerprint,
             std::string& error, const nlohmann::json& settle = nullptr);
  bool Finish(const std::string& printer, const std::string& sale, const std::string& fingerprint,
              const nlohmann::json& result, std::string& error);
  // Nothing printed under the number: it may be sent again. `reason`, when
  // given, is written in the line ("cancelled, nothing sold").
  bool Release(const std::string& printer, const std::string& sale, std::string& error,
               const std::string& reason = {});

  // The numbers of `printer` started and never finished (sale number and
  // entry), oldest first: what a crash or a lost printer left undecided.
  std::vector<std::pair<std::string, Entry>> Unfinished(const std::string& printer) const;

  // Numbers and other records kept (all printers).
  size_t Size() const;

  // The sale numbers kept (not the task ids), newest first: those started at
  // or after `since` (UTC as in the lines, "2026-12-08T00:00:00Z"; "" for
  // all), at most `max`. For the server's page.
  struct Listed {
    std::string printer;
    std::string sale;
    Entry entry;
  };
  std::vector<Listed> Sales(const std::string& since, size_t max) const;

 private:
  struct Kept {
    Entry entry;
    uint64_t order = 0;  // when it was first started: older numbers go first
  };
  // One line as read or about to be written, checked.
  struct Line {
    std::string printer, sale, state, fingerprint, time, reason;
    nlohmann::json result;
    nlohmann::json settle;  // started lines only; null when absent
  };
  // Moves the result out of `j`.
  static std::optional<Line> Read(nlohmann::json& j, std::string& why);
  static nlohmann::json ToJson(const Line& line);

  bool Write(const Line& line, bool applyWhenUnwritten, std::string& error);
  void Apply(Line line);
  void Forget(const std::string& key);
  std::string Contents() const;
  // Rewrites the file with what is kept; false (the old file in use) otherwise.
  bool Compact(std::string& error);

  size_t kept_;
  mutable std::mutex mutex_;
  JournalFile file_;
  bool open_ = false;
  size_t lines_ = 0;      // lines in the file
  size_t compactAt_ = 0;  // lines at which it is rewritten next
  uint64_t nextOrder_ = 0;
  std::map<std::string, Kept> entries_;     // printer + '\n' + sale
  std::map<uint64_t, std::string> sales_;   // order -> key, oldest first
  std::map<uint64_t, std::string> others_;  // the same for records that are not sales
  std::vector<std::string> warnings_;
};

// A short digest of what a receipt request asks for (its items, payments and
// operator), to tell a retry of the same cart from another cart.
std::string SaleFingerprint(const nlohmann::json& request);

// Where the journal is kept when --journal does not say: the service's state
// folder ($STATE_DIRECTORY), else $XDG_STATE_HOME or ~/.local/state, under
// fiscal-server/; on Windows %LOCALAPPDATA%\fiscal-server. "" when none is known.
std::string DefaultJournalPath();
