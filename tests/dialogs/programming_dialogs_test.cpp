// The header-lines, operators and display dialogs against the simulated
// printer: what the printer keeps and prints after each main path.
#include <gtest/gtest.h>

#include "dialog_fixtures.h"
#include "dialogs/cliche_dialog.h"
#include "dialogs/display_dialog.h"
#include "dialogs/operators_dialog.h"
#include "driver/cp1251.h"

namespace {

constexpr int kPort = 6;

std::string Cp(const std::string& utf8) {
  return Utf8ToCp1251(utf8).value_or("?");
}

// Types `utf8` into `edit` the way the user's typing ends up: a changed text
// with its change event.
void Type(wxTextCtrl* edit, const std::string& utf8) {
  edit->SetValue(wxString::FromUTF8(utf8.c_str()));
}

class ProgrammingDialogsTest : public SimPrinterDialogTest {
 protected:
  ProgrammingDialogsTest() : SimPrinterDialogTest(kPort) {}

  std::string Header(int line) {
    return sim_.WithDevice([line](SimDevice& d) { return d.State().header[line]; });
  }
  void ExpectNoPrompt() { EXPECT_TRUE(ui_.prompts.empty()) << ui_.prompts.front().text; }
};

constexpr int kRow3 = 2, kLabelRow = 8, kGreetingRow = 9;

TEST_F(ProgrammingDialogsTest, ClicheLineIsWrittenReadBackAndPrinted) {
  sim_.WithDevice([](SimDevice& d) { d.State().headerWidth = 38; });
  ClicheDialog dialog(nullptr, &ui_, kPort, Services(), kClicheNarrowWidth);
  EXPECT_EQ(dialog.Counter(kRow3)->GetLabel(), "38");
  EXPECT_EQ(dialog.Counter(kLabelRow)->GetLabel(), "12");
  EXPECT_EQ(dialog.Counter(kGreetingRow)->GetLabel(), "20");

  // Typing counts down and ticks the row; the 33rd character turns it red.
  Type(dialog.Edit(kRow3), std::string(32, 'x'));
  EXPECT_EQ(dialog.Counter(kRow3)->GetLabel(), "6");
  EXPECT_EQ(dialog.Counter(kRow3)->GetLabelColor(), *wxBLACK);
  EXPECT_TRUE(dialog.Tick(kRow3)->GetValue());
  Type(dialog.Edit(kRow3), std::string(33, 'x'));
  EXPECT_EQ(dialog.Counter(kRow3)->GetLabel(), "5");
  EXPECT_EQ(dialog.Counter(kRow3)->GetLabelColor(), *wxRED);

  // ABC centred on line 3: the field follows the alignment at once.
  Type(dialog.Edit(kRow3), "ABC");
  Select(&dialog, ClicheDialog::kIdAlignment + kRow3, 1);
  EXPECT_TRUE(dialog.Edit(kRow3)->HasFlag(wxTE_CENTRE));
  EXPECT_EQ(dialog.Edit(kRow3)->GetValue(), "ABC");
  EXPECT_EQ(dialog.Edit(kRow3)->MaxLength(), 38u);
  Click(&dialog, ClicheDialog::kIdSet + kRow3);
  EXPECT_EQ(Header(3), std::string(17, ' ') + "ABC" + std::string(18, ' '));

  // The greeting is always sent at 20 characters.
  Type(dialog.Edit(kGreetingRow), "Благодарим!");
  Click(&dialog, ClicheDialog::kIdSet + kGreetingRow);
  EXPECT_EQ(Header(0), Cp("Благодарим!") + std::string(9, ' '));

  // A read puts the text back with its alignment.
  Click(&dialog, ClicheDialog::kIdUnselectAll);
  dialog.Edit(kRow3)->ChangeValue("");
  Select(&dialog, ClicheDialog::kIdAlignment + kRow3, 0);
  SetChecked(&dialog, ClicheDialog::kIdTick + kRow3, true);
  Click(&dialog, ClicheDialog::kIdGetSelected);
  EXPECT_EQ(dialog.Edit(kRow3)->GetValue(), "ABC");
  EXPECT_EQ(dialog.Alignment(kRow3)->GetSelection(), 1);
  EXPECT_EQ(dialog.Edit(kGreetingRow)->GetValue(), wxString::FromUTF8("Благодарим!"))
      << "an unticked row is left alone";

  sim_.ClearPaper();
  Click(&dialog, ClicheDialog::kIdTest);
  EXPECT_NE(sim_.Paper().find(std::string(17, ' ') + "ABC"), std::string::npos) << sim_.Paper();
  ExpectNoPrompt();
}

TEST_F(ProgrammingDialogsTest, SetSelectedWritesTickedRowsOnly) {
  ClicheDialog dialog(nullptr, &ui_, kPort, Services(), kClicheWideWidth);
  const std::string line5 = Header(5);
  for (int r = 0; r < ClicheDialog::kRows; ++r) Type(dialog.Edit(r), "R" + std::to_string(r + 1));
  SetChecked(&dialog, ClicheDialog::kIdTick + 4, false);  // line 5 left out
  Click(&dialog, ClicheDialog::kIdSetSelected);
  EXPECT_EQ(Header(1), "R1" + std::string(40, ' '));
  EXPECT_EQ(Header(8), "R8" + std::string(40, ' '));
  EXPECT_EQ(Header(9), "R9" + std::string(10, ' '));
  EXPECT_EQ(Header(5), line5);
  ExpectNoPrompt();
}

TEST_F(ProgrammingDialogsTest, WideLayoutOnlyWidensTheFields) {
  ClicheDialog narrow(nullptr, &ui_, kPort, Services(), kClicheNarrowWidth);
  ClicheDialog wide(nullptr, &ui_, kPort, Services(), kClicheWideWidth);
  EXPECT_GT(wide.Edit(0)->GetSize().x, narrow.Edit(0)->GetSize().x);
  EXPECT_GT(wide.GetSize().x, narrow.GetSize().x);
  EXPECT_EQ(wide.Edit(0)->MaxLength(), 42u);
  EXPECT_EQ(narrow.Edit(0)->MaxLength(), 38u);
  for (ClicheDialog* d : {&narrow, &wide}) {
    EXPECT_EQ(d->Edit(kLabelRow)->MaxLength(), 12u);
    EXPECT_EQ(d->Edit(kGreetingRow)->MaxLength(), 20u);
  }
}

TEST_F(ProgrammingDialogsTest, OperatorsAreProgrammedAndListed) {
  OperatorsDialog dialog(nullptr, &ui_, kPort, Services());
  EXPECT_TRUE(dialog.Password(5)->HasFlag(wxTE_PASSWORD));
  Type(dialog.Name(5), "Мария Петрова");
  EXPECT_TRUE(dialog.Tick(5)->GetValue());
  EXPECT_EQ(dialog.Counter(5)->GetLabel(), "7");
  Type(dialog.Password(5), "4321");
  Click(&dialog, OperatorsDialog::kIdSetSelected);
  const auto op5 = sim_.WithDevice([](SimDevice& d) { return d.State().operators[4]; });
  EXPECT_EQ(op5.name, Cp("Мария Петрова"));
  EXPECT_EQ(op5.password, "4321");

  // A read writes the name, which ticks the row.
  Click(&dialog, OperatorsDialog::kIdUnselectAll);
  Click(&dialog, OperatorsDialog::kIdFirstGet + 2);
  EXPECT_TRUE(dialog.Tick(3)->GetValue());
  EXPECT_FALSE(dialog.Name(3)->GetValue().empty());

  // The list of rows 3 and 5.
  SetChecked(&dialog, OperatorsDialog::TickId(5), true);
  sim_.ClearPaper();
  Click(&dialog, OperatorsDialog::kIdPrintSelected);
  const std::string paper = sim_.Paper();
  EXPECT_NE(paper.find("Оп.N           Име          Парола"), std::string::npos) << paper;
  EXPECT_NE(paper.find("   5   Мария Петрова         4321"), std::string::npos) << paper;
  EXPECT_EQ(paper.find("   1   "), std::string::npos) << paper;

  // The passwords can be shown in clear, keeping what they hold.
  SetChecked(&dialog, OperatorsDialog::kIdShowPasswords, true);
  EXPECT_FALSE(dialog.Password(5)->HasFlag(wxTE_PASSWORD));
  EXPECT_EQ(dialog.Password(5)->GetValue(), "4321");
  ExpectNoPrompt();
}

TEST_F(ProgrammingDialogsTest, NothingTickedSendsNothing) {
  // The operators dialog does not even open the port.
  OperatorsDialog operators(nullptr, &ui_, kPort, Services());
  const int frames = sim_.FrameCount();
  for (int id : {OperatorsDialog::kIdGetSelected, OperatorsDialog::kIdSetSelected,
                 OperatorsDialog::kIdPrintSelected})
    Click(&operators, id);
  EXPECT_EQ(sim_.FrameCount(), frames);

  // The header-lines dialog opens it, and sends no line command.
  ClicheDialog cliche(nullptr, &ui_, kPort, Services(), kClicheWideWidth);
  const std::string line1 = Header(1);
  Click(&cliche, ClicheDialog::kIdSetSelected);
  Click(&cliche, ClicheDialog::kIdGetSelected);
  EXPECT_TRUE(cliche.Edit(0)->GetValue().empty());
  EXPECT_EQ(Header(1), line1);
  ExpectNoPrompt();
}

TEST_F(ProgrammingDialogsTest, DisplayShowsTheTextsAsAligned) {
  DisplayDialog dialog(nullptr, &ui_, kPort, Services());
  for (int i = 0; i < DisplayDialog::kTexts; ++i) {
    EXPECT_EQ(dialog.Alignment(i)->GetSelection(), 1);
    EXPECT_TRUE(dialog.Text(i)->HasFlag(wxTE_CENTRE));
  }
  auto display = [this] { return sim_.WithDevice([](SimDevice& d) { return d.State().display; }); };
  Type(dialog.Text(0), "Добре дошли");
  Click(&dialog, DisplayDialog::kIdSendLine1);
  EXPECT_EQ(display()[0], Cp("    Добре дошли     "));

  Select(&dialog, DisplayDialog::kIdBothAlignment, 2);
  EXPECT_TRUE(dialog.Text(2)->HasFlag(wxTE_RIGHT));
  Type(dialog.Text(2), "Total 12.50");
  Click(&dialog, DisplayDialog::kIdSendBoth);
  EXPECT_EQ(display()[1], std::string(9, ' ') + "Total 12.50");

  // An empty first line blanks it.
  dialog.Text(0)->ChangeValue("");
  Click(&dialog, DisplayDialog::kIdSendLine1);
  EXPECT_EQ(display()[0], std::string(20, ' '));

  Click(&dialog, DisplayDialog::kIdClear);
  EXPECT_EQ(display()[1], "");
  EXPECT_NE(sim_.Paper().find("Total 12.50"), std::string::npos);
  ExpectNoPrompt();
}

}  // namespace
