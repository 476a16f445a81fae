#include "dialogs/layout.h"

#include "dialogs/ui_text.h"

namespace layout {

namespace {

template <typename Control>
void AddRow(wxFlexGridSizer* grid, wxWindow* parent, const char* caption, Control* control,
            const char* unit, bool unitColumn) {
  grid->Add(Label(parent, caption), 0, wxALIGN_CENTER_VERTICAL);
  grid->Add(control);
  if (!unitColumn) return;
  if (unit)
    grid->Add(Label(parent, unit), 0, wxALIGN_CENTER_VERTICAL);
  else
    grid->AddSpacer(0);
}

}  // namespace

wxStaticBoxSizer* Frame(wxWindow* parent, const char* caption) {
  return new wxStaticBoxSizer(wxVERTICAL, parent, FromUtf8(caption));
}

wxStaticText* Label(wxWindow* parent, const char* text) {
  return new wxStaticText(parent, wxID_ANY, FromUtf8(text));
}

wxButton* Button(wxWindow* parent, int id, const char* caption) {
  return new wxButton(parent, id, FromUtf8(caption));
}

wxChoice* Choice(wxWindow* parent, int id, std::initializer_list<const char*> items, int selected) {
  auto* choice = new wxChoice(parent, id);
  for (const char* item : items) choice->Append(FromUtf8(item));
  choice->SetSelection(selected);
  return choice;
}

wxSizer* Row(std::initializer_list<wxWindow*> windows) {
  auto* row = new wxBoxSizer(wxHORIZONTAL);
  bool first = true;
  for (wxWindow* w : windows) {
    row->Add(w, 0, wxALIGN_CENTER_VERTICAL | (first ? 0 : wxLEFT), kGap);
    first = false;
  }
  return row;
}

wxSizer* ButtonRow(wxWindow* parent, std::initializer_list<ButtonDef> buttons) {
  auto* row = new wxBoxSizer(wxHORIZONTAL);
  bool first = true;
  for (const ButtonDef& b : buttons) {
    row->Add(Button(parent, b.id, b.caption), 0, wxALIGN_CENTER_VERTICAL | (first ? 0 : wxLEFT),
             kGap);
    first = false;
  }
  return row;
}

wxFlexGridSizer* Grid(int columns) {
  return new wxFlexGridSizer(columns, kGap, kGap);
}

void LabelledRow(wxFlexGridSizer* grid, wxWindow* parent, const char* caption, wxWindow* control,
                 const char* unit) {
  AddRow(grid, parent, caption, control, unit, true);
}

void LabelledRow(wxFlexGridSizer* grid, wxWindow* parent, const char* caption, wxSizer* control,
                 const char* unit) {
  AddRow(grid, parent, caption, control, unit, true);
}

void LabelledPair(wxFlexGridSizer* grid, wxWindow* parent, const char* caption, wxWindow* control) {
  AddRow(grid, parent, caption, control, nullptr, false);
}

void LabelledPair(wxFlexGridSizer* grid, wxWindow* parent, const char* caption, wxSizer* control) {
  AddRow(grid, parent, caption, control, nullptr, false);
}

}  // namespace layout
