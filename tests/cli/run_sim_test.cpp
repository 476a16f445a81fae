// fiscal-cli end to end against the simulated printer: a whole receipt from a
// script, JSON results, prompts answered from --answers, the date and time
// dialog, usage errors and a printer that does not answer.
#include <gtest/gtest.h>

#include "cli_run.h"
#include "json_lite.h"
#include "sim/sim_server.h"

namespace {

class CliRunSim : public ::testing::Test {
 protected:
  CliRun Run(std::vector<std::string> args, const std::string& input = "") {
    args.insert(args.begin(), {"--device", sim.Path()});
    return RunTool(args, input);
  }
  SimServer sim;
};

const char* const kReceipt =
    "# one customer\n"
    "open-fiscal-receipt 1 1 0 0\n"
    "sell-item \"Хляб бял\" Б 1.20 2 0\n"
    "sell-item Вестник 0 1.00 1 0\n"
    "payment 0 10.00 0 0\n"
    "close-fiscal-receipt\n"
    "read-last-receipt-number\n";

TEST_F(CliRunSim, ScriptRunsAWholeReceipt) {
  const CliRun r = Run({"--script", "-"}, kReceipt);
  EXPECT_EQ(r.code, 0) << r.err;
  const auto lines = r.OutLines();
  ASSERT_EQ(lines.size(), 6u) << r.out;
  EXPECT_EQ(lines[0], "OpenFiscalReceipt result=\"00\"");
  EXPECT_EQ(lines[4], "CloseFiscalReceipt result=\"00\"");
  EXPECT_EQ(lines[5].rfind("ReadLastReceiptNumber result=\"OK\" number=", 0), 0u) << lines[5];
  EXPECT_EQ(r.ErrLines("prompt"), std::vector<std::string>{});

  const std::string paper = sim.Paper();
  for (const char* printed : {"Хляб бял", "Вестник", "3.40", "10.00", "6.60"}) {
    EXPECT_NE(paper.find(printed), std::string::npos) << printed << "\n" << paper;
  }
  EXPECT_FALSE(sim.Flags()[14]);  // the receipt is closed
}

TEST_F(CliRunSim, JsonRecordsParseWithTheirOutParameters) {
  const CliRun r = Run({"--json", "--script", "-"},
                       "open-fiscal-receipt 1 1 0 0\n"
                       "sell-item Хляб Б 1.20 2 0\n"
                       "sell-item Вестник А 1.00 1 0\n"
                       "read-receipt-state\n"
                       "payment 0 3.40 0 0\n"
                       "close-fiscal-receipt\n"
                       "read-daily-tax-totals\n"
                       "read-operator 1\n"
                       "read-status\n");
  EXPECT_EQ(r.code, 0) << r.err;
  std::vector<Json> records;
  for (const auto& line : r.OutLines()) {
    auto json = Json::Parse(line);
    ASSERT_TRUE(json) << line;
    EXPECT_TRUE((*json)["ok"].boolean) << line;
    records.push_back(*json);
  }
  ASSERT_EQ(records.size(), 9u);
  EXPECT_EQ(records[0]["method"].string, "OpenFiscalReceipt");
  EXPECT_EQ(records[0]["result"].string, "00");

  const Json& state = records[3]["state"];
  EXPECT_EQ(records[3]["result"].string, "OK");
  EXPECT_TRUE(state["open"].boolean);
  ASSERT_EQ(state["groupSubtotals"].array.size(), 8u);
  EXPECT_DOUBLE_EQ(state["groupSubtotals"].array[0].number, 1.00);
  EXPECT_DOUBLE_EQ(state["groupSubtotals"].array[1].number, 2.40);

  const Json& groups = records[6]["totals"]["groups"];
  ASSERT_EQ(groups.array.size(), 8u);
  EXPECT_DOUBLE_EQ(groups.array[0].number, 1.00);
  EXPECT_DOUBLE_EQ(groups.array[1].number, 2.40);

  // Texts come back as UTF-8 with the record's field names.
  EXPECT_EQ(records[7]["record"]["number"].number, 1);
  EXPECT_EQ(records[7]["record"]["name"].string, "Оператор 1");
  EXPECT_EQ(records[7]["record"]["password"].string, "1");

  ASSERT_EQ(records[8]["flags"].array.size(), 32u);
  EXPECT_TRUE(records[8]["flags"].array[23].boolean);   // fiscalized
  EXPECT_FALSE(records[8]["flags"].array[14].boolean);  // no open receipt
}

TEST_F(CliRunSim, ZeroReportQuestionIsAnsweredFromTheList) {
  // A day without sales: the driver asks before a zero Z report.
  const char* kQuestion =
      "prompt style=0x34 caption=\"Нулев Дневен Отчет\" text=\"Искате да направите Нулев "
      "Дневен Отчет?\" answer=";
  const CliRun no = Run({"--answers", "7", "print-daily-report", "1"});
  EXPECT_EQ(no.code, 1);
  EXPECT_EQ(no.ErrLines("prompt"), std::vector<std::string>{std::string(kQuestion) + "7"});
  EXPECT_EQ(sim.Paper().find("Z ОТЧЕТ"), std::string::npos);

  const CliRun yes = Run({"--answers", "6", "print-daily-report", "1"});
  EXPECT_EQ(yes.code, 0) << yes.err;
  EXPECT_EQ(yes.ErrLines("prompt"), std::vector<std::string>{std::string(kQuestion) + "6"});
  EXPECT_NE(sim.Paper().find("Z ОТЧЕТ"), std::string::npos);
}

TEST_F(CliRunSim, PaperPromptWithoutAnswersIsClosed) {
  sim.Inject(Fault::kPaperOut);
  const CliRun r = Run({"feed-paper"});
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(
      r.ErrLines("prompt"),
      std::vector<std::string>{"prompt style=0x19 caption=\"Грешка\" text=\"Липсва хартия или "
                               "е прегрял принтера\" answer=2"});
  sim.Inject(Fault::kPaperOut, 0);
  EXPECT_EQ(Run({"feed-paper"}).code, 0);
}

TEST_F(CliRunSim, DateTimeDialogSetsTheClockFromTheComputer) {
  sim.Inject(Fault::kClockNotSet);
  ASSERT_TRUE(sim.Flags()[3]);
  // "Сверяване", then the dialog's "Set From System"; any confirmation "Да".
  const CliRun r = Run({"--answers", "1,1,6,6", "check-status", "0x2"});
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.ErrLines("datetime-dialog"),
            std::vector<std::string>{"datetime-dialog answer=1 result=1"});
  EXPECT_FALSE(sim.Flags()[3]);
}

TEST_F(CliRunSim, DateTimeDialogCancelledLeavesTheClock) {
  sim.Inject(Fault::kClockNotSet);
  const CliRun r = Run({"--answers", "1,2", "check-status", "0x2"});
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.ErrLines("datetime-dialog"),
            std::vector<std::string>{"datetime-dialog answer=2 result=2"});
  EXPECT_TRUE(sim.Flags()[3]);
}

TEST_F(CliRunSim, TheSameCommandRunTwiceActsTwice) {
  // Each run's link starts its block numbers afresh, so the second run's frame
  // is the first run's to the byte; it is a new command all the same.
  for (int run = 0; run < 2; ++run) {
    const CliRun r = Run({"finish-printout"});
    EXPECT_EQ(r.code, 0) << r.err;
  }
  const std::string paper = sim.Paper();
  size_t cuts = 0;
  for (size_t at = paper.find("✂"); at != std::string::npos; at = paper.find("✂", at + 1)) ++cuts;
  EXPECT_EQ(cuts, 2u) << paper;
}

TEST_F(CliRunSim, UsageErrorsSendNothing) {
  const std::vector<std::vector<std::string>> cases = {
      {"sell-items", "x", "0", "1", "1", "0"},      // unknown method
      {"open-fiscal-receipt", "1", "1", "0"},       // wrong argument count
      {"payment", "0", "ten", "0", "0"},            // bad number
      {"print-receipt-text", "Благодарим ☺", "1"},  // no Windows-1251 form
      {"--port", "x", "read-status"},               // bad option
  };
  for (const auto& args : cases) {
    const CliRun r = Run(args);
    EXPECT_EQ(r.code, 2) << args[0];
    EXPECT_EQ(r.out, "");
  }
  const CliRun script = Run({"--script", "-"}, std::string(kReceipt) + "payment 0 1,5 0 0\n");
  EXPECT_EQ(script.code, 2);
  EXPECT_NE(script.err.find("script line 8"), std::string::npos) << script.err;
  EXPECT_EQ(sim.FrameCount(), 0);
  EXPECT_EQ(sim.Paper(), "");
}

TEST_F(CliRunSim, PrinterThatDoesNotAnswerExitsOne) {
  sim.Inject(Fault::kNoAnswer);
  const CliRun r = Run({"--json", "read-status"});
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.out,
            "{\"method\":\"ReadStatus\",\"ok\":false,\"result\":\"\",\"end\":\"link-failed\","
            "\"message\":\"Няма връзка с Фискалния принтер\"}\n");
  EXPECT_EQ(r.ErrLines("prompt"),
            std::vector<std::string>{"prompt style=0x15 caption=\"Грешка\" text=\"Няма връзка с "
                                     "Фискалния принтер\" answer=2"});
  EXPECT_EQ(sim.FrameCount(), 0);
}

}  // namespace
