// The server's answers to the driver's prompts: by the prompt's identity and
// the corrections the request allows, never by the prompt's words.
#include <gtest/gtest.h>

#include "link/prompt_style.h"
#include "server/policy_host.h"

namespace {

constexpr unsigned kQuestion = Prompt::kIconExclamation | Prompt::kYesNo;
constexpr unsigned kQuestionCancel = Prompt::kIconExclamation | Prompt::kYesNoCancel;
constexpr unsigned kStop = Prompt::kIconStop;

enum Allow { kNone = 0, kZeroReports = 1, kCloseReceipt = 2, kSetClock = 4, kZeroDay = 8 };

struct Row {
  PromptId id;
  unsigned style;
  int allow;         // the corrections the request allows
  int answer;        // what the policy answers
  const char* code;  // the message it adds
};

const Row kRows[] = {
    // Zero reports a Z report prints on a day without sales: only for a Z report.
    {PromptId::kZeroDailyReport, kQuestion, kNone, Prompt::kResultNo, "refused"},
    {PromptId::kZeroDailyReport, kQuestion, kZeroDay, Prompt::kResultYes, "corrected"},
    {PromptId::kZeroArticleReport, kQuestion, kZeroReports | kSetClock, Prompt::kResultNo,
     "refused"},
    {PromptId::kZeroArticleReport, kQuestion, kZeroDay, Prompt::kResultYes, "corrected"},
    {PromptId::kZeroDailyAndArticleReport, kQuestion, kZeroDay, Prompt::kResultYes, "corrected"},
    {PromptId::kZeroOperatorReport, kQuestion, kNone, Prompt::kResultNo, "refused"},
    {PromptId::kZeroOperatorReport, kQuestion, kZeroDay, Prompt::kResultYes, "corrected"},
    // Zeroing overflowed reports: zeroReports.
    {PromptId::kResetDailyReport, kQuestion, kZeroDay, Prompt::kResultNo, "refused"},
    {PromptId::kResetDailyReport, kQuestion, kZeroReports, Prompt::kResultYes, "corrected"},
    {PromptId::kResetOperatorReport, kQuestion, kZeroReports, Prompt::kResultYes, "corrected"},
    {PromptId::kResetArticleReport, kQuestion, kNone, Prompt::kResultNo, "refused"},
    // Moving the clock far: "Не" goes on, "Да" stops.
    {PromptId::kClockMoveStopQuestion, kQuestionCancel, kNone, Prompt::kResultYes, "refused"},
    {PromptId::kClockMoveStopQuestion, kQuestionCancel, kSetClock, Prompt::kResultNo, "corrected"},
    {PromptId::kClockMoveConfirm, kQuestion, kNone, Prompt::kResultNo, "refused"},
    {PromptId::kClockMoveConfirm, kQuestion, kSetClock, Prompt::kResultYes, "corrected"},
    // Irreversible or unknown questions: never, whatever is allowed.
    {PromptId::kFiscalizationConfirm, kQuestion, kSetClock | kZeroReports | kZeroDay,
     Prompt::kResultNo, "refused"},
    {PromptId::kInvalidTaxNumberContinue, kQuestion, kSetClock, Prompt::kResultNo, "refused"},
    {PromptId::kUnnamed, kQuestion, kSetClock | kZeroReports | kZeroDay, Prompt::kResultNo,
     "refused"},
    {PromptId::kUnnamed, kQuestionCancel, kSetClock, Prompt::kResultCancel, "refused"},
    // Decided by their buttons.
    {PromptId::kPrinterError, kStop | Prompt::kAbortRetryContinue, kNone, Prompt::kResultAbort,
     "printer"},
    {PromptId::kUnnamed, kStop | Prompt::kZeroCancel, kNone, Prompt::kResultCancel, "refused"},
    {PromptId::kUnnamed, kStop | Prompt::kZeroCancel, kZeroReports, Prompt::kResultOk, "corrected"},
    {PromptId::kUnnamed, kStop | Prompt::kSetClockCancel, kSetClock, Prompt::kResultOk,
     "corrected"},
    {PromptId::kUnnamed, kStop | Prompt::kSetClockContinueCancel, kNone, Prompt::kResultCancel,
     "refused"},
    {PromptId::kUnnamed, kStop | Prompt::kCloseCancel, kCloseReceipt, Prompt::kResultOk,
     "corrected"},
    {PromptId::kUnnamed, kStop | Prompt::kFinishCancelB, kNone, Prompt::kResultCancel, "refused"},
    {PromptId::kUnnamed, kStop | Prompt::kFeedOkCancel, kCloseReceipt, Prompt::kResultCancel,
     "paper"},
    {PromptId::kUnnamed, Prompt::kContinueCancel, kNone, Prompt::kResultContinue, "notice"},
    {PromptId::kUnnamed, kStop, kNone, Prompt::kResultOk, "notice"},
    {PromptId::kUnnamed, Prompt::kOkCancel, kCloseReceipt, Prompt::kResultCancel, "refused"},
};

TEST(PolicyHost, AnswersEachPromptByItsIdentityAndTheCorrectionsAllowed) {
  for (const auto& row : kRows) {
    Corrections c;
    c.zeroReports = row.allow & kZeroReports;
    c.closeReceipt = row.allow & kCloseReceipt;
    c.setClock = row.allow & kSetClock;
    c.zeroDayReport = row.allow & kZeroDay;
    PolicyHost host(c, 0, nullptr);
    // The words do not matter: each question is asked with the same text.
    const int answer = host.ShowPromptWithId(row.id, "Сигурни ли сте?", "", row.style, 1);
    const std::string where = "prompt " + std::to_string(static_cast<int>(row.id)) + " style " +
                              std::to_string(row.style) + " allow " + std::to_string(row.allow);
    EXPECT_EQ(answer, row.answer) << where;
    ASSERT_EQ(host.Messages().size(), 1u) << where;
    EXPECT_EQ(host.Messages()[0].code, row.code) << where;
  }
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

}  // namespace
