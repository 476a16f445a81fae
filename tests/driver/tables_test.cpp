#include <string>
#include <vector>

#include "command_fixture.h"
#include "driver/text.h"

namespace {

class TablesTest : public ScriptedPrinterTest {};

TEST_F(TablesTest, SetHeaderLineFitsTextToWidth) {
  EXPECT_EQ(printer->SetHeaderLine(3, "ABC", 1, 9), "00");
  EXPECT_EQ(DataOf('I'), "3;   ABC   ");

  EXPECT_EQ(printer->SetHeaderLine(10, "ABC", 1, 9), "");
  EXPECT_EQ(printer->SetHeaderLine(-1, "ABC", 1, 9), "");
  EXPECT_EQ(SentCommands(), "I");
}

TEST_F(TablesTest, ReadHeaderLineDetectsAlignment) {
  struct Case {
    std::string kept;  // the line as the printer keeps it
    std::string text;
    int alignment;
  } cases[] = {
      {"   ABC    ", "ABC", 1},       // 3 and 4 spaces: centre
      {"ABC       ", "ABC", 0},       // trailing only: left
      {"       ABC", "ABC", 2},       // leading only: right
      {"  AB     ", "  AB     ", 1},  // unbalanced on both sides: kept
      {"          ", "", 1},          // blank
      {"", "", 1},                    // empty
      {"A  B", "A  B", 1},            // inner spaces stay
      {"    A B   ", "A B", 1},       // 4 and 3
  };
  for (const auto& c : cases) {
    device.Queue('i', FakeDevice::Reply::Data("5;" + c.kept + "#"));
    HeaderLine h;
    EXPECT_EQ(printer->ReadHeaderLine(5, h), "OK") << '[' << c.kept << ']';
    EXPECT_EQ(h.line, 5);
    EXPECT_EQ(h.text, c.text) << '[' << c.kept << ']';
    EXPECT_EQ(h.alignment, c.alignment) << '[' << c.kept << ']';
    EXPECT_EQ(h.width, static_cast<int>(c.kept.size()));
  }
  for (const auto& f : Sent()) EXPECT_EQ(f.data, "5");
}

TEST_F(TablesTest, ReadHeaderLineRangeAndShortReply) {
  HeaderLine h{1, "keep", 2, 7};
  EXPECT_EQ(printer->ReadHeaderLine(10, h), "");
  EXPECT_EQ(SentCommands(), "");

  device.Queue('i', FakeDevice::Reply::Data("0"));
  EXPECT_EQ(printer->ReadHeaderLine(0, h), "OK");
  EXPECT_EQ(DataOf('i'), "0");
  EXPECT_EQ(h.width, 0);
  EXPECT_EQ(h.text, "");
}

struct ArticleCase {
  const char* why;
  int number;
  double price;
  int group;
  int department;
  const char* mode;      // decimal-point reply, "" when not asked
  const char* commands;  // commands sent
};

TEST_F(TablesTest, SetArticleRefusesOutOfRangeArguments) {
  const ArticleCase cases[] = {
      {"number 0", 0, 1, 0, 0, "", ""},
      {"number 1001", 1001, 1, 0, 0, "", ""},
      {"price -1", 1, -1, 0, 0, "", ""},
      {"tax group 8", 1, 1, 8, 0, "", ""},
      {"tax group -1", 1, 1, -1, 0, "", ""},
      {"department beyond one byte", 1, 1, 0, 128, "", ""},
      {"price above two-decimal range", 1, 1000000.0, 0, 0, "2", "c"},
      {"price above whole range", 1, 100000000.0, 0, 0, "0", "c"},
      {"highest two-decimal price", 1000, 999999.99, 7, 0, "2", "cK"},
      {"highest whole price", 1, 99999999.0, 0, 0, "0", "cK"},
  };
  for (const auto& c : cases) {
    device.ClearRecords();
    if (*c.mode) device.Queue('c', FakeDevice::Reply::Data(c.mode));
    printer->SetArticle(c.number, "X", c.price, c.group, static_cast<uint8_t>(c.department));
    EXPECT_EQ(SentCommands(), c.commands) << c.why;
  }
  EXPECT_TRUE(ui.prompts.empty());
}

TEST_F(TablesTest, SetArticleDataInBothModes) {
  device.Queue('c', FakeDevice::Reply::Data("2"));
  EXPECT_EQ(printer->SetArticle(12, Cp("Хляб"), 1.2, 2, 3), "00");
  EXPECT_EQ(DataOf('K'),
            "00012;" + Cp("Хляб") + std::string(16, ' ') + ";000001.20;" + Cp("В") + ";\x83;");

  device.ClearRecords();
  device.Queue('c', FakeDevice::Reply::Data("0"));
  EXPECT_EQ(printer->SetArticle(1000, "A", 150, 0, 0), "00");
  EXPECT_EQ(DataOf('K'), "01000;A" + std::string(19, ' ') + ";000000150;" + Cp("А") + ";\x80;");
}

std::string ArticleReply(bool withDepartment) {
  std::string r = "00012;" + FitText(Cp("Хляб"), 20, 0, ' ') + ";" + FitText("1.20", 11, 2, ' ') +
                  ";\xC2;" + FitText("123.45", 11, 2, ' ') + ";" + FitText("10.500", 11, 2, ' ') +
                  ";00042;05-06-2026 18:30;";
  if (withDepartment) r += "\x83";
  return r;
}

TEST_F(TablesTest, ReadArticleDecodesFields) {
  device.Queue('k', FakeDevice::Reply::Data(ArticleReply(true)));
  ArticleRecord a;
  EXPECT_EQ(printer->ReadArticle(12, a), "OK");
  EXPECT_EQ(DataOf('k'), "00012");
  EXPECT_EQ(a.number, 12);
  EXPECT_EQ(a.name, Cp("Хляб"));
  EXPECT_DOUBLE_EQ(a.price, 1.2);
  EXPECT_EQ(a.taxGroup, 2);
  EXPECT_DOUBLE_EQ(a.turnover, 123.45);
  EXPECT_DOUBLE_EQ(a.soldQuantity, 10.5);
  EXPECT_EQ(a.reportNumber, 42);
  EXPECT_EQ(a.lastReportTime, ParseDateTime("05-06-2026 18:30"));
  EXPECT_EQ(a.department, 3);

  ASSERT_EQ(ArticleReply(false).size(), 88u);
  device.Queue('k', FakeDevice::Reply::Data(ArticleReply(false)));
  EXPECT_EQ(printer->ReadArticle(12, a), "OK");
  EXPECT_EQ(a.department, 0);
}

// The group travels as its letter А..З (0xC0..0xC7): all eight come back,
// З too.
TEST_F(TablesTest, EveryTaxGroupLetterReadsBackAsItsIndex) {
  for (int group = 0; group <= 7; ++group) {
    std::string reply = ArticleReply(true);
    reply[39] = static_cast<char>(0xC0 + group);
    device.Queue('k', FakeDevice::Reply::Data(reply));
    ArticleRecord a;
    ASSERT_EQ(printer->ReadArticle(12, a), "OK");
    EXPECT_EQ(a.taxGroup, group);
  }
}

TEST_F(TablesTest, SetParametersData) {
  PrintParameters p;
  p.deviceNumber = 42;
  p.logo = true;
  p.autoCut = true;
  p.currency = true;
  EXPECT_EQ(printer->SetParameters(p), "00");
  EXPECT_EQ(DataOf('E'), "0042;1;0;1;0;0;1;");

  p.deviceNumber = 10000;
  EXPECT_EQ(printer->SetParameters(p), "");
  p.deviceNumber = -1;
  EXPECT_EQ(printer->SetParameters(p), "");
  EXPECT_EQ(SentCommands(), "E");
}

TEST_F(TablesTest, ReadParametersOptionalFlags) {
  struct Case {
    std::string reply;
    PrintParameters expected;
  } cases[] = {
      {"0042;1;0;1;1", {42, true, false, true, true, false, false}},
      {"0042;0;0;0;0;1", {42, false, false, false, false, true, false}},
      {"9999;0;1;0;0;1;1", {9999, false, true, false, false, true, true}},
      {"0001;x;0;0", {1, true, false, false, false, false, false}},
  };
  for (const auto& c : cases) {
    device.Queue('e', FakeDevice::Reply::Data(c.reply));
    PrintParameters p{1, true, true, true, true, true, true};
    EXPECT_EQ(printer->ReadParameters(p), "OK");
    EXPECT_EQ(p.deviceNumber, c.expected.deviceNumber) << c.reply;
    EXPECT_EQ(p.logo, c.expected.logo) << c.reply;
    EXPECT_EQ(p.drawer, c.expected.drawer) << c.reply;
    EXPECT_EQ(p.autoCut, c.expected.autoCut) << c.reply;
    EXPECT_EQ(p.transparentDisplay, c.expected.transparentDisplay) << c.reply;
    EXPECT_EQ(p.shortJournal, c.expected.shortJournal) << c.reply;
    EXPECT_EQ(p.currency, c.expected.currency) << c.reply;
  }
}

TEST_F(TablesTest, ReadsOutOfRangeSendNothing) {
  OperatorRecord op;
  EXPECT_EQ(printer->ReadOperator(0, op), "");
  EXPECT_EQ(printer->ReadOperator(10, op), "");
  ArticleRecord a;
  EXPECT_EQ(printer->ReadArticle(0, a), "");
  EXPECT_EQ(printer->ReadArticle(1001, a), "");
  EXPECT_EQ(SentCommands(), "");
  EXPECT_TRUE(ui.prompts.empty());
}

TEST_F(TablesTest, ArticleDepartmentIsTheLowSevenBits) {
  const std::pair<char, int> cases[] = {{'9', 0x39}, {'A', 0x41}, {'\x85', 5}, {'\xFF', 0x7F}};
  for (const auto& [byte, department] : cases) {
    std::string reply = ArticleReply(false) + byte;
    device.Queue('k', FakeDevice::Reply::Data(reply));
    ArticleRecord a;
    EXPECT_EQ(printer->ReadArticle(12, a), "OK");
    EXPECT_EQ(a.department, department) << int{static_cast<unsigned char>(byte)};
  }
}

}  // namespace
