#pragma once

#include <wx/button.h>
#include <wx/choice.h>
#include <wx/sizer.h>
#include <wx/statbox.h>
#include <wx/stattext.h>

#include <initializer_list>

// Sizer helpers that every dialog builds its window from, so that a dialog's
// construction reads as a table of its controls. Captions are UTF-8 (the
// system's own texts); sizes follow the fonts, nothing is placed by pixels.
//
// A frame with a labelled grid and a row of buttons:
//
//   using namespace layout;
//   wxStaticBoxSizer* frame = Frame(this, "Плащане");
//   wxWindow* box = frame->GetStaticBox();  // the controls' parent
//   wxFlexGridSizer* grid = Grid(3);        // caption | control | unit
//   LabelledRow(grid, box, "Сума:", amount, "лв.");
//   frame->Add(grid, 0, wxALL, kGap);
//   frame->Add(ButtonRow(box, {{kIdPay, "Плащане"}, {kIdVoid, "Войд"}}), 0, wxALL, kGap);
namespace layout {

// The space between neighbouring controls, in pixels; twice this around a
// dialog's edge.
constexpr int kGap = 4;

// A framed group with `caption`; add its controls as children of
// GetStaticBox().
wxStaticBoxSizer* Frame(wxWindow* parent, const char* caption);

wxStaticText* Label(wxWindow* parent, const char* text);
wxButton* Button(wxWindow* parent, int id, const char* caption);

// A drop-down list of `items` with item `selected` chosen.
wxChoice* Choice(wxWindow* parent, int id, std::initializer_list<const char*> items, int selected);

// Windows side by side, centred vertically, kGap apart.
wxSizer* Row(std::initializer_list<wxWindow*> windows);

struct ButtonDef {
  int id;
  const char* caption;
};
// Buttons side by side, kGap apart, created in `parent`.
wxSizer* ButtonRow(wxWindow* parent, std::initializer_list<ButtonDef> buttons);

// A grid of `columns` columns with kGap between cells. Fill it with
// LabelledRow (three columns: caption, control, unit) or cell by cell.
wxFlexGridSizer* Grid(int columns);

// One row of a three-column grid: the caption, the control (a window or a
// sizer) and the unit after it (an empty cell without one).
void LabelledRow(wxFlexGridSizer* grid, wxWindow* parent, const char* caption, wxWindow* control,
                 const char* unit = nullptr);
void LabelledRow(wxFlexGridSizer* grid, wxWindow* parent, const char* caption, wxSizer* control,
                 const char* unit = nullptr);

// One row of a two-column grid: the caption and the control.
void LabelledPair(wxFlexGridSizer* grid, wxWindow* parent, const char* caption, wxWindow* control);
void LabelledPair(wxFlexGridSizer* grid, wxWindow* parent, const char* caption, wxSizer* control);

}  // namespace layout
