#pragma once

#include <memory>

#include <wx/app.h>

#include "app/service_options.h"

class MainDialog;
class PaperWindow;
class SimulatorProcess;

// The application: applies the command line (port mappings, the simulated
// printer), opens the main window and ends when it closes, stopping the
// simulated printer it started.
class ServiceApp : public wxApp {
 public:
  ServiceApp();
  ~ServiceApp() override;

  // Set by main() before the toolkit starts.
  void SetOptions(ServiceOptions options) { options_ = std::move(options); }

  // The toolkit's start. The display is held open meanwhile (DisplayHold), and
  // whatever the toolkit reports then goes to standard error: without a display
  // it could not show a message box.
  bool Initialize(int& argc, wxChar** argv) override;
  bool OnInit() override;

  // Before the toolkit starts (before wxEntry): the program draws nothing with
  // OpenGL, so GTK is told not to load a GL driver for its visuals (on a
  // software renderer that alone is over 50 MB of resident memory). A user's
  // own GDK_GL setting is kept.
  static void PrepareEnvironment();
  int OnExit() override;

 private:
  bool StartSimulator();

  ServiceOptions options_;
  std::unique_ptr<SimulatorProcess> simulator_;
  PaperWindow* paper_ = nullptr;
};

wxDECLARE_APP(ServiceApp);
