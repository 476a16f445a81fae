// fiscal-service: the service program for fiscal printers.
#include <cstdio>
#include <string>
#include <vector>

#include "app/service_app.h"
#include "link/line_recording.h"
#include "link/settings.h"

wxIMPLEMENT_APP_NO_MAIN(ServiceApp);

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  ServiceOptions options;
  std::string error;
  if (!ParseServiceOptions(args, options, error)) {
    std::fprintf(stderr, "fiscal-service: %s\n\n%s", error.c_str(), ServiceUsage().c_str());
    return 2;
  }
  if (options.help) {
    std::fputs(ServiceUsage().c_str(), stdout);
    return 0;
  }
  for (const std::string& mapping : options.portMappings) {
    if (!PortMap::Instance().ParseAndSet(mapping)) {
      std::fprintf(stderr, "fiscal-service: bad --com \"%s\": N must be 1 to 255, PATH not empty\n",
                   mapping.c_str());
      return 2;
    }
  }
  // The recording covers the whole run; it outlives every window.
  LineRecorder recorder;
  if (!options.recordFile.empty() && !recorder.Start(options.recordFile, error)) {
    std::fprintf(stderr, "fiscal-service: --record: %s\n", error.c_str());
    return 2;
  }
  ServiceApp::PrepareEnvironment();
  auto* app = new ServiceApp;
  app->SetOptions(std::move(options));
  wxApp::SetInstance(app);
  return wxEntry(argc, argv);
}
