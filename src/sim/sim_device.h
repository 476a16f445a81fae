#pragma once

#include <array>
#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

#include "sim/device_state.h"
#include "sim/paper_roll.h"

// The simulated printer's logic: its state and one handler per command byte.
// No I/O and no locking: SimServer owns one and serialises every call.
//
// Execute runs one command frame and returns the reply: a data reply or an ACK
// with a two-character code (first character: the printer's condition, second:
// what is wrong with the command; "00" all well). Refusals use these codes:
//   "01" unknown command            "02" not allowed now (no open receipt, ...)
//   "03" a report must be zeroed    "04" bad data field
//   "05" beyond the receipt's fields "06" zero value
//   "07" nothing (that much) to void "08" not enough (cash, paid sum)
//   "09" tax group switched off     "12" no paper
//   "22" report registers overflow  "25" a register of the day, an operator,
//                                        an article or a department would pass
//                                        its field (raises the overflow flag)
//   "32" clock not set or faulty
//   "42" a fiscal receipt is open   "52" the receipt is not fully paid
//   "62" a service receipt is open  "82" fiscal memory missing, faulty or full
//   "92" wrong password             "F2" conditions not met (not fiscalized,
//                                        no factory numbers, invoice range used up)
// Everything printed goes to Roll() as UTF-8.
class SimDevice {
 public:
  struct Reply {
    bool data = false;    // a data reply; otherwise an ACK carrying `payload` as code
    std::string payload;  // the code or the data (Windows-1251)
    std::string stream;   // raw bytes sent right after the reply (the download)
    int busyMs = 0;       // the device prints for this long after replying
  };

  explicit SimDevice(DeviceState state);

  // A fiscalized printer in working order with sample tables (see the
  // definition for the operators, passwords, articles and departments).
  static DeviceState SampleState(int headerWidth);
  // A new printer: no factory numbers, not fiscalized, clock not set.
  static DeviceState FactoryState(int headerWidth);
  // Gives a starting state `groups` tax groups (3..8): the others are switched
  // off, and the sample articles, departments and daily reports that used them
  // move to group Б.
  static void LimitGroups(DeviceState& s, int groups);
  // A device that counts money in whole units from the start: its sample
  // prices rounded to whole units.
  static void UseWholeNumbers(DeviceState& s);

  Reply Execute(uint8_t cmd, const std::string& data);
  // True for commands that only read: running them twice changes nothing.
  static bool IsRead(uint8_t cmd);

  // The six status bytes (bit 7 set on each) and the 32 flags they carry.
  std::string StatusBytes() const;
  std::array<bool, 32> Flags() const;

  DeviceState& State() { return s_; }
  const DeviceState& State() const { return s_; }
  PaperRoll& Roll() { return roll_; }

  // The device's clock: the computer's clock plus the set offset.
  std::time_t Now() const;

  // How long printing a report keeps the device busy.
  void SetReportBusyMs(int ms) { reportBusyMs_ = ms; }
  // The line speed the device is set to; flag 27 shows a speed other than 9600.
  void SetLineSpeed(int baud) { lineBaud_ = baud; }

  // Conditions that change the state itself.
  void ResetRam();          // working memory lost, clock not set
  void FillFmNearlyFull();  // 49 free records left
  void FillFmFull();        // no free record left
  // Writes up to `n` more daily Z records (with sample totals), dated between
  // the last record and now; stops at the capacity. Returns how many it wrote.
  int FillFm(int n);
  int FreeFmRecords() const;

 private:
  using Handler = Reply (SimDevice::*)(const std::string&);
  static Handler Find(uint8_t cmd);

  // Refusal code for the conditions in `needs` (bits below), "" when all hold.
  enum Need : unsigned {
    kFm = 1,            // fiscal memory present and sound
    kClock = 2,         // clock set and working
    kPaper = 4,         // paper present
    kNoReceipt = 8,     // no receipt open
    kNoOverflow = 16,   // report registers not overflowed
    kFmSpace = 32,      // a free fiscal-memory record
    kFactory = 64,      // factory numbers written
    kDailyZeroed = 128  // no turnover since the last daily Z
  };
  std::string Refusal(unsigned needs) const;
  static Reply Ack(const std::string& code) { return Reply{false, code, {}, 0}; }
  static Reply Data(const std::string& data) { return Reply{true, data, {}, 0}; }
  // "00" for a report or printout that keeps the head busy for reportBusyMs_.
  Reply Printing() const { return Reply{false, "00", {}, reportBusyMs_}; }
  bool ServicePasswordOk(const std::string& field) const;
  bool OperatorOk(int op, const std::string& password) const;

  // Printing helpers.
  void Print(const Document& doc, bool journal = true);
  void HeaderBlock(Document& doc) const;
  // The closing lines of a document; it takes the next document number.
  void FooterBlock(Document& doc, const std::string& mark);
  std::string DateTimeText(std::time_t t) const;  // DD-MM-YYYY HH:MM:SS
  std::string GroupLetter(int group) const;       // "А".."З" in Windows-1251
  Money Round(Money m) const;
  std::string Amount(Money m) const;                 // paper text
  std::string ForeignAmount(Money m) const;          // in the currency of payment type 4
  std::string Field(Money m, int width = 11) const;  // reply field

  // Status, version, clock (device_core.cpp).
  Reply Status(const std::string&);
  Reply Version(const std::string&);
  Reply SetClock(const std::string&);
  Reply ReadClock(const std::string&);

  // Receipts (device_receipts.cpp).
  Reply OpenService(const std::string&);
  Reply CloseService(const std::string&);
  Reply OpenFiscal(const std::string&);
  Reply SellFree(const std::string&);
  Reply SellArticle(const std::string&);
  Reply Subtotal(const std::string&);
  Reply SellDepartment(const std::string&);
  Reply Pay(const std::string&);
  Reply Text(const std::string&);
  Reply CloseFiscal(const std::string&);
  Reply CancelEmptyReceipt();
  Reply Duplicate(const std::string&);
  Reply ServiceSum(const std::string&);
  Reply LastReceiptNumber(const std::string&);
  Reply ReceiptStatus(const std::string&);
  // A sale (price > 0) or a void (price < 0) in the open fiscal receipt; `rest`
  // is the optional "*quantity" and ",percent%" part.
  Reply Sell(const std::string& text, int group, Money price, const std::string& rest, int article,
             int department);
  void PrintTotals();
  Money ReceiptTotal() const;

  // Registers (device_registers.cpp). No register and no reply field may pass
  // its width. The refusal of the open receipt `r` as it would stand after a
  // sale, void, adjustment or payment: "05" when the receipt passes its own
  // fields (a group beyond 99 999 999.99, a total beyond what the subtotal
  // reply holds), "25" when closing it would carry a register of the day, of
  // its operator, of an article or of a department past its field (the
  // overflow flag is raised then: the reports must be zeroed), "" when it fits.
  std::string RegisterRefusal(const OpenReceipt& r);
  // "25" (and the overflow flag) when `sum` more would not fit `day` or `mine`.
  std::string ServiceSumRefusal(const ServiceSumsState& day, const ServiceSumsState& mine, int type,
                                Money sum);
  // The largest total of one receipt: the subtotal reply has 10 characters
  // with two decimals and 9 whole digits without.
  Money ReceiptLimit() const;
  // Spreads a subtotal adjustment over the groups with a sum, each share
  // rounded in proportion to its group; the largest group takes the rounding
  // remainder. No group is left below zero.
  void SpreadAdjustment(OpenReceipt& r, Money adj) const;
  void ReceiptPrint(const Document& doc);

  // Reports (device_reports.cpp).
  Reply DailyTaxTotals(const std::string&);
  Reply DailyData(const std::string&);
  Reply OperatorData(const std::string&);
  Reply LastFmRecord(const std::string&);
  Reply FreeFm(const std::string&);
  Reply Download(const std::string&);
  Reply SpecialFmReport(const std::string&);
  Reply FmReportDetailedBlocks(const std::string&);
  Reply FmReportShortBlocks(const std::string&);
  Reply FmReportDetailedDates(const std::string&);
  Reply FmReportShortDates(const std::string&);
  // The Z reports numbered "NNNN;NNNN" / dated "DDMMYY;DDMMYY", in full or short.
  Reply FmReportByBlocks(const std::string& data, bool detailed);
  Reply FmReportByDates(const std::string& data, bool detailed);
  Reply DailyReport(const std::string&);
  Reply OperatorReport(const std::string&);
  Reply ArticleReport(const std::string&);
  Reply ExtendedDailyReport(const std::string&);
  Reply FmReport(const std::vector<const FmRecord*>& records, bool detailed,
                 const std::string& title);
  void DailyReportBody(Document& doc, bool zero);
  void ArticleReportBody(Document& doc);
  Reply JournalReport();
  // What stops a daily Z report beyond the needs of any report ("" nothing),
  // and the end of the day once it is printed: the fiscal-memory record (when
  // fiscalized) and the daily registers zeroed.
  std::string DailyZRefusal() const;
  void CloseDay();
  void ZeroDaily();
  void ZeroArticles();
  void ZeroOperator(int op);
  std::string FmText() const;

  // Programming (device_programming.cpp).
  Reply EraseEeprom(const std::string&);
  Reply SetFactoryNumbers(const std::string&);
  Reply TaxNumberOrFiscalize(const std::string&);
  Reply SetTaxRates(const std::string&);
  Reply SetDecimals(const std::string&);
  Reply ReadFactoryNumbers(const std::string&);
  Reply ReadTaxNumber(const std::string&);
  Reply ReadTaxRates(const std::string&);
  Reply ReadDecimals(const std::string&);
  void AddFmRecord(int type);

  // Tables (device_tables.cpp).
  Reply SetPaymentName(const std::string&);
  Reply SetParameters(const std::string&);
  Reply SetDepartment(const std::string&);
  Reply SetHeaderLine(const std::string&);
  Reply SetOperator(const std::string&);
  Reply SetArticle(const std::string&);
  Reply SetInvoiceRange(const std::string&);
  Reply ReadPaymentNames(const std::string&);
  Reply ReadParameters(const std::string&);
  Reply ReadDepartment(const std::string&);
  Reply ReadHeaderLine(const std::string&);
  Reply ReadOperator(const std::string&);
  Reply ReadArticle(const std::string&);
  Reply ReadInvoiceRange(const std::string&);
  int HeaderLineWidth(int line) const;

  // Display, paper, diagnostics, logo (device_display.cpp).
  Reply Diagnostics(const std::string&);
  Reply ClearDisplay(const std::string&);
  Reply DisplayLine1(const std::string&);
  Reply DisplayLine2(const std::string&);
  Reply DisplayBoth(const std::string&);
  Reply DisplayClock(const std::string&);
  Reply FinishPrintout(const std::string&);
  Reply Feed(const std::string&);
  Reply LoadLogo(const std::string&);
  Reply PrintLogo(const std::string&);
  void ShowDisplay();
  std::string LogoBlock() const;  // UTF-8 drawing of the logo

  DeviceState s_;
  PaperRoll roll_;
  int reportBusyMs_ = 0;
  int lineBaud_ = 9600;
};

// Small text helpers shared by the handlers.
namespace simtext {
std::vector<std::string> Split(const std::string& text, char sep);
std::string TrimRight(const std::string& text);
std::string TrimLeft(const std::string& text);
std::string Trim(const std::string& text);
// A whole decimal integer (digits only, at most 9); nothing otherwise.
bool ParseInt(const std::string& text, int& out);
bool ParseInt64(const std::string& text, int64_t& out);
// Windows-1251 of a UTF-8 literal (characters without a form become '?').
std::string Cp(const char* utf8);
}  // namespace simtext
