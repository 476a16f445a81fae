// Value limits and the checks both file readers and the pre-flight share.
#include "tools/value_checks.h"

#include <algorithm>
#include <cmath>

#include "driver/cp1251.h"
#include "driver/limits.h"
#include "driver/text.h"

namespace {

constexpr int kNameWidth = 20;
constexpr int kPasswordWidth = 4;
constexpr int kPaymentNameWidth = 10;
constexpr int kHeaderMaxWidth = 48;
constexpr long long kMaxPriceTwoDecimals = 99999999;  // 999999.99
constexpr long long kMaxPriceWhole = 9999999900;      // 99999999
constexpr int kMaxRate = 9999;                        // 99.99 %
constexpr double kMaxExchangeRate = 9999.99999;
constexpr double kCentsTolerance = 1e-6;
constexpr double kRelativeError = 1e-13;
constexpr unsigned char kFirstPrintable = 0x20;
constexpr unsigned char kDelete = 0x7F;

}  // namespace

int NameWidth() {
  return kNameWidth;
}
int PasswordWidth() {
  return kPasswordWidth;
}
int PaymentNameWidth() {
  return kPaymentNameWidth;
}
int HeaderMaxWidth() {
  return kHeaderMaxWidth;
}
long long MaxPriceCents(char decimalMode) {
  return decimalMode == '2' ? kMaxPriceTwoDecimals : kMaxPriceWhole;
}
int MaxRateHundredths() {
  return kMaxRate;
}
double MaxExchangeRate() {
  return kMaxExchangeRate;
}

std::optional<long long> ExactCents(double value) {
  if (!std::isfinite(value) || value < 0 || value > 1e12) return std::nullopt;
  const double scaled = value * 100.0;
  const double whole = std::round(scaled);
  // The error of the product only (0.29 * 100 is 28.999999999999996), far
  // below a tenth of a cent at any price the printer holds.
  if (std::fabs(scaled - whole) > kCentsTolerance + kRelativeError * scaled) return std::nullopt;
  return static_cast<long long>(whole);
}

bool FitsDecimalMode(long long cents, char decimalMode) {
  if (cents < 0 || cents > MaxPriceCents(decimalMode)) return false;
  return decimalMode != '0' || cents % 100 == 0;
}

std::string PriceText(long long cents, char decimalMode) {
  if (decimalMode == '0' && cents % 100 == 0) return std::to_string(cents / 100);
  return Sprintf("%lld.%02lld", cents / 100, cents % 100);
}

bool HasControlCharacter(const std::string& bytes) {
  for (char ch : bytes) {
    const auto c = static_cast<unsigned char>(ch);
    if (c < kFirstPrintable || c == kDelete) return true;
  }
  return false;
}

TextIssue CheckText(const std::string& utf8, int width, bool field, std::string& cp1251) {
  const auto bytes = Utf8ToCp1251(utf8);
  if (!bytes) return TextIssue::kNotPrintable;
  if (HasControlCharacter(*bytes)) return TextIssue::kControl;
  if (static_cast<int>(bytes->size()) > width) return TextIssue::kTooLong;
  if (field && bytes->find(';') != std::string::npos) return TextIssue::kSemicolon;
  cp1251 = *bytes;
  return TextIssue::kOk;
}
