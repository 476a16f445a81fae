#pragma once

#include <cstdio>
#include <functional>
#include <string>

#include <wx/frame.h>
#include <wx/textctrl.h>
#include <wx/timer.h>

// A window that shows the simulated printer's paper roll as it grows. It polls
// its source four times a second: a function returning the new output (the
// simulator's standard output), or a file that it follows like `tail -f`.
// Closing the window only hides it; the application destroys it at exit.
class PaperWindow : public wxFrame {
 public:
  // `source` returns the bytes printed since its last call (UTF-8).
  PaperWindow(wxWindow* placeBeside, std::function<std::string()> source);
  // Follows the file `path` (which may not exist yet) from its present end.
  PaperWindow(wxWindow* placeBeside, const std::string& path);
  ~PaperWindow() override;

  // The text shown so far.
  wxString Paper() const { return text_->GetValue(); }
  // Reads the source now (the timer does this by itself).
  void Poll();

 private:
  void Build(wxWindow* placeBeside);
  std::string ReadFile();
  void Append(const std::string& bytes);

  std::function<std::string()> source_;
  std::string path_;
  long offset_ = 0;
  std::string partial_;  // an incomplete UTF-8 sequence at the end of a chunk
  wxTextCtrl* text_ = nullptr;
  wxTimer timer_;
};

// Splits `bytes` (with `partial` in front) at the end of its last complete
// UTF-8 sequence: returns the complete part and keeps the rest in `partial`.
std::string TakeCompleteUtf8(std::string& partial, const std::string& bytes);
