#include "driver/cp1251_missing.h"

#include <algorithm>
#include <cstdio>

#include "driver/cp1251.h"

namespace {

constexpr const char* kReplacement = "\xEF\xBF\xBD";  // U+FFFD

// Length of the UTF-8 sequence that starts with `lead`; 0 for a byte that
// cannot start one.
size_t SequenceLength(unsigned char lead) {
  if (lead < 0x80) return 1;
  if ((lead & 0xE0) == 0xC0) return 2;
  if ((lead & 0xF0) == 0xE0) return 3;
  if ((lead & 0xF8) == 0xF0) return 4;
  return 0;
}

}  // namespace

std::vector<std::string> CharsWithoutCp1251(const std::string& utf8) {
  std::vector<std::string> missing;
  auto note = [&missing](const std::string& ch) {
    if (std::find(missing.begin(), missing.end(), ch) == missing.end()) missing.push_back(ch);
  };
  size_t i = 0;
  while (i < utf8.size()) {
    const size_t n = SequenceLength(static_cast<unsigned char>(utf8[i]));
    std::string ch = n == 0 || i + n > utf8.size() ? std::string() : utf8.substr(i, n);
    if (!ch.empty() && CodePointName(ch).empty()) ch.clear();  // a broken sequence
    // Not one valid character, or one without a byte: either way it would not
    // reach the printer as typed.
    if (ch.empty())
      note(kReplacement);
    else if (!Utf8ToCp1251(ch))
      note(ch);
    i += ch.empty() ? 1 : n;
  }
  return missing;
}

std::string CodePointName(const std::string& ch) {
  if (ch.empty()) return "";
  const size_t n = SequenceLength(static_cast<unsigned char>(ch[0]));
  if (n == 0 || n != ch.size()) return "";
  static constexpr unsigned char kLeadMask[] = {0, 0x7F, 0x1F, 0x0F, 0x07};
  unsigned long cp = static_cast<unsigned char>(ch[0]) & kLeadMask[n];
  for (size_t k = 1; k < n; ++k) {
    const auto b = static_cast<unsigned char>(ch[k]);
    if ((b & 0xC0) != 0x80) return "";
    cp = (cp << 6) | (b & 0x3F);
  }
  char buf[16];
  std::snprintf(buf, sizeof buf, "U+%04lX", cp);
  return buf;
}
