#include "sim/money.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "sim/sim_text.h"

using namespace simtext;

std::optional<double> ParseNumber(const std::string& text) {
  if (text.empty() || text.size() > 40) return std::nullopt;
  for (char c : text)
    if (!(c == '-' || c == '+' || c == '.' || (c >= '0' && c <= '9'))) return std::nullopt;
  char* end = nullptr;
  const double v = std::strtod(text.c_str(), &end);
  if (end != text.c_str() + text.size() || !std::isfinite(v) || std::fabs(v) > 1e12)
    return std::nullopt;
  return v;
}

std::optional<Money> ParseMoney(const std::string& text, char decimals) {
  const auto v = ParseNumber(text);
  if (!v) return std::nullopt;
  if (decimals != '2') return static_cast<Money>(std::llround(*v)) * 100;
  return static_cast<Money>(std::llround(*v * 100.0));
}

std::string MoneyText(Money m, char decimals) {
  if (decimals != '2') return Sprintf("%lld", static_cast<long long>(RoundToMode(m, '0') / 100));
  const char* sign = m < 0 ? "-" : "";
  const long long a = std::llabs(m);
  return Sprintf("%s%lld.%02lld", sign, a / 100, a % 100);
}

std::string MoneyField(Money m, char decimals, int width) {
  if (decimals != '2')
    return Sprintf("%0*lld", width, static_cast<long long>(RoundToMode(m, '0') / 100));
  return Sprintf("%0*.2f", width, static_cast<double>(m) / 100.0);
}

std::string QuantityText(int64_t q) {
  const char* sign = q < 0 ? "-" : "";
  const long long a = std::llabs(q);
  return Sprintf("%s%lld.%03lld", sign, a / 1000, a % 1000);
}

std::string PercentText(int p) {
  const char* sign = p < 0 ? "-" : "";
  const int a = std::abs(p);
  return Sprintf("%s%d.%02d", sign, a / 100, a % 100);
}

static Money DivRound(__int128 num, __int128 den) {
  const bool neg = (num < 0) != (den < 0);
  if (num < 0) num = -num;
  if (den < 0) den = -den;
  const __int128 q = (num + den / 2) / den;
  return static_cast<Money>(neg ? -q : q);
}

Money RoundToMode(Money m, char decimals) {
  if (decimals == '2') return m;
  return DivRound(m, 100) * 100;
}

// One rounding straight to the mode's unit: rounding to hundredths first and
// then to whole units would turn 0.4995 into 1.
Money Scale(Money value, int64_t quantity, char decimals) {
  const __int128 p = static_cast<__int128>(value) * quantity;
  return decimals == '2' ? DivRound(p, 1000) : DivRound(p, 100000) * 100;
}

Money Percent(Money value, int percent, char decimals) {
  const __int128 p = static_cast<__int128>(value) * percent;
  return decimals == '2' ? DivRound(p, 10000) : DivRound(p, 1000000) * 100;
}

Money VatIn(Money sum, int rate, char decimals) {
  if (rate <= 0) return 0;
  const __int128 p = static_cast<__int128>(sum) * rate;
  const __int128 d = 10000 + rate;
  return decimals == '2' ? DivRound(p, d) : DivRound(p, d * 100) * 100;
}

Money ShareOf(Money value, Money part, Money whole, char decimals) {
  if (whole == 0) return 0;
  const __int128 p = static_cast<__int128>(value) * part;
  return decimals == '2' ? DivRound(p, whole)
                         : DivRound(p, static_cast<__int128>(whole) * 100) * 100;
}
