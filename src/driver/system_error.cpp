#include "driver/system_error.h"

#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#else
#include <cstring>
#endif

std::string SystemErrorText(int code) {
  const std::string fallback = "system error " + std::to_string(code);
#ifdef _WIN32
  wchar_t buf[512];
  const DWORD n =
      FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                     static_cast<DWORD>(code), 0, buf, sizeof buf / sizeof buf[0], nullptr);
  if (n == 0) return fallback;
  const int size =
      WideCharToMultiByte(CP_UTF8, 0, buf, static_cast<int>(n), nullptr, 0, nullptr, nullptr);
  if (size <= 0) return fallback;
  std::string text(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, buf, static_cast<int>(n), text.data(), size, nullptr, nullptr);
#else
  if (code == 0) return std::string();
  std::string text = std::strerror(code);
#endif
  // One line: the system ends its texts with a line break and a full stop.
  while (!text.empty() &&
         (text.back() == '\n' || text.back() == '\r' || text.back() == ' ' || text.back() == '.'))
    text.pop_back();
  for (char& c : text)
    if (c == '\r' || c == '\n') c = ' ';
  return text.empty() ? fallback : text;
}
