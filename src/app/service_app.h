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

  bool OnInit() override;
  int OnExit() override;

 private:
  bool StartSimulator();

  ServiceOptions options_;
  std::unique_ptr<SimulatorProcess> simulator_;
  PaperWindow* paper_ = nullptr;
};

wxDECLARE_APP(ServiceApp);
