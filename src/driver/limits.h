#pragma once

#include <cstddef>

// Every limit of the printer's data, written once. The driver checks its
// arguments against these; the server's request checks, the backup and CSV
// readers and the dialogs' fields use the same names, so that what one of them
// accepts the driver also sends.
//
// Widths count bytes of the Windows-1251 text (one byte a character). A text
// longer than its width is cut by the driver (FitText); a reader that must not
// lose characters refuses it instead. Number ranges are inclusive.
namespace Limit {

// --- Text widths ----------------------------------------------------------------
constexpr int kItemText = 36;        // sold item's and department sale's text
constexpr int kCommentText = 34;     // a free text line inside a receipt
constexpr int kOperatorName = 20;    // operator names
constexpr int kArticleName = 20;     // article names
constexpr int kDepartmentName = 20;  // department names
constexpr int kPaymentName = 10;     // names of payment types 1..4
constexpr int kDisplayLine = 20;     // each of the customer display's two lines
constexpr int kHeaderLineMax = 48;   // widest header line any printer keeps
// Header line widths of the two printer models (the cliché dialog's layouts).
constexpr int kHeaderLineNarrow = 38;
constexpr int kHeaderLineWide = 42;
// The invoice receipt's client fields.
constexpr int kInvoiceRecipient = 26;
constexpr int kInvoiceBuyer = 16;
constexpr int kInvoiceVatNumber = 13;
constexpr int kInvoiceIdNumber = 13;
constexpr int kInvoiceAddress = 30;
constexpr int kInvoiceNumberDigits = 10;  // each end of the invoice number range
constexpr int kTaxNumberDigits = 13;      // BULSTAT/EIK, 9 or 13 digits

// --- Passwords ------------------------------------------------------------------
// An operator's password (receipts, service sums, the operators' table).
constexpr int kOperatorPassword = 4;
// The service password of fiscalization, decimal point, tax rates, factory
// numbers and EEPROM erasing.
constexpr int kServicePassword = 6;

// --- Numbers of things ----------------------------------------------------------
constexpr int kFirstOperator = 1;
constexpr int kLastOperator = 9;
constexpr int kFirstArticle = 1;
constexpr int kLastArticle = 1000;
// Departments of the department table ("%02u" on the line).
constexpr int kFirstDepartment = 1;
constexpr int kLastDepartment = 99;
// A department travels in sales and articles as the one byte 0x80 + n, so no
// number above this fits there.
constexpr int kLastDepartmentByte = 0x7F;
constexpr int kFirstHeaderLine = 0;
constexpr int kLastHeaderLine = 9;
constexpr int kFirstTaxGroup = 0;  // А
constexpr int kLastTaxGroup = 7;   // З
constexpr int kFirstFMBlock = 1;
constexpr int kLastFMBlock = 4000;
constexpr int kLastDeviceNumber = 9999;     // print parameters, four digits
constexpr int kLastFactoryNumber = 999999;  // each of the three factory numbers

// --- Payment types --------------------------------------------------------------
// 0 cash, 1 card, 2 check, 3 voucher, 4 currency. Cash's name is fixed, so only
// 1..4 take a name; only 4 takes an exchange rate.
constexpr int kFirstPaymentType = 0;
constexpr int kLastPaymentType = 4;
constexpr int kPaymentTypeCount = 5;
constexpr int kFirstNamedPaymentType = 1;
constexpr int kCurrencyPaymentType = 4;
constexpr double kMaxExchangeRate = 9999.99999;  // "%010.5f"

// --- Money, quantities, percentages ---------------------------------------------
// The printer counts money with two decimals (decimal mode '2') or in whole
// units (any other mode). Prices, payments and sums accept -max..max of the
// mode (an article's price 0..max).
constexpr double kMaxAmountTwoDecimals = 999999.99;
constexpr double kMaxAmountWhole = 99999999.0;
constexpr double MaxAmount(char decimalMode) {
  return decimalMode == '2' ? kMaxAmountTwoDecimals : kMaxAmountWhole;
}
// The largest amount of either mode: what a reader that does not know the
// printer's mode lets through (the driver then checks the mode's own limit).
constexpr double kMaxAmountAnyMode = kMaxAmountWhole;
constexpr double kMaxQuantity = 999999.999;  // quantities 0..this
constexpr double kMaxPercent = 99.99;        // surcharges and discounts -this..this
constexpr double kMaxTaxRate = 99.99;        // tax rates 0..this (-1 for an unused group)

}  // namespace Limit
