// Articles, departments and operators as CSV: reading with row-by-row checks,
// writing, and the import's commands.
#include "tools/table_csv.h"

#include <cmath>
#include <cstring>
#include <map>

#include "driver/cp1251.h"
#include "driver/fiscal_printer.h"
#include "driver/limits.h"
#include "driver/text.h"
#include "tools/value_checks.h"

namespace {

constexpr int kMaxNumberDigits = 9;  // keeps any number well inside int

// Column keys; their captions are the dialogs' field captions.
enum Col { kNumber, kName, kPrice, kGroup, kDept, kPassword };

struct Column {
  Col key;
  const char* caption;
};

std::vector<Column> Columns(CsvTable t) {
  switch (t) {
    case CsvTable::kArticles:
      return {{kNumber, "Артикул Номер"},
              {kName, "Артикул Име"},
              {kPrice, "Артикул Цена"},
              {kGroup, "Дан.Група"},
              {kDept, "Департамент"}};
    case CsvTable::kDepartments:
      return {{kNumber, "Номер"}, {kName, "Име"}, {kGroup, "Дан.Група"}};
    case CsvTable::kOperators:
      return {{kNumber, "Оператор"}, {kName, "Име на оператор"}, {kPassword, "Парола"}};
  }
  return {};
}

bool IsDigitChar(char c) {
  return c >= '0' && c <= '9';
}

std::string Trim(const std::string& s) {
  const size_t a = s.find_first_not_of(" \t");
  if (a == std::string::npos) return "";
  const size_t b = s.find_last_not_of(" \t");
  return s.substr(a, b - a + 1);
}

// One row as read: its fields and the line it starts on.
struct Row {
  std::vector<std::string> fields;
  std::vector<bool> quoted;  // per field: its spaces are the text's own
  int line = 0;
};

// A field a spreadsheet leaves empty (a row of separators, separators after
// the last column).
bool BlankField(const Row& row, size_t f) {
  return !row.quoted[f] && Trim(row.fields[f]).empty();
}

// Splits the text into rows. Returns false (with the line) for a quote that is
// never closed.
bool SplitRows(const std::string& text, char sep, std::vector<Row>& rows, int& badLine) {
  int line = 1;
  size_t i = 0;
  while (i < text.size()) {
    Row row;
    row.line = line;
    std::string field;
    bool endOfRow = false;
    while (!endOfRow) {
      field.clear();
      const bool quoted = i < text.size() && text[i] == '"';
      if (quoted) {
        ++i;
        for (;;) {
          if (i >= text.size()) {
            badLine = row.line;
            return false;
          }
          if (text[i] == '"') {
            if (i + 1 < text.size() && text[i + 1] == '"') {
              field += '"';
              i += 2;
              continue;
            }
            ++i;
            break;
          }
          if (text[i] == '\n') ++line;
          field += text[i++];
        }
        // Anything between the closing quote and the separator is kept.
      }
      while (i < text.size() && text[i] != sep && text[i] != '\n' && text[i] != '\r')
        field += text[i++];
      row.fields.push_back(field);
      row.quoted.push_back(quoted);
      if (i < text.size() && text[i] == sep) {
        ++i;
        continue;
      }
      if (i < text.size() && text[i] == '\r') ++i;
      if (i < text.size() && text[i] == '\n') ++i;
      ++line;
      endOfRow = true;
    }
    // Blank lines are skipped, and so are rows of separators only.
    bool blank = true;
    for (size_t f = 0; f < row.fields.size(); ++f) blank = blank && BlankField(row, f);
    if (!blank) rows.push_back(row);
  }
  return true;
}

// The header's name of a column: blanks around it and a closing ':' ignored.
std::string HeaderName(const std::string& field) {
  std::string s = Trim(field);
  if (!s.empty() && s.back() == ':') s = Trim(s.substr(0, s.size() - 1));
  return s;
}

// A number with its thousands separated by spaces, as spreadsheets show it
// ("1 234,50", also with a no-break space) without them; anything else as it is.
std::string WithoutDigitGroups(const std::string& s) {
  static const char* const kGroupSeparators[] = {" ", "\xC2\xA0", "\xE2\x80\xAF"};
  std::string out;
  for (size_t i = 0; i < s.size();) {
    size_t len = 0;
    for (const char* g : kGroupSeparators)
      if (s.compare(i, std::strlen(g), g) == 0) len = std::strlen(g);
    const bool between =
        len > 0 && i > 0 && IsDigitChar(s[i - 1]) && i + len < s.size() && IsDigitChar(s[i + len]);
    if (between) {
      i += len;
      continue;
    }
    out += s[i++];
  }
  return out;
}

// Reads one table's rows into records, checking each field.
class RowReader {
 public:
  RowReader(CsvTable t, char mode, bool decimalComma, CsvProblem& p)
      : table_(t), mode_(mode), decimalComma_(decimalComma), problem_(p) {}

  bool Header(const Row& row) {
    const auto cols = Columns(table_);
    index_.assign(cols.size(), -1);
    // Separators after the last caption (a spreadsheet's empty columns).
    size_t used = row.fields.size();
    while (used > 0 && BlankField(row, used - 1)) --used;
    for (size_t f = 0; f < used; ++f) {
      const std::string name = HeaderName(row.fields[f]);
      int found = -1;
      for (size_t c = 0; c < cols.size(); ++c)
        if (name == cols[c].caption) found = static_cast<int>(c);
      if (found < 0) return Fail(row.line, static_cast<int>(f) + 1, name, CsvIssue::kUnknownColumn);
      if (index_[static_cast<size_t>(found)] >= 0)
        return Fail(row.line, static_cast<int>(f) + 1, name, CsvIssue::kRepeatedColumn);
      index_[static_cast<size_t>(found)] = static_cast<int>(f);
    }
    for (size_t c = 0; c < cols.size(); ++c)
      if (index_[c] < 0) {
        Fail(row.line, 0, "", CsvIssue::kMissingColumn);
        problem_.detail = cols[c].caption;
        return false;
      }
    width_ = used;
    return true;
  }

  bool Record(const Row& row, CsvRecords& out) {
    row_ = &row;
    bool extraBlank = row.fields.size() > width_;
    for (size_t f = width_; f < row.fields.size(); ++f)
      extraBlank = extraBlank && BlankField(row, f);
    if (row.fields.size() != width_ && !extraBlank) {
      Fail(row.line, 0, "", CsvIssue::kFieldCount);
      problem_.detail = std::to_string(width_);
      return false;
    }
    switch (table_) {
      case CsvTable::kArticles: {
        ArticleRecord a;
        if (!Number(kNumber, 1, kArticleCount, a.number) ||
            !Name(kName, true, NameWidth(), a.name) || !Price(a.price) || !Group(a.taxGroup))
          return false;
        int dept = 0;
        if (!Number(kDept, 0, Limit::kLastDepartment, dept, true)) return false;
        a.department = static_cast<uint8_t>(dept);
        if (!Unique(a.number)) return false;
        out.articles.push_back(a);
        break;
      }
      case CsvTable::kDepartments: {
        Department d;
        int n = 0, group = 0;
        if (!Number(kNumber, 1, kDepartmentCount, n) || !Name(kName, true, NameWidth(), d.name) ||
            !Group(group))
          return false;
        d.number = static_cast<uint8_t>(n);
        d.taxGroup = static_cast<uint8_t>(group);
        if (!Unique(n)) return false;
        out.departments.push_back(d);
        break;
      }
      case CsvTable::kOperators: {
        OperatorRecord o;
        if (!Number(kNumber, 1, kOperatorCount, o.number) ||
            !Name(kName, false, NameWidth(), o.name) ||
            !Name(kPassword, false, PasswordWidth(), o.password))
          return false;
        if (!Unique(o.number)) return false;
        out.operators.push_back(o);
        break;
      }
    }
    out.lines.push_back(row.line);
    return true;
  }

 private:
  bool Fail(int line, int column, const std::string& name, CsvIssue issue) {
    problem_.line = line;
    problem_.column = column;
    problem_.columnName = name;
    problem_.issue = issue;
    problem_.detail.clear();
    return false;
  }

  // The field of a column in the current row; `column` gets its 1-based index.
  std::string Field(Col key, int& column, std::string& caption) const {
    const auto cols = Columns(table_);
    for (size_t c = 0; c < cols.size(); ++c)
      if (cols[c].key == key) {
        column = index_[c] + 1;
        caption = cols[c].caption;
        // A quoted field keeps its spaces: export quotes a name that has some.
        const size_t f = static_cast<size_t>(index_[c]);
        return row_->quoted[f] ? row_->fields[f] : Trim(row_->fields[f]);
      }
    return "";
  }

  bool FailField(Col key, CsvIssue issue, const std::string& detail = "") {
    int column = 0;
    std::string caption;
    Field(key, column, caption);
    Fail(row_->line, column, caption, issue);
    problem_.detail = detail;
    return false;
  }

  bool Number(Col key, int min, int max, int& value, bool emptyIsZero = false) {
    int column = 0;
    std::string caption;
    const std::string s = Field(key, column, caption);
    if (s.empty() && emptyIsZero) {
      value = 0;
      return true;
    }
    if (s.empty()) return FailField(key, CsvIssue::kEmpty);
    if (s.size() > kMaxNumberDigits || s.find_first_not_of("0123456789") != std::string::npos)
      return FailField(key, CsvIssue::kNotWholeNumber);
    value = std::stoi(s);
    if (value < min || value > max)
      return FailField(key, CsvIssue::kOutOfRange,
                       std::to_string(min) + ".." + std::to_string(max));
    return true;
  }

  bool Name(Col key, bool required, int width, std::string& value) {
    int column = 0;
    std::string caption;
    const std::string s = Field(key, column, caption);
    if (s.empty() && required) return FailField(key, CsvIssue::kEmpty);
    switch (CheckText(s, width, true, value)) {
      case TextIssue::kOk:
        return true;
      case TextIssue::kNotPrintable:
        return FailField(key, CsvIssue::kNotPrintable);
      case TextIssue::kControl:
        return FailField(key, CsvIssue::kControl);
      case TextIssue::kTooLong:
        return FailField(key, CsvIssue::kTooLong, std::to_string(width));
      case TextIssue::kSemicolon:
        return FailField(key, CsvIssue::kSemicolon);
    }
    return false;
  }

  bool Price(double& value) {
    int column = 0;
    std::string caption;
    std::string s = Field(kPrice, column, caption);
    if (s.empty()) return FailField(kPrice, CsvIssue::kEmpty);
    // A decimal comma only where ',' does not separate the fields.
    if (decimalComma_)
      for (char& ch : s)
        if (ch == ',') ch = '.';
    s = WithoutDigitGroups(s);
    const size_t dot = s.find('.');
    const std::string whole = s.substr(0, dot);
    const std::string frac = dot == std::string::npos ? "" : s.substr(dot + 1);
    if (whole.empty() || whole.size() > kMaxNumberDigits ||
        whole.find_first_not_of("0123456789") != std::string::npos ||
        frac.find_first_not_of("0123456789") != std::string::npos ||
        (dot != std::string::npos && frac.empty()))
      return FailField(kPrice, CsvIssue::kNotNumber);
    const size_t significant =
        frac.find_last_not_of('0') == std::string::npos ? 0 : frac.find_last_not_of('0') + 1;
    const size_t allowed = mode_ == '0' ? 0 : 2;
    if (significant > 0 && allowed == 0) return FailField(kPrice, CsvIssue::kWholeNumbersOnly);
    if (significant > allowed)
      return FailField(kPrice, CsvIssue::kTooManyDecimals, std::to_string(allowed));
    long long cents = std::stoll(whole) * 100;
    if (significant >= 1) cents += (frac[0] - '0') * 10;
    if (significant >= 2) cents += frac[1] - '0';
    if (cents > MaxPriceCents(mode_))
      return FailField(kPrice, CsvIssue::kOutOfRange,
                       "0.." + PriceText(MaxPriceCents(mode_), mode_));
    value = static_cast<double>(cents) / 100.0;
    return true;
  }

  bool Group(int& value) {
    int column = 0;
    std::string caption;
    const std::string s = Field(kGroup, column, caption);
    if (s.empty()) return FailField(kGroup, CsvIssue::kEmpty);
    const auto g = ParseTaxGroupText(s);
    if (!g && LatinLookalike(s)) return FailField(kGroup, CsvIssue::kLatinTaxGroup, s);
    if (!g) return FailField(kGroup, CsvIssue::kNotTaxGroup);
    value = *g;
    return true;
  }

  bool Unique(int number) {
    if (!seen_.emplace(number, row_->line).second) {
      FailField(kNumber, CsvIssue::kRepeatedNumber);
      problem_.detail = std::to_string(seen_[number]);
      return false;
    }
    return true;
  }

  CsvTable table_;
  char mode_;
  bool decimalComma_;
  CsvProblem& problem_;
  std::vector<int> index_;  // field index of each column
  size_t width_ = 0;
  const Row* row_ = nullptr;
  std::map<int, int> seen_;  // number -> line
};

bool ValidUtf8(const std::string& s) {
  for (size_t i = 0; i < s.size();) {
    const unsigned char c = static_cast<unsigned char>(s[i]);
    const size_t n = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
    if (n == 0 || i + n > s.size()) return false;
    for (size_t k = 1; k < n; ++k)
      if ((static_cast<unsigned char>(s[i + k]) >> 6) != 2) return false;
    i += n;
  }
  return true;
}

// A field as written: quoted when it holds a separator, a quote or a line end.
std::string CsvField(const std::string& utf8, char sep) {
  const std::string special = std::string(1, sep) + (sep == ',' ? ";" : "") + "\"\r\n";
  if (utf8.find_first_of(special) == std::string::npos && Trim(utf8) == utf8) return utf8;
  std::string out = "\"";
  for (char c : utf8) {
    if (c == '"') out += '"';
    out += c;
  }
  return out + "\"";
}

}  // namespace

std::vector<std::string> CsvColumns(CsvTable table) {
  std::vector<std::string> names;
  for (const Column& c : Columns(table)) names.push_back(c.caption);
  return names;
}

Section TableSection(CsvTable table) {
  switch (table) {
    case CsvTable::kArticles:
      return Section::kArticles;
    case CsvTable::kDepartments:
      return Section::kDepartments;
    case CsvTable::kOperators:
      return Section::kOperators;
  }
  return Section::kArticles;
}

bool ParseTableCsv(CsvTable table, const std::string& input, char decimalMode, CsvRecords& out,
                   CsvProblem& problem, const CsvDialect& dialect) {
  out = CsvRecords{};
  problem = CsvProblem{};
  std::string text = input;
  const bool bom = text.rfind("\xEF\xBB\xBF", 0) == 0;
  if (bom) text.erase(0, 3);
  // Text that is not UTF-8 is taken as Windows-1251, the encoding a
  // spreadsheet in a Bulgarian locale saves in; asked for, it is taken so.
  CsvEncoding encoding = dialect.encoding;
  if (encoding == CsvEncoding::kDetect)
    encoding = bom || ValidUtf8(text) ? CsvEncoding::kUtf8 : CsvEncoding::kCp1251;
  if (encoding == CsvEncoding::kCp1251) {
    text = Cp1251ToUtf8(text);
  } else {
    // Checked line by line, for a useful line number.
    int line = 1;
    for (size_t start = 0;; ++line) {
      const size_t end = text.find('\n', start);
      if (!ValidUtf8(
              text.substr(start, end == std::string::npos ? std::string::npos : end - start))) {
        problem.line = line;
        problem.issue = CsvIssue::kNotUtf8;
        return false;
      }
      if (end == std::string::npos) break;
      start = end + 1;
    }
  }
  // Unless given, the header row tells the separator.
  const std::string firstLine = text.substr(0, text.find('\n'));
  char sep = dialect.separator;
  const auto has = [&firstLine](char c) { return firstLine.find(c) != std::string::npos; };
  if (sep == 0) sep = has(';') && !has(',') ? ';' : has('\t') && !has(',') ? '\t' : ',';
  std::vector<Row> rows;
  int badLine = 0;
  if (!SplitRows(text, sep, rows, badLine)) {
    problem.line = badLine;
    problem.issue = CsvIssue::kUnclosedQuote;
    return false;
  }
  if (rows.empty()) {
    problem.line = 1;
    problem.issue = CsvIssue::kEmptyFile;
    return false;
  }
  // Where ',' does not separate the fields, it can only be a decimal comma.
  RowReader reader(table, decimalMode, sep != ',', problem);
  if (!reader.Header(rows[0])) return false;
  for (size_t r = 1; r < rows.size(); ++r)
    if (!reader.Record(rows[r], out)) return false;
  return true;
}

std::string WriteTableCsv(CsvTable table, const PrinterConfig& config, char decimalMode,
                          const CsvDialect& dialect) {
  const char sep = dialect.separator ? dialect.separator : ',';
  const auto line = [sep](const std::vector<std::string>& fields) {
    std::string s;
    for (size_t i = 0; i < fields.size(); ++i)
      s += (i ? std::string(1, sep) : std::string()) + CsvField(fields[i], sep);
    return s + "\r\n";
  };
  const auto price = [&](double value) {
    std::string p = decimalMode == '0' ? Sprintf("%.0f", value) : Sprintf("%.2f", value);
    if (dialect.decimalComma)
      for (char& c : p)
        if (c == '.') c = ',';
    return p;
  };
  std::string out = line(CsvColumns(table));
  const auto u = [](const std::string& cp1251) { return Cp1251ToUtf8(cp1251); };
  switch (table) {
    case CsvTable::kArticles:
      if (config.articles)
        for (const ArticleRecord& a : *config.articles)
          out += line({std::to_string(a.number), u(a.name), price(a.price),
                       TaxGroupText(a.taxGroup), std::to_string(a.department)});
      break;
    case CsvTable::kDepartments:
      if (config.departments)
        for (const Department& d : *config.departments)
          out += line({std::to_string(d.number), u(d.name), TaxGroupText(d.taxGroup)});
      break;
    case CsvTable::kOperators:
      if (config.operators)
        for (const OperatorRecord& o : *config.operators)
          out += line({std::to_string(o.number), u(o.name), u(o.password)});
      break;
  }
  // Every text came from the printer, so every character has its byte.
  if (dialect.encoding == CsvEncoding::kCp1251) return Utf8ToCp1251Lossy(out);
  return "\xEF\xBB\xBF" + out;
}

std::vector<RestoreStep> PlanImport(CsvTable table, const CsvRecords& records) {
  std::vector<RestoreStep> steps;
  const auto add = [&steps](Section s, int item, std::vector<FieldChange> fields,
                            std::function<std::string(FiscalPrinter&)> send) {
    RestoreStep step;
    step.section = s;
    step.item = item;
    step.kind = StepKind::kWrite;
    step.fields = std::move(fields);
    step.send = std::move(send);
    steps.push_back(std::move(step));
  };
  switch (table) {
    case CsvTable::kArticles:
      for (const ArticleRecord& a : records.articles)
        add(Section::kArticles, a.number,
            {{"name", "", "\"" + Cp1251ToUtf8(a.name) + "\""},
             {"price", "", Sprintf("%.2f", a.price)},
             {"taxGroup", "", TaxGroupText(a.taxGroup)},
             {"department", "", std::to_string(a.department)}},
            [a](FiscalPrinter& p) {
              return p.SetArticle(a.number, a.name, a.price, a.taxGroup, a.department);
            });
      break;
    case CsvTable::kDepartments:
      for (const Department& d : records.departments)
        add(Section::kDepartments, d.number,
            {{"name", "", "\"" + Cp1251ToUtf8(d.name) + "\""},
             {"taxGroup", "", TaxGroupText(d.taxGroup)}},
            [d](FiscalPrinter& p) { return p.SetDepartment(d); });
      break;
    case CsvTable::kOperators:
      for (const OperatorRecord& o : records.operators)
        add(Section::kOperators, o.number,
            {{"name", "", "\"" + Cp1251ToUtf8(o.name) + "\""},
             {"password", "", "\"" + Cp1251ToUtf8(o.password) + "\""}},
            [o](FiscalPrinter& p) { return p.SetOperator(o.number, o.name, o.password); });
      break;
  }
  return steps;
}

namespace {

struct IssueText {
  CsvIssue issue;
  const char* english;
  const char* bulgarian;
};

// %s is the problem's detail.
constexpr IssueText kIssueTexts[] = {
    {CsvIssue::kNotUtf8, "the file is not UTF-8 text", "файлът не е текст в UTF-8"},
    {CsvIssue::kUnclosedQuote, "a quote is never closed", "кавичките не са затворени"},
    {CsvIssue::kEmptyFile, "the file is empty (a header row is needed)",
     "файлът е празен (нужен е ред със заглавията)"},
    {CsvIssue::kUnknownColumn, "unknown column", "непозната колона"},
    {CsvIssue::kMissingColumn, "the column \"%s\" is missing", "липсва колоната \"%s\""},
    {CsvIssue::kRepeatedColumn, "the column appears twice", "колоната се повтаря"},
    {CsvIssue::kFieldCount, "the row does not have %s fields", "редът няма %s полета"},
    {CsvIssue::kEmpty, "is empty", "е празно"},
    {CsvIssue::kNotWholeNumber, "is not a whole number", "не е цяло число"},
    {CsvIssue::kNotNumber, "is not a number", "не е число"},
    {CsvIssue::kOutOfRange, "is outside %s", "е извън %s"},
    {CsvIssue::kTooManyDecimals, "has more than %s decimals",
     "има повече от %s знака след точката"},
    {CsvIssue::kTooLong, "is longer than %s characters", "е по-дълго от %s знака"},
    {CsvIssue::kNotPrintable, "has a character the printer cannot print",
     "съдържа знак, който принтерът не може да отпечата"},
    {CsvIssue::kControl, "has a control character (a line break, a tab)",
     "съдържа управляващ знак (нов ред, табулация)"},
    {CsvIssue::kSemicolon, "has a ';', which the printer cannot take in this field",
     "съдържа ';', който принтерът не приема в това поле"},
    {CsvIssue::kNotTaxGroup, "is not a tax group А..З", "не е данъчна група А..З"},
    {CsvIssue::kLatinTaxGroup, "is the Latin letter %s: tax groups are the Cyrillic letters А..З",
     "е латинската буква %s: данъчните групи са кирилските букви А..З"},
    {CsvIssue::kWholeNumbersOnly,
     "has decimals: the printer works in whole numbers, so a price cannot have any",
     "има знаци след точката: принтерът работи в цели числа и цената не може да има такива"},
    {CsvIssue::kRepeatedNumber, "the number was already given on line %s",
     "номерът вече е даден на ред %s"},
};

}  // namespace

std::string DescribeCsvProblem(const CsvProblem& p, bool bulgarian) {
  std::string where = (bulgarian ? "ред " : "line ") + std::to_string(p.line);
  if (p.column > 0) {
    where += (bulgarian ? ", колона " : ", column ") + std::to_string(p.column);
    if (!p.columnName.empty()) where += " (" + p.columnName + ")";
  }
  std::string what;
  for (const IssueText& t : kIssueTexts)
    if (t.issue == p.issue) what = bulgarian ? t.bulgarian : t.english;
  if (const size_t at = what.find("%s"); at != std::string::npos) what.replace(at, 2, p.detail);
  return where + ": " + what;
}
