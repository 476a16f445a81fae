#include "dialogs/program_icon.h"

#include <wx/dcmemory.h>
#include <wx/icon.h>
#include <wx/image.h>

#include <algorithm>

wxBitmap ProgramIconBitmap(int size) {
  // Drawn on a key colour that then becomes transparent.
  const wxColour key(255, 0, 255);
  wxBitmap bitmap(size, size, 24);
  {
    wxMemoryDC dc(bitmap);
    dc.SetBackground(wxBrush(key));
    dc.Clear();
    const double u = size / 32.0;
    auto px = [u](double v) { return static_cast<int>(v * u + 0.5); };
    // Paper coming out of the top.
    dc.SetPen(wxPen(wxColour(90, 90, 90), 1));
    dc.SetBrush(*wxWHITE_BRUSH);
    dc.DrawRectangle(px(9), px(1), px(14), px(14));
    dc.SetPen(wxPen(wxColour(60, 60, 160), 1));
    for (int line = 0; line < 3; ++line) {
      dc.DrawLine(px(11), px(4 + 3 * line), px(21), px(4 + 3 * line));
    }
    // The body.
    dc.SetPen(wxPen(wxColour(40, 40, 40), 1));
    dc.SetBrush(wxBrush(wxColour(70, 110, 170)));
    dc.DrawRoundedRectangle(px(2), px(13), px(28), px(15), px(3));
    dc.SetBrush(wxBrush(wxColour(30, 30, 30)));
    dc.DrawRectangle(px(7), px(16), px(18), px(3));
    // The fiscal mark: a green lamp.
    dc.SetBrush(wxBrush(wxColour(60, 200, 60)));
    dc.DrawCircle(px(25), px(24), std::max(1, px(2)));
    dc.SelectObject(wxNullBitmap);
  }
  wxImage image = bitmap.ConvertToImage();
  image.SetMaskColour(key.Red(), key.Green(), key.Blue());
  return wxBitmap(image);
}

wxIconBundle ProgramIcons() {
  wxIconBundle icons;
  for (int size : {16, 32, 48}) {
    wxIcon icon;
    icon.CopyFromBitmap(ProgramIconBitmap(size));
    icons.AddIcon(icon);
  }
  return icons;
}
