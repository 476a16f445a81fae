#include "sim/state_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>

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

template <class Io>
void Counters(Io& io, const std::string& p, ReceiptCountersState& c) {
  io.F(p + "customers", c.customers);
  io.F(p + "discounts", c.discounts);
  io.F(p + "discountSum", c.discountSum);
  io.F(p + "surcharges", c.surcharges);
  io.F(p + "surchargeSum", c.surchargeSum);
  io.F(p + "voids", c.voids);
  io.F(p + "voidSum", c.voidSum);
}

template <class Io>
void Sums(Io& io, const std::string& p, ServiceSumsState& s) {
  Array(io, p + "sum.", s.sums);
  io.F(p + "count", s.count);
}

template <class Io>
void Operator(Io& io, const std::string& p, OperatorState& o) {
  io.F(p + "name", o.name);
  io.F(p + "password", o.password);
  Counters(io, p, o.counters);
  Sums(io, p + "in.", o.in);
  Sums(io, p + "out.", o.out);
  Array(io, p + "payments.", o.payments);
  Array(io, p + "returned.", o.returned);
  io.F(p + "unzeroed", o.unzeroed);
  io.F(p + "reportNumber", o.reportNumber);
  io.F(p + "lastReport", o.lastReport);
}

template <class Io>
void Article(Io& io, const std::string& p, ArticleState& a) {
  io.F(p + "name", a.name);
  io.F(p + "price", a.price);
  io.F(p + "group", a.group);
  io.F(p + "department", a.department);
  io.F(p + "turnover", a.turnover);
  io.F(p + "quantity", a.quantity);
}

template <class Io>
void Department(Io& io, const std::string& p, DepartmentState& d) {
  io.F(p + "name", d.name);
  io.F(p + "group", d.group);
  io.F(p + "turnover", d.turnover);
  io.F(p + "quantity", d.quantity);
}

template <class Io>
void Line(Io& io, const std::string& p, ReceiptLine& l) {
  io.F(p + "text", l.text);
  io.F(p + "group", l.group);
  io.F(p + "price", l.price);
  io.F(p + "quantity", l.quantity);
  io.F(p + "value", l.value);
  io.F(p + "adjustment", l.adjustment);
  io.F(p + "article", l.article);
  io.F(p + "department", l.department);
}

template <class Io>
void Receipt(Io& io, const std::string& p, OpenReceipt& r) {
  io.F(p + "kind", r.kind);
  io.F(p + "op", r.op);
  io.F(p + "detailed", r.detailed);
  io.F(p + "withVat", r.withVat);
  Array(io, p + "groups.", r.groups);
  io.F(p + "purchases", r.purchases);
  Counters(io, p, r.counters);
  Array(io, p + "paid.", r.paid);
  io.F(p + "paidTotal", r.paidTotal);
  io.F(p + "paymentStarted", r.paymentStarted);
  io.F(p + "paymentFinished", r.paymentFinished);
  io.F(p + "invoiceNumber", r.invoiceNumber);
  io.F(p + "totalsPrinted", r.totalsPrinted);
  io.F(p + "printed", r.printed);
  List(io, p + "line", r.lines,
       [&](const std::string& k, ReceiptLine& l) { Line(io, k + ".", l); });
}

template <class Io>
void Record(Io& io, const std::string& p, FmRecord& f) {
  io.F(p + "type", f.type);
  io.F(p + "number", f.number);
  io.F(p + "time", f.time);
  Array(io, p + "totals.", f.totals);
  Array(io, p + "rates.", f.rates);
  io.F(p + "decimals", f.decimals);
  io.F(p + "text", f.text);
}

template <class Io>
void Visit(Io& io, DeviceState& s) {
  io.F("printerNumber", s.printerNumber);
  io.F("memoryNumber", s.memoryNumber);
  io.F("factoryWritten", s.factoryWritten);
  io.F("taxNumber", s.taxNumber);
  io.F("fiscalized", s.fiscalized);
  io.F("decimals", s.decimals);
  io.F("groupCount", s.groupCount);
  Array(io, "rate.", s.rates);
  io.F("servicePassword", s.servicePassword);
  io.F("clockOffset", s.clockOffset);
  io.F("clockNotSet", s.clockNotSet);
  io.F("clockIncorrect", s.clockIncorrect);
  io.F("clockHardware", s.clockHardware);
  io.F("ramReset", s.ramReset);
  io.F("paperOut", s.paperOut);
  io.F("overheated", s.overheated);
  io.F("lowVoltage", s.lowVoltage);
  io.F("reportOverflow", s.reportOverflow);
  io.F("fmMissing", s.fmMissing);
  io.F("fmFaulty", s.fmFaulty);
  io.F("fmCapacity", s.fmCapacity);
  io.F("headerWidth", s.headerWidth);
  Array(io, "header.", s.header);
  for (int i = 0; i < kOperators; ++i)
    Operator(io, "op." + std::to_string(i) + ".", s.operators[i]);
  Numbered(io, "article", kArticles, s.articles,
           [&](const std::string& k, ArticleState& a) { Article(io, k, a); });
  Numbered(io, "department", kDepartments, s.departments,
           [&](const std::string& k, DepartmentState& d) { Department(io, k, d); });
  Array(io, "paymentName.", s.paymentNames);
  io.F("exchangeRate", s.exchangeRate);
  io.F("invoiceFirst", s.invoiceFirst);
  io.F("invoiceLast", s.invoiceLast);
  io.F("invoiceNext", s.invoiceNext);
  io.F("deviceNumber", s.deviceNumber);
  io.F("logo", s.logo);
  io.F("drawer", s.drawer);
  io.F("autoCut", s.autoCut);
  io.F("transparentDisplay", s.transparentDisplay);
  io.F("shortJournal", s.shortJournal);
  io.F("currency", s.currency);
  io.F("logoBytes", s.logoBytes);
  Array(io, "display.", s.display);
  io.F("receiptNumber", s.receiptNumber);
  Array(io, "dailyTotals.", s.dailyTotals);
  Array(io, "dailyPayments.", s.dailyPayments);
  Counters(io, "daily.", s.daily);
  Sums(io, "serviceIn.", s.serviceIn);
  Sums(io, "serviceOut.", s.serviceOut);
  io.F("dailyUnzeroed", s.dailyUnzeroed);
  io.F("reportNumber", s.reportNumber);
  io.F("lastReport", s.lastReport);
  io.F("journalNumber", s.journalNumber);
  io.F("articlesUnzeroed", s.articlesUnzeroed);
  io.F("articleReportNumber", s.articleReportNumber);
  io.F("lastArticleReport", s.lastArticleReport);
  io.F("lastChange", s.lastChange);
  io.F("lastChangeType", s.lastChangeType);
  Receipt(io, "receipt.", s.receipt);
  io.F("lastReceipt", s.lastReceipt);
  io.F("duplicatePending", s.duplicatePending);
  List(io, "journal", s.journal, [&](const std::string& k, std::string& d) { io.F(k, d); });
  List(io, "fm", s.fm, [&](const std::string& k, FmRecord& f) { Record(io, k + ".", f); });
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
