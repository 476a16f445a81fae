// Programmable tables: payment names, print parameters, departments, header
// lines, operators, articles, the invoice range, and their reads.
#include <cmath>

#include "sim/money.h"
#include "sim/sim_device.h"
#include "sim/sim_text.h"

using namespace simtext;

namespace {
std::string ReportTime(std::time_t t) {
  return t ? LocalTime(t, "%d-%m-%Y %H:%M") : kNoReportYet;
}
std::string RemoveAll(std::string s, char c) {
  std::string out;
  for (char x : s)
    if (x != c) out += x;
  return out;
}
}  // namespace

// "n;name" or "4;name;rate": names of payment types 1..4, '_' as fill.
SimDevice::Reply SimDevice::SetPaymentName(const std::string& data) {
  if (auto r = Refusal(kFm | kNoReceipt | kDailyZeroed); !r.empty()) return Ack(r);
  const auto f = Split(data, ';');
  int n = 0;
  if (f.size() < 2 || f.size() > 3 || !ParseInt(f[0], n) || n < 1 || n > 4) return Ack("04");
  const std::string name = TrimRight(RemoveAll(f[1], '_'));
  if (name.empty() || f[1].size() > 10) return Ack("04");
  if (f.size() == 3) {
    const auto rate = ParseNumber(f[2]);
    if (n != 4 || !rate || *rate <= 0 || *rate > 9999.99999) return Ack("04");
    s_.exchangeRate = std::llround(*rate * 100000.0);
  }
  s_.paymentNames[n] = name;
  return Ack("00");
}

SimDevice::Reply SimDevice::ReadPaymentNames(const std::string&) {
  std::string out;
  for (int t = 0; t < kPayments; ++t) out += Fit(s_.paymentNames[t], 10, Align::kLeft, '_') + ";";
  return Data(out + Sprintf("%010.5f", s_.exchangeRate / 100000.0));
}

// "dddd;logo;drawer;cutter;transparent;shortJournal;currency;".
SimDevice::Reply SimDevice::SetParameters(const std::string& data) {
  if (auto r = Refusal(kFm | kNoReceipt); !r.empty()) return Ack(r);
  auto f = Split(data, ';');
  if (!f.empty() && f.back().empty()) f.pop_back();
  int number = 0;
  if (f.size() < 5 || f.size() > 7 || f[0].size() != 4 || !ParseInt(f[0], number)) return Ack("04");
  bool flags[6] = {s_.logo,         s_.drawer,  s_.autoCut, s_.transparentDisplay,
                   s_.shortJournal, s_.currency};
  for (size_t i = 1; i < f.size(); ++i) {
    if (f[i] != "0" && f[i] != "1") return Ack("04");
    flags[i - 1] = f[i] == "1";
  }
  s_.deviceNumber = number;
  s_.logo = flags[0];
  s_.drawer = flags[1];
  s_.autoCut = flags[2];
  s_.transparentDisplay = flags[3];
  s_.shortJournal = flags[4];
  s_.currency = flags[5];
  return Ack("00");
}

SimDevice::Reply SimDevice::ReadParameters(const std::string&) {
  auto b = [](bool v) { return v ? '1' : '0'; };
  return Data(Sprintf("%04d;%c;%c;%c;%c;%c;%c", s_.deviceNumber, b(s_.logo), b(s_.drawer),
                      b(s_.autoCut), b(s_.transparentDisplay), b(s_.shortJournal), b(s_.currency)));
}

// "nn;name;g": g is '0' + the tax group index. An empty name deletes.
SimDevice::Reply SimDevice::SetDepartment(const std::string& data) {
  if (auto r = Refusal(kFm | kNoReceipt); !r.empty()) return Ack(r);
  const auto f = Split(data, ';');
  int n = 0;
  if (f.size() != 3 || f[0].size() != 2 || !ParseInt(f[0], n) || n < 1 || n > kDepartments ||
      f[2].size() != 1 || f[1].size() > 20)
    return Ack("04");
  const int group = f[2][0] - '0';
  if (group < 0 || group >= kGroups) return Ack("04");
  if (group >= s_.groupCount || s_.rates[group] < 0) return Ack("09");
  auto it = s_.departments.find(n);
  if (it != s_.departments.end() && (it->second.turnover != 0 || it->second.quantity != 0))
    return Ack("03");
  const std::string name = TrimRight(f[1]);
  if (name.empty()) {
    s_.departments.erase(n);
    return Ack("00");
  }
  DepartmentState& d = s_.departments[n];
  d.name = name;
  d.group = group;
  return Ack("00");
}

// "nn;name(20);group letter;turnover(11);quantity(11)".
SimDevice::Reply SimDevice::ReadDepartment(const std::string& data) {
  int n = 0;
  if (data.empty() || data.size() > 2 || !ParseInt(data, n) || n < 1 || n > kDepartments)
    return Ack("04");
  DepartmentState d;
  if (auto it = s_.departments.find(n); it != s_.departments.end()) d = it->second;
  return Data(Sprintf("%02d;", n) + Fit(d.name, 20, Align::kLeft) + ";" + GroupLetter(d.group) +
              ";" + Field(d.turnover) + ";" + Sprintf("%011.3f", d.quantity / 1000.0));
}

int SimDevice::HeaderLineWidth(int line) const {
  if (line == 0) return 20;
  if (line == 9) return 12;
  return s_.headerWidth;
}

namespace {
// A header line as the printer keeps it: at its own width, whatever width the
// host laid it out in. The text keeps the alignment its fill spaces show (the
// way a host reads a line back: even fill centres, fill on one side only
// aligns to the other side); a text too long is cut.
std::string FitHeaderLine(const std::string& sent, int width) {
  const size_t w = static_cast<size_t>(width);
  if (sent.size() == w) return sent;
  const size_t lead = sent.find_first_not_of(' ');
  if (lead == std::string::npos) return std::string(w, ' ');
  const size_t trail = sent.size() - 1 - sent.find_last_not_of(' ');
  const long diff = static_cast<long>(lead) - static_cast<long>(trail);
  if (diff >= -1 && diff <= 1) return Fit(Trim(sent), width, Align::kCentre);
  if (lead == 0) return Fit(TrimRight(sent), width, Align::kLeft);
  if (trail == 0) return Fit(TrimLeft(sent), width, Align::kRight);
  // Fill on both sides, unevenly: the line is centred as it stands.
  if (sent.size() > w) return Fit(Trim(sent), width, Align::kCentre);
  return Fit(sent, width, Align::kCentre);
}
}  // namespace

// "n;text": header line n, kept at the line's width (see FitHeaderLine).
SimDevice::Reply SimDevice::SetHeaderLine(const std::string& data) {
  if (auto r = Refusal(kFm | kNoReceipt | kDailyZeroed); !r.empty()) return Ack(r);
  if (data.size() < 2 || data[1] != ';' || data[0] < '0' || data[0] > '9') return Ack("04");
  const int line = data[0] - '0';
  s_.header[line] = FitHeaderLine(data.substr(2), HeaderLineWidth(line));
  return Ack("00");
}

// "n;" + the line as kept + ";".
SimDevice::Reply SimDevice::ReadHeaderLine(const std::string& data) {
  if (data.size() != 1 || data[0] < '0' || data[0] > '9') return Ack("04");
  return Data(data + ";" + s_.header[data[0] - '0'] + ";");
}

// "n;name(20);password(4)".
SimDevice::Reply SimDevice::SetOperator(const std::string& data) {
  if (auto r = Refusal(kFm | kNoReceipt); !r.empty()) return Ack(r);
  const auto f = Split(data, ';');
  int n = 0;
  if (f.size() != 3 || f[0].size() != 1 || !ParseInt(f[0], n) || n < 1 || n > kOperators ||
      f[1].size() > 20 || f[2].size() > 4)
    return Ack("04");
  if (s_.operators[n - 1].unzeroed) return Ack("03");
  s_.operators[n - 1].name = TrimRight(f[1]);
  s_.operators[n - 1].password = TrimRight(f[2]);
  return Ack("00");
}

SimDevice::Reply SimDevice::ReadOperator(const std::string& data) {
  int n = 0;
  if (data.size() != 1 || !ParseInt(data, n) || n < 1 || n > kOperators) return Ack("04");
  const OperatorState& o = s_.operators[n - 1];
  return Data(data + ";" + Fit(o.name, 20, Align::kLeft) + ";" + Fit(o.password, 4, Align::kLeft));
}

// "nnnnn;name(20);price;group letter;department byte;". An empty name deletes.
SimDevice::Reply SimDevice::SetArticle(const std::string& data) {
  if (auto r = Refusal(kFm | kNoReceipt); !r.empty()) return Ack(r);
  auto f = Split(data, ';');
  if (!f.empty() && f.back().empty()) f.pop_back();
  int n = 0;
  if (f.size() != 5 || f[0].size() != 5 || !ParseInt(f[0], n) || n < 1 || n > kArticles ||
      f[1].size() > 20 || f[3].size() != 1 || f[4].size() != 1)
    return Ack("04");
  const auto price = ParseMoney(f[2], s_.decimals);
  if (!price || *price < 0) return Ack("04");
  const unsigned char letter = static_cast<unsigned char>(f[3][0]);
  const int dept = static_cast<unsigned char>(f[4][0]) - 0x80;
  if (letter < 0xC0 || letter > 0xC7 || dept < 0 || dept > kDepartments) return Ack("04");
  if (letter - 0xC0 >= s_.groupCount || s_.rates[letter - 0xC0] < 0) return Ack("09");
  if (s_.articlesUnzeroed) return Ack("03");
  const std::string name = TrimRight(f[1]);
  if (name.empty()) {
    s_.articles.erase(n);
    return Ack("00");
  }
  ArticleState& a = s_.articles[n];
  a.name = name;
  a.price = *price;
  a.group = letter - 0xC0;
  a.department = dept;
  return Ack("00");
}

// number;name;price;group;turnover;quantity;report number;last report;department
SimDevice::Reply SimDevice::ReadArticle(const std::string& data) {
  int n = 0;
  if (data.size() != 5 || !ParseInt(data, n) || n < 1 || n > kArticles) return Ack("04");
  ArticleState a;
  if (auto it = s_.articles.find(n); it != s_.articles.end()) a = it->second;
  return Data(Sprintf("%05d;", n) + Fit(a.name, 20, Align::kLeft) + ";" + Field(a.price) + ";" +
              GroupLetter(a.group) + ";" + Field(a.turnover) + ";" +
              Sprintf("%011.3f", a.quantity / 1000.0) + ";" +
              Sprintf("%05d", s_.articleReportNumber) + ";" + ReportTime(s_.lastArticleReport) +
              ";" + std::string(1, static_cast<char>(0x80 + a.department)));
}

// "first;last", ten digits each.
SimDevice::Reply SimDevice::SetInvoiceRange(const std::string& data) {
  if (auto r = Refusal(kFm | kNoReceipt); !r.empty()) return Ack(r);
  const auto f = Split(data, ';');
  int64_t first = 0, last = 0;
  if (f.size() != 2 || f[0].size() > 10 || f[1].size() > 10 || !ParseInt64(f[0], first) ||
      !ParseInt64(f[1], last) || first < 1 || last < first)
    return Ack("04");
  s_.invoiceFirst = first;
  s_.invoiceLast = last;
  s_.invoiceNext = first;
  return Ack("00");
}

SimDevice::Reply SimDevice::ReadInvoiceRange(const std::string&) {
  return Data(Sprintf("%010lld;%010lld", static_cast<long long>(s_.invoiceFirst),
                      static_cast<long long>(s_.invoiceLast)));
}
