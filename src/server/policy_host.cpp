#include "server/policy_host.h"

#include <ctime>

#include "driver/fiscal_printer.h"
#include "link/prompt_style.h"

namespace {

constexpr int kOk = Prompt::kResultOk;
constexpr int kCancel = Prompt::kResultCancel;
constexpr int kAbort = Prompt::kResultAbort;
constexpr int kRetry = Prompt::kResultRetry;
constexpr int kContinue = Prompt::kResultContinue;
constexpr int kYes = Prompt::kResultYes;
constexpr int kNo = Prompt::kResultNo;

constexpr int kClockSet = 1;
constexpr int kClockNotSet = 2;

// The button that declines or gives up among those the prompt offers. Which
// answer to give is decided by the prompt's identity; this only picks the
// button that carries "no" on this prompt.
int DeclineButton(unsigned style) {
  switch (style & 0x0F) {
    case Prompt::kYesNo:
      return kNo;
    case Prompt::kAbortRetryContinue:
      return kAbort;
    default:
      return kCancel;
  }
}

MessageType TypeOf(unsigned style) {
  switch (style & 0xF0) {
    case 0x10:
      return MessageType::kError;
    case 0x30:
      return MessageType::kWarning;
    default:
      return MessageType::kInfo;
  }
}

}  // namespace

const char* MessageTypeText(MessageType type) {
  switch (type) {
    case MessageType::kError:
      return "error";
    case MessageType::kWarning:
      return "warning";
    case MessageType::kInfo:
      break;
  }
  return "info";
}

PolicyHost::PolicyHost(Corrections corrections, int retries, Opener opener)
    : corrections_(corrections),
      retries_(retries),
      retriesLeft_(retries),
      opener_(std::move(opener)) {}

void PolicyHost::Add(MessageType type, const std::string& code, const std::string& text) {
  messages_.push_back(ServerMessage{type, code, text});
}

bool PolicyHost::HasError() const {
  for (const auto& m : messages_)
    if (m.type == MessageType::kError) return true;
  return false;
}

int PolicyHost::ShowPrompt(const std::string& text, const std::string& caption, unsigned style,
                           int textStyle) {
  return ShowPromptWithId(PromptId::kUnnamed, text, caption, style, textStyle);
}

int PolicyHost::ShowPromptWithId(PromptId id, const std::string& text, const std::string& caption,
                                 unsigned style, int /*textStyle*/) {
  const std::string full = caption.empty() ? text : caption + ": " + text;
  auto refuse = [&](const char* why, int answer) {
    Add(MessageType::kError, "refused", full + " (" + why + ")");
    return answer;
  };
  auto allow = [&](int answer) {
    Add(MessageType::kWarning, "corrected", full);
    return answer;
  };
  auto notice = [&](int answer) {
    Add(TypeOf(style), "notice", full);
    return answer;
  };
  auto allowIf = [&](bool allowed, const char* why, int yes, int no) {
    return allowed ? allow(yes) : refuse(why, no);
  };
  const int decline = DeclineButton(style);
  // A report agreed to earlier has printed once the chain asks its next step.
  const bool chainStep = id == PromptId::kReportsOverflow || id == PromptId::kZeroingRequired ||
                         id == PromptId::kResetDailyReport ||
                         id == PromptId::kResetOperatorReport ||
                         id == PromptId::kResetArticleReport;
  if (chainStep) confirmed_ = reports_.size();
  // Agreeing to a step of the chain: the policy answers the rest of it too.
  auto zeroing = [&](int yes, int no, const std::string& report) {
    if (!corrections_.zeroReports) return refuse("zeroReports not allowed", no);
    zeroing_ = true;
    if (!report.empty()) reports_.push_back(report);
    return allow(yes);
  };
  switch (id) {
    case PromptId::kLinkFault:
      if (retriesLeft_ > 0) {
        --retriesLeft_;
        Add(MessageType::kWarning, "link", text + " (повторен опит)");
        return kRetry;
      }
      Add(MessageType::kError, "link", text);
      return decline;
    case PromptId::kPrinterError:
      Add(MessageType::kError, "printer", text);
      return kAbort;

    // Zero reports a Z report prints on a day without sales: for a Z report,
    // and for the reports of a zeroing chain agreed to.
    case PromptId::kZeroDailyReport:
    case PromptId::kZeroArticleReport:
    case PromptId::kZeroDailyAndArticleReport:
    case PromptId::kZeroOperatorReport:
      return allowIf(corrections_.zeroDayReport || zeroing_, "zero report not asked for", kYes,
                     kNo);
    // Zeroing reports that block the command.
    case PromptId::kReportsOverflow:
      return zeroing(kOk, kCancel, "");
    case PromptId::kZeroingRequired:  // "Нулиране" prints the report the text names
      return zeroing(kOk, kCancel, "report of \"" + text + "\"");
    case PromptId::kResetDailyReport:
      return zeroing(kYes, kNo, "daily Z report");
    case PromptId::kResetOperatorReport:
      return zeroing(kYes, kNo, "operator report");
    case PromptId::kResetArticleReport:
      return zeroing(kYes, kNo, "article report");
    // The clock: set, or moved by days, only when the request allows it.
    case PromptId::kClockNotSet:
    case PromptId::kReportEndAfterClock:
    case PromptId::kFiscalizationDateCheck:
      return allowIf(corrections_.setClock, "setClock not allowed", kOk, kCancel);
    case PromptId::kClockMoveStopQuestion:  // "Да" stops
      return allowIf(corrections_.setClock, "setClock not allowed", kNo, kYes);
    case PromptId::kClockMoveConfirm:
      return allowIf(corrections_.setClock, "setClock not allowed", kYes, kNo);
    // A receipt left open: closing it pays the rest in cash.
    case PromptId::kOpenServiceReceipt:
    case PromptId::kOpenFiscalReceipt:
    case PromptId::kUnfinishedReceipt:
      return allowIf(corrections_.closeReceipt, "closeReceipt not allowed", kOk, kCancel);
    // Nobody can load paper: give up and say so.
    case PromptId::kNoPaper:
      Add(MessageType::kError, "paper", full);
      return kCancel;
    case PromptId::kPaperBack:
      return notice(kOk);
    // The receipt is paid already; going on pays nothing.
    case PromptId::kPaymentFinished:
      return notice(kContinue);
    // Notices: acknowledged (OK is their only button).
    case PromptId::kCommandTooLong:
    case PromptId::kIncompleteStatus:
    case PromptId::kStatusRefusal:
    case PromptId::kFewFiscalMemoryRecords:
    case PromptId::kClockBeforeFiscalMemory:
    case PromptId::kDecimalPointAlreadySet:
    case PromptId::kNoFiscalReports:
    case PromptId::kReportRangeInvalid:
    case PromptId::kReportFileWriteError:
    case PromptId::kReportDataTimeout:
    case PromptId::kLogoLoadError:
    case PromptId::kPaymentNameMissing:
      return notice(kOk);

    // Irreversible, or not known: a person decides, whatever is allowed.
    case PromptId::kFiscalizationConfirm:
    case PromptId::kInvalidTaxNumberContinue:
    case PromptId::kUnnamed:
      break;
  }
  return refuse("needs a person", decline);
}

int PolicyHost::RunDateTimeDialog(const PrinterLine& line) {
  (void)line;
  if (!corrections_.setClock || !opener_) {
    Add(MessageType::kError, "refused",
        "Часовникът на принтера не е сверен (setClock not allowed)");
    return kClockNotSet;
  }
  std::unique_ptr<FiscalPrinter> clock = opener_(this);
  if (!clock || !clock->IsConnected()) return kClockNotSet;
  const std::string result = clock->SetDateTime(std::time(nullptr));
  // "BP" and a refusal passed over are texts too: only a call that ended done set it.
  if (result.empty() || !clock->LastOutcome().Done()) return kClockNotSet;
  Add(MessageType::kWarning, "corrected", "Часовникът на принтера е сверен по компютъра");
  return kClockSet;
}
