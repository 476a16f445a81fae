// The prompt dialog and the windows' UI host, as real windows under Xvfb.
#include "dialogs/prompt_dialog.h"

#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/utils.h>

#include "dialogs/date_time_dialog.h"
#include "dialogs/gui_ui_host.h"
#include "gui_test_support.h"

namespace {

wxString U(const char* utf8) {
  return wxString::FromUTF8(utf8);
}

int RowWidth(const PromptDialog& d, int buttons) {
  return buttons * (d.Button(0)->GetSize().x + 7) - 7;
}

TEST(PromptDialogTest, RetryCancelWithStopIcon) {
  PromptDialog d(nullptr, U("Не може да бъде отворен COM 1"), U("Грешка"), 0x15, 1);
  EXPECT_EQ(d.GetTitle(), U("Грешка"));
  EXPECT_EQ(d.Button(0)->GetLabel(), U("Повтори"));
  EXPECT_EQ(d.Button(1)->GetLabel(), U("Отказ"));
  EXPECT_TRUE(d.Button(1)->IsShown());
  EXPECT_FALSE(d.Button(2)->IsShown());
  EXPECT_FALSE(d.Button(3)->IsShown());
  EXPECT_LT(d.Button(0)->GetPosition().x, d.Button(1)->GetPosition().x);
  EXPECT_EQ(d.GetDefaultItem(), d.Button(0));
  EXPECT_TRUE(d.TextField()->HasFlag(wxALIGN_CENTRE_HORIZONTAL));
  EXPECT_EQ(RunModal(d, [&] { Click(&d, PromptDialog::kButtonIds[0]); }), 4);
}

TEST(PromptDialogTest, DefaultButtonField) {
  PromptDialog second(nullptr, U("Полученият стринг"), U("Предупреждение"), 0x112, 1);
  EXPECT_EQ(second.Button(1)->GetLabel(), U("Повтори"));
  EXPECT_EQ(second.GetDefaultItem(), second.Button(1));
  wxWindow* focused = nullptr;
  RunModal(second, [&] {
    focused = wxWindow::FindFocus();
    second.Close();
  });
  if (focused) {
    EXPECT_EQ(focused, second.Button(1));
  }

  // The third button of a two-button set: no default at all.
  PromptDialog none(nullptr, U("Текст"), U("Грешка"), 0x215, 1);
  EXPECT_EQ(none.GetDefaultItem(), nullptr);
}

TEST(PromptDialogTest, ThreeLinesMakeTheTextThreeLinesHigh) {
  PromptDialog d(
      nullptr,
      U("Няма отговор от COM 2\n(или не са получени всички байтове, \nкоито трябва да се получат)"),
      U("Грешка"), 0x15, 1);
  ASSERT_GT(d.LineHeight(), 0);
  EXPECT_EQ(d.TextSize().y, 3 * d.LineHeight());
  const int iconH = d.IconField()->GetSize().y;
  EXPECT_EQ(d.TextField()->GetSize().y, std::max(3 * d.LineHeight(), iconH));
  EXPECT_EQ(d.TextField()->GetPosition(), wxPoint(d.IconField()->GetSize().x + 26, 15));
  EXPECT_EQ(d.IconField()->GetPosition(), wxPoint(15, 15));
  const int buttonY = std::max(d.TextSize().y, iconH) + 30;
  EXPECT_EQ(d.Button(0)->GetPosition().y, buttonY);
  EXPECT_EQ(d.GetClientSize().y, buttonY + d.Button(0)->GetSize().y + 15);
  // The text field is as wide as the widest line.
  EXPECT_EQ(d.TextField()->GetSize().x, d.TextSize().x);
}

TEST(PromptDialogTest, ShortTextWithThreeButtonsIsAsWideAsTheButtonRowPlus30) {
  PromptDialog d(nullptr, U("Да?"), U("Въпрос"), 0x23, 1);
  ASSERT_TRUE(d.Button(2)->IsShown());
  const int row = RowWidth(d, 3);
  EXPECT_EQ(d.GetClientSize().x, row + 30);
  EXPECT_EQ(d.Button(0)->GetPosition().x, 15);
  EXPECT_EQ(d.Button(2)->GetPosition().x + d.Button(2)->GetSize().x, row + 15);
}

TEST(PromptDialogTest, NoCaptionShowsTheApplicationsName) {
  PromptDialog d(nullptr, U("Текст"), wxEmptyString, 0, 1);
  ASSERT_FALSE(wxTheApp->GetAppDisplayName().empty());
  EXPECT_EQ(d.GetTitle(), wxTheApp->GetAppDisplayName());
}

TEST(PromptDialogTest, EveryButtonReturnsItsResultAndTheCloseBoxTwo) {
  for (unsigned set = 0; set <= 15; ++set) {
    const PromptStyle style = PromptStyle::Decode(set);
    for (size_t i = 0; i < style.buttons.size(); ++i) {
      PromptDialog d(nullptr, U("Текст"), U("Проба"), set, 1);
      EXPECT_EQ(d.Button(static_cast<int>(i))->GetLabel(), U(style.buttons[i].caption.c_str()));
      EXPECT_EQ(RunModal(d, [&] { Click(&d, PromptDialog::kButtonIds[i]); }),
                style.buttons[i].result)
          << "set " << set << " button " << i;
    }
    PromptDialog closed(nullptr, U("Текст"), U("Проба"), set, 1);
    EXPECT_EQ(RunModal(closed, [&] { closed.Close(); }), kPromptClosedResult) << "set " << set;
  }
}

TEST(PromptDialogTest, TheUiHostShowsPromptsAndTheWaitCursor) {
  GuiUiHost host(nullptr);
  std::string title;
  wxTheApp->CallAfter([&] {
    PromptDialog* d = ModalDialog<PromptDialog>();
    ASSERT_NE(d, nullptr);
    title = d->GetTitle().utf8_string();
    Click(d, PromptDialog::kButtonIds[1]);
  });
  EXPECT_EQ(host.ShowPrompt("Искате ли?", "Въпрос", 0x24, 1), 7);
  EXPECT_EQ(title, "Въпрос");

  host.BeginWait();
  host.BeginWait();
  EXPECT_TRUE(wxIsBusy());
  host.EndWait();
  EXPECT_TRUE(wxIsBusy());
  host.EndWait();
  EXPECT_FALSE(wxIsBusy());
  host.EndWait();  // unmatched: ignored
  EXPECT_FALSE(wxIsBusy());
}

TEST(PromptDialogTest, TheDateTimeDialogHook) {
  GuiUiHost host(nullptr);
  SetDateTimeDialogRunner(nullptr);
  // Without a runner of its own the host runs the real dialog; "Exit" cancels.
  wxTheApp->CallAfter([] {
    DateTimeDialog* d = ModalDialog<DateTimeDialog>();
    ASSERT_NE(d, nullptr);
    Click(d, DateTimeDialog::kIdExit);
  });
  EXPECT_EQ(host.RunDateTimeDialog(3), 2);
  PrinterLine seen;
  SetDateTimeDialogRunner([&](wxWindow*, const PrinterLine& line) {
    seen = line;
    return 1;
  });
  EXPECT_EQ(host.RunDateTimeDialog(PrinterLine{3, 38400}), 1);
  EXPECT_EQ(seen.port, 3);
  EXPECT_EQ(seen.baudRate, 38400) << "the dialog opens the printer at the caller's speed";
  SetDateTimeDialogRunner(nullptr);
}

}  // namespace
