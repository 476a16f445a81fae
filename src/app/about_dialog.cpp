#include "app/about_dialog.h"

#include <wx/app.h>
#include <wx/button.h>
#include <wx/sizer.h>
#include <wx/statbmp.h>
#include <wx/stattext.h>

#include "dialogs/program_icon.h"

const char* ProgramNameAndVersion() {
  return "fiscal-service, сервизна програма v2.1";
}

AboutDialog::AboutDialog(wxWindow* parent)
    : wxDialog(parent, wxID_ANY, "About " + wxTheApp->GetAppDisplayName()) {
  auto* top = new wxBoxSizer(wxHORIZONTAL);
  top->Add(new wxStaticBitmap(this, wxID_ANY, ProgramIconBitmap(32)), 0, wxALL, 12);
  auto* lines = new wxBoxSizer(wxVERTICAL);
  lines->Add(new wxStaticText(this, wxID_ANY, wxString::FromUTF8(ProgramNameAndVersion())), 0,
             wxBOTTOM, 6);
  lines->Add(
      new wxStaticText(this, wxID_ANY,
                       wxString::FromUTF8("Сервизна програма за фискални принтери на сериен порт:\n"
                                          "отчети, програмиране, фискализация и бонове на ръка.")));
  top->Add(lines, 1, wxTOP | wxRIGHT | wxBOTTOM, 12);
  auto* ok = new wxButton(this, wxID_OK, "OK");
  ok->SetDefault();
  auto* all = new wxBoxSizer(wxVERTICAL);
  all->Add(top, 1, wxEXPAND);
  all->Add(ok, 0, wxALIGN_RIGHT | wxRIGHT | wxBOTTOM, 12);
  SetSizerAndFit(all);
  CentreOnParent();
}
