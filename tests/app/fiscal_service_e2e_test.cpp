// A new printer taken into fiscal service from the program's windows alone:
// the simulated printer runs as its own process (fiscal-sim --factory), and
// every step is a menu item, a dialog's control or an answer to a prompt,
// as a distributor's technician would do it. Afterwards the printer's memory
// (its state file) and its paper are checked.
#include <gtest/gtest.h>
#include <wx/dialog.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <sstream>
#include <thread>

#include "app/main_dialog.h"
#include "app/main_menu.h"
#include "app/menu_routes.h"
#include "app/simulator_process.h"
#include "app_test_support.h"
#include "dialogs/cliche_dialog.h"
#include "dialogs/date_time_dialog.h"
#include "dialogs/factory_numbers_dialog.h"
#include "dialogs/fiscalization_dialog.h"
#include "dialogs/operators_dialog.h"
#include "driver/cp1251.h"
#include "link/prompt_style.h"
#include "link/settings.h"
#include "sim/state_file.h"

namespace {

// The user's session: steps run one after another, each once its dialog is
// the topmost modal window and no earlier step is still working in it. A step
// runs from the event loop, so a button that opens another dialog leaves the
// session free to work in that one. A step that never gets its dialog fails
// the test and closes what is open, so the test cannot hang.
class UserSession : public wxTimer {
 public:
  explicit UserSession(int limitMs = 60000)
      : deadline_(std::chrono::steady_clock::now() + std::chrono::milliseconds(limitMs)) {
    Start(25);
  }
  ~UserSession() override { Stop(); }

  template <class D>
  void Then(const std::string& what, std::function<void(D&)> act) {
    steps_.push_back({what, [](wxDialog* w) { return dynamic_cast<D*>(w) != nullptr; },
                      [act](wxDialog* w) { act(*dynamic_cast<D*>(w)); }});
  }

  void Notify() override {
    wxDialog* top = TopModal();
    if (std::chrono::steady_clock::now() > deadline_) {
      if (!timedOut_) ADD_FAILURE() << "the session stopped before: " << Pending();
      timedOut_ = true;
      if (top) top->EndModal(wxID_CANCEL);
      return;
    }
    if (queued_ || next_ >= steps_.size() || !top) return;
    if (std::find(running_.begin(), running_.end(), top) != running_.end()) return;
    const Step& step = steps_[next_];
    if (!step.matches(top)) return;
    ++next_;
    queued_ = true;
    top->CallAfter([this, top, act = step.act] {
      queued_ = false;
      running_.push_back(top);
      act(top);
      running_.pop_back();
    });
  }

  std::string Pending() const { return next_ < steps_.size() ? steps_[next_].what : "(none)"; }
  bool Finished() const { return next_ == steps_.size() && !queued_ && running_.empty(); }

 private:
  struct Step {
    std::string what;
    std::function<bool(wxDialog*)> matches;
    std::function<void(wxDialog*)> act;
  };

  static wxDialog* TopModal() {
    wxDialog* top = nullptr;
    for (wxWindow* w : wxTopLevelWindows)
      if (auto* d = dynamic_cast<wxDialog*>(w); d && d->IsModal()) top = d;
    return top;
  }

  std::vector<Step> steps_;
  size_t next_ = 0;
  bool queued_ = false;
  std::vector<wxDialog*> running_;
  std::chrono::steady_clock::time_point deadline_;
  bool timedOut_ = false;
};

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

std::string Cp(const std::string& utf8) {
  return Utf8ToCp1251(utf8).value_or("?");
}

class FiscalServiceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    home_.Write(".NFPService", "Distributor=1\n");
    statePath_ = home_.Path() + "/printer.state";
    paperPath_ = home_.Path() + "/paper.txt";
    std::string error;
    ASSERT_TRUE(sim_.Start(std::string(FS_BINARY_DIR) + "/src/sim/fiscal-sim",
                           {"--factory", "--instant", "--busy-ms", "200", "--state", statePath_,
                            "--paper", paperPath_},
                           10000, error))
        << error;
    PortMap::Instance().Clear();
    PortMap::Instance().Set(1, sim_.DevicePath());
    window_ = new MainDialog(StandardMenuRoutes());
  }
  void TearDown() override {
    if (window_) window_->Destroy();
    ProcessPending();
    PortMap::Instance().Clear();
    sim_.Stop();
  }

  // What the printer keeps, from its state file.
  DeviceState Printer() {
    DeviceState s;
    EXPECT_EQ(LoadState(statePath_, s), "");
    return s;
  }

  TemporaryHome home_;
  std::string statePath_, paperPath_;
  SimulatorProcess sim_;
  MainDialog* window_ = nullptr;
};

TEST_F(FiscalServiceTest, NewPrinterIsTakenIntoFiscalServiceFromTheWindows) {
  using Fd = FiscalizationDialog;
  window_->DoMenuUpdates();
  ASSERT_TRUE(window_->IsItemEnabled(menu_id::kFactoryNumbers));
  ASSERT_TRUE(window_->IsItemEnabled(menu_id::kFiscalization));
  PromptWatch prompts;

  // 1. Factory numbers (distributors only).
  {
    UserSession session;
    session.Then<FactoryNumbersDialog>("factory numbers", [](FactoryNumbersDialog& d) {
      SetText(&d, FactoryNumbersDialog::kIdPassword, "000000");
      SetText(&d, FactoryNumbersDialog::kIdPrinterNumber, "100200");
      SetText(&d, FactoryNumbersDialog::kIdMemoryNumber, "300400");
      SetText(&d, FactoryNumbersDialog::kIdCheckDigits, "17");
      Click(&d, FactoryNumbersDialog::kIdWrite);
      Click(&d, FactoryNumbersDialog::kIdExit);
    });
    window_->RunItem(menu_id::kFactoryNumbers);
    EXPECT_TRUE(session.Finished()) << session.Pending();
  }
  EXPECT_TRUE(Printer().factoryWritten);

  // 2. The clock, from the computer's; a printer never set asks twice.
  prompts.Answer({Prompt::kResultNo, Prompt::kResultYes});
  {
    UserSession session;
    session.Then<DateTimeDialog>("clock", [](DateTimeDialog& d) {
      Click(&d, DateTimeDialog::kIdSetFromSystem);
      Click(&d, DateTimeDialog::kIdExit);
    });
    window_->RunItem(menu_id::kDateTime);
    EXPECT_TRUE(session.Finished()) << session.Pending();
  }
  EXPECT_FALSE(Printer().clockNotSet);

  // 3. The fiscalization dialog, from the tax number to the first receipt.
  // Prompts on the way: the three zeroed reports with no turnover, then the
  // date and the last question of the fiscalization.
  prompts.Answer({Prompt::kResultYes, Prompt::kResultYes, Prompt::kResultYes,
                  Prompt::kResultContinue, Prompt::kResultYes});
  {
    UserSession session;
    session.Then<Fd>("settings", [](Fd& d) {
      EXPECT_EQ(d.PrinterNumber()->GetLabel(), "NV100200");
      EXPECT_EQ(d.MemoryNumber()->GetLabel(), "50300400");
      SetText(&d, Fd::kIdPassword, "000000");
      SetText(&d, Fd::kIdTaxNumber, "123456786");
      Click(&d, Fd::kIdTaxNumberSet);
      SetText(&d, Fd::kIdRate + 3, "9");
      SetChecked(&d, Fd::kIdRateCheck + 4, true);
      SetText(&d, Fd::kIdRate + 4, "5");
      Click(&d, Fd::kIdRatesSet);
      // Whole numbers, then back to two decimals.
      d.Whole()->SetValue(true);
      Click(&d, Fd::kIdDecimalSet);
      Click(&d, Fd::kIdDecimalGet);
      EXPECT_TRUE(d.Whole()->GetValue());
      d.Fractional()->SetValue(true);
      Click(&d, Fd::kIdDecimalSet);
      Click(&d, Fd::kIdDateSet);
    });
    session.Then<DateTimeDialog>("clock seen from the dialog", [](DateTimeDialog& d) {
      Click(&d, DateTimeDialog::kIdGetFromPrinter);
      Click(&d, DateTimeDialog::kIdExit);
    });
    session.Then<Fd>("header lines", [](Fd& d) {
      EXPECT_FALSE(d.DateLabel()->GetLabel().empty());
      Click(&d, Fd::kIdClicheProgram);
    });
    session.Then<ClicheDialog>("header lines typed", [](ClicheDialog& d) {
      d.Edit(0)->SetValue(wxString::FromUTF8("ТЕСТОВ МАГАЗИН ЕООД"));
      d.Edit(6)->SetValue(wxString::FromUTF8("ЕИК 123456786"));
      Click(&d, ClicheDialog::kIdSetSelected);
      Click(&d, ClicheDialog::kIdExit);
    });
    session.Then<Fd>("header printed, operators", [](Fd& d) {
      Click(&d, Fd::kIdClichePrint);
      Click(&d, Fd::kIdOperatorsProgram);
    });
    session.Then<OperatorsDialog>("operator 1", [](OperatorsDialog& d) {
      d.Name(1)->SetValue(wxString::FromUTF8("Иван Петров"));
      d.Password(1)->SetValue("1111");
      Click(&d, OperatorsDialog::kIdSetSelected);
      Click(&d, OperatorsDialog::kIdExit);
    });
    session.Then<Fd>("reports, fiscalization, first receipt", [](Fd& d) {
      Click(&d, Fd::kIdOperatorsPrint);
      Click(&d, Fd::kIdZeroDaily);
      Click(&d, Fd::kIdZeroOperators);
      Click(&d, Fd::kIdZeroArticles);
      Click(&d, Fd::kIdFiscalize);
      Click(&d, Fd::kIdFirstReceipt);
      // The receipt's Z report zeroed the day; operator 1's sale is still
      // in the operators' report.
      using fiscal::ZeroedReport;
      EXPECT_EQ(d.Mark(ZeroedReport::kDaily)->GetLabel(), "");
      EXPECT_EQ(d.Mark(ZeroedReport::kArticles)->GetLabel(), "");
      EXPECT_EQ(d.Mark(ZeroedReport::kOperators)->GetLabel(), "!");
      Click(&d, Fd::kIdExit);
    });
    window_->RunItem(menu_id::kFiscalization);
    EXPECT_TRUE(session.Finished()) << session.Pending();
  }
  // What the printer holds now.
  const DeviceState s = Printer();
  EXPECT_TRUE(s.fiscalized);
  EXPECT_EQ(s.printerNumber, 100200);
  EXPECT_EQ(s.memoryNumber, 300400);
  EXPECT_EQ(s.taxNumber, "123456786");
  EXPECT_EQ(s.rates, (std::array<int, kGroups>{0, 2000, 2000, 900, 500, -100, -100, -100}));
  EXPECT_EQ(s.decimals, '2');
  EXPECT_NE(s.header[1].find(Cp("ТЕСТОВ МАГАЗИН ЕООД")), std::string::npos);
  EXPECT_EQ(s.operators[0].name.substr(0, 11), Cp("Иван Петров"));
  EXPECT_EQ(s.operators[0].password, "1111");
  EXPECT_FALSE(s.dailyUnzeroed);
  ASSERT_GE(s.fm.size(), 2u) << "the fiscalization and the first Z report";
  EXPECT_EQ(s.fm.front().type, FmRecord::kFiscalization);

  // And what it printed, in order.
  const std::string paper = ReadFile(paperPath_);
  size_t at = 0;
  for (const char* expected :
       {"ФАБРИЧНИ НОМЕРА", "ДАНЪЧНИ СТАВКИ", "ТЕСТОВ МАГАЗИН ЕООД", "Иван Петров", "ФИСКАЛИЗАЦИЯ",
        "Фискализация", "Z ОТЧЕТ № 0001", "ПОДРОБЕН"}) {
    const size_t found = paper.find(expected, at);
    ASSERT_NE(found, std::string::npos) << expected << " after " << at << "\n" << paper;
    at = found;
  }
}

}  // namespace
