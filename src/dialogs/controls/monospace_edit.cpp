#include "dialogs/controls/monospace_edit.h"

#include <wx/sizer.h>

#if defined(__WXGTK__)
#include <dlfcn.h>
#elif defined(__WXMSW__)
#include <windows.h>
#endif

namespace {

// The length limit the platform's edit holds (0 = none). The toolkit keeps no
// copy of a limit set on a plain wxTextCtrl, so it is asked of the platform.
unsigned long PlatformLimit(const wxTextCtrl* edit) {
  if (edit->IsMultiLine()) return 0;
#if defined(__WXGTK__)
  // GTK is loaded with the toolkit; a single-line wxTextCtrl is a GtkEntry.
  using GetMaxLength = int (*)(void*);
  static const auto getMaxLength =
      reinterpret_cast<GetMaxLength>(dlsym(RTLD_DEFAULT, "gtk_entry_get_max_length"));
  if (!getMaxLength || !edit->GetHandle()) return 0;
  const int n = getMaxLength(edit->GetHandle());
  return n > 0 ? static_cast<unsigned long>(n) : 0;
#elif defined(__WXMSW__)
  const LRESULT n = ::SendMessageW(static_cast<HWND>(edit->GetHWND()), EM_GETLIMITTEXT, 0, 0);
  // The edit's own "as much as it can hold" is no limit.
  return n > 0 && n < 0x7FFFFFFE ? static_cast<unsigned long>(n) : 0;
#else
  return 0;
#endif
}

// The limit of `edit`: remembered by a MonospaceEdit, else the platform's.
unsigned long LimitOf(const wxTextCtrl* edit) {
  if (const auto* mono = dynamic_cast<const MonospaceEdit*>(edit)) return mono->MaxLength();
  return PlatformLimit(edit);
}

}  // namespace

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
  if (const unsigned long limit = LimitOf(edit); limit > 0) created->SetMaxLength(limit);
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
