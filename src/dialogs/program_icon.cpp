#include "dialogs/program_icon.h"

#include <wx/dcmemory.h>
#include <wx/icon.h>
#include <wx/image.h>

#include <algorithm>

namespace {

// The picture on a plain ground of colour `ground`.
wxImage DrawOn(int size, const wxColour& ground) {
  wxBitmap bitmap(size, size, 24);
  {
    wxMemoryDC dc(bitmap);
    dc.SetBackground(wxBrush(ground));
    dc.Clear();
    const double u = size / 32.0;
    auto px = [u](double v) { return static_cast<int>(v * u + 0.5); };
    // Outlines grow with the picture, so that large sizes do not look faint.
    const int pen = std::max(1, size / 32);
    // Paper coming out of the top.
    dc.SetPen(wxPen(wxColour(90, 90, 90), pen));
    dc.SetBrush(*wxWHITE_BRUSH);
    dc.DrawRectangle(px(9), px(1), px(14), px(14));
    dc.SetPen(wxPen(wxColour(60, 60, 160), pen));
    for (int line = 0; line < 3; ++line) {
      dc.DrawLine(px(11), px(4 + 3 * line), px(21), px(4 + 3 * line));
    }
    // The body.
    dc.SetPen(wxPen(wxColour(40, 40, 40), pen));
    dc.SetBrush(wxBrush(wxColour(70, 110, 170)));
    dc.DrawRoundedRectangle(px(2), px(13), px(28), px(15), px(3));
    dc.SetBrush(wxBrush(wxColour(30, 30, 30)));
    dc.DrawRectangle(px(7), px(16), px(18), px(3));
    // The fiscal mark: a green lamp.
    dc.SetBrush(wxBrush(wxColour(60, 200, 60)));
    dc.DrawCircle(px(25), px(24), std::max(1, px(2)));
    dc.SelectObject(wxNullBitmap);
  }
  return bitmap.ConvertToImage();
}

}  // namespace

wxBitmap ProgramIconBitmap(int size) {
  // Drawn once on black and once on white: where the two differ the ground
  // shows through, which gives every pixel its opacity, smoothed edges
  // included (a key colour would leave a coloured fringe around them).
  const wxImage onBlack = DrawOn(size, *wxBLACK);
  const wxImage onWhite = DrawOn(size, *wxWHITE);
  wxImage image(size, size);
  image.InitAlpha();
  for (int y = 0; y < size; ++y) {
    for (int x = 0; x < size; ++x) {
      const int spread = std::max({onWhite.GetRed(x, y) - onBlack.GetRed(x, y),
                                   onWhite.GetGreen(x, y) - onBlack.GetGreen(x, y),
                                   onWhite.GetBlue(x, y) - onBlack.GetBlue(x, y)});
      const int alpha = std::clamp(255 - spread, 0, 255);
      auto unblend = [alpha](int c) { return alpha ? std::min(255, c * 255 / alpha) : 0; };
      image.SetRGB(x, y, unblend(onBlack.GetRed(x, y)), unblend(onBlack.GetGreen(x, y)),
                   unblend(onBlack.GetBlue(x, y)));
      image.SetAlpha(x, y, static_cast<unsigned char>(alpha));
    }
  }
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
