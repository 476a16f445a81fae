#pragma once

#include <wx/statbmp.h>
#include <wx/stattext.h>

#include "dialogs/printer_dialog.h"

// "Програмиране на лого": loads the logo file, shows it, uploads it to the
// printer and prints the logo the printer holds.
//
// "Load" accepts a file the printer can take as it is: a 1-bit BMP of
// 384 x 80 with the plain header and at least logo::kFileBytes bytes (see
// logo_picture.h). Any other picture the toolkit reads is refused with the
// reason, and the user may have it converted (LogoConverterDialog); the
// converted file, written beside the picture, is then the accepted one. A
// refused file leaves the accepted one as it was.
//
// "Upload" does nothing before a file has been accepted. It checks the file
// again as it is on disk now and, when it is still a logo file, sends its
// first logo::kFileBytes bytes (FiscalPrinter::LoadLogo); otherwise it says
// why and opens no port. "Print" prints the printer's logo whether or not a
// file was loaded here.
//
// Every button opens its own FiscalPrinter on `line` with `ui` as host and
// closes it before the handler returns. "Exit", Escape and the close box end
// the dialog with PrinterDialog::kResultDone.
class LogoDialog : public PrinterDialog {
 public:
  enum {
    kIdPicture = 1321,
    kIdFile = 1322,
    kIdLoad = 1323,
    kIdUpload = 1324,
    kIdPrint = 1325,
    kIdExit = 1326
  };

  // `ui` (not owned) must outlive the dialog; without one the dialog shows its
  // prompts itself. `services` as for every PrinterDialog: file choosers and
  // message boxes go through them, the converter dialog gets them too.
  LogoDialog(wxWindow* parent, UiHost* ui, const PrinterLine& line, DialogServices services = {});

  // Loads `path` as "Load" does after the file chooser.
  void LoadFile(const wxString& path);

  bool Loaded() const { return loaded_; }
  const wxString& LogoPath() const { return path_; }
  wxStaticBitmap* Picture() const { return picture_; }

 private:
  void OnLoad(wxCommandEvent&);
  void OnUpload(wxCommandEvent&);
  void OnPrint(wxCommandEvent&);
  // Takes `path`, whose first bytes `head` passed the check, as the logo.
  void Accept(const wxString& path, const std::string& head);
  // Offers to convert a picture that is not a logo file; true when a
  // converted file has been accepted.
  bool OfferConversion(const wxString& path, const std::string& reason);
  void ShowError(const std::string& text);

  wxStaticBitmap* picture_ = nullptr;
  wxStaticText* file_ = nullptr;
  wxString path_;
  bool loaded_ = false;
};
