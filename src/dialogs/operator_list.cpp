#include "dialogs/operator_list.h"

#include "driver/cp1251.h"
#include "driver/text.h"

namespace {
constexpr int kNameRedAbove = 16;
constexpr int kAlignLeft = 0;
constexpr int kAlignCentre = 1;

std::string Cp(const char* utf8) {
  return Utf8ToCp1251Lossy(utf8);
}
}  // namespace

CharCounter OperatorNameCounter(int length) {
  return CountCharacters(kOperatorNameLimit, length, kNameRedAbove);
}

std::string OperatorListHeading() {
  return Cp("Оп.N   ") + FitText(Cp("Име"), kOperatorNameLimit, kAlignCentre, ' ') + Cp(" Парола");
}

std::string OperatorListLine(int number, const std::string& name, const std::string& password) {
  return Sprintf("   %1.1d   ", number) + FitText(name, kOperatorNameLimit, kAlignLeft, ' ') +
         "  " + FitText(password, kOperatorPasswordLimit, kAlignLeft, ' ');
}

bool PrintOperatorLines(FiscalPrinter& printer, const std::vector<int>& operators, int feeds,
                        const std::function<void(const OperatorRecord&)>& onRead) {
  if (!printer.Done(printer.PrintReceiptText(OperatorListHeading(), kAlignLeft))) return false;
  for (int n : operators) {
    OperatorRecord record;
    if (!CallDone(printer.ReadOperator(n, record), printer.LastOutcome())) return false;
    record.number = n;  // the row asked for, whatever number the reply carries
    if (onRead) onRead(record);
    const std::string line = OperatorListLine(n, record.name, record.password);
    if (!printer.Done(printer.PrintReceiptText(line, kAlignLeft))) return false;
  }
  for (int i = 0; i < feeds; ++i)
    if (!printer.Done(printer.FeedPaper())) return false;
  return true;
}

bool PrintOperatorList(FiscalPrinter& printer, const std::vector<int>& operators, int feeds,
                       const std::function<void(const OperatorRecord&)>& onRead) {
  return PrintOperatorLines(printer, operators, feeds, onRead) &&
         printer.Done(printer.FinishPrintout());
}
