#pragma once

#include <deque>
#include <iosfwd>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "link/printer_link.h"
#include "link/ui_host.h"

// The UI host of fiscal-cli. Every prompt becomes one line on the error stream,
//   prompt style=0x15 caption="Грешка" text="Няма връзка с Фискалния принтер" answer=2
// answered with the next value of --answers; when none is left, an interactive
// terminal asks (buttons numbered, captions shown), and otherwise the answer is 2,
// as closing the window would be.
//
// The date and time dialog takes the next answer too: 2 cancels; any other
// answer sets the printer's clock to the computer's time through a second
// FiscalPrinter on the same line ("Set From System") and gives 1 when that was
// set. It is logged as `datetime-dialog answer=N result=M`.
class CliUi : public UiHost {
 public:
  // `in` is read only when `interactive`; `err` receives the log lines. Both
  // must outlive the object.
  CliUi(std::deque<int> answers, std::istream& in, std::ostream& err, bool interactive);

  // Time-outs given to the printer that the date and time dialog opens (tests).
  void SetTimeouts(const std::optional<LinkTimeouts>& t) { timeouts_ = t; }

  int ShowPrompt(const std::string& text, const std::string& caption, unsigned style,
                 int textStyle) override;
  int RunDateTimeDialog(const PrinterLine& line) override;

 private:
  // The next answer: from the list, else asked on the terminal, else 2.
  // `choices` are the (caption, result) pairs offered on the terminal.
  int NextAnswer(const std::string& title, const std::vector<std::pair<std::string, int>>& choices);

  std::deque<int> answers_;
  std::istream& in_;
  std::ostream& err_;
  bool interactive_;
  std::optional<LinkTimeouts> timeouts_;
};
