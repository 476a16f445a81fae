#include "dialogs/cliche_lines.h"

#include <cctype>

const std::array<ClicheRow, 10> kClicheRows = {{
    {"Ред 1", 1, 0, 6},
    {"Ред 2", 2, 0, 6},
    {"Ред 3", 3, 0, 6},
    {"Ред 4", 4, 0, 6},
    {"Ред 5", 5, 0, 6},
    {"Ред 6", 6, 0, 6},
    {"Ред 7", 7, 0, 6},
    {"Рекл.Ред", 8, 0, 6},
    {"Име ЕИК", 9, 12, 2},
    {"Поздрав", 0, 20, 4},
}};

int ClicheRowLimit(const ClicheRow& row, int width) {
  return row.fixedWidth > 0 ? row.fixedWidth : width;
}

CharCounter ClicheCounter(const ClicheRow& row, int width, int length) {
  const int limit = ClicheRowLimit(row, width);
  return CountCharacters(limit, length, limit - row.redMargin);
}

std::string ClicheFieldText(const ClicheRow& row, const std::string& read) {
  if (row.fixedWidth == 0) return read;
  std::string text = read.substr(0, static_cast<size_t>(row.fixedWidth));
  auto blank = [](char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; };
  size_t first = 0, last = text.size();
  while (first < last && blank(text[first])) ++first;
  while (last > first && blank(text[last - 1])) --last;
  return text.substr(first, last - first);
}

int ClicheWidthForLine1(const HeaderLine& line1) {
  return line1.width == kClicheWideWidth ? kClicheWideWidth : kClicheNarrowWidth;
}
