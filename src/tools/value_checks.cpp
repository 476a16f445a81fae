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
constexpr double kExchangeScale = 100000.0;  // five decimals
constexpr double kExchangeTolerance = 1e-7;

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

std::string StoredText(const std::string& cp1251) {
  const size_t end = cp1251.find_last_not_of(' ');
  return end == std::string::npos ? std::string() : cp1251.substr(0, end + 1);
}

bool BlankText(const std::string& cp1251) {
  return StoredText(cp1251).empty();
}

bool ExactExchangeRate(double rate) {
  if (!std::isfinite(rate) || rate < 0) return false;
  const double scaled = rate * kExchangeScale;
  return std::fabs(scaled - std::round(scaled)) <= kExchangeTolerance * std::max(1.0, scaled);
}

bool IsUtf8(const std::string& s) {
  for (size_t i = 0; i < s.size();) {
    const auto c = static_cast<unsigned char>(s[i]);
    const size_t n = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
    if (n == 0 || i + n > s.size()) return false;
    for (size_t k = 1; k < n; ++k)
      if ((static_cast<unsigned char>(s[i + k]) >> 6) != 2) return false;
    i += n;
  }
  return true;
}

bool LatinLookalike(const std::string& utf8) {
  return utf8.size() == 1 && std::string("ABEabe").find(utf8[0]) != std::string::npos;
}

std::string ForeignEncoding(const std::string& bytes) {
  const bool bom16 = bytes.rfind("\xFF\xFE", 0) == 0 || bytes.rfind("\xFE\xFF", 0) == 0;
  if (bom16 || bytes.find('\0') != std::string::npos) return "UTF-16";
  return IsUtf8(bytes) ? "" : "Windows-1251";
}
