// The difference between two configurations as printer commands, and sending them.
#include "tools/restore_plan.h"

#include <cmath>
#include <map>
#include <utility>

#include "driver/cp1251.h"
#include "driver/fiscal_printer.h"
#include "driver/text.h"
#include "tools/value_checks.h"

namespace {

constexpr double kRateTolerance = 0.005;
constexpr double kExchangeTolerance = 0.000005;
constexpr double kRateOff = -1.0;

bool Near(double a, double b, double tolerance) {
  return std::fabs(a - b) < tolerance;
}

std::string Quoted(const std::string& cp1251) {
  return "\"" + Cp1251ToUtf8(cp1251) + "\"";
}
std::string Money(double v, char mode) {
  const auto cents = ExactCents(v);
  return cents ? PriceText(*cents, mode) : Sprintf("%.2f", v);
}
long long Cents(double v) {
  return std::llround(v * 100.0);
}
std::string Rate(double r) {
  return r <= kRateOff ? "off" : Sprintf("%.2f%%", r);
}
std::string Flag(bool on) {
  return on ? "1" : "0";
}

// Adds a field change when the two display values differ.
void Compare(std::vector<FieldChange>& out, const char* field, const std::string& from,
             const std::string& to) {
  if (from != to) out.push_back({field, from, to});
}

// The entries of a table read from the printer by their number (`key`), to
// match the file's entries against; the later of two alike wins.
template <typename Record, typename Number>
std::map<int, const Record*> ByNumber(const std::vector<Record>& list, Number Record::*key) {
  std::map<int, const Record*> out;
  for (const Record& r : list) out[static_cast<int>(r.*key)] = &r;
  return out;
}

// The entry of `byNumber` numbered `number`, or null.
template <typename Record>
const Record* Find(const std::map<int, const Record*>& byNumber, int number) {
  const auto it = byNumber.find(number);
  return it == byNumber.end() ? nullptr : it->second;
}

// An invoice number without its leading zeros ("0000000123" and "123" are one number).
std::string InvoiceNumber(const std::string& n) {
  const size_t first = n.find_first_not_of('0');
  return first == std::string::npos ? "0" : n.substr(first);
}

// A laid-out header line as a read gives it back: text and alignment guessed
// from the spaces around it (balanced within one: centred; none before:
// left; none after: right; otherwise the spaces are kept as text).
std::pair<std::string, int> AsRead(const std::string& kept) {
  const size_t first = kept.find_first_not_of(' ');
  if (first == std::string::npos) return {"", 1};
  const size_t last = kept.find_last_not_of(' ');
  const long leading = static_cast<long>(first);
  const long trailing = static_cast<long>(kept.size() - 1 - last);
  const std::string text = kept.substr(first, last - first + 1);
  if (leading - trailing >= -1 && leading - trailing <= 1) return {text, 1};
  if (leading == 0) return {text, 0};
  if (trailing == 0) return {text, 2};
  return {kept, 1};
}

RestoreStep MakeStep(Section s, int item, StepKind kind, std::vector<FieldChange> fields,
                     std::function<std::string(FiscalPrinter&)> send) {
  RestoreStep step;
  step.section = s;
  step.item = item;
  step.kind = kind;
  step.fields = std::move(fields);
  step.send = std::move(send);
  return step;
}

class Planner {
 public:
  Planner(const PrinterConfig& cur, const PrinterConfig& want, const RestoreOptions& o)
      : cur_(cur), want_(want), opt_(o) {
    mode_ = TargetDecimalMode(cur, want, o);
  }

  RestorePlan Run() {
    DecimalPoint();
    Rates();
    Header();
    Parameters();
    Payments();
    Invoices();
    Departments();
    Operators();
    Articles();
    return std::move(plan_);
  }

 private:
  // Whether group `g` is off (or missing) on the printer and the plan's
  // tax-rate step is what switches it on.
  bool NeedsNewRates(int g) const {
    if (!opt_.includeFiscal || !ratesPlanned_ || !cur_.taxRates) return false;
    const auto& cur = *cur_.taxRates;
    return g >= 0 && static_cast<size_t>(g) < cur.size() && cur[static_cast<size_t>(g)] < 0;
  }

  void Fiscal(RestoreStep step) {
    (opt_.includeFiscal ? plan_.steps : plan_.fiscalLeftOut).push_back(std::move(step));
  }

  void DecimalPoint() {
    if (!want_.decimalPoint || !cur_.decimalPoint || *want_.decimalPoint == *cur_.decimalPoint)
      return;
    const char mode = *want_.decimalPoint;
    const std::string password = opt_.password;
    Fiscal(
        MakeStep(Section::kDecimalPoint, 0, StepKind::kChange,
                 {{"mode", std::string(1, *cur_.decimalPoint), std::string(1, mode)}},
                 [password, mode](FiscalPrinter& p) { return p.SetDecimalPoint(password, mode); }));
    forceArticles_ = opt_.includeFiscal;
  }

  void Rates() {
    if (!want_.taxRates || !cur_.taxRates) return;
    const auto& want = *want_.taxRates;
    const auto& cur = *cur_.taxRates;
    std::vector<FieldChange> fields;
    ::TaxRates send{};
    for (size_t k = 0; k < send.size(); ++k) {
      // Only the groups the printer has count: a group it lacks cannot be
      // set, and naming it would be a fiscal-memory record on every run.
      if (k >= cur.size()) {
        send[k] = k < 4 ? 0.0 : kRateOff;
        continue;
      }
      const bool inWant = k < want.size();
      send[k] = inWant ? want[k] : cur[k];
      if (inWant && !Near(want[k], cur[k], kRateTolerance))
        fields.push_back({TaxGroupText(static_cast<int>(k)), Rate(cur[k]), Rate(want[k])});
    }
    if (fields.empty()) return;
    ratesPlanned_ = true;
    const std::string password = opt_.password;
    Fiscal(MakeStep(Section::kTaxRates, 0, StepKind::kChange, std::move(fields),
                    [password, send](FiscalPrinter& p) { return p.SetTaxRates(password, send); }));
  }

  void Header() {
    if (!want_.header || !cur_.header) return;
    const auto cur = ByNumber(*cur_.header, &HeaderLine::line);
    for (const HeaderLine& w : *want_.header) {
      const HeaderLine* c = Find(cur, w.line);
      if (!c) continue;
      // Laid out at this printer's width, which may differ from the file's.
      const int width = c->width > 0 ? c->width : w.width;
      HeaderLine line{w.line, HeaderTextFor(w, width, opt_.cutTexts), w.alignment, width};
      // The printer keeps the line as laid out and a read guesses the
      // alignment from its spaces (a line one short of the width reads as
      // centred, whichever side its space is on): lines that read back
      // alike are equal, whatever the names say.
      if (AsRead(FitText(line.text, width, line.alignment, ' ')) ==
          AsRead(FitText(c->text, width, c->alignment, ' ')))
        continue;
      std::vector<FieldChange> fields;
      Compare(fields, "text", Quoted(c->text), Quoted(line.text));
      Compare(fields, "alignment", AlignmentName(c->alignment), AlignmentName(line.alignment));
      if (fields.empty())
        fields.push_back({"alignment", AlignmentName(c->alignment), AlignmentName(line.alignment)});
      plan_.steps.push_back(MakeStep(
          Section::kHeader, w.line, StepKind::kChange, std::move(fields), [line](FiscalPrinter& p) {
            return p.SetHeaderLine(line.line, line.text, line.alignment, line.width);
          }));
    }
  }

  void Parameters() {
    if (!want_.parameters || !cur_.parameters) return;
    const PrintParameters& w = *want_.parameters;
    const PrintParameters& c = *cur_.parameters;
    std::vector<FieldChange> fields;
    Compare(fields, "deviceNumber", std::to_string(c.deviceNumber), std::to_string(w.deviceNumber));
    for (const ParameterFlag& f : kParameterFlags)
      Compare(fields, f.key, Flag(c.*f.member), Flag(w.*f.member));
    if (fields.empty()) return;
    plan_.steps.push_back(MakeStep(Section::kParameters, 0, StepKind::kChange, std::move(fields),
                                   [w](FiscalPrinter& p) { return p.SetParameters(w); }));
  }

  void Payments() {
    if (!want_.payments || !cur_.payments) return;
    for (int t = 1; t <= kPaymentTypes; ++t) {
      // Compared and sent as the printer keeps them (no trailing spaces).
      const std::string w = StoredText(want_.payments->names[static_cast<size_t>(t - 1)]);
      const std::string c = StoredText(cur_.payments->names[static_cast<size_t>(t - 1)]);
      // The printer refuses an empty name; such a file entry cannot be restored.
      if (w.empty()) continue;
      std::vector<FieldChange> fields;
      Compare(fields, "name", Quoted(c), Quoted(w));
      double rate = 0.0;
      // A rate of 0 is not sent (the printer keeps its own): the pre-flight
      // names it instead.
      if (t == kPaymentTypes && want_.payments->exchangeRate > 0) {
        rate = want_.payments->exchangeRate;
        if (!Near(rate, cur_.payments->exchangeRate, kExchangeTolerance))
          fields.push_back({"exchangeRate", Sprintf("%.5f", cur_.payments->exchangeRate),
                            Sprintf("%.5f", rate)});
      }
      if (fields.empty()) continue;
      plan_.steps.push_back(
          MakeStep(Section::kPayments, t, StepKind::kChange, std::move(fields),
                   [t, w, rate](FiscalPrinter& p) { return p.SetPaymentName(t, w, rate); }));
    }
  }

  void Invoices() {
    if (!want_.invoices || !cur_.invoices) return;
    // Written, the range starts again at its first number: never where the
    // printer may already have issued it (the pre-flight says so).
    if (InvoiceRangeMovesBack(*cur_.invoices, *want_.invoices)) return;
    const InvoiceRange w = *want_.invoices;
    const InvoiceRange& c = *cur_.invoices;
    std::vector<FieldChange> fields;
    Compare(fields, "first", InvoiceNumber(c.first), InvoiceNumber(w.first));
    Compare(fields, "last", InvoiceNumber(c.last), InvoiceNumber(w.last));
    if (fields.empty()) return;
    plan_.steps.push_back(MakeStep(Section::kInvoices, 0, StepKind::kChange, std::move(fields),
                                   [w](FiscalPrinter& p) { return p.SetInvoiceRange(w); }));
  }

  void Departments() {
    if (!want_.departments || !cur_.departments) return;
    auto cur = ByNumber(*cur_.departments, &Department::number);
    for (const Department& w : *want_.departments) {
      const Department* c = Find(cur, w.number);
      std::vector<FieldChange> fields;
      Department d = w;
      d.name = StoredText(w.name);
      Compare(fields, "name", c ? Quoted(StoredText(c->name)) : "", Quoted(d.name));
      Compare(fields, "taxGroup", c ? TaxGroupText(c->taxGroup) : "", TaxGroupText(w.taxGroup));
      cur.erase(w.number);
      if (fields.empty()) continue;
      plan_.steps.push_back(MakeStep(Section::kDepartments, w.number,
                                     c ? StepKind::kChange : StepKind::kAdd, std::move(fields),
                                     [d](FiscalPrinter& p) { return p.SetDepartment(d); }));
      plan_.steps.back().needsRates = NeedsNewRates(w.taxGroup);
    }
    // Programmed on the printer, absent from the file: an empty name clears it.
    for (const auto& [number, c] : cur) {
      Department d = *c;
      d.name.clear();
      plan_.steps.push_back(MakeStep(Section::kDepartments, number, StepKind::kRemove,
                                     {{"name", Quoted(c->name), ""}},
                                     [d](FiscalPrinter& p) { return p.SetDepartment(d); }));
    }
  }

  void Operators() {
    if (!want_.operators || !cur_.operators) return;
    const auto cur = ByNumber(*cur_.operators, &OperatorRecord::number);
    for (const OperatorRecord& w : *want_.operators) {
      const OperatorRecord* c = Find(cur, w.number);
      if (!c) continue;
      OperatorRecord o = w;
      o.name = StoredText(w.name);
      o.password = StoredText(w.password);
      std::vector<FieldChange> fields;
      Compare(fields, "name", Quoted(StoredText(c->name)), Quoted(o.name));
      Compare(fields, "password", Quoted(StoredText(c->password)), Quoted(o.password));
      if (fields.empty()) continue;
      plan_.steps.push_back(
          MakeStep(Section::kOperators, w.number, StepKind::kChange, std::move(fields),
                   [o](FiscalPrinter& p) { return p.SetOperator(o.number, o.name, o.password); }));
    }
  }

  void Articles() {
    if (!want_.articles || !cur_.articles) return;
    auto cur = ByNumber(*cur_.articles, &ArticleRecord::number);
    const char curMode = cur_.decimalPoint.value_or(mode_);
    // Prices are compared in cents as the printer will hold them; one that
    // cannot be held exactly is still a change (the pre-flight stops it).
    for (const ArticleRecord& w : *want_.articles) {
      const ArticleRecord* c = Find(cur, w.number);
      ArticleRecord a = w;
      a.name = StoredText(w.name);
      std::vector<FieldChange> fields;
      Compare(fields, "name", c ? Quoted(StoredText(c->name)) : "", Quoted(a.name));
      if (!c || Cents(c->price) != Cents(w.price) || forceArticles_)
        fields.push_back({"price", c ? Money(c->price, curMode) : "", Money(w.price, mode_)});
      Compare(fields, "taxGroup", c ? TaxGroupText(c->taxGroup) : "", TaxGroupText(w.taxGroup));
      Compare(fields, "department", c ? std::to_string(c->department) : "",
              std::to_string(w.department));
      cur.erase(w.number);
      if (fields.empty()) continue;
      plan_.steps.push_back(
          MakeStep(Section::kArticles, w.number, c ? StepKind::kChange : StepKind::kAdd,
                   std::move(fields), [a](FiscalPrinter& p) {
                     return p.SetArticle(a.number, a.name, a.price, a.taxGroup, a.department);
                   }));
      plan_.steps.back().priceMode = mode_;
      plan_.steps.back().needsRates = NeedsNewRates(w.taxGroup);
    }
    for (const auto& [number, c] : cur) {
      // The group it has is one the printer accepts; the price of a cleared
      // article means nothing.
      const int n = number;
      const int group = c->taxGroup;
      plan_.steps.push_back(
          MakeStep(Section::kArticles, n, StepKind::kRemove, {{"name", Quoted(c->name), ""}},
                   [n, group](FiscalPrinter& p) { return p.SetArticle(n, "", 0.0, group, 0); }));
    }
  }

  const PrinterConfig& cur_;
  const PrinterConfig& want_;
  const RestoreOptions& opt_;
  char mode_ = '2';
  bool forceArticles_ = false;
  bool ratesPlanned_ = false;
  RestorePlan plan_;
};

}  // namespace

char TargetDecimalMode(const PrinterConfig& current, const PrinterConfig& wanted,
                       const RestoreOptions& options) {
  if (options.includeFiscal && wanted.decimalPoint) return *wanted.decimalPoint;
  return current.decimalPoint.value_or(wanted.decimalPoint.value_or('2'));
}

std::string HeaderTextFor(const HeaderLine& line, int width, bool cut) {
  std::string text = line.text;
  if (width <= 0 || static_cast<int>(text.size()) <= width) return text;
  // Spaces a read kept as part of the text go first: they only lay it out.
  const size_t a = text.find_first_not_of(' ');
  text =
      a == std::string::npos ? std::string() : text.substr(a, text.find_last_not_of(' ') - a + 1);
  if (cut && static_cast<int>(text.size()) > width) text.resize(static_cast<size_t>(width));
  return text;
}

bool InvoiceRangeMovesBack(const InvoiceRange& current, const InvoiceRange& wanted) {
  if (InvoiceNumber(current.first) == InvoiceNumber(wanted.first) &&
      InvoiceNumber(current.last) == InvoiceNumber(wanted.last))
    return false;
  // The printer's next number is somewhere in its range and cannot be read:
  // only a range that starts after all of it cannot repeat a number.
  const std::string last = InvoiceNumber(current.last);
  if (last == "0") return false;
  const std::string first = InvoiceNumber(wanted.first);
  return first.size() < last.size() || (first.size() == last.size() && first <= last);
}

RestorePlan PlanRestore(const PrinterConfig& current, const PrinterConfig& wanted,
                        const RestoreOptions& options) {
  return Planner(current, wanted, options).Run();
}

int ApplyReport::Count(StepOutcome o) const {
  int n = 0;
  for (StepOutcome x : outcomes) n += x == o;
  return n;
}

ApplyReport ApplyPlan(FiscalPrinter& printer, const std::vector<RestoreStep>& steps,
                      const ProgressFn& progress) {
  ApplyReport report;
  report.outcomes.assign(steps.size(), StepOutcome::kNotSent);
  report.codes.assign(steps.size(), std::string());
  const int total = static_cast<int>(steps.size());
  bool modeChecked = false;
  SkipCause pricesOff = SkipCause::kNone;  // why no price may be sent
  bool ratesOff = false;
  const auto skip = [&report](int i, SkipCause cause) {
    report.outcomes[static_cast<size_t>(i)] = StepOutcome::kSkipped;
    if (report.skipped == SkipCause::kNone) report.skipped = cause;
  };
  for (int i = 0; i < total; ++i) {
    const RestoreStep& step = steps[static_cast<size_t>(i)];
    if (step.needsRates && ratesOff) {
      skip(i, SkipCause::kRatesNotWritten);
      continue;
    }
    if (step.priceMode != 0 && pricesOff == SkipCause::kNone && !modeChecked) {
      // Read again, not trusted from before the run: a price sent in the
      // other mode is stored rounded or a hundred times off.
      modeChecked = true;
      char mode = 0;
      const std::string read = printer.ReadDecimalPoint(mode);
      if (!CallDone(read, printer.LastOutcome())) {
        report.outcomes[static_cast<size_t>(i)] = StepOutcome::kFailed;
        if (!printer.LastOutcome().userTold) report.untold = printer.LastOutcome().message;
        break;
      }
      if (mode != step.priceMode) pricesOff = SkipCause::kDecimalModeDiffers;
    }
    if (step.priceMode != 0 && pricesOff != SkipCause::kNone) {
      skip(i, pricesOff);
      continue;
    }
    if (progress && !progress(ProgressStep{step.section, step.item, i, total})) {
      report.cancelled = true;
      break;
    }
    const std::string result = step.send(printer);
    const CallOutcome& outcome = printer.LastOutcome();
    report.codes[static_cast<size_t>(i)] = result;
    if (CallDone(result, outcome)) {
      report.outcomes[static_cast<size_t>(i)] = StepOutcome::kWritten;
    } else if (!result.empty() && outcome.end == CallEnd::kPrinterRefused) {
      report.outcomes[static_cast<size_t>(i)] = StepOutcome::kRefused;
      if (step.section == Section::kDecimalPoint) pricesOff = SkipCause::kDecimalPointNotWritten;
      if (step.section == Section::kTaxRates) ratesOff = true;
    } else {
      report.outcomes[static_cast<size_t>(i)] = StepOutcome::kFailed;
      if (!outcome.userTold) report.untold = outcome.message;
      break;
    }
  }
  return report;
}

// --- Texts for people ----------------------------------------------------------

std::string SkipCauseText(SkipCause cause, bool bulgarian) {
  switch (cause) {
    case SkipCause::kDecimalPointNotWritten:
      return bulgarian ? "десетичната точка не беше записана: цените биха били закръглени"
                       : "the decimal point was not written: the prices would be rounded";
    case SkipCause::kDecimalModeDiffers:
      return bulgarian ? "принтерът не работи в десетичния режим, за който са цените"
                       : "the printer does not work in the decimal mode the prices are for";
    case SkipCause::kRatesNotWritten:
      return bulgarian ? "данъчните ставки, които включват групата, не бяха записани"
                       : "the tax rates that switch their group on were not written";
    case SkipCause::kNone:
      break;
  }
  return "";
}

namespace {

struct Label {
  const char* key;
  const char* english;
  const char* bulgarian;
};

constexpr Label kSectionTitles[] = {
    {"printer", "printer", "Принтер"},
    {"decimalPoint", "decimal point", "Десетична точка"},
    {"taxRates", "tax rates", "Данъчни ставки"},
    {"header", "header line", "Ред от клишето"},
    {"parameters", "print parameters", "Параметри на печат"},
    {"payments", "payment type", "Вид плащане"},
    {"invoiceRange", "invoice range", "Фактури"},
    {"departments", "department", "Департамент"},
    {"operators", "operator", "Оператор"},
    {"articles", "article", "Артикул"},
};

constexpr Label kFieldLabels[] = {
    {"name", "name", "име"},
    {"password", "password", "парола"},
    {"price", "price", "цена"},
    {"taxGroup", "tax group", "дан. група"},
    {"department", "department", "департамент"},
    {"text", "text", "текст"},
    {"alignment", "alignment", "подравняване"},
    {"mode", "mode", "режим"},
    {"exchangeRate", "exchange rate", "курс"},
    {"first", "first", "първа"},
    {"last", "last", "последна"},
    {"deviceNumber", "device number", "номер на устройство"},
};

}  // namespace

std::string SectionTitle(Section s, bool bulgarian) {
  const std::string key = SectionKey(s);
  for (const Label& l : kSectionTitles)
    if (key == l.key) return bulgarian ? l.bulgarian : l.english;
  return key;
}

std::string FieldLabel(const std::string& field, bool bulgarian) {
  for (const Label& l : kFieldLabels)
    if (field == l.key) return bulgarian ? l.bulgarian : l.english;
  for (const ParameterFlag& f : kParameterFlags)
    if (field == f.key) return bulgarian ? f.bulgarian : f.english;
  return field;  // tax group letters name themselves
}

std::string DescribeStep(const RestoreStep& step, bool bulgarian) {
  std::string s = SectionTitle(step.section, bulgarian);
  if (step.item > 0 || step.section == Section::kHeader) s += " " + std::to_string(step.item);
  if (step.kind == StepKind::kRemove) {
    s += bulgarian ? ": изтриване" : ": remove";
    if (!step.fields.empty()) s += " (" + step.fields.front().from + ")";
    return s;
  }
  if (step.kind == StepKind::kAdd) s += bulgarian ? ": нов" : ": new";
  s += ":";
  bool first = true;
  for (const FieldChange& f : step.fields) {
    s += first ? " " : ", ";
    first = false;
    s += FieldLabel(f.field, bulgarian) + " ";
    if (step.kind == StepKind::kChange) s += (f.from.empty() ? "\"\"" : f.from) + " -> ";
    s += f.to;
  }
  return s;
}
