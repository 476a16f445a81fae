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
enum class PromptIcon { Application, Stop, Question, Exclamation };

struct PromptButton {
  std::string caption;  // UTF-8
  int result;
};

struct PromptStyle {
  std::vector<PromptButton> buttons;  // left to right, 1..3 buttons
  PromptIcon icon = PromptIcon::Application;
  unsigned beep = 0;          // value for the platform beep: 0x10, 0x20, 0x30 or 0
  int defaultButton = 0;      // index into buttons, or -1 for none
  bool focusDefault = false;  // the second button also takes the focus

  static PromptStyle Decode(unsigned style);
};

constexpr int kPromptClosedResult = 2;

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
