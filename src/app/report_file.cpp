#include "app/report_file.h"

#include <wx/filename.h>
#include <wx/msgdlg.h>

namespace {

wxString Utf8(const char* text) {
  return wxString::FromUTF8(text);
}

}  // namespace

std::unique_ptr<wxFileDialog> NewReportFileDialog(wxWindow* owner) {
  // No initial name: GTK would offer "*.txt" as the name itself, and Enter
  // would write a file called that.
  return std::make_unique<wxFileDialog>(
      owner, Utf8("Запис на отчета на ФП във файл"), wxEmptyString, wxEmptyString,
      Utf8("Текстови файлове (*.txt)|*.txt"), wxFD_SAVE | wxFD_OVERWRITE_PROMPT);
}

wxString WithTextExtension(const wxString& chosen) {
  if (chosen.empty()) return chosen;
  const wxFileName name(chosen);
  if (!name.GetExt().empty()) return chosen;
  wxString path = chosen;
  while (path.EndsWith(".")) path.RemoveLast();
  return path + ".txt";
}

wxString ReportFileFor(const wxString& chosen,
                       const std::function<bool(const wxString& path)>& confirmOverwrite,
                       const std::function<void(const wxString& message)>& refuse) {
  if (chosen.empty()) return wxEmptyString;
  if (wxFileName(chosen).GetFullName().find_first_of("*?") != wxString::npos) {
    refuse(Utf8("Името на файла не може да съдържа „*“ или „?“."));
    return wxEmptyString;
  }
  const wxString path = WithTextExtension(chosen);
  if (path != chosen && wxFileName::FileExists(path) && !confirmOverwrite(path)) {
    return wxEmptyString;
  }
  return path;
}

wxString ChooseReportFile(wxWindow* owner) {
  const auto confirm = [owner](const wxString& path) {
    const wxString text = wxString::Format(
        Utf8("Файлът „%s“ вече съществува.\nДа бъде ли заменен?"), wxFileName(path).GetFullName());
    return wxMessageBox(text, Utf8("Потвърждение"), wxYES_NO | wxNO_DEFAULT | wxICON_EXCLAMATION,
                        owner) == wxYES;
  };
  const auto refuse = [owner](const wxString& message) {
    wxMessageBox(message, Utf8("Грешка"), wxOK | wxICON_ERROR, owner);
  };
  auto dialog = NewReportFileDialog(owner);
  // Shown again until a usable name is chosen or the user cancels.
  while (dialog->ShowModal() == wxID_OK) {
    const wxString path = ReportFileFor(dialog->GetPath(), confirm, refuse);
    if (!path.empty()) return path;
  }
  return wxEmptyString;
}
