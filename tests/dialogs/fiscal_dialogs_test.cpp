// The fiscalization and factory numbers dialogs against the simulated printer:
// what they show when they open and what the printer holds after their buttons.
#include <gtest/gtest.h>

#include "dialog_fixtures.h"
#include "dialogs/factory_numbers_dialog.h"
#include "dialogs/fiscalization_dialog.h"
#include "driver/cp1251.h"

namespace {

constexpr int kPort = 5;
using fiscal::ZeroedReport;

class FiscalDialogsTest : public SimPrinterDialogTest {
 protected:
  FiscalDialogsTest() : SimPrinterDialogTest(kPort) {}

  // Message boxes are recorded and answered OK.
  DialogServices WatchedServices() {
    DialogServices s = Services();
    s.messageBox = [this](wxWindow*, const wxString& text, const wxString&, long) {
      messages_.push_back(text.utf8_string());
      return wxOK;
    };
    return s;
  }
  DeviceState State() {
    return sim_.WithDevice([](SimDevice& d) { return d.State(); });
  }
  void ExpectNoPrompt() { EXPECT_TRUE(ui_.prompts.empty()) << ui_.prompts.front().text; }

  std::vector<std::string> messages_;
};

TEST_F(FiscalDialogsTest, OpensWithWhatThePrinterHolds) {
  sim_.WithDevice([](SimDevice& d) { d.State().dailyUnzeroed = true; });
  FiscalizationDialog dialog(nullptr, &ui_, kPort, Services());
  RunModal(dialog, [&] {
    EXPECT_EQ(dialog.PrinterNumber()->GetLabel(), "NV123456");
    EXPECT_EQ(dialog.MemoryNumber()->GetLabel(), "50654321");
    EXPECT_EQ(dialog.DateLabel()->GetLabelColor(), wxColour(255, 0, 0));
    EXPECT_FALSE(dialog.DateLabel()->GetLabel().empty());
    EXPECT_EQ(dialog.Mark(ZeroedReport::kDaily)->GetLabel(), "!");
    EXPECT_EQ(dialog.Mark(ZeroedReport::kOperators)->GetLabel(), "");
    EXPECT_EQ(dialog.TaxNumber()->GetValue(), "123456786");
    EXPECT_TRUE(dialog.Password()->HasFlag(wxTE_PASSWORD));
    EXPECT_TRUE(dialog.Fractional()->GetValue());
    EXPECT_FALSE(dialog.Whole()->GetValue());
    EXPECT_EQ(dialog.Rate(1)->GetValue(), "20.00");
    EXPECT_EQ(dialog.Rate(3)->GetValue(), "9.00");
    EXPECT_TRUE(dialog.Rate(3)->IsEnabled());
    // Д..З are switched off on this printer: unticked, but they can be switched on.
    EXPECT_FALSE(dialog.RateCheck(4)->GetValue());
    EXPECT_TRUE(dialog.RateCheck(4)->IsEnabled());
    EXPECT_FALSE(dialog.Rate(4)->IsEnabled());

    // Zeroing the daily report clears its mark.
    Click(&dialog, FiscalizationDialog::kIdZeroDaily);
    EXPECT_EQ(dialog.Mark(ZeroedReport::kDaily)->GetLabel(), "");
    Click(&dialog, FiscalizationDialog::kIdExit);
  });
  EXPECT_FALSE(State().dailyUnzeroed);
  ExpectNoPrompt();
}

TEST_F(FiscalDialogsTest, RatesAreSetWithAGroupSwitchedOn) {
  FiscalizationDialog dialog(nullptr, &ui_, kPort, WatchedServices());
  RunModal(dialog, [&] {
    SetText(&dialog, FiscalizationDialog::kIdPassword, "000000");
    SetChecked(&dialog, FiscalizationDialog::kIdRateCheck + 4, true);
    EXPECT_TRUE(dialog.Rate(4)->IsEnabled());
    SetText(&dialog, FiscalizationDialog::kIdRate + 4, "5.5");
    SetText(&dialog, FiscalizationDialog::kIdRate + 3, "7");
    Click(&dialog, FiscalizationDialog::kIdRatesSet);

    // A field without a number is named, and nothing goes out.
    SetText(&dialog, FiscalizationDialog::kIdRate + 1, "");
    const int frames = sim_.FrameCount();
    Click(&dialog, FiscalizationDialog::kIdRatesSet);
    EXPECT_EQ(sim_.FrameCount(), frames);
    Click(&dialog, FiscalizationDialog::kIdExit);
  });
  const auto rates = State().rates;
  EXPECT_EQ(rates[3], 700);
  EXPECT_EQ(rates[4], 550);
  EXPECT_EQ(rates[5], -100);
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_NE(messages_[0].find("група Б:"), std::string::npos) << messages_[0];
  ExpectNoPrompt();
}

TEST_F(FiscalDialogsTest, PrinterWithThreeGroupsLocksTheOthers) {
  sim_.WithDevice([](SimDevice& d) { d.State().groupCount = 3; });
  FiscalizationDialog dialog(nullptr, &ui_, kPort, Services());
  RunModal(dialog, [&] {
    EXPECT_FALSE(dialog.Rate(3)->IsEnabled());
    for (int g = 4; g < 8; ++g) {
      EXPECT_FALSE(dialog.RateCheck(g)->GetValue()) << g;
      EXPECT_FALSE(dialog.RateCheck(g)->IsEnabled()) << g;
    }
    Click(&dialog, FiscalizationDialog::kIdExit);
  });
}

TEST_F(FiscalDialogsTest, DecimalPointGoesToWholeNumbersAndOperatorsArePrinted) {
  FiscalizationDialog dialog(nullptr, &ui_, kPort, Services());
  RunModal(dialog, [&] {
    SetText(&dialog, FiscalizationDialog::kIdPassword, "000000");
    dialog.Whole()->SetValue(true);
    EXPECT_FALSE(dialog.Fractional()->GetValue()) << "choosing one clears the other";
    Click(&dialog, FiscalizationDialog::kIdDecimalSet);
    sim_.ClearPaper();
    Click(&dialog, FiscalizationDialog::kIdOperatorsPrint);
    Click(&dialog, FiscalizationDialog::kIdExit);
  });
  EXPECT_EQ(State().decimals, '0');
  EXPECT_NE(sim_.Paper().find("   9   Оператор 9"), std::string::npos) << sim_.Paper();
  ExpectNoPrompt();
}

TEST_F(FiscalDialogsTest, ClosesItselfWhenThePrinterCannotBeRead) {
  sim_.Inject(Fault::kNoAnswer);
  FiscalizationDialog dialog(nullptr, &ui_, kPort, Services());
  EXPECT_EQ(dialog.ShowModal(), PrinterDialog::kResultNotOpened);
  EXPECT_TRUE(dialog.ClosedItself());
}

class FactoryNumbersTest : public FiscalDialogsTest {
 protected:
  void SetUp() override {
    FiscalDialogsTest::SetUp();
    sim_.WithDevice([](SimDevice& d) { d.State() = SimDevice::FactoryState(42); });
  }
};

TEST_F(FactoryNumbersTest, SixDigitsAreRequiredThenTheNumbersAreWritten) {
  FactoryNumbersDialog dialog(nullptr, &ui_, kPort, WatchedServices());
  RunModal(dialog, [&] {
    EXPECT_TRUE(dialog.Password()->HasFlag(wxTE_PASSWORD));
    SetText(&dialog, FactoryNumbersDialog::kIdPassword, "000000");
    SetText(&dialog, FactoryNumbersDialog::kIdPrinterNumber, "12345");
    SetText(&dialog, FactoryNumbersDialog::kIdMemoryNumber, "654321");
    Click(&dialog, FactoryNumbersDialog::kIdWrite);
    EXPECT_FALSE(State().factoryWritten);
    SetText(&dialog, FactoryNumbersDialog::kIdPrinterNumber, "012345");
    Click(&dialog, FactoryNumbersDialog::kIdWrite);
    Click(&dialog, FactoryNumbersDialog::kIdExit);
  });
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_EQ(messages_[0], "Моля въведете 6 цифрено число!");
  const DeviceState s = State();
  EXPECT_TRUE(s.factoryWritten);
  EXPECT_EQ(s.printerNumber, 12345);
  EXPECT_EQ(s.memoryNumber, 654321);
  EXPECT_NE(sim_.Paper().find("NV012345"), std::string::npos) << sim_.Paper();
  ExpectNoPrompt();
}

}  // namespace

namespace {

// A scripted printer that reports a decimal mode of neither kind.
class FiscalScriptedTest : public ScriptedPrinterDialogTest {
 protected:
  FiscalScriptedTest() : ScriptedPrinterDialogTest(8) {}
  void SetUp() override {
    ScriptedPrinterDialogTest::SetUp();
    device_.SetHandler([](const FakeDevice::ReceivedFrame& f) {
      switch (f.cmd) {
        case 0x20:
          return FakeDevice::Reply::Data(FakeDevice::StatusBytes({23, 24}));
        case 0x68:
          return FakeDevice::Reply::Data("08-12-2026 09:15:00");
        case 0x60:
          return FakeDevice::Reply::Data("NV000001;50000002");
        case 0x61:
          return FakeDevice::Reply::Data("    1234567891");
        case 0x62:
          return FakeDevice::Reply::Data("00.00%;20.00%;20.00%;09.00%");
        case 0x63:
          return FakeDevice::Reply::Data("1");
        default:
          return FakeDevice::Reply::Ack("00");
      }
    });
  }
};

TEST_F(FiscalScriptedTest, AnUnknownModeChoosesNeitherAndSetSendsWholeNumbers) {
  FiscalizationDialog dialog(nullptr, &ui_, Port(), Services());
  RunModal(dialog, [&] {
    EXPECT_FALSE(dialog.Whole()->GetValue());
    EXPECT_FALSE(dialog.Fractional()->GetValue());
    // Four groups: Г in use, Д..З missing.
    EXPECT_TRUE(dialog.Rate(3)->IsEnabled());
    EXPECT_FALSE(dialog.RateCheck(4)->IsEnabled());
    EXPECT_EQ(dialog.TaxNumber()->GetValue(), "123456789");
    SetText(&dialog, FiscalizationDialog::kIdPassword, "123");
    Click(&dialog, FiscalizationDialog::kIdDecimalSet);
    Click(&dialog, FiscalizationDialog::kIdExit);
  });
  const auto sets = FramesOf(0x43);
  ASSERT_EQ(sets.size(), 1u);
  EXPECT_EQ(sets[0].data, "   123;0");
  EXPECT_TRUE(ui_.prompts.empty()) << ui_.prompts.front().text;
}

}  // namespace
