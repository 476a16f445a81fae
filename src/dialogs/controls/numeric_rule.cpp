#include "dialogs/controls/numeric_rule.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <cmath>
#include <string>

namespace {

bool IsSpace(wchar_t c) {
  return c == L' ' || c == L'\t' || c == L'\n' || c == L'\v' || c == L'\f' || c == L'\r';
}

bool IsDigit(wchar_t c) {
  return c >= L'0' && c <= L'9';
}

// The ASCII prefix of `text` from `from` on, as narrow characters (a number has
// no other characters).
std::string AsciiPrefix(const std::wstring& text, size_t from) {
  std::string out;
  for (size_t i = from; i < text.size() && text[i] > 0 && text[i] < 0x80; ++i) {
    out.push_back(static_cast<char>(text[i]));
  }
  return out;
}

std::wstring Splice(const NumericRule::EditState& s, const std::wstring& insert) {
  const long size = static_cast<long>(s.text.size());
  const long from = std::clamp(std::min(s.selStart, s.selEnd), 0L, size);
  const long to = std::clamp(std::max(s.selStart, s.selEnd), 0L, size);
  return s.text.substr(0, from) + insert + s.text.substr(to);
}

// The number at the front of `text`, if the text starts with one.
std::optional<double> LeadingNumber(const std::wstring& text) {
  size_t consumed = 0;
  const double value = NumericRule::LeadingDouble(text, &consumed);
  if (consumed == 0) return std::nullopt;
  return value;
}

// Whether the leading integer of `text` has any digits (a lone sign has none).
bool HasLeadingDigits(const std::wstring& text) {
  size_t i = 0;
  while (i < text.size() && IsSpace(text[i])) ++i;
  if (i < text.size() && (text[i] == L'+' || text[i] == L'-')) ++i;
  return i < text.size() && IsDigit(text[i]);
}

std::string Narrow(const std::wstring& ascii) {
  return std::string(ascii.begin(), ascii.end());
}

long SelectionFrom(const NumericRule::EditState& s) {
  return std::clamp(std::min(s.selStart, s.selEnd), 0L, static_cast<long>(s.text.size()));
}

}  // namespace

std::optional<std::wstring> NumericRule::ConfigureDecimal(double minimum, double maximum,
                                                          int decimals, int maxLength,
                                                          double defaultValue) {
  decimalMode_ = true;
  SetDecimalRange(minimum, maximum);
  SetDecimals(decimals);
  SetMaxLength(maxLength);
  decimalDefault_ = defaultValue;
  return DecimalText(defaultValue);
}

std::optional<std::wstring> NumericRule::ConfigureInteger(int minimum, int maximum, int maxLength,
                                                          int defaultValue) {
  decimalMode_ = false;
  SetIntegerRange(minimum, maximum);
  SetMaxLength(maxLength);
  integerDefault_ = defaultValue;
  return IntegerText(defaultValue);
}

void NumericRule::SetDecimalRange(double minimum, double maximum) {
  if (!decimalMode_) return;
  decimalMinimum_ = minimum < -kDecimalLimit ? -kDecimalLimit : minimum;
  decimalMaximum_ = maximum > kDecimalLimit ? kDecimalLimit : maximum;
}

void NumericRule::SetIntegerRange(int minimum, int maximum) {
  integerMinimum_ = minimum;
  integerMaximum_ = maximum;
}

void NumericRule::SetDecimals(int n) {
  if (!decimalMode_) return;
  decimals_ = (n < 0 || n > kMaxDecimals) ? kMaxDecimals : n;
}

void NumericRule::SetMaxLength(int n) {
  const int cap = decimalMode_ ? 15 : 10;
  maxLength_ = n > cap ? cap : n;
}

std::optional<std::wstring> NumericRule::DecimalText(double v) const {
  if (!decimalMode_ || !(decimalMinimum_ <= v && v <= decimalMaximum_)) return std::nullopt;
  return FormatFixed(v, decimals_);
}

std::optional<std::wstring> NumericRule::IntegerText(int v) const {
  if (v < integerMinimum_ || v > integerMaximum_) return std::nullopt;
  return std::to_wstring(v);
}

std::wstring NumericRule::Normalised(std::wstring text) const {
  if (decimalMode_) std::replace(text.begin(), text.end(), L',', L'.');
  return text;
}

bool NumericRule::IsAcceptable(const std::wstring& original) const {
  const std::wstring text = Normalised(original);
  if (static_cast<long>(text.size()) > maxLength_) return false;
  // An integer field takes no decimal separator anywhere, not even after the
  // digit that settles its value: "12.5" must not quietly become 12.
  if (!decimalMode_ && text.find_first_of(L".,") != std::wstring::npos) return false;

  bool point = false;
  int decimalsSeen = 0;
  bool scanLeftEarly = false;
  for (size_t i = 0; i < text.size() && !scanLeftEarly; ++i) {
    const wchar_t c = text[i];
    if (c == L'-') {
      if (i != 0) return false;
    } else if (c == L'.') {
      if (!decimalMode_ || point) return false;
      point = true;
    } else if (IsDigit(c)) {
      if (decimalMode_) {
        if (point && ++decimalsSeen > decimals_) return false;
      } else if (c != L'0') {
        // A non-zero digit settles an integer: what follows is not looked at.
        scanLeftEarly = true;
      }
    } else {
      return false;
    }
  }
  if (!decimalMode_ && !text.empty() && !scanLeftEarly) return true;  // '0', '-', '-00'

  if (decimalMode_) return LeadingDouble(text) <= decimalMaximum_;
  const int value = LeadingInteger(text);
  return value != 0 && value <= integerMaximum_;
}

std::optional<NumericRule::EditResult> NumericRule::TypeChar(const EditState& state,
                                                             wchar_t ch) const {
  if (readOnly_) return std::nullopt;
  if (ch != L'-' && ch != L'.' && ch != L',' && !IsDigit(ch)) return std::nullopt;
  std::wstring candidate = Normalised(Splice(state, std::wstring(1, ch)));
  if (!IsAcceptable(candidate)) return std::nullopt;
  return EditResult{std::move(candidate), SelectionFrom(state) + 1};
}

std::optional<NumericRule::EditResult> NumericRule::Backspace(const EditState& state) const {
  if (readOnly_) return std::nullopt;
  const long size = static_cast<long>(state.text.size());
  const long from = SelectionFrom(state);
  const long to = std::clamp(std::max(state.selStart, state.selEnd), 0L, size);
  EditResult result;
  if (from == to) {
    if (from == 0) return std::nullopt;
    result.text = state.text.substr(0, from - 1) + state.text.substr(from);
    result.caret = from - 1;
  } else {
    result.text = state.text.substr(0, from) + state.text.substr(to);
    result.caret = from;
  }
  if (decimalMode_ && !IsAcceptable(result.text)) return std::nullopt;
  return result;
}

std::optional<NumericRule::EditResult> NumericRule::Paste(const EditState& state,
                                                          const std::wstring& clip) const {
  if (readOnly_ || clip.empty()) return std::nullopt;
  std::wstring candidate = Normalised(Splice(state, clip));
  if (!IsAcceptable(candidate)) return std::nullopt;
  return EditResult{std::move(candidate), SelectionFrom(state) + static_cast<long>(clip.size())};
}

bool NumericRule::IsDeletionOf(const std::wstring& before, const std::wstring& after) {
  if (after.size() >= before.size()) return false;
  size_t prefix = 0;
  while (prefix < after.size() && after[prefix] == before[prefix]) ++prefix;
  const size_t tail = after.size() - prefix;
  return before.compare(before.size() - tail, tail, after, prefix, tail) == 0;
}

std::optional<std::wstring> NumericRule::ForeignChange(const std::wstring& before,
                                                       const std::wstring& after) const {
  if (after == before) return after;
  if (readOnly_) return std::nullopt;
  if (IsDeletionOf(before, after) || IsAcceptable(after)) return Normalised(after);
  return std::nullopt;
}

std::optional<std::wstring> NumericRule::OnLeave(const std::wstring& text) const {
  std::wstring compact;
  for (wchar_t c : text) {
    if (c != L' ') compact.push_back(c);
  }
  if (decimalMode_) {
    const auto value = LeadingNumber(compact);
    if (!value || *value < decimalMinimum_) return FormatFixed(decimalDefault_, decimals_);
  } else if (!HasLeadingDigits(compact) || LeadingInteger(compact) < integerMinimum_) {
    return std::to_wstring(integerDefault_);
  }
  return std::nullopt;
}

std::optional<double> NumericRule::Reading(const std::wstring& text) const {
  if (decimalMode_) {
    size_t consumed = 0;
    const double value = LeadingDouble(text, &consumed);
    if (consumed == 0 || consumed != text.size()) return std::nullopt;
    if (value < decimalMinimum_ || value > decimalMaximum_) return std::nullopt;
    return value;
  }
  if (!HasLeadingDigits(text)) return std::nullopt;
  const int value = LeadingInteger(text);
  if (value < integerMinimum_ || value > integerMaximum_) return std::nullopt;
  return value;
}

std::string NumericRule::RangeText() const {
  if (decimalMode_) {
    return "число от " + Narrow(FormatFixed(decimalMinimum_, decimals_)) + " до " +
           Narrow(FormatFixed(decimalMaximum_, decimals_));
  }
  return "цяло число от " + std::to_string(integerMinimum_) + " до " +
         std::to_string(integerMaximum_);
}

std::string NumericRule::AcceptsText() const {
  std::string text = "Полето приема " + RangeText();
  if (decimalMode_ && decimals_ > 0) {
    text += ", до " + std::to_string(decimals_) + (decimals_ == 1 ? " цифра" : " цифри") +
            " след точката";
  } else if (decimalMode_) {
    text += " без десетична точка";
  }
  return text + ", до " + std::to_string(maxLength_) + " знака.";
}

std::string FieldValueMessage(const std::string& fieldName, const NumericRule& rule,
                              const std::string& frame) {
  const std::string where = frame.empty() ? "" : " в „" + frame + "“";
  return "Полето „" + fieldName + "“" + where + " трябва да съдържа " + rule.RangeText() + ".";
}

int NumericRule::LeadingInteger(const std::wstring& text) {
  size_t i = 0;
  while (i < text.size() && IsSpace(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == L'+' || text[i] == L'-')) negative = text[i++] == L'-';
  long long value = 0;
  for (; i < text.size() && IsDigit(text[i]); ++i) {
    value = value * 10 + (text[i] - L'0');
    if (value > static_cast<long long>(INT_MAX) + 1) value = static_cast<long long>(INT_MAX) + 1;
  }
  if (negative) value = -value;
  return static_cast<int>(std::clamp<long long>(value, INT_MIN, INT_MAX));
}

double NumericRule::LeadingDouble(const std::wstring& text, size_t* consumed) {
  size_t start = 0;
  while (start < text.size() && IsSpace(text[start])) ++start;
  const std::string ascii = AsciiPrefix(text, start);
  size_t at = 0;
  bool negative = false;
  if (!ascii.empty() && (ascii[0] == '+' || ascii[0] == '-')) {
    negative = ascii[0] == '-';
    at = 1;
  }
  double value = 0.0;
  const char* first = ascii.data() + at;
  const char* last = ascii.data() + ascii.size();
  if (first < last && *first != '+' && *first != '-') {
    const auto [ptr, ec] = std::from_chars(first, last, value, std::chars_format::general);
    if (ptr != first) {
      if (ec == std::errc::result_out_of_range) value = HUGE_VAL;
      if (consumed) *consumed = start + static_cast<size_t>(ptr - ascii.data());
      return negative ? -value : value;
    }
  }
  if (consumed) *consumed = 0;
  return 0.0;
}

double NumericRule::DecimalValueOf(const std::wstring& text) {
  if (text.empty()) return 0.0;
  size_t consumed = 0;
  const double value = LeadingDouble(text, &consumed);
  if (consumed == 0 || consumed != text.size()) return -1.0;
  return value;
}

std::wstring NumericRule::FormatFixed(double v, int decimals) {
  char buffer[400];
  const auto [ptr, ec] =
      std::to_chars(buffer, buffer + sizeof buffer, v, std::chars_format::fixed, decimals);
  if (ec != std::errc()) return L"";
  return std::wstring(buffer, ptr);
}
