#pragma once

#include <ctime>
#include <string>

// The simulated printer's own text helpers: formatting, fitting text to the
// paper's columns and the Windows-1251 <-> UTF-8 conversion of its paper roll,
// display and replay log. Written apart from the driver's on purpose, so that a
// fault on one side shows up as a difference instead of hiding on both.
// Printer texts are Windows-1251 bytes; every width counts bytes.
namespace simtext {

// Where text sits in a field wider than itself.
enum class Align { kLeft, kCentre, kRight };

// `text` as exactly `width` bytes: its first `width` bytes, then padded with
// `fill` after it (kLeft), before it (kRight) or around it (kCentre: the smaller
// half before). A width of 0 or less gives an empty text.
std::string Fit(const std::string& text, int width, Align align, char fill = ' ');

// printf into a std::string (any length).
std::string Sprintf(const char* format, ...) __attribute__((format(printf, 1, 2)));

// strftime of the local time `t` (numeric conversions such as %d %m %Y %H %M %S).
std::string LocalTime(std::time_t t, const char* format);

// Windows-1251 to UTF-8; never fails, the unassigned byte 0x98 becomes U+FFFD.
std::string ToUtf8(const std::string& cp1251);

// UTF-8 to Windows-1251; a character without a Windows-1251 byte, and each byte
// of a malformed sequence, becomes '?'.
std::string ToCp1251(const std::string& utf8);

}  // namespace simtext
