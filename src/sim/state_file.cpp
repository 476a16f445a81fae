#include "sim/state_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <tuple>
#include <type_traits>

#include "sim/sim_text.h"

namespace {
constexpr const char* kMagic = "fiscal-sim-state 1";
constexpr mode_t kOwnerOnly = S_IRUSR | S_IWUSR;

std::string Hex(const std::string& s) {
  static const char* d = "0123456789abcdef";
  std::string out;
  for (unsigned char c : s) {
    out += d[c >> 4];
    out += d[c & 15];
  }
  return out;
}

bool Unhex(const std::string& h, std::string& out) {
  if (h.size() % 2) return false;
  auto v = [](char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
  };
  std::string r;
  for (size_t i = 0; i < h.size(); i += 2) {
    const int a = v(h[i]), b = v(h[i + 1]);
    if (a < 0 || b < 0) return false;
    r += static_cast<char>(a * 16 + b);
  }
  out = r;
  return true;
}

// Visits every field of the state with its key. The writer collects values,
// the reader sets those it finds.
struct Writer {
  std::map<std::string, std::string> kv;
  bool writing = true;
  void F(const std::string& k, std::string& v) { kv[k] = "s" + Hex(v); }
  // Numbers, flags and the decimal-mode character, in decimal.
  template <class T>
  void F(const std::string& k, T& v) {
    kv[k] = std::to_string(static_cast<long long>(v));
  }
};

struct Reader {
  std::map<std::string, std::string> kv;
  std::string error;
  bool writing = false;
  void F(const std::string& k, std::string& v) {
    const std::string* s = Get(k);
    if (!s) return;
    if (s->empty() || (*s)[0] != 's' || !Unhex(s->substr(1), v)) error = "bad text for " + k;
  }
  void F(const std::string& k, bool& v) {
    long long x = v;
    F(k, x);
    v = x != 0;
  }
  template <class T>
  void F(const std::string& k, T& v) {
    const std::string* s = Get(k);
    if (!s) return;
    errno = 0;
    char* end = nullptr;
    const long long x = std::strtoll(s->c_str(), &end, 10);
    // No field of the device comes near 1e15; larger values would overflow
    // the sums made from them.
    if (s->empty() || *end || errno || x > 1000000000000000LL || x < -1000000000000000LL) {
      error = "bad number for " + k;
      return;
    }
    v = static_cast<T>(x);
  }

 private:
  const std::string* Get(const std::string& k) const {
    auto it = kv.find(k);
    return it == kv.end() ? nullptr : &it->second;
  }
};

// The longest list the reader accepts; a larger count reads as an empty list.
constexpr int kMaxListSize = 100000;

template <class Io, class T, size_t N>
void Array(Io& io, const std::string& p, std::array<T, N>& a) {
  for (size_t i = 0; i < N; ++i) io.F(p + std::to_string(i), a[i]);
}

// A list kept as "<p>.count" and its elements under "<p>.<index>";
// `each(key, element)` visits one element.
template <class Io, class T, class Each>
void List(Io& io, const std::string& p, std::vector<T>& v, Each each) {
  int count = static_cast<int>(v.size());
  io.F(p + ".count", count);
  if (!io.writing) v.resize(count < 0 || count > kMaxListSize ? 0 : count);
  for (size_t i = 0; i < v.size(); ++i) each(p + "." + std::to_string(i), v[i]);
}

// Table entries 1..last kept under "<p>.<number>."; only the programmed ones
// are written, and an entry is read when the file has its name.
template <class Io, class T, class Each>
void Numbered(Io& io, const std::string& p, int last, std::map<int, T>& m, Each each) {
  for (int n = 1; n <= last; ++n) {
    const std::string key = p + "." + std::to_string(n) + ".";
    if (io.writing ? !m.count(n) : !io.kv.count(key + "name")) continue;
    each(key, m[n]);
  }
}

// One row of a record's table: the key under which a member is kept, and the
// member. A std::array member's key ends in '.': its elements follow under
// "<key><index>". A new field of the device is one row of its record's table.
template <class S, class M>
struct Row {
  const char* key;
  M S::*member;
};
// Spelled out for compilers without deduction for aggregates (clang before 17).
template <class S, class M>
Row(const char*, M S::*) -> Row<S, M>;

template <class T>
struct IsStdArray : std::false_type {};
template <class T, size_t N>
struct IsStdArray<std::array<T, N>> : std::true_type {};

// Visits every member of `s` that `rows` (a tuple of Row) names, under `p`.
template <class Io, class S, class Rows>
void Fields(Io& io, const std::string& p, S& s, const Rows& rows) {
  std::apply(
      [&](const auto&... row) {
        const auto one = [&](const auto& r) {
          auto& member = s.*(r.member);
          if constexpr (IsStdArray<std::remove_cvref_t<decltype(member)>>::value)
            Array(io, p + r.key, member);
          else
            io.F(p + r.key, member);
        };
        (one(row), ...);
      },
      rows);
}

constexpr auto kCounterRows = std::make_tuple(
    Row{"customers", &ReceiptCountersState::customers},
    Row{"discounts", &ReceiptCountersState::discounts},
    Row{"discountSum", &ReceiptCountersState::discountSum},
    Row{"surcharges", &ReceiptCountersState::surcharges},
    Row{"surchargeSum", &ReceiptCountersState::surchargeSum},
    Row{"voids", &ReceiptCountersState::voids}, Row{"voidSum", &ReceiptCountersState::voidSum});

constexpr auto kSumsRows =
    std::make_tuple(Row{"sum.", &ServiceSumsState::sums}, Row{"count", &ServiceSumsState::count});

constexpr auto kOperatorRows = std::make_tuple(
    Row{"name", &OperatorState::name}, Row{"password", &OperatorState::password},
    Row{"payments.", &OperatorState::payments}, Row{"returned.", &OperatorState::returned},
    Row{"unzeroed", &OperatorState::unzeroed}, Row{"reportNumber", &OperatorState::reportNumber},
    Row{"lastReport", &OperatorState::lastReport});

constexpr auto kArticleRows = std::make_tuple(
    Row{"name", &ArticleState::name}, Row{"price", &ArticleState::price},
    Row{"group", &ArticleState::group}, Row{"department", &ArticleState::department},
    Row{"turnover", &ArticleState::turnover}, Row{"quantity", &ArticleState::quantity});

constexpr auto kDepartmentRows = std::make_tuple(
    Row{"name", &DepartmentState::name}, Row{"group", &DepartmentState::group},
    Row{"turnover", &DepartmentState::turnover}, Row{"quantity", &DepartmentState::quantity});

constexpr auto kLineRows = std::make_tuple(
    Row{"text", &ReceiptLine::text}, Row{"group", &ReceiptLine::group},
    Row{"price", &ReceiptLine::price}, Row{"quantity", &ReceiptLine::quantity},
    Row{"value", &ReceiptLine::value}, Row{"adjustment", &ReceiptLine::adjustment},
    Row{"article", &ReceiptLine::article}, Row{"department", &ReceiptLine::department});

constexpr auto kReceiptRows = std::make_tuple(
    Row{"kind", &OpenReceipt::kind}, Row{"op", &OpenReceipt::op},
    Row{"detailed", &OpenReceipt::detailed}, Row{"withVat", &OpenReceipt::withVat},
    Row{"groups.", &OpenReceipt::groups}, Row{"purchases", &OpenReceipt::purchases},
    Row{"paid.", &OpenReceipt::paid}, Row{"paidTotal", &OpenReceipt::paidTotal},
    Row{"paymentStarted", &OpenReceipt::paymentStarted},
    Row{"paymentFinished", &OpenReceipt::paymentFinished},
    Row{"invoiceNumber", &OpenReceipt::invoiceNumber},
    Row{"totalsPrinted", &OpenReceipt::totalsPrinted}, Row{"printed", &OpenReceipt::printed});

constexpr auto kRecordRows = std::make_tuple(
    Row{"type", &FmRecord::type}, Row{"number", &FmRecord::number}, Row{"time", &FmRecord::time},
    Row{"totals.", &FmRecord::totals}, Row{"rates.", &FmRecord::rates},
    Row{"decimals", &FmRecord::decimals}, Row{"text", &FmRecord::text});

// The device's own fields; its operators, tables, receipt and lists follow in Visit.
constexpr auto kDeviceRows = std::make_tuple(
    Row{"printerNumber", &DeviceState::printerNumber},
    Row{"memoryNumber", &DeviceState::memoryNumber},
    Row{"factoryWritten", &DeviceState::factoryWritten}, Row{"taxNumber", &DeviceState::taxNumber},
    Row{"fiscalized", &DeviceState::fiscalized}, Row{"decimals", &DeviceState::decimals},
    Row{"groupCount", &DeviceState::groupCount}, Row{"rate.", &DeviceState::rates},
    Row{"servicePassword", &DeviceState::servicePassword},
    Row{"clockOffset", &DeviceState::clockOffset}, Row{"clockNotSet", &DeviceState::clockNotSet},
    Row{"clockIncorrect", &DeviceState::clockIncorrect},
    Row{"clockHardware", &DeviceState::clockHardware}, Row{"ramReset", &DeviceState::ramReset},
    Row{"paperOut", &DeviceState::paperOut}, Row{"overheated", &DeviceState::overheated},
    Row{"lowVoltage", &DeviceState::lowVoltage},
    Row{"reportOverflow", &DeviceState::reportOverflow}, Row{"fmMissing", &DeviceState::fmMissing},
    Row{"fmFaulty", &DeviceState::fmFaulty}, Row{"fmCapacity", &DeviceState::fmCapacity},
    Row{"headerWidth", &DeviceState::headerWidth}, Row{"header.", &DeviceState::header},
    Row{"paymentName.", &DeviceState::paymentNames},
    Row{"exchangeRate", &DeviceState::exchangeRate},
    Row{"invoiceFirst", &DeviceState::invoiceFirst}, Row{"invoiceLast", &DeviceState::invoiceLast},
    Row{"invoiceNext", &DeviceState::invoiceNext}, Row{"deviceNumber", &DeviceState::deviceNumber},
    Row{"logo", &DeviceState::logo}, Row{"drawer", &DeviceState::drawer},
    Row{"autoCut", &DeviceState::autoCut},
    Row{"transparentDisplay", &DeviceState::transparentDisplay},
    Row{"shortJournal", &DeviceState::shortJournal}, Row{"currency", &DeviceState::currency},
    Row{"logoBytes", &DeviceState::logoBytes}, Row{"display.", &DeviceState::display},
    Row{"receiptNumber", &DeviceState::receiptNumber},
    Row{"dailyTotals.", &DeviceState::dailyTotals},
    Row{"dailyPayments.", &DeviceState::dailyPayments},
    Row{"dailyUnzeroed", &DeviceState::dailyUnzeroed},
    Row{"reportNumber", &DeviceState::reportNumber}, Row{"lastReport", &DeviceState::lastReport},
    Row{"journalNumber", &DeviceState::journalNumber},
    Row{"articlesUnzeroed", &DeviceState::articlesUnzeroed},
    Row{"articleReportNumber", &DeviceState::articleReportNumber},
    Row{"lastArticleReport", &DeviceState::lastArticleReport},
    Row{"lastChange", &DeviceState::lastChange},
    Row{"lastChangeType", &DeviceState::lastChangeType},
    Row{"lastReceipt", &DeviceState::lastReceipt},
    Row{"duplicatePending", &DeviceState::duplicatePending});

template <class Io>
void Operator(Io& io, const std::string& p, OperatorState& o) {
  Fields(io, p, o, kOperatorRows);
  Fields(io, p, o.counters, kCounterRows);
  Fields(io, p + "in.", o.in, kSumsRows);
  Fields(io, p + "out.", o.out, kSumsRows);
}

template <class Io>
void Receipt(Io& io, const std::string& p, OpenReceipt& r) {
  Fields(io, p, r, kReceiptRows);
  Fields(io, p, r.counters, kCounterRows);
  List(io, p + "line", r.lines,
       [&](const std::string& k, ReceiptLine& l) { Fields(io, k + ".", l, kLineRows); });
}

template <class Io>
void Visit(Io& io, DeviceState& s) {
  Fields(io, "", s, kDeviceRows);
  for (int i = 0; i < kOperators; ++i)
    Operator(io, "op." + std::to_string(i) + ".", s.operators[i]);
  Numbered(io, "article", kArticles, s.articles,
           [&](const std::string& k, ArticleState& a) { Fields(io, k, a, kArticleRows); });
  Numbered(io, "department", kDepartments, s.departments,
           [&](const std::string& k, DepartmentState& d) { Fields(io, k, d, kDepartmentRows); });
  Fields(io, "daily.", s.daily, kCounterRows);
  Fields(io, "serviceIn.", s.serviceIn, kSumsRows);
  Fields(io, "serviceOut.", s.serviceOut, kSumsRows);
  Receipt(io, "receipt.", s.receipt);
  List(io, "journal", s.journal, [&](const std::string& k, std::string& d) { io.F(k, d); });
  List(io, "fm", s.fm,
       [&](const std::string& k, FmRecord& f) { Fields(io, k + ".", f, kRecordRows); });
}
}  // namespace

std::string SaveState(const DeviceState& state, const std::string& path) {
  Writer w;
  DeviceState copy = state;
  Visit(w, copy);
  std::string text = std::string(kMagic) + "\n";
  for (const auto& [k, v] : w.kv) text += k + " " + v + "\n";

  // The file holds the simulated passwords: only its owner reads it. A
  // temporary file left by an earlier run keeps its mode through O_CREAT, so
  // it is narrowed too; the rename carries the mode over to `path`.
  const std::string temp = path + ".tmp";
  const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, kOwnerOnly);
  if (fd < 0) return "cannot write " + temp + ": " + std::strerror(errno);
  if (::fchmod(fd, kOwnerOnly) != 0) {
    const std::string e = std::strerror(errno);
    ::close(fd);
    ::unlink(temp.c_str());
    return "cannot write " + temp + ": " + e;
  }
  size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      const std::string e = std::strerror(errno);
      ::close(fd);
      ::unlink(temp.c_str());
      return "cannot write " + temp + ": " + e;
    }
    done += static_cast<size_t>(n);
  }
  if (::fsync(fd) != 0 || ::close(fd) != 0) {
    ::unlink(temp.c_str());
    return "cannot write " + temp + ": " + std::strerror(errno);
  }
  if (std::rename(temp.c_str(), path.c_str()) != 0) {
    const std::string e = std::strerror(errno);
    ::unlink(temp.c_str());
    return "cannot replace " + path + ": " + e;
  }
  return "";
}

std::string LoadState(const std::string& path, DeviceState& state) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return "cannot read " + path;
  std::string line;
  if (!std::getline(in, line) || line != kMagic) return path + " is not a fiscal-sim state file";
  Reader r;
  int number = 1;
  while (std::getline(in, line)) {
    ++number;
    if (line.empty()) continue;
    const size_t sp = line.find(' ');
    if (sp == std::string::npos || sp == 0)
      return path + ": line " + std::to_string(number) + " is malformed";
    r.kv[line.substr(0, sp)] = line.substr(sp + 1);
  }
  DeviceState s = state;
  s.articles.clear();
  s.departments.clear();
  Visit(r, s);
  if (!r.error.empty()) return path + ": " + r.error;
  if (s.headerWidth != 38 && s.headerWidth != 42) return path + ": bad header width";
  if (s.decimals != '0' && s.decimals != '2') return path + ": bad decimal mode";
  for (int r : s.rates)
    if (r != -100 && (r < 0 || r > 9999)) return path + ": bad tax rate";
  if (s.fmCapacity < 0) return path + ": bad fiscal-memory size";
  if (s.clockOffset > 100LL * 366 * 86400 || s.clockOffset < -100LL * 366 * 86400)
    return path + ": bad clock";
  if (s.exchangeRate < 0) return path + ": bad exchange rate";
  if (s.groupCount < 3 || s.groupCount > kGroups) return path + ": bad tax group count";
  for (const auto& rl : s.receipt.lines)
    if (rl.group < 0 || rl.group >= kGroups) return path + ": bad receipt line";
  if (s.receipt.kind < 0 || s.receipt.kind > OpenReceipt::kService ||
      (s.receipt.kind != OpenReceipt::kNone && (s.receipt.op < 1 || s.receipt.op > kOperators)))
    return path + ": bad open receipt";
  if (s.lastChangeType < 0 || s.lastChangeType >= kPayments) return path + ": bad change type";
  for (auto& [n, a] : s.articles)
    if (a.group < 0 || a.group >= kGroups || a.department < 0 || a.department > kDepartments)
      return path + ": bad article " + std::to_string(n);
  for (auto& [n, d] : s.departments)
    if (d.group < 0 || d.group >= kGroups) return path + ": bad department " + std::to_string(n);
  state = std::move(s);
  return "";
}
