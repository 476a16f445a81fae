#pragma once

#include <wx/colour.h>
#include <wx/stattext.h>

// A static text whose text colour the owning dialog sets at run time (dates
// read from the printer, remaining-characters counters, marks in red). The
// background stays the parent's.
class ColorLabel : public wxStaticText {
 public:
  ColorLabel(wxWindow* parent, wxWindowID id, const wxString& label,
             const wxPoint& pos = wxDefaultPosition, const wxSize& size = wxDefaultSize,
             long style = 0);

  // Stores the colour and redraws the whole control in it.
  void SetLabelColor(const wxColour& colour);
  const wxColour& GetLabelColor() const { return colour_; }

 private:
  wxColour colour_{*wxBLACK};
};
