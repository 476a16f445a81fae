// The rule for dates typed as day.month.year, without a window.
#include <gtest/gtest.h>

#include <string>

#include "dialogs/controls/typed_date.h"

namespace {

TEST(TypedDate, WhatMayStandWhileTyping) {
  struct Row {
    const wchar_t* text;
    bool ok;
  };
  const Row rows[] = {
      {L"", true},           {L"0", true},           {L"3", true},
      {L"31", true},         {L"32", false},         {L"00", false},
      {L"0.", false},        {L"7.", true},          {L"7.1", true},
      {L"7.13", false},      {L"7.0.", false},       {L"31.04", false},
      {L"31.4.", false},     {L"30.4.", true},       {L"29.02", true},
      {L"29.02.2028", true}, {L"29.02.2027", false}, {L"1.1.1", true},
      {L"1.1.19", true},     {L"1.1.199", false},    {L"1.1.2099", true},
      {L"1.1.2100", false},  {L"1.1.20261", false},  {L"1.1.2026.", false},
      {L"1,1/2026", true},   {L"1-1-2026", true},    {L"1 1", false},
      {L"a", false},         {L".", false},          {L"123", false},
  };
  for (const Row& r : rows) EXPECT_EQ(typed_date::CanBecomeDate(r.text), r.ok) << r.text;
}

TEST(TypedDate, FinishedTexts) {
  struct Row {
    const wchar_t* text;
    int day, month, year;  // day 0: no date
  };
  const Row rows[] = {
      {L"15.03.2026", 15, 3, 2026}, {L"5.3.26", 5, 3, 2026}, {L"29/02/2028", 29, 2, 2028},
      {L"29.02.2100", 0, 0, 0},     {L"15.03", 0, 0, 0},     {L"15.03.202", 0, 0, 0},
      {L"31.11.2026", 0, 0, 0},     {L"1.1.1999", 0, 0, 0},  {L"", 0, 0, 0},
  };
  for (const Row& r : rows) {
    const auto d = typed_date::Read(r.text);
    ASSERT_EQ(d.has_value(), r.day != 0) << r.text;
    if (!d) continue;
    EXPECT_EQ(d->day, r.day) << r.text;
    EXPECT_EQ(d->month, r.month) << r.text;
    EXPECT_EQ(d->year, r.year) << r.text;
  }
  EXPECT_EQ(typed_date::Text({7, 12, 2026}), L"07.12.2026");
}

}  // namespace
