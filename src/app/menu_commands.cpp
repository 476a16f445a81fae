#include "app/menu_commands.h"

#include <cstdio>

#include <wx/filefn.h>

#include "driver/text.h"
#include "link/prompt_style.h"
#include "link/settings.h"

MenuAction PrinterCommand(std::function<void(FiscalPrinter&)> command) {
  return [command = std::move(command)](MenuContext& context) {
    FiscalPrinter printer(context.ui, context.line);
    if (printer.IsConnected()) command(printer);
  };
}

void SaveFMReportToFile(MenuContext& context) {
  const wxString path = context.chooseSaveFile(context.window);
  if (path.empty()) return;
  std::FILE* file = wxFopen(path, "wb");
  if (!file) {
    context.messageBox(context.window, wxString::FromUTF8("Грешка при създаване на файла"),
                       wxString::FromUTF8("Грешка"));
    return;
  }
  {
    FiscalPrinter printer(context.ui, context.line);
    if (printer.IsConnected()) printer.DownloadFMToFile(file);
  }
  std::fclose(file);
}

void ShowFreeFMRecords(MenuContext& context) {
  FiscalPrinter printer(context.ui, context.line);
  if (!printer.IsConnected()) return;
  int count = 0;
  if (!CallDone(printer.ReadFreeFMRecords(count), printer.LastOutcome())) return;
  context.ui->ShowPrompt(Sprintf("Оставащи брой записи във ФП: %1.1d", count), "Информация",
                         Prompt::kIconExclamation, 0);
}
