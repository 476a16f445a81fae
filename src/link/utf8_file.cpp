#include "link/utf8_file.h"

#include "link/utf8_windows.h"

#ifdef _WIN32
#include <windows.h>

#include <cerrno>
#include <cwchar>

std::FILE* OpenFileUtf8(const std::string& path, const char* mode) {
  std::wstring widePath, wideMode;
  // A name that is not UTF-8 came from somewhere that already speaks the
  // ANSI code page: let the C library read it as such.
  if (!TryWidenUtf8(path, widePath) || !TryWidenUtf8(mode, wideMode))
    return std::fopen(path.c_str(), mode);
  if (path.find('\0') != std::string::npos) {
    errno = EINVAL;
    return nullptr;
  }
  return _wfopen(widePath.c_str(), wideMode.c_str());
}

#else

std::FILE* OpenFileUtf8(const std::string& path, const char* mode) {
  return std::fopen(path.c_str(), mode);
}

#endif
