#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "driver/limits.h"
#include "driver/records.h"

class FiscalPrinter;

// Everything programmable that the driver can read back, as one value: what a
// backup file holds and what a restore compares. Texts are Windows-1251 bytes,
// as the driver uses them; the file formats convert at their edges.
//
// A section that is not there (an empty optional) was not read, or was left
// out of a file on purpose: a restore leaves that part of the printer alone.

// The parts of a configuration, in the order a restore writes them: the
// decimal point first (article prices depend on it), tax rates before the
// departments and articles that use the groups, departments before the
// articles that refer to them.
enum class Section {
  kOrigin,  // version, factory numbers, tax number: read, never written
  kDecimalPoint,
  kTaxRates,
  kHeader,
  kParameters,
  kPayments,
  kInvoices,
  kDepartments,
  kOperators,
  kArticles,
};
constexpr int kSectionCount = 10;
using SectionSet = std::array<bool, kSectionCount>;
inline SectionSet AllSections() {
  SectionSet s;
  s.fill(true);
  return s;
}
inline SectionSet OnlySection(Section one) {
  SectionSet s{};
  s[static_cast<size_t>(one)] = true;
  return s;
}

// Ranges the printer's tables are read over.
constexpr int kHeaderLineCount = Limit::kLastHeaderLine + 1;  // 0..9
constexpr int kOperatorCount = Limit::kLastOperator;
constexpr int kDepartmentCount = Limit::kLastDepartment;
constexpr int kArticleCount = Limit::kLastArticle;
constexpr int kPaymentTypes = Limit::kLastPaymentType;  // 1..4; type 0 (cash) has a fixed name

// Who the configuration came from; written into a backup for the reader, never
// sent to a printer.
struct ConfigOrigin {
  std::string version;    // ReadVersion's reply
  int printerNumber = 0;  // factory numbers
  int memoryNumber = 0;
  std::string taxNumber;
  std::string created;  // local time "YYYY-MM-DD HH:MM:SS"
};

struct PaymentSetup {
  std::array<std::string, kPaymentTypes> names;  // types 1..4
  double exchangeRate = 0;                       // of type 4
};

// The on/off print parameters, one row each: the backup file's member (in
// the file's order), the setting, and the restore's labels for it. The file's
// writer and reader and the restore's comparison all go through this table, so
// a new on/off setting is one row here (and its bit in the driver).
struct ParameterFlag {
  const char* key;
  bool PrintParameters::*member;
  const char* english;
  const char* bulgarian;
};
inline constexpr ParameterFlag kParameterFlags[] = {
    {"logo", &PrintParameters::logo, "logo", "лого"},
    {"drawer", &PrintParameters::drawer, "drawer", "чекмедже"},
    {"autoCut", &PrintParameters::autoCut, "auto cut", "автоматично рязане"},
    {"transparentDisplay", &PrintParameters::transparentDisplay, "transparent display",
     "прозрачен дисплей"},
    {"shortJournal", &PrintParameters::shortJournal, "short journal", "кратка КЛЕН"},
    {"currency", &PrintParameters::currency, "currency", "валута"},
};

struct PrinterConfig {
  ConfigOrigin origin;
  std::optional<char> decimalPoint;  // '0' whole numbers, '2' two decimals
  // The groups the printer reported (3 to 8), А first; -1 is a group switched off.
  std::optional<std::vector<double>> taxRates;
  std::optional<std::vector<HeaderLine>> header;  // lines 0..9 in order
  std::optional<PrintParameters> parameters;
  std::optional<PaymentSetup> payments;
  std::optional<InvoiceRange> invoices;
  std::optional<std::vector<OperatorRecord>> operators;  // 1..9 in order
  // Only programmed entries (a name that is not empty), in number order.
  std::optional<std::vector<Department>> departments;
  std::optional<std::vector<ArticleRecord>> articles;
  // The printer's status flags, read for a restore's pre-flight (which reports
  // are not zeroed); never in a file.
  std::optional<StatusFlags> status;
  // Free fiscal-memory records, read for a restore that uses some; never in a file.
  std::optional<int> freeRecords;
};

// Progress of a long job: step `done` (0-based) of `total`, which works on
// `item` (a line, operator, department, article or CSV row number; 0 for a
// section of one record) of `section`.
struct ProgressStep {
  Section section = Section::kOrigin;
  int item = 0;
  int done = 0;
  int total = 0;
};
// Called before each step; returning false stops the job there (between two
// commands, never in the middle of one).
using ProgressFn = std::function<bool(const ProgressStep&)>;

enum class CollectResult {
  kDone,
  kFailed,     // a read failed; the user has been told by the driver
  kCancelled,  // the progress callback said stop
};

// Reads the chosen sections (and always the origin) from `printer`, which is
// connected. Several thousand commands for the articles; `progress` may be
// empty. On failure `config` holds what was read before it.
CollectResult CollectConfig(FiscalPrinter& printer, const SectionSet& sections,
                            PrinterConfig& config, const ProgressFn& progress);

// Section names as they appear in files and messages ("articles").
const char* SectionKey(Section s);

// A header line's alignment (0 left, 1 centre, 2 right) as the backup file and
// the differences name it: "left", "centre", "right"; anything else is "left".
const char* AlignmentName(int alignment);

// Tax group letters А..З as UTF-8, by index 0..7; "" outside.
std::string TaxGroupText(int index);
// The index of a tax group letter (UTF-8 А..З, also а..з), or nothing.
std::optional<int> ParseTaxGroupText(const std::string& utf8);
