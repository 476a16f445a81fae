#include "cli/cli_ui.h"

#include <gtest/gtest.h>

#include <sstream>

#include "cli_run.h"

namespace {

struct Asked {
  int answer;
  std::string err;
};

Asked Ask(std::deque<int> answers, const std::string& typed, bool interactive, unsigned style) {
  std::istringstream in(typed);
  std::ostringstream err;
  CliUi ui(std::move(answers), in, err, interactive);
  const int a = ui.ShowPrompt("Ред 1\nРед \"2\"", "Грешка", style, 1);
  return {a, err.str()};
}

TEST(CliUi, AnswersFromTheListComeFirst) {
  const Asked a = Ask({5}, "1\n", true, 0x32);
  EXPECT_EQ(a.answer, 5);
  EXPECT_EQ(a.err,
            "prompt style=0x32 caption=\"Грешка\" text=\"Ред 1\\nРед \\\"2\\\"\" answer=5\n");
}

TEST(CliUi, TerminalChoosesANumberedButton) {
  struct Case {
    unsigned style;
    const char* typed;
    int want;
  };
  const Case cases[] = {
      {0x15, "1\n", 4},        // "Повтори"
      {0x15, "2\n", 2},        // "Отказ"
      {0x32, "x\n9\n3\n", 5},  // two bad lines, then "Продължи"
      {0x19, "1\n", 10},       // "Изтикване"
      {0x24, "", 2},           // end of input: as the close box
      {0x24, "0\n\n-1\n", 2},  // nothing valid before the end
  };
  for (const auto& c : cases) {
    const Asked a = Ask({}, c.typed, true, c.style);
    EXPECT_EQ(a.answer, c.want) << c.typed;
    EXPECT_NE(a.err.find("answer=" + std::to_string(c.want) + "\n"), std::string::npos) << a.err;
  }
  const Asked shown = Ask({}, "2\n", true, 0x15);
  EXPECT_NE(shown.err.find("  1) Повтори\n  2) Отказ\n"), std::string::npos) << shown.err;
}

TEST(CliUi, WithoutTerminalOrAnswersThePromptIsClosed) {
  const Asked a = Ask({}, "1\n", false, 0x24);
  EXPECT_EQ(a.answer, 2);
  EXPECT_EQ(a.err.find("1)"), std::string::npos);  // nothing was asked
}

TEST(CliUi, DialogWithoutAnswerIsCancelledAndOpensNothing) {
  std::istringstream in;
  std::ostringstream err;
  CliUi ui({}, in, err, false);
  EXPECT_EQ(ui.RunDateTimeDialog(200), 2);  // COM 200 is not mapped: it must not be opened
  EXPECT_EQ(err.str(), "datetime-dialog answer=2 result=2\n");
}

TEST(CliRunHelp, HelpAndListNeedNoMethod) {
  const CliRun help = RunTool({"--help"});
  EXPECT_EQ(help.code, 0);
  EXPECT_EQ(help.out.rfind("Usage:", 0), 0u);
  const CliRun list = RunTool({"--list"});
  EXPECT_EQ(list.code, 0);
  EXPECT_NE(list.out.find("\nsell-item text:text"), std::string::npos);
  EXPECT_EQ(RunTool({}).code, 2);
}

}  // namespace
