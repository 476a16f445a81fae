// The simulator's own text helpers. Its Windows-1251 table is checked against
// hand-written letters and, byte for byte, against the driver's: the two were
// written apart, so agreement on all 256 bytes is evidence for both.
#include "sim/sim_text.h"

#include <gtest/gtest.h>

#include "driver/cp1251.h"

using simtext::Align;

TEST(SimText, KnownBytesConvertBothWays) {
  const struct {
    unsigned char byte;
    const char* utf8;
  } kCases[] = {
      {0xC0, "А"}, {0xFF, "я"}, {0xA8, "Ё"},      {0xB8, "ё"}, {0xB9, "№"},
      {0x88, "€"}, {0xB2, "І"}, {0xA0, "\u00A0"}, {0x41, "A"},
  };
  for (const auto& c : kCases) {
    const std::string byte(1, static_cast<char>(c.byte));
    const std::string utf8 = c.utf8;
    EXPECT_EQ(simtext::ToUtf8(byte), utf8) << int(c.byte);
    EXPECT_EQ(simtext::ToCp1251(utf8), byte) << int(c.byte);
  }
  EXPECT_EQ(simtext::ToUtf8("\x98"), "\uFFFD");
}

TEST(SimText, EveryByteAgreesWithTheDriverAndRoundTrips) {
  for (int b = 0; b < 256; ++b) {
    const std::string byte(1, static_cast<char>(b));
    const std::string utf8 = simtext::ToUtf8(byte);
    EXPECT_EQ(utf8, Cp1251ToUtf8(byte)) << b;
    EXPECT_EQ(simtext::ToCp1251(utf8), b == 0x98 ? "?" : byte) << b;
  }
}

TEST(SimText, WithoutAByteOrMalformedBecomesQuestionMark) {
  const struct {
    std::string utf8, cp1251;
  } kCases[] = {
      {"a\u00E9b", "a?b"},        // é has no byte
      {"\xFF\xD0", "??"},         // bad lead, cut sequence
      {"\xC0\x80", "??"},         // overlong NUL
      {"\xED\xA0\x80x", "???x"},  // surrogate
      {"\uFFFD", "?"},            // not the unassigned byte
      {"Ден 1", "\xC4\xE5\xED 1"},
  };
  for (const auto& c : kCases) EXPECT_EQ(simtext::ToCp1251(c.utf8), c.cp1251) << c.utf8;
}

TEST(SimText, FitCutsAndPads) {
  const struct {
    const char* text;
    int width;
    Align align;
    char fill;
    const char* want;
  } kCases[] = {
      {"ab", 5, Align::kLeft, ' ', "ab   "},    {"ab", 5, Align::kRight, ' ', "   ab"},
      {"ab", 5, Align::kCentre, ' ', " ab  "},  {"ab", 6, Align::kCentre, '_', "__ab__"},
      {"abcdef", 3, Align::kRight, ' ', "abc"}, {"abc", 3, Align::kCentre, ' ', "abc"},
      {"", 2, Align::kLeft, '_', "__"},         {"abc", 0, Align::kLeft, ' ', ""},
  };
  for (const auto& c : kCases)
    EXPECT_EQ(simtext::Fit(c.text, c.width, c.align, c.fill), c.want) << c.text;
}

TEST(SimText, SprintfIsNotLimitedInLength) {
  EXPECT_EQ(simtext::Sprintf("%05d;%011.3f", 42, 1.5), "00042;0000001.500");
  EXPECT_EQ(simtext::Sprintf("%s", std::string(1000, 'x').c_str()).size(), 1000u);
  EXPECT_EQ(simtext::Sprintf("%s", ""), "");
}
