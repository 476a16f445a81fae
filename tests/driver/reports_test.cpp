#include <chrono>
#include <cstdio>
#include <functional>
#include <thread>

#include "driver/text.h"
#include "scripted_printer.h"
#include "support/temp_file.h"

namespace {

using ReportWire = PrinterScript;
using Cmds = std::vector<uint8_t>;

std::time_t Local(int day, int month, int year, int hour = 0, int minute = 0) {
  std::tm tm{};
  tm.tm_mday = day;
  tm.tm_mon = month - 1;
  tm.tm_year = year - 1900;
  tm.tm_hour = hour;
  tm.tm_min = minute;
  tm.tm_isdst = -1;
  return std::mktime(&tm);
}

// The daily report information with `lastFM` reports in the fiscal memory.
std::string Info(int lastFM) {
  return "5;00012;" + Sprintf("%05d", lastFM) + ";00003;05-03-2008 14:30";
}

struct ZeroCase {
  const char* name;
  std::function<std::string(FiscalPrinter&)> call;
  std::vector<int> turnover;  // flags that mean the day has turnover
  const char* question;
  const char* caption;
  uint8_t cmd;
  const char* data;
};

TEST_F(ReportWire, ZReportsAskBeforeAZeroReport) {
  const ZeroCase cases[] = {
      {"daily",
       [](FiscalPrinter& p) { return p.PrintDailyReport(true); },
       {Flag::kDailyNotZeroed},
       "Искате да направите Нулев Дневен Отчет?",
       "Нулев Дневен Отчет",
       0x7C,
       "Z"},
      {"article",
       [](FiscalPrinter& p) { return p.PrintArticleReport(true); },
       {Flag::kArticleNotZeroed},
       "Искате да направите Нулев Артикулен Отчет?",
       "Нулев Артикулен Отчет",
       0x7E,
       "Z"},
      {"extended, daily turnover",
       [](FiscalPrinter& p) { return p.PrintExtendedDailyReport(true); },
       {Flag::kDailyNotZeroed},
       "Искате да направите Нулеви Дневен и Артикулен Отчет?",
       "Нулеви Дневен и Артикулен Отчет",
       0x7F,
       "Z"},
      {"extended, article turnover",
       [](FiscalPrinter& p) { return p.PrintExtendedDailyReport(true); },
       {Flag::kArticleNotZeroed},
       "Искате да направите Нулеви Дневен и Артикулен Отчет?",
       "Нулеви Дневен и Артикулен Отчет",
       0x7F,
       "Z"},
      {"operator",
       [](FiscalPrinter& p) { return p.PrintOperatorReport(true, 5); },
       {Flag::kOperatorNotZeroed},
       "Искате да направите Нулев Операторски Отчет?",
       "Нулев Операторски Отчет",
       0x7D,
       "Z;0"},
  };
  for (const ZeroCase& c : cases) {
    SCOPED_TRACE(c.name);
    // A day with turnover: no question.
    dev.ClearRecords();
    ui.prompts.clear();
    SetFlags(c.turnover);
    EXPECT_EQ(c.call(*printer), "00");
    EXPECT_TRUE(ui.prompts.empty());
    EXPECT_EQ(DataOf(c.cmd), c.data);

    // Without turnover: asked; "Не" sends nothing, "Да" sends the report.
    dev.ClearRecords();
    SetFlags({});
    ui.Answer({7, 6});
    EXPECT_EQ(c.call(*printer), "");
    EXPECT_EQ(CountOf(c.cmd), 0);
    EXPECT_EQ(c.call(*printer), "00");
    EXPECT_EQ(DataOf(c.cmd), c.data);
    ASSERT_EQ(ui.prompts.size(), 2u);
    EXPECT_EQ(ui.prompts[0].text, c.question);
    EXPECT_EQ(ui.prompts[0].caption, c.caption);
    EXPECT_EQ(ui.prompts[0].style, 0x34u);
  }
}

TEST_F(ReportWire, XReportsNeverAsk) {
  printer->PrintDailyReport(false);
  printer->PrintArticleReport(false);
  printer->PrintExtendedDailyReport(false);
  printer->PrintOperatorReport(false, 5);
  printer->PrintOperatorReport(false, 0);
  EXPECT_TRUE(ui.prompts.empty());
  EXPECT_EQ(DataOf(0x7C), "X");
  EXPECT_EQ(DataOf(0x7E), "X");
  EXPECT_EQ(DataOf(0x7F), "X");
  EXPECT_EQ(DataOf(0x7D), "X;5");
  EXPECT_EQ(DataOf(0x7D, 1), "X;0");

  dev.ClearRecords();
  EXPECT_EQ(printer->PrintOperatorReport(false, 10), "");
  EXPECT_EQ(printer->PrintOperatorReport(false, -1), "");
  EXPECT_EQ(Commands(), (Cmds{0x20, 0x20}));
}

TEST_F(ReportWire, SpecialReportNeedsFiscalization) {
  EXPECT_EQ(printer->PrintSpecialFMReport(), "00");
  EXPECT_EQ(Commands(), (Cmds{0x20, 0x77}));
  dev.ClearRecords();
  dev.Queue(0x20, Reply::Data(FakeDevice::StatusBytes({Flag::kFactoryNumbers})));
  EXPECT_EQ(printer->PrintSpecialFMReport(), "");
  EXPECT_EQ(PromptTexts(), std::vector<std::string>{"Фискалният принтер е НЕфискализиран"});
}

TEST_F(ReportWire, BlockReports) {
  dev.Queue(0x6E, Reply::Data(Info(120)));
  EXPECT_EQ(printer->PrintDetailedFMReportByBlocks(1, 120), "00");
  EXPECT_EQ(DataOf(0x6E), "5");
  EXPECT_EQ(DataOf(0x78), "0001;0120");
  EXPECT_EQ(Commands(), (Cmds{0x20, 0x20, 0x6E, 0x78}));

  dev.Queue(0x6E, Reply::Data(Info(120)));
  EXPECT_EQ(printer->PrintShortFMReportByBlocks(7, 7), "00");
  EXPECT_EQ(DataOf(0x79), "0007;0007");
  EXPECT_TRUE(ui.prompts.empty());
}

TEST_F(ReportWire, BlockRangeOutsideOneTo4000SendsNothingSilently) {
  const std::pair<int, int> ranges[] = {{0, 5}, {1, 4001}, {4001, 4001}, {-1, 3}};
  for (const auto& [first, last] : ranges) {
    EXPECT_EQ(printer->PrintDetailedFMReportByBlocks(first, last), "");
    EXPECT_EQ(printer->PrintShortFMReportByBlocks(first, last), "");
  }
  EXPECT_TRUE(ui.prompts.empty());
  EXPECT_EQ(CountOf(0x6E), 0);
  EXPECT_EQ(CountOf(0x78) + CountOf(0x79), 0);
}

TEST_F(ReportWire, BlockReportMessages) {
  struct Case {
    std::function<std::string(FiscalPrinter&)> call;
    int lastFM;
    const char* message;
    int textStyle;
  };
  const Case cases[] = {
      {[](FiscalPrinter& p) { return p.PrintDetailedFMReportByBlocks(1, 4000); }, 120,
       "Зададеният Краен блок е извън диапазона от записани отчети.\n"
       "Последния блок във Фискалната памет е с номер: 120.",
       1},
      {[](FiscalPrinter& p) { return p.PrintShortFMReportByBlocks(1, 121); }, 120,
       "Зададеният Краен блок е извън диапазона от записани отчети.\n"
       "Последния блок във Фискалната памет е с номер: 120.",
       1},
      {[](FiscalPrinter& p) { return p.PrintDetailedFMReportByBlocks(3, 2); }, 120,
       "Зададеният Краен е преди началния", 0},
      {[](FiscalPrinter& p) { return p.PrintShortFMReportByBlocks(3, 2); }, 120,
       "Зададеният Краен блок е преди началния", 0},
      {[](FiscalPrinter& p) { return p.PrintShortFMReportByBlocks(1, 1); }, 0,
       "Фискалният принтер няма фискални отчети", 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.message);
    ui.prompts.clear();
    dev.Queue(0x6E, Reply::Data(Info(c.lastFM)));
    EXPECT_EQ(c.call(*printer), "");
    ASSERT_EQ(ui.prompts.size(), 1u);
    EXPECT_EQ(ui.prompts[0].text, c.message);
    EXPECT_EQ(ui.prompts[0].caption, "Грешка");
    EXPECT_EQ(ui.prompts[0].style, 0x10u);
    EXPECT_EQ(ui.prompts[0].textStyle, c.textStyle);
  }
  EXPECT_EQ(CountOf(0x78) + CountOf(0x79), 0);
}

TEST_F(ReportWire, DateReportSendsSixDigitsPerDate) {
  SetClock("10-03-2008 09:00");
  dev.Queue(0x6E, Reply::Data(Info(120)));
  EXPECT_EQ(
      printer->PrintDetailedFMReportByDates(Local(5, 3, 2008, 10, 30), Local(7, 3, 2008, 23, 59)),
      "00");
  EXPECT_EQ(DataOf(0x7A), "050308;070308");
  EXPECT_EQ(Commands(), (Cmds{0x20, 0x20, 0x6E, 0x20, 0x68, 0x7A}));

  dev.Queue(0x6E, Reply::Data(Info(120)));
  printer->PrintShortFMReportByDates(Local(31, 12, 2007), Local(1, 1, 2008));
  EXPECT_EQ(DataOf(0x7B), "311207;010108");
  EXPECT_TRUE(ui.prompts.empty());
}

TEST_F(ReportWire, DateReportEndingTodayIsAccepted) {
  // The printer's clock stands at midnight of the end day.
  SetClock("07-03-2008 00:00");
  dev.Queue(0x6E, Reply::Data(Info(120)));
  EXPECT_EQ(printer->PrintShortFMReportByDates(Local(7, 3, 2008, 8), Local(7, 3, 2008, 18)), "00");
  EXPECT_EQ(DataOf(0x7B), "070308;070308");
  EXPECT_TRUE(ui.prompts.empty());
}

TEST_F(ReportWire, DateReportMessages) {
  dev.Queue(0x6E, Reply::Data(Info(120)));
  EXPECT_EQ(printer->PrintDetailedFMReportByDates(Local(7, 3, 2008, 9), Local(6, 3, 2008, 23)), "");
  dev.Queue(0x6E, Reply::Data(Info(0)));
  EXPECT_EQ(printer->PrintDetailedFMReportByDates(Local(5, 3, 2008), Local(6, 3, 2008)), "");
  EXPECT_EQ(PromptTexts(), (std::vector<std::string>{"Зададената Крайна дата е преди Началната",
                                                     "Фискалният принтер няма фискални отчети"}));
  EXPECT_EQ(CountOf(0x68), 0);
  EXPECT_EQ(CountOf(0x7A), 0);
}

TEST_F(ReportWire, DateReportEndingTomorrowOffersTheClock) {
  const char* const expected =
      "Зададената Крайна дата е след\n Сегашната във Фискалния Принтер\n(07 март 2008)\n"
      "Можете да сверите датата във Фискалния Принтер";
  SetClock("07-03-2008 10:15");
  const std::time_t from = Local(1, 3, 2008);
  const std::time_t tomorrow = Local(8, 3, 2008);

  // "Отказ": nothing sent.
  dev.Queue(0x6E, Reply::Data(Info(120)));
  ui.Answer({2});
  EXPECT_EQ(printer->PrintDetailedFMReportByDates(from, tomorrow), "");
  ASSERT_EQ(ui.prompts.size(), 1u);
  EXPECT_EQ(ui.prompts[0].text, expected);
  EXPECT_EQ(ui.prompts[0].style, 0x17u);
  EXPECT_EQ(ui.dateTimeDialogs, 0);
  EXPECT_EQ(CountOf(0x7A), 0);

  // "Сверяване", the dialog cancelled: nothing sent.
  dev.Queue(0x6E, Reply::Data(Info(120)));
  ui.Answer({1});
  ui.DateTimeResults({2});
  EXPECT_EQ(printer->PrintDetailedFMReportByDates(from, tomorrow), "");
  EXPECT_EQ(ui.dateTimeDialogs, 1);
  EXPECT_EQ(CountOf(0x7A), 0);
  EXPECT_TRUE(printer->IsConnected());

  // "Сверяване", the clock set: read again and sent without a second comparison.
  dev.ClearRecords();
  dev.Queue(0x6E, Reply::Data(Info(120)));
  ui.Answer({1});
  ui.DateTimeResults({1});
  bool connectedDuringDialog = true;
  ui.OnDateTimeDialog([&](int) { connectedDuringDialog = printer->IsConnected(); });
  EXPECT_EQ(printer->PrintDetailedFMReportByDates(from, tomorrow), "00");
  EXPECT_FALSE(connectedDuringDialog);
  EXPECT_EQ(CountOf(0x68), 2);
  EXPECT_EQ(DataOf(0x7A), "010308;080308");
  EXPECT_EQ(ui.prompts.size(), 3u);
  ui.OnDateTimeDialog(nullptr);
}

TEST_F(ReportWire, DateReportsWaitWhileThePrinterIsBusyAfterTheDialog) {
  using Report = std::string (FiscalPrinter::*)(std::time_t, std::time_t);
  const std::pair<Report, uint8_t> reports[] = {
      {&FiscalPrinter::PrintDetailedFMReportByDates, 0x7A},
      {&FiscalPrinter::PrintShortFMReportByDates, 0x7B},
  };
  SetClock("07-03-2008 10:15");
  for (const auto& [report, cmd] : reports) {
    SCOPED_TRACE(int{cmd});
    dev.ClearRecords();
    ui.prompts.clear();
    dev.Queue(0x6E, Reply::Data(Info(120)));
    ui.Answer({1});  // "Сверяване"
    ui.DateTimeResults({1});
    std::thread release;
    ui.OnDateTimeDialog([&](int) {
      // The printer stays busy for a second after its clock was set; reading
      // the date without waiting would run into "busy" and its prompt.
      dev.SetProbe(FakeDevice::Probe::kBusy);
      release = std::thread([this] {
        std::this_thread::sleep_for(std::chrono::milliseconds(1000));
        dev.SetProbe(FakeDevice::Probe::kReady);
      });
    });
    EXPECT_EQ(((*printer).*report)(Local(1, 3, 2008), Local(8, 3, 2008)), "00");
    if (release.joinable()) release.join();
    ui.OnDateTimeDialog(nullptr);
    EXPECT_EQ(ui.prompts.size(), 1u);  // the clock prompt only
    EXPECT_EQ(DataOf(cmd), "010308;080308");
  }
}

TEST_F(ReportWire, DownloadWritesTheStreamUpToTheTerminator) {
  const std::pair<std::string, std::string> streams[] = {
      {"abc@", "abc@"},
      {"abc@xyz", "abc@"},                                 // what follows is not read
      {std::string("a\0b@", 4), std::string("a\0b@", 4)},  // zero bytes are data
      {"@", "@"},
  };
  for (const auto& [sent, written] : streams) {
    SCOPED_TRACE(written);
    TempFile file;
    ASSERT_NE(file.f, nullptr);
    dev.Queue(0x75, Reply::Ack("00").Then(sent));
    EXPECT_EQ(printer->DownloadFMToFile(file.f), "OK");
    EXPECT_EQ(file.Contents(), written);
  }
  EXPECT_TRUE(ui.prompts.empty());
  EXPECT_EQ(DataOf(0x75), "");
}

TEST_F(ReportWire, DownloadStreamThatStops) {
  TempFile file;
  dev.Queue(0x75, Reply::Ack("00").Then("ab"));
  EXPECT_EQ(printer->DownloadFMToFile(file.f), "");
  EXPECT_EQ(PromptTexts(), std::vector<std::string>{"Просрочено време за получаване на данните!"});
  EXPECT_EQ(ui.prompts[0].caption, "Грешка");
  EXPECT_EQ(ui.prompts[0].style, 0x10u);
  EXPECT_EQ(file.Contents(), "ab");  // what came stays in the file
}

TEST_F(ReportWire, DownloadWriteFailure) {
  std::FILE* full = std::fopen("/dev/full", "wb");
  if (full == nullptr) GTEST_SKIP() << "/dev/full is not available";
  dev.Queue(0x75, Reply::Ack("00").Then("abc@"));
  EXPECT_EQ(printer->DownloadFMToFile(full), "");
  std::fclose(full);
  EXPECT_EQ(PromptTexts(), std::vector<std::string>{"Грешка при запис файл!"});
}

TEST_F(ReportWire, DownloadWithoutAFileSendsNothing) {
  EXPECT_EQ(printer->DownloadFMToFile(nullptr), "");
  EXPECT_EQ(PromptTexts(), std::vector<std::string>{"Грешка при запис файл!"});
  EXPECT_TRUE(Commands().empty());
}

TEST_F(ReportWire, DownloadRefusedByTheStatusCheck) {
  TempFile file;
  dev.Queue(0x20, Reply::Data(FakeDevice::StatusBytes({Flag::kFiscalized})));
  EXPECT_EQ(printer->DownloadFMToFile(file.f), "");
  EXPECT_EQ(CountOf(0x75), 0);
  EXPECT_EQ(file.Contents(), "");
}

}  // namespace
