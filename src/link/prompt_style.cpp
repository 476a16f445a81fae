#include "link/prompt_style.h"

#include <algorithm>

PromptStyle PromptStyle::Decode(unsigned style) {
  PromptStyle s;
  switch (style & 0x0F) {
    case Prompt::kOkCancel:
      s.buttons = {{"OK", Prompt::kResultOk}, {"Отказ", Prompt::kResultCancel}};
      break;
    case Prompt::kAbortRetryContinue:
      s.buttons = {{"Отказ", Prompt::kResultAbort},
                   {"Повтори", Prompt::kResultRetry},
                   {"Продължи", Prompt::kResultContinue}};
      break;
    case Prompt::kYesNoCancel:
      s.buttons = {
          {"Да", Prompt::kResultYes}, {"Не", Prompt::kResultNo}, {"Отказ", Prompt::kResultCancel}};
      break;
    case Prompt::kYesNo:
      s.buttons = {{"Да", Prompt::kResultYes}, {"Не", Prompt::kResultNo}};
      break;
    case Prompt::kRetryCancel:
      s.buttons = {{"Повтори", Prompt::kResultRetry}, {"Отказ", Prompt::kResultCancel}};
      break;
    case Prompt::kZeroCancel:
      s.buttons = {{"Нулиране", Prompt::kResultOk}, {"Отказ", Prompt::kResultCancel}};
      break;
    case Prompt::kSetClockCancel:
      s.buttons = {{"Сверяване", Prompt::kResultOk}, {"Отказ", Prompt::kResultCancel}};
      break;
    case Prompt::kCloseCancel:
      s.buttons = {{"Затваряне", Prompt::kResultOk}, {"Отказ", Prompt::kResultCancel}};
      break;
    case Prompt::kFeedOkCancel:
      s.buttons = {{"Изтикване", Prompt::kResultFeed},
                   {"OK", Prompt::kResultOk},
                   {"Отказ", Prompt::kResultCancel}};
      break;
    case Prompt::kFinishCancel:
    case Prompt::kFinishCancelB:
      s.buttons = {{"Приключване", Prompt::kResultOk}, {"Отказ", Prompt::kResultCancel}};
      break;
    case Prompt::kContinueCancel:
      s.buttons = {{"Продължи", Prompt::kResultContinue}, {"Отказ", Prompt::kResultCancel}};
      break;
    case Prompt::kSetClockContinueCancel:
      s.buttons = {{"Сверяване", Prompt::kResultOk},
                   {"Продължи", Prompt::kResultContinue},
                   {"Отказ", Prompt::kResultCancel}};
      break;
    default:
      s.buttons = {{"OK", Prompt::kResultOk}};
      break;  // 0, 14, 15
  }
  switch (style & 0xF0) {
    case Prompt::kIconStop:
      s.icon = PromptIcon::kStop;
      s.beep = 0x10;
      break;
    case Prompt::kIconQuestion:
      s.icon = PromptIcon::kQuestion;
      s.beep = 0x20;
      break;
    case Prompt::kIconExclamation:
      s.icon = PromptIcon::kExclamation;
      s.beep = 0x30;
      break;
    default:
      s.icon = PromptIcon::kApplication;
      s.beep = 0;
      break;
  }
  const int n = static_cast<int>(s.buttons.size());
  switch (style & 0xF00) {
    case Prompt::kDefaultSecond:
      s.defaultButton = n >= 2 ? 1 : -1;
      s.focusDefault = n >= 2;
      break;
    case Prompt::kDefaultThird:
      s.defaultButton = n >= 3 ? 2 : -1;
      break;
    case Prompt::kDefaultFourth:
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
