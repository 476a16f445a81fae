#pragma once

#include <wx/msgdlg.h>
#include <wx/string.h>
#include <wx/window.h>

#include <functional>
#include <memory>
#include <optional>

#include "driver/fiscal_printer.h"

// What a printer dialog takes from the world outside its window: message
// boxes, file choosers, the driver it opens for each button and the link
// time-outs of those drivers. A dialog receives one DialogServices by value in
// its constructor and keeps it for its lifetime.
//
// Every member may be left empty; the dialog then uses the real thing (the
// platform's message box and file dialogs, a plain FiscalPrinter with the
// protocol's own time-outs). The program passes `{}`; tests fill in what they
// need to watch or to shorten:
//
//   DialogServices services;
//   services.timeouts = LinkTimeouts{...};                // fast failure
//   services.messageBox = [&](wxWindow*, const wxString& text, const wxString&,
//                             long) { shown.push_back(text); return wxOK; };
//   StatusDialog dialog(nullptr, &ui, line, services);
//
// UI-thread only, like the dialogs.
struct DialogServices {
  // Shows a modal message box over `parent`. `style` takes wxMessageBox's
  // flags (wxOK, wxYES_NO, wxICON_...); the result is wxMessageBox's (wxOK,
  // wxYES, wxNO, wxCANCEL). Texts are display strings (UTF-8 decoded).
  using MessageBoxFn = std::function<int(wxWindow* parent, const wxString& text,
                                         const wxString& caption, long style)>;

  // Asks for a file name. `wildcard` is in wxFileDialog's form ("Text
  // (*.txt)|*.txt"); `defaultName` may be empty. Returns the full path, or an
  // empty string when the user cancelled.
  using FileChooserFn =
      std::function<wxString(wxWindow* parent, const wxString& caption, const wxString& wildcard,
                             const wxString& defaultName)>;

  // Creates the driver for one user action on `line` with `ui` as its
  // host. The driver tries to connect while it is being made (see
  // PrinterLink); the caller checks IsConnected().
  using PrinterFactoryFn =
      std::function<std::unique_ptr<FiscalPrinter>(UiHost* ui, const PrinterLine& line)>;

  MessageBoxFn messageBox;       // default: wxMessageBox
  FileChooserFn openFile;        // default: wxFileSelector, an existing file
  FileChooserFn saveFile;        // default: wxFileSelector, asks before overwriting
  PrinterFactoryFn openPrinter;  // default: FiscalPrinter(ui, line)
  // Link time-outs of every driver the dialog opens; unset keeps the
  // protocol's own (tests shorten them so that failures come quickly).
  std::optional<LinkTimeouts> timeouts;

  // The calls a dialog makes; each uses the member above or its default.
  int ShowMessage(wxWindow* parent, const wxString& text, const wxString& caption,
                  long style = wxOK | wxICON_INFORMATION) const;
  wxString ChooseFileToOpen(wxWindow* parent, const wxString& caption, const wxString& wildcard,
                            const wxString& defaultName = wxString()) const;
  wxString ChooseFileToSave(wxWindow* parent, const wxString& caption, const wxString& wildcard,
                            const wxString& defaultName = wxString()) const;
  // A driver on `line` with the time-outs applied; never null.
  std::unique_ptr<FiscalPrinter> OpenPrinter(UiHost* ui, const PrinterLine& line) const;
};
