#pragma once

#include <wx/dialog.h>

// The About box: the program's icon, its name and version, a line on what it
// is, and OK.
class AboutDialog : public wxDialog {
 public:
  explicit AboutDialog(wxWindow* parent);
};

// The name and version line shown in the About box.
const char* ProgramNameAndVersion();
