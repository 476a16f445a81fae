#include "dialogs/dialog_services.h"

#include <wx/filedlg.h>

int DialogServices::ShowMessage(wxWindow* parent, const wxString& text, const wxString& caption,
                                long style) const {
  if (messageBox) return messageBox(parent, text, caption, style);
  return wxMessageBox(text, caption, style, parent);
}

wxString DialogServices::ChooseFileToOpen(wxWindow* parent, const wxString& caption,
                                          const wxString& wildcard,
                                          const wxString& defaultName) const {
  if (openFile) return openFile(parent, caption, wildcard, defaultName);
  return wxFileSelector(caption, wxEmptyString, defaultName, wxEmptyString, wildcard,
                        wxFD_OPEN | wxFD_FILE_MUST_EXIST, parent);
}

wxString DialogServices::ChooseFileToSave(wxWindow* parent, const wxString& caption,
                                          const wxString& wildcard,
                                          const wxString& defaultName) const {
  if (saveFile) return saveFile(parent, caption, wildcard, defaultName);
  return wxFileSelector(caption, wxEmptyString, defaultName, wxEmptyString, wildcard,
                        wxFD_SAVE | wxFD_OVERWRITE_PROMPT, parent);
}

std::unique_ptr<FiscalPrinter> DialogServices::OpenPrinter(UiHost* ui,
                                                           const PrinterLine& line) const {
  std::unique_ptr<FiscalPrinter> printer =
      openPrinter ? openPrinter(ui, line) : std::make_unique<FiscalPrinter>(ui, line);
  if (!printer) printer = std::make_unique<FiscalPrinter>(ui, line);
  if (timeouts) printer->SetTimeouts(*timeouts);
  return printer;
}
