#include "app/service_app.h"

#include <clocale>
#include <cstdio>
#include <cstdlib>

#include <algorithm>
#include <chrono>

#include <wx/apptrait.h>
#include <wx/display.h>
#include <wx/log.h>
#include <wx/msgdlg.h>
#include <wx/stdpaths.h>

#include "app/display_hold.h"

#include "app/main_dialog.h"
#include "app/menu_routes.h"
#include "app/paper_window.h"
#include "app/simulator_process.h"
#include "link/settings.h"

namespace {

#ifdef __WXGTK__
// How long the start waits for an X server that drops connections while it
// resets (milliseconds on an idle machine; a loaded one may take longer).
constexpr std::chrono::milliseconds kDisplayPatience{5000};
#endif

// The toolkit's messages before any window can show them: one line each on
// standard error, under the program's name.
class StartupLog : public wxLog {
 protected:
  void DoLogRecord(wxLogLevel level, const wxString& text, const wxLogRecordInfo&) override {
    if (level > wxLOG_Message) return;  // the debugging chatter stays quiet
    std::fprintf(stderr, "fiscal-service: %s\n", text.utf8_str().data());
  }
};

}  // namespace

ServiceApp::ServiceApp() = default;
ServiceApp::~ServiceApp() = default;

void ServiceApp::PrepareEnvironment() {
#ifdef __WXGTK__
  setenv("GDK_GL", "disable", 0);
#endif
}

bool ServiceApp::Initialize(int& argc, wxChar** argv) {
  delete wxLog::SetActiveTarget(new StartupLog);
#ifdef __WXGTK__
  DisplayHold hold;
  if (ToolkitUsesX11(std::getenv("DISPLAY"), std::getenv("WAYLAND_DISPLAY"),
                     std::getenv("GDK_BACKEND"))) {
    hold = DisplayHold::Connect(std::getenv("DISPLAY"), kDisplayPatience);
    // Without it the toolkit tries once more and reports its own failure.
    if (!hold.Held()) std::fprintf(stderr, "fiscal-service: %s\n", hold.Error().c_str());
  }
#endif
  return wxApp::Initialize(argc, argv);
}

bool ServiceApp::OnInit() {
  // From here on, the toolkit's messages appear in its own message boxes.
  delete wxLog::SetActiveTarget(GetTraits()->CreateLogTarget());
  // The toolkit adopts the desktop's locale; amounts go to the printer with a
  // decimal point whatever the desktop's language writes.
  std::setlocale(LC_NUMERIC, "C");
  // The platform's own default: the program's file name.
  SetAppDisplayName(GetAppName());
  RegisterDialogHooks();

  if (options_.simulator && !StartSimulator()) return false;

  auto* main = new MainDialog();
  SetTopWindow(main);
  main->Bind(wxEVT_CLOSE_WINDOW, [this](wxCloseEvent& event) {
    if (paper_) {
      paper_->Destroy();
      paper_ = nullptr;
    }
    event.Skip();
  });
  main->Show();
  if (simulator_) {
    SimulatorProcess* sim = simulator_.get();
    if (options_.paperFile.empty()) {
      paper_ = new PaperWindow(main, [sim] { return sim->ReadOutput(); });
    } else {
      paper_ = new PaperWindow(main, options_.paperFile);
    }
    // The two windows side by side in the middle of the screen.
    const wxRect area = wxDisplay(0u).GetClientArea();
    const wxSize m = main->GetSize();
    const wxSize p = paper_->GetSize();
    const int x = area.x + std::max(0, (area.width - m.x - 12 - p.x) / 2);
    const int y = area.y + std::max(0, (area.height - p.y) / 3);
    main->Move(x, y);
    paper_->Move(x + m.x + 12, y);
    paper_->Show();
    main->Raise();
  }
  return true;
}

bool ServiceApp::StartSimulator() {
  const std::string program =
      FindSimulator(wxStandardPaths::Get().GetExecutablePath().utf8_string());
  std::vector<std::string> args;
  if (!options_.paperFile.empty()) {
    args.push_back("--paper");
    args.push_back(options_.paperFile);
  }
  simulator_ = std::make_unique<SimulatorProcess>();
  std::string error;
  if (!simulator_->Start(program, args, 10000, error)) {
    simulator_.reset();
    std::fprintf(stderr, "fiscal-service: %s\n", error.c_str());
    wxMessageBox(wxString::FromUTF8("Симулираният принтер не може да бъде стартиран:\n") +
                     wxString::FromUTF8(error),
                 wxString::FromUTF8("Грешка"), wxOK | wxICON_ERROR);
    return false;
  }
  PortMap::Instance().Set(1, simulator_->DevicePath());
  return true;
}

int ServiceApp::OnExit() {
  if (simulator_) simulator_->Stop();
  return wxApp::OnExit();
}
