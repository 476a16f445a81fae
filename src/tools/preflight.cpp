// The pre-flight of a restore: every value checked against the target printer.
#include "tools/preflight.h"

#include <algorithm>
#include <cmath>
#include <map>

#include "driver/cp1251.h"
#include "driver/status_flags.h"
#include "driver/text.h"
#include "tools/value_checks.h"

namespace {

// The reports each kind of step waits for: the requirement words the driver's
// Set... commands pass to CheckStatus. Departments, print parameters and the
// invoice range wait for none (a department with turnover is checked by
// itself: the printer refuses it whatever the flags say).
struct ZeroingNeed {
  Section section;
  uint32_t requirement;
};
constexpr ZeroingNeed kZeroingNeeds[] = {
    {Section::kDecimalPoint,
     Require::kDailyZeroed | Require::kOperatorZeroed | Require::kArticleZeroed},
    {Section::kTaxRates, Require::kDailyZeroed},
    {Section::kHeader, Require::kDailyZeroed},
    {Section::kPayments, Require::kDailyZeroed},
    {Section::kOperators, Require::kOperatorZeroed},
    {Section::kArticles, Require::kArticleZeroed},
};

uint32_t ZeroingRequirement(Section s) {
  for (const ZeroingNeed& n : kZeroingNeeds)
    if (n.section == s) return n.requirement;
  return 0;
}

// A report the printer asks to zero, by the status flag that says it is not.
struct ZeroedReport {
  uint32_t requirement;
  int flag;
  const char* text;  // followed by the sections that wait for it
};
constexpr ZeroedReport kZeroedReports[] = {
    {Require::kDailyZeroed, Flag::kDailyNotZeroed,
     "Денят има оборот: принтерът ще поиска дневен Z отчет преди записа на "},
    {Require::kOperatorZeroed, Flag::kOperatorNotZeroed,
     "Операторски отчет не е нулиран: принтерът ще поиска нулирането му преди записа на "},
    {Require::kArticleZeroed, Flag::kArticleNotZeroed,
     "Отчетът по артикули не е нулиран: принтерът ще поиска нулирането му преди записа на "},
};

std::string Named(const std::string& cp1251) {
  return "„" + Cp1251ToUtf8(cp1251) + "“";
}

// The most common header line width: lines 0 and 9 are shorter on every printer.
int LineWidth(const PrinterConfig& c) {
  if (!c.header) return 0;
  std::map<int, int> count;
  for (const HeaderLine& h : *c.header) ++count[h.width];
  int best = 0, seen = 0;
  for (const auto& [w, n] : count)
    if (n > seen) best = w, seen = n;
  return best;
}

class Checker {
 public:
  Checker(const PrinterConfig& cur, const PrinterConfig& want, const RestoreOptions& o,
          const RestorePlan& plan)
      : cur_(cur), want_(want), opt_(o), plan_(plan) {}

  Preflight Run() {
    out_.decimalMode = TargetDecimalMode(cur_, want_, opt_);
    out_.lineWidth = LineWidth(cur_);
    out_.groups = cur_.taxRates ? static_cast<int>(cur_.taxRates->size()) : 0;
    for (const RestoreStep& s : plan_.steps)
      if (s.section == Section::kTaxRates || s.section == Section::kDecimalPoint)
        ++out_.fiscalRecords;
    Facts();
    Origin();
    Rates();
    DecimalPoint();
    PaymentNames();
    ExchangeRate();
    for (const RestoreStep& s : plan_.steps) Step(s);
    ReportsToZero();
    FlagsToZero();
    return std::move(out_);
  }

 private:
  void Add(CheckLevel level, const std::string& text) { out_.items.push_back({level, text}); }

  void Facts() {
    if (!cur_.decimalPoint && !cur_.header && !cur_.taxRates) return;
    std::string facts = "Принтерът: ";
    if (out_.lineWidth > 0) facts += "ред от " + std::to_string(out_.lineWidth) + " знака, ";
    if (out_.groups > 0)
      facts += "данъчни групи " + TaxGroupText(0) + ".." + TaxGroupText(out_.groups - 1) + ", ";
    facts += out_.decimalMode == '2' ? "суми с 2 знака след точката" : "суми в цели числа";
    Add(CheckLevel::kNote, facts);
  }

  void Origin() {
    const ConfigOrigin& f = want_.origin;
    const ConfigOrigin& p = cur_.origin;
    if (f.printerNumber == 0 && f.memoryNumber == 0) return;
    if (f.printerNumber == p.printerNumber && f.memoryNumber == p.memoryNumber) return;
    Add(CheckLevel::kWarning,
        Sprintf("Файлът е от друг принтер (№ %06d, фискална памет № %06d); този е № %06d, "
                "фискална памет № %06d",
                f.printerNumber, f.memoryNumber, p.printerNumber, p.memoryNumber));
  }

  // The groups an article or department may use once the restore is done.
  bool GroupUsable(int g) const {
    const std::vector<double>* rates = cur_.taxRates ? &*cur_.taxRates : nullptr;
    if (!rates || g < 0) return rates == nullptr;
    if (g >= static_cast<int>(rates->size())) return false;
    double rate = (*rates)[static_cast<size_t>(g)];
    if (opt_.includeFiscal && want_.taxRates && g < static_cast<int>(want_.taxRates->size()))
      rate = (*want_.taxRates)[static_cast<size_t>(g)];
    return rate >= 0;
  }

  void Rates() {
    if (!want_.taxRates || !cur_.taxRates) return;
    std::string lacking;
    for (size_t k = cur_.taxRates->size(); k < want_.taxRates->size(); ++k)
      if ((*want_.taxRates)[k] >= 0)
        lacking += (lacking.empty() ? "" : ", ") + TaxGroupText(static_cast<int>(k));
    if (!lacking.empty())
      Add(CheckLevel::kNote, "Групи " + lacking + " от файла: принтерът ги няма, пропуснати");
  }

  void Step(const RestoreStep& s) {
    if (s.section == Section::kDepartments) DepartmentTurnover(s.item);
    if (s.kind == StepKind::kRemove) return;
    switch (s.section) {
      case Section::kHeader:
        return Header(s.item);
      case Section::kInvoices:
        return Invoices();
      case Section::kDepartments:
        return DepartmentStep(s.item);
      case Section::kArticles:
        return Article(s.item);
      default:
        return;
    }
  }

  void Header(int n) {
    const HeaderLine* w = Find(*want_.header, n);
    const HeaderLine* c = cur_.header ? Find(*cur_.header, n) : nullptr;
    if (!w || !c) return;
    const std::string text = HeaderTextFor(*w, c->width, false);
    if (static_cast<int>(text.size()) <= c->width) return;
    if (opt_.cutTexts)
      Add(CheckLevel::kWarning, Sprintf("Ред %d от клишето е по-дълъг от %d знака и ще бъде "
                                        "отрязан до ",
                                        n, c->width) +
                                    Named(text.substr(0, static_cast<size_t>(c->width))));
    else
      out_.items.push_back(
          {CheckLevel::kStop,
           Sprintf("Ред %d от клишето е по-дълъг от %d знака (%zu): ", n, c->width, text.size()) +
               Named(text),
           true});
  }

  // A new decimal point changes what every price means; the printer
  // recomputes the articles the file does not write again.
  void DecimalPoint() {
    bool changes = false;
    for (const RestoreStep& s : plan_.steps)
      changes = changes || s.section == Section::kDecimalPoint;
    if (changes && !want_.articles)
      Add(CheckLevel::kWarning,
          "Десетичната точка се сменя, а файлът няма артикули: принтерът сам ще преизчисли "
          "цените на своите артикули");
  }

  // The printer refuses an empty name, so the planner never sends one: where
  // the printer holds a name, the restore could never make it hold the file's.
  void PaymentNames() {
    if (!want_.payments || !cur_.payments) return;
    for (int t = 1; t <= kPaymentTypes; ++t) {
      const size_t i = static_cast<size_t>(t - 1);
      if (want_.payments->names[i].empty() && !cur_.payments->names[i].empty())
        Add(CheckLevel::kStop, Sprintf("Вид плащане %d: празно име не може да бъде записано "
                                       "(принтерът пази ",
                                       t) +
                                   Named(cur_.payments->names[i]) + ")");
    }
  }

  // A rate of 0 is never sent (the planner leaves it out): when the printer
  // holds another, the restore could never make it hold the file's.
  void ExchangeRate() {
    if (!want_.payments || !cur_.payments) return;
    const double rate = want_.payments->exchangeRate;
    if (rate <= 0 && std::fabs(rate - cur_.payments->exchangeRate) > 0.000005)
      Add(CheckLevel::kStop, Sprintf("Вид плащане %d: курс %.5f не може да бъде записан "
                                     "(принтерът пази %.5f)",
                                     kPaymentTypes, rate, cur_.payments->exchangeRate));
  }

  void Invoices() {
    const InvoiceRange& r = *want_.invoices;
    const long long first = std::stoll(r.first), last = std::stoll(r.last);
    if (first < 1 || last < first)
      Add(CheckLevel::kStop, "Фактури: първият номер " + r.first + " трябва да е от 1 до " +
                                 "последния (" + r.last + ")");
  }

  void DepartmentStep(int n) {
    for (const Department& d : *want_.departments) {
      if (d.number != n) continue;
      if (!GroupUsable(d.taxGroup))
        Add(CheckLevel::kStop, Sprintf("Департамент %d ", n) + Named(d.name) + ": група " +
                                   TaxGroupText(d.taxGroup) +
                                   ", която принтерът няма или е забранена");
    }
  }

  // The printer does not change a department with turnover.
  void DepartmentTurnover(int n) {
    if (!cur_.departments) return;
    for (const Department& d : *cur_.departments)
      if (d.number == n && (d.turnover != 0 || d.quantity > 0))
        Add(CheckLevel::kStop,
            Sprintf("Департамент %d ", n) + Named(d.name) +
                " има оборот: принтерът го променя след нулиране с дневен Z отчет");
  }

  void Article(int n) {
    for (const ArticleRecord& a : *want_.articles) {
      if (a.number != n) continue;
      const std::string who = Sprintf("Артикул %d ", n) + Named(a.name);
      const auto cents = ExactCents(a.price);
      const char mode = out_.decimalMode;
      if (!cents || !FitsDecimalMode(*cents, mode)) {
        const std::string price = cents ? PriceText(*cents, '2') : Sprintf("%g", a.price);
        if (cents && *cents > MaxPriceCents(mode))
          Add(CheckLevel::kStop, who + ": цена " + price + " е над най-голямата " +
                                     PriceText(MaxPriceCents(mode), mode));
        else
          Add(CheckLevel::kStop,
              who + ": цена " + price + " не може да бъде записана точно в цели числа");
      }
      if (!GroupUsable(a.taxGroup))
        Add(CheckLevel::kStop,
            who + ": група " + TaxGroupText(a.taxGroup) + ", която принтерът няма или е забранена");
      if (cur_.articles)
        for (const ArticleRecord& c : *cur_.articles)
          if (c.number == n && (c.turnover != 0 || c.soldQuantity != 0)) withSales_.push_back(n);
    }
  }

  void ReportsToZero() {
    if (withSales_.empty()) return;
    std::string list;
    for (size_t i = 0; i < withSales_.size() && i < 10; ++i)
      list += (i ? ", " : "") + std::to_string(withSales_[i]);
    if (withSales_.size() > 10) list += "...";
    Add(CheckLevel::kWarning,
        "Артикули с продажби (" + list + "): принтерът ще поиска нулиране на отчета по артикули");
  }

  // The reports the printer's flags say are not zeroed, each named once with
  // the kinds of step that wait for it, before anything is sent: declined
  // during the restore, such a report would stop it half-way.
  void FlagsToZero() {
    if (!cur_.status) return;
    for (const ZeroedReport& report : kZeroedReports) {
      if (!(*cur_.status)[static_cast<size_t>(report.flag)]) continue;
      std::vector<Section> waiting;
      for (const RestoreStep& s : plan_.steps) {
        if (!(ZeroingRequirement(s.section) & report.requirement)) continue;
        // Articles with sales are already named one by one.
        if (s.section == Section::kArticles && !withSales_.empty()) continue;
        if (std::find(waiting.begin(), waiting.end(), s.section) == waiting.end())
          waiting.push_back(s.section);
      }
      if (waiting.empty()) continue;
      std::string text = report.text;
      for (size_t i = 0; i < waiting.size(); ++i)
        text += (i ? ", " : "") + SectionTitle(waiting[i], true);
      Add(CheckLevel::kWarning, text);
    }
  }

  static const HeaderLine* Find(const std::vector<HeaderLine>& lines, int n) {
    for (const HeaderLine& h : lines)
      if (h.line == n) return &h;
    return nullptr;
  }

  const PrinterConfig& cur_;
  const PrinterConfig& want_;
  const RestoreOptions& opt_;
  const RestorePlan& plan_;
  std::vector<int> withSales_;
  Preflight out_;
};

}  // namespace

bool Preflight::Stops() const {
  for (const CheckItem& i : items)
    if (i.level == CheckLevel::kStop) return true;
  return false;
}

bool Preflight::OnlyCuttableStops() const {
  bool any = false;
  for (const CheckItem& i : items) {
    if (i.level != CheckLevel::kStop) continue;
    if (!i.cuttable) return false;
    any = true;
  }
  return any;
}

std::vector<std::string> Preflight::Texts(CheckLevel level) const {
  std::vector<std::string> out;
  for (const CheckItem& i : items)
    if (i.level == level) out.push_back(i.text);
  return out;
}

Preflight CheckRestore(const PrinterConfig& current, const PrinterConfig& wanted,
                       const RestoreOptions& options, const RestorePlan& plan) {
  return Checker(current, wanted, options, plan).Run();
}

bool NeedsZeroedReports(const RestorePlan& plan) {
  for (const RestoreStep& s : plan.steps)
    if (ZeroingRequirement(s.section) != 0) return true;
  return false;
}

SectionSet SectionsToRead(const PrinterConfig& c) {
  SectionSet s{};
  const auto mark = [&s](Section x, bool present) {
    if (present) s[static_cast<size_t>(x)] = true;
  };
  const bool tables = c.articles || c.departments;
  mark(Section::kDecimalPoint, c.decimalPoint.has_value() || tables);
  mark(Section::kTaxRates, c.taxRates.has_value() || tables);
  mark(Section::kHeader, c.header.has_value());
  mark(Section::kParameters, c.parameters.has_value());
  mark(Section::kPayments, c.payments.has_value());
  mark(Section::kInvoices, c.invoices.has_value());
  mark(Section::kDepartments, c.departments.has_value());
  mark(Section::kOperators, c.operators.has_value());
  mark(Section::kArticles, c.articles.has_value());
  return s;
}
