#include "dialogs/logo_converter_dialog.h"

#include <wx/button.h>
#include <wx/filename.h>
#include <wx/sizer.h>

#include "dialogs/layout.h"
#include "dialogs/ui_text.h"

namespace {

constexpr int kMargin = 10;
constexpr int kSliderWidth = 260;

}  // namespace

LogoConverterDialog::LogoConverterDialog(wxWindow* parent, const wxImage& picture,
                                         const wxString& source, DialogServices services)
    : wxDialog(parent, wxID_ANY, FromUtf8("Преобразуване в лого")),
      services_(std::move(services)),
      source_(source),
      fitted_(logo::FitToLogo(picture)) {
  using namespace layout;
  const wxString about =
      wxString::Format(FromUtf8("%s: %d × %d точки, ще бъде вписана в %d × %d"),
                       wxFileName(source).GetFullName(), picture.IsOk() ? picture.GetWidth() : 0,
                       picture.IsOk() ? picture.GetHeight() : 0, logo::kWidth, logo::kHeight);

  preview_ = new wxStaticBitmap(
      this, kIdPreview, wxBitmap(logo::Render(logo::MonoPicture(logo::kWidth, logo::kHeight))),
      wxDefaultPosition, wxDefaultSize, wxBORDER_SIMPLE);
  slider_ = new wxSlider(this, kIdThreshold, logo::kDefaultThreshold, logo::kMinThreshold,
                         logo::kMaxThreshold, wxDefaultPosition, wxSize(kSliderWidth, -1));
  value_ = new wxStaticText(this, kIdThresholdValue, "255");

  auto* threshold = new wxBoxSizer(wxHORIZONTAL);
  threshold->Add(Label(this, "Праг на черното:"), 0, wxALIGN_CENTER_VERTICAL | wxRIGHT, kGap);
  threshold->Add(slider_, 1, wxALIGN_CENTER_VERTICAL | wxRIGHT, kGap);
  threshold->Add(value_, 0, wxALIGN_CENTER_VERTICAL);

  auto* top = new wxBoxSizer(wxVERTICAL);
  top->Add(new wxStaticText(this, wxID_ANY, about), 0, wxALL, kMargin);
  top->Add(Label(this, "Така ще бъде отпечатано:"), 0, wxLEFT | wxRIGHT, kMargin);
  top->Add(preview_, 0, wxALL, kMargin);
  top->Add(threshold, 0, wxEXPAND | wxLEFT | wxRIGHT, kMargin);
  top->Add(ButtonRow(this, {{kIdSave, "Запис"}, {wxID_CANCEL, "Отказ"}}), 0, wxALIGN_RIGHT | wxALL,
           kMargin);
  SetSizerAndFit(top);
  CentreOnParent();

  Bind(
      wxEVT_SLIDER, [this](wxCommandEvent&) { Update(); }, kIdThreshold);
  Bind(wxEVT_BUTTON, &LogoConverterDialog::OnSave, this, kIdSave);
  SetEscapeId(wxID_CANCEL);
  Update();
}

void LogoConverterDialog::SetThreshold(int threshold) {
  slider_->SetValue(threshold);
  Update();
}

void LogoConverterDialog::Update() {
  bytes_ = logo::EncodeMonoBmp(logo::Threshold(fitted_, slider_->GetValue()));
  // Drawn back from the file's bytes, not from the picture: what is shown is
  // what the printer gets.
  preview_->SetBitmap(wxBitmap(logo::Render(logo::DecodeLogoBmp(bytes_))));
  value_->SetLabel(wxString::Format("%d", slider_->GetValue()));
}

void LogoConverterDialog::OnSave(wxCommandEvent&) {
  std::optional<wxString> path =
      logo::ConvertedLogoPath(source_, [](const wxString& p) { return wxFileName::Exists(p); });
  if (!path || !logo::WriteFileBytes(*path, bytes_)) {
    // No free name beside the picture, or its folder is read-only: let the
    // user choose.
    const wxString chosen =
        services_.ChooseFileToSave(this, FromUtf8("Запис на логото"), "BMP (*.bmp)|*.bmp",
                                   path ? wxFileName(*path).GetFullName() : wxString("logo.bmp"));
    if (chosen.empty()) return;
    if (!logo::WriteFileBytes(chosen, bytes_)) {
      services_.ShowMessage(this, FromUtf8("Грешка при създаване на файла"), FromUtf8("Грешка"),
                            wxOK | wxICON_STOP);
      return;
    }
    path = chosen;
  }
  saved_ = *path;
  if (IsModal()) {
    EndModal(wxID_OK);
  } else {
    SetReturnCode(wxID_OK);
    Hide();
  }
}
