#pragma once

#include <optional>
#include <string>

// The one place where text changes encoding. Inside the driver and on the wire
// every text is Windows-1251; the GUI, the command-line tool and the paper roll
// of the simulated printer speak UTF-8 and convert at their edges.

// Windows-1251 bytes to UTF-8. Never fails: the one unassigned byte (0x98) maps
// to U+FFFD.
std::string Cp1251ToUtf8(const std::string& cp1251);

// UTF-8 to Windows-1251. Nothing when the input is not valid UTF-8 or holds a
// character that Windows-1251 has no byte for.
std::optional<std::string> Utf8ToCp1251(const std::string& utf8);

// As Utf8ToCp1251, but characters without a Windows-1251 form become '?'.
std::string Utf8ToCp1251Lossy(const std::string& utf8);
