#include "cli/output.h"

#include <charconv>
#include <cmath>

#include "cli/convert.h"
#include "driver/cp1251.h"
#include "driver/text.h"

namespace {

std::string ShortestNumber(double v) {
  char buf[64];
  const auto [end, ec] = std::to_chars(buf, buf + sizeof buf, v);
  if (ec != std::errc()) return "0";
  return std::string(buf, end);
}

// How a control character without a short escape is written.
enum class ControlEscape { kJson /* \u00NN */, kHex /* \xNN */ };

// Escapes '\\', '"', \n, \r and \t, and the other control characters as `style`
// says, so that the text stands between double quotes on one line.
std::string EscapeLine(const std::string& utf8, ControlEscape style) {
  std::string s;
  for (const char ch : utf8) {
    const auto c = static_cast<unsigned char>(ch);
    switch (c) {
      case '"':
        s += "\\\"";
        break;
      case '\\':
        s += "\\\\";
        break;
      case '\n':
        s += "\\n";
        break;
      case '\r':
        s += "\\r";
        break;
      case '\t':
        s += "\\t";
        break;
      default:
        if (c < 0x20 || c == 0x7F) {
          s += Sprintf(style == ControlEscape::kJson ? "\\u%04x" : "\\x%02x", c);
        } else {
          s += ch;
        }
    }
  }
  return s;
}

void AppendJson(std::string& s, const OutValue& v) {
  switch (v.kind) {
    case OutValue::Kind::kInteger:
      s += std::to_string(v.integer);
      break;
    case OutValue::Kind::kNumber:
      s += JsonNumber(v.number);
      break;
    case OutValue::Kind::kFlag:
      s += v.flag ? "true" : "false";
      break;
    case OutValue::Kind::kText:
      s += JsonString(v.text);
      break;
    case OutValue::Kind::kTime:
      s += JsonString(FormatCliTime(v.time));
      break;
    case OutValue::Kind::kList:
      s += '[';
      for (size_t i = 0; i < v.items.size(); ++i) {
        if (i) s += ',';
        AppendJson(s, v.items[i]);
      }
      s += ']';
      break;
    case OutValue::Kind::kRecord:
      s += '{';
      for (size_t i = 0; i < v.members.size(); ++i) {
        if (i) s += ',';
        s += JsonString(v.members[i].first);
        s += ':';
        AppendJson(s, v.members[i].second);
      }
      s += '}';
      break;
  }
}

// A list of 32 flags reads best as the numbers of the flags that are set.
bool IsFlagList(const OutValue& v) {
  if (v.kind != OutValue::Kind::kList || v.items.empty()) return false;
  for (const auto& i : v.items) {
    if (i.kind != OutValue::Kind::kFlag) return false;
  }
  return true;
}

void AppendReadable(std::string& s, const OutValue& v) {
  switch (v.kind) {
    case OutValue::Kind::kInteger:
      s += std::to_string(v.integer);
      break;
    case OutValue::Kind::kNumber:
      s += ShortestNumber(v.number);
      break;
    case OutValue::Kind::kFlag:
      s += v.flag ? '1' : '0';
      break;
    case OutValue::Kind::kText:
      s += '"' + QuoteLine(v.text) + '"';
      break;
    case OutValue::Kind::kTime:
      s += FormatCliTime(v.time);
      break;
    case OutValue::Kind::kList:
      if (IsFlagList(v)) {
        s += "set:[";
        bool first = true;
        for (size_t i = 0; i < v.items.size(); ++i) {
          if (!v.items[i].flag) continue;
          if (!first) s += ',';
          first = false;
          s += std::to_string(i);
        }
        s += ']';
        break;
      }
      s += '[';
      for (size_t i = 0; i < v.items.size(); ++i) {
        if (i) s += ", ";
        AppendReadable(s, v.items[i]);
      }
      s += ']';
      break;
    case OutValue::Kind::kRecord:
      s += '{';
      for (size_t i = 0; i < v.members.size(); ++i) {
        if (i) s += ", ";
        s += v.members[i].first + '=';
        AppendReadable(s, v.members[i].second);
      }
      s += '}';
      break;
  }
}

}  // namespace

std::string JsonNumber(double v) {
  if (!std::isfinite(v)) return "null";
  return ShortestNumber(v);
}

std::string JsonString(const std::string& utf8) {
  return '"' + EscapeLine(utf8, ControlEscape::kJson) + '"';
}

std::string QuoteLine(const std::string& utf8) {
  return EscapeLine(utf8, ControlEscape::kHex);
}

static std::string HexBytes(const std::string& bytes) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char b : bytes) {
    if (!out.empty()) out += ' ';
    out += kDigits[b >> 4];
    out += kDigits[b & 0x0F];
  }
  return out;
}

std::string FormatReadable(const std::string& method, const std::string& result,
                           const std::vector<OutField>& fields, const CallOutcome* outcome) {
  const bool done = outcome == nullptr || outcome->Done();
  if (result.empty() && done) return method + " failed";
  if (result.empty()) {
    std::string s = method + " failed (" + CallEndWord(outcome->end) + ")";
    // A message the user saw (a prompt line) is not repeated.
    if (!outcome->userTold && !outcome->message.empty()) s += ": " + QuoteLine(outcome->message);
    return s;
  }
  // The status reply is five or six bit fields, not text: a person reads it in
  // hexadecimal (the decoded flags follow).
  const std::string shown = method == "ReadStatus" ? HexBytes(result) : Cp1251ToUtf8(result);
  std::string s = method + " result=\"" + QuoteLine(shown) + '"';
  for (const auto& [name, value] : fields) {
    s += ' ' + name + '=';
    AppendReadable(s, value);
  }
  if (!done) {
    s += std::string(" end=") + CallEndWord(outcome->end);
    if (!outcome->message.empty()) s += " message=\"" + QuoteLine(outcome->message) + '"';
  }
  return s;
}

std::string FormatJson(const std::string& method, const std::string& result,
                       const std::vector<OutField>& fields, const CallOutcome* outcome) {
  const bool done = outcome == nullptr || outcome->Done();
  std::string s = "{\"method\":" + JsonString(method);
  s += ",\"ok\":";
  s += result.empty() || !done ? "false" : "true";
  s += ",\"result\":" + JsonString(Cp1251ToUtf8(result));
  if (!done) {
    s += std::string(",\"end\":\"") + CallEndWord(outcome->end) + '"';
    if (!outcome->message.empty()) s += ",\"message\":" + JsonString(outcome->message);
  }
  for (const auto& [name, value] : fields) {
    s += ',' + JsonString(name) + ':';
    AppendJson(s, value);
  }
  return s + '}';
}
