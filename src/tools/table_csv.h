#pragma once

#include <string>
#include <vector>

#include "tools/printer_config.h"
#include "tools/restore_plan.h"

// Articles, departments and operators as CSV files: UTF-8, a header row with
// the column names of the programming dialogs, one record per row.
//
// Written with ',' between fields; read with ',', ';' or a tab (whichever the
// header row uses: spreadsheets set up for Bulgarian save with ';', and then a
// price may have a decimal comma and its thousands separated by spaces). Rows
// of separators only and separators after the last column are ignored; a
// quoted field keeps its spaces. Fields may be quoted ("..." with "" for a quote);
// a UTF-8 byte-order mark and CRLF line ends are accepted. Columns may come in
// any order; each column must be there once and no other column may be.

enum class CsvTable { kArticles, kDepartments, kOperators };

// The column names of a table, in the order they are written.
std::vector<std::string> CsvColumns(CsvTable table);

// What is wrong with a file. `line` is the line of the file where the row
// starts (1 is the header row), `column` the 1-based column, 0 for the row.
enum class CsvIssue {
  kNotUtf8,
  kUnclosedQuote,
  kEmptyFile,
  kUnknownColumn,
  kMissingColumn,
  kRepeatedColumn,
  kFieldCount,  // the row has more or fewer fields than the header
  kEmpty,
  kNotWholeNumber,
  kNotNumber,
  kOutOfRange,
  kTooManyDecimals,
  kTooLong,
  kNotPrintable,  // a character Windows-1251 has no byte for
  kControl,       // a line break, a tab or another control character inside a field
  kSemicolon,     // ';' separates the fields of the printer's commands
  kNotTaxGroup,
  kLatinTaxGroup,     // A, B, E typed for the Cyrillic group letters that look alike
  kWholeNumbersOnly,  // a price with decimals for a printer of whole numbers
  kRepeatedNumber,
};

struct CsvProblem {
  int line = 0;
  int column = 0;
  std::string columnName;  // UTF-8, "" when the problem is the whole row
  CsvIssue issue = CsvIssue::kEmptyFile;
  std::string detail;  // the range, the width, or the missing column's name
};

// The records of one table read from a file, texts in Windows-1251; `lines`
// holds each record's line in the file.
struct CsvRecords {
  std::vector<ArticleRecord> articles;
  std::vector<Department> departments;
  std::vector<OperatorRecord> operators;
  std::vector<int> lines;
};

enum class CsvEncoding {
  kDetect,  // reading: UTF-8 when the text is UTF-8, Windows-1251 otherwise; writing: UTF-8
  kUtf8,
  kCp1251,  // what a spreadsheet in a Bulgarian locale saves and opens
};

// How a file is laid out. A spreadsheet set up for Bulgarian separates with
// ';', writes a decimal comma and saves in Windows-1251.
struct CsvDialect {
  char separator = 0;         // 0: ',' when writing; the header row's when reading
  bool decimalComma = false;  // always so when reading with ';' between fields
  CsvEncoding encoding = CsvEncoding::kDetect;
};

// Reads and checks the whole file. `decimalMode` is the printer's ('2' prices
// with up to two decimals up to 999999.99, '0' whole numbers up to 99999999);
// 0 when not known: up to two decimals, up to 99999999. Returns false with
// the first problem, in file order.
bool ParseTableCsv(CsvTable table, const std::string& text, char decimalMode, CsvRecords& out,
                   CsvProblem& problem, const CsvDialect& dialect = {});

// The file for the table's records in `config` (its section must be present):
// UTF-8 with a byte-order mark, or Windows-1251 when the dialect says so.
std::string WriteTableCsv(CsvTable table, const PrinterConfig& config, char decimalMode,
                          const CsvDialect& dialect = {});

// One command per record, each written whatever the printer holds now.
std::vector<RestoreStep> PlanImport(CsvTable table, const CsvRecords& records);

// The section of a table.
Section TableSection(CsvTable table);

// "line 5, column 3 (Артикул Цена): ..." in English or Bulgarian.
std::string DescribeCsvProblem(const CsvProblem& problem, bool bulgarian);
