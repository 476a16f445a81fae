#pragma once

#include <string>
#include <vector>

// The style word of the system's prompt dialog, patterned on message-box flags:
//   bits 0-3  button set (table in prompt_style.cpp)
//   bits 4-7  icon: 0x10 stop, 0x20 question, 0x30 exclamation, else the
//             application icon; the same value is the beep kind (0 for the
//             application icon)
//   bits 8-11 default button: 0x100 second, 0x200 third, 0x300 fourth (only if
//             that many buttons exist, else none); anything else the first
// Closing the dialog by its close box returns 2.
enum class PromptIcon { kApplication, kStop, kQuestion, kExclamation };

// The names of the style word's parts and of the button results. A style is
// one button set | one icon | at most one default, e.g.
//   Prompt::kIconExclamation | Prompt::kYesNo | Prompt::kDefaultSecond
// and a prompt's answer is compared with the results below.
namespace Prompt {

// Parts of the style word (bits 0-3 buttons, 4-7 icon, 8-11 default button).
enum Style : unsigned {
  kOk = 0x0,                      // "OK"
  kOkCancel = 0x1,                // "OK" / "Отказ"
  kAbortRetryContinue = 0x2,      // "Отказ" / "Повтори" / "Продължи"
  kYesNoCancel = 0x3,             // "Да" / "Не" / "Отказ"
  kYesNo = 0x4,                   // "Да" / "Не"
  kRetryCancel = 0x5,             // "Повтори" / "Отказ"
  kZeroCancel = 0x6,              // "Нулиране" / "Отказ"
  kSetClockCancel = 0x7,          // "Сверяване" / "Отказ"
  kCloseCancel = 0x8,             // "Затваряне" / "Отказ"
  kFeedOkCancel = 0x9,            // "Изтикване" / "OK" / "Отказ"
  kFinishCancel = 0xA,            // "Приключване" / "Отказ"
  kFinishCancelB = 0xB,           // the same buttons under a second number
  kContinueCancel = 0xC,          // "Продължи" / "Отказ"
  kSetClockContinueCancel = 0xD,  // "Сверяване" / "Продължи" / "Отказ"
  kIconStop = 0x10,
  kIconQuestion = 0x20,
  kIconExclamation = 0x30,
  kDefaultSecond = 0x100,
  kDefaultThird = 0x200,
  kDefaultFourth = 0x300,
};

// The result of each button (the close box answers kCancel).
enum Result : int {
  kResultOk = 1,  // "OK", and the action buttons: "Нулиране", "Сверяване", "Затваряне",
                  // "Приключване"
  kResultCancel = 2,    // "Отказ" (and the close box)
  kResultAbort = 3,     // "Отказ" of kAbortRetryContinue
  kResultRetry = 4,     // "Повтори"
  kResultContinue = 5,  // "Продължи"
  kResultYes = 6,       // "Да"
  kResultNo = 7,        // "Не"
  kResultFeed = 10,     // "Изтикване"
};

}  // namespace Prompt

struct PromptButton {
  std::string caption;  // UTF-8
  int result;
};

struct PromptStyle {
  std::vector<PromptButton> buttons;  // left to right, 1..3 buttons
  PromptIcon icon = PromptIcon::kApplication;
  unsigned beep = 0;          // value for the platform beep: 0x10, 0x20, 0x30 or 0
  int defaultButton = 0;      // index into buttons, or -1 for none
  bool focusDefault = false;  // the second button also takes the focus

  static PromptStyle Decode(unsigned style);
};

constexpr int kPromptClosedResult = Prompt::kResultCancel;

// Pixel layout of the prompt dialog, from the icon, button and text sizes.
struct PromptLayoutInput {
  int iconW, iconH;      // icon field
  int buttonW, buttonH;  // one button
  int textW, textH;      // measured text: widest line; lines x (char height + leading)
  int buttons;           // number of buttons shown
};

struct PromptRect {
  int x, y, w, h;
};

struct PromptLayout {
  int clientW, clientH;
  PromptRect icon;
  PromptRect text;
  std::vector<PromptRect> buttons;
};

PromptLayout LayoutPrompt(const PromptLayoutInput& in);

// Splits a prompt text at each '\n' (the lines that are measured).
std::vector<std::string> SplitPromptLines(const std::string& text);
