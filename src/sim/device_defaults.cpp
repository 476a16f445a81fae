// The two starting states: a printer in daily use, and a new one.
#include "sim/money.h"
#include "sim/sim_device.h"
#include "sim/sim_text.h"

using namespace simtext;

namespace {
void CommonTables(DeviceState& s, int width) {
  s.headerWidth = width == 38 ? 38 : 42;
  s.decimals = '2';
  s.groupCount = 8;
  s.rates = {0, 2000, 2000, 900, -100, -100, -100, -100};
  for (int i = 0; i < kHeaderLines; ++i)
    s.header[i] = std::string(i == 0 ? 20 : i == 9 ? 12 : s.headerWidth, ' ');
  for (int i = 0; i < kOperators; ++i) {
    s.operators[i].name = Cp("Оператор ") + Sprintf("%d", i + 1);
    s.operators[i].password = Sprintf("%d", i + 1);
  }
  const char* names[kPayments] = {"В БРОЙ", "КАРТА", "ЧЕК", "ВАУЧЕР", "ВАЛУТА"};
  for (int t = 0; t < kPayments; ++t) s.paymentNames[t] = Cp(names[t]);
  s.exchangeRate = 195583;  // 1.95583 per unit of the foreign currency
  s.servicePassword = "000000";
}
}  // namespace

DeviceState SimDevice::FactoryState(int headerWidth) {
  DeviceState s;
  CommonTables(s, headerWidth);
  s.clockNotSet = true;
  return s;
}

DeviceState SimDevice::SampleState(int headerWidth) {
  DeviceState s;
  CommonTables(s, headerWidth);
  const int w = s.headerWidth;
  s.printerNumber = 123456;
  s.memoryNumber = 654321;
  s.factoryWritten = true;
  s.taxNumber = "123456786";
  s.fiscalized = true;
  s.header[1] = Fit(Cp("ДЕМО ТЪРГОВИЯ ЕООД"), w, Align::kCentre);
  s.header[2] = Fit(Cp("МАГАЗИН №1"), w, Align::kCentre);
  s.header[3] = Fit(Cp("гр. София, ул. Примерна 1"), w, Align::kCentre);
  s.header[4] = Fit(Cp("тел. 02 123 4567"), w, Align::kCentre);
  s.header[6] = Fit(Cp("ЗДДС № BG123456786"), w, Align::kCentre);
  s.header[7] = Fit(Cp("БУЛСТАТ 123456786"), w, Align::kCentre);
  s.header[8] = Fit(Cp("5% отстъпка с карта за лоялност"), w, Align::kCentre);
  s.header[9] = Fit(Cp("ЕИК:"), 12, Align::kLeft);
  s.header[0] = Fit(Cp("ЗАПОВЯДАЙТЕ ОТНОВО"), 20, Align::kCentre);

  struct Art {
    int n;
    const char* name;
    Money price;
    int group, dept;
  };
  const Art arts[] = {{1, "Хляб", 120, 1, 1},      {2, "Мляко 1 л", 249, 1, 1},
                      {3, "Вода 0.5 л", 80, 1, 2}, {4, "Кафе", 180, 1, 3},
                      {5, "Вестник", 100, 0, 4},   {6, "Бензин А95", 259, 2, 5},
                      {7, "Нощувка", 5000, 3, 6}};
  for (const Art& a : arts) {
    ArticleState& x = s.articles[a.n];
    x.name = Cp(a.name);
    x.price = a.price;
    x.group = a.group;
    x.department = a.dept;
  }
  const std::pair<const char*, int> depts[] = {{"Хранителни стоки", 1}, {"Напитки", 1},
                                               {"Кафе-бар", 1},         {"Преса", 0},
                                               {"Горива", 2},           {"Туризъм", 3}};
  int d = 1;
  for (const auto& [name, group] : depts) {
    s.departments[d].name = Cp(name);
    s.departments[d].group = group;
    ++d;
  }
  s.invoiceFirst = 1;
  s.invoiceLast = 1000;
  s.invoiceNext = 1;

  // A short history: fiscalized a month ago, three daily reports since.
  const std::time_t now = std::time(nullptr);
  FmRecord fisc;
  fisc.type = FmRecord::kFiscalization;
  fisc.time = now - 30 * 86400;
  fisc.rates = s.rates;
  fisc.text = s.taxNumber;
  s.fm.push_back(fisc);
  for (int day = 3; day >= 1; --day) {
    FmRecord z;
    z.type = FmRecord::kZReport;
    z.number = 4 - day;
    z.time = now - day * 86400;
    z.rates = s.rates;
    z.totals = {1250, 48760 + day * 1000, 12500, 5000 * day, 0, 0, 0, 0};
    s.fm.push_back(z);
  }
  s.reportNumber = 4;
  s.lastReport = s.fm.back().time;
  s.journalNumber = 4;
  s.receiptNumber = 57;
  return s;
}

void SimDevice::UseWholeNumbers(DeviceState& s) {
  s.decimals = '0';
  for (auto& [n, a] : s.articles) a.price = RoundToMode(a.price, s.decimals);
}

void SimDevice::LimitGroups(DeviceState& s, int groups) {
  if (groups < 3 || groups > kGroups) return;
  constexpr int kStandard = 1;  // Б
  s.groupCount = groups;
  for (int g = groups; g < kGroups; ++g) s.rates[g] = -100;
  for (auto& [n, a] : s.articles)
    if (a.group >= groups) a.group = kStandard;
  for (auto& [n, d] : s.departments)
    if (d.group >= groups) d.group = kStandard;
  for (auto& r : s.fm) {
    for (int g = groups; g < kGroups; ++g) {
      if (r.type == FmRecord::kZReport) r.totals[kStandard] += r.totals[g];
      r.totals[g] = 0;
      r.rates[g] = -100;
    }
  }
}
