// Fiscal set-up: factory numbers, tax number and fiscalization, tax rates,
// decimal point, EEPROM erase, and their reads.
#include <cmath>

#include "sim/money.h"
#include "sim/sim_device.h"
#include "sim/sim_text.h"

using namespace simtext;

void SimDevice::AddFmRecord(int type) {
  FmRecord r;
  r.type = type;
  r.time = Now();
  r.rates = s_.rates;
  r.decimals = s_.decimals;
  r.text = s_.taxNumber;
  s_.fm.push_back(r);
}

// "password6": erases the programmable tables; allowed only after a RAM reset.
SimDevice::Reply SimDevice::EraseEeprom(const std::string& data) {
  if (auto r = Refusal(kFm | kPaper | kNoReceipt); !r.empty()) return Ack(r);
  if (!s_.ramReset) return Ack("02");
  if (!ServicePasswordOk(data)) return Ack("92");
  const DeviceState fresh = FactoryState(s_.headerWidth);
  s_.articles.clear();
  s_.departments.clear();
  for (int i = 0; i < kOperators; ++i) {
    s_.operators[i].name = fresh.operators[i].name;
    s_.operators[i].password = fresh.operators[i].password;
  }
  s_.paymentNames = fresh.paymentNames;
  s_.exchangeRate = 0;
  s_.invoiceFirst = s_.invoiceLast = s_.invoiceNext = 0;
  s_.logoBytes.clear();
  s_.logo = false;
  Document doc(s_.headerWidth);
  doc.Center(Cp("EEPROM ИЗТРИТ"));
  doc.Line(DateTimeText(Now()));
  doc.Blank();
  Print(doc, false);
  return Ack("00");
}

// "password6;printer;memory;check": once in the device's life.
SimDevice::Reply SimDevice::SetFactoryNumbers(const std::string& data) {
  if (auto r = Refusal(kFm | kPaper); !r.empty()) return Ack(r);
  const auto f = Split(data, ';');
  int printer = 0, memory = 0, check = 0;
  if (f.size() != 4 || f[1].size() != 6 || f[2].size() != 6 || f[3].size() != 6 ||
      !ParseInt(f[1], printer) || !ParseInt(f[2], memory) || !ParseInt(f[3], check))
    return Ack("04");
  if (!ServicePasswordOk(f[0])) return Ack("92");
  if (s_.factoryWritten) return Ack("02");
  s_.printerNumber = printer;
  s_.memoryNumber = memory;
  s_.factoryWritten = true;
  Document doc(s_.headerWidth);
  doc.Center(Cp("ФАБРИЧНИ НОМЕРА"));
  doc.LeftRight(Cp("ФУ №"), Sprintf("NV%06d", printer));
  doc.LeftRight(Cp("ФП №"), Sprintf("50%06d", memory));
  doc.Blank();
  Print(doc, false);
  return Ack("00");
}

// "password6;1;<tax number, 13 right-aligned>" or "password6;2" (fiscalize).
SimDevice::Reply SimDevice::TaxNumberOrFiscalize(const std::string& data) {
  if (auto r = Refusal(kFm | kFactory | kClock | kNoReceipt); !r.empty()) return Ack(r);
  const auto f = Split(data, ';');
  if (f.size() < 2 || (f[1] != "1" && f[1] != "2")) return Ack("04");
  if (!ServicePasswordOk(f[0])) return Ack("92");
  if (s_.fiscalized) return Ack("02");
  if (f[1] == "1") {
    if (f.size() != 3) return Ack("04");
    const std::string number = Trim(f[2]);
    int64_t unused = 0;
    if (number.size() > 13 || !ParseInt64(number, unused)) return Ack("04");
    s_.taxNumber = number;
    return Ack("00");
  }
  if (s_.taxNumber.empty()) return Ack("F2");
  if (auto r = Refusal(kPaper | kFmSpace | kDailyZeroed); !r.empty()) return Ack(r);
  s_.fiscalized = true;
  s_.reportNumber = 1;  // the first Z report in the fiscal memory
  AddFmRecord(FmRecord::kFiscalization);
  Document doc(s_.headerWidth);
  HeaderBlock(doc);
  doc.Center(Cp("ФИСКАЛИЗАЦИЯ"));
  doc.LeftRight(Cp("ЕИК"), s_.taxNumber);
  doc.LeftRight(Cp("ФУ №"), Sprintf("NV%06d", s_.printerNumber));
  doc.LeftRight(Cp("ФП №"), Sprintf("50%06d", s_.memoryNumber));
  for (int g = 0; g < s_.groupCount; ++g)
    doc.LeftRight(Cp("ДАНЪЧНА ГРУПА ") + GroupLetter(g),
                  s_.rates[g] < 0 ? Cp("ЗАБРАНЕНА") : PercentText(s_.rates[g]) + "%");
  doc.LeftRight(Cp("ДЕСЕТИЧНА ТОЧКА"), s_.decimals == '2' ? "2" : "0");
  doc.Line(DateTimeText(Now()));
  doc.Center(Cp("ФИСКАЛЕН БОН"));
  doc.Blank();
  Print(doc);
  return Printing();
}

namespace {
// "dd.dd%" (or "-1.00%" for a switched-off group) in hundredths.
bool ParseRate(const std::string& field, int& out) {
  if (field.empty() || field.back() != '%') return false;
  const auto v = ParseNumber(field.substr(0, field.size() - 1));
  if (!v) return false;
  const int h = static_cast<int>(std::lround(*v * 100.0));
  if (h != -100 && (h < 0 || h > 9999)) return false;
  out = h;
  return true;
}
}  // namespace

// "password6;А%;Б%;...;З%".
SimDevice::Reply SimDevice::SetTaxRates(const std::string& data) {
  if (auto r = Refusal(kFm | kFactory | kClock | kNoReceipt | kFmSpace | kDailyZeroed | kPaper);
      !r.empty())
    return Ack(r);
  const auto f = Split(data, ';');
  if (f.size() < 1 + static_cast<size_t>(s_.groupCount) || f.size() > 9) return Ack("04");
  if (!ServicePasswordOk(f[0])) return Ack("92");
  std::array<int, kGroups> rates = s_.rates;
  for (int g = 0; g < s_.groupCount; ++g)
    if (!ParseRate(f[1 + g], rates[g])) return Ack("04");
  if (rates[0] < 0) return Ack("04");  // group А always exists
  s_.rates = rates;
  if (s_.fiscalized) AddFmRecord(FmRecord::kTaxRates);
  Document doc(s_.headerWidth);
  doc.Center(Cp("ДАНЪЧНИ СТАВКИ"));
  for (int g = 0; g < s_.groupCount; ++g)
    doc.LeftRight(Cp("ГРУПА ") + GroupLetter(g),
                  s_.rates[g] < 0 ? Cp("ЗАБРАНЕНА") : PercentText(s_.rates[g]) + "%");
  doc.Line(DateTimeText(Now()));
  doc.Blank();
  Print(doc);
  return Ack("00");
}

// "password6;mode": '2' two decimals, '0' whole numbers.
SimDevice::Reply SimDevice::SetDecimals(const std::string& data) {
  if (auto r = Refusal(kFm | kClock | kPaper | kNoReceipt | kFmSpace | kDailyZeroed); !r.empty())
    return Ack(r);
  const auto f = Split(data, ';');
  if (f.size() != 2 || (f[1] != "0" && f[1] != "2")) return Ack("04");
  if (!ServicePasswordOk(f[0])) return Ack("92");
  bool opUnzeroed = false;
  for (const auto& op : s_.operators) opUnzeroed = opUnzeroed || op.unzeroed;
  if (s_.articlesUnzeroed || opUnzeroed) return Ack("03");
  s_.decimals = f[1][0];
  for (auto& [n, a] : s_.articles) a.price = RoundToMode(a.price, s_.decimals);
  if (s_.fiscalized) AddFmRecord(FmRecord::kDecimalPoint);
  Document doc(s_.headerWidth);
  doc.LeftRight(Cp("ДЕСЕТИЧНА ТОЧКА"), std::string(1, s_.decimals));
  doc.Line(DateTimeText(Now()));
  doc.Blank();
  Print(doc);
  return Ack("00");
}

// "NVpppppp;50mmmmmm".
SimDevice::Reply SimDevice::ReadFactoryNumbers(const std::string&) {
  return Data(Sprintf("NV%06d;50%06d", s_.printerNumber, s_.memoryNumber));
}

// The tax number right-aligned in 13 characters, then '1' once fiscalized ('0' before).
SimDevice::Reply SimDevice::ReadTaxNumber(const std::string&) {
  return Data(Fit(s_.taxNumber, 13, Align::kRight) + (s_.fiscalized ? "1" : "0"));
}

// "dd.dd%" per group, ';' between, as many as the device has groups.
SimDevice::Reply SimDevice::ReadTaxRates(const std::string&) {
  std::string out;
  for (int g = 0; g < s_.groupCount; ++g) {
    if (g) out += ';';
    out += Sprintf("%05.2f%%", s_.rates[g] / 100.0);
  }
  return Data(out);
}

SimDevice::Reply SimDevice::ReadDecimals(const std::string&) {
  return Data(std::string(1, s_.decimals));
}
