#include "link/prompt_style.h"

#include <gtest/gtest.h>

namespace {

std::string Captions(const PromptStyle& s) {
  std::string out;
  for (const auto& b : s.buttons) out += b.caption + "=" + std::to_string(b.result) + " ";
  return out;
}

TEST(PromptStyle, ButtonSets) {
  const std::pair<unsigned, std::string> rows[] = {
      {0, "OK=1 "},
      {1, "OK=1 Отказ=2 "},
      {2, "Отказ=3 Повтори=4 Продължи=5 "},
      {3, "Да=6 Не=7 Отказ=2 "},
      {4, "Да=6 Не=7 "},
      {5, "Повтори=4 Отказ=2 "},
      {6, "Нулиране=1 Отказ=2 "},
      {7, "Сверяване=1 Отказ=2 "},
      {8, "Затваряне=1 Отказ=2 "},
      {9, "Изтикване=10 OK=1 Отказ=2 "},
      {10, "Приключване=1 Отказ=2 "},
      {11, "Приключване=1 Отказ=2 "},
      {12, "Продължи=5 Отказ=2 "},
      {13, "Сверяване=1 Продължи=5 Отказ=2 "},
      {14, "OK=1 "},
      {15, "OK=1 "},
  };
  for (const auto& [style, expected] : rows)
    EXPECT_EQ(Captions(PromptStyle::Decode(style)), expected) << style;
}

TEST(PromptStyle, IconsAndBeeps) {
  const std::tuple<unsigned, PromptIcon, unsigned> rows[] = {
      {0x15, PromptIcon::kStop, 0x10},        {0x24, PromptIcon::kQuestion, 0x20},
      {0x32, PromptIcon::kExclamation, 0x30}, {0x05, PromptIcon::kApplication, 0},
      {0x45, PromptIcon::kApplication, 0},    {0xF5, PromptIcon::kApplication, 0},
  };
  for (const auto& [style, icon, beep] : rows) {
    const auto s = PromptStyle::Decode(style);
    EXPECT_EQ(s.icon, icon) << style;
    EXPECT_EQ(s.beep, beep) << style;
  }
}

TEST(PromptStyle, DefaultButton) {
  // 0x15: "Повтори" left of "Отказ", and the default.
  auto s = PromptStyle::Decode(0x15);
  EXPECT_EQ(s.buttons[0].caption, "Повтори");
  EXPECT_EQ(s.defaultButton, 0);
  // 0x112: the second of three buttons, with the focus.
  s = PromptStyle::Decode(0x112);
  EXPECT_EQ(s.defaultButton, 1);
  EXPECT_TRUE(s.focusDefault);
  EXPECT_EQ(s.buttons[1].caption, "Повтори");
  // 0x215: the third button, but only two are shown: no default.
  EXPECT_EQ(PromptStyle::Decode(0x215).defaultButton, -1);
  // 0x134: "Не" is the default.
  EXPECT_EQ(PromptStyle::Decode(0x134).buttons[PromptStyle::Decode(0x134).defaultButton].caption,
            "Не");
  // 0x300 with three buttons: there is no fourth.
  EXPECT_EQ(PromptStyle::Decode(0x313).defaultButton, -1);
  EXPECT_EQ(PromptStyle::Decode(0x213).defaultButton, 2);
  EXPECT_EQ(PromptStyle::Decode(0x413).defaultButton, 0);
}

TEST(PromptLayout, ThreeLineTextSetsTheHeight) {
  // Icon 32x32, buttons 75x23, three lines of 16 px.
  const auto l = LayoutPrompt({32, 32, 75, 23, 200, 48, 2});
  EXPECT_EQ(l.text.h, 48);
  EXPECT_EQ(l.clientH, 48 + 23 + 45);
  EXPECT_EQ(l.clientW, 32 + 200 + 11 + 30);
  EXPECT_EQ(l.text.x, 32 + 26);
  EXPECT_EQ(l.text.y, 15);
  EXPECT_EQ(l.text.w, l.clientW - 32 - 41);
  EXPECT_EQ(l.icon.x, 15);
  EXPECT_EQ(l.icon.y, 15);
  ASSERT_EQ(l.buttons.size(), 2u);
  EXPECT_EQ(l.buttons[0].y, 48 + 30);
  EXPECT_EQ(l.buttons[1].x - l.buttons[0].x, 75 + 7);
}

TEST(PromptLayout, ShortTextWithThreeButtonsIsAsWideAsTheRow) {
  const auto l = LayoutPrompt({32, 32, 75, 23, 40, 16, 3});
  const int row = 3 * (75 + 7) - 7;
  EXPECT_EQ(l.clientW, row + 30);
  EXPECT_EQ(l.buttons[0].x, 15);  // centred: (W - row) / 2
  EXPECT_EQ(l.text.h, 32);        // the icon is taller than one line
  EXPECT_EQ(l.buttons[0].y, 32 + 30);
}

TEST(PromptLayout, SplitsLines) {
  EXPECT_EQ(SplitPromptLines("a\nbc\n").size(), 3u);
  EXPECT_EQ(SplitPromptLines("one").size(), 1u);
  EXPECT_EQ(SplitPromptLines("")[0], "");
}

}  // namespace
