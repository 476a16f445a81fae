#pragma once

#include <optional>
#include <string>

// The behaviour of a number field without any window: its configuration, the
// rule that decides whether a text may stand in the field, and what typing,
// Backspace, pasting and leaving the field do to the text. NumericEdit is a thin
// wxWidgets layer over it.
//
// Texts are wide strings so that positions count characters (as the edit control
// does). Numbers are read and written in the "C" notation (a point) whatever the
// process locale. A comma typed or pasted into a decimal field is its decimal
// point (the Bulgarian notation, and the keypad's decimal key on a Bulgarian
// layout) and becomes a point in the text; an integer field refuses both.
//
// A text that holds no number ("", "-", ".", "-.") never stays in the field
// past leaving it, and Reading() tells the dialog that reads it first, so that
// nothing is sent for it.
class NumericRule {
 public:
  static constexpr double kDecimalLimit = 999999999.99999;
  static constexpr int kMaxDecimals = 5;

  // The text and the selection of the control; with no selection start == end
  // and both are the caret.
  struct EditState {
    std::wstring text;
    long selStart = 0;
    long selEnd = 0;
  };
  // The text after an edit, with the caret position.
  struct EditResult {
    std::wstring text;
    long caret = 0;
  };

  // Decimal mode, range, decimals, maximum length and default, in this order;
  // returns the text that showing the default gives (none when the default lies
  // outside the range, so the field keeps its text).
  std::optional<std::wstring> ConfigureDecimal(double minimum, double maximum, int decimals,
                                               int maxLength, double defaultValue);
  // Integer mode, range, maximum length and default; returns the text of the
  // default as SetIntegerValue gives it.
  std::optional<std::wstring> ConfigureInteger(int minimum, int maximum, int maxLength,
                                               int defaultValue);

  // Decimal mode only (no effect otherwise); the bounds are capped at
  // -/+999999999.99999.
  void SetDecimalRange(double minimum, double maximum);
  // Stored unchanged, in either mode.
  void SetIntegerRange(int minimum, int maximum);
  // Decimal mode only; a value outside 0..5 becomes 5.
  void SetDecimals(int n);
  // Capped at 15 in decimal mode and 10 in integer mode. The edit control takes
  // one character more (EditLimit); validation is what binds.
  void SetMaxLength(int n);

  // The text SetDecimalValue / SetIntegerValue put into the field, or none when
  // the value is outside the range (the field then keeps its text). The decimal
  // setter works only in decimal mode; the integer one in either mode.
  std::optional<std::wstring> DecimalText(double v) const;
  std::optional<std::wstring> IntegerText(int v) const;

  // Whether `text` may stand in the field as the user types or pastes it. In
  // decimal mode a comma counts as the point; in integer mode a point or a
  // comma anywhere refuses the text.
  bool IsAcceptable(const std::wstring& text) const;

  // A read-only field refuses every edit by the user (typing, Backspace,
  // pasting, any other insertion or removal); the program's setters still work.
  void SetReadOnly(bool readOnly) { readOnly_ = readOnly; }
  bool ReadOnly() const { return readOnly_; }

  // A typed character ('-', '.', ',', a digit) replacing the selection; none
  // when the result is refused (or the character is not one of those). A comma
  // goes in as a point.
  std::optional<EditResult> TypeChar(const EditState& state, wchar_t ch) const;
  // Backspace: removes the selection, or the character before the caret. Only
  // decimal mode validates the result. None when nothing changes.
  std::optional<EditResult> Backspace(const EditState& state) const;
  // A paste of `clip` replacing the selection; none when `clip` is empty or the
  // result is refused. Commas go in as points.
  std::optional<EditResult> Paste(const EditState& state, const std::wstring& clip) const;
  // A change that reached the text without passing the handlers above (a paste
  // by the middle mouse button, a drop, an input method): the text to keep,
  // which is `after` (commas made points) when the change only removed
  // characters (like Delete, which is not checked) or when the result is
  // acceptable; none when the text must go back to `before` (always so in a
  // read-only field).
  std::optional<std::wstring> ForeignChange(const std::wstring& before,
                                            const std::wstring& after) const;
  // True when `after` is `before` with one run of characters removed.
  static bool IsDeletionOf(const std::wstring& before, const std::wstring& after);

  // Leaving the field: the default's text when the field (spaces removed)
  // holds no number ("", "-", ".", "-.") or one below the minimum, else none
  // (the text stays exactly as typed).
  std::optional<std::wstring> OnLeave(const std::wstring& text) const;

  // The number a dialog may send from `text`: in decimal mode the whole text
  // must be a number, in integer mode its leading integer counts (digits
  // required); either way within the field's minimum and maximum. None when
  // the text holds no such number: the dialog then says so (FieldValueMessage)
  // and sends nothing, where GetDecimalValue would have given -1.0 or 0.
  std::optional<double> Reading(const std::wstring& text) const;
  // What a valid reading is, for messages (UTF-8): "число от 0.01 до 999999.99"
  // or "цяло число от 1 до 19".
  std::string RangeText() const;
  // What the field takes, for the note shown when it refuses a keystroke:
  // "Полето приема число от 0.01 до 999999.99, до 2 цифри след точката, до 9
  // знака." (UTF-8).
  std::string AcceptsText() const;

  // The leading integer of `text` (after optional white space and sign; 0 when
  // there is none; clamped to the int range).
  static int LeadingInteger(const std::wstring& text);
  // The text as a floating-point number: 0.0 for an empty text, -1.0 when
  // anything follows the number or there is no number at all.
  static double DecimalValueOf(const std::wstring& text);
  // The number at the front of `text` (0.0 when there is none); `consumed` gets
  // the number of characters read.
  static double LeadingDouble(const std::wstring& text, size_t* consumed = nullptr);
  // `v` with exactly `decimals` digits after the point ("%1.Nf" in "C" notation).
  static std::wstring FormatFixed(double v, int decimals);

  bool DecimalMode() const { return decimalMode_; }
  int Decimals() const { return decimals_; }
  double DecimalMinimum() const { return decimalMinimum_; }
  double DecimalMaximum() const { return decimalMaximum_; }
  double DecimalDefault() const { return decimalDefault_; }
  int IntegerMinimum() const { return integerMinimum_; }
  int IntegerMaximum() const { return integerMaximum_; }
  int IntegerDefault() const { return integerDefault_; }
  int MaxLength() const { return maxLength_; }
  // The length limit of the edit control itself.
  int EditLimit() const { return maxLength_ + 1; }

 private:
  // `text` as the field holds it: in decimal mode commas become points.
  std::wstring Normalised(std::wstring text) const;

  bool decimalMode_ = false;
  // Until a decimal configuration arrives: no decimals and the widest range.
  int decimals_ = 0;
  double decimalMaximum_ = kDecimalLimit;
  double decimalMinimum_ = -kDecimalLimit;
  double decimalDefault_ = 0.0;
  int integerMinimum_ = 0;
  int integerMaximum_ = 2147483647;
  int integerDefault_ = 0;
  int maxLength_ = 10;
  bool readOnly_ = false;
};

// The message a dialog shows (stop icon) when the field named `fieldName`
// (UTF-8, as its label reads) holds no number it may send; UTF-8. `frame`, when
// not empty, names the group the field sits in, for dialogs where several
// fields share one label.
std::string FieldValueMessage(const std::string& fieldName, const NumericRule& rule,
                              const std::string& frame = "");
