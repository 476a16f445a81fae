#pragma once

#include <optional>
#include <string>

// The fixed messages of the link and of the printer's ACK codes. UTF-8 texts.
struct LinkMessage {
  std::string text;
  std::string caption;
  unsigned style;
};

// Message of a LinkResult code with the port number and errno filled in, or
// nothing for codes that have no message (0, 14, 24..49, 51, above 52).
// Code 1 (the port cannot be opened) says instead that another program uses
// the port when PortInUse(systemError), and otherwise adds PermissionHint's
// lines.
std::optional<LinkMessage> LinkErrorMessage(int code, int port, int systemError);

// True when a port failed to open because another program holds it: EBUSY
// (SerialPort's lock or another program's exclusive flag), or on Windows
// ERROR_ACCESS_DENIED or ERROR_SHARING_VIOLATION from opening a COM port,
// which the system opens for one program at a time.
bool PortInUse(int systemError);

// On Linux, for a permission error (EACCES, EPERM) when opening a port: what the
// user must do (join the group dialout), starting with a line break. Empty
// otherwise and on other systems.
std::string PermissionHint(int systemError);

// Message of a two-character ACK code: the command-error text (second
// character) followed by the printer-error text (first character). Nothing when
// the message would be shorter than two characters ("00"). Caption "Грешка",
// style 0x12.
std::optional<LinkMessage> CommandErrorMessage(const std::string& code);
