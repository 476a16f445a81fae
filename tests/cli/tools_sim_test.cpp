// fiscal-cli's backup, restore and CSV commands against the simulated printer:
// files written and read, dry runs and bad rows that send nothing, exit statuses.
#include <gtest/gtest.h>
#include <unistd.h>

#include <csignal>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "cli_run.h"
#include "driver/cp1251.h"
#include "link/serial_trace.h"
#include "sim/sim_server.h"

namespace {

namespace fs = std::filesystem;

class CliToolsSim : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = fs::temp_directory_path() /
          ("fs-cli-tools-" + std::to_string(getpid()) + "-" +
           ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(dir);
  }
  void TearDown() override { fs::remove_all(dir); }

  // Runs fiscal-cli on the simulated printer with short waits.
  CliRun Run(std::vector<std::string> args) {
    args.insert(args.begin(), {"--device", sim.Path()});
    std::istringstream in;
    std::ostringstream out, err;
    LinkTimeouts t = FastTimeouts();
    t.drain = 1;
    CliEnvironment env{in, out, err, false, t};
    CliRun r;
    r.code = RunCli(args, env);
    r.out = out.str();
    r.err = err.str();
    return r;
  }
  std::string File(const std::string& name) const { return (dir / name).string(); }
  void Write(const std::string& name, const std::string& text) const {
    std::ofstream(dir / name, std::ios::binary) << text;
  }
  std::string ReadBack(const std::string& name) const {
    std::ifstream in(dir / name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  std::string OperatorName(int n) {
    return Cp1251ToUtf8(sim.WithDevice(
        [n](SimDevice& d) { return d.State().operators[static_cast<size_t>(n - 1)].name; }));
  }

  SimServer sim;
  fs::path dir;
};

const char* const kOperatorsOnly =
    R"({"format":"fiscal-service-backup","formatVersion":1,"operators":[
        {"number":1,"name":"Иван","password":"11"},
        {"number":2,"name":"Мария","password":"22"}]})";

TEST_F(CliToolsSim, DryRunListsTheDifferencesAndSendsNothing) {
  Write("ops.json", kOperatorsOnly);
  const CliRun dry = Run({"restore", File("ops.json"), "--dry-run"});
  EXPECT_EQ(dry.code, 0) << dry.err;
  EXPECT_EQ(dry.OutLines(),
            (std::vector<std::string>{
                "operator 1: name \"Оператор 1\" -> \"Иван\", password \"1\" -> \"11\"",
                "operator 2: name \"Оператор 2\" -> \"Мария\", password \"2\" -> \"22\"",
                "restore: 2 change(s); dry run, nothing sent; the real run would write 2 "
                "change(s)"}));
  EXPECT_EQ(OperatorName(1), "Оператор 1");

  const CliRun real = Run({"restore", File("ops.json")});
  EXPECT_EQ(real.code, 0) << real.err;
  EXPECT_EQ(real.OutLines().back(), "restore: 2 of 2 written");
  EXPECT_EQ(OperatorName(1), "Иван");
  EXPECT_EQ(OperatorName(2), "Мария");

  // Nothing left to do: the second run sends no change.
  const CliRun again = Run({"restore", File("ops.json")});
  EXPECT_EQ(again.code, 0);
  EXPECT_NE(again.out.find("already holds"), std::string::npos) << again.out;
}

// Differences in fiscal settings only, left alone without --include-fiscal:
// the printer does not hold the file, so no "already holds" and no exit 0.
TEST_F(CliToolsSim, ARestoreThatLeavesOnlyFiscalDifferencesSaysSoAndFails) {
  Write("fiscal.json", R"({"format":"fiscal-service-backup","formatVersion":1,"decimalPoint":0})");
  const std::string kLeftAlone =
      "left alone (fiscal memory; --include-fiscal writes it): decimal point: mode 2 -> 0";
  const std::string kSaid = "restore: nothing sent: the printer differs from " +
                            File("fiscal.json") +
                            " only in fiscal settings, left alone (--include-fiscal writes them)";
  const CliRun r = Run({"restore", File("fiscal.json")});
  EXPECT_EQ(r.code, 1) << r.err;
  EXPECT_EQ(r.OutLines(), (std::vector<std::string>{kLeftAlone, kSaid}));

  const CliRun json = Run({"--json", "restore", File("fiscal.json")});
  EXPECT_EQ(json.code, 1);
  EXPECT_NE(json.out.find("\"status\":\"fiscal-left-out\",\"ok\":false"), std::string::npos)
      << json.out;
  EXPECT_NE(json.out.find("\"fiscalLeftOut\":[{\"section\":\"decimalPoint\""), std::string::npos)
      << json.out;
  // A dry run exits as the real run would, and says so.
  const CliRun dry = Run({"restore", File("fiscal.json"), "--dry-run"});
  EXPECT_EQ(dry.code, 1);
  EXPECT_EQ(dry.OutLines().back(),
            "restore: 0 change(s); dry run, nothing sent; the real run would send nothing: only "
            "fiscal settings differ, left alone");
  EXPECT_TRUE(sim.Writes().empty());

  // The same end state, the same status: written with the fiscal settings
  // left alone, the first run fails as the rerun does.
  Write("mixed.json", R"({"format":"fiscal-service-backup","formatVersion":1,"decimalPoint":0,
      "operators":[{"number":1,"name":"Иван","password":"1"}]})");
  const CliRun first = Run({"restore", File("mixed.json")});
  EXPECT_EQ(first.code, 1) << first.out;
  EXPECT_EQ(first.OutLines().back(),
            "restore: 1 of 1 written; fiscal settings left alone (--include-fiscal writes them)");
  EXPECT_EQ(Run({"restore", File("mixed.json")}).code, 1);
}

TEST_F(CliToolsSim, BackupWritesTheWholeProgrammingAndRestoresIt) {
  const CliRun backup = Run({"backup", File("printer.json")});
  ASSERT_EQ(backup.code, 0) << backup.err;
  EXPECT_NE(backup.out.find("9 operators, 6 departments, 7 articles"), std::string::npos)
      << backup.out;
  const std::string saved = ReadBack("printer.json");
  EXPECT_NE(saved.find("\"printerNumber\": 123456"), std::string::npos);
  EXPECT_NE(saved.find("\"name\": \"Оператор 9\""), std::string::npos);
  // It holds the operators' passwords: nobody but its owner reads it.
  EXPECT_EQ(fs::status(File("printer.json")).permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write);

  ASSERT_EQ(Run({"set-operator", "4", "Друг", "44"}).code, 0);
  ASSERT_EQ(Run({"set-article", "900", "Нов", "3.10", "Б", "0"}).code, 0);
  const CliRun restore = Run({"restore", File("printer.json")});
  EXPECT_EQ(restore.code, 0) << restore.err;
  EXPECT_EQ(restore.OutLines().back(), "restore: 2 of 2 written");
  EXPECT_EQ(OperatorName(4), "Оператор 4");
  EXPECT_EQ(sim.WithDevice([](SimDevice& d) { return d.State().articles.count(900); }), 0u);
}

TEST_F(CliToolsSim, ImportWithOneBadRowNamesItAndSendsNothing) {
  Write("articles.csv",
        "Артикул Номер,Артикул Име,Артикул Цена,Дан.Група,Департамент\n"
        "101,Хляб,1.20,Б,0\n"
        "102,Мляко,2.3.5,Б,0\n"
        "103,Вода,0.80,Б,0\n");
  const CliRun r = Run({"import-articles", File("articles.csv")});
  EXPECT_EQ(r.code, 2);
  EXPECT_EQ(r.err, "fiscal-cli: import-articles: „" + File("articles.csv") +
                       "“: ред 3, колона 3 (Артикул Цена): не е число\n");
  EXPECT_EQ(sim.FrameCount(), 0);
  EXPECT_EQ(sim.WithDevice([](SimDevice& d) { return d.State().articles.count(101); }), 0u);
}

TEST_F(CliToolsSim, ImportedRowsAreWrittenAndExportedAgain) {
  Write("deps.csv", "Номер;Име;Дан.Група\n10;Цветя;В\n11;\"Вестници, списания\";А\n");
  const CliRun in = Run({"import-departments", File("deps.csv")});
  EXPECT_EQ(in.code, 0) << in.err;
  EXPECT_EQ(in.OutLines().back(), "import-departments: 2 of 2 written");

  const CliRun out = Run({"export-departments", File("out.csv")});
  EXPECT_EQ(out.code, 0) << out.err;
  const std::string csv = ReadBack("out.csv");
  EXPECT_EQ(csv.rfind("\xEF\xBB\xBFНомер,Име,Дан.Група\r\n", 0), 0u) << csv;
  EXPECT_NE(csv.find("\r\n10,Цветя,В\r\n11,\"Вестници, списания\",А\r\n"), std::string::npos)
      << csv;
}

TEST_F(CliToolsSim, RestoreThatCannotFinishSaysWhatWasNotWritten) {
  Write("ops.json", kOperatorsOnly);
  sim.Inject(Fault::kNoAnswer);
  const CliRun r = Run({"restore", File("ops.json")});
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(sim.FrameCount(), 0);
  // Stopped before anything was read, it still ends with its summary.
  EXPECT_EQ(r.OutLines().back(), "restore: the printer could not be opened or read; nothing sent");

  // Reading works; department 1 has sales, so the printer would refuse to
  // change it: the pre-flight names it and nothing is sent.
  sim.Inject(Fault::kNoAnswer, 0);
  sim.WithDevice([](SimDevice& d) { d.State().departments[1].turnover = 500; });
  Write("deps.json",
        R"({"format":"fiscal-service-backup","formatVersion":1,"departments":[
            {"number":1,"name":"Нов 1","taxGroup":"Б"},{"number":2,"name":"Нов 2","taxGroup":"Б"}]})");
  const CliRun stopped = Run({"--answers", "5", "restore", File("deps.json")});
  EXPECT_EQ(stopped.code, 2);
  EXPECT_NE(stopped.out.find("refused: Департамент 1 „Хранителни стоки“ има оборот"),
            std::string::npos)
      << stopped.out;
  EXPECT_EQ(stopped.OutLines().back(),
            "restore: nothing sent: the printer would refuse or change 1 value(s)");
  EXPECT_TRUE(sim.Writes().empty());

  // Ctrl-C while the first department is written: that command finishes,
  // nothing after it is sent, and the summary says what was not written.
  sim.WithDevice([](SimDevice& d) { d.State().departments[1].turnover = 0; });
  const CliRun interrupted = [&] {
    ScopedSerialTrace ctrlC([](int, bool sent, const std::string& bytes) {
      if (sent && bytes.size() > 4 && bytes[0] == '\x02' && bytes[3] == '\x47') std::raise(SIGINT);
    });
    return Run({"restore", File("deps.json")});
  }();
  EXPECT_EQ(interrupted.code, 1);
  EXPECT_EQ(interrupted.OutLines().back(),
            "restore: 1 of 6 written; interrupted; run it again to finish");
  EXPECT_EQ(sim.WithDevice([](SimDevice& d) { return d.State().departments[1].name; }),
            Utf8ToCp1251("Нов 1").value());
  const CliRun rest = Run({"restore", File("deps.json")});
  EXPECT_EQ(rest.code, 0) << rest.out;
  EXPECT_EQ(rest.OutLines().back(), "restore: 5 of 5 written");
}

TEST_F(CliToolsSim, BadArgumentsAndFilesAreUsageErrors) {
  Write("broken.json",
        "{\"format\":\"fiscal-service-backup\",\"formatVersion\":1,"
        "\"articles\":[{\"number\":0}]}");
  const std::vector<std::vector<std::string>> cases = {
      {"backup"},
      {"backup", "a", "b"},
      {"restore", File("missing.json")},
      {"restore", File("broken.json")},
      {"restore", File("broken.json"), "--force"},
      {"import-operators", File("missing.csv")},
  };
  for (const auto& args : cases) {
    const CliRun r = Run(args);
    EXPECT_EQ(r.code, 2) << args[0] << " " << r.err;
    EXPECT_EQ(r.out, "");
  }
  EXPECT_EQ(sim.FrameCount(), 0);
}

TEST_F(CliToolsSim, DryRunShowsThePreflightAndAStoppedRestoreSendsNothing) {
  Write("big.json", R"({"format":"fiscal-service-backup","formatVersion":1,"articles":[
      {"number":1,"name":"Хляб","price":5000000,"taxGroup":"Б","department":0}]})");
  const CliRun dry = Run({"restore", File("big.json"), "--dry-run", "--only", "articles"});
  EXPECT_EQ(dry.code, 2) << dry.err;
  EXPECT_EQ(dry.OutLines().back(),
            "restore: 7 change(s); dry run, nothing sent; the real run would be refused (nothing "
            "sent)");
  const auto lines = dry.OutLines();
  ASSERT_GE(lines.size(), 3u);
  EXPECT_EQ(lines[0], "note: Принтерът: данъчни групи А..З, суми с 2 знака след точката");
  EXPECT_EQ(lines[1], "refused: Артикул 1 „Хляб“: цена 5000000.00 е над най-голямата 999999.99");
  const CliRun real = Run({"restore", File("big.json")});
  EXPECT_EQ(real.code, 2);
  EXPECT_TRUE(sim.Writes().empty());
}

TEST_F(CliToolsSim, OnlyTheNamedSectionsAreReadOrRestored) {
  const CliRun backup = Run({"backup", File("ops.json"), "--only", "operators", "header"});
  ASSERT_EQ(backup.code, 0) << backup.err;
  const std::string saved = ReadBack("ops.json");
  EXPECT_NE(saved.find("\"operators\""), std::string::npos);
  EXPECT_NE(saved.find("\"header\""), std::string::npos);
  EXPECT_EQ(saved.find("\"articles\""), std::string::npos);

  Write("both.json", R"({"format":"fiscal-service-backup","formatVersion":1,
      "operators":[{"number":1,"name":"Иван","password":"1"}],
      "invoiceRange":{"first":"2001","last":"3000"}})");
  const CliRun r = Run({"restore", File("both.json"), "--only", "invoiceRange"});
  EXPECT_EQ(r.code, 0) << r.out;
  EXPECT_EQ(r.OutLines().back(), "restore: 1 of 1 written");
  EXPECT_EQ(OperatorName(1), "Оператор 1");
  EXPECT_EQ(Run({"backup", File("x.json"), "--only"}).code, 2);
  EXPECT_EQ(Run({"backup", File("x.json"), "--only", "artikles"}).code, 2);
}

TEST_F(CliToolsSim, DiffComparesTwoBackupsWithoutAPrinter) {
  Write("a.json", R"({"format":"fiscal-service-backup","formatVersion":1,
      "taxRates":{"А":0,"Б":20},"operators":[{"number":1,"name":"Иван","password":"1"}]})");
  Write("b.json", R"({"format":"fiscal-service-backup","formatVersion":1,
      "taxRates":{"А":0,"Б":9},"operators":[{"number":1,"name":"Мария","password":"1"}]})");
  const CliRun diff = Run({"diff", File("a.json"), File("b.json")});
  EXPECT_EQ(diff.code, 1);
  EXPECT_EQ(diff.OutLines(), (std::vector<std::string>{"tax rates: Б 20.00% -> 9.00%",
                                                       "operator 1: name \"Иван\" -> \"Мария\"",
                                                       "diff: 2 difference(s)"}));
  const CliRun same = Run({"diff", File("a.json"), File("a.json")});
  EXPECT_EQ(same.code, 0);
  EXPECT_EQ(same.OutLines(),
            (std::vector<std::string>{"diff: no differences (" + File("a.json") + ")"}));
  // Values no restore could write still make the files differ.
  const auto payments = [](const char* name, const char* rate) {
    return std::string(R"({"format":"fiscal-service-backup","formatVersion":1,"payments":{"names":[
        {"type":1,"name":")") +
           name + R"("},{"type":2,"name":"ЧЕК"},{"type":3,"name":"В"},
        {"type":4,"name":"ВАЛУТА"}],"exchangeRate":)" +
           rate + "}}";
  };
  Write("p.json", payments("КАРТА", "1.95583"));
  Write("empty-name.json", payments("", "1.95583"));
  Write("no-rate.json", payments("КАРТА", "0"));
  for (const char* other : {"empty-name.json", "no-rate.json"}) {
    const CliRun d = Run({"diff", File("p.json"), File(other)});
    EXPECT_EQ(d.code, 1) << other;
    EXPECT_EQ(d.OutLines().back(), "diff: 1 difference(s)") << d.out;
    EXPECT_EQ(d.out.find("already holds"), std::string::npos);
    EXPECT_EQ(d.out.find("dry run"), std::string::npos);
  }
  EXPECT_EQ(Run({"diff", File("a.json")}).code, 2);
  EXPECT_EQ(sim.FrameCount(), 0);
}

TEST_F(CliToolsSim, JsonReportsEachToolCommandAsOneObject) {
  Write("ops.json", kOperatorsOnly);
  const CliRun r = Run({"--json", "restore", File("ops.json")});
  EXPECT_EQ(r.code, 0) << r.err;
  ASSERT_EQ(r.OutLines().size(), 1u) << r.out;
  EXPECT_EQ(r.out.rfind("{\"command\":\"restore\",\"files\":[", 0), 0u) << r.out;
  EXPECT_NE(r.out.find("\"status\":\"done\",\"ok\":true"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("\"outcome\":\"written\",\"code\":\"00\""), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("\"written\":2"), std::string::npos) << r.out;

  const CliRun bad = Run({"--json", "import-operators", File("missing.csv")});
  EXPECT_EQ(bad.code, 2);
  EXPECT_NE(bad.out.find("\"status\":\"bad-file\",\"ok\":false,\"message\":"), std::string::npos)
      << bad.out;
  const CliRun exp = Run({"--json", "export-operators", File("ops.csv")});
  EXPECT_EQ(exp.code, 0);
  EXPECT_NE(exp.out.find("\"read\":\"9 operators\""), std::string::npos) << exp.out;
}

TEST_F(CliToolsSim, AFileThatCannotBeWrittenSaysWhyBeforeThePrinterIsRead) {
  const CliRun r = Run({"backup", (dir / "no-such-folder" / "b.json").string()});
  EXPECT_EQ(r.code, 2) << "as --record's file that cannot be written";
  EXPECT_NE(r.err.find("не може да бъде записан: No such file or directory"), std::string::npos)
      << r.err;
  EXPECT_EQ(sim.FrameCount(), 0);
  const CliRun folder = Run({"export-articles", dir.string()});
  EXPECT_EQ(folder.code, 2);
  EXPECT_NE(folder.err.find("това е папка"), std::string::npos) << folder.err;
}

TEST_F(CliToolsSim, ExportInTheBulgarianSpreadsheetDialect) {
  const CliRun r = Run({"export-departments", File("d.csv"), "--separator", ";", "--decimal-comma",
                        "--encoding", "cp1251"});
  ASSERT_EQ(r.code, 0) << r.err;
  const std::string csv = ReadBack("d.csv");
  EXPECT_EQ(csv.rfind(Utf8ToCp1251("Номер;Име;Дан.Група\r\n1;Хранителни стоки;Б\r\n").value(), 0),
            0u);
  // Read back without being told the encoding.
  EXPECT_EQ(Run({"import-departments", File("d.csv")}).code, 0);
  EXPECT_EQ(Run({"export-articles", File("a.csv"), "--decimal-comma"}).code, 2);
}

TEST_F(CliToolsSim, CtrlCWhileABackupReadsLeavesNoFile) {
  int reads = 0;
  ScopedSerialTrace ctrlC([&](int, bool sent, const std::string& bytes) {
    // The fourth operator read.
    if (sent && bytes.size() > 4 && bytes[0] == '\x02' && bytes[3] == '\x6a' && ++reads == 4)
      std::raise(SIGINT);
  });
  const CliRun r = Run({"backup", File("b.json"), "--only", "operators"});
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.OutLines().back(),
            "backup: interrupted while reading the printer; " + File("b.json") + " not written");
  EXPECT_FALSE(fs::exists(dir / "b.json"));
  EXPECT_FALSE(fs::exists(dir / "b.json.part"));
}

// Questions of the pre-flight are answered like any prompt (--answers: 6 yes,
// 7 no); --include-fiscal without --password uses the default 000000.
TEST_F(CliToolsSim, QuestionsAreAnsweredAndTheServicePasswordHasOneDefault) {
  Write("other.json", R"({"format":"fiscal-service-backup","formatVersion":1,
      "printer":{"printerNumber":111111,"memoryNumber":222222,"taxNumber":"999999999"},
      "operators":[{"number":1,"name":"Иван","password":"1"}]})");
  const CliRun no = Run({"--answers", "7", "restore", File("other.json")});
  EXPECT_EQ(no.code, 1) << no.out;
  EXPECT_EQ(no.OutLines().back(), "restore: nothing sent");
  EXPECT_TRUE(sim.Writes().empty());
  const CliRun dry = Run({"restore", File("other.json"), "--dry-run"});
  EXPECT_NE(dry.out.find("question (answered yes to write): Файлът е от друг принтер (№ 111111"),
            std::string::npos)
      << dry.out;
  const CliRun yes = Run({"--answers", "6", "restore", File("other.json")});
  EXPECT_EQ(yes.code, 0) << yes.out;
  EXPECT_EQ(OperatorName(1), "Иван");

  Write("rates.json", R"({"format":"fiscal-service-backup","formatVersion":1,
      "taxRates":{"А":0,"Б":20,"В":20,"Г":10}})");
  const CliRun fiscal = Run({"--answers", "6", "restore", File("rates.json"), "--include-fiscal"});
  EXPECT_EQ(fiscal.code, 0) << fiscal.out << fiscal.err;
  EXPECT_EQ(sim.WithDevice([](SimDevice& d) { return d.State().rates[3]; }), 1000);
}

}  // namespace
