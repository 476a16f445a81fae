// The command table, status bytes, refusal checks, the clock and the helpers
// every handler shares.
#include <cstdlib>
#include <cstring>

#include "sim/money.h"
#include "sim/sim_device.h"
#include "sim/sim_text.h"

namespace simtext {
std::vector<std::string> Split(const std::string& text, char sep) {
  std::vector<std::string> parts;
  size_t start = 0;
  for (;;) {
    const size_t p = text.find(sep, start);
    if (p == std::string::npos) {
      parts.push_back(text.substr(start));
      return parts;
    }
    parts.push_back(text.substr(start, p - start));
    start = p + 1;
  }
}
std::string TrimRight(const std::string& text) {
  size_t n = text.size();
  while (n > 0 && text[n - 1] == ' ') --n;
  return text.substr(0, n);
}
std::string TrimLeft(const std::string& text) {
  size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  return text.substr(i);
}
std::string Trim(const std::string& text) {
  return TrimLeft(TrimRight(text));
}
bool ParseInt64(const std::string& text, int64_t& out) {
  if (text.empty() || text.size() > 18) return false;
  int64_t v = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    v = v * 10 + (c - '0');
  }
  out = v;
  return true;
}
bool ParseInt(const std::string& text, int& out) {
  int64_t v = 0;
  if (text.size() > 9 || !ParseInt64(text, v)) return false;
  out = static_cast<int>(v);
  return true;
}
std::string Cp(const char* utf8) {
  return ToCp1251(utf8);
}
}  // namespace simtext

using namespace simtext;

SimDevice::SimDevice(DeviceState state) : s_(std::move(state)) {}

SimDevice::Handler SimDevice::Find(uint8_t cmd) {
  switch (cmd) {
    case 0x20:
      return &SimDevice::Status;
    case 0x21:
      return &SimDevice::Version;
    case 0x22:
      return &SimDevice::Diagnostics;
    case 0x24:
      return &SimDevice::ClearDisplay;
    case 0x25:
      return &SimDevice::DisplayLine1;
    case 0x26:
      return &SimDevice::DisplayLine2;
    case 0x27:
      return &SimDevice::DisplayBoth;
    case 0x28:
      return &SimDevice::DisplayClock;
    case 0x29:
      return &SimDevice::FinishPrintout;
    case 0x2B:
      return &SimDevice::Feed;
    case 0x2E:
      return &SimDevice::OpenService;
    case 0x2F:
      return &SimDevice::CloseService;
    case 0x30:
      return &SimDevice::OpenFiscal;
    case 0x31:
      return &SimDevice::SellFree;
    case 0x32:
      return &SimDevice::SellArticle;
    case 0x33:
      return &SimDevice::Subtotal;
    case 0x34:
      return &SimDevice::SellDepartment;
    case 0x35:
      return &SimDevice::Pay;
    case 0x37:
      return &SimDevice::Text;
    case 0x38:
      return &SimDevice::CloseFiscal;
    case 0x3A:
      return &SimDevice::Duplicate;
    case 0x3B:
      return &SimDevice::ServiceSum;
    case 0x3F:
      return &SimDevice::EraseEeprom;
    case 0x40:
      return &SimDevice::SetFactoryNumbers;
    case 0x41:
      return &SimDevice::TaxNumberOrFiscalize;
    case 0x42:
      return &SimDevice::SetTaxRates;
    case 0x43:
      return &SimDevice::SetDecimals;
    case 0x44:
      return &SimDevice::SetPaymentName;
    case 0x45:
      return &SimDevice::SetParameters;
    case 0x47:
      return &SimDevice::SetDepartment;
    case 0x48:
      return &SimDevice::SetClock;
    case 0x49:
      return &SimDevice::SetHeaderLine;
    case 0x4A:
      return &SimDevice::SetOperator;
    case 0x4B:
      return &SimDevice::SetArticle;
    case 0x4C:
      return &SimDevice::LoadLogo;
    case 0x50:
      return &SimDevice::SetInvoiceRange;
    case 0x60:
      return &SimDevice::ReadFactoryNumbers;
    case 0x61:
      return &SimDevice::ReadTaxNumber;
    case 0x62:
      return &SimDevice::ReadTaxRates;
    case 0x63:
      return &SimDevice::ReadDecimals;
    case 0x64:
      return &SimDevice::ReadPaymentNames;
    case 0x65:
      return &SimDevice::ReadParameters;
    case 0x67:
      return &SimDevice::ReadDepartment;
    case 0x68:
      return &SimDevice::ReadClock;
    case 0x69:
      return &SimDevice::ReadHeaderLine;
    case 0x6A:
      return &SimDevice::ReadOperator;
    case 0x6B:
      return &SimDevice::ReadArticle;
    case 0x6C:
      return &SimDevice::PrintLogo;
    case 0x6D:
      return &SimDevice::DailyTaxTotals;
    case 0x6E:
      return &SimDevice::DailyData;
    case 0x6F:
      return &SimDevice::OperatorData;
    case 0x70:
      return &SimDevice::ReadInvoiceRange;
    case 0x71:
      return &SimDevice::LastReceiptNumber;
    case 0x72:
      return &SimDevice::ReceiptStatus;
    case 0x73:
      return &SimDevice::LastFmRecord;
    case 0x74:
      return &SimDevice::FreeFm;
    case 0x75:
      return &SimDevice::Download;
    case 0x77:
      return &SimDevice::SpecialFmReport;
    case 0x78:
      return &SimDevice::FmReportDetailedBlocks;
    case 0x79:
      return &SimDevice::FmReportShortBlocks;
    case 0x7A:
      return &SimDevice::FmReportDetailedDates;
    case 0x7B:
      return &SimDevice::FmReportShortDates;
    case 0x7C:
      return &SimDevice::DailyReport;
    case 0x7D:
      return &SimDevice::OperatorReport;
    case 0x7E:
      return &SimDevice::ArticleReport;
    case 0x7F:
      return &SimDevice::ExtendedDailyReport;
    default:
      return nullptr;
  }
}

bool SimDevice::IsRead(uint8_t cmd) {
  switch (cmd) {
    case 0x20:
    case 0x21:
    case 0x60:
    case 0x61:
    case 0x62:
    case 0x63:
    case 0x64:
    case 0x65:
    case 0x67:
    case 0x68:
    case 0x69:
    case 0x6A:
    case 0x6B:
    case 0x6D:
    case 0x6E:
    case 0x6F:
    case 0x70:
    case 0x71:
    case 0x72:
    case 0x73:
    case 0x74:
      return true;
    default:
      return Find(cmd) == nullptr;
  }
}

SimDevice::Reply SimDevice::Execute(uint8_t cmd, const std::string& data) {
  const Handler h = Find(cmd);
  if (!h) return Ack("01");
  return (this->*h)(data);
}

int SimDevice::FreeFmRecords() const {
  const int used = static_cast<int>(s_.fm.size());
  return s_.fmCapacity > used ? s_.fmCapacity - used : 0;
}

std::array<bool, 32> SimDevice::Flags() const {
  std::array<bool, 32> f{};
  const bool full = FreeFmRecords() == 0;
  bool opUnzeroed = false;
  for (const auto& op : s_.operators) opUnzeroed = opUnzeroed || op.unzeroed;
  const int kind = s_.receipt.kind;
  const bool fiscalOpen = kind == OpenReceipt::kFiscal || kind == OpenReceipt::kInvoice;
  f[0] = full;
  f[1] = s_.lowVoltage;
  f[2] = s_.overheated;
  f[3] = s_.clockNotSet;
  f[4] = s_.clockHardware;
  f[5] = s_.ramReset;
  f[6] = s_.clockIncorrect;
  f[7] = s_.paperOut;
  f[8] = s_.reportOverflow;
  f[9] = s_.dailyUnzeroed;
  f[10] = s_.articlesUnzeroed;
  f[11] = opUnzeroed;
  f[12] = s_.duplicatePending;
  f[13] = kind == OpenReceipt::kService;
  f[14] = fiscalOpen;
  f[15] = fiscalOpen && s_.receipt.detailed;
  f[16] = fiscalOpen && s_.receipt.withVat;
  f[17] = kind == OpenReceipt::kInvoice;
  f[18] = s_.fmMissing;
  f[19] = s_.fmFaulty;
  f[20] = full;
  f[21] = FreeFmRecords() < 50;
  f[22] = s_.decimals == '2';
  f[23] = s_.fiscalized;
  f[24] = s_.factoryWritten;
  f[25] = s_.autoCut;
  f[26] = s_.transparentDisplay;
  f[27] = lineBaud_ != 9600;
  f[28] = s_.drawer;
  f[29] = s_.logo;
  f[30] = s_.shortJournal;
  f[31] = s_.currency;
  return f;
}

std::string SimDevice::StatusBytes() const {
  const auto f = Flags();
  // Byte and bit of each flag; flags 28..30 are out of bit order in S4.
  static const int kPos[32][2] = {{0, 0}, {0, 1}, {0, 2}, {0, 3}, {0, 4}, {0, 5}, {0, 6}, {1, 0},
                                  {1, 1}, {1, 3}, {1, 4}, {1, 5}, {1, 6}, {2, 0}, {2, 1}, {2, 2},
                                  {2, 3}, {2, 4}, {3, 0}, {3, 1}, {3, 2}, {3, 3}, {3, 4}, {3, 5},
                                  {3, 6}, {4, 0}, {4, 1}, {4, 2}, {4, 4}, {4, 5}, {4, 3}, {4, 6}};
  unsigned char b[6] = {0x80, 0x80, 0x80, 0x80, 0x80, 0x80};
  for (int i = 0; i < 32; ++i)
    if (f[i]) b[kPos[i][0]] |= static_cast<unsigned char>(1u << kPos[i][1]);
  return std::string(reinterpret_cast<char*>(b), 6);
}

std::time_t SimDevice::Now() const {
  return std::time(nullptr) + s_.clockOffset;
}

void SimDevice::ResetRam() {
  s_.receipt = OpenReceipt{};
  s_.duplicatePending = false;
  s_.lastReceipt.clear();
  s_.display = {};
  s_.clockOffset = 0;
  s_.clockNotSet = true;
  s_.ramReset = true;
}

void SimDevice::FillFmNearlyFull() {
  s_.fmCapacity = static_cast<int>(s_.fm.size()) + 49;
}
void SimDevice::FillFmFull() {
  s_.fmCapacity = static_cast<int>(s_.fm.size());
}

std::string SimDevice::Refusal(unsigned needs) const {
  if ((needs & kFm) && (s_.fmMissing || s_.fmFaulty)) return "82";
  if ((needs & kFactory) && !s_.factoryWritten) return "F2";
  if ((needs & kClock) && (s_.clockHardware || s_.clockNotSet || s_.clockIncorrect || s_.ramReset))
    return "32";
  if (needs & kNoReceipt) {
    if (s_.receipt.kind == OpenReceipt::kService) return "62";
    if (s_.receipt.kind != OpenReceipt::kNone) return "42";
  }
  if ((needs & kNoOverflow) && s_.reportOverflow) return "22";
  if ((needs & kFmSpace) && FreeFmRecords() == 0) return "82";
  if ((needs & kDailyZeroed) && s_.dailyUnzeroed) return "03";
  if ((needs & kPaper) && s_.paperOut) return "12";
  if ((needs & kPaper) && s_.overheated) return "C2";
  return "";
}

bool SimDevice::ServicePasswordOk(const std::string& field) const {
  return Trim(field) == s_.servicePassword;
}

bool SimDevice::OperatorOk(int op, const std::string& password) const {
  if (op < 1 || op > kOperators) return false;
  return TrimRight(password) == s_.operators[op - 1].password;
}

void SimDevice::Print(const Document& doc, bool journal) {
  roll_.Print(doc.Utf8());
  if (journal) s_.journal.push_back(doc.Utf8());
}

std::string SimDevice::DateTimeText(std::time_t t) const {
  return LocalTime(t, "%d-%m-%Y %H:%M:%S");
}

std::string SimDevice::GroupLetter(int group) const {
  return std::string(1, static_cast<char>(0xC0 + (group & 7)));
}

Money SimDevice::Round(Money m) const {
  return RoundToMode(m, s_.decimals);
}
std::string SimDevice::Amount(Money m) const {
  return MoneyText(m, s_.decimals);
}
std::string SimDevice::Field(Money m, int width) const {
  return MoneyField(m, s_.decimals, width);
}

SimDevice::Reply SimDevice::Status(const std::string&) {
  return Data(StatusBytes());
}

SimDevice::Reply SimDevice::Version(const std::string&) {
  return Data(Sprintf("FS-SIM 1.00 07-12-2026,%06d,%06d", s_.printerNumber, s_.memoryNumber));
}

// "DD-MM-YY HH:MM:SS" sets the clock.
SimDevice::Reply SimDevice::SetClock(const std::string& data) {
  if (s_.clockHardware) return Ack("32");
  int d, m, y, hh, mm, ss;
  char tail;
  if (std::sscanf(data.c_str(), "%2d-%2d-%2d %2d:%2d:%2d%c", &d, &m, &y, &hh, &mm, &ss, &tail) !=
          6 ||
      d < 1 || d > 31 || m < 1 || m > 12 || hh > 23 || mm > 59 || ss > 59 || hh < 0 || mm < 0 ||
      ss < 0 || y < 0)
    return Ack("04");
  std::tm tm{};
  tm.tm_mday = d;
  tm.tm_mon = m - 1;
  tm.tm_year = 100 + y;
  tm.tm_hour = hh;
  tm.tm_min = mm;
  tm.tm_sec = ss;
  tm.tm_isdst = -1;
  const std::time_t t = std::mktime(&tm);
  if (t == static_cast<std::time_t>(-1) || tm.tm_mday != d) return Ack("04");
  // The fiscal memory's dates must never run backwards.
  for (const auto& r : s_.fm)
    if (LocalTime(t, "%Y%m%d") < LocalTime(r.time, "%Y%m%d")) return Ack("02");
  s_.clockOffset = static_cast<int64_t>(t) - static_cast<int64_t>(std::time(nullptr));
  s_.clockNotSet = s_.clockIncorrect = s_.ramReset = false;
  return Ack("00");
}

SimDevice::Reply SimDevice::ReadClock(const std::string&) {
  return Data(DateTimeText(Now()));
}
