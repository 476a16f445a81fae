#include "dialogs/gui_ui_host.h"

#include <wx/utils.h>

#include "dialogs/date_time_dialog.h"
#include "dialogs/prompt_dialog.h"

namespace {

DateTimeDialogRunner& Runner() {
  static DateTimeDialogRunner runner;
  return runner;
}

}  // namespace

void SetDateTimeDialogRunner(DateTimeDialogRunner runner) {
  Runner() = std::move(runner);
}

GuiUiHost::~GuiUiHost() {
  while (waitDepth_ > 0) EndWait();
}

int GuiUiHost::ShowPrompt(const std::string& text, const std::string& caption, unsigned style,
                          int textStyle) {
  // The wait cursor would hide that the program now waits for the user.
  const int depth = waitDepth_;
  for (int i = 0; i < depth; ++i) wxEndBusyCursor();
  PromptDialog dialog(owner_, wxString::FromUTF8(text), wxString::FromUTF8(caption), style,
                      textStyle);
  const int result = dialog.ShowModal();
  for (int i = 0; i < depth; ++i) wxBeginBusyCursor();
  return result;
}

int GuiUiHost::RunDateTimeDialog(const PrinterLine& line) {
  const DateTimeDialogRunner runner = Runner();  // a copy: the runner may re-register
  if (!runner) return ::RunDateTimeDialog(owner_, nullptr, line);
  return runner(owner_, line);
}

void GuiUiHost::BeginWait() {
  ++waitDepth_;
  wxBeginBusyCursor();
}

void GuiUiHost::EndWait() {
  if (waitDepth_ == 0) return;
  --waitDepth_;
  wxEndBusyCursor();
}
