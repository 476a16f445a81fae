#include "dialogs/app_title.h"

#include <wx/app.h>

wxString ApplicationTitle() {
  return wxTheApp ? wxTheApp->GetAppDisplayName() : wxString();
}
