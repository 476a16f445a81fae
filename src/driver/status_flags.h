#pragma once

#include <cstdint>
#include <string>

#include "driver/records.h"

// Indices into StatusFlags (records.h) and the bits of the requirement word that
// FiscalPrinter::CheckStatus takes.
namespace Flag {
constexpr int kFMReadOnly = 0;
constexpr int kVoltageDrop = 1;
constexpr int kOverheated = 2;
constexpr int kClockNotSet = 3;
constexpr int kClockHardware = 4;
constexpr int kRamReset = 5;
constexpr int kClockIncorrect = 6;
constexpr int kNoPaper = 7;
constexpr int kReportOverflow = 8;
constexpr int kDailyNotZeroed = 9;
constexpr int kArticleNotZeroed = 10;
constexpr int kOperatorNotZeroed = 11;
constexpr int kDuplicatePending = 12;
constexpr int kServiceReceiptOpen = 13;
constexpr int kFiscalReceiptOpen = 14;
constexpr int kExtendedReceipt = 15;
constexpr int kVatInReceipt = 16;
constexpr int kInvoice = 17;
constexpr int kFMMissing = 18;
constexpr int kFMFaulty = 19;
constexpr int kFMFull = 20;
constexpr int kFMFewRecords = 21;
constexpr int kDecimals = 22;
constexpr int kFiscalized = 23;
constexpr int kFactoryNumbers = 24;
constexpr int kAutoCut = 25;
constexpr int kTransparentDisplay = 26;
constexpr int kBaudRate = 27;
constexpr int kAutoDrawer = 28;
constexpr int kLogo = 29;
constexpr int kJournalBit = 30;  // S4 bit 3 as it is; shown inverted ("Подробна ЕКЛ")
constexpr int kCurrency = 31;
}  // namespace Flag

namespace Require {
constexpr uint32_t kFiscalMemory = 0x1;
constexpr uint32_t kClock = 0x2;
constexpr uint32_t kPaper = 0x4;
constexpr uint32_t kNoOverflow = 0x8;
constexpr uint32_t kDailyZeroed = 0x10;
constexpr uint32_t kArticleZeroed = 0x20;
constexpr uint32_t kOperatorZeroed = 0x40;
constexpr uint32_t kDuplicatePending = 0x80;
constexpr uint32_t kNoOpenReceipt = 0x100;
constexpr uint32_t kFiscalized = 0x400;
constexpr uint32_t kFactoryNumbers = 0x800;
constexpr uint32_t kFMNotFull = 0x1000;
constexpr uint32_t kRamReset = 0x2000;
constexpr uint32_t kNoFactoryNumbers = 0x4000;
constexpr uint32_t kNotFiscalized = 0x8000;
constexpr uint32_t kServiceReceiptOpen = 0x10000;
constexpr uint32_t kFiscalReceiptOpen = 0x20000;
constexpr uint32_t kWarnFewRecords = 0x40000;
}  // namespace Require

// Byte (0..4) and bit of each flag in the status reply.
struct FlagPosition {
  int byte;
  int bit;
};
FlagPosition StatusFlagPosition(int flag);

// Decodes the first five bytes of a status reply into `flags`. Returns false and
// leaves `flags` untouched when the reply has fewer than five bytes.
bool DecodeStatus(const std::string& reply, StatusFlags& flags);
