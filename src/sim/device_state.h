#pragma once

#include <array>
#include <cstdint>
#include <ctime>
#include <map>
#include <string>
#include <vector>

// Everything the simulated printer remembers. Texts are Windows-1251 bytes.
// Money is kept in hundredths of the currency unit (in whole-number mode the
// values are whole multiples of 100), quantities in thousandths, percentages in
// hundredths of a per cent. The open receipt is working memory: a RAM reset
// loses it; everything else survives (the state file keeps all of it).

using Money = int64_t;
constexpr int kGroups = 8;
constexpr int kPayments = 5;
constexpr int kOperators = 9;
constexpr int kArticles = 1000;
constexpr int kDepartments = 99;
constexpr int kHeaderLines = 10;
// The largest sum a register or a reply's 11-character amount field holds,
// 99 999 999.99, and the largest quantity of an 11-character quantity field,
// 9 999 999.999 (thousandths).
constexpr Money kRegisterLimit = 9999999999LL;
constexpr int64_t kQuantityLimit = 9999999999LL;
// The date a report-date field and the last fiscal-memory record read before
// there is any: a date before any printer was made.
constexpr const char* kNoReportYet = "01-01-2000 00:00";

struct ReceiptCountersState {
  int customers = 0;
  int discounts = 0;
  Money discountSum = 0;
  int surcharges = 0;
  Money surchargeSum = 0;
  int voids = 0;
  Money voidSum = 0;
};

struct ServiceSumsState {
  std::array<Money, kPayments> sums{};
  int count = 0;
};

struct OperatorState {
  std::string name;      // up to 20
  std::string password;  // up to 4, trailing spaces removed
  ReceiptCountersState counters;
  ServiceSumsState in, out;
  std::array<Money, kPayments> payments{};
  std::array<Money, kPayments> returned{};  // change given, by payment type
  bool unzeroed = false;
  int reportNumber = 1;  // the next operator report
  std::time_t lastReport = 0;
};

struct ArticleState {
  std::string name;  // empty: not programmed
  Money price = 0;
  int group = 0;
  int department = 0;  // 0: none
  Money turnover = 0;
  int64_t quantity = 0;  // thousandths
};

struct DepartmentState {
  std::string name;  // empty: not programmed
  int group = 0;
  Money turnover = 0;
  int64_t quantity = 0;
};

// One record of the fiscal memory.
struct FmRecord {
  enum Type { kZReport = 0, kFiscalization = 1, kTaxRates = 2, kDecimalPoint = 3 };
  int type = kZReport;
  int number = 0;  // Z: the report number; others: 0
  std::time_t time = 0;
  std::array<Money, kGroups> totals{};  // Z: daily totals by group
  std::array<int, kGroups> rates{};     // rates in force (hundredths; -100 off)
  char decimals = '2';
  std::string text;  // fiscalization: the tax number
};

struct ReceiptLine {
  std::string text;
  int group = 0;
  Money price = 0;  // unit price, negative for a void
  int64_t quantity = 1000;
  Money value = 0;       // price * quantity, before the adjustment
  Money adjustment = 0;  // discount (negative) or surcharge
  int article = 0;       // 0: a free sale
  int department = 0;    // 0: none
};

struct OpenReceipt {
  enum Kind { kNone = 0, kFiscal = 1, kInvoice = 2, kService = 3 };
  int kind = kNone;
  int op = 0;
  bool detailed = false;
  bool withVat = false;
  std::vector<ReceiptLine> lines;
  std::array<Money, kGroups> groups{};  // subtotal by group, adjustments included
  int purchases = 0;
  ReceiptCountersState counters;  // discounts, surcharges and voids of this receipt
  std::array<Money, kPayments> paid{};
  Money paidTotal = 0;
  bool paymentStarted = false;
  bool paymentFinished = false;
  int64_t invoiceNumber = 0;
  bool totalsPrinted = false;
  std::string printed;  // UTF-8 text printed so far (for the duplicate)
};

struct DeviceState {
  // Identity and fiscal set-up.
  int printerNumber = 0;  // factory numbers; 0 when not written
  int memoryNumber = 0;
  bool factoryWritten = false;
  std::string taxNumber;  // up to 13 digits
  bool fiscalized = false;
  char decimals = '2';               // '2' two decimals, '0' whole numbers
  int groupCount = 8;                // 3..8
  std::array<int, kGroups> rates{};  // hundredths of a per cent; -100 switched off
  std::string servicePassword = "000000";

  // Clock: device time = computer time + offset.
  int64_t clockOffset = 0;
  bool clockNotSet = false;
  bool clockIncorrect = false;
  bool clockHardware = false;
  bool ramReset = false;

  // Peripherals and faults the operator can see.
  bool paperOut = false;
  bool overheated = false;  // the print head: printing refused with "C2"
  bool lowVoltage = false;
  bool reportOverflow = false;
  bool fmMissing = false;
  bool fmFaulty = false;
  int fmCapacity = 2000;

  // Tables.
  int headerWidth = 42;
  std::array<std::string, kHeaderLines> header;  // as stored (already fitted)
  std::array<OperatorState, kOperators> operators;
  std::map<int, ArticleState> articles;        // 1..1000, programmed only
  std::map<int, DepartmentState> departments;  // 1..99, programmed only
  std::array<std::string, kPayments> paymentNames;
  int64_t exchangeRate = 0;  // hundred-thousandths, for payment type 4
  int64_t invoiceFirst = 0, invoiceLast = 0, invoiceNext = 0;
  int deviceNumber = 1;
  bool logo = false, drawer = false, autoCut = true, transparentDisplay = false;
  bool shortJournal = false, currency = false;
  std::string logoBytes;  // 3902 bytes, empty when none loaded
  std::array<std::string, 2> display;

  // Counters.
  int receiptNumber = 0;  // the last receipt issued (any kind)
  std::array<Money, kGroups> dailyTotals{};
  std::array<Money, kPayments> dailyPayments{};
  ReceiptCountersState daily;
  ServiceSumsState serviceIn, serviceOut;
  bool dailyUnzeroed = false;
  int reportNumber = 1;  // the next daily Z report
  std::time_t lastReport = 0;
  int journalNumber = 1;
  bool articlesUnzeroed = false;
  int articleReportNumber = 1;
  std::time_t lastArticleReport = 0;
  Money lastChange = 0;
  int lastChangeType = 0;

  // Working memory.
  OpenReceipt receipt;
  std::string lastReceipt;  // UTF-8, for the duplicate
  bool duplicatePending = false;
  std::vector<std::string> journal;  // UTF-8 documents since the last daily Z

  std::vector<FmRecord> fm;
};
