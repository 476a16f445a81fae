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

// How many records a message names before "...".
constexpr size_t kListed = 10;

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
    FiscalRecords();
    Facts();
    OpenReceipt();
    Origin();
    Rates();
    DecimalPoint();
    PaymentNames();
    ExchangeRate();
    Invoices();
    InvoiceRangeKept();
    StoredTexts();
    HeaderSpaces();
    for (const RestoreStep& s : plan_.steps) Step(s);
    RemovedDepartments();
    ReportsToZero();
    FlagsToZero();
    FreeRecords();
    return std::move(out_);
  }

 private:
  void Add(CheckLevel level, const std::string& text) { out_.items.push_back({level, text}); }

  bool Status(int flag) const { return cur_.status && (*cur_.status)[static_cast<size_t>(flag)]; }

  // The decimal point is a record; tax rates are one once the printer is
  // fiscalized; the daily Z report the printer asks for before a step that
  // waits for it is one more.
  void FiscalRecords() {
    const bool fiscalized = !cur_.status || Status(Flag::kFiscalized);
    bool waitsForDaily = false;
    for (const RestoreStep& s : plan_.steps) {
      if (s.section == Section::kDecimalPoint || (s.section == Section::kTaxRates && fiscalized))
        ++out_.fiscalRecords;
      waitsForDaily = waitsForDaily || (ZeroingRequirement(s.section) & Require::kDailyZeroed);
    }
    if (waitsForDaily && fiscalized && Status(Flag::kDailyNotZeroed)) {
      ++out_.fiscalRecords;
      out_.zReport = true;
    }
  }

  void FreeRecords() {
    if (out_.fiscalRecords == 0 || !cur_.freeRecords) return;
    if (out_.fiscalRecords > *cur_.freeRecords)
      Add(CheckLevel::kStop,
          Sprintf("Фискалната памет има %d свободни записа, а възстановяването ще използва %d%s",
                  *cur_.freeRecords, out_.fiscalRecords,
                  out_.zReport ? " (с дневния Z отчет)" : ""));
  }

  // A receipt the shop has open belongs to its customer: nothing is sent
  // until the till has finished it, and the restore never closes it.
  void OpenReceipt() {
    if (plan_.steps.empty()) return;
    if (Status(Flag::kFiscalReceiptOpen) || Status(Flag::kServiceReceiptOpen))
      Add(CheckLevel::kStop,
          "В принтера има отворен бон: нищо не се изпраща, докато бонът не бъде приключен "
          "от касата (възстановяването не приключва чужд бон)");
  }

  void InvoiceRangeKept() {
    if (!want_.invoices || !cur_.invoices) return;
    if (!InvoiceRangeMovesBack(*cur_.invoices, *want_.invoices)) return;
    if (std::stoll(want_.invoices->first) < 1 ||
        std::stoll(want_.invoices->last) < std::stoll(want_.invoices->first))
      return;
    const InvoiceRange& w = *want_.invoices;
    const InvoiceRange& c = *cur_.invoices;
    Add(CheckLevel::kWarning, "Фактури: диапазонът " + w.first + "–" + w.last +
                                  " не се записва: принтерът е в диапазона " + c.first + "–" +
                                  c.last + " и може вече да е издал номерата до " + c.last +
                                  ", а записаният диапазон започва отново от " + w.first +
                                  " (нов диапазон трябва да започва след " + c.last + ")");
  }

  // Trailing spaces the printer does not keep: the stored form is written.
  void StoredTexts() {
    std::string list;
    const auto note = [&list](const std::string& who) { list += (list.empty() ? "" : ", ") + who; };
    const auto changes = [this](Section s, int item) {
      for (const RestoreStep& step : plan_.steps)
        if (step.section == s && step.item == item && step.kind != StepKind::kRemove) return true;
      return false;
    };
    const auto trailing = [](const std::string& t) { return StoredText(t) != t; };
    if (want_.payments)
      for (int t = 1; t <= kPaymentTypes; ++t)
        if (trailing(want_.payments->names[static_cast<size_t>(t - 1)]) &&
            changes(Section::kPayments, t))
          note(Sprintf("вид плащане %d", t));
    if (want_.operators)
      for (const OperatorRecord& o : *want_.operators)
        if ((trailing(o.name) || trailing(o.password)) && changes(Section::kOperators, o.number))
          note(Sprintf("оператор %d", o.number));
    if (want_.departments)
      for (const Department& d : *want_.departments)
        if (trailing(d.name) && changes(Section::kDepartments, d.number))
          note(Sprintf("департамент %d", d.number));
    if (want_.articles)
      for (const ArticleRecord& a : *want_.articles)
        if (trailing(a.name) && changes(Section::kArticles, a.number))
          note(Sprintf("артикул %d", a.number));
    if (!list.empty())
      Add(CheckLevel::kWarning,
          "Интервалите в края на текста не се пазят от принтера и се записва текстът без тях: " +
              list);
  }

  // A line whose spaces do not fit the printer's width is written without
  // them and laid out by the printer: said on every run, also when the
  // printer already holds it so (the file's layout is not what it holds).
  void HeaderSpaces() {
    if (!want_.header || !cur_.header) return;
    for (const HeaderLine& w : *want_.header) {
      const HeaderLine* c = Find(*cur_.header, w.line);
      if (!c) continue;
      const std::string text = HeaderTextFor(w, c->width, false);
      if (text != w.text && static_cast<int>(text.size()) <= c->width)
        Add(CheckLevel::kWarning,
            Sprintf("Ред %d от клишето се побира в %d знака само без интервалите около текста: "
                    "записва се ",
                    w.line, c->width) +
                Named(text) + " и се подрежда от принтера");
    }
  }

  // Departments the restore clears while articles still name them.
  void RemovedDepartments() {
    const std::vector<ArticleRecord>* articles = want_.articles  ? &*want_.articles
                                                 : cur_.articles ? &*cur_.articles
                                                                 : nullptr;
    if (!articles) return;
    for (const RestoreStep& s : plan_.steps) {
      if (s.section != Section::kDepartments || s.kind != StepKind::kRemove) continue;
      std::string users;
      size_t count = 0;
      for (const ArticleRecord& a : *articles) {
        if (a.department != s.item) continue;
        if (++count <= kListed)
          users += (users.empty() ? "" : ", ") + std::to_string(a.number) + " " + Named(a.name);
      }
      if (count > kListed) users += "...";
      if (count > 0)
        Add(CheckLevel::kWarning,
            Sprintf("Департамент %d се изтрива, а артикули остават към него: ", s.item) + users);
    }
  }

  void Facts() {
    if (!cur_.decimalPoint && !cur_.header && !cur_.taxRates) return;
    std::string facts = "Принтерът: ";
    if (out_.lineWidth > 0) facts += "ред от " + std::to_string(out_.lineWidth) + " знака, ";
    if (out_.groups > 0)
      facts += "данъчни групи " + TaxGroupText(0) + ".." + TaxGroupText(out_.groups - 1) + ", ";
    facts += out_.decimalMode == '2' ? "суми с 2 знака след точката" : "суми в цели числа";
    Add(CheckLevel::kNote, facts);
  }

  // A file from another printer is written only when the technician says so:
  // its header may carry the other shop's tax number.
  void Origin() {
    const ConfigOrigin& f = want_.origin;
    const ConfigOrigin& p = cur_.origin;
    const bool numbers = (f.printerNumber != 0 || f.memoryNumber != 0) &&
                         (f.printerNumber != p.printerNumber || f.memoryNumber != p.memoryNumber);
    const std::string fileTax = Trimmed(f.taxNumber), printerTax = Trimmed(p.taxNumber);
    const bool tax = !fileTax.empty() && fileTax != printerTax;
    if (!numbers && !tax) return;
    const auto taxText = [](const std::string& t) {
      return t.empty() ? std::string("без ЕИК") : "ЕИК " + Cp1251ToUtf8(t);
    };
    const std::string text =
        Sprintf("Файлът е от друг принтер (№ %06d, фискална памет № %06d, ", f.printerNumber,
                f.memoryNumber) +
        taxText(fileTax) +
        Sprintf("); този е № %06d, фискална памет № %06d, ", p.printerNumber, p.memoryNumber) +
        taxText(printerTax);
    Add(CheckLevel::kWarning, text);
    out_.questions.push_back(text + ".\nДа бъдат ли записани настройките от файла в този принтер?");
    if (!tax || !want_.header) return;
    for (const RestoreStep& s : plan_.steps)
      if (s.section == Section::kHeader)
        for (const FieldChange& c : s.fields)
          if (c.field == "text" && c.to.find(Cp1251ToUtf8(fileTax)) != std::string::npos)
            Add(CheckLevel::kWarning, Sprintf("Ред %d от клишето носи ЕИК ", s.item) +
                                          Cp1251ToUtf8(fileTax) + " от файла");
  }

  static std::string Trimmed(const std::string& s) {
    const size_t a = s.find_first_not_of(' ');
    return a == std::string::npos ? std::string() : s.substr(a, s.find_last_not_of(' ') - a + 1);
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
  // recomputes the articles the file does not write again, and a change to
  // whole numbers rounds their fractions: asked first, naming each.
  void DecimalPoint() {
    bool changes = false;
    for (const RestoreStep& s : plan_.steps)
      changes = changes || s.section == Section::kDecimalPoint;
    if (!changes || want_.articles) return;
    if (!cur_.articles) {
      Add(CheckLevel::kWarning,
          "Десетичната точка се сменя, а файлът няма артикули: принтерът сам ще преизчисли "
          "цените на своите артикули");
      return;
    }
    if (out_.decimalMode != '0') return;
    std::string list;
    size_t count = 0;
    for (const ArticleRecord& a : *cur_.articles) {
      const long long cents = std::llround(a.price * 100.0);
      if (cents % 100 == 0) continue;
      if (++count > kListed) continue;
      list += "\n" + std::to_string(a.number) + " " + Named(a.name) + ": " + PriceText(cents, '2') +
              " -> " + std::to_string((cents + 50) / 100);
    }
    if (count == 0) return;
    if (count > kListed) list += "\n...";
    const std::string text = Sprintf(
        "Смяната към цели числа ще закръгли цените на %zu артикула "
        "в принтера:",
        count);
    Add(CheckLevel::kWarning, text + list);
    out_.questions.push_back(text + list + "\nДа бъде ли сменена десетичната точка?");
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

  // Checked whether it would be written or kept: the file's range is wrong.
  void Invoices() {
    if (!want_.invoices) return;
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

bool NeedsPrinterArticles(const PrinterConfig& wanted, const RestorePlan& plan) {
  if (wanted.articles) return false;
  for (const RestoreStep& s : plan.steps)
    if (s.section == Section::kDecimalPoint ||
        (s.section == Section::kDepartments && s.kind == StepKind::kRemove))
      return true;
  return false;
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
