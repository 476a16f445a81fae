// fiscal-cli end to end against the scripted fake device: exit codes, prompts,
// the date and time dialog, scripts and the trace.
#include <gtest/gtest.h>

#include <atomic>
#include <ctime>
#include <functional>

#include "cli_run.h"
#include "driver/text.h"
#include "json_lite.h"
#include "link/frame.h"
#include "support/fake_device.h"

namespace {

using Reply = FakeDevice::Reply;

TEST(CliRunFake, UsageErrorsExitTwoAndSendNothing) {
  FakeDevice fake;
  const std::string dev = fake.Path();
  struct Case {
    std::vector<std::string> args;
    const char* named;
  };
  const Case cases[] = {
      {{"--device", dev, "print-z-report"}, "print-z-report"},
      {{"--device", dev, "sell-item", "Хляб", "Б", "1.20"}, "3 given"},
      {{"--device", dev, "sell-item", "Хляб", "Б", "1.2x", "1", "0"}, "price"},
      {{"--device", dev, "sell-item", "Чай ☕", "Б", "1.20", "1", "0"}, "text"},
      {{"--device", dev, "--baud", "4800", "read-status"}, "--baud"},
      {{"--device", dev, "--script", "/nonexistent/script.txt"}, "--script"},
  };
  for (const auto& c : cases) {
    const CliRun r = RunTool(c.args);
    EXPECT_EQ(r.code, 2) << c.named;
    EXPECT_EQ(r.out, "") << c.named;
    EXPECT_EQ(r.err.rfind("fiscal-cli: ", 0), 0u) << r.err;
    EXPECT_NE(r.err.find(c.named), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << "one line: " << r.err;
  }
  // A bad line anywhere in a script stops the script before anything is sent.
  const CliRun r = RunTool({"--device", dev, "--script", "-"},
                           "read-status\nread-version\nsell-item x 9 1 1 0\n");
  EXPECT_EQ(r.code, 2);
  EXPECT_NE(r.err.find("script line 3"), std::string::npos) << r.err;
  EXPECT_EQ(fake.ProbeCount(), 0);
  EXPECT_EQ(fake.RawReceived(), "");
}

TEST(CliRunFake, NoPortExitsOneAfterTheOpenPrompts) {
  const CliRun r = RunTool({"--device", "/nonexistent/tty", "--answers", "4", "read-status"});
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.out, "ReadStatus failed\n");
  // "Повтори" from the list, then nothing left: answered as the close box.
  const auto prompts = r.ErrLines("prompt ");
  ASSERT_EQ(prompts.size(), 2u) << r.err;
  EXPECT_EQ(prompts[0],
            "prompt style=0x15 caption=\"Грешка\" text=\"Не може да бъде отворен COM 1\" answer=4");
  EXPECT_EQ(prompts[1],
            "prompt style=0x15 caption=\"Грешка\" text=\"Не може да бъде отворен COM 1\" answer=2");
}

TEST(CliRunFake, SilentPrinterExitsOneWithoutAFrame) {
  FakeDevice fake;
  fake.SetProbe(FakeDevice::Probe::kSilent);
  const CliRun r = RunTool({"--com", "3=" + fake.Path(), "--port", "3", "--json", "read-version"});
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.out,
            "{\"method\":\"ReadVersion\",\"ok\":false,\"result\":\"\",\"end\":\"link-failed\","
            "\"message\":\"Няма връзка с Фискалния принтер\"}\n");
  EXPECT_EQ(r.ErrLines("prompt "),
            std::vector<std::string>{"prompt style=0x15 caption=\"Грешка\" text=\"Няма връзка с "
                                     "Фискалния принтер\" answer=2"});
  EXPECT_TRUE(fake.Frames().empty());
  EXPECT_GT(fake.ProbeCount(), 0);
}

TEST(CliRunFake, PromptsTakeTheAnswersInOrder) {
  FakeDevice fake;
  fake.Queue(0x21, Reply::Nack());
  fake.Queue(0x21, Reply::Nack());
  const CliRun r = RunTool({"--device", fake.Path(), "--answers", "4,2", "transact", "0x21", ""});
  EXPECT_EQ(r.code, 1);
  const auto prompts = r.ErrLines("prompt ");
  ASSERT_EQ(prompts.size(), 2u) << r.err;
  EXPECT_EQ(prompts[0], "prompt style=0x15 caption=\"Грешка\" text=\"Получен е NACK\" answer=4");
  EXPECT_EQ(prompts[1], "prompt style=0x15 caption=\"Грешка\" text=\"Получен е NACK\" answer=2");
  const auto frames = fake.Frames();
  ASSERT_EQ(frames.size(), 2u);  // sent again after "Повтори", not after "Отказ"
  EXPECT_EQ(frames[0].seq, frames[1].seq);
}

TEST(CliRunFake, PromptTextsAreEscapedOnOneLine) {
  FakeDevice fake;
  fake.Queue(0x21, Reply::Raw(std::string(1, '\x33')));  // not a reply start byte
  const CliRun r = RunTool({"--device", fake.Path(), "transact", "0x21", ""});
  EXPECT_EQ(r.code, 1);
  const auto prompts = r.ErrLines("prompt ");
  ASSERT_FALSE(prompts.empty()) << r.err;
  EXPECT_EQ(prompts[0],
            "prompt style=0x15 caption=\"Грешка\" text=\"Начало на съобщение различно от STX, ACK, "
            "NACK, и REPEAT\" answer=2");

  // A multi-line message keeps its line breaks as \n.
  FakeDevice silent;
  silent.Queue(0x21, Reply::Silence());
  const CliRun s = RunTool({"--device", silent.Path(), "read-version"});
  const auto lines = s.ErrLines("prompt ");
  ASSERT_FALSE(lines.empty()) << s.err;
  EXPECT_NE(lines[0].find("text=\"Няма отговор от COM 1\\n(или не са получени всички байтове, "
                          "\\nкоито трябва да се получат)\""),
            std::string::npos)
      << lines[0];
}

TEST(CliRunFake, ScriptRunsOnOnePrinterAndStopsAtTheFirstFailure) {
  FakeDevice fake;
  fake.Queue(0x21, Reply::Data("V1"));
  fake.Queue(0x21, Reply::Data("V2"));
  fake.Queue(0x21, Reply::Nack());
  const CliRun r = RunTool({"--device", fake.Path(), "--script", "-"},
                           "# two reads, a refused one, and one never sent\n"
                           "transact 0x21 \"\"\n\n  transact 33 ''\ntransact 0x21 ''\n"
                           "transact 0x22 ''\n");
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.OutLines(),
            (std::vector<std::string>{"Transact result=\"V1\"", "Transact result=\"V2\"",
                                      "Transact failed (link-failed)"}));
  const auto frames = fake.Frames();
  ASSERT_EQ(frames.size(), 3u);
  // Block numbers continue as in one action.
  EXPECT_EQ(frames[0].seq, 0x20);
  EXPECT_EQ(frames[1].seq, 0x21);
  EXPECT_EQ(frames[2].seq, 0x22);
}

TEST(CliRunFake, TraceMarksHandshakeFrameAndReply) {
  FakeDevice fake;
  fake.Queue(0x21, Reply::Data("ABC"));
  const CliRun r = RunTool({"--device", fake.Path(), "--trace", "transact", "0x21", ""});
  EXPECT_EQ(r.code, 0) << r.err;
  for (const char* mark :
       {"> 04  |.|  link probe", "< 04  |.|  link probe echo", "> 05  |.|  ready probe",
        "< 05  |.|  ready", "> 02 23 20 21 32 32 0a  |.# !22.|  frame seq=0x20 cmd=0x21 data=0",
        "STX: data reply", "data reply seq=0x20 cmd=0x21 data=3"}) {
    EXPECT_NE(r.err.find(mark), std::string::npos) << mark << "\n" << r.err;
  }
  // Without --trace nothing is traced, and the hook is gone after the run.
  const CliRun quiet = RunTool({"--device", fake.Path(), "transact", "0x21", ""});
  EXPECT_EQ(quiet.err, "");
}

// A printer whose clock is unset until it receives the set-clock command.
class ClockPrinter {
 public:
  ClockPrinter() {
    fake.SetHandler([this](const FakeDevice::ReceivedFrame& f) {
      if (f.cmd == 0x20) {
        std::vector<int> flags = {22, 23, 24};
        if (!clockSet) flags.push_back(3);
        return Reply::Data(FakeDevice::StatusBytes(flags));
      }
      if (f.cmd == 's') {  // last fiscal-memory record: today
        return Reply::Data(FormatTime(std::time(nullptr), "%d-%m-%Y") + " 0001 0001");
      }
      if (f.cmd == 'H') clockSet = true;
      return Reply::Ack("00");
    });
  }
  FakeDevice fake;
  std::atomic<bool> clockSet{false};
};

TEST(CliRunFake, DateTimeDialogSetsTheClockThroughASecondPrinter) {
  ClockPrinter printer;
  const CliRun r =
      RunTool({"--device", printer.fake.Path(), "--answers", "1,1", "check-status", "0x2"});
  EXPECT_EQ(r.code, 0) << r.err;
  const auto prompts = r.ErrLines("prompt ");
  ASSERT_FALSE(prompts.empty());
  EXPECT_EQ(prompts[0],
            "prompt style=0x17 caption=\"Грешка\" text=\"Несверен часовник. Сверете Дата и Час\" "
            "answer=1");
  EXPECT_EQ(r.ErrLines("datetime-dialog"),
            std::vector<std::string>{"datetime-dialog answer=1 result=1"});
  EXPECT_TRUE(printer.clockSet);
  EXPECT_EQ(r.out.rfind("CheckStatus result=\"OK\"", 0), 0u) << r.out;
  // The second printer starts its own block numbers: its 'H' frame is not 0x21.
  bool sawSet = false;
  for (const auto& f : printer.fake.Frames()) sawSet |= f.cmd == 'H';
  EXPECT_TRUE(sawSet);
}

// The exit status follows how each call ended, not only whether its text was
// empty: a refusal passed over with "Продължи" is a failure (1); "BP" and a
// silent refusal (an amount above the printer's maximum, which names its limit)
// are values the driver refused without sending them, usage errors (2).
TEST(CliRunFake, ExitStatusFollowsHowTheCallEnded) {
  struct Case {
    const char* why;
    std::function<void(FakeDevice&)> setup;
    std::vector<std::string> args;
    std::string input;
    int code;
    std::vector<std::string> outParts;
  };
  const Case cases[] = {
      {"a date before the last fiscal-memory record",
       [](FakeDevice& f) { f.Queue('s', Reply::Data("01-06-2026;0012;0034")); },
       {"--answers", "1", "set-date-time", "01-01-2026 10:00:00"},
       "",
       2,
       {"SetDateTime result=\"BP\" end=out-of-range"}},
      {"a refusal passed over: the script goes on, the status says it",
       [](FakeDevice& f) { f.Queue('$', Reply::Ack("01")); },
       {"--answers", "5", "--script", "-"},
       "clear-display\nread-version\n",
       1,
       {"ClearDisplay result=\"01\" end=printer-refused", "ReadVersion result="}},
      {"a deposit above the two-decimal maximum",
       [](FakeDevice& f) { f.Queue('c', Reply::Data("2")); },
       {"--json", "service-sum-in-out", "1", "0000", "0", "1000000"},
       "",
       2,
       {"\"ok\":false", "\"end\":\"out-of-range\"", "999999.99"}},
      {"a refusal passed over, then a value outside the limits: the run stops there",
       [](FakeDevice& f) {
         f.Queue('$', Reply::Ack("01"));
         f.Queue('c', Reply::Data("2"));
       },
       {"--answers", "5", "--script", "-"},
       "clear-display\nservice-sum-in-out 1 0000 0 1000000\nread-version\n",
       2,
       {"ClearDisplay result=\"01\"", "ServiceSumInOut failed (out-of-range)"}},
      {"a deposit at the maximum",
       [](FakeDevice& f) { f.Queue('c', Reply::Data("2")); },
       {"service-sum-in-out", "1", "0000", "0", "999999.99"},
       "",
       0,
       {"ServiceSumInOut result=\"00\""}},
  };
  for (const auto& c : cases) {
    FakeDevice fake;
    c.setup(fake);
    std::vector<std::string> args{"--device", fake.Path()};
    args.insert(args.end(), c.args.begin(), c.args.end());
    const CliRun r = RunTool(args, c.input);
    EXPECT_EQ(r.code, c.code) << c.why << "\n" << r.out << r.err;
    for (const auto& part : c.outParts)
      EXPECT_NE(r.out.find(part), std::string::npos) << c.why << ": " << r.out;
  }
}

TEST(CliRunFake, DateTimeDialogCancelled) {
  ClockPrinter printer;
  const CliRun r =
      RunTool({"--device", printer.fake.Path(), "--answers", "1,2", "check-status", "0x2"});
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.ErrLines("datetime-dialog"),
            std::vector<std::string>{"datetime-dialog answer=2 result=2"});
  EXPECT_FALSE(printer.clockSet);
  for (const auto& f : printer.fake.Frames()) EXPECT_NE(f.cmd, 'H');
}

TEST(CliRunFake, DownloadWritesTheStreamToTheFile) {
  FakeDevice fake;
  fake.Queue(0x75, Reply::Ack("00").Then("REPORT\x01\x02@"));
  const std::string path = testing::TempDir() + "cli_download.bin";
  const CliRun r = RunTool({"--device", fake.Path(), "download-fm-to-file", path});
  EXPECT_EQ(r.code, 0) << r.err;
  std::FILE* f = std::fopen(path.c_str(), "rb");
  ASSERT_NE(f, nullptr);
  char buf[64];
  const size_t n = std::fread(buf, 1, sizeof buf, f);
  std::fclose(f);
  EXPECT_EQ(std::string(buf, n), "REPORT\x01\x02@");
  std::remove(path.c_str());

  const CliRun bad =
      RunTool({"--device", fake.Path(), "download-fm-to-file", "/nonexistent/x.bin"});
  EXPECT_EQ(bad.code, 2) << "a file that cannot be written, as --record's";
  EXPECT_NE(bad.err.find("cannot open \"/nonexistent/x.bin\""), std::string::npos) << bad.err;
}

}  // namespace

namespace {

TEST(CliRunFake, JsonStatusHasThirtyTwoFlags) {
  FakeDevice fake;  // status: fiscal memory with decimals, fiscalized, factory numbers
  const CliRun r = RunTool({"--device", fake.Path(), "--json", "read-status"});
  EXPECT_EQ(r.code, 0) << r.err;
  const auto lines = r.OutLines();
  ASSERT_EQ(lines.size(), 1u);
  const auto json = Json::Parse(lines[0]);
  ASSERT_TRUE(json) << lines[0];
  EXPECT_EQ((*json)["method"].string, "ReadStatus");
  EXPECT_TRUE((*json)["ok"].boolean);
  EXPECT_FALSE((*json)["result"].string.empty());
  const Json& flags = (*json)["flags"];
  ASSERT_EQ(flags.array.size(), 32u);
  for (size_t i = 0; i < 32; ++i) {
    EXPECT_EQ(flags.array[i].type, Json::Type::kBool);
    EXPECT_EQ(flags.array[i].boolean, i == 22 || i == 23 || i == 24) << i;
  }
}

TEST(CliRunFake, JsonFailureLeavesOutTheOutParameters) {
  FakeDevice fake;
  fake.Queue(0x20, Reply::Nack());
  const CliRun r = RunTool({"--device", fake.Path(), "--json", "read-status"});
  EXPECT_EQ(r.code, 1);
  const auto json = Json::Parse(r.OutLines().at(0));
  ASSERT_TRUE(json);
  EXPECT_FALSE((*json)["ok"].boolean);
  EXPECT_EQ((*json)["result"].string, "");
  EXPECT_FALSE(json->Has("flags"));
}

}  // namespace

namespace {

TEST(CliRunFake, TextHelpersOpenNoPort) {
  const CliRun r = RunTool({"--device", "/nonexistent/tty", "--script", "-"},
                           "\xEF\xBB\xBF"
                           "fit-text ab 5 1 *\nremove-char \"  7 \" \" \" 0\n");
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.OutLines(),
            (std::vector<std::string>{"FitText result=\"*ab**\"", "RemoveChar result=\"7\""}));
  EXPECT_EQ(r.err, "");  // no open attempt, so no prompt
}

}  // namespace
