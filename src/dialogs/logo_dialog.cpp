#include "dialogs/logo_dialog.h"

#include <wx/filename.h>
#include <wx/sizer.h>

#include "dialogs/layout.h"
#include "dialogs/logo_converter_dialog.h"
#include "dialogs/logo_picture.h"
#include "dialogs/ui_text.h"

namespace {

constexpr int kMargin = 10;
constexpr const char* kErrorCaption = "Грешка";
constexpr const char* kNoFile = "(няма зареден файл)";
constexpr const char* kNotAPicture = "Файлът не е картина, която програмата може да прочете.";
constexpr const char* kPictureIs = "Картината е ";
constexpr const char* kConvertQuestion = "\n\nДа бъде ли картината преобразувана в лого?";

}  // namespace

LogoDialog::LogoDialog(wxWindow* parent, UiHost* ui, const PrinterLine& line,
                       DialogServices services)
    : PrinterDialog(parent, FromUtf8("Програмиране на лого"), ui, line, std::move(services)) {
  using namespace layout;
  logo::EnsureImageHandlers();
  picture_ = new wxStaticBitmap(
      this, kIdPicture, wxBitmap(logo::Render(logo::MonoPicture(logo::kWidth, logo::kHeight))),
      wxDefaultPosition, wxDefaultSize, wxBORDER_SIMPLE);
  file_ = new wxStaticText(this, kIdFile, FromUtf8(kNoFile), wxDefaultPosition, wxDefaultSize,
                           wxST_ELLIPSIZE_MIDDLE);

  auto* top = new wxBoxSizer(wxVERTICAL);
  top->Add(picture_, 0, wxALIGN_CENTER_HORIZONTAL | wxALL, kMargin);
  top->Add(file_, 0, wxEXPAND | wxLEFT | wxRIGHT, kMargin);
  top->Add(
      ButtonRow(this,
                {{kIdLoad, "Load"}, {kIdUpload, "Upload"}, {kIdPrint, "Print"}, {kIdExit, "Exit"}}),
      0, wxALIGN_CENTER_HORIZONTAL | wxALL, kMargin);
  SetSizerAndFit(top);
  CentreOnParent();

  Bind(wxEVT_BUTTON, &LogoDialog::OnLoad, this, kIdLoad);
  Bind(wxEVT_BUTTON, &LogoDialog::OnUpload, this, kIdUpload);
  Bind(wxEVT_BUTTON, &LogoDialog::OnPrint, this, kIdPrint);
  SetExitButton(kIdExit, kResultDone);
}

void LogoDialog::OnLoad(wxCommandEvent&) {
  const wxString path =
      Services().ChooseFileToOpen(this, FromUtf8("Зареждане на лого"), logo::PictureWildcard());
  if (!path.empty()) LoadFile(path);
}

void LogoDialog::LoadFile(const wxString& path) {
  const std::optional<std::string> head = logo::ReadFileHead(path, logo::kFileBytes);
  const logo::FileCheck check = head ? logo::CheckLogoBytes(*head) : logo::FileCheck{};
  if (check.ok()) {
    Accept(path, *head);
  } else if (check.verdict == logo::Verdict::kMissing) {
    ShowError(logo::CheckMessage(check));
  } else {
    OfferConversion(path, logo::CheckMessage(check));
  }
}

bool LogoDialog::OfferConversion(const wxString& path, const std::string& reason) {
  const wxImage picture = logo::LoadPicture(path);
  if (!picture.IsOk()) {
    // A BMP that is merely damaged says what is wrong with it; anything else
    // is simply not a picture.
    const bool bmp = logo::CheckLogoBytes(logo::ReadFileHead(path, 2).value_or("")).verdict !=
                     logo::Verdict::kNotBmp;
    ShowError(bmp ? reason : kNotAPicture);
    return false;
  }
  // A picture of another kind (PNG, JPEG) also says how large it is.
  std::string why = reason;
  if (reason.find(kPictureIs) == std::string::npos &&
      (picture.GetWidth() != logo::kWidth || picture.GetHeight() != logo::kHeight)) {
    why += "\n" + std::string(kPictureIs) + std::to_string(picture.GetWidth()) + " × " +
           std::to_string(picture.GetHeight()) + ".";
  }
  if (ShowMessage(FromUtf8(why + kConvertQuestion), FromUtf8(kErrorCaption),
                  wxYES_NO | wxICON_STOP) != wxYES)
    return false;
  LogoConverterDialog converter(this, picture, path, Services());
  if (converter.ShowModal() != wxID_OK || converter.SavedPath().empty()) return false;
  const wxString saved = converter.SavedPath();
  const std::optional<std::string> head = logo::ReadFileHead(saved, logo::kFileBytes);
  const logo::FileCheck check = head ? logo::CheckLogoBytes(*head) : logo::FileCheck{};
  if (!check.ok()) {  // changed on disk in the meantime
    ShowError(logo::CheckMessage(check));
    return false;
  }
  Accept(saved, *head);
  return true;
}

void LogoDialog::Accept(const wxString& path, const std::string& head) {
  path_ = path;
  loaded_ = true;
  picture_->SetBitmap(wxBitmap(logo::Render(logo::DecodeLogoBmp(head))));
  file_->SetLabel(path);
  file_->SetToolTip(path);
  Layout();
}

void LogoDialog::OnUpload(wxCommandEvent&) {
  if (!loaded_) return;
  // The file is sent as it is on disk now, so it is checked again as it is
  // now: a picture saved over it since "Load" must not reach the printer.
  const std::optional<std::string> head = logo::ReadFileHead(path_, logo::kFileBytes);
  const logo::FileCheck check = head ? logo::CheckLogoBytes(*head) : logo::FileCheck{};
  if (!check.ok()) {
    ShowError(logo::CheckMessage(check));
    return;
  }
  Accept(path_, *head);  // show what is being sent
  auto printer = OpenPrinter();
  if (!printer->IsConnected()) return;
  printer->LoadLogo(logo::DriverPath(path_));
}

void LogoDialog::OnPrint(wxCommandEvent&) {
  auto printer = OpenPrinter();
  if (!printer->IsConnected()) return;
  printer->PrintLogo();
}

void LogoDialog::ShowError(const std::string& text) {
  ShowMessage(FromUtf8(text), FromUtf8(kErrorCaption), wxOK | wxICON_STOP);
}
