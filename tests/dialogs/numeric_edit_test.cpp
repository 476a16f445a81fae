// The number field, the coloured label and the fixed-pitch edit as real
// controls (run under Xvfb).
#include <gtest/gtest.h>
#include <wx/clipbrd.h>
#include <wx/dataobj.h>
#include <wx/dialog.h>
#include <wx/sizer.h>

#include "dialogs/controls/color_label.h"
#include "dialogs/controls/monospace_edit.h"
#include "dialogs/controls/numeric_edit.h"
#include "gui_test_support.h"

namespace {

void SendChar(wxWindow* target, int key, bool control = false) {
  wxKeyEvent ev(wxEVT_CHAR);
  ev.m_keyCode = key;
  ev.m_uniChar = key < WXK_START ? static_cast<wxChar>(key) : static_cast<wxChar>(WXK_NONE);
  ev.SetControlDown(control);
  ev.SetRawControlDown(control);
  ev.SetEventObject(target);
  target->GetEventHandler()->ProcessEvent(ev);
}

// A key whose character differs from its code (the keypad's keys).
void SendKey(wxWindow* target, int key, wxChar uni) {
  wxKeyEvent ev(wxEVT_CHAR);
  ev.m_keyCode = key;
  ev.m_uniChar = uni;
  ev.SetEventObject(target);
  target->GetEventHandler()->ProcessEvent(ev);
}

void Type(wxWindow* target, const std::string& keys) {
  for (char c : keys) SendChar(target, static_cast<unsigned char>(c));
}

void LoseFocus(wxWindow* target) {
  wxFocusEvent ev(wxEVT_KILL_FOCUS, target->GetId());
  ev.SetEventObject(target);
  target->GetEventHandler()->ProcessEvent(ev);
}

bool PutOnClipboard(const wxString& text) {
  if (!wxTheClipboard->Open()) return false;
  const bool ok = wxTheClipboard->SetData(new wxTextDataObject(text));
  wxTheClipboard->Close();
  return ok;
}

class ControlsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dialog_ = new wxDialog(nullptr, wxID_ANY, "controls");
    edit_ = new NumericEdit(dialog_, 1300);
  }
  void TearDown() override {
    dialog_->Destroy();
    ProcessPending();
  }
  wxString Text() const { return edit_->GetValue(); }

  wxDialog* dialog_ = nullptr;
  NumericEdit* edit_ = nullptr;
};

TEST_F(ControlsTest, TypedCharactersGoThroughTheRule) {
  edit_->ConfigureDecimal(0, 99999.99, 2, 10, 0.0);
  EXPECT_EQ(Text(), "0.00");
  edit_->SelectAll();
  Type(edit_, "12.");
  EXPECT_EQ(Text(), "12.");
  Type(edit_, "34x5-");
  EXPECT_EQ(Text(), "12.34");  // the letter, the third decimal and the late minus dropped
  EXPECT_EQ(edit_->GetInsertionPoint(), 5);

  edit_->ConfigureInteger(0, 99999, 5, 0);
  edit_->SelectAll();
  SendChar(edit_, '.');
  EXPECT_EQ(Text(), "0");  // a point replacing everything is refused
  edit_->SelectAll();
  Type(edit_, "5.-");
  EXPECT_EQ(Text(), "5-");  // no point in an integer; past its first digit, anything
}

TEST_F(ControlsTest, CommaAndTheKeypadPointInDecimalAndIntegerFields) {
  edit_->ConfigureDecimal(0.01, 999999.99, 2, 9, 0.01);
  edit_->SelectAll();
  Type(edit_, "12,5");
  EXPECT_EQ(Text(), "12.5");
  EXPECT_EQ(edit_->DecimalReading(), 12.5);
  edit_->SelectAll();
  Type(edit_, "7");
  SendKey(edit_, WXK_NUMPAD_DECIMAL, ',');  // a Bulgarian layout
  Type(edit_, "2");
  EXPECT_EQ(Text(), "7.2");
  edit_->SelectAll();
  Type(edit_, "3");
  SendKey(edit_, WXK_NUMPAD_DECIMAL, WXK_NONE);
  Type(edit_, "25");
  EXPECT_EQ(Text(), "3.25");
  ASSERT_TRUE(PutOnClipboard("12,50"));
  edit_->SelectAll();
  SendChar(edit_, 22, true);
  EXPECT_EQ(Text(), "12.50");
  edit_->SetInsertionPointEnd();
  edit_->ChangeValue("4");
  edit_->SetInsertionPointEnd();
  edit_->WriteText(",5");  // a drop or a middle-button paste
  EXPECT_EQ(Text(), "4.5");

  // A whole-number printer's price: separators are refused, typed or pasted.
  edit_->ConfigureInteger(1, 99999999, 8, 1);
  edit_->SelectAll();
  Type(edit_, "12.5");
  EXPECT_EQ(Text(), "125");
  edit_->SelectAll();
  Type(edit_, "12,");
  SendKey(edit_, WXK_NUMPAD_DECIMAL, ',');
  EXPECT_EQ(Text(), "12");
  ASSERT_TRUE(PutOnClipboard("12.5"));
  edit_->SelectAll();
  edit_->Paste();
  EXPECT_EQ(Text(), "12");
}

TEST_F(ControlsTest, ALoneSignOrPointIsNeverLeftInTheField) {
  edit_->ConfigureDecimal(-99.99, 99.99, 2, 6, 0.0);
  for (const char* none : {"-", ".", "-."}) {
    edit_->SelectAll();
    Type(edit_, none);
    EXPECT_EQ(Text(), none);
    EXPECT_EQ(edit_->DecimalReading(), std::nullopt) << none;  // the dialog refuses to send
    LoseFocus(edit_);
    EXPECT_EQ(Text(), "0.00") << none;
    EXPECT_EQ(edit_->DecimalReading(), 0.0);
  }
  edit_->SelectAll();
  Type(edit_, "-5");
  LoseFocus(edit_);
  EXPECT_EQ(Text(), "-5");
  EXPECT_EQ(edit_->DecimalReading(), -5.0);
}

TEST_F(ControlsTest, AReadOnlyFieldRefusesEveryEdit) {
  edit_->ConfigureDecimal(0, 99999999, 2, 9, 0.0);
  edit_->SetDecimalValue(4.51);
  edit_->SetEditable(false);
  edit_->SetInsertionPointEnd();
  int changes = 0;
  dialog_->Bind(wxEVT_TEXT, [&](wxCommandEvent& e) {
    ++changes;
    e.Skip();
  });
  SendChar(edit_, WXK_BACK);
  Type(edit_, "9");
  SendChar(edit_, WXK_DELETE);
  ASSERT_TRUE(PutOnClipboard("7"));
  SendChar(edit_, 22, true);  // Ctrl+V
  edit_->Paste();
  edit_->wxTextCtrl::Paste();  // the context menu's paste
  ProcessPending();
  edit_->WriteText("1");  // a drop or a middle-button paste
  edit_->SelectAll();
  SendChar(edit_, 24, true);  // Ctrl+X
  edit_->Cut();
  edit_->Remove(0, 1);
  ProcessPending();
  EXPECT_EQ(Text(), "4.51");
  EXPECT_EQ(changes, 0);

  // Copying works, and the program still shows what the printer reports.
  edit_->SelectAll();
  SendChar(edit_, 3, true);  // Ctrl+C
  wxTextDataObject copied;
  ASSERT_TRUE(wxTheClipboard->Open());
  wxTheClipboard->GetData(copied);
  wxTheClipboard->Close();
  EXPECT_EQ(copied.GetText(), "4.51");
  edit_->SetDecimalValue(12.0);
  EXPECT_EQ(Text(), "12.00");

  // Created read-only, and editable again.
  auto* info = new NumericEdit(dialog_, 1301, wxDefaultPosition, wxDefaultSize, wxTE_READONLY);
  info->ConfigureInteger(0, 999, 3, 0);
  info->SetInsertionPointEnd();
  Type(info, "5");
  EXPECT_EQ(info->GetValue(), "0");
  info->SetEditable(true);
  info->SelectAll();
  Type(info, "5");
  EXPECT_EQ(info->GetValue(), "5");
}

TEST_F(ControlsTest, BackspaceAndLeavingAnIntegerField) {
  edit_->ConfigureInteger(1, 9, 1, 1);
  EXPECT_EQ(Text(), "1");
  edit_->SetInsertionPointEnd();
  SendChar(edit_, WXK_BACK);
  EXPECT_EQ(Text(), "");  // not validated in integer mode
  LoseFocus(edit_);
  EXPECT_EQ(Text(), "1");  // the default
}

TEST_F(ControlsTest, LeavingBelowTheMinimumWritesTheDefault) {
  edit_->ConfigureDecimal(0, 1000, 2, 10, 0.0);
  edit_->ChangeValue("-3");
  LoseFocus(edit_);
  EXPECT_EQ(Text(), "0.00");
  edit_->ChangeValue("7.5");
  LoseFocus(edit_);
  EXPECT_EQ(Text(), "7.5");
}

TEST_F(ControlsTest, PasteFromTheClipboard) {
  edit_->ConfigureInteger(0, 99999, 10, 0);
  edit_->ChangeValue("");
  ASSERT_TRUE(PutOnClipboard("12a"));
  SendChar(edit_, 22, true);  // Ctrl+V
  EXPECT_EQ(Text(), "12a");
  EXPECT_EQ(edit_->GetInsertionPoint(), 3);

  ASSERT_TRUE(PutOnClipboard("a12"));
  edit_->SelectAll();
  edit_->Paste();
  EXPECT_EQ(Text(), "12a");  // refused: unchanged

  ASSERT_TRUE(PutOnClipboard("7"));
  edit_->SetSelection(0, 2);
  edit_->Paste();
  EXPECT_EQ(Text(), "7a");
}

TEST_F(ControlsTest, TheToolkitsOwnPasteGoesThroughTheRuleToo) {
  // The context menu and the toolkit's key bindings paste through the
  // toolkit's paste operation; it must reach the rule, and only the rule may
  // insert (once).
  edit_->ConfigureInteger(0, 99999, 10, 0);
  edit_->ChangeValue("");
  ASSERT_TRUE(PutOnClipboard("a12"));
  edit_->wxTextCtrl::Paste();
  ProcessPending();
  EXPECT_EQ(Text(), "");
  edit_->ChangeValue("5");
  edit_->SetInsertionPointEnd();
  ASSERT_TRUE(PutOnClipboard("7"));
  edit_->wxTextCtrl::Paste();
  ProcessPending();
  EXPECT_EQ(Text(), "57");
}

TEST_F(ControlsTest, InsertionsByOtherWaysAreCheckedLikeAPaste) {
  // WriteText inserts through the toolkit as a middle-button paste, a drop or
  // an input method would: past the key and paste handlers.
  edit_->ConfigureInteger(1, 99999, 10, 1);
  edit_->ChangeValue("");
  int seen = 0;
  dialog_->Bind(wxEVT_TEXT, [&](wxCommandEvent& e) {
    ++seen;
    e.Skip();
  });
  edit_->WriteText("a12");
  EXPECT_EQ(Text(), "");
  EXPECT_EQ(seen, 0);  // the dialog never hears of the refused text
  edit_->WriteText("4");
  EXPECT_EQ(Text(), "4");
  edit_->SetInsertionPointEnd();
  edit_->WriteText("x");  // "4x" is acceptable: the scan stops at the 4
  EXPECT_EQ(Text(), "4x");
  edit_->Remove(0, 1);  // deleting is never checked, even to "x"
  EXPECT_EQ(Text(), "x");
  edit_->ChangeValue("0");  // the program's own text is not checked
  edit_->SetInsertionPoint(1);
  edit_->WriteText("x");
  EXPECT_EQ(Text(), "0");
  EXPECT_EQ(edit_->GetInsertionPoint(), 1);
}

TEST_F(ControlsTest, SettersAndValues) {
  edit_->ConfigureDecimal(0, 500, 2, 10, 1.5);
  EXPECT_EQ(Text(), "1.50");
  edit_->SetDecimalValue(-1.0);
  EXPECT_EQ(Text(), "1.50");
  edit_->SetDecimalValue(499.999);
  EXPECT_EQ(Text(), "500.00");
  edit_->ChangeValue("12.5x");
  EXPECT_EQ(edit_->GetDecimalValue(), -1.0);
  edit_->ChangeValue("");
  EXPECT_EQ(edit_->GetDecimalValue(), 0.0);
  edit_->ChangeValue("42abc");
  EXPECT_EQ(edit_->GetIntegerValue(), 42);
}

TEST_F(ControlsTest, TheControlHoldsOneCharacterMoreThanTheRuleAccepts) {
  edit_->ConfigureInteger(0, 2147483647, 20, 0);
  EXPECT_EQ(edit_->Rule().MaxLength(), 10);
  edit_->ChangeValue("12345678901");
  EXPECT_EQ(Text(), "12345678901");
  EXPECT_FALSE(edit_->IsAcceptable(Text()));
  EXPECT_TRUE(edit_->IsAcceptable("1234567890"));
}

TEST_F(ControlsTest, SettersAreNotCutByTheControlsLimit) {
  // A value within the range but longer than the field's length still shows
  // whole (the toolkit would otherwise drop or cut it).
  edit_->ConfigureInteger(0, 999999, 3, 0);
  edit_->SetIntegerValue(123456);
  EXPECT_EQ(Text(), "123456");
  edit_->ChangeValue("");
  LoseFocus(edit_);
  EXPECT_EQ(Text(), "0");
}

TEST_F(ControlsTest, ColorLabelTakesItsColour) {
  auto* label = new ColorLabel(dialog_, 1305, "12-05-2026");
  EXPECT_EQ(label->GetLabelColor(), *wxBLACK);
  label->SetLabelColor(wxColour(255, 0, 0));
  EXPECT_EQ(label->GetLabelColor(), wxColour(255, 0, 0));
  EXPECT_EQ(label->GetForegroundColour(), wxColour(255, 0, 0));
}

TEST_F(ControlsTest, MonospaceFontIsFixedPitchWithA17PixelCell) {
  auto* plain = new wxTextCtrl(dialog_, 1307, "", wxPoint(10, 20), wxSize(300, 30));
  MonospaceEdit* edit = CreateMonospaceEdit(plain, 0, false);
  int narrow = 0;
  int wide = 0;
  int h = 0;
  edit->GetTextExtent("iiiiiiiiii", &narrow, &h);
  edit->GetTextExtent("WWWWWWWWWW", &wide, &h);
  EXPECT_EQ(narrow, wide);
  EXPECT_NEAR(edit->GetCharHeight(), 17, 1);
}

TEST_F(ControlsTest, RecreatingAPlainEditKeepsItsLimit) {
  // Dialogs limit a plain edit first and make it fixed-pitch afterwards.
  auto* plain = new wxTextCtrl(dialog_, 1307, "", wxPoint(10, 20), wxSize(300, 30));
  plain->SetMaxLength(36);
  MonospaceEdit* edit = CreateMonospaceEdit(plain, 2, false);
  EXPECT_EQ(edit->MaxLength(), 36u);
  auto* unlimited = new wxTextCtrl(dialog_, 1308, "");
  EXPECT_EQ(CreateMonospaceEdit(unlimited, 0, false)->MaxLength(), 0u);
  auto* number = new NumericEdit(dialog_, 1309);
  number->ConfigureInteger(1, 19, 2, 1);
  EXPECT_EQ(CreateMonospaceEdit(number, 0, false)->MaxLength(), 3u);
}

TEST_F(ControlsTest, RecreatingAnEditKeepsItsPlaceTextAndLimit) {
  auto* sizer = new wxBoxSizer(wxVERTICAL);
  auto* before = new wxTextCtrl(dialog_, 1400, "");
  auto* plain = new wxTextCtrl(dialog_, 1307, "Ред", wxPoint(10, 20), wxSize(300, 30));
  auto* after = new wxTextCtrl(dialog_, 1401, "");
  sizer->Add(before);
  sizer->Add(plain);
  sizer->Add(after);
  dialog_->SetSizer(sizer);

  MonospaceEdit* edit = CreateMonospaceEdit(plain, 0, false);
  edit->SetMaxLength(34);
  edit->ChangeValue("Свободен текст");
  const wxRect rect = edit->GetRect();
  // Re-created again centred and read-only, as an alignment list does.
  MonospaceEdit* centred = CreateMonospaceEdit(edit, 1, true);
  EXPECT_EQ(dialog_->FindWindow(1307), centred);
  EXPECT_EQ(centred->GetValue(), "Свободен текст");
  EXPECT_EQ(centred->MaxLength(), 34u);
  EXPECT_EQ(centred->GetRect(), rect);
  EXPECT_TRUE(centred->HasFlag(wxTE_CENTRE));
  EXPECT_FALSE(centred->IsEditable());
  EXPECT_EQ(centred->GetContainingSizer(), sizer);
  EXPECT_EQ(before->GetNextSibling(), centred);  // tab order kept
  EXPECT_EQ(centred->GetNextSibling(), after);

  SetTextRedraw(centred, "Поздрав");
  EXPECT_EQ(centred->GetValue(), "Поздрав");
}

}  // namespace
