#include <ctime>
#include <string>
#include <vector>

#include "command_fixture.h"
#include "driver/text.h"

namespace {

const std::string kPassword6 = "  0000";  // "0000" right-aligned in six characters

// ---------------------------------------------------------------------------
// Tax number check digits

struct TaxNumberCase {
  const char* number;
  bool valid;
  const char* why;
};

TEST(IsValidTaxNumberTest, CheckDigitsAndShape) {
  const TaxNumberCase cases[] = {
      {"000000000", true, "nine zeros: every sum is 0"},
      {"0000000000000", true, "thirteen zeros"},
      {"0000000000", false, "ten digits"},
      {"000000000000", false, "twelve digits"},
      {"", false, "empty"},
      {"00000000A", false, "a letter in nine characters"},
      {"000000000000A", false, "a letter in thirteen characters"},
      {"291417774", true, "first weights"},
      {"756919338", true, "first sum leaves 10: second weights give 8"},
      {"756919330", false, "first sum leaves 10: 0 is wrong here"},
      {"082041610", true, "both sums leave 10: the check digit is 0"},
      {"2914177740008", true, "thirteen digits, first weights"},
      {"2914177740009", false, "thirteen digits, wrong last digit"},
      {"2914177740122", true, "thirteen digits, second weights give 2"},
      {"2914177740120", false, "thirteen digits, second weights: 0 is wrong"},
      {"2914177740070", true, "thirteen digits, both sums leave 10"},
  };
  for (const auto& c : cases) EXPECT_EQ(IsValidTaxNumber(c.number), c.valid) << c.why;
}

// ---------------------------------------------------------------------------
// Tax number and fiscalization

class ProgrammingTest : public ScriptedPrinterTest {};

TEST_F(ProgrammingTest, SetTaxNumberSendsValidNumberRightAligned) {
  device.SetFlag(kFlagFiscalized, false);
  EXPECT_EQ(printer->SetTaxNumber("0000", "291417774"), "00");
  EXPECT_TRUE(ui.prompts.empty());
  EXPECT_EQ(DataOf('A'), kPassword6 + ";1;    291417774");
}

TEST_F(ProgrammingTest, SetTaxNumberAsksBeforeSendingInvalidNumber) {
  device.SetFlag(kFlagFiscalized, false);
  ui.Answer({7});
  EXPECT_EQ(printer->SetTaxNumber("0000", "123"), "");
  ASSERT_EQ(ui.prompts.size(), 1u);
  EXPECT_EQ(ui.prompts[0].text, "Невалиден Булстат.\n\nДа продължи ли процедурата?");
  EXPECT_EQ(ui.prompts[0].caption, "Предупреждение");
  EXPECT_EQ(ui.prompts[0].style, 0x134u);
  EXPECT_EQ(SentCommands(), "");

  ui.Answer({6});
  EXPECT_EQ(printer->SetTaxNumber("0000", "123"), "00");
  EXPECT_EQ(DataOf('A'), kPassword6 + ";1;          123");
}

TEST_F(ProgrammingTest, ReadTaxNumberDropsSpacesAndClosingCharacter) {
  device.Queue('a', FakeDevice::Reply::Data(" 291 417 774 Z"));
  std::string number = "unchanged";
  EXPECT_EQ(printer->ReadTaxNumber(number), "OK");
  EXPECT_EQ(number, "291417774");

  device.Queue('a', FakeDevice::Reply::Data(" "));
  EXPECT_EQ(printer->ReadTaxNumber(number), "OK");
  EXPECT_EQ(number, "");
}

TEST_F(ProgrammingTest, ReadHeaderTaxNumberFindsNumberAfterLabel) {
  struct Case {
    std::string line;
    std::string expected;
  } cases[] = {
      {Cp("БУЛСТАТ 291417774"), "291417774"},
      {Cp("булстат 291417774"), "291417774"},
      {Cp("ЕИК: 291 417 774"), "291417774"},
      {"BG 291417774", "G291417774"},
      {"\x92 291417774", "291417774"},  // 0x92 is 'Т' 0x40 too low
      {"x\xAB"
       "291417774",
       "\xEB"
       "291417774"},  // raised to 0xEB and kept
      {"291417774", "291417774"},
      {"NONE", "NE"},
      {"      ", ""},
  };
  for (const auto& c : cases) {
    device.Queue('i', FakeDevice::Reply::Data("7;" + c.line + "#"));
    std::string number = "unchanged";
    EXPECT_EQ(printer->ReadHeaderTaxNumber(number), "OK") << c.line;
    EXPECT_EQ(number, c.expected) << c.line;
  }
  for (const auto& f : Sent()) EXPECT_EQ(f.data, "7");
}

class FiscalizeTest : public ScriptedPrinterTest {
 protected:
  void SetUp() override {
    ScriptedPrinterTest::SetUp();
    device.SetFlag(kFlagFiscalized, false);
    device.Queue('a', FakeDevice::Reply::Data(Cp("Б291417774 0")));
    device.Queue('i', FakeDevice::Reply::Data(Cp("7;ЕИК 291417774 #")));
    device.Queue('h', FakeDevice::Reply::Data("10-06-2026 12:00"));
  }
};

TEST_F(FiscalizeTest, ConfirmsDateAndCodeThenSends) {
  ui.Answer({5, 6});
  EXPECT_EQ(printer->Fiscalize("0000"), "00");
  EXPECT_EQ(SentCommands(), "aihA");
  EXPECT_EQ(DataOf('A'), kPassword6 + ";2");
  ASSERT_EQ(ui.prompts.size(), 2u);
  EXPECT_EQ(ui.prompts[0].text, "Датата във Фискалния Принтер е 10 юни 2026  12:00");
  EXPECT_EQ(ui.prompts[0].caption, "Потвърждение");
  EXPECT_EQ(ui.prompts[0].style, 0x3Du);
  EXPECT_EQ(ui.prompts[1].text,
            "Сигурни ли сте?\n Фискален код: Б291417774\nДата: 10 юни 2026  12:00");
  EXPECT_EQ(ui.prompts[1].style, 0x34u);
  EXPECT_EQ(ui.dateTimeDialogs, 0);
}

TEST_F(FiscalizeTest, SettingTheClockReadsTheNewDate) {
  device.Queue('h', FakeDevice::Reply::Data("11-06-2026 09:30"));
  ui.Answer({1, 6});
  ui.DateTimeResults({1});
  EXPECT_EQ(printer->Fiscalize("0000"), "00");
  EXPECT_EQ(ui.dateTimeDialogs, 1);
  EXPECT_TRUE(printer->IsConnected());
  EXPECT_EQ(SentCommands(), "aihhA");
  ASSERT_EQ(ui.prompts.size(), 2u);
  EXPECT_EQ(ui.prompts[1].text,
            "Сигурни ли сте?\n Фискален код: Б291417774\nДата: 11 юни 2026  09:30");
}

TEST_F(FiscalizeTest, EveryRefusalStopsBeforeSending) {
  struct Case {
    std::vector<int> answers;
    std::vector<int> dialog;
    const char* why;
  } cases[] = {
      {{2}, {}, "cancel at the date"},
      {{1}, {2}, "date and time dialog cancelled"},
      {{5, 7}, {}, "no at the last question"},
  };
  for (const auto& c : cases) {
    ui.prompts.clear();
    for (int a : c.answers) ui.Answer({a});
    for (int r : c.dialog) ui.DateTimeResults({r});
    EXPECT_EQ(printer->Fiscalize("0000"), "") << c.why;
    EXPECT_EQ(ui.prompts.size(), c.answers.size()) << c.why;
    for (const auto& f : Sent()) EXPECT_NE(f.cmd, 'A') << c.why;
    // Replies for the next round.
    device.Queue('a', FakeDevice::Reply::Data("291417774 0"));
    device.Queue('i', FakeDevice::Reply::Data("7;291417774#"));
    device.Queue('h', FakeDevice::Reply::Data("10-06-2026 12:00"));
  }
}

// ---------------------------------------------------------------------------
// Clock

class SetDateTimeTest : public ScriptedPrinterTest {
 protected:
  void SetUp() override {
    ScriptedPrinterTest::SetUp();
    lastRecord = ParseDateTime("01-06-2026");
    reference = ParseDateTime("10-06-2026 12:00");
  }
  void QueueReads(const std::string& clock = "10-06-2026 12:00") {
    device.Queue('s', FakeDevice::Reply::Data("01-06-2026;0012;0034"));
    device.Queue('h', FakeDevice::Reply::Data(clock));
  }
  std::time_t lastRecord = 0;  // F, the date of the last fiscal-memory record
  std::time_t reference = 0;   // R, the printer's clock
};

struct DateCase {
  const char* why;
  bool fromRecord;  // offset counted from F rather than from R
  long offset;      // seconds
  std::vector<int> answers;
  size_t prompts;
  bool sent;
  const char* result;
};

constexpr long kDay = 86400;
constexpr long kHour = 3600;

TEST_F(SetDateTimeTest, ConfirmationsGrowWithTheDistance) {
  const DateCase cases[] = {
      {"1 day 23 hours: no question", false, kDay + 23 * kHour, {}, 0, true, "00"},
      {"2 days: one question", false, 2 * kDay, {6}, 1, true, "00"},
      {"2 days, answered no", false, 2 * kDay, {7}, 1, false, ""},
      {"363 days: one question", false, 363 * kDay, {6}, 1, true, "00"},
      {"364 days: two questions", false, 364 * kDay, {7, 6}, 2, true, "00"},
      {"364 days, stop", false, 364 * kDay, {6}, 1, false, ""},
      {"364 days, cancel", false, 364 * kDay, {2}, 1, false, ""},
      {"364 days, no at the last question", false, 364 * kDay, {7, 7}, 2, false, ""},
      {"earlier than R, not than F", false, -5 * kDay, {}, 0, true, "00"},
      {"exactly F", true, 0, {}, 0, true, "00"},
      {"before F", true, -1, {}, 1, false, "BP"},
  };
  for (const auto& c : cases) {
    device.ClearRecords();
    ui.prompts.clear();
    QueueReads();
    for (int a : c.answers) ui.Answer({a});
    const std::time_t t = (c.fromRecord ? lastRecord : reference) + c.offset;
    EXPECT_EQ(printer->SetDateTime(t), c.result) << c.why;
    EXPECT_EQ(ui.prompts.size(), c.prompts) << c.why;
    EXPECT_EQ(SentCommands(), c.sent ? "shH" : "sh") << c.why;
    if (c.sent) {
      EXPECT_EQ(DataOf('H'), FormatTime(t, "%d-%m-%y %H:%M:%S")) << c.why;
    }
  }
}

TEST_F(SetDateTimeTest, SendsTwoDigitYearAndExactPrompts) {
  QueueReads();
  EXPECT_EQ(printer->SetDateTime(reference + kDay + 23 * kHour), "00");
  EXPECT_EQ(DataOf('H'), "12-06-26 11:00:00");

  device.ClearRecords();
  QueueReads();
  ui.Answer({6});
  EXPECT_EQ(printer->SetDateTime(reference + 2 * kDay), "00");
  ASSERT_EQ(ui.prompts.size(), 1u);
  EXPECT_EQ(ui.prompts[0].text, "Сигурни ли сте?\n12 юни 2026        12:00:00");
  EXPECT_EQ(ui.prompts[0].caption, "Потвърждение");
  EXPECT_EQ(ui.prompts[0].style, 0x34u);

  device.ClearRecords();
  ui.prompts.clear();
  QueueReads();
  ui.Answer({7, 6});
  const std::time_t far = ParseDateTime("11-06-2027 08:15");
  EXPECT_EQ(printer->SetDateTime(far), "00");
  ASSERT_EQ(ui.prompts.size(), 2u);
  EXPECT_EQ(ui.prompts[0].text,
            "Въведената дата е с над 1 година разлика\nИскате ли да прекратите "
            "сверяването?\n11 юни 2027         08:15:00");
  EXPECT_EQ(ui.prompts[0].style, 0x33u);
  EXPECT_EQ(ui.prompts[1].text, "Сигурни ли сте?\n11-06-2027 година        08:15:00");
  EXPECT_EQ(ui.prompts[1].caption, "Последно потвърждение");

  device.ClearRecords();
  ui.prompts.clear();
  QueueReads();
  EXPECT_EQ(printer->SetDateTime(lastRecord - kDay), "BP");
  // Not empty, yet nothing was sent: the outcome says so.
  EXPECT_EQ(printer->LastOutcome().end, CallEnd::kOutOfRange);
  EXPECT_TRUE(printer->LastOutcome().userTold);
  ASSERT_EQ(ui.prompts.size(), 1u);
  EXPECT_EQ(ui.prompts[0].text, "Въведената дата е преди\nпоследната дата във фискалната памет");
  EXPECT_EQ(ui.prompts[0].caption, "Грешка");
  EXPECT_EQ(ui.prompts[0].style, 0x10u);
}

TEST_F(SetDateTimeTest, UnsetClockMeasuresFromTheLastRecord) {
  device.SetFlag(kFlagClockNotSet, true);
  device.Queue('s', FakeDevice::Reply::Data("01-06-2026;0012;0034"));
  ui.Answer({6});
  // Three days after F but before the (ignored) printer clock: one question.
  EXPECT_EQ(printer->SetDateTime(lastRecord + 3 * kDay), "00");
  EXPECT_EQ(ui.prompts.size(), 1u);
  EXPECT_EQ(SentCommands(), "sH");
}

TEST_F(SetDateTimeTest, IncorrectClockMeasuresFromTheLastRecord) {
  device.SetFlag(6, true);  // clock value incorrect
  device.Queue('s', FakeDevice::Reply::Data("01-06-2026;0012;0034"));
  // One day after F: no question, and the wrong clock is not read.
  EXPECT_EQ(printer->SetDateTime(lastRecord + kDay), "00");
  EXPECT_TRUE(ui.prompts.empty());
  EXPECT_EQ(SentCommands(), "sH");

  device.ClearRecords();
  device.Queue('s', FakeDevice::Reply::Data("01-06-2026;0012;0034"));
  ui.Answer({6});
  EXPECT_EQ(printer->SetDateTime(lastRecord + 3 * kDay), "00");
  EXPECT_EQ(ui.prompts.size(), 1u);
  EXPECT_EQ(SentCommands(), "sH");
}

TEST_F(SetDateTimeTest, NeverSendsADateBeforeTheLastRecord) {
  // The printer's clock is behind its own last record: a time between the two
  // is still before the record and must not reach the printer.
  QueueReads("20-05-2026 12:00");
  EXPECT_EQ(printer->SetDateTime(ParseDateTime("25-05-2026 10:00")), "BP");
  EXPECT_EQ(SentCommands(), "sh");
}

// ---------------------------------------------------------------------------
// Decimal point and tax rates

TEST_F(ProgrammingTest, SetDecimalPointToCurrentModeSendsOnlyTheRead) {
  device.Queue('c', FakeDevice::Reply::Data("2"));
  EXPECT_EQ(printer->SetDecimalPoint("0000", '2'), "2");
  EXPECT_EQ(SentCommands(), "c");
  ASSERT_EQ(ui.prompts.size(), 1u);
  EXPECT_EQ(ui.prompts[0].text,
            "Десетичната точка, \nкоято искате да зададете, \nвече е въведена във Фискалния "
            "Принтер");
  EXPECT_EQ(ui.prompts[0].style, 0x10u);
}

TEST_F(ProgrammingTest, SetDecimalPointSendsNewMode) {
  device.Queue('c', FakeDevice::Reply::Data("2"));
  EXPECT_EQ(printer->SetDecimalPoint("0000", '0'), "00");
  EXPECT_EQ(SentCommands(), "cC");
  EXPECT_EQ(DataOf('C'), kPassword6 + ";0");
  EXPECT_TRUE(ui.prompts.empty());
}

TEST_F(ProgrammingTest, ReadTaxRatesMarksMissingGroups) {
  TaxRates rates{};
  device.Queue('b', FakeDevice::Reply::Data("00.00%;20.00%;09.00%"));
  EXPECT_EQ(printer->ReadTaxRates(rates), "00.00%;20.00%;09.00%");
  EXPECT_EQ(rates, (TaxRates{0, 20, 9, -2, -2, -2, -2, -2}));

  const std::string all = "00.00%;20.00%;20.00%;09.00%;-1.00%;05.50%;10.00%;99.99%";
  device.Queue('b', FakeDevice::Reply::Data(all));
  EXPECT_EQ(printer->ReadTaxRates(rates), all);
  EXPECT_EQ(rates, (TaxRates{0, 20, 20, 9, -1, 5.5, 10, 99.99}));

  // Four groups: the fourth field ends at character 26.
  device.Queue('b', FakeDevice::Reply::Data("00.00%;20.00%;20.00%;09.00"));
  printer->ReadTaxRates(rates);
  EXPECT_EQ(rates[3], 9.0);
  EXPECT_EQ(rates[4], -2.0);
}

TEST_F(ProgrammingTest, SetTaxRatesChecksRangesPerGroup) {
  const TaxRates refused[] = {
      {-1, 20, 20, 9, 0, 0, 0, 0},      // А cannot be switched off
      {0, 20, 20, -1, 0, 0, 0, 0},      // nor Г
      {0, 100, 20, 9, 0, 0, 0, 0},      // above 99.99
      {0, 20, 20, 9, -1.01, 0, 0, 0},   // below -1
      {0, 20, 20, 9, 0, 0, 0, 99.991},  // above 99.99
  };
  for (const auto& r : refused) {
    EXPECT_EQ(printer->SetTaxRates("0000", r), "");
    EXPECT_EQ(SentCommands(), "");
  }
  EXPECT_TRUE(ui.prompts.empty());
}

TEST_F(ProgrammingTest, SetTaxRatesSendsSwitchedOffGroup) {
  device.Queue('b', FakeDevice::Reply::Data("00.00%;20.00%;20.00%;09.00%"));
  EXPECT_EQ(printer->SetTaxRates("0000", {0, 20, 20, 9, -1, 99.99, 5.5, -1}), "00");
  EXPECT_EQ(SentCommands(), "bB");
  EXPECT_EQ(DataOf('B'), kPassword6 + ";00.00%;20.00%;20.00%;09.00%;-1.00%;99.99%;05.50%;-1.00%");
}

// ---------------------------------------------------------------------------
// Factory numbers and EEPROM

TEST_F(ProgrammingTest, SetFactoryNumbersRangeAndFormat) {
  device.SetFlag(kFlagFactoryNumbers, false);
  EXPECT_EQ(printer->SetFactoryNumbers("0000", 1000000, 1, 1), "");
  EXPECT_EQ(printer->SetFactoryNumbers("0000", 1, -1, 1), "");
  EXPECT_EQ(printer->SetFactoryNumbers("0000", 1, 1, 1000000), "");
  EXPECT_TRUE(device.Frames().empty());  // not even a status read

  EXPECT_EQ(printer->SetFactoryNumbers("0000", 123, 999999, 0), "00");
  EXPECT_EQ(DataOf(0x40), kPassword6 + ";000123;999999;000000");
}

TEST_F(ProgrammingTest, ReadFactoryNumbersDecodesPositions) {
  FactoryNumbers n{7, 7, 7};
  device.Queue(0x60, FakeDevice::Reply::Data("NV001234;50654321"));
  EXPECT_EQ(printer->ReadFactoryNumbers(n), "NV001234;50654321");
  EXPECT_EQ(n.printerNumber, 1234);
  EXPECT_EQ(n.memoryNumber, 654321);
  EXPECT_EQ(n.checkDigits, 0);

  device.Queue(0x60, FakeDevice::Reply::Data("NV12"));  // short: missing fields read 0
  EXPECT_EQ(printer->ReadFactoryNumbers(n), "NV12");
  EXPECT_EQ(n.printerNumber, 12);
  EXPECT_EQ(n.memoryNumber, 0);
}

// ---------------------------------------------------------------------------
// EEPROM erase

TEST_F(ProgrammingTest, EraseEepromNeedsARamReset) {
  EXPECT_EQ(printer->EraseEeprom("12"), "");
  ASSERT_EQ(ui.prompts.size(), 1u);
  EXPECT_EQ(ui.prompts[0].text, "НЕнулиран RAM. Командата се изпълнява при Нулиран RAM");
  EXPECT_EQ(SentCommands(), "");

  device.SetFlag(kFlagRamReset, true);
  EXPECT_EQ(printer->EraseEeprom("12"), "00");
  EXPECT_EQ(printer->EraseEeprom("1234567"), "00");
  EXPECT_EQ(SentCommands(), "??");
  EXPECT_EQ(Sent()[0].data, "    12");  // the password alone, in six characters
  EXPECT_EQ(Sent()[1].data, "123456");
  EXPECT_EQ(ui.prompts.size(), 1u);  // a RAM reset without the clock bit asks nothing
}

}  // namespace
