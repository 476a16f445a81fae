#pragma once

#include <string>

// The operating system's own short text for an error number (errno, or
// GetLastError() on Windows), UTF-8 and on one line; "system error N" when the
// system has none.
std::string SystemErrorText(int code);
