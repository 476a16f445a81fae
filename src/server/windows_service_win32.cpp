#include "server/windows_service.h"

#include <windows.h>
// After windows.h:
#include <sddl.h>
#include <shellapi.h>
#include <shlobj.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <memory>
#include <mutex>
#include <thread>

#include "link/utf8_file.h"
#include "server/api.h"
#include "server/http_front.h"
#include "server/server_config.h"
#include "server/service_runner.h"

namespace {

// How long --install-service and --uninstall-service wait for the service to
// reach the state they asked for, polling every kPollMs.
constexpr int kWaitSeconds = 20;
constexpr int kPollMs = 250;
// Hint to the manager for each pending state (it may check back after this long).
constexpr DWORD kPendingHintMs = 10000;
// After a failure the manager restarts the service after this long, twice;
// the count starts again after a day.
constexpr DWORD kRestartDelayMs = 5000;
constexpr DWORD kFailureResetSeconds = 24 * 60 * 60;
// The data folder: full control for the system (SY) and administrators (BA),
// inherited by its files, and nothing for anyone else.
constexpr const wchar_t* kFolderSecurity = L"D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)";

std::wstring Widen(const std::string& utf8) {
  if (utf8.empty()) return std::wstring();
  const int n =
      MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring out(static_cast<size_t>(n > 0 ? n : 0), L'\0');
  if (n > 0)
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), out.data(), n);
  return out;
}

std::string Narrow(const std::wstring& wide) {
  if (wide.empty()) return std::string();
  const int n = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr,
                                    0, nullptr, nullptr);
  std::string out(static_cast<size_t>(n > 0 ? n : 0), '\0');
  if (n > 0)
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), out.data(), n,
                        nullptr, nullptr);
  return out;
}

// The system's own words for error `code` (UTF-8, without the line end).
std::string SystemMessage(DWORD code) {
  wchar_t* text = nullptr;
  FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::string s = text ? Narrow(text) : std::string();
  if (text) LocalFree(text);
  while (!s.empty() && (s.back() == '\n' || s.back() == '\r' || s.back() == ' ')) s.pop_back();
  return s.empty() ? "error " + std::to_string(code) : s;
}

int Fail(const std::string& what, DWORD code) {
  std::fprintf(stderr, "fiscal-server: %s: %s\n", what.c_str(), SystemMessage(code).c_str());
  if (code == ERROR_ACCESS_DENIED)
    std::fprintf(stderr, "fiscal-server: run it from a command prompt opened as administrator\n");
  return 1;
}

struct ScHandleCloser {
  void operator()(SC_HANDLE h) const { CloseServiceHandle(h); }
};
using ScHandle = std::unique_ptr<std::remove_pointer_t<SC_HANDLE>, ScHandleCloser>;

// %ProgramData%\fiscal-service, or "" when the system does not say where that is.
std::wstring DataFolder() {
  wchar_t base[MAX_PATH] = {};
  if (FAILED(SHGetFolderPathW(nullptr, CSIDL_COMMON_APPDATA, nullptr, 0, base))) return L"";
  return std::wstring(base) + L"\\" + Widen(service::kFolder);
}

std::wstring ConfigPath() {
  return DataFolder() + L"\\" + Widen(service::kConfigFile);
}

std::wstring LogPath() {
  return DataFolder() + L"\\" + Widen(service::kLogFile);
}

std::wstring JournalPath() {
  return DataFolder() + L"\\" + Widen(service::kJournalFile);
}

// Creates the data folder, readable by the system and administrators only.
bool MakeDataFolder(DWORD& error) {
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(kFolderSecurity, SDDL_REVISION_1,
                                                            &descriptor, nullptr)) {
    error = GetLastError();
    return false;
  }
  SECURITY_ATTRIBUTES attributes{sizeof attributes, descriptor, FALSE};
  const bool made =
      CreateDirectoryW(DataFolder().c_str(), &attributes) || GetLastError() == ERROR_ALREADY_EXISTS;
  error = made ? 0 : GetLastError();
  LocalFree(descriptor);
  return made;
}

bool WriteFileWhole(const std::wstring& path, const std::string& text, DWORD& error) {
  HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    error = GetLastError();
    return false;
  }
  DWORD written = 0;
  const bool ok = WriteFile(h, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
                  written == text.size();
  error = ok ? 0 : GetLastError();
  CloseHandle(h);
  return ok;
}

// Waits until the service is in `wanted` (or stopped, which ends any wait).
DWORD WaitForState(SC_HANDLE svc, DWORD wanted) {
  SERVICE_STATUS status{};
  const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(kWaitSeconds);
  while (QueryServiceStatus(svc, &status) && status.dwCurrentState != wanted &&
         status.dwCurrentState != SERVICE_STOPPED && std::chrono::steady_clock::now() < until) {
    Sleep(kPollMs);
  }
  return status.dwCurrentState;
}

// Asks a running service to stop and waits for it; true when it is stopped.
bool StopAndWait(SC_HANDLE svc) {
  SERVICE_STATUS status{};
  if (!QueryServiceStatus(svc, &status)) return false;
  if (status.dwCurrentState == SERVICE_STOPPED) return true;
  ControlService(svc, SERVICE_CONTROL_STOP, &status);
  return WaitForState(svc, SERVICE_STOPPED) == SERVICE_STOPPED;
}

// Starts the service. The manager refuses while it is starting others (after
// boot, or when it has just been started itself): that passes, so it is asked
// again until kWaitSeconds have gone.
bool StartWhenUnlocked(SC_HANDLE svc) {
  const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(kWaitSeconds);
  while (!StartServiceW(svc, 0, nullptr)) {
    const DWORD code = GetLastError();
    if (code != ERROR_SERVICE_DATABASE_LOCKED || std::chrono::steady_clock::now() >= until) {
      SetLastError(code);
      return false;
    }
    Sleep(kPollMs);
  }
  return true;
}

int Install(const std::vector<std::string>& serverArgs) {
  ServerConfig config;
  std::string error;
  if (!ParseServerArgs(serverArgs, config, error)) {
    std::fprintf(stderr, "fiscal-server: %s\n", error.c_str());
    return 2;
  }
  if (config.help) {
    std::fputs((ServerUsage() + service::Usage()).c_str(), stdout);
    return 0;
  }
  if (DataFolder().empty()) return Fail("no %ProgramData% folder", ERROR_PATH_NOT_FOUND);
  ScHandle scm(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT | SC_MANAGER_CREATE_SERVICE));
  if (!scm) return Fail("cannot reach the service manager", GetLastError());
  DWORD code = 0;
  if (!MakeDataFolder(code)) return Fail("cannot create " + Narrow(DataFolder()), code);

  wchar_t exe[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, exe, MAX_PATH);
  const std::wstring commandLine = L"\"" + std::wstring(exe) + L"\" --service";
  const std::wstring name = Widen(service::kName);
  const std::wstring display = Widen(service::kDisplayName);

  ScHandle svc(OpenServiceW(scm.get(), name.c_str(), SERVICE_ALL_ACCESS));
  if (svc) {
    // Installed before: new settings, so stop it first.
    if (!StopAndWait(svc.get())) return Fail("the running service does not stop", GetLastError());
    if (!ChangeServiceConfigW(svc.get(), SERVICE_WIN32_OWN_PROCESS, SERVICE_AUTO_START,
                              SERVICE_ERROR_NORMAL, commandLine.c_str(), nullptr, nullptr, nullptr,
                              nullptr, nullptr, display.c_str()))
      return Fail("cannot change the service", GetLastError());
  } else {
    svc.reset(CreateServiceW(scm.get(), name.c_str(), display.c_str(), SERVICE_ALL_ACCESS,
                             SERVICE_WIN32_OWN_PROCESS, SERVICE_AUTO_START, SERVICE_ERROR_NORMAL,
                             commandLine.c_str(), nullptr, nullptr, nullptr, nullptr, nullptr));
    if (!svc) return Fail("cannot install the service", GetLastError());
  }
  if (!WriteFileWhole(ConfigPath(), service::ConfigJson(config), code))
    return Fail("cannot write " + Narrow(ConfigPath()), code);

  std::wstring description = Widen(service::kDescription);
  SERVICE_DESCRIPTIONW desc{description.data()};
  ChangeServiceConfig2W(svc.get(), SERVICE_CONFIG_DESCRIPTION, &desc);
  SC_ACTION restart[2] = {{SC_ACTION_RESTART, kRestartDelayMs},
                          {SC_ACTION_RESTART, kRestartDelayMs}};
  SERVICE_FAILURE_ACTIONSW failure{kFailureResetSeconds, nullptr, nullptr, 2, restart};
  ChangeServiceConfig2W(svc.get(), SERVICE_CONFIG_FAILURE_ACTIONS, &failure);

  if (!StartWhenUnlocked(svc.get())) return Fail("cannot start the service", GetLastError());
  if (WaitForState(svc.get(), SERVICE_RUNNING) != SERVICE_RUNNING) {
    std::fprintf(stderr, "fiscal-server: the service did not start; %s says why\n",
                 Narrow(LogPath()).c_str());
    return 1;
  }
  std::printf(
      "fiscal-server: the service \"%s\" runs on %s:%d with %zu printer(s)\n"
      "  configuration: %s\n  log: %s\n",
      service::kName, config.host.c_str(), config.port, config.printers.size(),
      Narrow(ConfigPath()).c_str(), Narrow(LogPath()).c_str());
  return 0;
}

int Uninstall() {
  ScHandle scm(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT));
  if (!scm) return Fail("cannot reach the service manager", GetLastError());
  ScHandle svc(OpenServiceW(scm.get(), Widen(service::kName).c_str(),
                            SERVICE_STOP | SERVICE_QUERY_STATUS | DELETE));
  if (!svc) {
    const DWORD code = GetLastError();
    if (code == ERROR_SERVICE_DOES_NOT_EXIST) {
      std::printf("fiscal-server: the service \"%s\" is not installed\n", service::kName);
      return 0;
    }
    return Fail("cannot open the service", code);
  }
  if (!StopAndWait(svc.get())) return Fail("the service does not stop", GetLastError());
  if (!DeleteService(svc.get()) && GetLastError() != ERROR_SERVICE_MARKED_FOR_DELETE)
    return Fail("cannot remove the service", GetLastError());
  std::printf("fiscal-server: the service \"%s\" is stopped and removed\n", service::kName);
  return 0;
}

// --- The service process ---------------------------------------------------

SERVICE_STATUS_HANDLE g_status = nullptr;
// The running service, for the control handler's thread; guarded, since the
// handler may be called while ServiceMain is ending.
std::mutex g_runnerMutex;
service::Runner* g_runner = nullptr;

// The service's log: its own time-stamped lines (started, stopped, why it
// could not start) and the server's request log, in one file: the
// configuration's "log", or fiscal-server.log in the data folder.
class ServiceLog {
 public:
  ~ServiceLog() {
    if (file_) std::fclose(file_);
  }
  // Opens the file; false when it cannot be written.
  bool Open(const std::string& configured) {
    if (file_) return true;
    file_ = configured.empty() ? _wfopen(LogPath().c_str(), L"ab") : OpenFileUtf8(configured, "ab");
    return file_ != nullptr;
  }
  std::FILE* File() const { return file_; }
  void Line(const std::string& text) {
    // Before the configuration names a log, the default one takes the line.
    if (!file_ && !Open("")) return;
    std::lock_guard<std::mutex> lock(mutex_);
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_s(&local, &now);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S", &local);
    std::fprintf(file_, "%s fiscal-server: %s\n", stamp, text.c_str());
    std::fflush(file_);
  }

 private:
  std::FILE* file_ = nullptr;
  std::mutex mutex_;
};

void ReportToManager(service::State state, int exitCode) {
  static DWORD checkPoint = 0;
  SERVICE_STATUS status{};
  status.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
  switch (state) {
    case service::State::kStartPending:
      status.dwCurrentState = SERVICE_START_PENDING;
      break;
    case service::State::kRunning:
      status.dwCurrentState = SERVICE_RUNNING;
      break;
    case service::State::kStopPending:
      status.dwCurrentState = SERVICE_STOP_PENDING;
      break;
    case service::State::kStopped:
      status.dwCurrentState = SERVICE_STOPPED;
      break;
  }
  const bool pending =
      state == service::State::kStartPending || state == service::State::kStopPending;
  status.dwControlsAccepted =
      state == service::State::kRunning ? SERVICE_ACCEPT_STOP | SERVICE_ACCEPT_SHUTDOWN : 0;
  if (exitCode != 0) {
    status.dwWin32ExitCode = ERROR_SERVICE_SPECIFIC_ERROR;
    status.dwServiceSpecificExitCode = static_cast<DWORD>(exitCode);
  }
  status.dwCheckPoint = pending ? ++checkPoint : 0;
  status.dwWaitHint = pending ? kPendingHintMs : 0;
  SetServiceStatus(g_status, &status);
}

DWORD WINAPI ControlHandler(DWORD control, DWORD, void*, void*) {
  switch (control) {
    case SERVICE_CONTROL_STOP:
    case SERVICE_CONTROL_SHUTDOWN: {
      std::lock_guard<std::mutex> lock(g_runnerMutex);
      if (g_runner) g_runner->Stop();
      return NO_ERROR;
    }
    case SERVICE_CONTROL_INTERROGATE:
      return NO_ERROR;
    default:
      return ERROR_CALL_NOT_IMPLEMENTED;
  }
}

void WINAPI ServiceMain(DWORD, wchar_t**) {
  g_status = RegisterServiceCtrlHandlerExW(Widen(service::kName).c_str(), ControlHandler, nullptr);
  if (!g_status) return;
  ServiceLog log;
  std::unique_ptr<Api> api;
  std::unique_ptr<HttpFront> front;
  ServerConfig config;
  service::Runner runner({
      ReportToManager,
      [&](std::string& error) {
        const std::string path = Narrow(ConfigPath());
        if (!ParseServerArgs({"--config", path}, config, error)) return false;
        if (!log.Open(config.logPath)) {
          error = "cannot write the log " + config.logPath + ": " + std::strerror(errno);
          return false;
        }
        api = std::make_unique<Api>(config);
        front = std::make_unique<HttpFront>(*api);
        if (!front->Bind(config.host, config.port)) {
          error = "cannot listen on " + config.host + ":" + std::to_string(config.port) + ": " +
                  front->BindError();
          return false;
        }
        const std::string journal =
            config.journalPath.empty() ? Narrow(JournalPath()) : config.journalPath;
        if (!api->OpenJournal(journal, error)) return false;
        for (const auto& w : api->JournalWarnings()) log.Line("warning: " + w);
        front->SetLog(log.File());
        // No printer configured: they are found now (the ports Windows lists), within the
        // manager's wait for the start.
        api->StartFinding([&log](const std::string& line) { log.Line(line); });
        log.Line("listening on " + config.host + ":" + std::to_string(front->Port()) + ", " +
                 std::to_string(api->PrinterCount()) + " printer(s), settings from " + path);
        return true;
      },
      [&] { front->Serve(); },
      [&] {
        if (api) api->Shutdown();
        front->Stop();
      },
      [&](const std::string& line) { log.Line(line); },
  });
  {
    std::lock_guard<std::mutex> lock(g_runnerMutex);
    g_runner = &runner;
  }
  runner.Run();
  std::lock_guard<std::mutex> lock(g_runnerMutex);
  g_runner = nullptr;
}

int RunAsService() {
  std::wstring name = Widen(service::kName);
  SERVICE_TABLE_ENTRYW table[] = {{name.data(), ServiceMain}, {nullptr, nullptr}};
  if (StartServiceCtrlDispatcherW(table)) return 0;
  const DWORD code = GetLastError();
  if (code == ERROR_FAILED_SERVICE_CONTROLLER_CONNECT) {
    std::fprintf(stderr,
                 "fiscal-server: --service is how the service manager starts the server; "
                 "install it with --install-service, or run it without --service\n");
    return 2;
  }
  return Fail("cannot run as a service", code);
}

std::function<void()> g_consoleStop;

BOOL WINAPI ConsoleHandler(DWORD) {
  if (g_consoleStop) g_consoleStop();
  return TRUE;
}

}  // namespace

int RunServiceCommand(const service::Command& command) {
  switch (command.action) {
    case service::Action::kInstall:
      return Install(command.serverArgs);
    case service::Action::kUninstall:
      return Uninstall();
    case service::Action::kRun:
      return RunAsService();
    case service::Action::kNone:
      break;
  }
  return 2;
}

std::vector<std::string> Utf8Arguments() {
  std::vector<std::string> out;
  int argc = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  if (!argv) return out;
  for (int i = 1; i < argc; ++i) out.push_back(Narrow(argv[i]));
  LocalFree(argv);
  return out;
}

void StopOnConsoleClose(std::function<void()> stop) {
  g_consoleStop = std::move(stop);
  SetConsoleCtrlHandler(ConsoleHandler, TRUE);
}
