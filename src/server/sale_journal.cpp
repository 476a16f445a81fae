#include "server/sale_journal.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <set>

#include "link/private_file.h"
#include "link/utf8_file.h"
#include "server/utc_time.h"

#ifdef _WIN32
#include <direct.h>
#include <io.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

using nlohmann::json;

namespace {

constexpr const char* kStarted = "started";
constexpr const char* kFinished = "finished";
constexpr const char* kReleased = "released";

std::string Key(const std::string& printer, const std::string& sale) {
  return printer + '\n' + sale;
}

std::string SystemError() {
  return std::strerror(errno);
}

// Pushes what was written through the system's caches to the disk.
bool SyncFile(std::FILE* f) {
  if (std::fflush(f) != 0) return false;
#ifdef _WIN32
  return _commit(_fileno(f)) == 0;
#else
  return fsync(fileno(f)) == 0;
#endif
}

// Opens `path` for `mode` ("a" or "w"), readable and writable by its owner
// only: the journal holds what the tills sold.
std::FILE* OpenOwnerOnly(const std::string& path, const char* mode) {
  return OpenPrivateFileUtf8(path, mode[0] == 'a' ? "ab" : "wb");
}

bool MakeFolders(const std::string& path) {
  for (size_t at = path.find_first_of("/\\", 1); at != std::string::npos;
       at = path.find_first_of("/\\", at + 1)) {
    const std::string folder = path.substr(0, at);
#ifdef _WIN32
    if (folder.size() == 2 && folder[1] == ':') continue;
    _mkdir(folder.c_str());
#else
    mkdir(folder.c_str(), 0700);
#endif
  }
  return true;
}

bool ReplaceFile(const std::string& from, const std::string& to) {
#ifdef _WIN32
  return MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
#else
  return std::rename(from.c_str(), to.c_str()) == 0;
#endif
}

uint64_t Fnv1a(const std::string& text) {
  uint64_t h = 0xcbf29ce484222325ULL;
  for (unsigned char c : text) {
    h ^= c;
    h *= 0x100000001b3ULL;
  }
  return h;
}

}  // namespace

SaleJournal::~SaleJournal() {
  if (file_) std::fclose(file_);
}

bool SaleJournal::Open(const std::string& path, std::string& error) {
  std::lock_guard<std::mutex> lock(mutex_);
  path_ = path;
  MakeFolders(path);
  if (std::FILE* in = OpenFileUtf8(path, "rb")) {
    std::string line;
    int c;
    while ((c = std::fgetc(in)) != EOF) {
      if (c != '\n') {
        line += static_cast<char>(c);
        continue;
      }
      const json j = json::parse(line, nullptr, false);
      if (j.is_object()) Apply(j);  // a line cut short by a crash is skipped
      ++lines_;
      line.clear();
    }
    std::fclose(in);
  } else if (errno != ENOENT) {
    error = "cannot read the sale journal " + path + ": " + SystemError();
    return false;
  }
  file_ = OpenOwnerOnly(path, "a");
  if (!file_) {
    error = "cannot write the sale journal " + path + ": " + SystemError();
    return false;
  }
  // A torn last line would glue itself to the next one: end it.
  if (std::ftell(file_) > 0) std::fputc('\n', file_);
  return SyncFile(file_) || (error = "cannot write the sale journal " + path, false);
}

void SaleJournal::Apply(const json& line) {
  if (!line.contains("printer") || !line.contains("sale") || !line.contains("state")) return;
  const std::string key = Key(line.value("printer", ""), line.value("sale", ""));
  const std::string state = line.value("state", "");
  if (state == kReleased) {
    entries_.erase(key);
    return;
  }
  Entry e;
  e.fingerprint = line.value("fingerprint", "");
  e.time = line.value("time", "");
  if (state == kStarted && line.contains("settle")) e.settle = line["settle"];
  if (state == kFinished) {
    e.state = State::kFinished;
    e.result = line.value("result", json::object());
  } else if (state != kStarted) {
    return;
  }
  auto it = entries_.find(key);
  if (it == entries_.end()) {
    order_.push_back(key);
  } else if (e.time.empty()) {
    e.time = it->second.time;
  }
  entries_[key] = e;
  // Only the newest numbers are kept.
  while (order_.size() > kept_) {
    entries_.erase(order_.front());
    order_.pop_front();
  }
}

bool SaleJournal::Append(const json& line, std::string& error) {
  Apply(line);
  if (!file_) return path_.empty() || (error = "the sale journal is not open", false);
  const std::string text = line.dump() + "\n";
  if (std::fwrite(text.data(), 1, text.size(), file_) != text.size() || !SyncFile(file_)) {
    error = "cannot write the sale journal " + path_ + ": " + SystemError();
    return false;
  }
  ++lines_;
  if (lines_ > 2 * kept_) return Compact(error);
  return true;
}

bool SaleJournal::Compact(std::string& error) {
  const std::string temp = path_ + ".new";
  std::FILE* out = OpenOwnerOnly(temp, "w");
  if (!out) {
    error = "cannot rewrite the sale journal " + temp + ": " + SystemError();
    return false;
  }
  size_t written = 0;
  bool ok = true;
  for (const auto& key : order_) {
    const auto it = entries_.find(key);
    if (it == entries_.end()) continue;
    const size_t nl = key.find('\n');
    json line = {{"printer", key.substr(0, nl)},
                 {"sale", key.substr(nl + 1)},
                 {"fingerprint", it->second.fingerprint},
                 {"time", it->second.time}};
    line["state"] = it->second.state == State::kFinished ? kFinished : kStarted;
    if (it->second.state == State::kFinished) line["result"] = it->second.result;
    if (it->second.state == State::kStarted && !it->second.settle.is_null())
      line["settle"] = it->second.settle;
    const std::string text = line.dump() + "\n";
    ok = ok && std::fwrite(text.data(), 1, text.size(), out) == text.size();
    ++written;
  }
  ok = SyncFile(out) && ok;
  std::fclose(out);
  if (!ok) {
    error = "cannot rewrite the sale journal " + temp + ": " + SystemError();
    return false;
  }
  std::fclose(file_);
  file_ = nullptr;
  if (!ReplaceFile(temp, path_)) {
    error = "cannot replace the sale journal " + path_ + ": " + SystemError();
    file_ = OpenOwnerOnly(path_, "a");
    return false;
  }
  file_ = OpenOwnerOnly(path_, "a");
  lines_ = written;
  if (!file_) {
    error = "cannot write the sale journal " + path_ + ": " + SystemError();
    return false;
  }
  return true;
}

std::optional<SaleJournal::Entry> SaleJournal::Find(const std::string& printer,
                                                    const std::string& sale) const {
  std::lock_guard<std::mutex> lock(mutex_);
  const auto it = entries_.find(Key(printer, sale));
  if (it == entries_.end()) return std::nullopt;
  return it->second;
}

bool SaleJournal::Start(const std::string& printer, const std::string& sale,
                        const std::string& fingerprint, std::string& error, const json& settle) {
  std::lock_guard<std::mutex> lock(mutex_);
  json line = {{"printer", printer},
               {"sale", sale},
               {"fingerprint", fingerprint},
               {"state", kStarted},
               {"time", UtcNow()}};
  if (!settle.is_null()) line["settle"] = settle;
  return Append(line, error);
}

bool SaleJournal::Finish(const std::string& printer, const std::string& sale,
                         const std::string& fingerprint, const json& result, std::string& error) {
  std::lock_guard<std::mutex> lock(mutex_);
  return Append({{"printer", printer},
                 {"sale", sale},
                 {"fingerprint", fingerprint},
                 {"state", kFinished},
                 {"result", result}},
                error);
}

bool SaleJournal::Release(const std::string& printer, const std::string& sale, std::string& error) {
  std::lock_guard<std::mutex> lock(mutex_);
  return Append({{"printer", printer}, {"sale", sale}, {"state", kReleased}}, error);
}

std::vector<std::pair<std::string, SaleJournal::Entry>> SaleJournal::Unfinished(
    const std::string& printer) const {
  std::lock_guard<std::mutex> lock(mutex_);
  std::vector<std::pair<std::string, Entry>> out;
  std::set<std::string> seen;  // a number released and started again is in order_ twice
  for (const auto& key : order_) {
    const auto it = entries_.find(key);
    if (it == entries_.end() || it->second.state != State::kStarted) continue;
    if (!seen.insert(key).second) continue;
    const size_t nl = key.find('\n');
    if (key.compare(0, nl, printer) == 0 && nl == printer.size())
      out.emplace_back(key.substr(nl + 1), it->second);
  }
  return out;
}

size_t SaleJournal::Size() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return entries_.size();
}

std::string SaleFingerprint(const json& request) {
  json what = json::object();
  for (const char* key : {"items", "payments", "operator"})
    if (request.is_object() && request.contains(key)) what[key] = request.at(key);
  char hex[17];
  std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(Fnv1a(what.dump())));
  return hex;
}

std::string DefaultJournalPath() {
  const std::string name = "sales-journal.jsonl";
#ifdef _WIN32
  const char* local = std::getenv("LOCALAPPDATA");
  return local && *local ? std::string(local) + "\\fiscal-server\\" + name : "";
#else
  if (const char* state = std::getenv("STATE_DIRECTORY"); state && *state)
    return std::string(state) + "/" + name;
  if (const char* xdg = std::getenv("XDG_STATE_HOME"); xdg && *xdg)
    return std::string(xdg) + "/fiscal-server/" + name;
  if (const char* home = std::getenv("HOME"); home && *home)
    return std::string(home) + "/.local/state/fiscal-server/" + name;
  return "";
#endif
}
