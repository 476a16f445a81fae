#include "app/paper_window.h"

#include <algorithm>

#include <wx/display.h>
#include <wx/sizer.h>

#include "dialogs/controls/monospace_edit.h"
#include "dialogs/program_icon.h"

std::string TakeCompleteUtf8(std::string& partial, const std::string& bytes) {
  std::string all = partial + bytes;
  partial.clear();
  // Look back at most three bytes for the start of an unfinished sequence.
  size_t cut = all.size();
  for (size_t back = 1; back <= 3 && back <= all.size(); ++back) {
    const auto c = static_cast<unsigned char>(all[all.size() - back]);
    if ((c & 0xC0) == 0x80) continue;  // a continuation byte: keep looking
    size_t need = 1;
    if ((c & 0xE0) == 0xC0)
      need = 2;
    else if ((c & 0xF0) == 0xE0)
      need = 3;
    else if ((c & 0xF8) == 0xF0)
      need = 4;
    if (need > back) cut = all.size() - back;
    break;
  }
  partial = all.substr(cut);
  all.resize(cut);
  return all;
}

PaperWindow::PaperWindow(wxWindow* placeBeside, std::function<std::string()> source)
    : wxFrame(nullptr, wxID_ANY, wxString::FromUTF8("Лента на симулирания принтер")),
      source_(std::move(source)) {
  Build(placeBeside);
}

PaperWindow::PaperWindow(wxWindow* placeBeside, const std::string& path)
    : wxFrame(nullptr, wxID_ANY, wxString::FromUTF8("Лента на симулирания принтер")), path_(path) {
  // A roll file that goes back to earlier runs: only this run's paper is shown.
  if (std::FILE* f = std::fopen(path_.c_str(), "rb")) {
    if (std::fseek(f, 0, SEEK_END) == 0) offset_ = std::max(0L, std::ftell(f));
    std::fclose(f);
  }
  Build(placeBeside);
}

PaperWindow::~PaperWindow() {
  timer_.Stop();
}

void PaperWindow::Build(wxWindow* placeBeside) {
  SetIcons(ProgramIcons());
  text_ = new wxTextCtrl(this, wxID_ANY, wxEmptyString, wxDefaultPosition, wxDefaultSize,
                         wxTE_MULTILINE | wxTE_READONLY | wxTE_DONTWRAP);
  text_->SetFont(MonospaceFont());
  int charW = 0;
  int charH = 0;
  text_->GetTextExtent("M", &charW, &charH);
  auto* sizer = new wxBoxSizer(wxVERTICAL);
  sizer->Add(text_, 1, wxEXPAND);
  SetSizer(sizer);
  // A roll 42 characters wide, with room for the scroll bar.
  SetClientSize(charW * 42 + 40, charH * 32);
  if (placeBeside) {
    // Beside the window, kept on its screen.
    const wxRect r = placeBeside->GetScreenRect();
    const int display = wxDisplay::GetFromWindow(placeBeside);
    const wxRect area =
        wxDisplay(display == wxNOT_FOUND ? 0u : static_cast<unsigned>(display)).GetClientArea();
    const wxSize size = GetSize();
    const int x = std::max(area.x, std::min(r.GetRight() + 12, area.GetRight() - size.x));
    const int y = std::max(area.y, std::min(r.GetTop(), area.GetBottom() - size.y));
    SetPosition(wxPoint(x, y));
  }
  Bind(wxEVT_CLOSE_WINDOW, [this](wxCloseEvent& event) {
    if (event.CanVeto()) {
      Hide();
      event.Veto();
    } else {
      event.Skip();
    }
  });
  timer_.Bind(wxEVT_TIMER, [this](wxTimerEvent&) { Poll(); });
  timer_.Start(250);
}

std::string PaperWindow::ReadFile() {
  std::FILE* f = std::fopen(path_.c_str(), "rb");
  if (!f) return std::string();
  std::string out;
  if (std::fseek(f, 0, SEEK_END) == 0) {
    const long size = std::ftell(f);
    if (size < offset_) offset_ = 0;  // the file was started afresh
    if (size > offset_ && std::fseek(f, offset_, SEEK_SET) == 0) {
      out.resize(static_cast<size_t>(size - offset_));
      out.resize(std::fread(out.data(), 1, out.size(), f));
      offset_ += static_cast<long>(out.size());
    }
  }
  std::fclose(f);
  return out;
}

void PaperWindow::Poll() {
  const std::string bytes = source_ ? source_() : ReadFile();
  if (!bytes.empty()) Append(bytes);
}

void PaperWindow::Append(const std::string& bytes) {
  const std::string complete = TakeCompleteUtf8(partial_, bytes);
  if (complete.empty()) return;
  text_->AppendText(wxString::FromUTF8(complete.data(), complete.size()));
}
