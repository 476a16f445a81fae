// The server's answers to the driver's prompts: by the prompt's identity and
// the corrections the request allows, never by the prompt's words.
#include <gtest/gtest.h>

#include "link/prompt_style.h"
#include "server/netfp_answers.h"
#include "server/policy_host.h"

namespace {

constexpr unsigned kQuestion = Prompt::kIconExclamation | Prompt::kYesNo;
constexpr unsigned kQuestionCancel = Prompt::kIconExclamation | Prompt::kYesNoCancel;
constexpr unsigned kStop = Prompt::kIconStop;

enum Allow { kNone = 0, kZeroReports = 1, kCloseReceipt = 2, kSetClock = 4, kZeroDay = 8 };
constexpr int kAllCorrections = 16;  // every combination of the four

constexpr int kOk = Prompt::kResultOk;
constexpr int kCancel = Prompt::kResultCancel;
constexpr int kYes = Prompt::kResultYes;
constexpr int kNo = Prompt::kResultNo;

// One prompt the driver can show, with its buttons as the driver shows it: the
// answer and message code when the request allows the correction `needs`, and
// when it does not (kNone: the same whatever is allowed).
struct Row {
  PromptId id;
  unsigned style;
  int needs;
  int allowed;
  const char* allowedCode;
  int refused;
  const char* refusedCode;
};

constexpr unsigned kStopOk = kStop | Prompt::kOk;
constexpr unsigned kWarn = Prompt::kIconExclamation;

const Row kRows[] = {
    // The link: a fault is given up when no retry is left (none here).
    {PromptId::kLinkFault, kStop | Prompt::kRetryCancel, kNone, 0, "", kCancel, "link"},
    {PromptId::kPrinterError, kStop | Prompt::kAbortRetryContinue, kNone, 0, "",
     Prompt::kResultAbort, "printer"},
    {PromptId::kCommandTooLong, kStopOk, kNone, 0, "", kOk, "notice"},
    // Zero reports a Z report prints on a day without sales: only for a Z report.
    {PromptId::kZeroDailyReport, kQuestion, kZeroDay, kYes, "corrected", kNo, "refused"},
    {PromptId::kZeroArticleReport, kQuestion, kZeroDay, kYes, "corrected", kNo, "refused"},
    {PromptId::kZeroDailyAndArticleReport, kQuestion, kZeroDay, kYes, "corrected", kNo, "refused"},
    {PromptId::kZeroOperatorReport, kQuestion, kZeroDay, kYes, "corrected", kNo, "refused"},
    // Zeroing reports that block the command.
    {PromptId::kReportsOverflow, kStop | Prompt::kZeroCancel, kZeroReports, kOk, "corrected",
     kCancel, "refused"},
    {PromptId::kZeroingRequired, kStop | Prompt::kZeroCancel, kZeroReports, kOk, "corrected",
     kCancel, "refused"},
    {PromptId::kResetDailyReport, kQuestion, kZeroReports, kYes, "corrected", kNo, "refused"},
    {PromptId::kResetOperatorReport, kQuestion, kZeroReports, kYes, "corrected", kNo, "refused"},
    {PromptId::kResetArticleReport, kQuestion, kZeroReports, kYes, "corrected", kNo, "refused"},
    // The clock; moving it far: "Не" goes on, "Да" stops.
    {PromptId::kClockNotSet, kStop | Prompt::kSetClockCancel, kSetClock, kOk, "corrected", kCancel,
     "refused"},
    {PromptId::kReportEndAfterClock, kStop | Prompt::kSetClockCancel, kSetClock, kOk, "corrected",
     kCancel, "refused"},
    {PromptId::kFiscalizationDateCheck, kWarn | Prompt::kSetClockContinueCancel, kSetClock, kOk,
     "corrected", kCancel, "refused"},
    {PromptId::kClockMoveStopQuestion, kQuestionCancel, kSetClock, kNo, "corrected", kYes,
     "refused"},
    {PromptId::kClockMoveConfirm, kQuestion, kSetClock, kYes, "corrected", kNo, "refused"},
    // Receipts left open.
    {PromptId::kOpenServiceReceipt, kStop | Prompt::kCloseCancel, kCloseReceipt, kOk, "corrected",
     kCancel, "refused"},
    {PromptId::kOpenFiscalReceipt, kStop | Prompt::kCloseCancel, kCloseReceipt, kOk, "corrected",
     kCancel, "refused"},
    {PromptId::kUnfinishedReceipt, kStop | Prompt::kFinishCancelB, kCloseReceipt, kOk, "corrected",
     kCancel, "refused"},
    // Paper: nobody can load it.
    {PromptId::kNoPaper, kStop | Prompt::kFeedOkCancel, kNone, 0, "", kCancel, "paper"},
    {PromptId::kPaperBack, kWarn | Prompt::kFeedOkCancel, kNone, 0, "", kOk, "notice"},
    {PromptId::kPaymentFinished, kWarn | Prompt::kContinueCancel, kNone, 0, "",
     Prompt::kResultContinue, "notice"},
    // Notices.
    {PromptId::kIncompleteStatus, kStop, kNone, 0, "", kOk, "notice"},
    {PromptId::kStatusRefusal, kStop, kNone, 0, "", kOk, "notice"},
    {PromptId::kFewFiscalMemoryRecords, kWarn, kNone, 0, "", kOk, "notice"},
    {PromptId::kClockBeforeFiscalMemory, kStop, kNone, 0, "", kOk, "notice"},
    {PromptId::kDecimalPointAlreadySet, kStop, kNone, 0, "", kOk, "notice"},
    {PromptId::kNoFiscalReports, kStop, kNone, 0, "", kOk, "notice"},
    {PromptId::kReportRangeInvalid, kStop, kNone, 0, "", kOk, "notice"},
    {PromptId::kReportFileWriteError, kStop, kNone, 0, "", kOk, "notice"},
    {PromptId::kReportDataTimeout, kStop, kNone, 0, "", kOk, "notice"},
    {PromptId::kLogoLoadError, kStop, kNone, 0, "", kOk, "notice"},
    {PromptId::kPaymentNameMissing, kStop, kNone, 0, "", kOk, "notice"},
    // Irreversible or unknown: never, whatever is allowed.
    {PromptId::kFiscalizationConfirm, kQuestion, kNone, 0, "", kNo, "refused"},
    {PromptId::kInvalidTaxNumberContinue, kQuestion, kNone, 0, "", kNo, "refused"},
    {PromptId::kUnnamed, kQuestion, kNone, 0, "", kNo, "refused"},
};

Corrections CorrectionsOf(int allow) {
  Corrections c;
  c.zeroReports = allow & kZeroReports;
  c.closeReceipt = allow & kCloseReceipt;
  c.setClock = allow & kSetClock;
  c.zeroDayReport = allow & kZeroDay;
  return c;
}

TEST(PolicyHost, AnswersEveryDriverPromptByItsIdentityAndTheCorrectionsAllowed) {
  // Every prompt the driver names has a row (kPaymentNameMissing is the last name).
  const int names = static_cast<int>(PromptId::kPaymentNameMissing) + 1;
  for (int id = 0; id < names; ++id) {
    int rows = 0;
    for (const auto& row : kRows) rows += static_cast<int>(row.id) == id;
    EXPECT_EQ(rows, 1) << "prompt " << id;
  }
  for (const auto& row : kRows) {
    for (int allow = 0; allow < kAllCorrections; ++allow) {
      PolicyHost host(CorrectionsOf(allow), 0, nullptr);
      // The words do not matter: each prompt is shown with the same text.
      const int answer = host.ShowPromptWithId(row.id, "Сигурни ли сте?", "", row.style, 1);
      const bool allowed = row.needs != kNone && (allow & row.needs) != 0;
      const std::string where =
          "prompt " + std::to_string(static_cast<int>(row.id)) + " allow " + std::to_string(allow);
      EXPECT_EQ(answer, allowed ? row.allowed : row.refused) << where;
      ASSERT_EQ(host.Messages().size(), 1u) << where;
      EXPECT_EQ(host.Messages()[0].code, allowed ? row.allowedCode : row.refusedCode) << where;
    }
  }
}

TEST(PolicyHost, ButtonsDoNotDecideWithoutTheIdentity) {
  // A prompt without a name is refused whatever its buttons offer and the request
  // allows; a named question keeps its decision under other buttons.
  const unsigned corrective[] = {
      Prompt::kZeroCancel,    Prompt::kSetClockCancel,         Prompt::kCloseCancel,
      Prompt::kFinishCancelB, Prompt::kSetClockContinueCancel, Prompt::kYesNo};
  for (unsigned set : corrective) {
    PolicyHost host(CorrectionsOf(kAllCorrections - 1), 0, nullptr);
    const int answer =
        host.ShowPromptWithId(PromptId::kUnnamed, "Отворен Фискален Бон", "", kStop | set, 1);
    EXPECT_NE(answer, set == Prompt::kYesNo ? kYes : kOk) << set;
    EXPECT_EQ(host.Messages().at(0).code, "refused") << set;
    PolicyHost fiscal(CorrectionsOf(kAllCorrections - 1), 0, nullptr);
    fiscal.ShowPromptWithId(PromptId::kFiscalizationConfirm, "Сигурни ли сте?", "", kStop | set, 1);
    EXPECT_EQ(fiscal.Messages().at(0).code, "refused") << set;
  }
  // A printer error is one by its name, not by its style.
  PolicyHost host(Corrections{}, 3, nullptr);
  EXPECT_EQ(host.ShowPromptWithId(PromptId::kUnnamed, "Грешка", "",
                                  kStop | Prompt::kAbortRetryContinue, 1),
            Prompt::kResultAbort);
  EXPECT_EQ(host.Messages().at(0).code, "refused");
}

TEST(PolicyHost, LinkFaultsAreRetriedWithinEachCommandsBudget) {
  PolicyHost host(Corrections{}, 1, nullptr);
  const unsigned fault = Prompt::kIconStop | Prompt::kRetryCancel;
  EXPECT_EQ(host.ShowPromptWithId(PromptId::kLinkFault, "Няма отговор", "", fault, 1),
            Prompt::kResultRetry);
  EXPECT_EQ(host.ShowPromptWithId(PromptId::kLinkFault, "Няма отговор", "", fault, 1),
            Prompt::kResultCancel);
  host.CommandStarting();  // the next command has its own retry
  EXPECT_EQ(host.ShowPromptWithId(PromptId::kLinkFault, "Няма отговор", "", fault, 1),
            Prompt::kResultRetry);
  EXPECT_EQ(host.Messages().back().code, "link");
}

// Clients read a message's type by its word; the words and the code's letter
// must stay as they are whatever the type is called in the code.
TEST(PolicyHost, MessageTypesReachTheClientAsTheProtocolsWords) {
  // A notice takes its type from the prompt's icon.
  const struct {
    unsigned icon;
    const char* word;
    const char* code;
    bool error;
  } rows[] = {
      {Prompt::kIconQuestion, "info", "W", false},
      {Prompt::kIconExclamation, "warning", "W", false},
      {Prompt::kIconStop, "error", "E", true},
  };
  for (const auto& r : rows) {
    PolicyHost host(Corrections{}, 0, nullptr);
    host.ShowPromptWithId(PromptId::kPaperBack, "Хартия", "", r.icon | Prompt::kOk, 1);
    const auto list = MessagesJson(host.Messages());
    ASSERT_EQ(list.size(), 1u) << r.word;
    EXPECT_EQ(list[0]["type"], r.word);
    EXPECT_EQ(list[0]["code"].get<std::string>().substr(0, 1), r.code) << r.word;
    EXPECT_EQ(host.HasError(), r.error) << r.word;
  }
}

// The printer's report registers overflow: with zeroReports, every question
// of the chain is answered (also whether to print a report that holds
// nothing), so it never stops with some reports printed; without it, the
// first question is refused and nothing prints.
TEST(PolicyHost, AZeroingChainAgreedToIsAnsweredToItsEnd) {
  const unsigned zero = kStop | Prompt::kZeroCancel;
  const unsigned yesNo = Prompt::kIconQuestion | Prompt::kYesNo;
  struct Step {
    PromptId id;
    unsigned style;
    int allowed, refused;
    size_t confirmed;  // reports known printed once this step is asked
  };
  const Step chain[] = {
      {PromptId::kReportsOverflow, zero, kOk, kCancel, 0},
      {PromptId::kResetDailyReport, yesNo, kYes, kNo, 0},
      {PromptId::kZeroDailyReport, kQuestion, kYes, kNo, 0},
      {PromptId::kResetOperatorReport, yesNo, kYes, kNo, 1},
      {PromptId::kZeroOperatorReport, kQuestion, kYes, kNo, 1},
      {PromptId::kResetArticleReport, yesNo, kYes, kNo, 2},
      {PromptId::kZeroArticleReport, kQuestion, kYes, kNo, 2},
  };
  PolicyHost allowed(CorrectionsOf(kZeroReports), 0, nullptr);
  for (const auto& step : chain) {
    EXPECT_EQ(allowed.ShowPromptWithId(step.id, "?", "", step.style, 1), step.allowed)
        << static_cast<int>(step.id);
    EXPECT_EQ(allowed.ReportsConfirmed(), step.confirmed) << static_cast<int>(step.id);
  }
  EXPECT_EQ(allowed.ReportsAgreed(),
            (std::vector<std::string>{"daily Z report", "operator report", "article report"}));
  EXPECT_FALSE(allowed.HasError());

  PolicyHost refused(CorrectionsOf(kZeroDay), 0, nullptr);
  EXPECT_EQ(refused.ShowPromptWithId(PromptId::kReportsOverflow, "?", "", zero, 1), kCancel);
  EXPECT_TRUE(refused.ReportsAgreed().empty());
}

}  // namespace
