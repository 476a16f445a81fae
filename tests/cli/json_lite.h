#pragma once

#include <cctype>
#include <cstdlib>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// A small strict JSON reader for checking fiscal-cli's output in tests. Parse
// returns nothing for anything that is not exactly one JSON value.
struct Json {
  enum class Type { kNull, kBool, kNumber, kString, kArray, kObject } type = Type::kNull;
  bool boolean = false;
  double number = 0;
  std::string string;
  std::vector<Json> array;
  std::map<std::string, Json> object;

  const Json& operator[](const std::string& key) const {
    static const Json missing;
    const auto it = object.find(key);
    return it == object.end() ? missing : it->second;
  }
  bool Has(const std::string& key) const { return object.count(key) != 0; }

  static std::optional<Json> Parse(const std::string& text) {
    size_t pos = 0;
    Json v;
    if (!Value(text, pos, v, 0)) return std::nullopt;
    Space(text, pos);
    if (pos != text.size()) return std::nullopt;
    return v;
  }

 private:
  static void Space(const std::string& s, size_t& p) {
    while (p < s.size() && (s[p] == ' ' || s[p] == '\t' || s[p] == '\n' || s[p] == '\r')) ++p;
  }
  static bool Literal(const std::string& s, size_t& p, const char* word) {
    const std::string w(word);
    if (s.compare(p, w.size(), w) != 0) return false;
    p += w.size();
    return true;
  }
  static bool String(const std::string& s, size_t& p, std::string& out) {
    if (p >= s.size() || s[p] != '"') return false;
    ++p;
    while (p < s.size() && s[p] != '"') {
      const auto c = static_cast<unsigned char>(s[p]);
      if (c < 0x20) return false;  // control characters must be escaped
      if (c != '\\') {
        out += s[p++];
        continue;
      }
      if (++p >= s.size()) return false;
      const char e = s[p++];
      switch (e) {
        case '"':
          out += '"';
          break;
        case '\\':
          out += '\\';
          break;
        case '/':
          out += '/';
          break;
        case 'n':
          out += '\n';
          break;
        case 'r':
          out += '\r';
          break;
        case 't':
          out += '\t';
          break;
        case 'b':
          out += '\b';
          break;
        case 'f':
          out += '\f';
          break;
        case 'u': {
          if (p + 4 > s.size()) return false;
          const long cp = std::strtol(s.substr(p, 4).c_str(), nullptr, 16);
          p += 4;
          if (cp >= 0x80) return false;  // the tool writes only ASCII escapes
          out += static_cast<char>(cp);
          break;
        }
        default:
          return false;
      }
    }
    if (p >= s.size()) return false;
    ++p;
    return true;
  }
  static bool Value(const std::string& s, size_t& p, Json& v, int depth) {
    if (depth > 32) return false;
    Space(s, p);
    if (p >= s.size()) return false;
    const char c = s[p];
    if (c == 'n') return Literal(s, p, "null");
    if (c == 't') {
      v.type = Type::kBool;
      v.boolean = true;
      return Literal(s, p, "true");
    }
    if (c == 'f') {
      v.type = Type::kBool;
      return Literal(s, p, "false");
    }
    if (c == '"') {
      v.type = Type::kString;
      return String(s, p, v.string);
    }
    if (c == '[') {
      v.type = Type::kArray;
      ++p;
      Space(s, p);
      if (p < s.size() && s[p] == ']') return ++p, true;
      for (;;) {
        Json item;
        if (!Value(s, p, item, depth + 1)) return false;
        v.array.push_back(std::move(item));
        Space(s, p);
        if (p < s.size() && s[p] == ',') {
          ++p;
          continue;
        }
        if (p < s.size() && s[p] == ']') return ++p, true;
        return false;
      }
    }
    if (c == '{') {
      v.type = Type::kObject;
      ++p;
      Space(s, p);
      if (p < s.size() && s[p] == '}') return ++p, true;
      for (;;) {
        Space(s, p);
        std::string key;
        if (!String(s, p, key)) return false;
        Space(s, p);
        if (p >= s.size() || s[p] != ':') return false;
        ++p;
        Json item;
        if (!Value(s, p, item, depth + 1)) return false;
        if (!v.object.emplace(key, std::move(item)).second) return false;  // duplicate key
        Space(s, p);
        if (p < s.size() && s[p] == ',') {
          ++p;
          continue;
        }
        if (p < s.size() && s[p] == '}') return ++p, true;
        return false;
      }
    }
    // A number: JSON's grammar, checked loosely, converted with strtod.
    const size_t start = p;
    if (s[p] == '-') ++p;
    while (p < s.size() && (std::isdigit(static_cast<unsigned char>(s[p])) || s[p] == '.' ||
                            s[p] == 'e' || s[p] == 'E' || s[p] == '+' || s[p] == '-')) {
      ++p;
    }
    if (p == start) return false;
    char* end = nullptr;
    const std::string text = s.substr(start, p - start);
    v.type = Type::kNumber;
    v.number = std::strtod(text.c_str(), &end);
    return end == text.c_str() + text.size();
  }
};
