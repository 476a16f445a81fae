#pragma once

#include <functional>
#include <memory>

#include <wx/filedlg.h>
#include <wx/string.h>
#include <wx/window.h>

// The file "Във Файл" writes the fiscal-memory report stream into.

// The save dialog as it opens: a Bulgarian title, no file name, the text-file
// filter, and a question before an existing file is replaced.
std::unique_ptr<wxFileDialog> NewReportFileDialog(wxWindow* owner);

// `chosen` with ".txt" added when its name has no extension ("отчет" and
// "отчет." both become "отчет.txt"); "" stays "".
wxString WithTextExtension(const wxString& chosen);

// What the dialog's answer `chosen` becomes: the path to write, or "" when the
// dialog must be shown again: the name holds a wildcard (`refuse` gets the
// message to show), or ".txt" was added and names an existing file whose
// replacement `confirmOverwrite` (given that path) declined. The dialog itself
// asked only about the name as typed.
wxString ReportFileFor(const wxString& chosen,
                       const std::function<bool(const wxString& path)>& confirmOverwrite,
                       const std::function<void(const wxString& message)>& refuse);

// The whole choice with the real dialogs, owned by `owner`: "" when cancelled.
wxString ChooseReportFile(wxWindow* owner);
