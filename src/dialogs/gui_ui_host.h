#pragma once

#include <functional>

#include <wx/window.h>

#include "link/ui_host.h"

// The UI host of the windows: prompts are PromptDialogs owned by `owner`, the
// wait cursor is the toolkit's busy cursor, and the date and time dialog is the
// real one (DateTimeDialog) unless another runner has been registered.
//
// One per window that creates FiscalPrinters (the main window, each dialog);
// it must outlive them. UI-thread only.
class GuiUiHost : public UiHost {
 public:
  explicit GuiUiHost(wxWindow* owner) : owner_(owner) {}
  ~GuiUiHost() override;

  int ShowPrompt(const std::string& text, const std::string& caption, unsigned style,
                 int textStyle) override;
  int RunDateTimeDialog(const PrinterLine& line) override;
  void BeginWait() override;
  void EndWait() override;

  wxWindow* Owner() const { return owner_; }

 private:
  wxWindow* owner_;
  int waitDepth_ = 0;
};

// Runs the date and time dialog modally over `owner` on `line`; returns 1
// when the printer's clock was set, 2 when cancelled.
using DateTimeDialogRunner = std::function<int(wxWindow* owner, const PrinterLine& line)>;

// Registers what RunDateTimeDialog runs. An empty function puts back the
// default, the real DateTimeDialog with the host's owner as parent: a clock
// request from the driver is never answered without asking the user.
void SetDateTimeDialogRunner(DateTimeDialogRunner runner);
