#include "link/prompt_style.h"

#include <algorithm>

PromptStyle PromptStyle::Decode(unsigned style) {
  PromptStyle s;
  switch (style & 0x0F) {
    case 1:
      s.buttons = {{"OK", 1}, {"Отказ", 2}};
      break;
    case 2:
      s.buttons = {{"Отказ", 3}, {"Повтори", 4}, {"Продължи", 5}};
      break;
    case 3:
      s.buttons = {{"Да", 6}, {"Не", 7}, {"Отказ", 2}};
      break;
    case 4:
      s.buttons = {{"Да", 6}, {"Не", 7}};
      break;
    case 5:
      s.buttons = {{"Повтори", 4}, {"Отказ", 2}};
      break;
    case 6:
      s.buttons = {{"Нулиране", 1}, {"Отказ", 2}};
      break;
    case 7:
      s.buttons = {{"Сверяване", 1}, {"Отказ", 2}};
      break;
    case 8:
      s.buttons = {{"Затваряне", 1}, {"Отказ", 2}};
      break;
    case 9:
      s.buttons = {{"Изтикване", 10}, {"OK", 1}, {"Отказ", 2}};
      break;
    case 10:
    case 11:
      s.buttons = {{"Приключване", 1}, {"Отказ", 2}};
      break;
    case 12:
      s.buttons = {{"Продължи", 5}, {"Отказ", 2}};
      break;
    case 13:
      s.buttons = {{"Сверяване", 1}, {"Продължи", 5}, {"Отказ", 2}};
      break;
    default:
      s.buttons = {{"OK", 1}};
      break;  // 0, 14, 15
  }
  switch (style & 0xF0) {
    case 0x10:
      s.icon = PromptIcon::Stop;
      s.beep = 0x10;
      break;
    case 0x20:
      s.icon = PromptIcon::Question;
      s.beep = 0x20;
      break;
    case 0x30:
      s.icon = PromptIcon::Exclamation;
      s.beep = 0x30;
      break;
    default:
      s.icon = PromptIcon::Application;
      s.beep = 0;
      break;
  }
  const int n = static_cast<int>(s.buttons.size());
  switch (style & 0xF00) {
    case 0x100:
      s.defaultButton = n >= 2 ? 1 : -1;
      s.focusDefault = n >= 2;
      break;
    case 0x200:
      s.defaultButton = n >= 3 ? 2 : -1;
      break;
    case 0x300:
      s.defaultButton = n >= 4 ? 3 : -1;
      break;
    default:
      s.defaultButton = 0;
      break;
  }
  return s;
}

PromptLayout LayoutPrompt(const PromptLayoutInput& in) {
  PromptLayout l;
  const int n = std::max(in.buttons, 0);
  const int row = n > 0 ? n * (in.buttonW + 7) - 7 : 0;
  const int body = std::max(in.textH, in.iconH);
  l.clientW = std::max(in.iconW + in.textW + 11, row) + 30;
  l.clientH = body + in.buttonH + 45;
  l.icon = {15, 15, in.iconW, in.iconH};
  l.text = {in.iconW + 26, 15, l.clientW - in.iconW - 41, body};
  int x = (l.clientW - row) / 2;
  const int y = body + 30;
  for (int i = 0; i < n; ++i) {
    l.buttons.push_back({x, y, in.buttonW, in.buttonH});
    x += in.buttonW + 7;
  }
  return l;
}

std::vector<std::string> SplitPromptLines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (true) {
    const size_t nl = text.find('\n', start);
    if (nl == std::string::npos) {
      lines.push_back(text.substr(start));
      break;
    }
    lines.push_back(text.substr(start, nl - start));
    start = nl + 1;
  }
  return lines;
}
