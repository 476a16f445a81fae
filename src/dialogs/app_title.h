#pragma once

#include <wx/string.h>

// The application's display name: the caption of a dialog's own message when
// the message has no caption of its own. Empty before the application object
// exists (tests that run without one).
//
// Kept apart from the dialogs because the toolkit's application header brings
// in the Windows headers, whose macros rename members such as OpenPrinter.
wxString ApplicationTitle();
