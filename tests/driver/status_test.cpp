#include <chrono>
#include <thread>

#include "driver/text.h"
#include "scripted_printer.h"

namespace {

using StatusCheck = PrinterScript;
using Cmds = std::vector<uint8_t>;

TEST_F(StatusCheck, EachFlagComesFromItsByteAndBit) {
  // flag -> (byte, bit); S1 bit 2 is unused and S4 bits 3..5 carry flags 30, 28, 29.
  const int where[32][2] = {{0, 0}, {0, 1}, {0, 2}, {0, 3}, {0, 4}, {0, 5}, {0, 6}, {1, 0},
                            {1, 1}, {1, 3}, {1, 4}, {1, 5}, {1, 6}, {2, 0}, {2, 1}, {2, 2},
                            {2, 3}, {2, 4}, {3, 0}, {3, 1}, {3, 2}, {3, 3}, {3, 4}, {3, 5},
                            {3, 6}, {4, 0}, {4, 1}, {4, 2}, {4, 4}, {4, 5}, {4, 3}, {4, 6}};
  for (int flag = 0; flag < 32; ++flag) {
    SCOPED_TRACE(flag);
    std::string bytes(6, '\x80');
    bytes[static_cast<size_t>(where[flag][0])] |= static_cast<char>(1 << where[flag][1]);
    dev.Queue(0x20, Reply::Data(bytes));
    StatusFlags flags{};
    EXPECT_EQ(printer->ReadStatus(flags), bytes);
    for (int f = 0; f < 32; ++f) EXPECT_EQ(flags[static_cast<size_t>(f)], f == flag) << f;
  }
  // The unused bits set nothing.
  dev.Queue(0x20, Reply::Data("\x80\x84\x80\x80\x80\x80"));
  StatusFlags flags{};
  EXPECT_NE(printer->ReadStatus(flags), "");
  EXPECT_EQ(flags, StatusFlags{});
}

TEST_F(StatusCheck, ShortStatusReplyIsAFailedRead) {
  dev.Queue(0x20, Reply::Data("\xFF\xFF\xFF\xFF"));
  StatusFlags flags{};
  EXPECT_EQ(printer->ReadStatus(flags), "");
  EXPECT_EQ(flags, StatusFlags{});  // untouched
  ASSERT_EQ(ui.prompts.size(), 1u);
  EXPECT_EQ(ui.prompts[0].caption, "Грешка");

  // The status check stops there and sends nothing more.
  dev.ClearRecords();
  dev.Queue(0x20, Reply::Data("\xFF"));
  EXPECT_EQ(printer->CheckStatus(flags, 0x1), "");
  EXPECT_EQ(Commands(), Cmds{0x20});
}

struct Refusal {
  uint32_t word;
  std::vector<int> flags;  // the whole status
  const char* message;
};

TEST_F(StatusCheck, RefusalsShowTheirMessageAndSendNothingMore) {
  const Refusal cases[] = {
      {0x1, {18, 23, 24}, "Липсва Фискална Памет"},
      {0x1, {19, 23, 24}, "Грешна Фискална Памет"},
      {0x800, {23}, "Незаписани Фабрични Номера"},
      {0x4000, {24}, "Фабричните Номера са вече записани"},
      {0x2, {4, 23, 24}, "Хардуерна грешка в часовника на Фискалния Принтер"},
      {0x2000, {23, 24}, "НЕнулиран RAM. Командата се изпълнява при Нулиран RAM"},
      {0x400, {24}, "Фискалният принтер е НЕфискализиран"},
      {0x8000, {23, 24}, "Фискалният принтер е вече Фискализиран"},
      {0x1000, {20, 23, 24}, "Фискалният принтер е с пълна Фискална Памет"},
      {0x10000, {14, 23, 24}, "Неотворен Служебен Бон"},
      {0x20000, {13, 23, 24}, "Неотворен Фискален Бон"},
      {0x80, {23, 24}, "Дубликатът на бележката е вече отпечатан"},
  };
  for (const Refusal& c : cases) {
    SCOPED_TRACE(c.message);
    dev.ClearRecords();
    ui.prompts.clear();
    dev.Queue(0x20, Reply::Data(FakeDevice::StatusBytes(c.flags)));
    StatusFlags flags{};
    EXPECT_EQ(printer->CheckStatus(flags, c.word), "");
    ASSERT_EQ(ui.prompts.size(), 1u);
    EXPECT_EQ(ui.prompts[0].text, c.message);
    EXPECT_EQ(ui.prompts[0].caption, "Грешка");
    EXPECT_EQ(ui.prompts[0].style, 0x10u);
    EXPECT_EQ(Commands(), Cmds{0x20});
  }
}

TEST_F(StatusCheck, ExclusiveRequirementsGiveWayToTheirCounterparts) {
  const Refusal passes[] = {
      {0x4000 | 0x800, {23, 24}, "factory numbers required wins"},
      {0x2000 | 0x2, {23, 24}, "clock checks win over RAM reset"},
      {0x8000 | 0x400, {23, 24}, "fiscalized required wins"},
      {0x10000 | 0x100, {23, 24}, "no open receipt wins"},
      {0x20000 | 0x10000, {13, 23, 24}, "service receipt open wins"},
      {0x2000, {5, 23, 24}, "RAM reset present"},
      {0x80, {12, 23, 24}, "duplicate not yet printed"},
  };
  for (const Refusal& c : passes) {
    SCOPED_TRACE(c.message);
    dev.Queue(0x20, Reply::Data(FakeDevice::StatusBytes(c.flags)));
    StatusFlags flags{};
    EXPECT_EQ(printer->CheckStatus(flags, c.word), "OK");
  }
  EXPECT_TRUE(ui.prompts.empty());
}

TEST_F(StatusCheck, MissingFiscalMemoryStopsEverything) {
  QueueStatus({Flag::kFMMissing, Flag::kClockNotSet, Flag::kNoPaper, Flag::kReportOverflow,
               Flag::kDailyNotZeroed, Flag::kServiceReceiptOpen});
  StatusFlags flags{};
  EXPECT_EQ(printer->CheckStatus(flags, 0x1 | 0x2 | 0x4 | 0x8 | 0x10 | 0x100 | 0x40000), "");
  EXPECT_EQ(PromptTexts(), std::vector<std::string>{"Липсва Фискална Памет"});
  EXPECT_EQ(Commands(), Cmds{0x20});
  EXPECT_EQ(ui.dateTimeDialogs, 0);
  EXPECT_TRUE(flags[Flag::kFMMissing]);  // the flags of the last read
}

TEST_F(StatusCheck, StepsRunInOrder) {
  QueueStatus({Flag::kClockNotSet, Flag::kDailyNotZeroed, Flag::kNoPaper});
  QueueStatus({Flag::kDailyNotZeroed, Flag::kNoPaper});  // after the date and time dialog
  QueueStatus({Flag::kNoPaper});                         // after the daily report
  ui.DateTimeResults({1});
  ui.Answer({1, 1, 2});  // "Сверяване", "Нулиране", then "Отказ" on the paper prompt
  StatusFlags flags{};
  EXPECT_EQ(printer->CheckStatus(flags, 0x1 | 0x2 | 0x4 | 0x10), "");
  EXPECT_EQ(PromptTexts(), (std::vector<std::string>{"Несверен часовник. Сверете Дата и Час",
                                                     "НЕнулиран Дневен Отчет",
                                                     "Липсва хартия или е прегрял принтера"}));
  EXPECT_EQ(ui.dateTimeDialogs, 1);
  EXPECT_EQ(Commands(), (Cmds{0x20, 0x20, 0x7C, 0x20}));
  EXPECT_EQ(DataOf(0x7C), "Z");
}

struct ClockCase {
  int flag;
  const char* prompt;
  const char* stillSet;
};

TEST_F(StatusCheck, ClockProcedureSetsTheClockThroughTheDialog) {
  const ClockCase cases[] = {
      {Flag::kRamReset, "Нулиран RAM. Сверете Дата и Час", "Грешен RAM"},
      {Flag::kClockNotSet, "Несверен часовник. Сверете Дата и Час",
       "Часовникът не може да бъде сверен"},
      {Flag::kClockIncorrect, "Некоректен часовник. Сверете Дата и Час",
       "Часовникът не може да бъде сверен"},
  };
  for (const ClockCase& c : cases) {
    SCOPED_TRACE(c.prompt);
    // Set: "Сверяване", the dialog sets the clock, the flag clears.
    dev.ClearRecords();
    ui.prompts.clear();
    QueueStatus({c.flag});
    bool connectedDuringDialog = true;
    int dialogPort = 0;
    ui.OnDateTimeDialog([&](int port) {
      connectedDuringDialog = printer->IsConnected();
      dialogPort = port;
    });
    ui.DateTimeResults({1});
    ui.Answer({1});
    StatusFlags flags{};
    EXPECT_EQ(printer->CheckStatus(flags, 0x2), "OK");
    ASSERT_EQ(ui.prompts.size(), 1u);
    EXPECT_EQ(ui.prompts[0].text, c.prompt);
    EXPECT_EQ(ui.prompts[0].caption, "Грешка");
    EXPECT_EQ(ui.prompts[0].style, 0x17u);
    EXPECT_FALSE(connectedDuringDialog);
    EXPECT_EQ(dialogPort, kPort);
    EXPECT_TRUE(printer->IsConnected());
    EXPECT_EQ(Commands(), (Cmds{0x20, 0x20}));

    // Still wrong after the dialog.
    ui.prompts.clear();
    QueueStatus({c.flag});
    QueueStatus({c.flag});
    ui.DateTimeResults({1});
    ui.Answer({1});
    EXPECT_EQ(printer->CheckStatus(flags, 0x2), "");
    EXPECT_EQ(PromptTexts(), (std::vector<std::string>{c.prompt, c.stillSet}));
  }
  ui.OnDateTimeDialog(nullptr);
}

TEST_F(StatusCheck, ClockProcedureCancelled) {
  // The dialog is cancelled: nothing more is read or sent.
  QueueStatus({Flag::kClockNotSet});
  ui.Answer({1});
  ui.DateTimeResults({2});
  StatusFlags flags{};
  EXPECT_EQ(printer->CheckStatus(flags, 0x3), "");
  EXPECT_EQ(ui.dateTimeDialogs, 1);
  EXPECT_EQ(Commands(), Cmds{0x20});
  EXPECT_TRUE(printer->IsConnected());

  // "Отказ" on the prompt: no dialog at all.
  dev.ClearRecords();
  QueueStatus({Flag::kClockNotSet});
  ui.Answer({2});
  EXPECT_EQ(printer->CheckStatus(flags, 0x3), "");
  EXPECT_EQ(ui.dateTimeDialogs, 1);
  EXPECT_EQ(Commands(), Cmds{0x20});
}

TEST_F(StatusCheck, WaitsWhileThePrinterIsBusyAfterTheDialog) {
  QueueStatus({Flag::kClockNotSet});
  std::thread release;
  ui.OnDateTimeDialog([&](int) {
    // The printer stays busy for a second after its clock was set; a status
    // read without waiting would run into "busy" and its prompt.
    dev.SetProbe(FakeDevice::Probe::kBusy);
    release = std::thread([this] {
      std::this_thread::sleep_for(std::chrono::milliseconds(1000));
      dev.SetProbe(FakeDevice::Probe::kReady);
    });
  });
  ui.DateTimeResults({1});
  ui.Answer({1});
  StatusFlags flags{};
  EXPECT_EQ(printer->CheckStatus(flags, 0x2), "OK");
  release.join();
  EXPECT_EQ(PromptTexts(), std::vector<std::string>{"Несверен часовник. Сверете Дата и Час"});
}

TEST_F(StatusCheck, FewRecordsWarning) {
  QueueStatus({Flag::kFMFewRecords});
  dev.Queue(0x74, Reply::Data("37"));
  StatusFlags flags{};
  EXPECT_EQ(printer->CheckStatus(flags, 0x40001), "OK");
  ASSERT_EQ(ui.prompts.size(), 1u);
  EXPECT_EQ(ui.prompts[0].text, "ВНИМАНИЕ!!! Остават 37 Свободни Записи във Фискалната Памет");
  EXPECT_EQ(ui.prompts[0].caption, "Предупреждение");
  EXPECT_EQ(ui.prompts[0].style, 0x30u);
  EXPECT_EQ(Commands(), (Cmds{0x20, 0x20, 0x74}));

  // Without the warning bit nothing is asked.
  ui.prompts.clear();
  QueueStatus({Flag::kFMFewRecords});
  EXPECT_EQ(printer->CheckStatus(flags, 0x1), "OK");
  EXPECT_TRUE(ui.prompts.empty());
}

TEST_F(StatusCheck, OverflowQuestionsInOrder) {
  QueueStatus({Flag::kReportOverflow});
  // "Нулиране", daily "Не", operator "Да", its zero-report question "Да", article "Не".
  ui.Answer({1, 7, 6, 6, 7});
  StatusFlags flags{};
  EXPECT_EQ(printer->CheckStatus(flags, 0x9), "OK");
  ASSERT_EQ(ui.prompts.size(), 5u);
  const std::pair<const char*, const char*> expected[] = {
      {"Препълване в натрупванията на отчетите", "Грешка"},
      {"Желаете ли да нулирате Дневен Отчет?", "Дневен Отчет"},
      {"Желаете ли да нулирате Операторски Отчет?", "Операторски Отчет"},
      {"Искате да направите Нулев Операторски Отчет?", "Нулев Операторски Отчет"},
      {"Желаете ли да нулирате Отчет по Артикули?", "Отчет по Артикули"},
  };
  const unsigned styles[] = {0x16, 0x24, 0x24, 0x34, 0x24};
  for (size_t i = 0; i < 5; ++i) {
    EXPECT_EQ(ui.prompts[i].text, expected[i].first);
    EXPECT_EQ(ui.prompts[i].caption, expected[i].second);
    EXPECT_EQ(ui.prompts[i].style, styles[i]);
  }
  EXPECT_EQ(Commands(), (Cmds{0x20, 0x20, 0x7D, 0x20}));
  EXPECT_EQ(DataOf(0x7D), "Z;0");
}

TEST_F(StatusCheck, OverflowThatStaysAsksAgain) {
  QueueStatus({Flag::kReportOverflow});
  QueueStatus({Flag::kReportOverflow});
  ui.Answer({1, 7, 7, 7, 2});  // every question "Не", then "Отказ" on the repeated prompt
  StatusFlags flags{};
  EXPECT_EQ(printer->CheckStatus(flags, 0x8), "");
  EXPECT_EQ(ui.prompts.size(), 5u);
  EXPECT_EQ(ui.prompts[4].text, "Препълване в натрупванията на отчетите");
  EXPECT_EQ(Commands(), (Cmds{0x20, 0x20}));
}

struct ZeroingCase {
  uint32_t word;
  int flag;
  const char* prompt;
  uint8_t cmd;
  const char* data;
};

TEST_F(StatusCheck, UnzeroedReportsAreZeroedUntilTheFlagClears) {
  const ZeroingCase cases[] = {
      {0x10, Flag::kDailyNotZeroed, "НЕнулиран Дневен Отчет", 0x7C, "Z"},
      {0x40, Flag::kOperatorNotZeroed, "НЕнулиран Операторски Отчет", 0x7D, "Z;0"},
      {0x20, Flag::kArticleNotZeroed, "НЕнулиран Отчет по Артикули", 0x7E, "Z"},
  };
  for (const ZeroingCase& c : cases) {
    SCOPED_TRACE(c.prompt);
    dev.ClearRecords();
    ui.prompts.clear();
    QueueStatus({c.flag});
    QueueStatus({c.flag});  // still unzeroed after the first report
    ui.Answer({1, 1});
    StatusFlags flags{};
    EXPECT_EQ(printer->CheckStatus(flags, c.word), "OK");
    EXPECT_EQ(PromptTexts(), (std::vector<std::string>{c.prompt, c.prompt}));
    EXPECT_EQ(ui.prompts[0].style, 0x16u);
    EXPECT_EQ(Commands(), (Cmds{0x20, c.cmd, 0x20, c.cmd, 0x20}));
    EXPECT_EQ(DataOf(c.cmd), c.data);

    dev.ClearRecords();
    QueueStatus({c.flag});
    ui.Answer({2});
    EXPECT_EQ(printer->CheckStatus(flags, c.word), "");
    EXPECT_EQ(Commands(), Cmds{0x20});
  }
}

TEST_F(StatusCheck, OpenServiceReceiptIsClosed) {
  QueueStatus({Flag::kServiceReceiptOpen});
  QueueStatus({Flag::kServiceReceiptOpen});  // the close command's own check
  ui.Answer({1});
  StatusFlags flags{};
  EXPECT_EQ(printer->CheckStatus(flags, 0x100), "OK");
  EXPECT_EQ(PromptTexts(), std::vector<std::string>{"Отворен Служебен Бон"});
  EXPECT_EQ(ui.prompts[0].style, 0x18u);
  EXPECT_EQ(Commands(), (Cmds{0x20, 0x20, 0x2F, 0x20}));

  // It stays open.
  dev.ClearRecords();
  for (int i = 0; i < 3; ++i) QueueStatus({Flag::kServiceReceiptOpen});
  ui.Answer({1});
  EXPECT_EQ(printer->CheckStatus(flags, 0x100), "");
  EXPECT_EQ(PromptTexts().back(), "Бонът не може да се затвори");
}

TEST_F(StatusCheck, OpenFiscalReceiptIsClosed) {
  for (int i = 0; i < 4; ++i) QueueStatus({Flag::kFiscalReceiptOpen});
  ui.Answer({1});
  StatusFlags flags{};
  EXPECT_EQ(printer->CheckStatus(flags, 0x100), "OK");
  EXPECT_EQ(PromptTexts(), std::vector<std::string>{"Отворен Фискален Бон"});
  // Check, the close's check, its subtotal (check, decimal point), the close, a last read.
  EXPECT_EQ(Commands(), (Cmds{0x20, 0x20, 0x20, 0x20, 0x63, 0x33, 0x38, 0x20}));
  EXPECT_EQ(DataOf(0x33), "0;0");

  dev.ClearRecords();
  QueueStatus({Flag::kFiscalReceiptOpen});
  ui.Answer({2});
  EXPECT_EQ(printer->CheckStatus(flags, 0x100), "");
  EXPECT_EQ(Commands(), Cmds{0x20});
}

TEST_F(StatusCheck, PaperFeedThenPaperPresent) {
  QueueStatus({Flag::kNoPaper});
  QueueStatus({Flag::kNoPaper});  // after the first feed: still none
  ui.Answer({10, 10, 1});         // "Изтикване", "Изтикване", "OK"
  StatusFlags flags{};
  EXPECT_EQ(printer->CheckStatus(flags, 0x4), "OK");
  EXPECT_EQ(PromptTexts(),
            (std::vector<std::string>{"Липсва хартия или е прегрял принтера",
                                      "Липсва хартия или е прегрял принтера", "Има хартия"}));
  EXPECT_EQ(ui.prompts[0].caption, "Грешка");
  EXPECT_EQ(ui.prompts[0].style, 0x19u);
  EXPECT_EQ(ui.prompts[2].caption, "Съобщение");
  EXPECT_EQ(ui.prompts[2].style, 0x39u);
  EXPECT_EQ(Commands(), (Cmds{0x20, 0x2B, 0x20, 0x2B, 0x20, 0x20}));
  EXPECT_EQ(DataOf(0x2B), "");
}

TEST_F(StatusCheck, PaperOkRereadsAndCancelEnds) {
  QueueStatus({Flag::kNoPaper});
  QueueStatus({Flag::kNoPaper});
  ui.Answer({1, 2});  // "OK" with the paper still missing, then "Отказ"
  StatusFlags flags{};
  EXPECT_EQ(printer->CheckStatus(flags, 0x4), "");
  EXPECT_EQ(ui.prompts.size(), 2u);
  EXPECT_EQ(Commands(), (Cmds{0x20, 0x20}));
}

TEST_F(StatusCheck, VersionAndEmptyServiceReceipt) {
  dev.Queue(0x21, Reply::Data("1.00 12Mar08"));
  EXPECT_EQ(printer->ReadVersion(), "1.00 12Mar08");
  EXPECT_EQ(Commands(), Cmds{0x21});

  dev.ClearRecords();
  dev.Queue(0x6A, Reply::Data("1;" + FitText("Ivan", 20, 0, ' ') + ";7   "));
  QueueStatus({});                           // the operator read
  QueueStatus({});                           // the open command: no receipt open
  QueueStatus({Flag::kServiceReceiptOpen});  // the close command: it is open
  EXPECT_EQ(printer->PrintEmptyServiceReceipt(), "00");
  EXPECT_EQ(Commands(), (Cmds{0x20, 0x6A, 0x20, 0x2E, 0x20, 0x2F}));
  EXPECT_EQ(DataOf(0x6A), "1");
  EXPECT_EQ(DataOf(0x2E), "1;7   ");

  // A failed operator read prints nothing.
  dev.ClearRecords();
  dev.Queue(0x6A, Reply::Nack());
  EXPECT_EQ(printer->PrintEmptyServiceReceipt(), "");
  EXPECT_EQ(CountOf(0x2E), 0);
}

TEST_F(StatusCheck, OperatorsAndPaper) {
  EXPECT_EQ(printer->SetOperator(2, "Maria", "1"), "00");
  EXPECT_EQ(DataOf(0x4A), "2;" + FitText("Maria", 20, 0, ' ') + ";1   ");
  printer->SetOperator(3, std::string(25, 'N'), "123456");
  EXPECT_EQ(DataOf(0x4A, 1), "3;" + std::string(20, 'N') + ";1234");
  EXPECT_EQ(printer->SetOperator(0, "x", "1"), "");
  EXPECT_EQ(printer->SetOperator(10, "x", "1"), "");
  EXPECT_EQ(CountOf(0x4A), 2);

  dev.Queue(0x6A, Reply::Data("4;" + FitText("Ana Ivanova", 20, 0, ' ') + ";12  "));
  OperatorRecord r;
  EXPECT_EQ(printer->ReadOperator(4, r), "OK");
  EXPECT_EQ(r.number, 4);
  EXPECT_EQ(r.name, "Ana Ivanova");
  EXPECT_EQ(r.password, "12");
  // A short reply reads what is there.
  dev.Queue(0x6A, Reply::Data("5;Bo"));
  EXPECT_EQ(printer->ReadOperator(5, r), "OK");
  EXPECT_EQ(r.number, 5);
  EXPECT_EQ(r.name, "Bo");
  EXPECT_EQ(r.password, "");

  dev.ClearRecords();
  EXPECT_EQ(printer->FeedPaper(), "00");
  EXPECT_EQ(printer->FeedPaperNoCheck(), "00");
  EXPECT_EQ(printer->FinishPrintout(), "00");
  EXPECT_EQ(Commands(), (Cmds{0x20, 0x2B, 0x2B, 0x29}));
}

TEST_F(StatusCheck, DecimalPointAndClock) {
  char mode = 'x';
  SetDecimalMode('2');
  EXPECT_EQ(printer->ReadDecimalPoint(mode), "2");
  EXPECT_EQ(mode, '2');
  dev.Queue(0x63, Reply::Nack());
  EXPECT_EQ(printer->ReadDecimalPoint(mode), "");  // "Отказ" on the NACK message
  EXPECT_EQ(mode, '2');

  SetClock("05-03-2008 14:30");
  std::time_t t = 0;
  EXPECT_EQ(printer->ReadDateTime(t), "05-03-2008 14:30");
  EXPECT_EQ(FormatTime(t, "%d.%m.%Y %H:%M:%S"), "05.03.2008 14:30:00");
}

}  // namespace
