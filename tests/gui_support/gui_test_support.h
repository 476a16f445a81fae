#pragma once

#include <wx/dialog.h>
#include <wx/toplevel.h>
#include <wx/window.h>

#include <functional>
#include <string>

// Helpers for driving real windows in tests. Linking this support starts the
// toolkit once for the test program (gui_environment.cpp; run it under Xvfb).

// Sends the event that a click on button `id` of `parent` sends.
void Click(wxWindow* parent, int id);
// Sets check box or toggle button `id` and sends its change event.
void SetChecked(wxWindow* parent, int id, bool on);
// Selects item `index` of the choice `id` and sends its change event.
void Select(wxWindow* parent, int id, int index);
// Sets the text of edit `id` (no validation, as a program would).
void SetText(wxWindow* parent, int id, const std::string& utf8);
std::string TextOf(wxWindow* parent, int id);
bool IsChecked(wxWindow* parent, int id);

// Typing as the toolkit delivers a person's key presses to `target`: one
// character event per key. TypeKeys sends each character of `utf8`; PressCtrl
// sends Ctrl with a letter (as its control code, Ctrl held); PressKey sends a
// key without a character of its own (WXK_RETURN, WXK_BACK).
void TypeKeys(wxWindow* target, const std::string& utf8);
void PressCtrl(wxWindow* target, char letter);
void PressKey(wxWindow* target, int keyCode);
// The focus arriving at `target` / leaving it, as a click or Tab brings it.
void GiveFocus(wxWindow* target);
void TakeFocus(wxWindow* target);

// The top-level window of type `Dialog` that is running modally, or null.
template <class Dialog>
Dialog* ModalDialog() {
  for (wxWindow* w : wxTopLevelWindows) {
    if (auto* d = dynamic_cast<Dialog*>(w); d && d->IsModal()) return d;
  }
  return nullptr;
}

// Runs everything queued for later (posted actions, CallAfter).
void ProcessPending();

// Runs `dialog` modally; `script` runs once the modal loop is up (it should
// end the dialog, e.g. by clicking its exit button). Returns the modal result.
int RunModal(wxDialog& dialog, std::function<void()> script);
