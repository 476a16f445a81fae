#include "app/line_monitor_window.h"

#include <wx/filedlg.h>
#include <wx/msgdlg.h>
#include <wx/panel.h>
#include <wx/sizer.h>
#include <wx/strconv.h>
#include <wx/thread.h>

namespace {

LineMonitorWindow* gOpen = nullptr;

wxString Utf8(const char* text) {
  return wxString::FromUTF8(text);
}

wxString ChooseTraceFile(wxWindow* owner) {
  wxFileDialog dialog(owner, Utf8("Запис във файл"), wxEmptyString, "line-trace.txt", "*.txt",
                      wxFD_SAVE | wxFD_OVERWRITE_PROMPT);
  return dialog.ShowModal() == wxID_OK ? dialog.GetPath() : wxString();
}

}  // namespace

LineMonitorWindow* LineMonitorWindow::Open(wxWindow* parent, size_t maxLines) {
  if (!gOpen) {
    gOpen = new LineMonitorWindow(parent, maxLines);
    gOpen->Show();
  }
  gOpen->Raise();
  return gOpen;
}

LineMonitorWindow* LineMonitorWindow::Current() {
  return gOpen;
}

LineMonitorWindow::LineMonitorWindow(wxWindow* parent, size_t maxLines)
    : wxFrame(parent, wxID_ANY, Utf8("Наблюдение на линията")),
      log_(maxLines),
      chooseFile_(ChooseTraceFile),
      messageBox_([this](const wxString& text, const wxString& caption) {
        wxMessageBox(text, caption, wxOK | wxICON_ERROR, this);
      }) {
  auto* panel = new wxPanel(this);
  text_ = new wxTextCtrl(panel, wxID_ANY, wxEmptyString, wxDefaultPosition, wxSize(820, 420),
                         wxTE_MULTILINE | wxTE_READONLY | wxTE_DONTWRAP | wxTE_RICH2);
  text_->SetFont(wxFont(wxFontInfo(9).Family(wxFONTFAMILY_TELETYPE)));
  pause_ = new wxButton(panel, kPauseButton, Utf8("Пауза"));
  auto* clear = new wxButton(panel, kClearButton, Utf8("Изчистване"));
  auto* save = new wxButton(panel, kSaveButton, Utf8("Запис във файл..."));
  auto* close = new wxButton(panel, wxID_CLOSE, Utf8("Затваряне"));
  held_ = new wxStaticText(panel, wxID_ANY, wxEmptyString);

  auto* buttons = new wxBoxSizer(wxHORIZONTAL);
  buttons->Add(pause_, 0, wxRIGHT, 6);
  buttons->Add(clear, 0, wxRIGHT, 6);
  buttons->Add(save, 0, wxRIGHT, 12);
  buttons->Add(held_, 1, wxALIGN_CENTRE_VERTICAL);
  buttons->Add(close, 0);
  auto* all = new wxBoxSizer(wxVERTICAL);
  all->Add(text_, 1, wxEXPAND | wxALL, 8);
  all->Add(buttons, 0, wxEXPAND | wxLEFT | wxRIGHT | wxBOTTOM, 8);
  panel->SetSizer(all);
  auto* frameSizer = new wxBoxSizer(wxVERTICAL);
  frameSizer->Add(panel, 1, wxEXPAND);
  SetSizerAndFit(frameSizer);

  pause_->Bind(wxEVT_BUTTON, &LineMonitorWindow::OnPause, this);
  clear->Bind(wxEVT_BUTTON, &LineMonitorWindow::OnClear, this);
  save->Bind(wxEVT_BUTTON, &LineMonitorWindow::OnSave, this);
  close->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { Close(); });
  Bind(wxEVT_CLOSE_WINDOW, [this](wxCloseEvent&) { Destroy(); });

  hook_ = std::make_unique<ScopedSerialTrace>(
      [this](int, bool sent, const std::string& bytes) { OnBytes(sent, bytes); });
}

LineMonitorWindow::~LineMonitorWindow() {
  hook_.reset();  // the port is no longer watched
  if (gOpen == this) gOpen = nullptr;
}

bool LineMonitorWindow::Destroy() {
  hook_.reset();
  if (gOpen == this) gOpen = nullptr;
  return wxFrame::Destroy();
}

void LineMonitorWindow::OnBytes(bool sent, const std::string& bytes) {
  // The program talks to the printer on the interface thread only; anything
  // else is not this window's to touch.
  if (!wxIsMainThread()) return;
  if (log_.Add(sent, bytes, std::chrono::system_clock::now())) {
    ShowNewLines();
  } else {
    UpdateHeld();
  }
}

void LineMonitorWindow::ShowNewLines() {
  const auto lines = log_.TakeNewLines();
  const size_t dropped = log_.TakeTrimmedChars();
  if (dropped >= static_cast<size_t>(text_->GetLastPosition())) {
    // Everything shown went (or the control holds less than the log thinks).
    text_->ChangeValue(wxString::FromUTF8(log_.Text()));
  } else {
    if (dropped > 0) text_->Remove(0, static_cast<long>(dropped));
    wxString more;
    for (const auto& l : lines) more += wxString::FromUTF8(l) + "\n";
    text_->AppendText(more);
  }
  // Port operations block the interface, so the lines are painted here; at
  // most every 50 ms, as a report download reads thousands of single bytes.
  const auto now = std::chrono::steady_clock::now();
  if (now - lastPaint_ >= std::chrono::milliseconds(50)) {
    text_->Update();
    lastPaint_ = now;
  }
}

void LineMonitorWindow::UpdateHeld() {
  held_->SetLabel(log_.Paused() ? wxString::Format(Utf8("Задържани редове: %zu"), log_.HeldBack())
                                : wxString());
}

void LineMonitorWindow::OnPause(wxCommandEvent&) {
  log_.SetPaused(!log_.Paused());
  pause_->SetLabel(Utf8(log_.Paused() ? "Продължи" : "Пауза"));
  if (!log_.Paused()) ShowNewLines();
  UpdateHeld();
}

void LineMonitorWindow::OnClear(wxCommandEvent&) {
  log_.Clear();
  text_->Clear();
  UpdateHeld();
}

void LineMonitorWindow::OnSave(wxCommandEvent&) {
  const wxString path = chooseFile_ ? chooseFile_(this) : wxString();
  if (path.empty()) return;
  std::string error;
  if (!log_.SaveTo(path.utf8_string(), error))
    messageBox_(Utf8("Грешка при създаване на файла:\n") + wxString::FromUTF8(error),
                Utf8("Грешка"));
}
