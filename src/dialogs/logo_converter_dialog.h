#pragma once

#include <wx/dialog.h>
#include <wx/image.h>
#include <wx/slider.h>
#include <wx/statbmp.h>
#include <wx/stattext.h>

#include <string>

#include "dialogs/dialog_services.h"
#include "dialogs/logo_picture.h"

// "Преобразуване в лого": turns a picture of any size and colour into the
// printer's logo file. The picture is scaled to fit 384 x 80 with its
// proportions kept and centred on white; the threshold slider decides which
// pixels print black. The preview is drawn from the very bytes that will be
// written, so it shows exactly what the printer will print.
//
// "Запис" writes a new 1-bit BMP beside the picture (logo::ConvertedLogoPath;
// nothing existing is overwritten) and ends the dialog with wxID_OK;
// SavedPath() then names the file. When no name is free there or the folder
// cannot be written, the user is asked where to save it. "Отказ", Escape and
// the close box end it with wxID_CANCEL and write nothing.
//
// No printer is opened here. UI-thread only.
class LogoConverterDialog : public wxDialog {
 public:
  enum { kIdPreview = 1331, kIdThreshold = 1332, kIdThresholdValue = 1333, kIdSave = 1334 };

  // `picture` is the decoded picture, `source` the file it came from (the
  // converted file is named after it).
  LogoConverterDialog(wxWindow* parent, const wxImage& picture, const wxString& source,
                      DialogServices services = {});

  int Threshold() const { return slider_->GetValue(); }
  // Moves the slider and redraws the preview, as the user's move does.
  void SetThreshold(int threshold);
  // The file as it would be written now: exactly logo::kFileBytes bytes.
  const std::string& LogoBytes() const { return bytes_; }
  wxStaticBitmap* Preview() const { return preview_; }
  // The file written by "Запис"; empty until then.
  const wxString& SavedPath() const { return saved_; }

 private:
  void Update();
  void OnSave(wxCommandEvent&);

  DialogServices services_;
  wxString source_;
  wxImage fitted_;  // the picture at 384 x 80, before the threshold
  std::string bytes_;
  wxString saved_;
  wxSlider* slider_ = nullptr;
  wxStaticText* value_ = nullptr;
  wxStaticBitmap* preview_ = nullptr;
};
