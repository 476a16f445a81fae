#include "gui_test_support.h"

#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/checkbox.h>
#include <wx/choice.h>
#include <wx/dialog.h>
#include <wx/textctrl.h>
#include <wx/tglbtn.h>
#include <wx/timer.h>

namespace {

wxWindow* Find(wxWindow* parent, int id) {
  wxWindow* w = parent->FindWindow(id);
  EXPECT_NE(w, nullptr) << "no control " << id;
  return w;
}

}  // namespace

void Click(wxWindow* parent, int id) {
  wxWindow* w = Find(parent, id);
  if (!w) return;
  wxCommandEvent ev(wxEVT_BUTTON, id);
  ev.SetEventObject(w);
  w->GetEventHandler()->ProcessEvent(ev);
}

void SetChecked(wxWindow* parent, int id, bool on) {
  wxWindow* w = Find(parent, id);
  if (auto* box = dynamic_cast<wxCheckBox*>(w)) {
    box->SetValue(on);
    wxCommandEvent ev(wxEVT_CHECKBOX, id);
    ev.SetEventObject(box);
    ev.SetInt(on ? 1 : 0);
    box->GetEventHandler()->ProcessEvent(ev);
  } else if (auto* toggle = dynamic_cast<wxToggleButton*>(w)) {
    toggle->SetValue(on);
    wxCommandEvent ev(wxEVT_TOGGLEBUTTON, id);
    ev.SetEventObject(toggle);
    ev.SetInt(on ? 1 : 0);
    toggle->GetEventHandler()->ProcessEvent(ev);
  } else {
    ADD_FAILURE() << "control " << id << " is not a check box";
  }
}

bool IsChecked(wxWindow* parent, int id) {
  wxWindow* w = Find(parent, id);
  if (auto* box = dynamic_cast<wxCheckBox*>(w)) return box->GetValue();
  if (auto* toggle = dynamic_cast<wxToggleButton*>(w)) return toggle->GetValue();
  ADD_FAILURE() << "control " << id << " is not a check box";
  return false;
}

void Select(wxWindow* parent, int id, int index) {
  auto* choice = dynamic_cast<wxChoice*>(Find(parent, id));
  if (!choice) {
    ADD_FAILURE() << "control " << id << " is not a list";
    return;
  }
  choice->SetSelection(index);
  wxCommandEvent ev(wxEVT_CHOICE, id);
  ev.SetEventObject(choice);
  ev.SetInt(index);
  choice->GetEventHandler()->ProcessEvent(ev);
}

void SetText(wxWindow* parent, int id, const std::string& utf8) {
  auto* edit = dynamic_cast<wxTextCtrl*>(Find(parent, id));
  if (!edit) {
    ADD_FAILURE() << "control " << id << " is not an edit";
    return;
  }
  edit->ChangeValue(wxString::FromUTF8(utf8.c_str()));
}

namespace {

void SendCharEvent(wxWindow* target, int code, wxChar uni, bool control) {
  wxKeyEvent ev(wxEVT_CHAR);
  ev.m_keyCode = code;
  ev.m_uniChar = uni;
  ev.SetControlDown(control);
  ev.SetRawControlDown(control);
  ev.SetEventObject(target);
  target->GetEventHandler()->ProcessEvent(ev);
}

void SendFocusEvent(wxWindow* target, wxEventType type) {
  wxFocusEvent ev(type, target->GetId());
  ev.SetEventObject(target);
  target->GetEventHandler()->ProcessEvent(ev);
}

}  // namespace

void TypeKeys(wxWindow* target, const std::string& utf8) {
  for (const wxUniChar c : wxString::FromUTF8(utf8.c_str())) {
    const auto code = static_cast<int>(c.GetValue());
    SendCharEvent(target, code < 128 ? code : WXK_NONE, static_cast<wxChar>(c.GetValue()), false);
  }
}

void PressCtrl(wxWindow* target, char letter) {
  const int code = (letter | 0x20) - 'a' + 1;  // Ctrl+A arrives as 1
  SendCharEvent(target, code, static_cast<wxChar>(code), true);
}

void PressKey(wxWindow* target, int keyCode) {
  SendCharEvent(target, keyCode,
                keyCode < WXK_START ? static_cast<wxChar>(keyCode) : static_cast<wxChar>(WXK_NONE),
                false);
}

void GiveFocus(wxWindow* target) {
  SendFocusEvent(target, wxEVT_SET_FOCUS);
}

void TakeFocus(wxWindow* target) {
  SendFocusEvent(target, wxEVT_KILL_FOCUS);
}

std::string TextOf(wxWindow* parent, int id) {
  wxWindow* w = Find(parent, id);
  if (!w) return std::string();
  wxString text;
  if (auto* edit = dynamic_cast<wxTextCtrl*>(w))
    text = edit->GetValue();
  else
    text = w->GetLabel();
  return std::string(text.utf8_str());
}

int RunModal(wxDialog& dialog, std::function<void()> script) {
  // A script that forgets to end the dialog must not hang the run.
  wxTimer guard;
  guard.Bind(wxEVT_TIMER, [&dialog](wxTimerEvent&) {
    if (!dialog.IsModal()) return;
    ADD_FAILURE() << "the dialog was still open after its script";
    dialog.EndModal(-1);
  });
  guard.StartOnce(20000);
  dialog.CallAfter([script = std::move(script)] { script(); });
  return dialog.ShowModal();
}
