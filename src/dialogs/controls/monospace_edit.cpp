#include "dialogs/controls/monospace_edit.h"

#include <wx/sizer.h>

wxFont MonospaceFont() {
  // A pixel size of 17 gives lines 17 pixels high with this face.
  return wxFont(wxFontInfo(wxSize(0, 17)).Family(wxFONTFAMILY_TELETYPE).FaceName("Courier New"));
}

MonospaceEdit::MonospaceEdit(wxWindow* parent, wxWindowID id, const wxString& text,
                             const wxPoint& pos, const wxSize& size, long style)
    : wxTextCtrl(parent, id, text, pos, size, style) {}

void MonospaceEdit::SetMaxLength(unsigned long len) {
  maxLength_ = len;
  wxTextCtrl::SetMaxLength(len);
}

MonospaceEdit* CreateMonospaceEdit(wxTextCtrl* edit, int alignment, bool readOnly) {
  wxWindow* parent = edit->GetParent();
  long style = wxBORDER_SUNKEN | wxTE_NOHIDESEL;
  if (alignment == 1)
    style |= wxTE_CENTRE;
  else if (alignment == 2)
    style |= wxTE_RIGHT;
  else
    style |= wxTE_LEFT;

  auto* created = new MonospaceEdit(parent, edit->GetId(), wxEmptyString, edit->GetPosition(),
                                    edit->GetSize(), style);
  created->SetFont(MonospaceFont());
  if (auto* old = dynamic_cast<MonospaceEdit*>(edit); old && old->MaxLength() > 0) {
    created->SetMaxLength(old->MaxLength());
  }
  created->ChangeValue(edit->GetValue());
  created->SetEditable(!readOnly);
  created->Show(edit->IsShown());
  created->Enable(edit->IsThisEnabled());
  created->MoveAfterInTabOrder(edit);
  if (wxSizer* sizer = edit->GetContainingSizer()) {
    sizer->Replace(edit, created);
    // Keep the rectangle the sizer gave the old control.
    created->SetMinSize(edit->GetMinSize());
  }
  edit->Destroy();
  created->Refresh();
  created->Update();
  return created;
}

void SetTextRedraw(wxTextCtrl* edit, const wxString& text) {
  edit->SetValue(text);
  edit->Refresh(true);
  edit->Update();
}
