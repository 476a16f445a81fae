#pragma once

#ifdef _WIN32

#include <functional>
#include <string>
#include <vector>

#include "server/service_setup.h"

// fiscal-server as a Windows service (the rest of the server does not know):
//   --install-service [OPTIONS]: checks OPTIONS as the console server would,
//     gives %ProgramData%\fiscal-service to the administrators with an access
//     list of its own (service_rights.h), whether it was there or not, writes
//     the options as JSON to fiscal-server.json in it (changeable by the
//     system and the administrators only, since it may hold the token and
//     names the files the service writes), installs the service
//     "fiscal-server" under its own account NT SERVICE\fiscal-server
//     (LocalService where that is not taken) to start with Windows and
//     restart after a failure, and starts it. Run again, it changes the
//     settings and restarts the service.
//   --uninstall-service: stops the service and removes it; the configuration
//     and the log stay (the installer's uninstaller removes them).
//   --service: the service manager's way to start it. The service refuses
//     to start when anyone but the system and the administrators may change
//     its configuration; otherwise it reads the configuration file and keeps
//     its log and sale journal beside it (unless the configuration names
//     others): the log says when it started and stopped, why it could not
//     start, and has one line per request.
// Returns the process's exit status: 0 done, 1 failed (the message says
// why, in the system's own words), 2 a usage error.
int RunServiceCommand(const service::Command& command);

// Calls `stop` (on a thread of its own) when the console is closed or Ctrl+C
// or Ctrl+Break is pressed.
void StopOnConsoleClose(std::function<void()> stop);

#endif
