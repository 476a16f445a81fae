#pragma once

#include <wx/string.h>
#include <wx/timer.h>

class wxPopupWindow;
class wxStaticText;
class wxWindow;

// How a field refuses what the user typed: the bell, and for a few seconds a
// small note under the field naming what the field takes. The note
// takes no focus, so the field keeps the caret and its leaving-the-field rules
// do not run; it goes away by itself, at the next accepted edit (Hide) and when
// the field loses focus.
//
// Owned by the field it serves, as a member; the note window is a child of
// that field and goes with it. UI thread only.
class RefusalHint {
 public:
  explicit RefusalHint(wxWindow* field);
  ~RefusalHint();
  RefusalHint(const RefusalHint&) = delete;
  RefusalHint& operator=(const RefusalHint&) = delete;

  void Show(const wxString& text);
  void Hide();
  // The note's text while it is shown, "" otherwise.
  wxString Shown() const;
  // How many refusals there have been (each rang the bell).
  int Count() const { return count_; }

 private:
  class Timer : public wxTimer {
   public:
    explicit Timer(RefusalHint* hint) : hint_(hint) {}
    void Notify() override { hint_->Hide(); }

   private:
    RefusalHint* hint_;
  };

  wxWindow* field_;
  wxPopupWindow* popup_ = nullptr;
  wxStaticText* label_ = nullptr;
  Timer timer_{this};
  int count_ = 0;
};
