// Reports: Z zeroes the day and writes the fiscal memory, programming waits
// for zeroed reports, fiscal-memory reports and the download stream.
#include "sim/sim_wire.h"
#include "sim_fixture.h"

namespace {
class ReportTest : public SimTest {
 protected:
  // One receipt: article 1 (Хляб 1.20, group Б) twice, paid in cash.
  void Sale() {
    OpenReceipt();
    ASSERT_EQ(Code(0x32, " 00001*000002.000"), "00");
    ASSERT_EQ(Code(0x35, "0;0;0000005.00;0;"), "00");
    ASSERT_EQ(Code(0x38), "00");
  }
};

TEST_F(ReportTest, ZReportZeroesTheDayAndWritesTheFiscalMemory) {
  Sale();
  const size_t records = State().fm.size();
  const std::string before = Data(0x6E, "5");
  EXPECT_EQ(FieldInt(before, 2, 6), 4);
  EXPECT_EQ(FieldInt(before, 8, 12), 3);
  EXPECT_EQ(Code(0x7C, "X"), "00");  // X prints and keeps the counters
  EXPECT_DOUBLE_EQ(FieldDouble(Data(0x6D), 12, 22), 2.40);
  EXPECT_EQ(Code(0x7C, "Z"), "00");

  EXPECT_EQ(client_->Probe(), simwire::kBusy);  // still printing
  const std::string tax = Data(0x6D);
  for (size_t g = 0; g < 8; ++g) EXPECT_DOUBLE_EQ(FieldDouble(tax, g * 12, g * 12 + 10), 0.0);
  EXPECT_DOUBLE_EQ(FieldDouble(Data(0x6E, "0"), 2, 12), 0.0);
  EXPECT_EQ(FieldInt(Data(0x6E, "1"), 2, 6), 0);
  EXPECT_FALSE(Flags()[9]);
  const auto st = State();
  ASSERT_EQ(st.fm.size(), records + 1);
  EXPECT_EQ(st.fm.back().type, FmRecord::kZReport);
  EXPECT_EQ(st.fm.back().number, 4);
  EXPECT_EQ(st.fm.back().totals[1], 240);
  const std::string after = Data(0x6E, "5");
  EXPECT_EQ(FieldInt(after, 2, 6), 5);
  EXPECT_EQ(FieldInt(after, 8, 12), 4);
  EXPECT_EQ(FieldInt(after, 14, 18), 5);
  const std::string last = Data(0x73);
  EXPECT_EQ(last.substr(0, 10), FormatTime(std::time(nullptr), "%d-%m-%Y"));
  EXPECT_EQ(FieldInt(last, 11, 14), 4);
  const std::string paper = sim_->Paper();
  EXPECT_NE(paper.find("X ОТЧЕТ"), std::string::npos);
  EXPECT_NE(paper.find("Z ОТЧЕТ № 0004"), std::string::npos);
  EXPECT_NE(paper.find("ОБЩ ОБОРОТ                            2.40"), std::string::npos) << paper;
  // The article and operator reports are zeroed separately.
  EXPECT_TRUE(Flags()[10]);
  EXPECT_TRUE(Flags()[11]);
}

TEST_F(ReportTest, ProgrammingWaitsForZeroedReports) {
  Sale();
  struct Case {
    uint8_t cmd;
    const char* data;
  };
  const Case blocked[] = {
      {0x49, "1;НОВ РЕД"},
      {0x4A, "1;Иван                ;1   "},
      {0x4B, "00001;Хляб                ;000001.30;Б;Ђ;"},
      {0x42, "000000;00.00%;20.00%;20.00%;09.00%;-1.00%;-1.00%;-1.00%;-1.00%"},
      {0x43, "000000;0"},
      {0x44, "1;КРЕДИТ____"},
  };
  for (const auto& c : blocked) EXPECT_EQ(Code(c.cmd, c.data), "03") << int(c.cmd);
  EXPECT_EQ(Code(0x7C, "Z"), "00");
  EXPECT_EQ(Code(0x49, "1;НОВ РЕД"), "00");
  EXPECT_EQ(Code(0x4A, "1;Иван                ;1   "), "03");
  EXPECT_EQ(Code(0x7D, "Z;0"), "00");
  EXPECT_FALSE(Flags()[11]);
  EXPECT_EQ(Code(0x4A, "1;Иван                ;1   "), "00");
  EXPECT_EQ(Code(0x4B, "00001;Хляб                ;000001.30;Б;Ђ;"), "03");
  EXPECT_EQ(Code(0x7E, "Z"), "00");
  EXPECT_FALSE(Flags()[10]);
  EXPECT_EQ(Code(0x4B, "00001;Хляб                ;000001.30;Б;Ђ;"), "00");
  EXPECT_EQ(FieldDouble(Data(0x6B, "00001"), 41, 51), 0.0);
  EXPECT_EQ(FieldInt(Data(0x6B, "00001"), 65, 69), 2);
}

TEST_F(ReportTest, ExtendedZZeroesDayAndArticles) {
  Sale();
  EXPECT_EQ(Code(0x7F, "Z"), "00");
  EXPECT_FALSE(Flags()[9]);
  EXPECT_FALSE(Flags()[10]);
  EXPECT_NE(sim_->Paper().find("РАЗШИРЕН ДНЕВЕН ОТЧЕТ"), std::string::npos);
}

TEST_F(ReportTest, OperatorReports) {
  Sale();
  EXPECT_EQ(Code(0x7D, "X;1"), "00");
  EXPECT_EQ(FieldInt(Data(0x6F, "1;1"), 4, 8), 1);
  EXPECT_EQ(Code(0x7D, "X;10"), "04");
  EXPECT_EQ(Code(0x7D, "Z;0"), "00");
  EXPECT_EQ(FieldInt(Data(0x6F, "1;1"), 4, 8), 0);
  const std::string info = Data(0x6F, "5;1");
  EXPECT_EQ(FieldInt(info, 4, 8), 2);
  EXPECT_EQ(info.substr(10, 10), FormatTime(std::time(nullptr), "%d-%m-%Y"));
}

TEST_F(ReportTest, FiscalMemoryReports) {
  EXPECT_EQ(Code(0x78, "0001;0003"), "00");
  std::string paper = sim_->Paper();
  for (const char* z : {"Z 0001", "Z 0002", "Z 0003"})
    EXPECT_NE(paper.find(z), std::string::npos) << z;
  sim_->ClearPaper();
  EXPECT_EQ(Code(0x79, "0002;0002"), "00");
  paper = sim_->Paper();
  EXPECT_EQ(paper.find("Z 0001"), std::string::npos);
  EXPECT_NE(paper.find("Z 0002"), std::string::npos);
  EXPECT_EQ(Code(0x79, "0003;0002"), "04");
  EXPECT_EQ(Code(0x78, "1;3"), "04");
  const std::time_t now = std::time(nullptr);
  const std::string range = FormatTime(now - 2 * 86400, "%d%m%y") + ";" + FormatTime(now, "%d%m%y");
  sim_->ClearPaper();
  EXPECT_EQ(Code(0x7A, range), "00");
  paper = sim_->Paper();
  EXPECT_EQ(paper.find("Z 0001"), std::string::npos);
  EXPECT_NE(paper.find("Z 0003"), std::string::npos);
  EXPECT_EQ(Code(0x7B, "320126;010226"), "04");
  EXPECT_EQ(Code(0x77), "00");
  EXPECT_NE(sim_->Paper().find("СПЕЦИАЛЕН ОТЧЕТ НА ФП"), std::string::npos);
}

TEST_F(ReportTest, FiscalMemoryReportsByNumberAndDateComeInFullAndShort) {
  const std::time_t now = std::time(nullptr);
  const std::string days = FormatTime(now - 2 * 86400, "%d%m%y") + ";" + FormatTime(now, "%d%m%y");
  const struct {
    uint8_t cmd;
    std::string data;
    const char* title;
    bool detailed;
  } cases[] = {{0x78, "0001;0003", "ПО БЛОКОВЕ 0001-0003", true},
               {0x79, "0001;0003", "ПО БЛОКОВЕ 0001-0003", false},
               {0x7A, days, "ОТЧЕТ НА ФП ", true},
               {0x7B, days, "ОТЧЕТ НА ФП ", false}};
  for (const auto& c : cases) {
    sim_->ClearPaper();
    EXPECT_EQ(Code(c.cmd, c.data), "00") << int(c.cmd);
    const std::string paper = sim_->Paper();
    EXPECT_NE(paper.find(c.title), std::string::npos) << int(c.cmd) << "\n" << paper;
    EXPECT_NE(paper.find(c.detailed ? "ПОДРОБЕН" : "СЪКРАТЕН"), std::string::npos) << int(c.cmd);
    EXPECT_EQ(paper.find(c.detailed ? "СЪКРАТЕН" : "ПОДРОБЕН"), std::string::npos) << int(c.cmd);
    EXPECT_NE(paper.find("Z 0003"), std::string::npos) << int(c.cmd);
  }
}

TEST_F(ReportTest, DownloadStreamsReadableTextEndingWithTheTerminator) {
  EXPECT_EQ(Code(0x75), "00");
  const std::string stream = client_->ReadUntil('@', 500);
  ASSERT_FALSE(stream.empty());
  EXPECT_EQ(stream.back(), '@');
  EXPECT_EQ(stream.find('@'), stream.size() - 1);
  EXPECT_EQ(stream.find('\0'), std::string::npos);
  const std::string text = Cp1251ToUtf8(stream);
  EXPECT_NE(text.find("ФИСКАЛНА ПАМЕТ"), std::string::npos);
  EXPECT_NE(text.find("Z 0003"), std::string::npos);
  EXPECT_EQ(Run(0x20).kind, SimClient::Reply::kData);  // back to frames
}

TEST_F(ReportTest, JournalReportPrintsTheDaysDocuments) {
  Sale();
  sim_->ClearPaper();
  EXPECT_EQ(Code(0x7C, "E"), "00");
  const std::string paper = sim_->Paper();
  EXPECT_NE(paper.find("ЕЛЕКТРОНЕН ЖУРНАЛ № 0004"), std::string::npos);
  EXPECT_NE(paper.find("Хляб"), std::string::npos);
  EXPECT_NE(paper.find("КРАЙ НА ЖУРНАЛА"), std::string::npos);
}

TEST_F(ReportTest, DiagnosticsAndDisplay) {
  EXPECT_EQ(Code(0x22), "00");
  EXPECT_NE(sim_->Paper().find("ДИАГНОСТИКА"), std::string::npos);
  EXPECT_EQ(Code(0x25, "Добър ден"), "00");
  EXPECT_EQ(Code(0x26, "       Hello        "), "00");
  auto st = State();
  EXPECT_EQ(U(st.display[0]), "Добър ден");
  EXPECT_NE(sim_->Paper().find("│       Hello        │"), std::string::npos);
  EXPECT_EQ(Code(0x27, std::string(20, 'a') + std::string(20, 'b')), "00");
  st = State();
  EXPECT_EQ(st.display[0], std::string(20, 'a'));
  EXPECT_EQ(st.display[1], std::string(20, 'b'));
  EXPECT_EQ(Code(0x24), "00");
  EXPECT_TRUE(State().display[0].empty());
}
}  // namespace
