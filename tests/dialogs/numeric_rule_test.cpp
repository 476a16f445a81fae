#include "dialogs/controls/numeric_rule.h"

#include <gtest/gtest.h>

namespace {

NumericRule Decimal(double min, double max, int decimals, int length = 15, double def = 0.0) {
  NumericRule rule;
  rule.ConfigureDecimal(min, max, decimals, length, def);
  return rule;
}

NumericRule Integer(int min, int max, int length = 10, int def = 0) {
  NumericRule rule;
  rule.ConfigureInteger(min, max, length, def);
  return rule;
}

// Types `keys` one by one at the caret, as the field would, from an empty text.
std::wstring Type(const NumericRule& rule, const std::wstring& keys) {
  NumericRule::EditState s;
  for (wchar_t k : keys) {
    if (auto r = rule.TypeChar(s, k)) s = {r->text, r->caret, r->caret};
  }
  return s.text;
}

struct AcceptCase {
  const wchar_t* text;
  bool accepted;
};

TEST(NumericRuleTest, DecimalFieldWithTwoDecimals) {
  const NumericRule rule = Decimal(0, 99999.99, 2, 10);
  const AcceptCase cases[] = {
      {L"", true},
      {L"12.", true},
      {L"12.3", true},
      {L"12.34", true},
      {L"12.345", false},
      {L"1.2.", false},
      {L"-", true},
      {L"-.", true},
      {L"-5", true},
      {L"5-", false},
      {L"99999.99", true},
      {L"100000", false},
      {L"12a", false},
      {L" 12", false},
      {L"12345678901", false},
      {L"1234567.90", false},  // within the length, above the maximum
  };
  for (const auto& c : cases) EXPECT_EQ(rule.IsAcceptable(c.text), c.accepted) << c.text;
  EXPECT_EQ(Type(rule, L"12."), L"12.");
  EXPECT_EQ(Type(rule, L"12.345"), L"12.34");  // the third decimal is refused
}

TEST(NumericRuleTest, IntegerScanStopsAtTheFirstNonZeroDigit) {
  const NumericRule rule = Integer(0, 99999);
  const AcceptCase cases[] = {
      {L"", false},    {L".", false},  {L"0", true},     {L"00", true},      {L"-", true},
      {L"-0", true},   {L"0.", false}, {L"5-", true},    {L"-5", true},      {L"12a", true},
      {L"a12", false}, {L"0a", false}, {L"99999", true}, {L"100000", false},
  };
  for (const auto& c : cases) EXPECT_EQ(rule.IsAcceptable(c.text), c.accepted) << c.text;
  EXPECT_EQ(Type(rule, L"."), L"");
}

TEST(NumericRuleTest, CommaIsTheDecimalPointAndIntegersTakeNoSeparator) {
  const NumericRule decimal = Decimal(0, 999999.99, 2, 9);
  EXPECT_EQ(Type(decimal, L"12,50"), L"12.50");
  EXPECT_EQ(Type(decimal, L"12,5,0"), L"12.50");  // a second separator is refused
  EXPECT_EQ(Type(decimal, L"1.2,"), L"1.2");
  EXPECT_TRUE(decimal.IsAcceptable(L"12,5"));
  auto r = decimal.Paste({L"", 0, 0}, L"12,50");
  ASSERT_TRUE(r);
  EXPECT_EQ(r->text, L"12.50");
  EXPECT_FALSE(decimal.Paste({L"", 0, 0}, L"1.234,50"));  // thousands and a comma: refused
  EXPECT_FALSE(decimal.Paste({L"", 0, 0}, L"1,234.50"));
  EXPECT_EQ(decimal.ForeignChange(L"12", L"12,5"), L"12.5");

  // Integer fields (a whole-number printer's prices and payments among them):
  // a separator anywhere is refused, so 12.5 is never read as 12.
  const NumericRule integer = Integer(1, 99999999, 8, 1);
  const AcceptCase cases[] = {
      {L"12.5", false},  {L"12,5", false}, {L"5.", false}, {L"5,", false},
      {L"5.3.x", false}, {L",", false},    {L"125", true},
  };
  for (const auto& c : cases) EXPECT_EQ(integer.IsAcceptable(c.text), c.accepted) << c.text;
  EXPECT_EQ(Type(integer, L"12.5"), L"125");
  EXPECT_EQ(Type(integer, L"12,5"), L"125");
  EXPECT_FALSE(integer.Paste({L"", 0, 0}, L"12.5"));
  EXPECT_FALSE(integer.Paste({L"", 0, 0}, L"12,50"));
  EXPECT_EQ(integer.ForeignChange(L"12", L"12.5"), std::nullopt);
}

TEST(NumericRuleTest, TypingReplacesTheSelectionAndMovesTheCaret) {
  const NumericRule rule = Decimal(0, 9999, 2);
  auto r = rule.TypeChar({L"1234", 1, 3}, L'9');
  ASSERT_TRUE(r);
  EXPECT_EQ(r->text, L"194");
  EXPECT_EQ(r->caret, 2);
  EXPECT_FALSE(rule.TypeChar({L"12", 2, 2}, L'x'));
  EXPECT_FALSE(rule.TypeChar({L"12.5", 1, 1}, L'.'));  // a second point
  // Selection given end first, and beyond the text, as a toolkit may report it.
  r = rule.TypeChar({L"12", 5, 0}, L'7');
  ASSERT_TRUE(r);
  EXPECT_EQ(r->text, L"7");
}

TEST(NumericRuleTest, BackspaceValidatesOnlyInDecimalMode) {
  const NumericRule integer = Integer(1, 99999, 10, 1);
  auto r = integer.Backspace({L"7", 1, 1});
  ASSERT_TRUE(r);  // empty is not acceptable, but Backspace is not checked here
  EXPECT_EQ(r->text, L"");
  EXPECT_EQ(r->caret, 0);
  EXPECT_FALSE(integer.Backspace({L"7", 0, 0}));  // caret at the start
  r = integer.Backspace({L"12345", 1, 4});
  ASSERT_TRUE(r);
  EXPECT_EQ(r->text, L"15");
  EXPECT_EQ(r->caret, 1);

  const NumericRule decimal = Decimal(0, 100, 2);
  // "100.5" without its point would be 1005, above the maximum.
  EXPECT_FALSE(decimal.Backspace({L"100.5", 4, 4}));
  r = decimal.Backspace({L"12.5", 4, 4});
  ASSERT_TRUE(r);
  EXPECT_EQ(r->text, L"12.");
}

TEST(NumericRuleTest, PasteIsValidatedAsAWhole) {
  const NumericRule rule = Integer(0, 99999);
  auto r = rule.Paste({L"", 0, 0}, L"12a");
  ASSERT_TRUE(r);
  EXPECT_EQ(r->text, L"12a");
  EXPECT_EQ(r->caret, 3);
  EXPECT_FALSE(rule.Paste({L"", 0, 0}, L"a12"));
  EXPECT_FALSE(rule.Paste({L"5", 1, 1}, L""));
  r = rule.Paste({L"19", 1, 1}, L"00");
  ASSERT_TRUE(r);
  EXPECT_EQ(r->text, L"1009");
  EXPECT_EQ(r->caret, 3);
  EXPECT_FALSE(rule.Paste({L"", 0, 0}, L"123456789012"));  // longer than 10
}

TEST(NumericRuleTest, LeavingTheFieldWritesTheDefaultWhenItHoldsNoNumberOrTooSmallOne) {
  const NumericRule decimal = Decimal(0, 1000, 2, 10, 0.0);
  EXPECT_EQ(decimal.OnLeave(L"-3"), L"0.00");
  EXPECT_EQ(decimal.OnLeave(L""), L"0.00");
  EXPECT_EQ(decimal.OnLeave(L"   "), L"0.00");
  EXPECT_EQ(decimal.OnLeave(L"12.5"), std::nullopt);
  EXPECT_EQ(decimal.OnLeave(L" 12"), std::nullopt);  // kept as typed, spaces too

  // A percentage field, where a lone sign or point used to stay and read as -1.
  const NumericRule percent = Decimal(-99.99, 99.99, 2, 6, 0.0);
  for (const wchar_t* none : {L"-", L".", L"-.", L" - "}) {
    EXPECT_EQ(percent.OnLeave(none), L"0.00") << none;
  }
  EXPECT_EQ(percent.OnLeave(L"-.5"), std::nullopt);
  EXPECT_EQ(percent.OnLeave(L"-5."), std::nullopt);

  const NumericRule integer = Integer(1, 9, 1, 1);
  EXPECT_EQ(integer.OnLeave(L""), L"1");
  EXPECT_EQ(integer.OnLeave(L"0"), L"1");
  EXPECT_EQ(integer.OnLeave(L"5"), std::nullopt);
  const NumericRule fromZero = Integer(0, 999, 3, 0);
  EXPECT_EQ(fromZero.OnLeave(L"-"), L"0");
  EXPECT_EQ(fromZero.OnLeave(L"0"), std::nullopt);
}

TEST(NumericRuleTest, ReadingGivesOnlyANumberWithinTheRange) {
  const NumericRule percent = Decimal(-99.99, 99.99, 2, 6, 0.0);
  for (const wchar_t* none : {L"", L"-", L".", L"-.", L"12.5x", L"5 ", L"100", L"-99.991"}) {
    EXPECT_EQ(percent.Reading(none), std::nullopt) << none;
  }
  EXPECT_EQ(percent.Reading(L"-5."), -5.0);
  EXPECT_EQ(percent.Reading(L".5"), 0.5);
  EXPECT_EQ(percent.Reading(L"-99.99"), -99.99);

  const NumericRule quantity = Decimal(0.001, 999999.999, 3, 10, 1.0);
  EXPECT_EQ(quantity.Reading(L"0"), std::nullopt);  // below the minimum
  EXPECT_EQ(quantity.Reading(L"2.5"), 2.5);

  const NumericRule article = Integer(1, 1000, 4, 1);
  for (const wchar_t* none : {L"", L"-", L"0", L"1001", L"-3", L"x"}) {
    EXPECT_EQ(article.Reading(none), std::nullopt) << none;
  }
  EXPECT_EQ(article.Reading(L"7"), 7.0);
  EXPECT_EQ(article.Reading(L"12a"), 12.0);  // the leading integer, as pasted

  EXPECT_EQ(FieldValueMessage("Цена", Decimal(0.01, 999999.99, 2, 9, 0.01)),
            "Полето „Цена“ трябва да съдържа число от 0.01 до 999999.99.");
  EXPECT_EQ(FieldValueMessage("Артикул номер", article),
            "Полето „Артикул номер“ трябва да съдържа цяло число от 1 до 1000.");
}

TEST(NumericRuleTest, AReadOnlyFieldRefusesEveryEdit) {
  for (NumericRule rule : {Decimal(0, 99999999, 2, 9), Integer(0, 999, 3)}) {
    rule.SetReadOnly(true);
    EXPECT_FALSE(rule.TypeChar({L"12", 2, 2}, L'3'));
    EXPECT_FALSE(rule.Backspace({L"12", 2, 2}));
    EXPECT_FALSE(rule.Backspace({L"12", 0, 2}));
    EXPECT_FALSE(rule.Paste({L"12", 2, 2}, L"3"));
    EXPECT_EQ(rule.ForeignChange(L"12", L"123"), std::nullopt);  // a drop, a middle click
    EXPECT_EQ(rule.ForeignChange(L"12", L"1"), std::nullopt);    // Delete, cut
    EXPECT_EQ(rule.ForeignChange(L"12", L"12"), L"12");
    rule.SetReadOnly(false);
    EXPECT_TRUE(rule.TypeChar({L"12", 2, 2}, L'3'));
  }
}

TEST(NumericRuleTest, ChangesThatBypassedTheHandlers) {
  const NumericRule rule = Integer(1, 99999);
  struct Case {
    const wchar_t* before;
    const wchar_t* after;
    bool kept;
  };
  const Case cases[] = {
      {L"123", L"13", true},       // a character deleted (Delete is not checked)
      {L"123", L"", true},         // everything deleted, though "" is not acceptable
      {L"5", L"", true},           //
      {L"", L"a12", false},        // a middle-button paste of letters
      {L"5", L"57", true},         // an acceptable insertion
      {L"5", L"5.", false},        // no decimal separator in an integer
      {L"5", L"5-", true},         // the integer scan stops at the 5
      {L"0", L"0x", false},        //
      {L"12", L"1999999", false},  // above the maximum
      {L"003", L"0x3", false},     // a replacement is an insertion
  };
  for (const Case& c : cases) {
    EXPECT_EQ(rule.ForeignChange(c.before, c.after).has_value(), c.kept)
        << c.before << " -> " << c.after;
  }
  EXPECT_TRUE(NumericRule::IsDeletionOf(L"abcd", L"ad"));
  EXPECT_TRUE(NumericRule::IsDeletionOf(L"aab", L"ab"));
  EXPECT_FALSE(NumericRule::IsDeletionOf(L"abcd", L"acd0"));
  EXPECT_FALSE(NumericRule::IsDeletionOf(L"abcd", L"ca"));
  EXPECT_FALSE(NumericRule::IsDeletionOf(L"ab", L"ab"));
}

TEST(NumericRuleTest, SettersRespectTheRange) {
  NumericRule decimal = Decimal(0, 500, 2);
  EXPECT_EQ(decimal.DecimalText(-1.0), std::nullopt);
  EXPECT_EQ(decimal.DecimalText(500.01), std::nullopt);
  EXPECT_EQ(decimal.DecimalText(12.5), L"12.50");
  EXPECT_EQ(decimal.IntegerText(7), L"7");  // the integer setter ignores the mode

  NumericRule integer = Integer(0, 100);
  EXPECT_EQ(integer.DecimalText(5.0), std::nullopt);  // not in decimal mode
  EXPECT_EQ(integer.IntegerText(-1), std::nullopt);
  EXPECT_EQ(integer.IntegerText(100), L"100");
}

TEST(NumericRuleTest, ConfigurationCapsAndItsOrder) {
  NumericRule integer;
  integer.ConfigureInteger(0, 2147483647, 20, 0);
  EXPECT_EQ(integer.MaxLength(), 10);
  EXPECT_EQ(integer.EditLimit(), 11);
  EXPECT_TRUE(integer.IsAcceptable(L"1000000000"));
  EXPECT_FALSE(integer.IsAcceptable(L"10000000000"));

  NumericRule decimal;
  decimal.SetDecimals(2);  // no effect before decimal mode
  decimal.SetDecimalRange(5, 6);
  EXPECT_EQ(decimal.Decimals(), 0);
  // The default is shown only when it lies within the range.
  EXPECT_EQ(decimal.ConfigureDecimal(-1e12, 1e12, 9, 40, 3.0), L"3.00000");
  EXPECT_EQ(decimal.Decimals(), 5);
  EXPECT_EQ(decimal.MaxLength(), 15);
  EXPECT_EQ(decimal.DecimalMinimum(), -NumericRule::kDecimalLimit);
  EXPECT_EQ(decimal.DecimalMaximum(), NumericRule::kDecimalLimit);
  EXPECT_EQ(decimal.ConfigureDecimal(1, 10, -1, 10, 0.0), std::nullopt);
  EXPECT_EQ(decimal.Decimals(), 5);
}

TEST(NumericRuleTest, ValuesOfTexts) {
  EXPECT_EQ(NumericRule::DecimalValueOf(L"12.5x"), -1.0);
  EXPECT_EQ(NumericRule::DecimalValueOf(L""), 0.0);
  EXPECT_EQ(NumericRule::DecimalValueOf(L"abc"), -1.0);
  EXPECT_EQ(NumericRule::DecimalValueOf(L"-"), -1.0);
  EXPECT_EQ(NumericRule::DecimalValueOf(L"12."), 12.0);
  EXPECT_EQ(NumericRule::DecimalValueOf(L"-0.25"), -0.25);
  EXPECT_EQ(NumericRule::DecimalValueOf(L"12 "), -1.0);
  EXPECT_EQ(NumericRule::LeadingInteger(L"42abc"), 42);
  EXPECT_EQ(NumericRule::LeadingInteger(L" -7"), -7);
  EXPECT_EQ(NumericRule::LeadingInteger(L"x1"), 0);
  EXPECT_EQ(NumericRule::LeadingInteger(L"+-1"), 0);
  EXPECT_EQ(NumericRule::LeadingInteger(L"99999999999999"), 2147483647);
  EXPECT_EQ(NumericRule::LeadingInteger(L"-99999999999999"), -2147483647 - 1);
}

}  // namespace
