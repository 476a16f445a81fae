#include "server/windows_service.h"

#include <windows.h>
// After windows.h:
#include <aclapi.h>
#include <sddl.h>
#include <shlobj.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <mutex>
#include <thread>

#include "link/utf8_windows.h"
#include "server/api.h"
#include "server/http_front.h"
#include "server/server_config.h"
#include "server/service_log.h"
#include "server/service_rights.h"
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
// The service's account: its own virtual account; LocalService (with the
// service's SID in its token) where the manager does not take that.
constexpr const wchar_t* kVirtualAccount = L"NT SERVICE\\fiscal-server";
constexpr const wchar_t* kLocalServiceAccount = L"NT AUTHORITY\\LocalService";

// The system's own words for error `code` (UTF-8, without the line end).
std::string SystemMessage(DWORD code) {
  wchar_t* text = nullptr;
  FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::string s = text ? NarrowToUtf8(text) : std::string();
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
  return std::wstring(base) + L"\\" + WidenUtf8(service::kFolder);
}

std::wstring ConfigPath() {
  return DataFolder() + L"\\" + WidenUtf8(service::kConfigFile);
}

std::wstring LogPath() {
  return DataFolder() + L"\\" + WidenUtf8(service::kLogFile);
}

std::wstring JournalPath() {
  return DataFolder() + L"\\" + WidenUtf8(service::kJournalFile);
}

std::string SidText(PSID sid) {
  wchar_t* text = nullptr;
  if (!sid || !ConvertSidToStringSidW(sid, &text)) return std::string();
  std::string out = NarrowToUtf8(text);
  LocalFree(text);
  return out;
}

// The owner and access list of `path` (not following a link at its end).
bool ReadSecurity(const std::wstring& path, service::ObjectSecurity& out, DWORD& error) {
  PSID owner = nullptr;
  PACL dacl = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  error = GetNamedSecurityInfoW(path.c_str(), SE_FILE_OBJECT,
                                OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, &owner,
                                nullptr, &dacl, nullptr, &descriptor);
  if (error != ERROR_SUCCESS) return false;
  out = service::ObjectSecurity{};
  out.owner = SidText(owner);
  out.hasDacl = dacl != nullptr;
  SECURITY_DESCRIPTOR_CONTROL control = 0;
  DWORD revision = 0;
  if (GetSecurityDescriptorControl(descriptor, &control, &revision))
    out.daclProtected = (control & SE_DACL_PROTECTED) != 0;
  ACL_SIZE_INFORMATION size{};
  if (dacl && GetAclInformation(dacl, &size, sizeof size, AclSizeInformation)) {
    for (DWORD i = 0; i < size.AceCount; ++i) {
      void* raw = nullptr;
      if (!GetAce(dacl, i, &raw)) continue;
      const auto* header = static_cast<const ACE_HEADER*>(raw);
      service::Ace ace;
      ace.inheritOnly = (header->AceFlags & INHERIT_ONLY_ACE) != 0;
      // Allowed and denied entries, plain or conditional, share this layout.
      const bool allow = header->AceType == ACCESS_ALLOWED_ACE_TYPE ||
                         header->AceType == ACCESS_ALLOWED_CALLBACK_ACE_TYPE;
      const bool deny = header->AceType == ACCESS_DENIED_ACE_TYPE ||
                        header->AceType == ACCESS_DENIED_CALLBACK_ACE_TYPE;
      if (allow || deny) {
        const auto* entry = static_cast<const ACCESS_ALLOWED_ACE*>(raw);
        ace.type = allow ? service::Ace::Type::kAllow : service::Ace::Type::kDeny;
        ace.mask = entry->Mask;
        ace.sid = SidText(const_cast<DWORD*>(&entry->SidStart));
      } else {
        ace.type = service::Ace::Type::kOther;
      }
      out.aces.push_back(ace);
    }
  }
  LocalFree(descriptor);
  return true;
}

// Sets the owner (when `sddl` names one) and the protected access list of `path`.
bool ApplySecurity(const std::wstring& path, const std::string& sddl, DWORD& error) {
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(
          WidenUtf8(sddl).c_str(), SDDL_REVISION_1, &descriptor, nullptr)) {
    error = GetLastError();
    return false;
  }
  PSID owner = nullptr;
  BOOL ownerDefaulted = FALSE, present = FALSE, daclDefaulted = FALSE;
  PACL dacl = nullptr;
  GetSecurityDescriptorOwner(descriptor, &owner, &ownerDefaulted);
  GetSecurityDescriptorDacl(descriptor, &present, &dacl, &daclDefaulted);
  SECURITY_INFORMATION what = DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION;
  if (owner) what |= OWNER_SECURITY_INFORMATION;
  std::wstring target = path;
  error = SetNamedSecurityInfoW(target.data(), SE_FILE_OBJECT, what, owner, nullptr, dacl, nullptr);
  LocalFree(descriptor);
  return error == ERROR_SUCCESS;
}

// Wine keeps no access lists on files (each file is its Unix user's, and so is
// every process): what install sets cannot be read back there, and the
// checks would refuse every folder. Under Wine they are skipped, and the
// install and the service's log say so.
bool UnderWine() {
  const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  return ntdll && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}
constexpr const char* kWineUnchecked =
    "Wine keeps no Windows access lists: who may change the configuration is not checked";

// An administrator may take over and give away what others own; the token
// has these rights switched off until asked for. Best effort: without them
// the setting of the owner fails and says so.
void EnableOwnershipRights() {
  HANDLE token = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token)) return;
  for (const wchar_t* name : {L"SeTakeOwnershipPrivilege", L"SeRestorePrivilege"}) {
    TOKEN_PRIVILEGES privileges{};
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    if (LookupPrivilegeValueW(nullptr, name, &privileges.Privileges[0].Luid))
      AdjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr);
  }
  CloseHandle(token);
}

service::FolderFacts FactsOf(const std::wstring& path) {
  service::FolderFacts facts;
  const DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return facts;
  facts.exists = true;
  facts.directory = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  facts.reparsePoint = (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
  return facts;
}

// A file of the folder that an earlier install (or someone else) left: a
// plain file with one name is given to the administrators with `sddl`; a
// link or a file with other names (which would carry the rights elsewhere) is
// refused. Nothing there: true.
bool TakeOverFile(const std::wstring& path, const std::string& sddl, std::string& why) {
  HANDLE h = CreateFileW(path.c_str(), READ_CONTROL, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    const DWORD code = GetLastError();
    if (code == ERROR_FILE_NOT_FOUND) return true;
    why = NarrowToUtf8(path) + ": " + SystemMessage(code);
    return false;
  }
  BY_HANDLE_FILE_INFORMATION info{};
  const bool read = GetFileInformationByHandle(h, &info);
  CloseHandle(h);
  if (!read ||
      (info.dwFileAttributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY)) ||
      info.nNumberOfLinks != 1) {
    why = NarrowToUtf8(path) +
          " is a link, a folder or a file with other names; remove it and install again";
    return false;
  }
  DWORD code = 0;
  if (!ApplySecurity(path, sddl, code)) {
    why = "cannot set the owner and access of " + NarrowToUtf8(path) + ": " + SystemMessage(code);
    return false;
  }
  return true;
}

// The data folder as the service needs it, whether it existed or not: owned
// by the administrators, the system and the administrators everything, the
// service reads it and adds its files; the log and the journal an earlier
// install left are given the same owner. False with `why` when the folder is
// not a plain folder or cannot be made so.
bool PrepareDataFolder(const std::string& serviceSid, std::string& why) {
  const std::wstring folder = DataFolder();
  EnableOwnershipRights();
  DWORD code = 0;
  for (int attempt = 0; attempt < 2; ++attempt) {
    const service::FolderStep step = service::PlanFolder(FactsOf(folder), why);
    if (step == service::FolderStep::kRefuse) {
      why = NarrowToUtf8(folder) + ": " + why;
      return false;
    }
    if (step == service::FolderStep::kTakeOver) {
      if (!ApplySecurity(folder, service::FolderDescriptor(serviceSid), code)) {
        why = "cannot set the owner and access of " + NarrowToUtf8(folder) + ": " +
              SystemMessage(code);
        return false;
      }
      break;
    }
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(
            WidenUtf8(service::FolderDescriptor(serviceSid)).c_str(), SDDL_REVISION_1, &descriptor,
            nullptr)) {
      why = "cannot make the folder's access list: " + SystemMessage(GetLastError());
      return false;
    }
    SECURITY_ATTRIBUTES attributes{sizeof attributes, descriptor, FALSE};
    const bool made = CreateDirectoryW(folder.c_str(), &attributes);
    code = made ? 0 : GetLastError();
    LocalFree(descriptor);
    if (made) break;
    // Made by someone else meanwhile: taken over like any folder found.
    if (code != ERROR_ALREADY_EXISTS) {
      why = "cannot create " + NarrowToUtf8(folder) + ": " + SystemMessage(code);
      return false;
    }
  }
  service::ObjectSecurity security;
  if (UnderWine()) {
    std::fprintf(stderr, "fiscal-server: %s\n", kWineUnchecked);
  } else if (!ReadSecurity(folder, security, code)) {
    why = "cannot read the access of " + NarrowToUtf8(folder) + ": " + SystemMessage(code);
    return false;
  } else if (!service::FolderIsSafe(security, serviceSid, why)) {
    why = NarrowToUtf8(folder) + ": " + why;
    return false;
  }
  const std::string data = service::DataFileDescriptor(serviceSid);
  return TakeOverFile(LogPath(), data, why) && TakeOverFile(JournalPath(), data, why);
}

// Writes the configuration afresh (whatever was there under its name is
// removed first, so nothing someone left there, a link say, is written
// through): readable by the service, changeable by the system and the
// administrators only.
bool WriteConfiguration(const std::string& text, const std::string& serviceSid, std::string& why) {
  const std::wstring path = ConfigPath();
  if (!DeleteFileW(path.c_str()) && GetLastError() != ERROR_FILE_NOT_FOUND) {
    why = "cannot replace " + NarrowToUtf8(path) + ": " + SystemMessage(GetLastError());
    return false;
  }
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(
          WidenUtf8(service::ConfigDescriptor(serviceSid)).c_str(), SDDL_REVISION_1, &descriptor,
          nullptr)) {
    why = "cannot make the configuration's access list: " + SystemMessage(GetLastError());
    return false;
  }
  SECURITY_ATTRIBUTES attributes{sizeof attributes, descriptor, FALSE};
  HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, &attributes, CREATE_NEW,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  LocalFree(descriptor);
  if (h == INVALID_HANDLE_VALUE) {
    why = "cannot write " + NarrowToUtf8(path) + ": " + SystemMessage(GetLastError());
    return false;
  }
  DWORD written = 0;
  const bool ok = WriteFile(h, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
                  written == text.size();
  const DWORD code = ok ? 0 : GetLastError();
  CloseHandle(h);
  if (!ok) why = "cannot write " + NarrowToUtf8(path) + ": " + SystemMessage(code);
  // The owner: the administrators, not the one who ran the install.
  DWORD ownerCode = 0;
  if (ok && !ApplySecurity(path, service::ConfigDescriptor(serviceSid), ownerCode)) {
    why = "cannot set the owner of " + NarrowToUtf8(path) + ": " + SystemMessage(ownerCode);
    return false;
  }
  return ok;
}

// Whether the service may start on its configuration (see
// service::ConfigurationIsSafe). False with `why`.
bool ConfigurationIsSafe(std::string& why) {
  service::ObjectSecurity file, folder;
  DWORD code = 0;
  if (!ReadSecurity(ConfigPath(), file, code) || !ReadSecurity(DataFolder(), folder, code)) {
    why = "cannot read who may change " + NarrowToUtf8(ConfigPath()) + ": " + SystemMessage(code);
    return false;
  }
  return service::ConfigurationIsSafe(file, folder, service::ServiceSid(service::kName), why);
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
  const std::string serviceSid = service::ServiceSid(service::kName);
  if (!PrepareDataFolder(serviceSid, error)) {
    std::fprintf(stderr, "fiscal-server: not installed: %s\n", error.c_str());
    return 1;
  }

  wchar_t exe[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, exe, MAX_PATH);
  const std::wstring commandLine = L"\"" + std::wstring(exe) + L"\" --service";
  const std::wstring name = WidenUtf8(service::kName);
  const std::wstring display = WidenUtf8(service::kDisplayName);

  // The service's own account; LocalService where the manager does not know
  // virtual accounts. Either way the service's SID is in its token (below),
  // which is whom the folder's access list names.
  const wchar_t* account = kVirtualAccount;
  ScHandle svc(OpenServiceW(scm.get(), name.c_str(), SERVICE_ALL_ACCESS));
  if (svc) {
    // Installed before: new settings, so stop it first.
    if (!StopAndWait(svc.get())) return Fail("the running service does not stop", GetLastError());
    const auto change = [&](const wchar_t* who) {
      return ChangeServiceConfigW(svc.get(), SERVICE_WIN32_OWN_PROCESS, SERVICE_AUTO_START,
                                  SERVICE_ERROR_NORMAL, commandLine.c_str(), nullptr, nullptr,
                                  nullptr, who, L"", display.c_str());
    };
    if (!change(account)) {
      account = kLocalServiceAccount;
      if (!change(account)) return Fail("cannot change the service", GetLastError());
    }
  } else {
    const auto create = [&](const wchar_t* who) {
      return CreateServiceW(scm.get(), name.c_str(), display.c_str(), SERVICE_ALL_ACCESS,
                            SERVICE_WIN32_OWN_PROCESS, SERVICE_AUTO_START, SERVICE_ERROR_NORMAL,
                            commandLine.c_str(), nullptr, nullptr, nullptr, who, nullptr);
    };
    svc.reset(create(account));
    if (!svc) {
      account = kLocalServiceAccount;
      svc.reset(create(account));
    }
    if (!svc) return Fail("cannot install the service", GetLastError());
  }
  SERVICE_SID_INFO sidInfo{SERVICE_SID_TYPE_UNRESTRICTED};
  ChangeServiceConfig2W(svc.get(), SERVICE_CONFIG_SERVICE_SID_INFO, &sidInfo);
  if (!WriteConfiguration(service::ConfigJson(config), serviceSid, error)) {
    std::fprintf(stderr, "fiscal-server: %s\n", error.c_str());
    return 1;
  }

  std::wstring description = WidenUtf8(service::kDescription);
  SERVICE_DESCRIPTIONW desc{description.data()};
  ChangeServiceConfig2W(svc.get(), SERVICE_CONFIG_DESCRIPTION, &desc);
  SC_ACTION restart[2] = {{SC_ACTION_RESTART, kRestartDelayMs},
                          {SC_ACTION_RESTART, kRestartDelayMs}};
  SERVICE_FAILURE_ACTIONSW failure{kFailureResetSeconds, nullptr, nullptr, 2, restart};
  ChangeServiceConfig2W(svc.get(), SERVICE_CONFIG_FAILURE_ACTIONS, &failure);

  if (!StartWhenUnlocked(svc.get())) return Fail("cannot start the service", GetLastError());
  if (WaitForState(svc.get(), SERVICE_RUNNING) != SERVICE_RUNNING) {
    std::fprintf(stderr, "fiscal-server: the service did not start; %s says why\n",
                 NarrowToUtf8(LogPath()).c_str());
    return 1;
  }
  std::printf(
      "fiscal-server: the service \"%s\" runs on %s:%d with %zu printer(s) as %s\n"
      "  configuration: %s\n  log: %s\n",
      service::kName, config.host.c_str(), config.port, config.printers.size(),
      NarrowToUtf8(account).c_str(), NarrowToUtf8(ConfigPath()).c_str(),
      NarrowToUtf8(LogPath()).c_str());
  return 0;
}

int Uninstall() {
  ScHandle scm(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT));
  if (!scm) return Fail("cannot reach the service manager", GetLastError());
  ScHandle svc(OpenServiceW(scm.get(), WidenUtf8(service::kName).c_str(),
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
  g_status =
      RegisterServiceCtrlHandlerExW(WidenUtf8(service::kName).c_str(), ControlHandler, nullptr);
  if (!g_status) return;
  // The service's own lines and the request log, in the configuration's
  // "log" or fiscal-server.log in the data folder, with the configured cap.
  service::Log log(NarrowToUtf8(LogPath()));
  std::unique_ptr<Api> api;
  std::unique_ptr<HttpFront> front;
  ServerConfig config;
  service::Runner runner({
      ReportToManager,
      [&](std::string& error) {
        const std::string path = NarrowToUtf8(ConfigPath());
        // Whoever may change the configuration may point the log and the
        // journal anywhere the service may write, or read the token.
        const bool wine = UnderWine();
        if (!wine && !ConfigurationIsSafe(error)) {
          error = "refused: " + error + "; run fiscal-server --install-service as an administrator";
          return false;
        }
        if (!ParseServerArgs({"--config", path}, config, error)) return false;
        if (!log.Open(config.logPath, config.logMaxMb * 1024ull * 1024ull, error)) return false;
        if (wine) log.Line(kWineUnchecked);
        api = std::make_unique<Api>(config);
        front = std::make_unique<HttpFront>(*api);
        if (!front->Bind(config.host, config.port)) {
          error = "cannot listen on " + config.host + ":" + std::to_string(config.port) + ": " +
                  front->BindError();
          return false;
        }
        const std::string journal =
            config.journalPath.empty() ? NarrowToUtf8(JournalPath()) : config.journalPath;
        if (!api->OpenJournal(journal, error)) return false;
        for (const auto& w : api->JournalWarnings()) log.Line("warning: " + w);
        front->SetRequestLog(log.Requests());
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
  std::wstring name = WidenUtf8(service::kName);
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

void StopOnConsoleClose(std::function<void()> stop) {
  g_consoleStop = std::move(stop);
  SetConsoleCtrlHandler(ConsoleHandler, TRUE);
}
