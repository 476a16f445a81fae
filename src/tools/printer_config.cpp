// Reading a printer's whole programming into a PrinterConfig.
#include "tools/printer_config.h"

#include <cstdlib>
#include <ctime>

#include "driver/fiscal_printer.h"
#include "driver/text.h"

namespace {

constexpr int kRateNotRead = -2;  // ReadTaxRates' mark for a group the reply lacks

// Each section once: its member in the backup file and the number of steps its
// read takes (for the progress total), in the order of Section.
struct SectionRow {
  Section section;
  const char* key;
  int steps;
};
constexpr SectionRow kSectionRows[] = {
    {Section::kOrigin, "printer", 1},
    {Section::kDecimalPoint, "decimalPoint", 1},
    {Section::kTaxRates, "taxRates", 1},
    {Section::kHeader, "header", kHeaderLineCount},
    {Section::kParameters, "parameters", 1},
    {Section::kPayments, "payments", 1},
    {Section::kInvoices, "invoiceRange", 1},
    {Section::kDepartments, "departments", kDepartmentCount},
    {Section::kOperators, "operators", kOperatorCount},
    {Section::kArticles, "articles", kArticleCount},
};
static_assert(sizeof kSectionRows / sizeof kSectionRows[0] == kSectionCount, "one row per section");

const SectionRow* RowOf(Section s) {
  for (const SectionRow& row : kSectionRows)
    if (row.section == s) return &row;
  return nullptr;
}

int StepsOf(Section s) {
  const SectionRow* row = RowOf(s);
  return row ? row->steps : 1;
}

class Collector {
 public:
  Collector(FiscalPrinter& p, const SectionSet& sections, PrinterConfig& c, const ProgressFn& f)
      : printer_(p), sections_(sections), config_(c), progress_(f) {
    for (int s = 0; s < kSectionCount; ++s)
      if (Wanted(static_cast<Section>(s))) total_ += StepsOf(static_cast<Section>(s));
  }

  CollectResult Run() {
    for (int s = 0; s < kSectionCount; ++s) {
      const Section section = static_cast<Section>(s);
      if (!Wanted(section)) continue;
      const CollectResult r = Read(section);
      if (r != CollectResult::kDone) return r;
    }
    return CollectResult::kDone;
  }

 private:
  bool Wanted(Section s) const {
    return s == Section::kOrigin || sections_[static_cast<size_t>(s)];
  }

  // Whether a read gave the printer's values: a refusal passed over with
  // "Продължи" leaves out-parameters decoded from an ACK code.
  bool Got(const std::string& result) const { return CallDone(result, printer_.LastOutcome()); }

  // Reports the next step; false when the caller wants to stop.
  bool Step(Section s, int item) {
    const bool go = !progress_ || progress_(ProgressStep{s, item, done_, total_});
    ++done_;
    return go;
  }

  // A section of one read: `read` fills a T through the driver; `into` takes
  // it when the read was done.
  template <typename T, typename ReadFn>
  CollectResult One(Section s, std::optional<T>& into, ReadFn read) {
    if (!Step(s, 0)) return CollectResult::kCancelled;
    T value{};
    if (!Got(read(value))) return CollectResult::kFailed;
    into = value;
    return CollectResult::kDone;
  }

  CollectResult Read(Section s) {
    switch (s) {
      case Section::kOrigin:
        return ReadOrigin();
      case Section::kDecimalPoint:
        return One(s, config_.decimalPoint,
                   [this](char& m) { return printer_.ReadDecimalPoint(m); });
      case Section::kTaxRates: {
        if (!Step(s, 0)) return CollectResult::kCancelled;
        TaxRates rates{};
        if (!Got(printer_.ReadTaxRates(rates))) return CollectResult::kFailed;
        std::vector<double> read;
        for (double r : rates) {
          if (r == kRateNotRead) break;
          read.push_back(r);
        }
        config_.taxRates = read;
        return CollectResult::kDone;
      }
      case Section::kHeader: {
        std::vector<HeaderLine> lines;
        for (int n = 0; n < kHeaderLineCount; ++n) {
          if (!Step(s, n)) return CollectResult::kCancelled;
          HeaderLine line;
          if (!Got(printer_.ReadHeaderLine(n, line))) return CollectResult::kFailed;
          line.line = n;
          lines.push_back(line);
        }
        config_.header = lines;
        return CollectResult::kDone;
      }
      case Section::kParameters:
        return One(s, config_.parameters,
                   [this](PrintParameters& p) { return printer_.ReadParameters(p); });
      case Section::kPayments: {
        if (!Step(s, 0)) return CollectResult::kCancelled;
        PaymentNames names;
        if (!Got(printer_.ReadPaymentNames(names))) return CollectResult::kFailed;
        PaymentSetup setup;
        for (int t = 1; t <= kPaymentTypes; ++t)
          setup.names[static_cast<size_t>(t - 1)] = names[static_cast<size_t>(t)];
        setup.exchangeRate = std::atof(RemoveChar(names[5], ' ', 0).c_str());
        config_.payments = setup;
        return CollectResult::kDone;
      }
      case Section::kInvoices:
        return One(s, config_.invoices,
                   [this](InvoiceRange& r) { return printer_.ReadInvoiceRange(r); });
      case Section::kOperators: {
        std::vector<OperatorRecord> ops;
        for (int n = 1; n <= kOperatorCount; ++n) {
          if (!Step(s, n)) return CollectResult::kCancelled;
          OperatorRecord op;
          if (!Got(printer_.ReadOperator(n, op))) return CollectResult::kFailed;
          op.number = n;
          ops.push_back(op);
        }
        config_.operators = ops;
        return CollectResult::kDone;
      }
      case Section::kDepartments: {
        std::vector<Department> deps;
        for (int n = 1; n <= kDepartmentCount; ++n) {
          if (!Step(s, n)) return CollectResult::kCancelled;
          Department d;
          d.number = static_cast<uint8_t>(n);
          if (!Got(printer_.ReadDepartment(d))) return CollectResult::kFailed;
          d.number = static_cast<uint8_t>(n);
          if (!d.name.empty()) deps.push_back(d);
        }
        config_.departments = deps;
        return CollectResult::kDone;
      }
      case Section::kArticles: {
        std::vector<ArticleRecord> arts;
        for (int n = 1; n <= kArticleCount; ++n) {
          if (!Step(s, n)) return CollectResult::kCancelled;
          ArticleRecord a;
          if (!Got(printer_.ReadArticle(n, a))) return CollectResult::kFailed;
          a.number = n;
          if (!a.name.empty()) arts.push_back(a);
        }
        config_.articles = arts;
        return CollectResult::kDone;
      }
    }
    return CollectResult::kDone;
  }

  CollectResult ReadOrigin() {
    if (!Step(Section::kOrigin, 0)) return CollectResult::kCancelled;
    ConfigOrigin& o = config_.origin;
    o.version = printer_.ReadVersion();
    if (!Got(o.version)) return CollectResult::kFailed;
    FactoryNumbers numbers;
    if (!Got(printer_.ReadFactoryNumbers(numbers))) return CollectResult::kFailed;
    o.printerNumber = numbers.printerNumber;
    o.memoryNumber = numbers.memoryNumber;
    if (!Got(printer_.ReadTaxNumber(o.taxNumber))) return CollectResult::kFailed;
    o.created = FormatTime(std::time(nullptr), "%Y-%m-%d %H:%M:%S");
    return CollectResult::kDone;
  }

  FiscalPrinter& printer_;
  const SectionSet& sections_;
  PrinterConfig& config_;
  const ProgressFn& progress_;
  int done_ = 0;
  int total_ = 0;
};

}  // namespace

CollectResult CollectConfig(FiscalPrinter& printer, const SectionSet& sections,
                            PrinterConfig& config, const ProgressFn& progress) {
  return Collector(printer, sections, config, progress).Run();
}

const char* SectionKey(Section s) {
  const SectionRow* row = RowOf(s);
  return row ? row->key : "";
}

namespace {
const char* const kGroupLetters[8] = {"А", "Б", "В", "Г", "Д", "Е", "Ж", "З"};
const char* const kGroupLettersLower[8] = {"а", "б", "в", "г", "д", "е", "ж", "з"};
}  // namespace

std::string TaxGroupText(int index) {
  return index >= 0 && index < 8 ? kGroupLetters[index] : "";
}

std::optional<int> ParseTaxGroupText(const std::string& utf8) {
  for (int i = 0; i < 8; ++i)
    if (utf8 == kGroupLetters[i] || utf8 == kGroupLettersLower[i]) return i;
  return std::nullopt;
}

const char* AlignmentName(int alignment) {
  return alignment == 2 ? "right" : alignment == 1 ? "centre" : "left";
}
