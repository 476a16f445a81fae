// The backup file format: reading and writing PrinterConfig as JSON.
#include "tools/config_json.h"

#include <cmath>
#include <nlohmann/json.hpp>

#include "driver/cp1251.h"

using nlohmann::json;

namespace {

constexpr const char* kFormatName = "fiscal-service-backup";
constexpr int kFormatVersion = 1;

constexpr int kNameWidth = Limit::kOperatorName;  // also articles' and departments'
constexpr int kPasswordWidth = Limit::kOperatorPassword;
constexpr int kPaymentNameWidth = Limit::kPaymentName;
constexpr int kHeaderMaxWidth = Limit::kHeaderLineMax;
constexpr int kInvoiceDigits = Limit::kInvoiceNumberDigits;
constexpr double kMaxRate = Limit::kMaxTaxRate;
constexpr double kMaxExchangeRate = Limit::kMaxExchangeRate;

// --- Writing ---------------------------------------------------------------------

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
  nlohmann::ordered_json j;
  j["format"] = kFormatName;
  j["formatVersion"] = kFormatVersion;
  j["printer"] = OriginJson(c.origin);
  if (c.decimalPoint) j["decimalPoint"] = *c.decimalPoint == '2' ? 2 : 0;
  if (c.taxRates) {
    nlohmann::ordered_json rates = nlohmann::ordered_json::object();
    for (size_t k = 0; k < c.taxRates->size(); ++k)
      rates[TaxGroupText(static_cast<int>(k))] = (*c.taxRates)[k];
    j["taxRates"] = rates;
  }
  if (c.header) {
    j["header"] = nlohmann::ordered_json::array();
    for (const HeaderLine& h : *c.header)
      j["header"].push_back({{"line", h.line},
                             {"text", Cp1251ToUtf8(h.text)},
                             {"alignment", AlignmentName(h.alignment)},
                             {"width", h.width}});
  }
  if (c.parameters) {
    const PrintParameters& p = *c.parameters;
    j["parameters"] = {{"deviceNumber", p.deviceNumber},
                       {"logo", p.logo},
                       {"drawer", p.drawer},
                       {"autoCut", p.autoCut},
                       {"transparentDisplay", p.transparentDisplay},
                       {"shortJournal", p.shortJournal},
                       {"currency", p.currency}};
  }
  if (c.payments) {
    nlohmann::ordered_json names = nlohmann::ordered_json::array();
    for (size_t t = 0; t < c.payments->names.size(); ++t)
      names.push_back({{"type", t + 1}, {"name", Cp1251ToUtf8(c.payments->names[t])}});
    j["payments"] = {{"names", names}, {"exchangeRate", c.payments->exchangeRate}};
  }
  if (c.invoices) j["invoiceRange"] = {{"first", c.invoices->first}, {"last", c.invoices->last}};
  if (c.operators) {
    j["operators"] = nlohmann::ordered_json::array();
    for (const OperatorRecord& o : *c.operators)
      j["operators"].push_back({{"number", o.number},
                                {"name", Cp1251ToUtf8(o.name)},
                                {"password", Cp1251ToUtf8(o.password)}});
  }
  if (c.departments) {
    j["departments"] = nlohmann::ordered_json::array();
    for (const Department& d : *c.departments)
      j["departments"].push_back({{"number", d.number},
                                  {"name", Cp1251ToUtf8(d.name)},
                                  {"taxGroup", TaxGroupText(d.taxGroup)}});
  }
  if (c.articles) {
    j["articles"] = nlohmann::ordered_json::array();
    for (const ArticleRecord& a : *c.articles)
      j["articles"].push_back({{"number", a.number},
                               {"name", Cp1251ToUtf8(a.name)},
                               {"price", std::round(a.price * 100.0) / 100.0},
                               {"taxGroup", TaxGroupText(a.taxGroup)},
                               {"department", a.department}});
  }
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

const json& Member(const json& obj, const std::string& path, const char* name) {
  const auto it = obj.find(name);
  if (it == obj.end()) Fail(path, std::string("\"") + name + "\" is missing");
  return *it;
}

const json& Object(const json& v, const std::string& path) {
  if (!v.is_object()) Fail(path, "is not an object");
  return v;
}

const json& Array(const json& v, const std::string& path) {
  if (!v.is_array()) Fail(path, "is not an array");
  return v;
}

int Integer(const json& v, const std::string& path, long min, long max) {
  if (!v.is_number_integer()) Fail(path, "is not a whole number");
  const long n = v.get<long>();
  if (n < min || n > max)
    Fail(path, "is out of range " + std::to_string(min) + ".." + std::to_string(max));
  return static_cast<int>(n);
}

double Number(const json& v, const std::string& path, double min, double max) {
  if (!v.is_number()) Fail(path, "is not a number");
  const double d = v.get<double>();
  if (!(d >= min && d <= max)) Fail(path, "is out of range");
  return d;
}

bool Boolean(const json& v, const std::string& path) {
  if (!v.is_boolean()) Fail(path, "is not true or false");
  return v.get<bool>();
}

// A UTF-8 text as Windows-1251 bytes, at most `width` of them.
std::string Text(const json& v, const std::string& path, int width);

// A text of a command whose fields ';' separates (names and passwords).
std::string Field(const json& v, const std::string& path, int width) {
  std::string s = Text(v, path, width);
  if (s.find(';') != std::string::npos) Fail(path, "has a ';', which the printer cannot take here");
  return s;
}

std::string Text(const json& v, const std::string& path, int width) {
  if (!v.is_string()) Fail(path, "is not a text");
  const auto bytes = Utf8ToCp1251(v.get<std::string>());
  if (!bytes) Fail(path, "has a character the printer cannot print");
  if (static_cast<int>(bytes->size()) > width)
    Fail(path, "is longer than " + std::to_string(width) + " characters");
  return *bytes;
}

int TaxGroup(const json& v, const std::string& path) {
  if (!v.is_string()) Fail(path, "is not a tax group letter А..З");
  const auto g = ParseTaxGroupText(v.get<std::string>());
  if (!g) Fail(path, "is not a tax group letter А..З");
  return *g;
}

std::string Digits(const json& v, const std::string& path) {
  if (!v.is_string()) Fail(path, "is not a text of digits");
  const std::string s = v.get<std::string>();
  if (s.empty() || s.size() > static_cast<size_t>(kInvoiceDigits) ||
      s.find_first_not_of("0123456789") != std::string::npos)
    Fail(path, "is not 1 to 10 digits");
  return s;
}

std::string At(const std::string& path, size_t i) {
  return path + "[" + std::to_string(i) + "]";
}

// Numbers of a list must be unique; `seen` collects them.
void Unique(std::vector<bool>& seen, int n, const std::string& path) {
  if (seen[static_cast<size_t>(n)]) Fail(path, "number " + std::to_string(n) + " appears twice");
  seen[static_cast<size_t>(n)] = true;
}

void ReadOrigin(const json& j, ConfigOrigin& o) {
  const auto it = j.find("printer");
  if (it == j.end()) return;
  const json& p = Object(*it, "printer");
  // For the reader only: taken as written, never sent.
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

void ReadSections(const json& j, PrinterConfig& c) {
  if (auto it = j.find("decimalPoint"); it != j.end()) {
    const int mode = Integer(*it, "decimalPoint", 0, 2);
    if (mode == 1) Fail("decimalPoint", "is not 0 or 2");
    c.decimalPoint = mode == 2 ? '2' : '0';
  }
  if (auto it = j.find("taxRates"); it != j.end()) {
    const json& rates = Object(*it, "taxRates");
    std::vector<double> list;
    for (int k = 0; k < 8; ++k) {
      const std::string letter = TaxGroupText(k);
      const auto r = rates.find(letter);
      if (r == rates.end()) break;
      // А..Г cannot be switched off.
      list.push_back(Number(*r, "taxRates." + letter, k < 4 ? 0.0 : -1.0, kMaxRate));
    }
    if (list.size() != rates.size()) Fail("taxRates", "must name the groups А, Б, В... in order");
    c.taxRates = list;
  }
  if (auto it = j.find("header"); it != j.end()) {
    std::vector<HeaderLine> lines;
    std::vector<bool> seen(kHeaderLineCount, false);
    const json& arr = Array(*it, "header");
    for (size_t i = 0; i < arr.size(); ++i) {
      const std::string path = At("header", i);
      const json& e = Object(arr[i], path);
      HeaderLine h;
      h.line = Integer(Member(e, path, "line"), path + ".line", 0, kHeaderLineCount - 1);
      Unique(seen, h.line, path);
      h.text = Text(Member(e, path, "text"), path + ".text", kHeaderMaxWidth);
      const json& a = Member(e, path, "alignment");
      h.alignment = -1;
      for (int k = 0; k < 3; ++k)
        if (a.is_string() && a.get<std::string>() == AlignmentName(k)) h.alignment = k;
      if (h.alignment < 0) Fail(path + ".alignment", "is not \"left\", \"centre\" or \"right\"");
      h.width = 0;
      if (auto w = e.find("width"); w != e.end())
        h.width = Integer(*w, path + ".width", 0, kHeaderMaxWidth);
      if (h.width > 0 && static_cast<int>(h.text.size()) > h.width)
        Fail(path + ".text", "is longer than the line's width");
      lines.push_back(h);
    }
    c.header = lines;
  }
  if (auto it = j.find("parameters"); it != j.end()) {
    const json& p = Object(*it, "parameters");
    PrintParameters v;
    v.deviceNumber = Integer(Member(p, "parameters", "deviceNumber"), "parameters.deviceNumber", 0,
                             Limit::kLastDeviceNumber);
    v.logo = Boolean(Member(p, "parameters", "logo"), "parameters.logo");
    v.drawer = Boolean(Member(p, "parameters", "drawer"), "parameters.drawer");
    v.autoCut = Boolean(Member(p, "parameters", "autoCut"), "parameters.autoCut");
    v.transparentDisplay =
        Boolean(Member(p, "parameters", "transparentDisplay"), "parameters.transparentDisplay");
    v.shortJournal = Boolean(Member(p, "parameters", "shortJournal"), "parameters.shortJournal");
    v.currency = Boolean(Member(p, "parameters", "currency"), "parameters.currency");
    c.parameters = v;
  }
  if (auto it = j.find("payments"); it != j.end()) {
    const json& p = Object(*it, "payments");
    PaymentSetup setup;
    const json& names = Array(Member(p, "payments", "names"), "payments.names");
    if (names.size() != kPaymentTypes) Fail("payments.names", "must list the types 1 to 4");
    std::vector<bool> seen(kPaymentTypes + 1, false);
    for (size_t i = 0; i < names.size(); ++i) {
      const std::string path = At("payments.names", i);
      const json& e = Object(names[i], path);
      const int t = Integer(Member(e, path, "type"), path + ".type", 1, kPaymentTypes);
      Unique(seen, t, path);
      setup.names[static_cast<size_t>(t - 1)] =
          Field(Member(e, path, "name"), path + ".name", kPaymentNameWidth);
    }
    setup.exchangeRate = Number(Member(p, "payments", "exchangeRate"), "payments.exchangeRate", 0.0,
                                kMaxExchangeRate);
    c.payments = setup;
  }
  if (auto it = j.find("invoiceRange"); it != j.end()) {
    const json& r = Object(*it, "invoiceRange");
    InvoiceRange range;
    range.first = Digits(Member(r, "invoiceRange", "first"), "invoiceRange.first");
    range.last = Digits(Member(r, "invoiceRange", "last"), "invoiceRange.last");
    c.invoices = range;
  }
  if (auto it = j.find("operators"); it != j.end()) {
    std::vector<OperatorRecord> ops;
    std::vector<bool> seen(kOperatorCount + 1, false);
    const json& arr = Array(*it, "operators");
    for (size_t i = 0; i < arr.size(); ++i) {
      const std::string path = At("operators", i);
      const json& e = Object(arr[i], path);
      OperatorRecord o;
      o.number = Integer(Member(e, path, "number"), path + ".number", 1, kOperatorCount);
      Unique(seen, o.number, path);
      o.name = Field(Member(e, path, "name"), path + ".name", kNameWidth);
      o.password = Field(Member(e, path, "password"), path + ".password", kPasswordWidth);
      ops.push_back(o);
    }
    c.operators = ops;
  }
  if (auto it = j.find("departments"); it != j.end()) {
    std::vector<Department> deps;
    std::vector<bool> seen(kDepartmentCount + 1, false);
    const json& arr = Array(*it, "departments");
    for (size_t i = 0; i < arr.size(); ++i) {
      const std::string path = At("departments", i);
      const json& e = Object(arr[i], path);
      Department d;
      const int n = Integer(Member(e, path, "number"), path + ".number", 1, kDepartmentCount);
      Unique(seen, n, path);
      d.number = static_cast<uint8_t>(n);
      d.name = Field(Member(e, path, "name"), path + ".name", kNameWidth);
      if (d.name.empty()) Fail(path + ".name", "is empty");
      d.taxGroup = static_cast<uint8_t>(TaxGroup(Member(e, path, "taxGroup"), path + ".taxGroup"));
      deps.push_back(d);
    }
    c.departments = deps;
  }
  if (auto it = j.find("articles"); it != j.end()) {
    std::vector<ArticleRecord> arts;
    std::vector<bool> seen(kArticleCount + 1, false);
    const json& arr = Array(*it, "articles");
    for (size_t i = 0; i < arr.size(); ++i) {
      const std::string path = At("articles", i);
      const json& e = Object(arr[i], path);
      ArticleRecord a;
      a.number = Integer(Member(e, path, "number"), path + ".number", 1, kArticleCount);
      Unique(seen, a.number, path);
      a.name = Field(Member(e, path, "name"), path + ".name", kNameWidth);
      if (a.name.empty()) Fail(path + ".name", "is empty");
      // Checked against the file's decimal mode, which a restore sets before the
      // articles; a file without one gets the larger limit of the two modes.
      a.price =
          Number(Member(e, path, "price"), path + ".price", 0.0,
                 c.decimalPoint ? Limit::MaxAmount(*c.decimalPoint) : Limit::kMaxAmountAnyMode);
      a.taxGroup = TaxGroup(Member(e, path, "taxGroup"), path + ".taxGroup");
      a.department = static_cast<uint8_t>(
          Integer(Member(e, path, "department"), path + ".department", 0, Limit::kLastDepartment));
      arts.push_back(a);
    }
    c.articles = arts;
  }
}

}  // namespace

bool ConfigFromJson(const std::string& text, PrinterConfig& config, std::string& error) {
  config = PrinterConfig{};
  const json j = json::parse(text, nullptr, false);
  if (j.is_discarded()) {
    error = "not a JSON file";
    return false;
  }
  try {
    Object(j, "the file");
    const auto format = j.find("format");
    if (format == j.end() || !format->is_string() || format->get<std::string>() != kFormatName) {
      error = std::string("not a backup file (\"format\" is not \"") + kFormatName + "\")";
      return false;
    }
    const int version = Integer(Member(j, "the file", "formatVersion"), "formatVersion", 1, 1000);
    if (version > kFormatVersion) {
      error = "formatVersion " + std::to_string(version) + " is newer than this program reads (" +
              std::to_string(kFormatVersion) + ")";
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
