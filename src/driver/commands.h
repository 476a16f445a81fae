#pragma once

#include <cstdint>

// The printer's command bytes: every command the driver sends is named here
// once, and only here. The value is the command byte of the request frame;
// the data each takes is described at the driver method that sends it. Where
// one byte serves several methods (the sub-command is in the data), the name
// says what the byte selects.
//
// Tests do not use these names: they write the bytes out by hand, so that a
// wrong value here is caught rather than shared.
namespace Cmd {

// --- Status and service -------------------------------------------------------
constexpr uint8_t kStatus = 0x20;
constexpr uint8_t kVersion = 0x21;
constexpr uint8_t kDiagnostics = 0x22;

// --- Display ------------------------------------------------------------------
constexpr uint8_t kClearDisplay = 0x24;
constexpr uint8_t kDisplayLine1 = 0x25;
constexpr uint8_t kDisplayLine2 = 0x26;
constexpr uint8_t kDisplayBothLines = 0x27;
constexpr uint8_t kDisplayDateTime = 0x28;

// --- Paper ----------------------------------------------------------------------
constexpr uint8_t kFinishPrintout = 0x29;
constexpr uint8_t kFeedPaper = 0x2B;

// --- Receipts -----------------------------------------------------------------
constexpr uint8_t kOpenServiceReceipt = 0x2E;
constexpr uint8_t kCloseServiceReceipt = 0x2F;
constexpr uint8_t kOpenFiscalReceipt = 0x30;  // also the invoice receipt
constexpr uint8_t kSellItem = 0x31;
constexpr uint8_t kSellArticle = 0x32;
constexpr uint8_t kSubtotal = 0x33;
constexpr uint8_t kSellInDepartment = 0x34;
constexpr uint8_t kPayment = 0x35;
constexpr uint8_t kReceiptText = 0x37;
constexpr uint8_t kCloseFiscalReceipt = 0x38;
constexpr uint8_t kDuplicate = 0x3A;
constexpr uint8_t kServiceSum = 0x3B;
constexpr uint8_t kLastReceiptNumber = 0x71;
constexpr uint8_t kReceiptState = 0x72;

// --- Programming ----------------------------------------------------------------
constexpr uint8_t kEraseEeprom = 0x3F;
constexpr uint8_t kSetFactoryNumbers = 0x40;
constexpr uint8_t kSetTaxNumber = 0x41;  // also fiscalization ("2" after the password)
constexpr uint8_t kSetTaxRates = 0x42;
constexpr uint8_t kSetDecimalPoint = 0x43;
constexpr uint8_t kSetPaymentName = 0x44;
constexpr uint8_t kSetParameters = 0x45;
constexpr uint8_t kSetDepartment = 0x47;
constexpr uint8_t kSetDateTime = 0x48;
constexpr uint8_t kSetHeaderLine = 0x49;
constexpr uint8_t kSetOperator = 0x4A;
constexpr uint8_t kSetArticle = 0x4B;
constexpr uint8_t kLoadLogo = 0x4C;
constexpr uint8_t kSetInvoiceRange = 0x50;
constexpr uint8_t kReadFactoryNumbers = 0x60;
constexpr uint8_t kReadTaxNumber = 0x61;
constexpr uint8_t kReadTaxRates = 0x62;
constexpr uint8_t kReadDecimalPoint = 0x63;
constexpr uint8_t kReadPaymentNames = 0x64;
constexpr uint8_t kReadParameters = 0x65;
constexpr uint8_t kReadDepartment = 0x67;
constexpr uint8_t kReadDateTime = 0x68;
constexpr uint8_t kReadHeaderLine = 0x69;  // line "7" is the tax number line
constexpr uint8_t kReadOperator = 0x6A;
constexpr uint8_t kReadArticle = 0x6B;
constexpr uint8_t kPrintLogo = 0x6C;
constexpr uint8_t kReadInvoiceRange = 0x70;

// --- Report data ----------------------------------------------------------------
constexpr uint8_t kDailyTaxTotals = 0x6D;
constexpr uint8_t kDailyData = 0x6E;     // the kind of data is the first field
constexpr uint8_t kOperatorData = 0x6F;  // likewise; "6" the returned sums
constexpr uint8_t kLastFMRecord = 0x73;
constexpr uint8_t kFreeFMRecords = 0x74;

// --- Reports --------------------------------------------------------------------
constexpr uint8_t kDownloadFM = 0x75;
constexpr uint8_t kSpecialFMReport = 0x77;
constexpr uint8_t kDetailedFMReportByBlocks = 0x78;
constexpr uint8_t kShortFMReportByBlocks = 0x79;
constexpr uint8_t kDetailedFMReportByDates = 0x7A;
constexpr uint8_t kShortFMReportByDates = 0x7B;
constexpr uint8_t kDailyReport = 0x7C;  // "X"/"Z"; "E" the electronic journal report
constexpr uint8_t kOperatorReport = 0x7D;
constexpr uint8_t kArticleReport = 0x7E;
constexpr uint8_t kExtendedDailyReport = 0x7F;

}  // namespace Cmd
