#pragma once

#include <wx/textctrl.h>

#include <optional>

#include "dialogs/controls/numeric_rule.h"
#include "dialogs/controls/refusal_hint.h"

// A single-line edit field that takes only a number: an integer, or a decimal
// number with at most a configured number of decimals, within a range and a
// maximum length. Typed characters and pastes (Ctrl+V, the context menu, Paste())
// are checked with IsAcceptable; a refused one changes nothing and is refused
// visibly (RefusalHint: the bell and a note naming what the field takes).
// Backspace is checked in decimal mode only; Delete, cut and undo are not
// checked. Ctrl+A selects the whole text, and whatever is typed or pasted
// replaces the selection. Text that
// arrives by any other way the toolkit offers (the middle mouse button, a drop,
// an input method) is checked like a paste when it adds characters. A comma
// (typed, the keypad's decimal key, pasted) is the decimal point of a decimal
// field and is refused by an integer field. Leaving the field writes the
// default when it holds no number ("", "-", ".", "-.") or one below the
// minimum. A text set by the program (SetValue, ChangeValue, the setters) is
// not checked; WriteText and AppendText are, like any insertion.
//
// A read-only field (SetEditable(false) or wxTE_READONLY) refuses every edit
// by the user, whichever way it comes; copying still works and the setters
// still show values.
//
// Dialogs read what they send with DecimalReading/IntegerReading: none means
// the field holds no number it may send, and the dialog shows
// FieldValueMessage and sends nothing.
//
// The setters respect the range: a value outside it leaves the text unchanged,
// so a dialog showing a number read from the printer shows nothing wrong.
// The rules themselves live in NumericRule (see there for every detail).
// Never shows a message box.
class NumericEdit : public wxTextCtrl {
 public:
  NumericEdit(wxWindow* parent, wxWindowID id, const wxPoint& pos = wxDefaultPosition,
              const wxSize& size = wxDefaultSize, long style = 0);

  void ConfigureDecimal(double minimum, double maximum, int decimals, int maxLength,
                        double defaultValue);
  void ConfigureInteger(int minimum, int maximum, int maxLength, int defaultValue);
  void SetDecimalRange(double minimum, double maximum);
  void SetIntegerRange(int minimum, int maximum);
  void SetDecimals(int n);
  // Stores the capped length (15 decimal, 10 integer) and lets the control hold
  // one character more.
  void SetMaxLength(int n);
  void SetMaxLength(unsigned long n) override { SetMaxLength(static_cast<int>(n)); }

  void SetDecimalValue(double v);
  void SetIntegerValue(int v);
  // The leading integer of the text (0 when there is none).
  int GetIntegerValue() const;
  // The text as a number; 0.0 when empty, -1.0 when it is not wholly a number.
  double GetDecimalValue() const;
  bool IsAcceptable(const wxString& text) const;

  // The number the field holds, when it holds one within its range (see
  // NumericRule::Reading); none otherwise. IntegerReading is for fields in
  // integer mode.
  std::optional<double> DecimalReading() const;
  std::optional<int> IntegerReading() const;

  void SetEditable(bool editable) override;

  // Pastes the clipboard's text through the validation rule.
  void Paste() override;

  const NumericRule& Rule() const { return rule_; }
  const RefusalHint& Refusals() const { return hint_; }

 protected:
  void DoSetValue(const wxString& value, int flags) override;

 private:
  void OnChar(wxKeyEvent& event);
  void OnPasteEvent(wxClipboardTextEvent& event);
  void OnKillFocus(wxFocusEvent& event);
  void OnText(wxCommandEvent& event);
  NumericRule::EditState State() const;
  void Apply(const NumericRule::EditResult& result);
  // Sets the text past the control's own length limit (which only stops typing).
  void SetTextWhole(const wxString& text);
  void ApplyLimit();
  void Refuse();

  NumericRule rule_;
  RefusalHint hint_{this};
  bool limitSet_ = false;
  std::wstring known_;        // the text after the last change that was let through
  bool settingText_ = false;  // a text set by the program is on its way
};
