#pragma once

#include <chrono>
#include <functional>
#include <memory>

#include <wx/button.h>
#include <wx/frame.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include "app/line_monitor_log.h"
#include "link/serial_trace.h"

// "Наблюдение на линията": every byte the program sends to the printer and
// reads from it, as it happens, one line per write or read (time, direction,
// hexadecimal, printable text, the protocol piece it is). Modeless; at most one
// is open. It watches the line only while it is open: closing it removes its
// observer, so a closed monitor costs the port nothing.
//
// "Пауза" holds new lines back (shown on "Продължи"), "Изчистване" empties it,
// "Запис във файл..." saves the lines shown as text.
class LineMonitorWindow : public wxFrame {
 public:
  static constexpr int kPauseButton = 1901;
  static constexpr int kClearButton = 1902;
  static constexpr int kSaveButton = 1903;

  // Opens the monitor, or brings the open one to the front. `parent` (may be
  // null) is the main window; the monitor closes with it. It keeps the newest
  // `maxLines` lines.
  static LineMonitorWindow* Open(wxWindow* parent, size_t maxLines = 20000);
  // The open monitor, or null.
  static LineMonitorWindow* Current();

  ~LineMonitorWindow() override;
  // Stops watching at once (the window itself goes when the toolkit is idle).
  bool Destroy() override;

  const LineMonitorLog& Log() const { return log_; }
  wxString ShownText() const { return text_->GetValue(); }
  // The save dialog; returns the chosen path or "" when cancelled (tests
  // replace it).
  void SetChooseFile(std::function<wxString(wxWindow*)> f) { chooseFile_ = std::move(f); }
  // The message box for a file that cannot be written (tests replace it).
  void SetMessageBox(std::function<void(const wxString& text, const wxString& caption)> f) {
    messageBox_ = std::move(f);
  }

 private:
  LineMonitorWindow(wxWindow* parent, size_t maxLines);
  void OnBytes(bool sent, const std::string& bytes);
  void ShowNewLines();
  void OnPause(wxCommandEvent&);
  void OnClear(wxCommandEvent&);
  void OnSave(wxCommandEvent&);
  void UpdateHeld();

  LineMonitorLog log_;
  wxTextCtrl* text_ = nullptr;
  wxButton* pause_ = nullptr;
  wxStaticText* held_ = nullptr;
  std::function<wxString(wxWindow*)> chooseFile_;
  std::function<void(const wxString&, const wxString&)> messageBox_;
  std::unique_ptr<ScopedSerialTrace> hook_;
  std::chrono::steady_clock::time_point lastPaint_{};
};
