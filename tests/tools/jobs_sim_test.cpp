// Restores and imports against the simulated printer in its other shapes
// (38-character lines, four tax groups, whole numbers): everything the printer
// would refuse or hold with another value stops the job before the first
// write, and what is written is exactly the file's value.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <memory>

#include "driver/cp1251.h"
#include "driver/fiscal_printer.h"
#include "link/prompt_style.h"
#include "link/settings.h"
#include "sim/sim_server.h"
#include "support/scripted_ui.h"
#include "tools/config_jobs.h"

namespace {

namespace fs = std::filesystem;
constexpr int kPort = 5;
constexpr uint8_t kSetArticle = 0x4B;

SimOptions Shape(int width, int groups, char decimals) {
  SimOptions o;
  o.headerWidth = width;
  o.taxGroups = groups;
  o.decimals = decimals;
  return o;
}

// A host that answers as told and counts what it was asked.
class TestHost : public ToolHost {
 public:
  std::unique_ptr<FiscalPrinter> OpenPrinter() override {
    auto p = std::make_unique<FiscalPrinter>(&ui, kPort);
    LinkTimeouts t;
    t.checkLink = 300;
    t.linkSeries = 400;
    t.reply = 1000;
    t.drain = 1;
    p->SetTimeouts(t);
    if (!p->IsConnected()) return nullptr;
    return p;
  }
  bool Progress(bool writing, const ProgressStep&) override {
    if (writing) ++writeSteps;
    return !(writing && stopAfter >= 0 && writeSteps > stopAfter);
  }
  void EndProgress() override {}
  bool ConfirmRestore(const RestorePlan&, const Preflight&, RestoreOptions&) override {
    ++confirmations;
    return true;
  }
  bool AllowCutTexts(const std::vector<std::string>& lines) override {
    EXPECT_EQ(lines.size(), 1u);
    ++cutAsked;
    return allowCut;
  }
  bool ConfirmFiscalRecords(int records, int freeRecords) override {
    askedRecords = records;
    askedFree = freeRecords;
    return allowFiscal;
  }
  bool Ask(const std::string& question) override {
    questions.push_back(question);
    return answer;
  }

  ScriptedUi ui;
  int writeSteps = 0;
  int stopAfter = -1;
  int confirmations = 0;
  bool allowFiscal = true;
  bool allowCut = false;
  size_t cutAsked = 0;
  int askedRecords = -1;
  int askedFree = -1;
  bool answer = true;
  std::vector<std::string> questions;
};

class JobsSim : public ::testing::TestWithParam<int> {
 protected:
  void Start(const SimOptions& options) {
    sim = std::make_unique<SimServer>(options);
    PortMap::Instance().Set(kPort, sim->Path());
    dir = fs::temp_directory_path() /
          ("fs-jobs-" + std::to_string(getpid()) + "-" +
           ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(dir);
  }
  void TearDown() override {
    PortMap::Instance().Clear();
    fs::remove_all(dir);
  }
  std::string File(const std::string& name, const std::string& text) {
    std::ofstream(dir / name, std::ios::binary) << text;
    return (dir / name).string();
  }
  JobResult Restore(const std::string& json, bool fiscal = false, bool cut = false) {
    RestoreRequest r;
    r.file = File("restore.json", json);
    r.options.includeFiscal = fiscal;
    r.options.password = "000000";
    r.options.cutTexts = cut;
    return RunRestore(host, r);
  }
  std::vector<std::string> Stops(const JobResult& r) { return r.check.Texts(CheckLevel::kStop); }
  int FreeRecords() {
    return sim->WithDevice([](SimDevice& d) { return d.FreeFmRecords(); });
  }
  std::string Header(int n) {
    return Cp1251ToUtf8(sim->WithDevice([n](SimDevice& d) { return d.State().header[n]; }));
  }

  std::unique_ptr<SimServer> sim;
  TestHost host;
  fs::path dir;
};

std::string Backup(const std::string& members) {
  return R"({"format":"fiscal-service-backup","formatVersion":1,)" + members + "}";
}

const std::string kArticles = R"("decimalPoint":2,"articles":[
  {"number":11,"name":"Хляб","price":1.20,"taxGroup":"Б","department":0},
  {"number":12,"name":"Мляко","price":2.49,"taxGroup":"Б","department":0},
  {"number":13,"name":"Вода","price":0.80,"taxGroup":"Б","department":0},
  {"number":14,"name":"Сол","price":3,"taxGroup":"Б","department":0},
  {"number":15,"name":"Ориз","price":5.00,"taxGroup":"Б","department":0}])";

TEST_F(JobsSim, PricesThatAWholeNumberPrinterCannotHoldStopTheRestore) {
  Start(Shape(42, 8, '0'));
  const JobResult r = Restore(Backup(kArticles));
  EXPECT_EQ(r.status, JobStatus::kStopped);
  EXPECT_EQ(Stops(r),
            (std::vector<std::string>{
                "Артикул 11 „Хляб“: цена 1.20 не може да бъде записана точно в цели числа",
                "Артикул 12 „Мляко“: цена 2.49 не може да бъде записана точно в цели числа",
                "Артикул 13 „Вода“: цена 0.80 не може да бъде записана точно в цели числа"}));
  EXPECT_TRUE(sim->Writes().empty());
  EXPECT_EQ(host.confirmations, 0);
}

TEST_F(JobsSim, WholeNumbersGoIntoATwoDecimalPrinterExactlyAndSettle) {
  Start(Shape(42, 8, '2'));
  const JobResult r = Restore(Backup(R"("decimalPoint":0,"articles":[
      {"number":14,"name":"Сол","price":3,"taxGroup":"Б","department":0},
      {"number":15,"name":"Ориз","price":5,"taxGroup":"Б","department":0}])"));
  // Written, but the decimal point left alone: the status a rerun gives too.
  ASSERT_EQ(r.status, JobStatus::kFiscalLeftOut) << (Stops(r).empty() ? "" : Stops(r)[0]);
  EXPECT_TRUE(r.report.Complete());
  std::vector<std::string> prices;
  for (const auto& w : sim->Writes())
    if (w.cmd == kSetArticle && w.data.rfind("0001", 0) == 0)
      prices.push_back(w.data.substr(27, 9));
  EXPECT_EQ(prices, (std::vector<std::string>{"000003.00", "000005.00"}));
  // The decimal point differs, but it is a fiscal setting: left alone.
  EXPECT_EQ(r.plan.fiscalLeftOut.size(), 1u);
  const size_t writes = sim->Writes().size();
  EXPECT_EQ(Restore(Backup(R"("decimalPoint":0,"articles":[
      {"number":14,"name":"Сол","price":3,"taxGroup":"Б","department":0},
      {"number":15,"name":"Ориз","price":5,"taxGroup":"Б","department":0}])"))
                .status,
            JobStatus::kFiscalLeftOut);
  EXPECT_EQ(sim->Writes().size(), writes);
}

// A printer that differs only in settings left alone does not hold the file,
// and says so; the front end was shown them, nothing was written.
TEST_F(JobsSim, OnlyFiscalDifferencesLeftAloneAreNotTheFileHeld) {
  Start(Shape(42, 4, '2'));
  const int before = FreeRecords();
  struct Case {
    const char* members;
    JobStatus status;
    size_t leftOut;
  };
  const Case cases[] = {
      {R"("decimalPoint":0)", JobStatus::kFiscalLeftOut, 1},
      {R"("taxRates":{"А":0,"Б":20,"В":20,"Г":10})", JobStatus::kFiscalLeftOut, 1},
      {R"("decimalPoint":0,"taxRates":{"А":0,"Б":20,"В":20,"Г":10})", JobStatus::kFiscalLeftOut, 2},
      {R"("decimalPoint":2,"taxRates":{"А":0,"Б":20,"В":20,"Г":9})", JobStatus::kNothingToDo, 0},
  };
  for (const Case& c : cases) {
    host.confirmations = 0;
    const JobResult r = Restore(Backup(c.members));
    EXPECT_EQ(r.status, c.status) << c.members;
    EXPECT_EQ(r.plan.fiscalLeftOut.size(), c.leftOut) << c.members;
    EXPECT_EQ(host.confirmations, c.leftOut > 0 ? 1 : 0) << c.members;
  }
  EXPECT_TRUE(sim->Writes().empty());
  EXPECT_EQ(FreeRecords(), before);
}

TEST_F(JobsSim, GroupsThePrinterLacksAreNoChangeAndSpareTheFiscalMemory) {
  Start(Shape(42, 4, '2'));
  const int before = FreeRecords();
  const std::string rates = R"("taxRates":{"А":0,"Б":20,"В":20,"Г":9,"Д":-1,"Е":5,"Ж":-1,"З":-1})";
  const JobResult r = Restore(Backup(rates), true);
  EXPECT_EQ(r.status, JobStatus::kNothingToDo);
  EXPECT_TRUE(r.plan.steps.empty());
  EXPECT_EQ(r.check.Texts(CheckLevel::kNote).back(),
            "Групи Е от файла: принтерът ги няма, пропуснати");
  EXPECT_EQ(FreeRecords(), before);
  EXPECT_TRUE(sim->Writes().empty());
}

TEST_F(JobsSim, AFiscalChangeIsCountedAskedAndWrittenOnce) {
  Start(Shape(42, 4, '2'));
  const int before = FreeRecords();
  const std::string rates = Backup(R"("taxRates":{"А":0,"Б":20,"В":20,"Г":10})");
  host.allowFiscal = false;
  JobResult r = Restore(rates, true);
  EXPECT_EQ(r.status, JobStatus::kDeclined);
  EXPECT_EQ(host.askedRecords, 1);
  EXPECT_EQ(host.askedFree, before);
  EXPECT_TRUE(sim->Writes().empty());

  host.allowFiscal = true;
  r = Restore(rates, true);
  ASSERT_EQ(r.status, JobStatus::kDone);
  ASSERT_EQ(sim->Writes().size(), 1u);
  // Four groups: the printer takes the groups it has and ignores the rest.
  EXPECT_EQ(sim->Writes()[0].data.substr(0, 34), "000000;00.00%;20.00%;20.00%;10.00%");
  EXPECT_EQ(FreeRecords(), before - 1);
  EXPECT_EQ(Restore(rates, true).status, JobStatus::kNothingToDo);
  EXPECT_EQ(FreeRecords(), before - 1);
}

const std::string k41 = "12345678901234567890123456789012345678901";

TEST_F(JobsSim, AHeaderLineWiderThanThePrinterIsRefusedOrCutWithAWarning) {
  Start(Shape(38, 8, '2'));
  const std::string file =
      Backup(R"("header":[{"line":3,"text":")" + k41 + R"(","alignment":"left"}])");
  JobResult r = Restore(file);
  EXPECT_EQ(r.status, JobStatus::kStopped);
  ASSERT_EQ(Stops(r).size(), 1u);
  EXPECT_EQ(Stops(r)[0].rfind("Ред 3 от клишето е по-дълъг от 38 знака (41)", 0), 0u)
      << Stops(r)[0];
  EXPECT_TRUE(sim->Writes().empty());

  r = Restore(file, false, true);
  ASSERT_EQ(r.status, JobStatus::kDone);
  EXPECT_EQ(r.check.Texts(CheckLevel::kWarning).size(), 1u);
  EXPECT_EQ(Header(3), k41.substr(0, 38));
  // Cut the same way again, it is what the printer holds.
  EXPECT_EQ(Restore(file, false, true).status, JobStatus::kNothingToDo);
  // Asked for instead (the application): the same cut, once agreed.
  EXPECT_EQ(host.cutAsked, 1u);
  ASSERT_EQ(Restore(Backup(R"("header":[{"line":4,"text":")" + k41 + R"(","alignment":"right"}])"))
                .status,
            JobStatus::kStopped);
  EXPECT_EQ(host.cutAsked, 2u);
  EXPECT_TRUE(sim->Writes().size() == 1u);
  host.allowCut = true;
  EXPECT_EQ(Restore(Backup(R"("header":[{"line":4,"text":")" + k41 + R"(","alignment":"right"}])"))
                .status,
            JobStatus::kDone);
  EXPECT_EQ(host.cutAsked, 3u);
  EXPECT_EQ(Header(4), k41.substr(0, 38));
}

TEST_F(JobsSim, HeaderLinesReadBackAsWrittenSoARestoreSettles) {
  Start(Shape(42, 8, '2'));
  // One short of the width reads back as centred; leading spaces as text.
  const std::string file = Backup(R"("header":[
      {"line":2,"text":")" + k41 + R"(","alignment":"left"},
      {"line":3,"text":"   ОТСТЪП","alignment":"left"},
      {"line":4,"text":"ДЯСНО","alignment":"right"},
      {"line":5,"text":")" + k41 + R"(","alignment":"right"}])");
  ASSERT_EQ(Restore(file).status, JobStatus::kDone);
  EXPECT_EQ(Header(5), " " + k41);
  EXPECT_EQ(Header(2), k41 + " ");
  EXPECT_EQ(Header(3), "   ОТСТЪП" + std::string(33, ' '));
  const size_t writes = sim->Writes().size();
  EXPECT_EQ(Restore(file).status, JobStatus::kNothingToDo);
  EXPECT_EQ(sim->Writes().size(), writes);
}

// An indented line from a wider printer loses its indentation on a narrower
// one: said every time, compared as the printer lays it out.
TEST_F(JobsSim, AnIndentedLineOnANarrowerPrinterIsNamedEveryRun) {
  Start(Shape(38, 8, '2'));
  const std::string text = "    " + k41.substr(0, 36);
  const std::string file =
      Backup(R"("header":[{"line":3,"text":")" + text + R"(","alignment":"left","width":42}])");
  const std::string warning =
      "Ред 3 от клишето се побира в 38 знака само без интервалите около текста: записва се „" +
      k41.substr(0, 36) + "“ и се подрежда от принтера";
  JobResult r = Restore(file);
  ASSERT_EQ(r.status, JobStatus::kDone);
  EXPECT_EQ(r.check.Texts(CheckLevel::kWarning), std::vector<std::string>{warning});
  const size_t writes = sim->Writes().size();
  r = Restore(file);
  EXPECT_EQ(r.status, JobStatus::kNothingToDo);
  EXPECT_EQ(r.check.Texts(CheckLevel::kWarning), std::vector<std::string>{warning});
  EXPECT_EQ(sim->Writes().size(), writes);
}

// Each file holds one value the printer would refuse; the restore stops
// before anything is written and names it.
TEST_F(JobsSim, ValuesThePrinterWouldRefuseStopBeforeTheFirstWrite) {
  Start(Shape(42, 4, '2'));
  sim->WithDevice([](SimDevice& d) { d.State().departments[1].turnover = 500; });
  const struct {
    const char* members;
    const char* stop;
  } cases[] = {
      {R"("operators":[{"number":1,"name":"Иван","password":"1"}],
          "articles":[{"number":1,"name":"Скъпо","price":5000000,"taxGroup":"Б","department":0}])",
       "Артикул 1 „Скъпо“: цена 5000000.00 е над най-голямата 999999.99"},
      {R"("invoiceRange":{"first":"900","last":"100"})",
       "Фактури: първият номер 900 трябва да е от 1 до последния (100)"},
      {R"("articles":[{"number":1,"name":"Хляб","price":1,"taxGroup":"Е","department":0}])",
       "Артикул 1 „Хляб“: група Е, която принтерът няма или е забранена"},
      {R"("departments":[{"number":7,"name":"Нов","taxGroup":"Ж"}])",
       "Департамент 7 „Нов“: група Ж, която принтерът няма или е забранена"},
      {R"("payments":{"names":[{"type":1,"name":"КАРТА"},{"type":2,"name":"ЧЕК"},
          {"type":3,"name":"ВАУЧЕР"},{"type":4,"name":"ВАЛУТА"}],"exchangeRate":0})",
       "Вид плащане 4: курс 0.00000 не може да бъде записан (принтерът пази 1.95583)"},
      {R"("payments":{"names":[{"type":1,"name":""},{"type":2,"name":"ЧЕК"},
          {"type":3,"name":"ВАУЧЕР"},{"type":4,"name":"ВАЛУТА"}],"exchangeRate":1.95583})",
       "Вид плащане 1: празно име не може да бъде записано (принтерът пази „КАРТА“)"},
      {R"("departments":[{"number":1,"name":"Друго","taxGroup":"Б"}])",
       "Департамент 1 „Хранителни стоки“ има оборот: принтерът го променя след нулиране с "
       "дневен Z отчет"},
  };
  for (const auto& c : cases) {
    const JobResult r = Restore(Backup(c.members));
    EXPECT_EQ(r.status, JobStatus::kStopped) << c.members;
    const auto stops = Stops(r);
    EXPECT_NE(std::find(stops.begin(), stops.end(), c.stop), stops.end())
        << c.members << "\n"
        << (stops.empty() ? "(no stop)" : stops[0]);
  }
  EXPECT_TRUE(sim->Writes().empty());
}

// A step the printer refuses while a report is not zeroed names that report
// before anything is sent, so the restore never stops half-way at the offer.
TEST_F(JobsSim, ReportsToZeroFirstAreNamedBeforeAnythingIsSent) {
  Start(Shape(42, 8, '2'));
  const std::string kDaily =
      "Денят има оборот: принтерът ще поиска дневен Z отчет преди записа на ";
  const std::string kOperator =
      "Операторски отчет не е нулиран: принтерът ще поиска нулирането му преди записа на ";
  const std::string kHeader = R"("header":[{"line":3,"text":"НОВ РЕД","alignment":"left"}])";
  const std::string kPayments = R"("payments":{"names":[{"type":1,"name":"ДЕБИТ"},
      {"type":2,"name":"ЧЕК"},{"type":3,"name":"ВАУЧЕР"},{"type":4,"name":"ВАЛУТА"}],
      "exchangeRate":1.95583})";
  const std::string kOperators = R"("operators":[{"number":1,"name":"Петър","password":"7"}])";
  const struct {
    bool daily, operators;
    std::string members;
    std::vector<std::string> named;
  } cases[] = {
      {true, false, kHeader, {kDaily + "Ред от клишето"}},
      {true, false, kHeader + "," + kPayments, {kDaily + "Ред от клишето, Вид плащане"}},
      {true, true, kOperators + "," + kHeader, {kDaily + "Ред от клишето", kOperator + "Оператор"}},
      {true, true, R"("invoiceRange":{"first":"2001","last":"3000"})", {}},
      {false, true, kHeader, {}},
      {true, false, kOperators, {}},
      {false, false, kHeader + "," + kOperators, {}},
  };
  for (const auto& c : cases) {
    sim->WithDevice([&c](SimDevice& d) {
      d.State().dailyUnzeroed = c.daily;
      d.State().operators[0].unzeroed = c.operators;
      return 0;
    });
    RestoreRequest request;
    request.file = File("restore.json", Backup(c.members));
    request.dryRun = true;
    const JobResult r = RunRestore(host, request);
    EXPECT_EQ(r.status, JobStatus::kDryRun) << c.members;
    EXPECT_EQ(r.check.Texts(CheckLevel::kWarning), c.named) << c.members;
  }
  EXPECT_TRUE(sim->Writes().empty());
}

TEST_F(JobsSim, AFileFromAnotherPrinterIsNamed) {
  Start(Shape(42, 8, '2'));
  const JobResult r = Restore(Backup(R"("printer":{"printerNumber":111111,"memoryNumber":222222},
      "operators":[{"number":1,"name":"Иван","password":"1"}])"));
  EXPECT_EQ(r.status, JobStatus::kDone);
  ASSERT_EQ(r.check.Texts(CheckLevel::kWarning).size(), 1u);
  EXPECT_EQ(r.check.Texts(CheckLevel::kWarning)[0].rfind("Файлът е от друг принтер (№ 111111", 0),
            0u);
}

TEST_F(JobsSim, ImportIntoAGroupThePrinterLacksSendsNothing) {
  Start(Shape(42, 4, '0'));
  const std::string csv = File("a.csv",
                               "Артикул Номер;Артикул Име;Артикул Цена;Дан.Група;Департамент\n"
                               "20;Чай;2;Б;0\n21;Кафе;3;Е;0\n");
  const JobResult r = RunImport(host, CsvTable::kArticles, csv, CsvDialect{});
  EXPECT_EQ(r.status, JobStatus::kStopped);
  EXPECT_EQ(Stops(r), (std::vector<std::string>{
                          "Артикул 21 „Кафе“: група Е, която принтерът няма или е забранена"}));
  EXPECT_TRUE(sim->Writes().empty());
}

TEST_F(JobsSim, BackupChecksItsFileFirstAndWritesItForTheOwnerOnly) {
  Start(Shape(42, 8, '2'));
  const JobResult bad =
      RunBackup(host, (dir / "missing" / "x.json").string(), OnlySection(Section::kOperators));
  EXPECT_EQ(bad.status, JobStatus::kCannotWrite);
  EXPECT_NE(bad.message.find("No such file or directory"), std::string::npos) << bad.message;
  EXPECT_EQ(sim->FrameCount(), 0);

  const std::string file = (dir / "b.json").string();
  const JobResult ok = RunBackup(host, file, OnlySection(Section::kOperators));
  ASSERT_EQ(ok.status, JobStatus::kDone);
  EXPECT_EQ(fs::status(file).permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write);
  EXPECT_FALSE(fs::exists(file + ".part"));
}

// As an ordinary user: a folder the user may not write in is named with the
// system's reason, before the printer is read.
TEST_F(JobsSim, AFolderTheUserMayNotWriteInIsNamedWithTheReason) {
  if (::geteuid() == 0) GTEST_SKIP() << "root may write anywhere";
  Start(Shape(42, 8, '2'));
  const fs::path locked = dir / "locked";
  fs::create_directories(locked);
  fs::permissions(locked, fs::perms::owner_read | fs::perms::owner_exec);
  const JobResult r = RunBackup(host, (locked / "b.json").string(), AllSections());
  fs::permissions(locked, fs::perms::owner_all);
  EXPECT_EQ(r.status, JobStatus::kCannotWrite);
  EXPECT_NE(r.message.find("Permission denied"), std::string::npos) << r.message;
  EXPECT_EQ(sim->FrameCount(), 0);
}

// --- Values the printer would change, fiscal memory, open receipts -------------

// Articles written with a name and a price (not cleared).
std::vector<std::string> ArticleWrites(SimServer& sim) {
  std::vector<std::string> out;
  for (const auto& w : sim.Writes())
    if (w.cmd == kSetArticle && w.data.substr(6, 20).find_first_not_of(' ') != std::string::npos)
      out.push_back(w.data);
  return out;
}

// The decimal point refused ("Продължи" past the wrong password): no price is
// sent in the old mode, each one is named as not sent.
TEST_F(JobsSim, PricesWaitForTheDecimalPointTheyWerePlannedFor) {
  Start(Shape(42, 8, '0'));
  host.ui.SetFallback(Prompt::kResultContinue);
  RestoreRequest request;
  request.file = File("r.json", Backup(R"("decimalPoint":2,"articles":[
      {"number":11,"name":"Хляб","price":1.20,"taxGroup":"Б","department":0},
      {"number":12,"name":"Дъвка","price":0.29,"taxGroup":"Б","department":0},
      {"number":13,"name":"Скъпо","price":999999.99,"taxGroup":"Б","department":0}])"));
  request.options.includeFiscal = true;
  request.options.password = "999999";  // wrong: the printer answers 92
  const JobResult r = RunRestore(host, request);
  EXPECT_EQ(r.status, JobStatus::kIncomplete);
  ASSERT_EQ(r.report.outcomes.size(), r.plan.steps.size());
  EXPECT_EQ(r.report.outcomes[0], StepOutcome::kRefused);
  EXPECT_EQ(r.report.Count(StepOutcome::kSkipped), 3);
  EXPECT_EQ(r.report.skipped, SkipCause::kDecimalPointNotWritten);
  EXPECT_TRUE(ArticleWrites(*sim).empty());

  // Planned for two decimals on a printer that reads back whole numbers (as
  // after a change made between the read and the write): not sent either.
  Start(Shape(42, 8, '0'));
  auto printer = host.OpenPrinter();
  ASSERT_TRUE(printer);
  PrinterConfig current;
  ASSERT_EQ(CollectConfig(*printer, OnlySection(Section::kArticles), current, nullptr),
            CollectResult::kDone);
  current.decimalPoint = '2';
  PrinterConfig wanted;
  wanted.articles = std::vector<ArticleRecord>(1);
  wanted.articles->front().number = 30;
  wanted.articles->front().name = "X";
  wanted.articles->front().price = 1.2;
  wanted.articles->front().taxGroup = 1;
  const RestorePlan plan = PlanRestore(current, wanted, RestoreOptions{});
  const ApplyReport report = ApplyPlan(*printer, plan.steps, nullptr);
  EXPECT_EQ(report.skipped, SkipCause::kDecimalModeDiffers);
  EXPECT_EQ(report.Count(StepOutcome::kSkipped), 1);
  EXPECT_TRUE(ArticleWrites(*sim).empty());
}

// The printer's next invoice number cannot be read: a range is written only
// when it starts after the printer's whole range.
TEST_F(JobsSim, TheInvoiceRangeNeverStartsWhereNumbersMayHaveBeenIssued) {
  Start(Shape(42, 8, '2'));
  sim->WithDevice([](SimDevice& d) {
    d.State().invoiceNext = 101;  // invoices 1 to 100 issued
    return 0;
  });
  const struct {
    const char* first;
    const char* last;
    bool written;
    bool warned;
  } cases[] = {
      {"100", "1000", false, true}, {"1", "2000", false, true},    {"1000", "2000", false, true},
      {"1", "1000", false, false},  {"1001", "2000", true, false},
  };
  for (const auto& c : cases) {
    const size_t before = sim->Writes().size();
    const JobResult r = Restore(Backup(std::string(R"("invoiceRange":{"first":")") + c.first +
                                       R"(","last":")" + c.last + R"("})"));
    EXPECT_EQ(sim->Writes().size() - before, c.written ? 1u : 0u) << c.first;
    EXPECT_EQ(r.check.Texts(CheckLevel::kWarning).size(), c.warned ? 1u : 0u) << c.first;
    EXPECT_EQ(r.status, c.written ? JobStatus::kDone : JobStatus::kNothingToDo) << c.first;
  }
  EXPECT_EQ(sim->WithDevice([](SimDevice& d) { return d.State().invoiceNext; }), 1001);
}

// Trailing spaces the printer trims: written in the form it keeps, with a
// warning, so the second run sends nothing.
TEST_F(JobsSim, ValuesAreComparedAsThePrinterStoresThemSoARerunSendsNothing) {
  Start(Shape(42, 8, '2'));
  const std::string file = Backup(R"(
      "payments":{"names":[{"type":1,"name":"ДЕБИТ "},{"type":2,"name":"ЧЕК"},
        {"type":3,"name":"ВАУЧЕР"},{"type":4,"name":"ВАЛУТА"}],"exchangeRate":1.95583},
      "operators":[{"number":2,"name":"Петър  ","password":"7 "}],
      "departments":[{"number":1,"name":"Храни ","taxGroup":"Б"}],
      "articles":[{"number":40,"name":"Чай  ","price":2.5,"taxGroup":"Б","department":1}])");
  // The article table is whole in the file: the sample articles go.
  JobResult r = Restore(file);
  ASSERT_EQ(r.status, JobStatus::kDone) << (Stops(r).empty() ? "" : Stops(r)[0]);
  const auto warnings = r.check.Texts(CheckLevel::kWarning);
  ASSERT_FALSE(warnings.empty());
  EXPECT_NE(std::find(warnings.begin(), warnings.end(),
                      "Интервалите в края на текста не се пазят от принтера и се записва текстът "
                      "без тях: вид плащане 1, оператор 2, департамент 1, артикул 40"),
            warnings.end());
  const size_t writes = sim->Writes().size();
  r = Restore(file);
  EXPECT_EQ(r.status, JobStatus::kNothingToDo);
  EXPECT_EQ(sim->Writes().size(), writes);
}

// A change to whole numbers rounds the prices of the articles the file does
// not write: asked first, naming each; "no" sends nothing.
TEST_F(JobsSim, ADecimalPointThatRoundsPricesIsAskedFirst) {
  Start(Shape(42, 8, '2'));
  host.answer = false;
  const int before = FreeRecords();
  JobResult r = Restore(Backup(R"("decimalPoint":0)"), true);
  EXPECT_EQ(r.status, JobStatus::kDeclined);
  ASSERT_EQ(host.questions.size(), 1u);
  EXPECT_NE(host.questions[0].find("1 „Хляб“: 1.20 -> 1"), std::string::npos) << host.questions[0];
  EXPECT_NE(host.questions[0].find("2 „Мляко 1 л“: 2.49 -> 2"), std::string::npos);
  EXPECT_EQ(host.questions[0].find("„Нощувка“"), std::string::npos);  // 50.00 stays 50
  EXPECT_TRUE(sim->Writes().empty());
  EXPECT_EQ(FreeRecords(), before);
}

// Fiscal-memory records: refused before the first write when too few are
// free (the dry run says so too); a Z report the restore causes counts; a
// printer that is not fiscalized spends none on tax rates.
TEST_F(JobsSim, FiscalMemoryRecordsAreCountedAndCheckedBeforeTheFirstWrite) {
  const std::string both = Backup(R"("decimalPoint":0,"taxRates":{"А":0,"Б":20,"В":20,"Г":10})");
  const std::string rates = Backup(R"("taxRates":{"А":0,"Б":20,"В":20,"Г":10})");
  const struct {
    const char* what;
    std::string file;
    bool dailyUnzeroed;
    bool fiscalized;
    int free;
    int records;
    bool stops;
  } cases[] = {
      {"decimal point and rates, 1 free", both, false, true, 1, 2, true},
      {"decimal point and rates, 2 free", both, false, true, 2, 2, false},
      {"rates and a Z report, 1 free", rates, true, true, 1, 2, true},
      {"rates, not fiscalized", rates, false, false, 0, 0, false},
  };
  for (const auto& c : cases) {
    Start(Shape(42, 4, '2'));
    sim->WithDevice([&c](SimDevice& d) {
      d.State().dailyUnzeroed = c.dailyUnzeroed;
      d.State().fiscalized = c.fiscalized;
      d.State().fmCapacity = d.State().fmCapacity - d.FreeFmRecords() + c.free;
      return 0;
    });
    for (const bool dry : {true, false}) {
      RestoreRequest request;
      request.file = File("r.json", c.file);
      request.dryRun = dry;
      request.options.includeFiscal = true;
      // Articles with fractions would be asked about; not the point here.
      host.answer = true;
      const JobResult r = RunRestore(host, request);
      EXPECT_EQ(r.check.fiscalRecords, c.records) << c.what;
      EXPECT_EQ(r.check.Stops(), c.stops) << c.what;
      if (dry) {
        EXPECT_EQ(r.wouldBe, c.stops ? JobStatus::kStopped : JobStatus::kDone) << c.what;
      }
      if (c.stops) {
        EXPECT_TRUE(sim->Writes().empty()) << c.what;
      }
    }
  }
}

// The daily Z report a header line waits for is counted, and offered by the
// driver when it comes: not asked about as the restore's own record.
TEST_F(JobsSim, AZReportAloneIsCountedButNotAskedAbout) {
  Start(Shape(42, 8, '2'));
  sim->WithDevice([](SimDevice& d) {
    d.State().dailyUnzeroed = true;
    return 0;
  });
  host.ui.SetFallback(Prompt::kResultCancel);  // the driver's offer to zero: declined
  const JobResult r = Restore(Backup(R"("header":[{"line":3,"text":"НОВ","alignment":"left"}])"));
  EXPECT_EQ(r.check.fiscalRecords, 1);
  EXPECT_TRUE(r.check.zReport);
  EXPECT_EQ(host.askedRecords, -1);
  EXPECT_EQ(r.status, JobStatus::kIncomplete);
  EXPECT_TRUE(sim->Writes().empty());
}

// A receipt open on the printer is the customer's: nothing is sent.
TEST_F(JobsSim, AnOpenReceiptStopsTheRestoreBeforeAnythingIsSent) {
  Start(Shape(42, 8, '2'));
  for (const int kind : {OpenReceipt::kFiscal, OpenReceipt::kService}) {
    sim->WithDevice([kind](SimDevice& d) {
      d.State().receipt.kind = kind;
      return 0;
    });
    host.ui.SetFallback(Prompt::kResultYes);
    const JobResult r =
        Restore(Backup(R"("operators":[{"number":1,"name":"Иван","password":"1"}])"));
    EXPECT_EQ(r.status, JobStatus::kStopped);
    ASSERT_EQ(Stops(r).size(), 1u);
    EXPECT_EQ(Stops(r)[0].rfind("В принтера има отворен бон", 0), 0u);
  }
  EXPECT_TRUE(sim->Writes().empty());
  EXPECT_EQ(sim->WithDevice([](SimDevice& d) { return d.State().receipt.kind; }),
            OpenReceipt::kService);
}

// A file from another printer (factory numbers or tax number) is asked about,
// naming both; "no" sends nothing.
TEST_F(JobsSim, AFileFromAnotherPrinterIsAskedAboutNamingBoth) {
  Start(Shape(42, 8, '2'));
  const struct {
    const char* origin;
    const char* named;
  } cases[] = {
      {R"("printerNumber":111111,"memoryNumber":222222,"taxNumber":"123456786")",
       "Файлът е от друг принтер (№ 111111, фискална памет № 222222, ЕИК 123456786); този е № "
       "123456, фискална памет № 654321, ЕИК 123456786"},
      {R"("printerNumber":123456,"memoryNumber":654321,"taxNumber":"999999999")",
       "Файлът е от друг принтер (№ 123456, фискална памет № 654321, ЕИК 999999999); този е № "
       "123456, фискална памет № 654321, ЕИК 123456786"},
  };
  host.answer = false;
  for (const auto& c : cases) {
    host.questions.clear();
    const JobResult r = Restore(Backup(std::string(R"("printer":{)") + c.origin + R"(},
        "operators":[{"number":1,"name":"Иван","password":"1"}])"));
    EXPECT_EQ(r.status, JobStatus::kDeclined) << c.origin;
    ASSERT_EQ(host.questions.size(), 1u) << c.origin;
    EXPECT_EQ(host.questions[0].rfind(c.named, 0), 0u) << host.questions[0];
  }
  EXPECT_TRUE(sim->Writes().empty());
}

// Departments cleared while articles still name them: the articles are named.
TEST_F(JobsSim, RemovingADepartmentNamesTheArticlesLeftPointingAtIt) {
  Start(Shape(42, 8, '2'));
  RestoreRequest request;
  request.file = File("r.json", Backup(R"("departments":[
      {"number":1,"name":"Хранителни стоки","taxGroup":"Б"},{"number":2,"name":"Напитки","taxGroup":"Б"},
      {"number":3,"name":"Кафе-бар","taxGroup":"Б"},{"number":4,"name":"Преса","taxGroup":"А"},
      {"number":5,"name":"Горива","taxGroup":"В"}])"));
  request.dryRun = true;
  const JobResult r = RunRestore(host, request);
  const auto warnings = r.check.Texts(CheckLevel::kWarning);
  EXPECT_NE(std::find(warnings.begin(), warnings.end(),
                      "Департамент 6 се изтрива, а артикули остават към него: 7 „Нощувка“"),
            warnings.end());
}

// The CSV imports pass the restore's pre-flight: a department the printer
// already holds is not sent (with turnover it could not be), a changed one
// with turnover stops the import, the operator report is named.
TEST_F(JobsSim, ImportsGoThroughTheRestoresPreflight) {
  Start(Shape(42, 8, '2'));
  sim->WithDevice([](SimDevice& d) {
    d.State().departments[1].turnover = 500;
    d.State().operators[0].unzeroed = true;
    return 0;
  });
  const std::string same = File("d.csv",
                                "Номер;Име;Дан.Група\n1;Хранителни стоки;Б\n2;Напитки;Б\n"
                                "7;Нов;В\n");
  JobResult r = RunImport(host, CsvTable::kDepartments, same, CsvDialect{});
  ASSERT_EQ(r.status, JobStatus::kDone) << (Stops(r).empty() ? "" : Stops(r)[0]);
  ASSERT_EQ(r.plan.steps.size(), 1u);
  EXPECT_EQ(r.plan.steps[0].item, 7);
  EXPECT_EQ(RunImport(host, CsvTable::kDepartments, same, CsvDialect{}).status,
            JobStatus::kNothingToDo);

  const size_t writes = sim->Writes().size();
  r = RunImport(host, CsvTable::kDepartments, File("d2.csv", "Номер;Име;Дан.Група\n1;Друго;Б\n"),
                CsvDialect{});
  EXPECT_EQ(r.status, JobStatus::kStopped);
  EXPECT_EQ(sim->Writes().size(), writes);

  host.ui.SetFallback(Prompt::kResultCancel);
  r = RunImport(host, CsvTable::kOperators,
                File("o.csv", "Оператор;Име на оператор;Парола\n1;Иван;1\n"), CsvDialect{});
  EXPECT_EQ(r.check.Texts(CheckLevel::kWarning),
            std::vector<std::string>{"Операторски отчет не е нулиран: принтерът ще поиска "
                                     "нулирането му преди записа на Оператор"});
}

}  // namespace
