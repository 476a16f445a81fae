#include "cli/cli_ui.h"

#include <ctime>
#include <istream>
#include <ostream>

#include "cli/output.h"
#include "driver/fiscal_printer.h"
#include "driver/text.h"
#include "link/prompt_style.h"

CliUi::CliUi(std::deque<int> answers, std::istream& in, std::ostream& err, bool interactive)
    : answers_(std::move(answers)), in_(in), err_(err), interactive_(interactive) {}

int CliUi::NextAnswer(const std::string& title,
                      const std::vector<std::pair<std::string, int>>& choices) {
  if (!answers_.empty()) {
    const int a = answers_.front();
    answers_.pop_front();
    return a;
  }
  if (!interactive_ || choices.empty()) return kPromptClosedResult;
  err_ << title << '\n';
  for (size_t i = 0; i < choices.size(); ++i) {
    err_ << "  " << (i + 1) << ") " << choices[i].first << '\n';
  }
  // A bounded number of tries: a closed or garbled terminal ends as the close box.
  for (int tries = 0; tries < 10; ++tries) {
    err_ << "? [1-" << choices.size() << "] " << std::flush;
    std::string line;
    if (!std::getline(in_, line)) break;
    try {
      const size_t n = std::stoul(line);
      if (n >= 1 && n <= choices.size()) return choices[n - 1].second;
    } catch (...) {
    }
  }
  return kPromptClosedResult;
}

int CliUi::ShowPrompt(const std::string& text, const std::string& caption, unsigned style,
                      int /*textStyle*/) {
  std::vector<std::pair<std::string, int>> choices;
  for (const auto& b : PromptStyle::Decode(style).buttons)
    choices.emplace_back(b.caption, b.result);
  const int answer = NextAnswer(caption + ": " + text, choices);
  err_ << "prompt style=" << Sprintf("0x%x", style) << " caption=\"" << QuoteLine(caption)
       << "\" text=\"" << QuoteLine(text) << "\" answer=" << answer << '\n'
       << std::flush;
  return answer;
}

int CliUi::RunDateTimeDialog(const PrinterLine& line) {
  // The time is taken when the answer is given, as the dialog's button does.
  const int answer = NextAnswer("Сверяване на дата и час", {{"Set From System", Prompt::kResultOk},
                                                            {"Exit", Prompt::kResultCancel}});
  int result = Prompt::kResultCancel;
  if (answer != Prompt::kResultCancel) {
    const std::time_t now = std::time(nullptr);
    FiscalPrinter printer(this, line);
    if (timeouts_) printer.SetTimeouts(*timeouts_);
    if (printer.IsConnected()) {
      const std::string r = printer.SetDateTime(now);
      if (CallDone(r, printer.LastOutcome())) result = Prompt::kResultOk;
    }
  }
  err_ << "datetime-dialog answer=" << answer << " result=" << result << '\n' << std::flush;
  return result;
}
