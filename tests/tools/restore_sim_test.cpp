// Backup and restore against the simulated printer: a changed printer is put
// back as it was, fiscal settings only on request, and a restore cut off by a
// printer that stops answering is finished by running it again.
#include <gtest/gtest.h>

#include <ctime>
#include <functional>
#include <memory>

#include "driver/cp1251.h"
#include "driver/fiscal_printer.h"
#include "link/prompt_style.h"
#include "link/settings.h"
#include "sim/sim_server.h"
#include "support/scripted_ui.h"
#include "tools/config_json.h"
#include "tools/printer_config.h"
#include "tools/restore_plan.h"

namespace {

constexpr int kPort = 6;
const std::string kService = "000000";

std::string Cp(const char* utf8) {
  return Utf8ToCp1251(utf8).value();
}

// The printer's settings as a file, without the time it was made.
std::string Snapshot(PrinterConfig c) {
  c.origin.created.clear();
  return ConfigToJson(c);
}

class RestoreSim : public ::testing::Test {
 protected:
  void SetUp() override {
    sim = std::make_unique<SimServer>();
    PortMap::Instance().Set(kPort, sim->Path());
    Reopen();
  }
  void TearDown() override {
    printer.reset();
    PortMap::Instance().Clear();
  }
  // A new action on the printer, as the next run of a program would open it.
  void Reopen() {
    printer.reset();
    printer = std::make_unique<FiscalPrinter>(&ui, kPort);
    LinkTimeouts t;
    t.checkLink = 300;
    t.linkSeries = 400;
    t.reply = 1000;
    t.drain = 1;
    printer->SetTimeouts(t);
    ASSERT_TRUE(printer->IsConnected());
  }
  PrinterConfig Read(const SectionSet& sections = AllSections()) {
    PrinterConfig c;
    EXPECT_EQ(CollectConfig(*printer, sections, c, nullptr), CollectResult::kDone);
    return c;
  }

  ScriptedUi ui;
  std::unique_ptr<SimServer> sim;
  std::unique_ptr<FiscalPrinter> printer;
};

TEST_F(RestoreSim, ChangedPrinterIsPutBackAsTheBackupHoldsIt) {
  const PrinterConfig saved = Read();
  ASSERT_EQ(saved.articles->size(), 7u);
  ASSERT_EQ(saved.departments->size(), 6u);
  // Through the file, as a technician would keep it.
  PrinterConfig fromFile;
  std::string error;
  ASSERT_TRUE(ConfigFromJson(ConfigToJson(saved), fromFile, error)) << error;

  ASSERT_EQ(printer->SetArticle(3, Cp("Друго"), 9.99, 2, 2), "00");
  ASSERT_EQ(printer->SetArticle(20, Cp("Ново"), 1.00, 1, 0), "00");
  ASSERT_EQ(printer->SetOperator(2, Cp("Петър"), "22"), "00");
  Department dep;
  dep.number = 6;
  ASSERT_EQ(printer->SetDepartment(dep), "00");  // an empty name clears it
  ASSERT_EQ(printer->SetHeaderLine(2, Cp("ДРУГ РЕД"), 0, 42), "00");
  PrintParameters params = *saved.parameters;
  params.deviceNumber = 42;
  params.autoCut = !params.autoCut;
  ASSERT_EQ(printer->SetParameters(params), "00");
  ASSERT_EQ(printer->SetPaymentName(4, Cp("ЕВРО"), 1.5), "00");
  ASSERT_EQ(printer->SetInvoiceRange(InvoiceRange{"500", "900"}), "00");

  const PrinterConfig changed = Read();
  const RestorePlan plan = PlanRestore(changed, fromFile, RestoreOptions{});
  // One step per record that differs: article 3 and 20, operator 2,
  // department 6, header line 2, parameters, payment 4. The invoice range
  // is kept: written, it would start again at 1, a number the printer may
  // have issued since 500.
  EXPECT_EQ(plan.steps.size(), 7u);
  EXPECT_TRUE(plan.fiscalLeftOut.empty());
  // Departments go before the articles that may refer to them.
  size_t lastDepartment = 0, firstArticle = plan.steps.size();
  for (size_t i = 0; i < plan.steps.size(); ++i) {
    if (plan.steps[i].section == Section::kDepartments) lastDepartment = i;
    if (plan.steps[i].section == Section::kArticles && i < firstArticle) firstArticle = i;
  }
  EXPECT_LT(lastDepartment, firstArticle);

  const ApplyReport report = ApplyPlan(*printer, plan.steps, nullptr);
  EXPECT_TRUE(report.Complete());
  EXPECT_TRUE(ui.prompts.empty());
  PrinterConfig expected = saved;
  expected.invoices = changed.invoices;
  EXPECT_EQ(Snapshot(Read()), Snapshot(expected));
}

TEST_F(RestoreSim, TaxRatesAreWrittenOnlyWhenAskedAndOnlyWhenTheyDiffer) {
  const SectionSet fiscal = [] {
    SectionSet s = OnlySection(Section::kTaxRates);
    s[static_cast<size_t>(Section::kDecimalPoint)] = true;
    return s;
  }();
  const PrinterConfig saved = Read(fiscal);
  TaxRates rates{0, 20, 20, 10, -1, -1, -1, -1};
  ASSERT_EQ(printer->SetTaxRates(kService, rates), "00");
  const PrinterConfig changed = Read(fiscal);

  const RestorePlan plain = PlanRestore(changed, saved, RestoreOptions{});
  EXPECT_TRUE(plain.steps.empty());
  ASSERT_EQ(plain.fiscalLeftOut.size(), 1u);
  EXPECT_EQ(DescribeStep(plain.fiscalLeftOut[0], false), "tax rates: Г 10.00% -> 9.00%");

  const RestorePlan fiscalPlan = PlanRestore(changed, saved, RestoreOptions{true, kService});
  ASSERT_EQ(fiscalPlan.steps.size(), 1u);  // the decimal point is the same: not sent
  EXPECT_TRUE(ApplyPlan(*printer, fiscalPlan.steps, nullptr).Complete());
  ASSERT_EQ(printer->ReadTaxRates(rates).empty(), false);
  EXPECT_DOUBLE_EQ(rates[3], 9.0);
  EXPECT_TRUE(PlanRestore(Read(fiscal), saved, RestoreOptions{true, kService}).steps.empty());
}

TEST_F(RestoreSim, RestoreCutOffByASilentPrinterIsFinishedByRunningItAgain) {
  const SectionSet operators = OnlySection(Section::kOperators);
  const PrinterConfig saved = Read(operators);
  for (int n = 1; n <= 5; ++n) ASSERT_EQ(printer->SetOperator(n, Cp("Сменен"), "9"), "00") << n;

  const RestorePlan plan = PlanRestore(Read(operators), saved, RestoreOptions{});
  ASSERT_EQ(plan.steps.size(), 5u);
  // The printer stops answering before the third command; the user closes the
  // link prompt.
  const ApplyReport cut = ApplyPlan(*printer, plan.steps, [this](const ProgressStep& s) {
    if (s.done == 2) sim->Inject(Fault::kNoAnswer);
    return true;
  });
  EXPECT_FALSE(cut.Complete());
  EXPECT_EQ(cut.outcomes, (std::vector<StepOutcome>{StepOutcome::kWritten, StepOutcome::kWritten,
                                                    StepOutcome::kFailed, StepOutcome::kNotSent,
                                                    StepOutcome::kNotSent}));
  EXPECT_FALSE(ui.prompts.empty());

  sim->Inject(Fault::kNoAnswer, 0);
  Reopen();
  const RestorePlan rest = PlanRestore(Read(operators), saved, RestoreOptions{});
  ASSERT_EQ(rest.steps.size(), 3u);
  EXPECT_EQ(rest.steps[0].item, 3);
  EXPECT_TRUE(ApplyPlan(*printer, rest.steps, nullptr).Complete());
  EXPECT_EQ(Snapshot(Read(operators)), Snapshot(saved));
}

// Each step's outcome is read from how the driver's call ended, not from its
// text: a refusal passed over goes on, "BP" and a value the driver refuses
// stop the run, and a silent refusal keeps its reason for the report.
TEST_F(RestoreSim, EachStepIsJudgedByHowTheCallEnded) {
  constexpr uint8_t kUnknownCommand = 0x5F;  // the printer answers "01"
  constexpr std::time_t kYear2000 = 946684800;
  struct Case {
    const char* name;
    std::function<std::string(FiscalPrinter&)> send;
    std::vector<int> answers;  // to the prompts the calls show
    StepOutcome outcome;
    std::string untold;
  };
  const Case cases[] = {
      {"done",
       [](FiscalPrinter& p) { return p.SetOperator(1, Cp("Иван"), "1"); },
       {},
       StepOutcome::kWritten,
       ""},
      {"refused, carried on",
       [&](FiscalPrinter& p) { return p.Transact(kUnknownCommand, ""); },
       {Prompt::kResultContinue, Prompt::kResultContinue},
       StepOutcome::kRefused,
       ""},
      {"refused, given up",
       [&](FiscalPrinter& p) { return p.Transact(kUnknownCommand, ""); },
       {Prompt::kResultAbort},
       StepOutcome::kFailed,
       ""},
      {"before the last record",
       [&](FiscalPrinter& p) { return p.SetDateTime(kYear2000); },
       {Prompt::kResultOk},
       StepOutcome::kFailed,
       ""},
      {"out of range",
       [](FiscalPrinter& p) { return p.SetOperator(12, Cp("Иван"), "1"); },
       {},
       StepOutcome::kFailed,
       "Номерът на оператора трябва да е от 1 до 9"},
  };
  for (const Case& c : cases) {
    RestoreStep step;
    step.section = Section::kOperators;
    step.send = c.send;
    for (int a : c.answers) ui.Answer({a});
    const ApplyReport r = ApplyPlan(*printer, {step, step}, nullptr);
    const StepOutcome second =
        c.outcome == StepOutcome::kFailed ? StepOutcome::kNotSent : c.outcome;
    EXPECT_EQ(r.outcomes, (std::vector<StepOutcome>{c.outcome, second})) << c.name;
    EXPECT_EQ(r.untold, c.untold) << c.name;
    Reopen();
  }
}

TEST_F(RestoreSim, CancelStopsBetweenCommands) {
  const SectionSet operators = OnlySection(Section::kOperators);
  const PrinterConfig saved = Read(operators);
  for (int n = 1; n <= 3; ++n) ASSERT_EQ(printer->SetOperator(n, Cp("Сменен"), "9"), "00");
  const RestorePlan plan = PlanRestore(Read(operators), saved, RestoreOptions{});
  const int before = sim->FrameCount();
  const ApplyReport report =
      ApplyPlan(*printer, plan.steps, [](const ProgressStep& s) { return s.done < 1; });
  EXPECT_TRUE(report.cancelled);
  EXPECT_EQ(report.Count(StepOutcome::kWritten), 1);
  EXPECT_EQ(report.Count(StepOutcome::kNotSent), 2);
  // One command with its status check, nothing after the stop.
  EXPECT_EQ(sim->FrameCount() - before, 2);
}

TEST_F(RestoreSim, CollectReportsEveryStepAndStopsWhenAsked) {
  PrinterConfig c;
  int calls = 0, total = 0;
  const auto r =
      CollectConfig(*printer, OnlySection(Section::kHeader), c, [&](const ProgressStep& s) {
        EXPECT_EQ(s.done, calls);
        total = s.total;
        return ++calls < 4;
      });
  EXPECT_EQ(r, CollectResult::kCancelled);
  EXPECT_EQ(total, 11);  // the printer's identity and ten header lines
  EXPECT_FALSE(c.header.has_value());
}

}  // namespace
