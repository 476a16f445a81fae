#pragma once

#include <cstdint>
#include <cstdio>
#include <ctime>
#include <string>

#include "driver/records.h"
#include "link/printer_link.h"

// The driver: one method per printer command, on top of the link core.
//
// Conventions of every command method:
//  - it first runs CheckStatus with its requirement word (status.cpp) and sends
//    nothing when that refuses;
//  - arguments out of range return "" without sending and without a message
//    (LastOutcome says kOutOfRange, userTold false, and names the limit);
//  - it returns what Transact returned (the data of a reply, or the two-character
//    ACK code), or "OK" when it decoded the reply into out-parameters;
//  - "" means failed, refused or cancelled. The user has been told, except for
//    an argument out of range and a host with nobody to ask.
// A non-empty result is not always success: an ACK code the user passed over
// with "Продължи" is a refusal, and SetDateTime's "BP" sent nothing. After each
// method LastOutcome() (call_outcome.h) says how it ended and whether the user
// was told; callers that need more than "empty or not" read that.
// Texts in and out are Windows-1251 bytes (widths count bytes); prompt texts go
// to the UI host as UTF-8. Out-parameters are left untouched on an empty reply.
// Methods never throw. One object per user action (see PrinterLink).
class FiscalPrinter : public PrinterLink {
 public:
  FiscalPrinter(UiHost* owner, const PrinterLine& line) : PrinterLink(owner, line) {}
  ~FiscalPrinter() override = default;

  // --- Status and command errors (status.cpp) -------------------------------
  std::string ReadStatus(StatusFlags& flags);
  std::string CheckStatus(StatusFlags& flags, uint32_t requirement);
  std::string ReadVersion();
  std::string PrintEmptyServiceReceipt();

  // --- Receipts and sales (receipts.cpp) ------------------------------------
  std::string OpenServiceReceipt(const OperatorRecord& op);
  std::string CloseServiceReceipt();
  std::string OpenFiscalReceipt(const OperatorRecord& op, bool detailed, bool withVat);
  std::string OpenInvoiceReceipt(const OperatorRecord& op, const std::string& recipient,
                                 const std::string& buyer, const std::string& vatNumber,
                                 const std::string& idNumber, const std::string& address);
  std::string SellItem(const std::string& text, int taxGroup, double price, double quantity,
                       double percent);
  std::string SellArticle(int article, double quantity, double percent, bool isVoid);
  std::string Subtotal(double& subtotal, double value, bool isAmount, bool print, bool display);
  std::string SellInDepartment(const std::string& text, int department, double price,
                               double quantity, double percent);
  std::string Payment(int type, double amount, bool noChange, int changeType);
  std::string PrintReceiptText(const std::string& text, int alignment);
  std::string CloseFiscalReceipt();
  std::string PrintDuplicate();
  std::string ServiceSumInOut(const OperatorRecord& op, int paymentType, double amount);
  std::string ReadLastReceiptNumber(int& number);
  std::string ReadReceiptState(ReceiptState& state);

  // --- Reports and report data (reports.cpp, report_data.cpp) ---------------
  std::string ReadDailyTaxTotals(TaxGroupTotals& totals);
  std::string ReadDailyPaymentTotals(PaymentTotals& totals);
  std::string ReadDailyCounters(ReceiptCounters& counters);
  std::string ReadDailyServiceIn(ServiceTotals& totals);
  std::string ReadDailyServiceOut(ServiceTotals& totals);
  std::string ReadDailyReportInfo(DailyReportInfo& info);
  std::string ReadOperatorTotals(int op, ReceiptCounters& counters);
  std::string ReadOperatorServiceIn(int op, ServiceTotals& totals);
  std::string ReadOperatorServiceOut(int op, ServiceTotals& totals);
  std::string ReadOperatorPayments(int op, PaymentTotals& totals);
  std::string ReadOperatorReportInfo(int op, OperatorReportInfo& info);
  std::string ReadLastFMRecord(FMRecordInfo& info);
  std::string ReadFreeFMRecords(int& count);

  std::string PrintDailyReport(bool zero);
  std::string PrintArticleReport(bool zero);
  std::string PrintExtendedDailyReport(bool zero);
  std::string PrintOperatorReport(bool zero, int op);
  std::string PrintSpecialFMReport();
  std::string PrintDetailedFMReportByBlocks(int first, int last);
  std::string PrintShortFMReportByBlocks(int first, int last);
  std::string PrintDetailedFMReportByDates(std::time_t from, std::time_t to);
  std::string PrintShortFMReportByDates(std::time_t from, std::time_t to);
  // Streams the fiscal-memory report into `file` (opened for binary writing by
  // the caller, who also closes it), byte for byte up to and including the
  // terminator '@'. Bytes already received stay in the file after a failure.
  std::string DownloadFMToFile(std::FILE* file);

  // --- Fiscalization, clock, decimal point, tax rates (programming.cpp) -----
  std::string SetTaxNumber(const std::string& password, const std::string& taxNumber);
  std::string Fiscalize(const std::string& password);
  std::string ReadTaxNumber(std::string& taxNumber);
  std::string ReadHeaderTaxNumber(std::string& taxNumber);
  // Returns the ACK code, "BP" when the time is before the last fiscal-memory
  // record (nothing sent; the user told, LastOutcome kOutOfRange), or "".
  std::string SetDateTime(std::time_t time);
  std::string SetDecimalPoint(const std::string& password, char mode);
  std::string ReadTaxRates(TaxRates& rates);
  std::string SetTaxRates(const std::string& password, const TaxRates& rates);
  std::string SetFactoryNumbers(const std::string& password, int printerNumber, int memoryNumber,
                                int checkDigits);
  std::string ReadFactoryNumbers(FactoryNumbers& numbers);
  std::string EraseEeprom(const std::string& password);

  // --- Header, operators, articles, parameters, logo (tables.cpp, logo.cpp) -
  std::string SetHeaderLine(int line, const std::string& text, int alignment, int width);
  std::string ReadHeaderLine(int line, HeaderLine& header);
  std::string SetOperator(int op, const std::string& name, const std::string& password);
  std::string ReadOperator(int op, OperatorRecord& record);
  std::string SetArticle(int number, const std::string& name, double price, int taxGroup,
                         uint8_t department);
  std::string ReadArticle(int number, ArticleRecord& article);
  std::string SetParameters(const PrintParameters& params);
  std::string ReadParameters(PrintParameters& params);
  std::string LoadLogo(const std::string& path);  // path: UTF-8 (any name on Windows)
  std::string PrintLogo();

  // --- Display, paper, payments, departments, invoices (display.cpp, paper.cpp,
  //     service.cpp) -----------------------------------------------------------
  std::string ClearDisplay();
  std::string DisplayLine(int line, const std::string& text, int alignment);
  std::string DisplayBothLines(const std::string& text, int alignment);
  std::string DisplayDateTime();
  std::string FeedPaper();
  std::string FeedPaperNoCheck();
  std::string FinishPrintout();
  std::string PrintDiagnostics();
  std::string PrintJournalReport();
  std::string SetPaymentName(int n, const std::string& name, double rate);
  std::string ReadPaymentNames(PaymentNames& names);
  std::string ReadDepartment(Department& department);
  std::string SetDepartment(const Department& department);
  std::string ReadInvoiceRange(InvoiceRange& range);
  std::string SetInvoiceRange(const InvoiceRange& range);
  std::string ReadOperatorReturnedSums(OperatorReturnedSums& sums);

  // --- Decimal mode and clock (clock_decimal.cpp) --------------------------
  std::string ReadDecimalPoint(char& mode);
  std::string ReadDateTime(std::time_t& time);
  // Calls CheckLink(2000) again and again while it answers busy (50), for two
  // minutes at the most. True when the printer's last answer was ready.
  bool WaitUntilNotBusy();

 protected:
  // Gives the port to the date and time dialog: Disconnect, the dialog through
  // the UI host, Reconnect. Returns the dialog's result (1 set, 2 cancelled).
  int RunDateTimeDialogDetached();

 private:
  // CheckStatus without the outcome it records.
  std::string CheckStatusSteps(StatusFlags& flags, uint32_t requirement);
};

// BULSTAT/EIK check digits: 9 or 13 decimal digits with valid check digits.
bool IsValidTaxNumber(const std::string& text);
