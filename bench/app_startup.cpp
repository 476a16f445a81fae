// The application's start: time from the process's start to the main window
// shown and painted once, and the resident memory then. Needs a display (run
// under xvfb-run); prints one line and exits.
#include <unistd.h>
#include <wx/app.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "app/main_dialog.h"
#include "app/service_app.h"

namespace {

// Seconds since this process started, from the kernel's own start time.
double SecondsSinceProcessStart() {
  std::ifstream stat("/proc/self/stat");
  std::string line;
  std::getline(stat, line);
  std::istringstream fields(line.substr(line.rfind(')') + 2));
  std::string field;
  unsigned long long startTicks = 0;
  for (int i = 3; i <= 22 && fields >> field; ++i)
    if (i == 22) startTicks = std::stoull(field);
  double uptime = 0;
  std::ifstream("/proc/uptime") >> uptime;
  return uptime - static_cast<double>(startTicks) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

long ResidentKb() {
  std::ifstream status("/proc/self/status");
  std::string key;
  long kb = 0;
  while (status >> key) {
    if (key == "VmRSS:") {
      status >> kb;
      break;
    }
    std::getline(status, key);
  }
  return kb;
}

// The mappings holding most of the resident memory, largest first.
void PrintLargestMappings(int count) {
  std::ifstream smaps("/proc/self/smaps");
  std::string line, name;
  std::map<std::string, long> byName;
  while (std::getline(smaps, line)) {
    if (line.empty()) continue;
    if (std::isxdigit(static_cast<unsigned char>(line[0])) && line.find('-') < 16) {
      const auto slash = line.find('/');
      const auto bracket = line.find('[');
      name = slash != std::string::npos     ? line.substr(slash)
             : bracket != std::string::npos ? line.substr(bracket)
                                            : "[anonymous]";
    } else if (line.rfind("Rss:", 0) == 0) {
      byName[name] += std::stol(line.substr(4));
    }
  }
  std::vector<std::pair<long, std::string>> sorted;
  for (const auto& [n, kb] : byName) sorted.emplace_back(kb, n);
  std::sort(sorted.rbegin(), sorted.rend());
  for (int i = 0; i < count && i < static_cast<int>(sorted.size()); ++i)
    std::printf("  %7.1f MB  %s\n", sorted[i].first / 1024.0, sorted[i].second.c_str());
}

class StartupApp : public ServiceApp {
 public:
  bool OnInit() override {
    if (!ServiceApp::OnInit()) return false;
    wxWindow* main = GetTopWindow();
    // The first moment the event loop is idle with the window on screen: it
    // has been shown and painted.
    Bind(wxEVT_IDLE, [this, main](wxIdleEvent& e) {
      e.Skip();
      if (measured_ || !main->IsShownOnScreen()) return;
      measured_ = true;
      std::printf("application start: main window shown after %.0f ms, resident memory %.1f MB\n",
                  SecondsSinceProcessStart() * 1000.0, ResidentKb() / 1024.0);
      std::printf("figure: application start to main window | %.0f ms | <= 300 ms\n",
                  SecondsSinceProcessStart() * 1000.0);
      std::printf("figure: application resident memory | %.1f MB | <= 40 MB\n",
                  ResidentKb() / 1024.0);
      if (wxGetenv("FS_STARTUP_DETAIL")) PrintLargestMappings(12);
      std::fflush(stdout);
      main->Close(true);
    });
    return true;
  }

 private:
  bool measured_ = false;
};

}  // namespace

int main(int argc, char** argv) {
  ServiceApp::PrepareEnvironment();
  wxApp::SetInstance(new StartupApp);
  return wxEntry(argc, argv);
}
