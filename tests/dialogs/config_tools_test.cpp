// The tools menu's jobs against the simulated printer: a restore shows its
// differences in a window before anything is sent, and a CSV import with a bad
// row names it and sends nothing.
#include <gtest/gtest.h>
#include <unistd.h>
#include <wx/timer.h>

#include <filesystem>
#include <fstream>

#include "dialog_fixtures.h"
#include "dialogs/config_tools.h"
#include "dialogs/restore_dialog.h"
#include "driver/cp1251.h"
#include "screenshot_capture.h"

namespace {

namespace fs = std::filesystem;

constexpr int kPort = 7;

// While it lives, answers the RestoreDialog once it runs modally: records its
// lines, ticks the fiscal box when asked to, and presses "Възстановяване".
class RestoreAnswerer : public wxTimer {
 public:
  explicit RestoreAnswerer(bool tickFiscal) : tickFiscal_(tickFiscal) { Start(10); }
  void Notify() override {
    RestoreDialog* d = ModalDialog<RestoreDialog>();
    if (!d) return;
    Stop();
    for (unsigned i = 0; i < d->Changes()->GetCount(); ++i)
      lines.push_back(std::string(d->Changes()->GetString(i).utf8_str()));
    if (d->FiscalChanges())
      for (unsigned i = 0; i < d->FiscalChanges()->GetCount(); ++i)
        fiscalLines.push_back(std::string(d->FiscalChanges()->GetString(i).utf8_str()));
    summary = std::string(d->Summary()->GetLabel().utf8_str());
    if (tickFiscal_ && d->FiscalBox()) {
      d->FiscalBox()->SetValue(true);
      wxCommandEvent ev(wxEVT_CHECKBOX, d->FiscalBox()->GetId());
      ev.SetEventObject(d->FiscalBox());
      ev.SetInt(1);
      d->FiscalBox()->ProcessWindowEvent(ev);
      passwordEnabled = d->PasswordField()->IsEnabled();
    }
    Click(d, wxID_OK);
  }
  std::vector<std::string> lines, fiscalLines;
  std::string summary;
  bool passwordEnabled = false;

 private:
  bool tickFiscal_;
};

class ConfigToolsSim : public SimPrinterDialogTest {
 protected:
  ConfigToolsSim() : SimPrinterDialogTest(kPort) {}
  void SetUp() override {
    SimPrinterDialogTest::SetUp();
    dir_ = fs::temp_directory_path() / ("fs-config-tools-" + std::to_string(getpid()));
    fs::create_directories(dir_);
  }
  void TearDown() override {
    fs::remove_all(dir_);
    SimPrinterDialogTest::TearDown();
  }
  std::string Write(const std::string& name, const std::string& text) {
    std::ofstream(dir_ / name, std::ios::binary) << text;
    return (dir_ / name).string();
  }
  ConfigTools Tools(const std::string& file) {
    ConfigTools t;
    t.ui = &ui_;
    t.line = PrinterLine{kPort};
    t.services = Services();
    t.services.openFile = [file](wxWindow*, const wxString&, const wxString&, const wxString&) {
      return wxString::FromUTF8(file);
    };
    t.services.messageBox = [this](wxWindow*, const wxString& text, const wxString&, long style) {
      messages.push_back(std::string(text.utf8_str()));
      return (style & wxYES_NO) ? (answerYes ? wxYES : wxNO) : wxOK;
    };
    return t;
  }
  std::string OperatorName(int n) {
    return Cp1251ToUtf8(sim_.WithDevice(
        [n](SimDevice& d) { return d.State().operators[static_cast<size_t>(n - 1)].name; }));
  }
  // Group Г's rate in hundredths of a per cent.
  int RateG() {
    return sim_.WithDevice([](SimDevice& d) { return d.State().rates[3]; });
  }

  std::vector<std::string> messages;
  bool answerYes = true;
  fs::path dir_;
};

const char* const kFile =
    R"({"format":"fiscal-service-backup","formatVersion":1,
        "taxRates":{"А":0,"Б":20,"В":20,"Г":10},
        "operators":[{"number":2,"name":"Мария","password":"22"}]})";

TEST_F(ConfigToolsSim, RestoreShowsTheDifferencesBeforeSendingAndLeavesFiscalAlone) {
  const ConfigTools tools = Tools(Write("shop.json", kFile));
  ASSERT_EQ(RateG(), 900);
  RestoreAnswerer answer(false);
  tools.Restore();
  EXPECT_EQ(answer.lines,
            (std::vector<std::string>{
                "Оператор 2: име \"Оператор 2\" -> \"Мария\", парола \"2\" -> \"22\""}));
  ASSERT_EQ(answer.fiscalLines.size(), 1u);
  EXPECT_EQ(answer.fiscalLines[0].rfind("Данъчни ставки: Г ", 0), 0u) << answer.fiscalLines[0];
  EXPECT_EQ(answer.summary, "Промени за запис: 1");
  EXPECT_EQ(OperatorName(2), "Мария");
  EXPECT_EQ(RateG(), 900);
  EXPECT_EQ(messages, (std::vector<std::string>{
                          "Записани: 1 от 1.\nФискалните настройки са оставени без промяна."}));
}

TEST_F(ConfigToolsSim, TickedFiscalChangesAreWrittenWithThePassword) {
  const ConfigTools tools = Tools(Write("shop.json", kFile));
  RestoreAnswerer answer(true);
  tools.Restore();
  EXPECT_TRUE(answer.passwordEnabled);
  // The fiscal-memory record is asked for before it is used.
  ASSERT_EQ(messages.size(), 2u);
  EXPECT_EQ(messages[0].rfind("Възстановяването ще използва 1 запис(а) от фискалната памет", 0), 0u)
      << messages[0];
  EXPECT_EQ(messages[1], "Записани: 2 от 2.");
  EXPECT_EQ(RateG(), 1000);
  EXPECT_EQ(OperatorName(2), "Мария");
}

// Agreed with fiscal settings left alone and nothing else to write: the
// printer still differs, so the message names them instead of "already holds".
TEST_F(ConfigToolsSim, OnlyFiscalDifferencesLeftAloneAreNamedNotCalledHeld) {
  ConfigTools tools = Tools(Write("rates.json", R"({"format":"fiscal-service-backup",
      "formatVersion":1,"taxRates":{"А":0,"Б":20,"В":20,"Г":10}})"));
  tools.confirmRestore = [](const wxString&, const RestorePlan&, RestoreOptions&) { return true; };
  tools.Restore();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].rfind("Нищо не е изпратено към принтера. Принтерът се различава от файла "
                              "само по фискални настройки, които бяха оставени без промяна:\n"
                              "Данъчни ставки: Г ",
                              0),
            0u)
      << messages[0];
  EXPECT_TRUE(sim_.Writes().empty());
  EXPECT_EQ(RateG(), 900);
}

TEST_F(ConfigToolsSim, ImportWithABadRowNamesItAndSendsNothing) {
  const ConfigTools tools =
      Tools(Write("ops.csv", "Оператор,Име на оператор,Парола\n1,Иван,1\n12,Петър,2\n"));
  tools.Import(CsvTable::kOperators);
  EXPECT_EQ(messages,
            (std::vector<std::string>{
                "Нищо не е изпратено към принтера. Файлът не може да бъде използван:\n„" +
                (dir_ / "ops.csv").string() + "“: ред 3, колона 1 (Оператор): е извън 1..9"}));
  EXPECT_EQ(sim_.FrameCount(), 0);
  EXPECT_EQ(OperatorName(1), "Оператор 1");
}

TEST_F(ConfigToolsSim, AFiscalChangeTheUserDoesNotConfirmSendsNothing) {
  const ConfigTools tools = Tools(Write("shop.json", kFile));
  answerYes = false;
  RestoreAnswerer answer(true);
  tools.Restore();
  EXPECT_EQ(messages.size(), 1u);  // the question only
  EXPECT_TRUE(sim_.Writes().empty());
  EXPECT_EQ(RateG(), 900);
}

TEST_F(ConfigToolsSim, ARestoreThePrinterWouldRefuseIsStoppedWithEachValueNamed) {
  const ConfigTools tools = Tools(Write("bad.json", R"({"format":"fiscal-service-backup",
      "formatVersion":1,"invoiceRange":{"first":"900","last":"100"}})"));
  tools.Restore();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0],
            "Нищо не е изпратено към принтера. Принтерът би отказал или променил тези стойности:\n"
            "Фактури: първият номер 900 трябва да е от 1 до последния (100)");
  EXPECT_TRUE(sim_.Writes().empty());
}

TEST_F(ConfigToolsSim, AHeaderLineTooWideIsCutOnlyWhenTheUserAgrees) {
  const std::string wide(43, 'W');
  const ConfigTools tools = Tools(Write("wide.json", R"({"format":"fiscal-service-backup",
      "formatVersion":1,"header":[{"line":5,"text":")" + wide +
                                                         R"(","alignment":"left"}]})"));
  answerYes = false;
  tools.Restore();
  ASSERT_EQ(messages.size(), 2u);  // the question, then the stop
  EXPECT_EQ(messages[0].rfind("Тези редове са по-широки от реда на принтера:\nРед 5 от клишето", 0),
            0u)
      << messages[0];
  EXPECT_TRUE(sim_.Writes().empty());

  messages.clear();
  answerYes = true;
  RestoreAnswerer answer(false);
  tools.Restore();
  EXPECT_EQ(messages.back(), "Записани: 1 от 1.");
  EXPECT_EQ(sim_.WithDevice([](SimDevice& d) { return d.State().header[5]; }), wide.substr(0, 42));
}

TEST(RestoreSummaryText, CountsWhatWillBeWritten) {
  EXPECT_EQ(RestoreSummary(0, 0, false), wxString::FromUTF8("Няма какво да бъде записано."));
  EXPECT_EQ(RestoreSummary(0, 2, false), wxString::FromUTF8("Няма какво да бъде записано."));
  EXPECT_EQ(RestoreSummary(3, 2, true),
            wxString::FromUTF8("Промени за запис: 5 (от тях във фискалната памет: 2)"));
}

// The differences window of a restore onto a printer that was changed.
TEST(Screenshots, RestoreDialog) {
  if (ScreenshotDir().empty()) GTEST_SKIP() << "FS_SCREENSHOTS_DIR not set";
  const auto cp = [](const char* s) { return Utf8ToCp1251(s).value(); };
  PrinterConfig printer, file;
  printer.taxRates = std::vector<double>{0, 20, 20, 9};
  file.taxRates = std::vector<double>{0, 20, 20, 10};
  printer.operators = std::vector<OperatorRecord>{{2, cp("Оператор 2"), "2"}};
  file.operators = std::vector<OperatorRecord>{{2, cp("Мария Петрова"), "22"}};
  ArticleRecord bread;
  bread.number = 1;
  bread.name = cp("Хляб бял");
  bread.price = 1.20;
  bread.taxGroup = 1;
  ArticleRecord water = bread;
  water.number = 3;
  water.name = cp("Вода 0.5 л");
  water.price = 0.80;
  printer.articles = std::vector<ArticleRecord>{bread, water};
  bread.price = 1.35;
  file.articles = std::vector<ArticleRecord>{bread};
  const RestorePlan plan = PlanRestore(printer, file, RestoreOptions{});
  RestoreDialog dialog(nullptr, "/home/technician/shop.json", plan);
  CaptureWindow(dialog, "restore_dialog");
}

}  // namespace
