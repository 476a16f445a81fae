#pragma once

#include <string>

#include "link/prompt_id.h"
#include "link/settings.h"

// What the driver needs from the window it works for. The GUI, the command-line
// tool and the tests each implement it. All texts here are UTF-8: the driver
// converts printer data (Windows-1251) before it puts it into a prompt.
//
// Every call is synchronous and made on the caller's thread.
class UiHost {
 public:
  virtual ~UiHost() = default;

  // Shows a modal prompt and returns the result of the pressed button, or 2 when
  // it was closed by its close box. `style` is a PromptStyle word
  // (prompt_style.h); an empty `caption` means the application's name.
  // `textStyle` is the extra style of the text field (1 = centred text).
  virtual int ShowPrompt(const std::string& text, const std::string& caption, unsigned style,
                         int textStyle) = 0;

  // The same prompt with the driver's name for it (prompt_id.h). Hosts that
  // answer by a policy decide by `id`; the others show it as ShowPrompt does.
  virtual int ShowPromptWithId(PromptId id, const std::string& text, const std::string& caption,
                               unsigned style, int textStyle) {
    (void)id;
    return ShowPrompt(text, caption, style, textStyle);
  }

  // Runs the date and time dialog modally on `line` (the dialog opens its own
  // FiscalPrinter on that line, at its speed; the caller has released it).
  // Returns 1 when the user set the printer's clock, 2 when it was cancelled.
  virtual int RunDateTimeDialog(const PrinterLine& line) = 0;

  // Called once as each command is about to go to the printer (not again for
  // its resends). A host that budgets its answers to link faults per command
  // starts afresh here.
  virtual void CommandStarting() {}

  // Wait cursor around port operations. Calls nest: each BeginWait is matched
  // by one EndWait.
  virtual void BeginWait() {}
  virtual void EndWait() {}
};

// The host's wait cursor for the lifetime of the object (BeginWait, then
// EndWait); a null host shows nothing.
class WaitCursor {
 public:
  explicit WaitCursor(UiHost* host) : host_(host) {
    if (host_) host_->BeginWait();
  }
  ~WaitCursor() {
    if (host_) host_->EndWait();
  }
  WaitCursor(const WaitCursor&) = delete;
  WaitCursor& operator=(const WaitCursor&) = delete;

 private:
  UiHost* host_;
};
