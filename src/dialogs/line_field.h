#pragma once

#include <wx/window.h>

// The size of an edit in the fixed-pitch font of printer lines that shows
// `chars` characters whole, with room for its border and inner margins.
wxSize LineFieldSize(wxWindow* parent, int chars);
