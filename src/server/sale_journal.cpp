#include "server/sale_journal.h"

#include <cstdio>
#include <cstdlib>

#include "server/utc_time.h"

#ifdef _WIN32
#include <windows.h>

#include <cstring>
#endif

using nlohmann::json;

namespace {

constexpr const char* kStarted = "started";
constexpr const char* kFinished = "finished";
constexpr const char* kReleased = "released";

std::string Key(const std::string& printer, const std::string& sale) {
  return printer + '\n' + sale;
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

bool SaleJournal::Open(const std::string& path, std::string& error) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (!file_.Open(path, error)) return false;
  auto warn = [this](const std::string& text) {
    if (warnings_.size() < kMaxWarnings) warnings_.push_back(text);
  };
  size_t skipped = 0;
  uint64_t torn = 0;
  const bool read = file_.ReadLines(
      kMaxLine,
      [&](const std::string& text, size_t number) {
        ++lines_;
        if (text.empty()) return;
        std::string why;
        std::optional<Line> line;
        json j = json::parse(text, nullptr, false);
        if (j.is_discarded())
          why = "not JSON";
        else
          line = Read(j, why);
        if (!line) {
          ++skipped;
          warn("sale journal " + path + ": line " + std::to_string(number) + " skipped: " + why);
          return;
        }
        Apply(std::move(*line));
      },
      torn, error);
  if (!read) return false;
  if (skipped > kMaxWarnings)
    warnings_.push_back("sale journal " + path + ": " + std::to_string(skipped - kMaxWarnings) +
                        " more lines skipped");
  if (torn > 0)
    warnings_.push_back("sale journal " + path + ": its last line was cut short (" +
                        std::to_string(torn) + " bytes, a crash or a full disk) and was removed");
  open_ = true;
  // A file that holds more than what is kept (finished numbers' "started"
  // lines, released ones, unreadable ones) is rewritten now, so that the
  // next start reads only what counts.
  std::string compactError;
  if (lines_ > entries_.size() && !Compact(compactError))
    warnings_.push_back(compactError + "; the journal is used as it is");
  compactAt_ = lines_ + kept_;
  return true;
}

std::vector<std::string> SaleJournal::Warnings() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return warnings_;
}

std::optional<SaleJournal::Line> SaleJournal::Read(json& j, std::string& why) {
  if (!j.is_object()) {
    why = "not a JSON object";
    return std::nullopt;
  }
  Line line;
  const struct {
    const char* name;
    std::string* into;
    bool required;
  } texts[] = {{"printer", &line.printer, true}, {"sale", &line.sale, true},
               {"state", &line.state, true},     {"fingerprint", &line.fingerprint, false},
               {"time", &line.time, false},      {"reason", &line.reason, false}};
  for (const auto& t : texts) {
    const auto it = j.find(t.name);
    if (it == j.end()) {
      if (!t.required) continue;
      why = std::string("no \"") + t.name + "\"";
      return std::nullopt;
    }
    if (!it->is_string()) {
      why = std::string("\"") + t.name + "\" is not a text";
      return std::nullopt;
    }
    *t.into = it->get<std::string>();
  }
  if (line.state != kStarted && line.state != kFinished && line.state != kReleased) {
    why = "unknown state \"" + line.state + "\"";
    return std::nullopt;
  }
  if (line.state == kFinished) {
    const auto it = j.find("result");
    if (it == j.end() || !it->is_object()) {
      why = "a finished sale without its result";
      return std::nullopt;
    }
    line.result = std::move(*it);
  }
  if (line.state == kStarted) {
    // Checked where it is used (PlanFromJson): an unreadable plan only means
    // the receipt cannot be settled by itself.
    const auto it = j.find("settle");
    if (it != j.end()) line.settle = std::move(*it);
  }
  return line;
}

json SaleJournal::ToJson(const Line& line) {
  json j = {{"printer", line.printer}, {"sale", line.sale}, {"state", line.state}};
  if (line.state != kReleased) j["fingerprint"] = line.fingerprint;
  if (!line.time.empty()) j["time"] = line.time;
  if (!line.reason.empty()) j["reason"] = line.reason;
  if (line.state == kFinished) j["result"] = line.result;
  if (line.state == kStarted && !line.settle.is_null()) j["settle"] = line.settle;
  return j;
}

void SaleJournal::Forget(const std::string& key) {
  const auto it = entries_.find(key);
  if (it == entries_.end()) return;
  sales_.erase(it->second.order);
  others_.erase(it->second.order);
  entries_.erase(it);
}

void SaleJournal::Apply(Line line) {
  const std::string key = Key(line.printer, line.sale);
  if (line.state == kReleased) {
    Forget(key);
    return;
  }
  auto it = entries_.find(key);
  if (it == entries_.end()) {
    Kept kept;
    kept.order = nextOrder_++;
    it = entries_.emplace(key, kept).first;
    const bool sale = line.printer.empty() || line.printer[0] != '#';
    (sale ? sales_ : others_).emplace(kept.order, key);
  }
  Entry& e = it->second.entry;
  e.fingerprint = line.fingerprint;
  if (!line.time.empty()) e.time = line.time;
  e.state = line.state == kFinished ? State::kFinished : State::kStarted;
  e.result = line.state == kFinished ? std::move(line.result) : json();
  e.settle = line.state == kStarted ? std::move(line.settle) : json();
  // Only the newest are kept, sales and other records each by themselves.
  for (auto* order : {&sales_, &others_})
    while (order->size() > kept_) Forget(order->begin()->second);
}

bool SaleJournal::Write(const Line& line, bool applyWhenUnwritten, std::string& error) {
  if (!open_) {
    Apply(line);
    return true;
  }
  if (!file_.Append(ToJson(line).dump() + "\n", error)) {
    if (applyWhenUnwritten) Apply(line);
    return false;
  }
  ++lines_;
  Apply(line);
  if (lines_ >= compactAt_) {
    // A rewrite that fails leaves the old file, which holds every line.
    std::string ignored;
    Compact(ignored);
    compactAt_ = lines_ + kept_;
  }
  return true;
}

std::string SaleJournal::Contents() const {
  std::map<uint64_t, const std::string*> all;
  for (const auto* order : {&sales_, &others_})
    for (const auto& [at, key] : *order) all.emplace(at, &key);
  std::string text;
  for (const auto& [at, key] : all) {
    const Entry& e = entries_.at(*key).entry;
    const size_t nl = key->find('\n');
    Line line;
    line.printer = key->substr(0, nl);
    line.sale = key->substr(nl + 1);
    line.state = e.state == State::kFinished ? kFinished : kStarted;
    line.fingerprint = e.fingerprint;
    line.time = e.time;
    line.result = e.result;
    line.settle = e.settle;
    text += ToJson(line).dump() + "\n";
  }
  return text;
}

bool SaleJournal::Compact(std::string& error) {
  if (!file_.Replace(Contents(), error)) return false;
  lines_ = entries_.size();
  return true;
}

std::optional<SaleJournal::Entry> SaleJournal::Find(const std::string& printer,
                                                    const std::string& sale) const {
  std::lock_guard<std::mutex> lock(mutex_);
  const auto it = entries_.find(Key(printer, sale));
  if (it == entries_.end()) return std::nullopt;
  return it->second.entry;
}

bool SaleJournal::Start(const std::string& printer, const std::string& sale,
                        const std::string& fingerprint, std::string& error, const json& settle) {
  std::lock_guard<std::mutex> lock(mutex_);
  Line line;
  line.printer = printer;
  line.sale = sale;
  line.state = kStarted;
  line.fingerprint = fingerprint;
  line.time = UtcNow();
  line.settle = settle;
  return Write(line, false, error);
}

bool SaleJournal::Finish(const std::string& printer, const std::string& sale,
                         const std::string& fingerprint, const json& result, std::string& error) {
  std::lock_guard<std::mutex> lock(mutex_);
  Line line;
  line.printer = printer;
  line.sale = sale;
  line.state = kFinished;
  line.fingerprint = fingerprint;
  line.result = result.is_object() ? result : json::object();
  return Write(line, true, error);
}

bool SaleJournal::Release(const std::string& printer, const std::string& sale, std::string& error,
                          const std::string& reason) {
  std::lock_guard<std::mutex> lock(mutex_);
  Line line;
  line.printer = printer;
  line.sale = sale;
  line.state = kReleased;
  line.reason = reason;
  return Write(line, true, error);
}

std::vector<std::pair<std::string, SaleJournal::Entry>> SaleJournal::Unfinished(
    const std::string& printer) const {
  std::lock_guard<std::mutex> lock(mutex_);
  std::vector<std::pair<std::string, Entry>> out;
  const std::string prefix = Key(printer, "");
  for (const auto& [at, key] : printer.empty() || printer[0] != '#' ? sales_ : others_) {
    if (key.compare(0, prefix.size(), prefix) != 0) continue;
    const Entry& e = entries_.at(key).entry;
    if (e.state == State::kStarted) out.emplace_back(key.substr(prefix.size()), e);
  }
  return out;
}

size_t SaleJournal::Size() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return entries_.size();
}

std::vector<SaleJournal::Listed> SaleJournal::Sales(const std::string& since, size_t max) const {
  std::lock_guard<std::mutex> lock(mutex_);
  std::vector<Listed> out;
  for (auto it = sales_.rbegin(); it != sales_.rend() && out.size() < max; ++it) {
    const Entry& e = entries_.at(it->second).entry;
    // Times are fixed-width ISO texts in UTC, so they compare as texts.
    if (!since.empty() && e.time < since) continue;
    const size_t nl = it->second.find('\n');
    out.push_back(Listed{it->second.substr(0, nl), it->second.substr(nl + 1), e});
  }
  return out;
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
  // The folder as UTF-8, like every path here (a user name may be Cyrillic,
  // which the ANSI environment would garble).
  const wchar_t* local = _wgetenv(L"LOCALAPPDATA");
  if (!local || !*local) return "";
  const int n = WideCharToMultiByte(CP_UTF8, 0, local, -1, nullptr, 0, nullptr, nullptr);
  std::string folder(static_cast<size_t>(n > 0 ? n : 1), '\0');
  WideCharToMultiByte(CP_UTF8, 0, local, -1, folder.data(), n, nullptr, nullptr);
  folder.resize(std::strlen(folder.c_str()));
  return folder + "\\fiscal-server\\" + name;
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
