#include "sim/state_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>

#include "driver/text.h"

namespace {
constexpr const char* kMagic = "fiscal-sim-state 1";

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
  void F(const std::string& k, bool& v) { kv[k] = v ? "1" : "0"; }
  void F(const std::string& k, char& v) { kv[k] = std::to_string(static_cast<int>(v)); }
  void F(const std::string& k, int& v) { kv[k] = std::to_string(v); }
  void F(const std::string& k, long& v) { kv[k] = std::to_string(v); }
  void F(const std::string& k, long long& v) { kv[k] = std::to_string(v); }
};

struct Reader {
  std::map<std::string, std::string> kv;
  std::string error;
  bool writing = false;
  const std::string* Get(const std::string& k) {
    auto it = kv.find(k);
    return it == kv.end() ? nullptr : &it->second;
  }
  template <class T>
  void Int(const std::string& k, T& v) {
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
  void F(const std::string& k, std::string& v) {
    const std::string* s = Get(k);
    if (!s) return;
    if (s->empty() || (*s)[0] != 's' || !Unhex(s->substr(1), v)) error = "bad text for " + k;
  }
  void F(const std::string& k, bool& v) {
    int x = v;
    Int(k, x);
    v = x != 0;
  }
  void F(const std::string& k, char& v) { Int(k, v); }
  void F(const std::string& k, int& v) { Int(k, v); }
  void F(const std::string& k, long& v) { Int(k, v); }
  void F(const std::string& k, long long& v) { Int(k, v); }
};

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

template <class Io, class T, size_t N>
void Array(Io& io, const std::string& p, std::array<T, N>& a) {
  for (size_t i = 0; i < N; ++i) io.F(p + std::to_string(i), a[i]);
}

template <class Io>
void Sums(Io& io, const std::string& p, ServiceSumsState& s) {
  Array(io, p + "sum.", s.sums);
  io.F(p + "count", s.count);
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
  for (int i = 0; i < kOperators; ++i) {
    OperatorState& o = s.operators[i];
    const std::string p = "op." + std::to_string(i) + ".";
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
  // Articles and departments: stored under their numbers.
  for (int n = 1; n <= kArticles; ++n) {
    const std::string p = "article." + std::to_string(n) + ".";
    if (io.writing ? !s.articles.count(n) : !io.kv.count(p + "name")) continue;
    ArticleState& a = s.articles[n];
    io.F(p + "name", a.name);
    io.F(p + "price", a.price);
    io.F(p + "group", a.group);
    io.F(p + "department", a.department);
    io.F(p + "turnover", a.turnover);
    io.F(p + "quantity", a.quantity);
  }
  for (int n = 1; n <= kDepartments; ++n) {
    const std::string p = "department." + std::to_string(n) + ".";
    if (io.writing ? !s.departments.count(n) : !io.kv.count(p + "name")) continue;
    DepartmentState& d = s.departments[n];
    io.F(p + "name", d.name);
    io.F(p + "group", d.group);
    io.F(p + "turnover", d.turnover);
    io.F(p + "quantity", d.quantity);
  }
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

  OpenReceipt& r = s.receipt;
  io.F("receipt.kind", r.kind);
  io.F("receipt.op", r.op);
  io.F("receipt.detailed", r.detailed);
  io.F("receipt.withVat", r.withVat);
  Array(io, "receipt.groups.", r.groups);
  io.F("receipt.purchases", r.purchases);
  Counters(io, "receipt.", r.counters);
  Array(io, "receipt.paid.", r.paid);
  io.F("receipt.paidTotal", r.paidTotal);
  io.F("receipt.paymentStarted", r.paymentStarted);
  io.F("receipt.paymentFinished", r.paymentFinished);
  io.F("receipt.invoiceNumber", r.invoiceNumber);
  io.F("receipt.totalsPrinted", r.totalsPrinted);
  io.F("receipt.printed", r.printed);
  int lines = static_cast<int>(r.lines.size());
  io.F("receipt.line.count", lines);
  if (!io.writing) r.lines.resize(lines < 0 || lines > 100000 ? 0 : lines);
  for (size_t i = 0; i < r.lines.size(); ++i) {
    ReceiptLine& l = r.lines[i];
    const std::string p = "receipt.line." + std::to_string(i) + ".";
    io.F(p + "text", l.text);
    io.F(p + "group", l.group);
    io.F(p + "price", l.price);
    io.F(p + "quantity", l.quantity);
    io.F(p + "value", l.value);
    io.F(p + "adjustment", l.adjustment);
    io.F(p + "article", l.article);
    io.F(p + "department", l.department);
  }
  io.F("lastReceipt", s.lastReceipt);
  io.F("duplicatePending", s.duplicatePending);
  int docs = static_cast<int>(s.journal.size());
  io.F("journal.count", docs);
  if (!io.writing) s.journal.resize(docs < 0 || docs > 100000 ? 0 : docs);
  for (size_t i = 0; i < s.journal.size(); ++i) io.F("journal." + std::to_string(i), s.journal[i]);
  int records = static_cast<int>(s.fm.size());
  io.F("fm.count", records);
  if (!io.writing) s.fm.resize(records < 0 || records > 100000 ? 0 : records);
  for (size_t i = 0; i < s.fm.size(); ++i) {
    FmRecord& f = s.fm[i];
    const std::string p = "fm." + std::to_string(i) + ".";
    io.F(p + "type", f.type);
    io.F(p + "number", f.number);
    io.F(p + "time", f.time);
    Array(io, p + "totals.", f.totals);
    Array(io, p + "rates.", f.rates);
    io.F(p + "decimals", f.decimals);
    io.F(p + "text", f.text);
  }
}
}  // namespace

std::string SaveState(const DeviceState& state, const std::string& path) {
  Writer w;
  DeviceState copy = state;
  Visit(w, copy);
  std::string text = std::string(kMagic) + "\n";
  for (const auto& [k, v] : w.kv) text += k + " " + v + "\n";

  const std::string temp = path + ".tmp";
  const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return "cannot write " + temp + ": " + std::strerror(errno);
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
  if (s.receipt.kind < 0 || s.receipt.kind > OpenReceipt::Service ||
      (s.receipt.kind != OpenReceipt::None && (s.receipt.op < 1 || s.receipt.op > kOperators)))
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
