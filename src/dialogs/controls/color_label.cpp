#include "dialogs/controls/color_label.h"

ColorLabel::ColorLabel(wxWindow* parent, wxWindowID id, const wxString& label, const wxPoint& pos,
                       const wxSize& size, long style)
    : wxStaticText(parent, id, label, pos, size, style) {
  SetForegroundColour(colour_);
}

void ColorLabel::SetLabelColor(const wxColour& colour) {
  colour_ = colour;
  SetForegroundColour(colour_);
  Refresh(true);
}
