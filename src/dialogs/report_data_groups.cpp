#include "dialogs/report_data_groups.h"

#include <optional>

#include "driver/date_words.h"
#include "driver/status_flags.h"
#include "driver/text.h"

namespace {

using Kind = DataKind;

// "Get" buttons of the daily dialog.
constexpr int kDailyTaxes = 1336;
constexpr int kDailyPayments = 1340;
constexpr int kDailyCounters = 1342;
constexpr int kDailyIn = 1355;
constexpr int kDailyOut = 1361;
constexpr int kDailyInfo = 1380;
// "Get" buttons of the operator dialog.
constexpr int kOpPayments = 1402;
constexpr int kOpCounters = 1401;
constexpr int kOpIn = 1400;
constexpr int kOpOut = 1412;
constexpr int kOpInfo = 1405;

// Five payment amounts with consecutive ids from `first`.
std::vector<DataField> Payments(int first) {
  static const char* const kLabels[] = {
      "Плащане 0:", "Плащане 1:", "Плащане 2:", "Плащане 3:", "Плащане 4:"};
  std::vector<DataField> out;
  for (int i = 0; i < 5; ++i) out.push_back({first + i, kLabels[i], Kind::kAmount});
  return out;
}

// The seven counters fields with consecutive ids from `first`.
std::vector<DataField> Counters(int first) {
  return {
      {first, "Бр.Клиенти:", Kind::kCount},          {first + 1, "Бр.Отстъпки:", Kind::kCount},
      {first + 2, "Сума Отстъпки:", Kind::kAmount},  {first + 3, "Бр.Надбавки:", Kind::kCount},
      {first + 4, "Сума Надбавки:", Kind::kAmount},  {first + 5, "Бр.Войдирания:", Kind::kCount},
      {first + 6, "Сума Войдирания:", Kind::kAmount}};
}

// A count field followed by five payment amounts.
std::vector<DataField> CountAndPayments(int countId, const char* countLabel, int firstPayment) {
  std::vector<DataField> out{{countId, countLabel, Kind::kCount}};
  for (const DataField& f : Payments(firstPayment)) out.push_back(f);
  return out;
}

// One value per field of a group, in the order of its fields.
struct Value {
  double number = 0;
  std::time_t date = 0;
};
using Values = std::vector<Value>;

Value Num(double v) {
  return {v, 0};
}
Value Date(std::time_t t) {
  return {0, t};
}

template <size_t N>
Values Amounts(const std::array<double, N>& a) {
  Values v;
  for (double x : a) v.push_back(Num(x));
  return v;
}

Values CountersValues(const ReceiptCounters& c) {
  return {Num(c.customers),    Num(c.discounts), Num(c.discountSum), Num(c.surcharges),
          Num(c.surchargeSum), Num(c.voids),     Num(c.voidSum)};
}

Values ServiceValues(const ServiceTotals& t) {
  Values v{Num(t.count)};
  for (double x : t.amounts) v.push_back(Num(x));
  return v;
}

std::optional<Values> ReadDaily(FiscalPrinter& p, int getId) {
  switch (getId) {
    case kDailyTaxes: {
      TaxGroupTotals t;
      if (!CallDone(p.ReadDailyTaxTotals(t), p.LastOutcome())) return std::nullopt;
      return Amounts(t.groups);
    }
    case kDailyPayments: {
      PaymentTotals t;
      if (!CallDone(p.ReadDailyPaymentTotals(t), p.LastOutcome())) return std::nullopt;
      return Amounts(t.payments);
    }
    case kDailyCounters: {
      ReceiptCounters c;
      if (!CallDone(p.ReadDailyCounters(c), p.LastOutcome())) return std::nullopt;
      return CountersValues(c);
    }
    case kDailyIn:
    case kDailyOut: {
      ServiceTotals t;
      const std::string r = getId == kDailyIn ? p.ReadDailyServiceIn(t) : p.ReadDailyServiceOut(t);
      if (r.empty()) return std::nullopt;
      return ServiceValues(t);
    }
    case kDailyInfo: {
      DailyReportInfo i;
      if (!CallDone(p.ReadDailyReportInfo(i), p.LastOutcome())) return std::nullopt;
      return Values{Num(i.reportNumber), Num(i.lastFMReport), Num(i.journalNumber),
                    Date(i.lastReportTime)};
    }
    default:
      return std::nullopt;
  }
}

std::optional<Values> ReadOperator(FiscalPrinter& p, int op, int getId) {
  switch (getId) {
    case kOpPayments: {
      PaymentTotals t;
      if (!CallDone(p.ReadOperatorPayments(op, t), p.LastOutcome())) return std::nullopt;
      return Amounts(t.payments);
    }
    case kOpCounters: {
      ReceiptCounters c;
      if (!CallDone(p.ReadOperatorTotals(op, c), p.LastOutcome())) return std::nullopt;
      return CountersValues(c);
    }
    case kOpIn:
    case kOpOut: {
      ServiceTotals t;
      const std::string r =
          getId == kOpIn ? p.ReadOperatorServiceIn(op, t) : p.ReadOperatorServiceOut(op, t);
      if (r.empty()) return std::nullopt;
      return ServiceValues(t);
    }
    case kOpInfo: {
      OperatorReportInfo i;
      if (!CallDone(p.ReadOperatorReportInfo(op, i), p.LastOutcome())) return std::nullopt;
      return Values{Num(i.reportNumber), Date(i.lastReportTime)};
    }
    case report_data::kReturnedSumsGet: {
      OperatorReturnedSums s;
      s.operatorNumber = op;
      if (!CallDone(p.ReadOperatorReturnedSums(s), p.LastOutcome())) return std::nullopt;
      return Amounts(s.sums);
    }
    default:
      return std::nullopt;
  }
}

const DataGroup* FindGroup(const std::vector<DataGroup>& groups, int getId) {
  for (const DataGroup& g : groups)
    if (g.getId == getId) return &g;
  return nullptr;
}

void Show(ReportDataForm& form, const DataGroup& group, const Values& values) {
  for (size_t i = 0; i < group.fields.size() && i < values.size(); ++i) {
    const DataField& f = group.fields[i];
    switch (f.kind) {
      case Kind::kAmount:
        form.ShowAmount(f.id, values[i].number);
        break;
      case Kind::kCount:
        form.ShowCount(f.id, static_cast<int>(values[i].number));
        break;
      case Kind::kDate:
        form.ShowDate(f.id, values[i].date);
        break;
    }
  }
}

}  // namespace

const std::vector<DataGroup>& DailyDataGroups() {
  static const std::vector<DataGroup> groups = {
      {kDailyTaxes,
       "Дневни суми",
       {{1337, "Дан. група А:", Kind::kAmount},
        {1338, "Дан. група Б:", Kind::kAmount},
        {1339, "Дан. група В:", Kind::kAmount},
        {1341, "Дан. група Г:", Kind::kAmount},
        {1348, "Дан. група Д:", Kind::kAmount},
        {1381, "Дан. група Е:", Kind::kAmount},
        {1382, "Дан. група Ж:", Kind::kAmount},
        {1383, "Дан. група З:", Kind::kAmount}}},
      {kDailyPayments, "Налични дневни суми", Payments(1343)},
      {kDailyCounters, "Клиенти, Отст., Надб. и Войд.", Counters(1369)},
      {kDailyIn, "Въведени дневни суми", CountAndPayments(1367, "Бр.Въвеждания:", 1356)},
      {kDailyOut, "Изведени дневни суми", CountAndPayments(1368, "Бр.Извеждания:", 1362)},
      {kDailyInfo,
       "",
       {{1376, "Номер на отчет:", Kind::kCount},
        {1377, "Номер на последен отчет във ФП:", Kind::kCount},
        {1378, "Номер ЕКЛ:", Kind::kCount},
        {1379, "Дата на последен отчет:", Kind::kDate}}},
  };
  return groups;
}

const std::vector<DataGroup>& OperatorDataGroups() {
  static const std::vector<DataGroup> groups = {
      {kOpPayments, "Получени опер. суми", Payments(1382)},
      {kOpCounters, "Клиенти, Отст., Надб. и Войд.", Counters(1387)},
      {kOpIn, "Въведени опер. суми", CountAndPayments(1394, "Бр.Въвеждания:", 1395)},
      {kOpOut, "Изведени опер. суми", CountAndPayments(1406, "Бр.Извеждания:", 1407)},
      {kOpInfo,
       "",
       {{1403, "Номер на отчет:", Kind::kCount}, {1404, "Дата на последен отчет:", Kind::kDate}}},
      {report_data::kReturnedSumsGet, "Върнати опер. суми", Payments(1420)},
  };
  return groups;
}

int AmountDecimals(const StatusFlags& flags) {
  return flags[Flag::kDecimals] ? 2 : 0;
}

std::string ReportDateText(std::time_t time) {
  return ReportDateInWords(time);
}

int OperatorForRead(int fieldValue) {
  return fieldValue >= 1 && fieldValue <= 9 ? fieldValue : 1;
}

bool ReadDailyGroup(FiscalPrinter& printer, ReportDataForm& form, int getId) {
  const DataGroup* group = FindGroup(DailyDataGroups(), getId);
  if (!group) return false;
  const auto values = ReadDaily(printer, getId);
  if (!values) return false;
  Show(form, *group, *values);
  return true;
}

bool ReadOperatorGroup(FiscalPrinter& printer, ReportDataForm& form, int getId) {
  const DataGroup* group = FindGroup(OperatorDataGroups(), getId);
  if (!group) return false;
  const auto values = ReadOperator(printer, OperatorForRead(form.OperatorNumber()), getId);
  if (!values) return false;
  Show(form, *group, *values);
  return true;
}

void ReadAllDailyGroups(FiscalPrinter& printer, ReportDataForm& form) {
  for (int id : {kDailyTaxes, kDailyPayments, kDailyIn, kDailyOut, kDailyCounters, kDailyInfo})
    if (!ReadDailyGroup(printer, form, id)) return;
}

void ReadAllOperatorGroups(FiscalPrinter& printer, ReportDataForm& form) {
  // The operator number is taken again for every read, as each Get would.
  for (int id : {kOpPayments, kOpIn, kOpOut, kOpCounters, kOpInfo})
    if (!ReadOperatorGroup(printer, form, id)) return;
}
