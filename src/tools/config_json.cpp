// The backup file format: reading and writing PrinterConfig as JSON.
#include "tools/config_json.h"

#include <cmath>
#include <nlohmann/json.hpp>

#include "driver/cp1251.h"
#include "driver/limits.h"
#include "driver/text.h"
#include "tools/value_checks.h"

using nlohmann::json;

namespace {

constexpr const char* kFormatName = "fiscal-service-backup";
constexpr int kFormatVersion = 1;

constexpr int kInvoiceDigits = Limit::kInvoiceNumberDigits;
constexpr double kRateOff = -1.0;

// --- Writing ---------------------------------------------------------------------

using OrderedJson = nlohmann::ordered_json;

// A list section: one object per entry, as `entry` writes it.
template <typename Record, typename Entry>
OrderedJson ListJson(const std::vector<Record>& list, Entry entry) {
  OrderedJson out = OrderedJson::array();
  for (const Record& r : list) out.push_back(entry(r));
  return out;
}

OrderedJson HeaderLineJson(const HeaderLine& h) {
  return {{"line", h.line},
          {"text", Cp1251ToUtf8(h.text)},
          {"alignment", AlignmentName(h.alignment)},
          {"width", h.width}};
}

OrderedJson OperatorJson(const OperatorRecord& o) {
  return {
      {"number", o.number}, {"name", Cp1251ToUtf8(o.name)}, {"password", Cp1251ToUtf8(o.password)}};
}

OrderedJson DepartmentJson(const Department& d) {
  return {
      {"number", d.number}, {"name", Cp1251ToUtf8(d.name)}, {"taxGroup", TaxGroupText(d.taxGroup)}};
}

OrderedJson ArticleJson(const ArticleRecord& a) {
  return {{"number", a.number},
          {"name", Cp1251ToUtf8(a.name)},
          {"price", std::round(a.price * 100.0) / 100.0},
          {"taxGroup", TaxGroupText(a.taxGroup)},
          {"department", a.department}};
}

json OriginJson(const ConfigOrigin& o) {
  return {{"version", Cp1251ToUtf8(o.version)},
          {"printerNumber", o.printerNumber},
          {"memoryNumber", o.memoryNumber},
          {"taxNumber", Cp1251ToUtf8(o.taxNumber)},
          {"created", o.created}};
}

}  // namespace

std::string ConfigToJson(const PrinterConfig& c) {
  // An ordered object keeps the members in the order a person reads them.
  OrderedJson j;
  j["format"] = kFormatName;
  j["formatVersion"] = kFormatVersion;
  j["printer"] = OriginJson(c.origin);
  if (c.decimalPoint) j["decimalPoint"] = *c.decimalPoint == '2' ? 2 : 0;
  if (c.taxRates) {
    OrderedJson rates = OrderedJson::object();
    for (size_t k = 0; k < c.taxRates->size(); ++k)
      rates[TaxGroupText(static_cast<int>(k))] = (*c.taxRates)[k];
    j["taxRates"] = rates;
  }
  if (c.header) j["header"] = ListJson(*c.header, HeaderLineJson);
  if (c.parameters) {
    const PrintParameters& p = *c.parameters;
    OrderedJson params = {{"deviceNumber", p.deviceNumber}};
    for (const ParameterFlag& f : kParameterFlags) params[f.key] = p.*f.member;
    j["parameters"] = params;
  }
  if (c.payments) {
    OrderedJson names = OrderedJson::array();
    for (size_t t = 0; t < c.payments->names.size(); ++t)
      names.push_back({{"type", t + 1}, {"name", Cp1251ToUtf8(c.payments->names[t])}});
    j["payments"] = {{"names", names}, {"exchangeRate", c.payments->exchangeRate}};
  }
  if (c.invoices) j["invoiceRange"] = {{"first", c.invoices->first}, {"last", c.invoices->last}};
  if (c.operators) j["operators"] = ListJson(*c.operators, OperatorJson);
  if (c.departments) j["departments"] = ListJson(*c.departments, DepartmentJson);
  if (c.articles) j["articles"] = ListJson(*c.articles, ArticleJson);
  return j.dump(2) + "\n";
}

// --- Reading ---------------------------------------------------------------------

namespace {

// Thrown inside this file only, caught by ConfigFromJson.
struct BadMember {
  std::string message;
};

[[noreturn]] void Fail(const std::string& path, const std::string& what) {
  throw BadMember{path + ": " + what};
}

// Every member of an object must be one this program knows: a misspelt name
// would otherwise be a section quietly left alone.
void OnlyKnown(const json& obj, const std::string& path, const std::vector<const char*>& known) {
  for (auto it = obj.begin(); it != obj.end(); ++it) {
    bool found = false;
    for (const char* k : known) found = found || it.key() == k;
    if (!found) Fail(path, "непознат член \"" + it.key() + "\"");
  }
}

const json& Member(const json& obj, const std::string& path, const char* name) {
  const auto it = obj.find(name);
  if (it == obj.end()) Fail(path, std::string("липсва \"") + name + "\"");
  return *it;
}

const json& Object(const json& v, const std::string& path) {
  if (!v.is_object()) Fail(path, "не е обект {...}");
  return v;
}

const json& Array(const json& v, const std::string& path) {
  if (!v.is_array()) Fail(path, "не е списък [...]");
  return v;
}

int Integer(const json& v, const std::string& path, long min, long max) {
  if (!v.is_number_integer()) Fail(path, "не е цяло число");
  const long n = v.get<long>();
  if (n < min || n > max) Fail(path, "е извън " + std::to_string(min) + ".." + std::to_string(max));
  return static_cast<int>(n);
}

double Number(const json& v, const std::string& path, double min, double max) {
  if (!v.is_number()) Fail(path, "не е число");
  const double d = v.get<double>();
  if (!(d >= min && d <= max)) Fail(path, "е извън " + Sprintf("%g..%g", min, max));
  return d;
}

// A price: at most two decimals (a value is never rounded to fit), and one
// the file's own decimal mode can hold (a restore sets that mode before the
// articles); without a mode, up to the larger limit of the two. The target
// printer's mode is checked against the printer before a restore.
double Price(const json& v, const std::string& path, char fileMode) {
  if (!v.is_number()) Fail(path, "не е число");
  const auto cents = ExactCents(v.get<double>());
  if (!cents) Fail(path, "има повече от 2 знака след десетичната точка или е отрицателно");
  if (*cents > MaxPriceCents(fileMode))
    Fail(path, "е извън 0.." + PriceText(MaxPriceCents(fileMode), fileMode));
  if (!FitsDecimalMode(*cents, fileMode)) Fail(path, "не е цяло число, а файлът е в цели числа");
  return static_cast<double>(*cents) / 100.0;
}

bool Boolean(const json& v, const std::string& path) {
  if (!v.is_boolean()) Fail(path, "не е true или false");
  return v.get<bool>();
}

// A UTF-8 text as Windows-1251 bytes, at most `width` of them; `field` for
// the texts of commands whose fields ';' separates (names and passwords).
std::string Text(const json& v, const std::string& path, int width, bool field) {
  if (!v.is_string()) Fail(path, "не е текст");
  std::string bytes;
  switch (CheckText(v.get<std::string>(), width, field, bytes)) {
    case TextIssue::kOk:
      return bytes;
    case TextIssue::kNotPrintable:
      Fail(path, "съдържа знак, който принтерът не може да отпечата");
    case TextIssue::kControl:
      Fail(path, "съдържа управляващ знак (нов ред, табулация)");
    case TextIssue::kTooLong:
      Fail(path, "е по-дълго от " + std::to_string(width) + " знака");
    case TextIssue::kSemicolon:
      Fail(path, "съдържа ';', който принтерът не приема тук");
  }
  return bytes;
}

int TaxGroup(const json& v, const std::string& path) {
  const auto g = v.is_string() ? ParseTaxGroupText(v.get<std::string>()) : std::nullopt;
  // The Latin letters that look like group letters would read as a refusal
  // of the very letter the technician typed.
  if (!g && v.is_string() && LatinLookalike(v.get<std::string>()))
    Fail(path, "„" + v.get<std::string>() +
                   "“ е латинска буква: данъчните групи са кирилските букви А..З");
  if (!g) Fail(path, "не е данъчна група А..З");
  return *g;
}

std::string Digits(const json& v, const std::string& path) {
  if (!v.is_string()) Fail(path, "не е текст от цифри");
  const std::string s = v.get<std::string>();
  if (s.empty() || s.size() > static_cast<size_t>(kInvoiceDigits) ||
      s.find_first_not_of("0123456789") != std::string::npos)
    Fail(path, "не е от 1 до 10 цифри");
  return s;
}

std::string At(const std::string& path, size_t i) {
  return path + "[" + std::to_string(i) + "]";
}

// Numbers of a list must be unique; `seen` collects them.
void Unique(std::vector<bool>& seen, int n, const std::string& path) {
  if (seen[static_cast<size_t>(n)]) Fail(path, "номер " + std::to_string(n) + " се среща два пъти");
  seen[static_cast<size_t>(n)] = true;
}

// A name a department or an article is known by: not blank.
std::string EntryName(const json& e, const std::string& path) {
  std::string name = Text(Member(e, path, "name"), path + ".name", NameWidth(), true);
  if (BlankText(name)) Fail(path + ".name", "е празно или само от интервали");
  return name;
}

// A list section `name`: objects with only the `members`, each numbered by
// its member `numberKey` (`first`..`last`, no number twice), which is checked
// before `entry` reads the rest: entry(object, path, number) gives the record.
template <typename Record, typename Entry>
std::vector<Record> ReadList(const json& j, const std::string& name,
                             const std::vector<const char*>& members, const char* numberKey,
                             int first, int last, Entry entry) {
  std::vector<Record> out;
  std::vector<bool> seen(static_cast<size_t>(last) + 1, false);
  const json& arr = Array(j, name);
  for (size_t i = 0; i < arr.size(); ++i) {
    const std::string path = At(name, i);
    const json& e = Object(arr[i], path);
    OnlyKnown(e, path, members);
    const int n = Integer(Member(e, path, numberKey), path + "." + numberKey, first, last);
    Unique(seen, n, path);
    out.push_back(entry(e, path, n));
  }
  return out;
}

void ReadOrigin(const json& j, ConfigOrigin& o) {
  const auto it = j.find("printer");
  if (it == j.end()) return;
  const json& p = Object(*it, "printer");
  OnlyKnown(p, "printer", {"version", "printerNumber", "memoryNumber", "taxNumber", "created"});
  // For the reader and the check of the target printer; never sent.
  if (auto v = p.find("version"); v != p.end() && v->is_string())
    o.version = Utf8ToCp1251Lossy(v->get<std::string>());
  if (auto v = p.find("printerNumber"); v != p.end() && v->is_number_integer())
    o.printerNumber = v->get<int>();
  if (auto v = p.find("memoryNumber"); v != p.end() && v->is_number_integer())
    o.memoryNumber = v->get<int>();
  if (auto v = p.find("taxNumber"); v != p.end() && v->is_string())
    o.taxNumber = Utf8ToCp1251Lossy(v->get<std::string>());
  if (auto v = p.find("created"); v != p.end() && v->is_string()) o.created = v->get<std::string>();
}

void ReadRates(const json& j, PrinterConfig& c) {
  const json& rates = Object(j, "taxRates");
  std::vector<double> list;
  for (int k = 0; k < 8; ++k) {
    const std::string letter = TaxGroupText(k);
    const auto r = rates.find(letter);
    if (r == rates.end()) break;
    const std::string path = "taxRates." + letter;
    // А..Г cannot be switched off; the others are -1 when they are.
    const double rate = Number(*r, path, k < 4 ? 0.0 : kRateOff, MaxRateHundredths() / 100.0);
    if (rate != kRateOff && !ExactCents(rate)) Fail(path, "има повече от 2 знака след точката");
    list.push_back(rate);
  }
  if (list.size() != rates.size()) Fail("taxRates", "трябва да изброи групите А, Б, В... по ред");
  c.taxRates = list;
}

HeaderLine HeaderLineFrom(const json& e, const std::string& path, int number) {
  HeaderLine h;
  h.line = number;
  h.text = Text(Member(e, path, "text"), path + ".text", HeaderMaxWidth(), false);
  const json& a = Member(e, path, "alignment");
  h.alignment = -1;
  for (int k = 0; k < 3; ++k)
    if (a.is_string() && a.get<std::string>() == AlignmentName(k)) h.alignment = k;
  if (h.alignment < 0) Fail(path + ".alignment", "не е \"left\", \"centre\" или \"right\"");
  h.width = 0;
  if (auto w = e.find("width"); w != e.end())
    h.width = Integer(*w, path + ".width", 0, HeaderMaxWidth());
  if (h.width > 0 && static_cast<int>(h.text.size()) > h.width)
    Fail(path + ".text", "е по-дълъг от ширината на реда (" + std::to_string(h.width) + ")");
  return h;
}

void ReadParameters(const json& j, PrinterConfig& c) {
  const json& p = Object(j, "parameters");
  std::vector<const char*> known = {"deviceNumber"};
  for (const ParameterFlag& f : kParameterFlags) known.push_back(f.key);
  OnlyKnown(p, "parameters", known);
  PrintParameters v;
  v.deviceNumber = Integer(Member(p, "parameters", "deviceNumber"), "parameters.deviceNumber", 0,
                           Limit::kLastDeviceNumber);
  for (const ParameterFlag& f : kParameterFlags)
    v.*f.member = Boolean(Member(p, "parameters", f.key), std::string("parameters.") + f.key);
  c.parameters = v;
}

void ReadPayments(const json& j, PrinterConfig& c) {
  const json& p = Object(j, "payments");
  OnlyKnown(p, "payments", {"names", "exchangeRate"});
  PaymentSetup setup;
  const json& names = Array(Member(p, "payments", "names"), "payments.names");
  if (names.size() != kPaymentTypes) Fail("payments.names", "трябва да изброи видовете 1 до 4");
  std::vector<bool> seen(kPaymentTypes + 1, false);
  for (size_t i = 0; i < names.size(); ++i) {
    const std::string path = At("payments.names", i);
    const json& e = Object(names[i], path);
    OnlyKnown(e, path, {"type", "name"});
    const int t = Integer(Member(e, path, "type"), path + ".type", 1, kPaymentTypes);
    Unique(seen, t, path);
    std::string name = Text(Member(e, path, "name"), path + ".name", PaymentNameWidth(), true);
    if (name.find(kPaymentFill) != std::string::npos)
      Fail(path + ".name", "съдържа '_', с който принтерът допълва името и който не пази");
    setup.names[static_cast<size_t>(t - 1)] = name;
  }
  setup.exchangeRate = Number(Member(p, "payments", "exchangeRate"), "payments.exchangeRate", 0.0,
                              MaxExchangeRate());
  if (!ExactExchangeRate(setup.exchangeRate))
    Fail("payments.exchangeRate",
         "има повече от " + std::to_string(kExchangeDecimals) + " знака след точката");
  c.payments = setup;
}

void ReadInvoices(const json& j, PrinterConfig& c) {
  const json& r = Object(j, "invoiceRange");
  OnlyKnown(r, "invoiceRange", {"first", "last"});
  InvoiceRange range;
  range.first = Digits(Member(r, "invoiceRange", "first"), "invoiceRange.first");
  range.last = Digits(Member(r, "invoiceRange", "last"), "invoiceRange.last");
  c.invoices = range;
}

OperatorRecord OperatorFrom(const json& e, const std::string& path, int number) {
  OperatorRecord o;
  o.number = number;
  o.name = Text(Member(e, path, "name"), path + ".name", NameWidth(), true);
  o.password = Text(Member(e, path, "password"), path + ".password", PasswordWidth(), true);
  return o;
}

Department DepartmentFrom(const json& e, const std::string& path, int number) {
  Department d;
  d.number = static_cast<uint8_t>(number);
  d.name = EntryName(e, path);
  d.taxGroup = static_cast<uint8_t>(TaxGroup(Member(e, path, "taxGroup"), path + ".taxGroup"));
  return d;
}

// Prices are checked against the file's own decimal mode, `mode`.
ArticleRecord ArticleFrom(const json& e, const std::string& path, int number, char mode) {
  ArticleRecord a;
  a.number = number;
  a.name = EntryName(e, path);
  a.price = Price(Member(e, path, "price"), path + ".price", mode);
  a.taxGroup = TaxGroup(Member(e, path, "taxGroup"), path + ".taxGroup");
  a.department = static_cast<uint8_t>(
      Integer(Member(e, path, "department"), path + ".department", 0, Limit::kLastDepartment));
  return a;
}

void ReadSections(const json& j, PrinterConfig& c) {
  OnlyKnown(j, "файлът",
            {"format", "formatVersion", "printer", "decimalPoint", "taxRates", "header",
             "parameters", "payments", "invoiceRange", "operators", "departments", "articles"});
  if (auto it = j.find("decimalPoint"); it != j.end()) {
    const int mode = Integer(*it, "decimalPoint", 0, 2);
    if (mode == 1) Fail("decimalPoint", "не е 0 или 2");
    c.decimalPoint = mode == 2 ? '2' : '0';
  }
  if (auto it = j.find("taxRates"); it != j.end()) ReadRates(*it, c);
  if (auto it = j.find("header"); it != j.end())
    c.header = ReadList<HeaderLine>(*it, "header", {"line", "text", "alignment", "width"}, "line",
                                    0, kHeaderLineCount - 1, HeaderLineFrom);
  if (auto it = j.find("parameters"); it != j.end()) ReadParameters(*it, c);
  if (auto it = j.find("payments"); it != j.end()) ReadPayments(*it, c);
  if (auto it = j.find("invoiceRange"); it != j.end()) ReadInvoices(*it, c);
  if (auto it = j.find("operators"); it != j.end())
    c.operators = ReadList<OperatorRecord>(*it, "operators", {"number", "name", "password"},
                                           "number", 1, kOperatorCount, OperatorFrom);
  if (auto it = j.find("departments"); it != j.end())
    c.departments = ReadList<Department>(*it, "departments", {"number", "name", "taxGroup"},
                                         "number", 1, kDepartmentCount, DepartmentFrom);
  if (auto it = j.find("articles"); it != j.end()) {
    const char mode = c.decimalPoint.value_or(0);
    c.articles = ReadList<ArticleRecord>(
        *it, "articles", {"number", "name", "price", "taxGroup", "department"}, "number", 1,
        kArticleCount, [mode](const json& e, const std::string& path, int number) {
          return ArticleFrom(e, path, number, mode);
        });
  }
}

}  // namespace

std::string TextPosition(const std::string& text, size_t byteOffset) {
  int line = 1, column = 1;
  const size_t end = std::min(byteOffset, text.size());
  for (size_t i = 0; i < end; ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c == '\n') {
      ++line;
      column = 1;
    } else if ((c & 0xC0) != 0x80) {  // continuation bytes of UTF-8 are one character
      ++column;
    }
  }
  return "ред " + std::to_string(line) + ", колона " + std::to_string(column);
}

bool ConfigFromJson(const std::string& text, PrinterConfig& config, std::string& error) {
  config = PrinterConfig{};
  // Saved by an editor in another encoding, the text would fail as JSON at
  // some column far from the cause.
  const std::string foreign = ForeignEncoding(text);
  if (!foreign.empty()) {
    error = "файлът е в " + foreign + ", а не в UTF-8: запишете го отново в UTF-8";
    return false;
  }
  json j;
  try {
    j = json::parse(text);
  } catch (const json::parse_error& e) {
    // The parser's byte counts the offending byte itself.
    error = "не е JSON (" + TextPosition(text, e.byte > 0 ? e.byte - 1 : 0) + ")";
    return false;
  }
  try {
    Object(j, "файлът");
    const auto format = j.find("format");
    if (format == j.end() || !format->is_string() || format->get<std::string>() != kFormatName) {
      error = std::string("не е файл с настройки (\"format\" не е \"") + kFormatName + "\")";
      return false;
    }
    const int version = Integer(Member(j, "файлът", "formatVersion"), "formatVersion", 1, 1000);
    if (version > kFormatVersion) {
      error = "formatVersion " + std::to_string(version) +
              " е по-нов от версията, която програмата чете (" + std::to_string(kFormatVersion) +
              ")";
      return false;
    }
    ReadOrigin(j, config.origin);
    ReadSections(j, config);
  } catch (const BadMember& bad) {
    error = bad.message;
    return false;
  } catch (const json::exception& e) {
    error = e.what();
    return false;
  }
  return true;
}
