#pragma once

#include <array>
#include <cstdint>
#include <ctime>
#include <string>

// Plain records read from or written to the printer. Texts are Windows-1251
// bytes as they travel on the wire; times are calendar times in local time.

// The 32 status flags decoded from the five status bytes (see status.cpp for the
// byte and bit of each flag).
using StatusFlags = std::array<bool, 32>;

struct OperatorRecord {
  int number = 0;        // 1..9
  std::string name;      // at most 20 characters
  std::string password;  // at most 4 characters
};

struct ReceiptState {
  std::array<double, 8> groupSubtotals{};  // tax groups А..З
  int purchases = 0;
  bool open = false;
  bool voidForbidden = false;
  bool withVat = false;
  bool detailed = false;
  bool paymentStarted = false;
  bool paymentFinished = false;
  bool invoice = false;
  uint8_t lastChangeType = 0;  // 0..9
  double lastChange = 0;
};

// Per-operator reads also carry the operator number the printer echoes.
struct TaxGroupTotals {
  std::array<double, 8> groups{};
};

struct PaymentTotals {
  std::array<double, 5> payments{};
  int operatorNumber = 0;
};

struct ServiceTotals {
  std::array<double, 5> amounts{};
  int count = 0;
  int operatorNumber = 0;
};

struct ReceiptCounters {
  int customers = 0;
  int discounts = 0;
  double discountSum = 0;
  int surcharges = 0;
  double surchargeSum = 0;
  int voids = 0;
  double voidSum = 0;
  int operatorNumber = 0;
};

struct DailyReportInfo {
  int reportNumber = 0;
  int lastFMReport = 0;  // number of the last report in the fiscal memory
  int journalNumber = 0;
  std::time_t lastReportTime = 0;
};

struct OperatorReportInfo {
  int reportNumber = 0;
  std::time_t lastReportTime = 0;
  int operatorNumber = 0;
};

struct FMRecordInfo {
  std::time_t date = 0;  // at 00:00
  int first = 0;
  int second = 0;
};

struct HeaderLine {
  int line = 0;  // 0..9
  std::string text;
  int alignment = 0;  // 0 left, 1 centre, 2 right
  int width = 0;      // length of the line as the printer keeps it
};

struct ArticleRecord {
  int number = 0;  // 1..1000
  std::string name;
  double price = 0;
  int taxGroup = 0;  // 0..7, А..З
  double turnover = 0;
  double soldQuantity = 0;
  int reportNumber = 0;
  uint8_t department = 0;  // 0 when the reply does not carry it
  std::time_t lastReportTime = 0;
};

struct PrintParameters {
  int deviceNumber = 0;  // 0..9999
  bool logo = false;
  bool drawer = false;
  bool autoCut = false;
  bool transparentDisplay = false;
  bool shortJournal = false;
  bool currency = false;
};

struct FactoryNumbers {
  int printerNumber = 0;  // 0..999999
  int memoryNumber = 0;   // 0..999999
  int checkDigits = 0;    // 0..999999; a read sets it to 0
};

struct Department {
  uint8_t number = 0;  // sent as two digits
  std::string name;    // up to 20 characters
  uint8_t taxGroup = 0;
  double turnover = 0;
  double quantity = -1.0;  // -1 when the reply does not carry it
};

struct InvoiceRange {
  std::string first;  // decimal digits, up to 10
  std::string last;
};

struct OperatorReturnedSums {
  int operatorNumber = 0;  // 1..9; given on input, overwritten by the reply
  std::array<double, 5> sums{};
};

// Payment names of types 0..4 and, sixth, the exchange rate of type 4 as text.
using PaymentNames = std::array<std::string, 6>;
using TaxRates = std::array<double, 8>;
