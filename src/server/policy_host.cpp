#include "server/policy_host.h"

#include <ctime>

#include "driver/fiscal_printer.h"
#include "link/prompt_style.h"

namespace {

// Button sets (low four bits of the style word) and results of the prompts.
constexpr unsigned kSetCancelRetryContinue = Prompt::kAbortRetryContinue;
constexpr unsigned kSetYesNoCancel = Prompt::kYesNoCancel;
constexpr unsigned kSetYesNo = Prompt::kYesNo;
constexpr unsigned kSetRetryCancel = Prompt::kRetryCancel;
constexpr unsigned kSetZeroCancel = Prompt::kZeroCancel;
constexpr unsigned kSetClockCancel = Prompt::kSetClockCancel;
constexpr unsigned kSetCloseCancel = Prompt::kCloseCancel;
constexpr unsigned kSetFeedOkCancel = Prompt::kFeedOkCancel;
constexpr unsigned kSetFinishCancel = Prompt::kFinishCancel;
constexpr unsigned kSetFinishCancel2 = Prompt::kFinishCancelB;
constexpr unsigned kSetContinueCancel = Prompt::kContinueCancel;
constexpr unsigned kSetClockContinueCancel = Prompt::kSetClockContinueCancel;

constexpr int kOk = Prompt::kResultOk;
constexpr int kCancel = Prompt::kResultCancel;
constexpr int kAbort = Prompt::kResultAbort;
constexpr int kRetry = Prompt::kResultRetry;
constexpr int kContinue = Prompt::kResultContinue;
constexpr int kYes = Prompt::kResultYes;
constexpr int kNo = Prompt::kResultNo;

// The printer's ACK error codes come with this style; link faults with others.
constexpr unsigned kCommandErrorStyle = Prompt::kIconStop | Prompt::kAbortRetryContinue;

constexpr int kClockSet = 1;
constexpr int kClockNotSet = 2;

std::string TypeOf(unsigned style) {
  switch (style & 0xF0) {
    case 0x10:
      return "error";
    case 0x30:
      return "warning";
    default:
      return "info";
  }
}

}  // namespace

PolicyHost::PolicyHost(Corrections corrections, int retries, Opener opener)
    : corrections_(corrections),
      retries_(retries),
      retriesLeft_(retries),
      opener_(std::move(opener)) {}

void PolicyHost::Add(const std::string& type, const std::string& code, const std::string& text) {
  messages_.push_back(ServerMessage{type, code, text});
}

bool PolicyHost::HasError() const {
  for (const auto& m : messages_)
    if (m.type == "error") return true;
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
    Add("error", "refused", full + " (" + why + ")");
    return answer;
  };
  auto allow = [&](int answer) {
    Add("warning", "corrected", full);
    return answer;
  };
  const unsigned set = style & 0x0F;
  if (id == PromptId::kPrinterError || style == kCommandErrorStyle) {
    Add("error", "printer", text);
    return kAbort;
  }
  switch (set) {
    case kSetCancelRetryContinue:
    case kSetRetryCancel:
      if (retriesLeft_ > 0) {
        --retriesLeft_;
        Add("warning", "link", text + " (повторен опит)");
        return kRetry;
      }
      Add("error", "link", text);
      return set == kSetRetryCancel ? kCancel : kAbort;
    case kSetZeroCancel:
      return corrections_.zeroReports ? allow(kOk) : refuse("zeroReports not allowed", kCancel);
    case kSetClockCancel:
    case kSetClockContinueCancel:
      return corrections_.setClock ? allow(kOk) : refuse("setClock not allowed", kCancel);
    case kSetCloseCancel:
    case kSetFinishCancel:
    case kSetFinishCancel2:
      return corrections_.closeReceipt ? allow(kOk) : refuse("closeReceipt not allowed", kCancel);
    case kSetFeedOkCancel:
      Add("error", "paper", full);
      return kCancel;
    case kSetContinueCancel:
      // "Плащането е завършено": the receipt is paid already; going on pays nothing.
      Add("info", "notice", full);
      return kContinue;
    case kSetYesNo:
    case kSetYesNoCancel:
      // Questions are told apart by the driver's name for them, never by their
      // words; one it does not name (fiscalization's confirmation among them)
      // is refused.
      switch (id) {
        case PromptId::kZeroDailyReport:
        case PromptId::kZeroArticleReport:
        case PromptId::kZeroDailyAndArticleReport:
        case PromptId::kZeroOperatorReport:
          return corrections_.zeroDayReport ? allow(kYes)
                                            : refuse("zero report not asked for", kNo);
        case PromptId::kResetDailyReport:
        case PromptId::kResetOperatorReport:
        case PromptId::kResetArticleReport:
          return corrections_.zeroReports ? allow(kYes) : refuse("zeroReports not allowed", kNo);
        // Moving the clock by days: confirmed only when the request allows it.
        case PromptId::kClockMoveStopQuestion:  // "Да" stops
          return corrections_.setClock ? allow(kNo) : refuse("setClock not allowed", kYes);
        case PromptId::kClockMoveConfirm:
          return corrections_.setClock ? allow(kYes) : refuse("setClock not allowed", kNo);
        default:
          return refuse("needs a person", set == kSetYesNoCancel ? kCancel : kNo);
      }
    default:
      if (PromptStyle::Decode(style).buttons.size() == 1) {
        Add(TypeOf(style), "notice", full);
        return kOk;
      }
      return refuse("needs a person", kCancel);
  }
}

int PolicyHost::RunDateTimeDialog(int port) {
  (void)port;
  if (!corrections_.setClock || !opener_) {
    Add("error", "refused", "Часовникът на принтера не е сверен (setClock not allowed)");
    return kClockNotSet;
  }
  std::unique_ptr<FiscalPrinter> clock = opener_(this);
  if (!clock || !clock->IsConnected()) return kClockNotSet;
  const std::string result = clock->SetDateTime(std::time(nullptr));
  // "BP" and a refusal passed over are texts too: only a call that ended done set it.
  if (result.empty() || !clock->LastOutcome().Done()) return kClockNotSet;
  Add("warning", "corrected", "Часовникът на принтера е сверен по компютъра");
  return kClockSet;
}
